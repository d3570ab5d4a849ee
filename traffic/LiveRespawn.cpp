// Respawn after a change of identity or livery, and ghosts (an aircraft the feed made unique with a
// trailing underscore while the real one reappears). Engine thread.
#include <algorithm>

#include <fmt/format.h>

#include "core/ShellState.h"
#include "core/Geometry.h"
#include "core/Log.h"
#include "core/settings/Catalogue.h"
#include "data/DbaseLookups.h"
#include "data/apf/ParkApf.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineServices.h"
#include "traffic/StandsInternal.h"

namespace skf {

namespace {

bool lf_beingRemoved(const LiveAircraft& a) {
    return a.simStatus == SimStatus::removingfromsim || a.erase != 0 || a.eraseCreationCancelled != 0;
}

void lf_forgetLivery(LiveAircraft& aircraft) {
    if (!gf_forgetLiveryTitleForId(aircraft.trafficId)) {
        aircraft.liveryTitle = {};
        aircraft.phase = FlightPhase::birth;
    }
}

// Real feeds fill in the route late: a code that was unknown and becomes known is taken over, but it is not a
// change that takes the aircraft out of the simulator (the user may be watching it); only a known code that
// changes is.
bool lf_updateRoute(LiveAircraft& aircraft, const TrafficRecord& record) {
    if (aircraft.origin[0] == '\0' && record.origin[0] != '\0') {
        aircraft.origin = record.origin;
    }
    if (aircraft.destination[0] == '\0' && record.destination[0] != '\0') {
        aircraft.destination = record.destination;
    }
    const bool allKnown = aircraft.origin[0] != '\0' && aircraft.destination[0] != '\0' && record.origin[0] != '\0' &&
                          record.destination[0] != '\0';
    if (!allKnown || (aircraft.origin == record.origin && aircraft.destination == record.destination)) {
        return false;
    }
    const std::string park = g_parkAirport.iata.str();
    const auto code = [](const RouteCode& c) { return gf_routeCodeText(c); };
    if (!g_parkAirport.icao.empty() && code(aircraft.origin) == park && code(record.destination) == park) {
        return false; // an arrival reported with its next leg: keep the leg it flies now
    }
    aircraft.origin = record.origin;
    aircraft.destination = record.destination;
    if (aircraft.onGround && aircraft.phase != FlightPhase::parking && aircraft.phase != FlightPhase::parked) {
        gf_setPhase(aircraft, FlightPhase::taxi);
        aircraft.targetHeading = aircraft.position.heading;
    }
    return true;
}

bool lf_checkRegistrationChange(LiveAircraft& aircraft, const TrafficRecord& record) {
    if (record.registration.empty()) {
        return false;
    }
    if (aircraft.registration != aircraft.callsign && aircraft.registration == record.registration) {
        return false;
    }
    bool liveryChange = false;
    if (const auto title = gf_regcodeTitle(record.registration)) {
        liveryChange = *title != aircraft.liveryTitle;
    }
    if (const auto info = gf_lookupRegistration(record.registration)) {
        if (info->airline != aircraft.airlineId || info->model != aircraft.modelId) {
            aircraft.airlineId = info->airline;
            aircraft.modelId = info->model;
            if (aircraft.phase == FlightPhase::parked) {
                lf_addRealStandOption(aircraft.standId, aircraft, 0);
            }
        }
    }
    if (liveryChange) {
        lf_forgetLivery(aircraft);
    }
    // A registration filled in where there was none is no change of identity by itself (only a new livery is).
    const bool changed = !aircraft.registration.empty() && aircraft.registration != record.registration;
    aircraft.registration = record.registration;
    return changed || liveryChange;
}

} // namespace

bool lf_checkRespawn(LiveAircraft& aircraft, const QueuedTraffic& traffic) {
    const TrafficRecord& record = traffic.record;
    if (aircraft.takeOff || aircraft.approach) {
        return true;
    }
    if (aircraft.simStatus == SimStatus::buffer) {
        if (record.origin[0] != '\0' && record.origin != aircraft.origin) {
            aircraft.origin = record.origin;
        }
        if (record.destination[0] != '\0' && record.destination != aircraft.destination) {
            aircraft.destination = record.destination;
        }
        if (!record.callsign.empty() && record.callsign != aircraft.callsign) {
            aircraft.callsign = record.callsign;
        }
        if (!record.registration.empty() && record.registration != aircraft.registration) {
            aircraft.registration = record.registration;
        }
        return true;
    }
    if (aircraft.simStatus != SimStatus::active || aircraft.phase == FlightPhase::pushing_back ||
        aircraft.extrapolationCount != 0) {
        return true;
    }
    // Only a test that really changed something respawns the aircraft: read as "any report respawns", every
    // buffered, creating or pushing-back aircraft would be taken out again and again.
    bool changed = lf_updateRoute(aircraft, record);
    changed = lf_checkRegistrationChange(aircraft, record) || changed;
    if (!record.callsign.empty() && record.callsign != aircraft.callsign && record.callsign != aircraft.registration) {
        if (record.callsign.back() != '_') {
            lf_removeGhost(record.callsign);
        } else if (lf_isGhostCallsign(record.callsign)) {
            return false;
        }
        aircraft.callsign = record.callsign;
        aircraft.firstCallsign = record.callsign;
        aircraft.secondCallsign.clear();
        changed = true;
    }
    if (!changed) {
        return true;
    }
    if (!GUID_CHANGES.value()) {
        return true;
    }
    gf_log(fmt::format("          {} respawns", gf_aircraftText(aircraft)));
    liveryRespawn(aircraft);
    return false;
}

void liveryRespawn(LiveAircraft& aircraft) {
    try {
        auto& stream = aircraft.stream;
        if (stream.empty()) {
            return;
        }
        StreamPoint copy = stream.front();
        if (aircraft.phase != FlightPhase::parked) {
            copy.latitude = aircraft.position.latitude;
            copy.longitude = aircraft.position.longitude;
            copy.altitude = aircraft.position.altitude;
            copy.bank = aircraft.position.bank;
            copy.stationary =
                gf_samePosition(copy.latitude, copy.longitude, stream.front().latitude, stream.front().longitude);
        } else {
            while (stream.size() > 1) {
                stream.pop_back();
            }
            stream.front().stationary = true;
            stream.front().track = aircraft.position.heading * g_radToDeg;
            copy = stream.front();
        }
        copy.dueStep = static_cast<std::int32_t>(g_stepCounter.load() + 1);
        stream.push_back(copy);
        aircraft.simStatus = SimStatus::liveryrespawn;
        aircraft.respawnHeading = aircraft.position.heading;
        aircraft.useRespawnHeading = true;
        if (aircraft.objectId != 0 && g_selectedObjectId.load() == aircraft.objectId) {
            g_selectedObjectId = 0;
            gf_resetLiveCallsignList();
        }
        if (aircraft.objectId == 0) {
            gf_logError(
                fmt::format("{} removing act {} with objectid=0 ?", "liveryRespawn", gf_aircraftText(aircraft)));
            return;
        }
        g_engineRemovalQueue.push_back(aircraft.objectId);
    } catch (const std::exception& e) {
        gf_logError(fmt::format("{}: {}", "liveryRespawn", e.what()));
    }
}

void lf_removeGhost(std::string_view callsign) {
    const std::string ghost = std::string(callsign) + "_";
    for (auto& other : g_liveAircraft) {
        if (lf_beingRemoved(other) || other.callsign != ghost) {
            continue;
        }
        if (other.phase == FlightPhase::parked) {
            gf_log(fmt::format("{:8}: {:8} is a ghost and will be removed, continue with {}",
                               gf_standName(other.standId), other.callsign, callsign));
        } else {
            gf_log(fmt::format("          {:8} is a ghost and will be removed, continue with {}", other.callsign,
                               callsign));
        }
        if (std::find(g_ghostCallsigns.begin(), g_ghostCallsigns.end(), ghost) == g_ghostCallsigns.end()) {
            g_ghostCallsigns.push_back(ghost);
        }
        removeAircraftFromSim(other);
        return;
    }
}

bool lf_isGhostCallsign(std::string_view callsign) {
    if (callsign.empty()) {
        return false;
    }
    const std::string_view stem = callsign.substr(0, callsign.size() - 1);
    return std::any_of(g_liveAircraft.begin(), g_liveAircraft.end(),
                       [stem](const LiveAircraft& a) { return !lf_beingRemoved(a) && a.callsign == stem; });
}

} // namespace skf
