// The engine's 10 ms step, the intake of traffic records, the paced hand-over to the simulator, the engine's
// start and reset, and the removal of the farthest live aircraft. Engine thread (the start-up thread).
#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "core/Geometry.h"
#include "core/ShellState.h"
#include "data/apf/Stand.h"
#include "core/Log.h"
#include "core/ShellState.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "data/DbaseLookups.h"
#include "data/StringPool.h"
#include "data/apf/ParkApf.h"
#include "feed/FeedServices.h"
#include "liveries/LiveryServices.h"
#include "sim/SimLink.h"
#include "sim/UserAircraft.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineServices.h"
#include "traffic/EngineServicesInternal.h"

namespace skf {

namespace {

bool s_engineStarted = false;
std::vector<SimMessage> s_unusedMessages; // keeps its capacity

// The park airport's elevation for the intake's ground rule; -1000 ft without a park airport.
double lf_parkElevationForIntake() {
    return g_parkAirport.icao.empty() ? -1000.0 : static_cast<double>(g_parkAirport.altitude);
}

// A report below 10000 ft within 108 ft of the park airport's elevation: an aircraft on the ground that the
// feed reports as flying.
bool lf_groundReportAsAir(double altitude) {
    return altitude > 0.0 && altitude < 10000.0 && std::abs(altitude - lf_parkElevationForIntake()) <= 108.0;
}

// The fastest change of ground speed (kn per second) that a take-off roll or braking shows; a larger change
// between two reports is a glitch of the feed. Over a longer pause (receivers lose aircraft at the runway for a
// minute or more and find them again in the air) the same change is the aircraft's own, not a jump.
constexpr double kMaxSpeedChangeKnPerSecond = 5.0;

bool lf_speedJump(double g, double g0, double elapsed) {
    if (elapsed * kMaxSpeedChangeKnPerSecond >= std::abs(g - g0)) {
        return false;
    }
    return (g0 > 5.0 && g >= 10.0 * g0) || (g > 5.0 && g0 >= 10.0 * g) || (g0 <= 5.0 && g >= 80.0) ||
           (g <= 5.0 && g0 >= 80.0);
}

// Thinning: a report that adds nothing new to the stream yet.
bool lf_thinnedOut(const LiveAircraft& aircraft, const StreamPoint& point, double elapsed) {
    if (aircraft.extrapolationCount >= 1) {
        return false;
    }
    const StreamPoint& last = aircraft.stream.back();
    const double g = point.groundSpeed;
    const double d = std::abs(point.track - last.track);
    if (point.airborne && g > 120.0 && d <= 1.0) {
        return elapsed <= 0.2429805615550756 / (g / 3600.0);
    }
    if (!point.airborne && g <= 30.0 && d <= 2.0) {
        const double limit = g <= 0.0 ? 15.0 : std::min(0.010799136069114472 / (g / 3600.0), 15.0);
        return elapsed <= limit;
    }
    return false;
}

void lf_takeSpawnRequest() {
    if (g_spawnRequests.empty()) {
        return;
    }
    const std::uint32_t trafficId = g_spawnRequests.back();
    g_spawnRequests.pop_back();
    LiveAircraft* aircraft = gf_findLiveByTrafficId(trafficId);
    if (aircraft == nullptr) {
        return;
    }
    if (aircraft->callsign.empty()) {
        gf_logError(fmt::format("{} {} objectid = 0?", "lf_handleAddingStack", gf_aircraftText(*aircraft)));
        // It never reaches the simulator: the stand given to it at spawn is free again, and the record goes
        // (a record left waiting for a creation that never comes would hold the stand for good).
        gf_releaseStand(*aircraft, StandMark::free);
        aircraft->erase = 1;
        return;
    }
    g_liveCreationQueue.push_back(gf_liveCreationRecord(*aircraft));
}

} // namespace

bool gf_categoryEnabled(SizeCategory category) {
    switch (category) {
    case SizeCategory::Light:
        return LIGHT_AIRCRAFT.value();
    case SizeCategory::HighPerf:
        return HIGH_PERF_AIRCRAFT.value();
    case SizeCategory::Rotorcraft:
        return HELICOPTERS.value();
    case SizeCategory::Buzjets:
    case SizeCategory::Large:
    case SizeCategory::Heavy:
        return true;
    }
    return false;
}

double gf_categoryClimbRate(SizeCategory category) {
    static const CategoryTable<double> table{{0, 0.5}, {1, 0.75}, {2, 0.6}, {3, 0.5}, {4, 1.0}, {5, 0.75}};
    return table.at(category);
}

double gf_categoryTaxiSpeed(SizeCategory category) {
    static const CategoryTable<double> table{{0, 5.0}, {1, 4.5}, {2, 4.0}, {3, 3.0}, {4, 4.5}, {5, 5.0}};
    return table.at(category);
}

CreationRecord gf_liveCreationRecord(const LiveAircraft& aircraft) {
    CreationRecord record;
    record.position.latitude = aircraft.position.latitude;
    record.position.longitude = aircraft.position.longitude;
    record.position.altitude = aircraft.position.altitude;
    record.position.pitch = aircraft.position.pitch * g_radToDeg;
    record.position.bank = aircraft.position.bank * g_radToDeg;
    record.position.heading = aircraft.position.heading * g_radToDeg;
    record.position.onGround = 0;
    record.position.airspeed = 0;
    record.callsign = aircraft.callsign;
    record.liveryTitle = aircraft.liveryTitle;
    record.trafficId = aircraft.trafficId;
    return record;
}

void gf_handleAddingStack() {
    lf_handleAddingStack();
}

void lf_handleAddingStack() {
    gf_checkEngineThread("lf_handleAddingStack");
    gf_processSimMessages();

    bool anyErase = false;
    for (auto& aircraft : g_liveAircraft) {
        anyErase = updateLiveAc(aircraft) || anyErase;
    }
    if (anyErase) {
        std::erase_if(g_liveAircraft,
                      [](const LiveAircraft& a) { return a.erase != 0 || a.eraseCreationCancelled != 0; });
    }

    if (!gf_trySwapPositionBuffers()) {
        g_positionWrite->clear(); // this step's positions are dropped; the frame handler waits for the next
    } else {
        g_positionWrite->clear();
    }

    lf_popSimQueues();

    gf_takeTraffic([](QueuedTraffic& record) { lf_addTrafficRecord(record); }, 2);

    lf_takeSpawnRequest();
    lf_requestPeriodicData();
    g_stepCounter.fetch_add(1);
}

void lf_popSimQueues() {
    const std::uint32_t s = g_stepCounter.load();
    if (s % 10 != 0) {
        return;
    }
    if (!g_engineRemovalQueue.empty()) {
        {
            std::lock_guard lock(g_simCommandMutex);
            g_removalQueue.push_back(g_engineRemovalQueue.front());
        }
        g_engineRemovalQueue.erase(g_engineRemovalQueue.begin());
    }
    if (s % 50 != 0) {
        return;
    }
    if (!g_liveCreationQueue.empty()) {
        gf_queueCreation(g_liveCreationQueue.front());
        g_liveCreationQueue.erase(g_liveCreationQueue.begin());
        return;
    }
    if (!g_staticCreationQueue.empty()) {
        gf_queueCreation(g_staticCreationQueue.front());
        g_staticCreationQueue.erase(g_staticCreationQueue.begin());
    }
    if (gf_pendingStaticCount() > 0) {
        lf_addStaticAircraft();
    }
}

void lf_requestPeriodicData() {
    const std::uint32_t s = g_stepCounter.load();
    if (s % 20 == 0) {
        bool failed = false;
        {
            std::lock_guard lock(g_simCommandMutex);
            // Without a connection there is no one to ask (the run is ending or has not connected yet).
            if (!g_simHalted.load() && g_simConnect.load() != 0) {
                failed = gf_simFailed(SimConnect_RequestDataOnSimObjectType(
                    g_simConnect.load(), SIM_REQ_RANGE, SIM_DEF_RANGE,
                    static_cast<std::uint32_t>(std::max(0, g_rangeMeters.load())), SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT));
            }
        }
        if (failed) {
            gf_logError("SimConnect request ac within range fails");
            gf_simRequestError();
        }
    }
    if (s % 100 == 0) {
        gf_sendUserPosition();
        gf_carryOutFeedRequests();
        if (g_simConnect.load() != 0) {
            gf_requestUserPosition(); // also copies the previous answer into g_userAircraft
            gf_runUserStandRefresh();
        }
    }
}

void lf_addTrafficRecord(QueuedTraffic& record) {
    LiveAircraft* found = gf_findLiveByTrafficId(record.trafficId);
    if (found == nullptr) {
        if (!record.record.callsign.empty()) {
            for (const auto& other : g_liveAircraft) {
                if (other.callsign == record.record.callsign && other.modelId == record.record.modelId) {
                    return; // the same aircraft reported under a second id
                }
            }
        }
        lf_prepareNewTraffic(record);
        return;
    }
    LiveAircraft& aircraft = *found;
    if (aircraft.simStatus == SimStatus::liveryrespawn || aircraft.simStatus == SimStatus::removingfromsim) {
        return;
    }
    const double t = record.timestamp;
    if (!aircraft.stream.empty()) {
        const double elapsed = t - aircraft.lastRecordTime;
        if (t == aircraft.lastRecordTime || elapsed <= 1.0) {
            return;
        }
        if (lf_speedJump(record.point.groundSpeed, aircraft.stream.back().groundSpeed, elapsed)) {
            return;
        }
        if (lf_thinnedOut(aircraft, record.point, elapsed)) {
            return;
        }
    }
    if (aircraft.simStatus == SimStatus::buffer && lf_groundReportAsAir(record.point.altitude)) {
        return;
    }
    if (!lf_checkRespawn(aircraft, record)) {
        return;
    }
    aircraft.reportPause = t - aircraft.lastRecordTime;
    aircraft.lastRecordTime = t;
    decodeExisting(aircraft, record.point);
    aircraft.lastReportSpeed = record.point.groundSpeed;
}

void lf_prepareNewTraffic(QueuedTraffic& record) {
    if (!record.record.registration.empty()) {
        if (const auto info = gf_lookupRegistration(record.record.registration)) {
            record.record.modelId = gf_internModel(gf_modelName(info->model));
        }
    }
    if (gf_isKnownModelCode(gf_modelName(record.record.modelId))) {
        lf_addNewLiveAc(record);
    }
}

void lf_addNewLiveAc(QueuedTraffic& record) {
    const SizeCategory category = gf_modelCategory(record.record.modelId);
    if (!gf_categoryEnabled(category)) {
        return;
    }
    if (lf_groundReportAsAir(record.point.altitude)) {
        return;
    }
    record.record.firstCallsign = record.record.callsign;
    record.record.secondCallsign.clear();
    record.record.flag = 0;
    FlightRecord flight = gf_makeFlightRecord(std::move(record.record));
    flight.trafficId = record.trafficId;
    flight.turnRate = flight.nominalTurnRate;
    flight.maxClimbRate = gf_categoryClimbRate(flight.category);
    flight.taxiSpeed = gf_categoryTaxiSpeed(flight.category);
    g_liveAircraft.emplace_back(record.point, std::move(flight), record.timestamp);
}

bool gf_removeFarthestLive(double distanceNm) {
    gf_checkEngineThread("gf_removeFarthestLive");
    if (g_liveAircraft.empty()) {
        return true;
    }
    const UserAircraftState user = g_userAircraft.get();
    LiveAircraft* best = nullptr;
    double bestDistance = distanceNm;
    for (auto& aircraft : g_liveAircraft) {
        if (aircraft.simStatus != SimStatus::active) {
            continue;
        }
        const double d = gf_distanceNm(user.block.latitude, user.block.longitude, aircraft.position.latitude,
                                       aircraft.position.longitude);
        const bool farther = distanceNm >= 0.0 ? d > bestDistance + 0.1 : (best == nullptr || d > bestDistance);
        if (farther) {
            best = &aircraft;
            bestDistance = d;
        }
    }
    if (best == nullptr) {
        return true;
    }
    gf_removeLiveWithLine(*best, fmt::format("farthest from the user ({:.1f} NM), making room", bestDistance));
    return false;
}

namespace {

// Capacities, not limits: the containers grow beyond them.
void lf_reserveEngineState() {
    g_ghostCallsigns.reserve(64);
    g_liveAircraft.reserve(512);
    g_parkedAircraft.reserve(256);
    g_readyObjects.reserve(128);
    g_spawnRequests.reserve(64);
    g_standMatchIds.reserve(64);
    s_unusedMessages.reserve(256);
    gf_reserveParking();
}

} // namespace

void gf_startEngine() {
    gf_bindEngineThread();
    if (s_engineStarted) {
        return;
    }
    lf_reserveEngineState();
    s_engineStarted = true;
}

void gf_resetEngine() {
    gf_bindEngineThread();
    // All three are zeroed before any is tested: a short-circuit would keep the others.
    const bool liveShown = g_mainWindow.liveCount.exchange(0) != 0;
    const bool parkedShown = g_mainWindow.parkedLiveCount.exchange(0) != 0;
    const bool staticShown = g_mainWindow.staticCount.exchange(0) != 0;
    if (liveShown || parkedShown || staticShown) {
        gf_markChanged(BAND_ALL);
    }
    {
        std::lock_guard lock(g_simMessageMutex);
        g_simMessages.clear();
    }
    gf_liveryMatchState() = LiveryMatchState{}; // the titles per traffic id and the unmatched keys
    gf_resetEngineSimQueues();
    gf_takeLiveTrafficRemovals(); // a request of the ended run has nothing left to act on
    gf_resetTrafficQueue();       // under the queue's mutex
    g_parkingBusy = false;
    gf_markChanged(BAND_ALL);
    g_selectedObjectId = 0;
    // The live and parked aircraft, the created objects, the ghosts, the spawn requests, the stand-match ids
    // and the static parking's lists.
    gf_engineState() = EngineState{};
    if (s_engineStarted) {
        lf_reserveEngineState();
    }
    gf_resetParking(); // the park airport, its fetches, files, stand table, info and learned count
    g_qnh = 1013;
    g_dayAndSlotNow = DayAndSlot{}; // unknown until the main cycle renews it
}

} // namespace skf
