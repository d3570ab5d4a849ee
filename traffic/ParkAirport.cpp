// The park airport: open, keep, replace, close, and the static-parking driver.
#include "traffic/ParkAirport.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "core/ControlFields.h"
#include "core/Geometry.h"
#include "core/Log.h"
#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "core/Time.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "core/settings/Parameters.h"
#include "data/Airports.h"
#include "data/apf/ApfFetch.h"
#include "data/apf/ApfLocate.h"
#include "data/apf/ApfWriter.h"
#include "data/apf/ParkApf.h"
#include "data/apf/ParkApfState.h"
#include "sim/UserAircraft.h"
#include "traffic/EngineServices.h"
#include "traffic/EngineState.h"
#include "traffic/LearnedStands.h"
#include "traffic/ParkAirports.h"
#include "traffic/ParkingAdjustment.h"
#include "traffic/StaticParking.h"
#include "traffic/Stands.h"

namespace skf {

namespace {

// The user position of the last distance update.
double g_lastLatitude = 0.0;
double g_lastLongitude = 0.0;

// Parking counts too: an aircraft driving onto its stand would keep a stand id of the closed airport's table.
bool lf_liveHoldsStand(const LiveAircraft& a) {
    switch (a.phase) {
    case FlightPhase::parking:
    case FlightPhase::parked:
    case FlightPhase::pushing_back:
    case FlightPhase::pushed_back:
    case FlightPhase::taxi:
    case FlightPhase::take_off:
        return true;
    default:
        return false;
    }
}

} // namespace

void lf_updateParkAirportDistances(double latitude, double longitude) {
    if (g_parkAirports.empty())
        return;
    if (std::abs(latitude - g_lastLatitude) >= 1e-8 || std::abs(longitude - g_lastLongitude) >= 1e-8) {
        g_lastLatitude = latitude;
        g_lastLongitude = longitude;
        if (DESTINATION.value().empty()) {
            for (ParkAirport& p : g_parkAirports)
                p.distance = gf_distanceNm(latitude, longitude, p.latitude, p.longitude);
            g_parkAirports.sort([](const ParkAirport& a, const ParkAirport& b) { return a.distance < b.distance; });
        }
        return;
    }
    ParkAirport& first = g_parkAirports.front();
    first.distance = gf_distanceNm(latitude, longitude, first.latitude, first.longitude);
}

bool lf_openParkAirport(const IcaoCode& icao) {
    const Airport* airport = gf_findListedAirport(icao);
    if (airport == nullptr) {
        g_mainWindow.parkAirportText.clear();
        return false;
    }
    g_parkAirport = *airport;
    const std::string code = gf_airportCodeText(*airport);
    gf_log(fmt::format("\nThe park airport is {}", code));
    g_mainWindow.parkAirportText.set(code);
    gf_markChanged(BAND_PARK);
    return true;
}

void lf_requestParkingCalculation(bool announce) {
    gf_setParkingBusy(true);
    if (announce)
        gf_setStatus("Calculating static parked aircraft ...");
}

void lf_findParkAirport(const UserAircraftState& user, bool startUp) {
    bool announce = false;
    if (user.onGround != 0) {
        // Two close airports are told apart by their stands; an archived stand file is fetched first.
        if (!gf_closestAirportFilesAtHand(user.block.latitude, user.block.longitude))
            return;
        const Airport* airport = gf_findClosestAirport(user.block.latitude, user.block.longitude);
        if (airport == nullptr) {
            gf_setStatus("User aircraft on the ground, no RT supported airport in sight", true);
            return;
        }
        const std::string icao(airport->icao.view());
        if (!gf_apfExists(airport->icao)) {
            gf_setStatus(fmt::format("User aircraft on the ground at {}, no airport file found", icao), true);
            return;
        }
        gf_log(fmt::format("User aircraft on the ground at {}", icao));
        if (!lf_openParkAirport(airport->icao))
            return;
        announce = startUp;
    } else {
        gf_setControlField(ControlField::Destination, true);
        if (g_parkAirports.empty())
            return;
        const ParkAirport& first = g_parkAirports.front();
        if (first.distance > AIRP_RANGE.value() || user.block.altAboveGround > AIRP_HEIGHT.value() ||
            !lf_openParkAirport(first.icao))
            return;
        gf_setStatus(fmt::format("{} in sight at {:.1F} nm", first.icao.view(), first.distance), true);
    }
    g_parkingRecalcRequested = true;
    lf_requestParkingCalculation(announce);
}

void lf_checkParkAirportInSight(const UserAircraftState& user) {
    if (user.onGround != 0)
        return;
    const double d =
        gf_distanceNm(user.block.latitude, user.block.longitude, g_parkAirport.latitude, g_parkAirport.longitude);
    const double range = AIRP_RANGE.value();
    if (d <= range && user.block.altAboveGround <= AIRP_HEIGHT.value()) {
        if (g_parkAirports.empty())
            return;
        const ParkAirport& first = g_parkAirports.front();
        if (first.icao == g_parkAirport.icao || first.distance > range || first.distance > d)
            return;
        gf_log(fmt::format("\n{} {} is in sight ({:.1F} nm), parked aircraft at {} will be removed first",
                           gf_simTimeOfDayText(), first.icao.view(), first.distance,
                           gf_airportCodeText(g_parkAirport)));
    } else {
        gf_log(fmt::format("\n{} {} is out of sight ({:.1F} nm), parked aircraft will be removed",
                           gf_simTimeOfDayText(), gf_airportCodeText(g_parkAirport), d));
    }
    gf_closeParkAirport();
}

void gf_updateStaticParking(bool startUp) {
    gf_checkEngineThread("gf_updateStaticParking");
    if (g_parkingBusy.load() && g_pendingStatic.empty()) {
        gf_setParkingBusy(false);
        gf_clearStatus();
        gf_staticParkedHours(true);
        gf_liveParkedHours(true);
    }
    if (g_parkingRecalcRequested) {
        // An archived stand file arrives on a worker; the engine goes on meanwhile and reads it when it is here.
        if (!gf_parkFileAtHand())
            return;
        gf_clearStatus();
        g_parkingRecalcRequested = false;
        const std::string error = lf_readParkedFile();
        if (!error.empty()) {
            gf_setParkingBusy(false);
            gf_setStatus(error, true);
            lf_releaseParkAirport();
        } else {
            g_staticCountdown = 20;
            lf_calcStaticParking();
        }
        gf_setControlField(ControlField::Destination, true);
        gf_flushLog();
        return;
    }
    const UserAircraftState user = g_userAircraft.get();
    if (!gf_holdsPosition(user.block.latitude, user.block.longitude))
        return;
    lf_updateParkAirportDistances(user.block.latitude, user.block.longitude);
    if (!g_parkAirport.icao.empty())
        lf_checkParkAirportInSight(user);
    else
        lf_findParkAirport(user, startUp);
}

void lf_releaseParkAirport() {
    if (g_parkStandsLoaded.load()) {
        lf_saveLearnedStands();
        gf_restoreGlobalParameters();
    }
    g_handmadeApf = false;
    g_parkStandsLoaded = false;
    gf_setControlField(ControlField::ParkStands, false);
    g_parkAirport = Airport{};
    // Without it the traffic reader would judge every report below the closed airport's elevation to be on the
    // ground (and drop it, with no park airport to stand at) until the next park airport opens.
    g_trafficReferenceElevationValid = false;
    g_mainWindow.parkAirportText.clear();
    g_mainWindow.parkAirportName.clear();
    g_mainWindow.learnedUpdates = 0;
    g_mainWindow.parkAirportActive = false;
    g_mainWindow.standsLoaded = false;
    g_mainWindow.standCount = 0;
    g_mainWindow.handmade = false;
    g_mainWindow.reservedStandValid = false;
    g_mainWindow.softFlag = false;
    g_mainWindow.weekFlag = false;
    g_mainWindow.pendingStaticCount = 0;
    g_plannedRemovals.clear();
    g_pendingStatic.clear();
    gf_parkApfState().file = ParkApfFile{}; // the stand table, the file's texts and learned path
    g_reservedStand.clear();
    gf_clearStandNameCache();
    gf_markChanged(BAND_ALL);
}

void gf_closeParkAirport() {
    gf_checkEngineThread("gf_closeParkAirport");
    gf_runUserStandRefresh(); // the reserved stand of a flight that is ending is saved first
    g_pendingStatic.clear();
    gf_removeAllStatic();
    for (LiveAircraft& live : g_liveAircraft) {
        if (!lf_liveHoldsStand(live))
            continue;
        gf_releaseStand(live, StandMark::keep); // the stand table goes with the airport
        if (live.simStatus == SimStatus::active || live.simStatus == SimStatus::adding2sim)
            removeAircraftFromSim(live);
    }
    g_liveAircraft.erase(std::remove_if(g_liveAircraft.begin(), g_liveAircraft.end(),
                                        [](const LiveAircraft& a) { return a.eraseCreationCancelled != 0; }),
                         g_liveAircraft.end());
    lf_releaseParkAirport();
}

void gf_resetParking() {
    gf_cancelApfFetches();
    // Pending placements, adjustment lists, park-airport list, reserved stand, recalculation request, fits.
    gf_engineState().parking = ParkingState{};
    // The park airport, its stand table, its file's texts (empty, altitude -1) and values.
    gf_parkApfState() = ParkApfState{};
    g_lastLatitude = 0.0;
    g_lastLongitude = 0.0;
    gf_clearStandNameCache();
}

void gf_reserveParking() {
    g_keptStatics.reserve(64);
    g_plannedRemovals.reserve(256);
    g_parkedLive.reserve(256);
    g_pendingStatic.reserve(512);
}

bool gf_takeParkFileArrival() {
    return gf_takeApfFetchFinished();
}

std::string gf_reservedStandName() {
    return g_reservedStand;
}

} // namespace skf
