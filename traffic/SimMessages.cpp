// What the simulator tells the engine: created objects, range data (touchdown), rest attitudes, failed
// creations and removed objects; and the finishing of created objects. Engine thread: the messages are
// taken off the SimClient thread's queue under its mutex and handled after it is released.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include <fmt/format.h>

#include "core/Geometry.h"
#include "core/Log.h"
#include "core/Text.h"
#include "core/settings/Catalogue.h"
#include "sim/FlightPlans.h"
#include "sim/SimLink.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineServices.h"

namespace skf {

namespace {

std::vector<SimMessage> s_messages; // the drained queue; keeps its capacity

ParkedAircraft* lf_findStaticByTrafficId(std::uint32_t trafficId) {
    for (auto& a : g_parkedAircraft) {
        if (a.trafficId == trafficId) {
            return &a;
        }
    }
    return nullptr;
}

void lf_onCreatedOnGround(LiveAircraft& aircraft) {
    aircraft.onGround = true;
    gf_setGear(aircraft, 1);
    aircraft.altRate = 0.0;
    aircraft.rangeDataCount = 1;
    if (aircraft.phase != FlightPhase::parked) {
        return;
    }
    aircraft.parkTime = gf_parkTimeNow();
    const std::string standName = gf_standName(aircraft.standId);
    gf_log(fmt::format("{:8}: {:8} parks", standName, aircraft.callsign));
    gf_dropPendingStaticAt(aircraft.standId);
    for (auto& stat : g_parkedAircraft) {
        if (stat.standId == aircraft.standId && stat.simStatus == SimStatus::active) {
            // The dash between the two halves is the one character the log writes in UTF-8.
            gf_log(fmt::format("{:8}: {:8} parks over static {} \u2014 static will be removed", standName,
                               aircraft.callsign, stat.callsign));
            removeAircraftFromSim(stat);
        }
    }
}

void lf_loadFlightPlan(LiveAircraft& aircraft) {
    if (aircraft.origin[0] == '\0' || aircraft.destination[0] == '\0') {
        return;
    }
    const std::filesystem::path path = gf_flightPlanPath(aircraft.objectId);
    if (!gf_writeFlightPlan(path, aircraft)) {
        aircraft.hasFlightPlan = false;
        gf_logError(fmt::format("{} creating a flight plan failed", gf_aircraftText(aircraft)));
        return;
    }
    bool ok = false;
    {
        std::lock_guard lock(g_simCommandMutex);
        if (g_simConnect.load() != 0) {
            ok = !gf_simFailed(SimConnect_AISetAircraftFlightPlan(g_simConnect.load(), aircraft.objectId,
                                                                  gf_pathToUtf8(path).c_str(), SIM_REQ_FLIGHT_PLAN));
        }
    }
    aircraft.hasFlightPlan = ok;
    if (!ok) {
        gf_logError(fmt::format("{} creating a flight plan failed", gf_aircraftText(aircraft)));
    }
}

bool lf_onLiveCreated(LiveAircraft& aircraft, const SimMessage& message) {
    if (message.objectId < 3) {
        return false;
    }
    aircraft.objectId = message.objectId;
    aircraft.heightAboveGround = message.second;
    if (!aircraft.stream.empty() && !aircraft.stream.front().airborne) {
        lf_onCreatedOnGround(aircraft);
    }
    lf_loadFlightPlan(aircraft);
    bool failed = false;
    {
        std::lock_guard lock(g_simCommandMutex);
        failed = gf_simFailed(SimConnect_RequestDataOnSimObject(
            g_simConnect.load(), SIM_REQ_STATIC_CG, SIM_DEF_STATIC_CG, aircraft.objectId, SIMCONNECT_PERIOD_ONCE));
    }
    if (failed) {
        gf_logError("SimConnect request StaticCG fails");
        g_simHalted = true;
    }
    return true;
}

void lf_onRangeData(const SimMessage& message) {
    LiveAircraft* found = gf_findLiveByObjectId(message.objectId);
    if (found == nullptr) {
        return;
    }
    LiveAircraft& a = *found;
    const bool reportsGround = message.trafficId != 0;
    const double groundAltitude = message.first;
    if (reportsGround && !a.onGround && a.rangeDataCount <= 1 && a.simStatus != SimStatus::removingfromsim &&
        a.phase != FlightPhase::take_off) {
        if (a.flareStage != 0 || a.approach) {
            lf_touchdown(a);
        }
        a.onGround = true;
        a.altRate = 0.0;
        a.rangeDataCount = 1;
    }
    a.heightAboveGround = message.second;
    if (a.onGround || a.rangeDataCount >= 2) {
        a.position.altitude = groundAltitude + a.staticCgFt;
    }
}

void lf_onStaticCg(const SimMessage& message) {
    ParkedAircraft* record = gf_findLiveByObjectId(message.objectId);
    if (record == nullptr) {
        for (auto& a : g_parkedAircraft) {
            if (a.objectId == message.objectId && message.objectId != 0) {
                record = &a;
                break;
            }
        }
    }
    if (record == nullptr) {
        return;
    }
    if (message.first >= 1.0 && message.first <= 35.0) {
        record->staticCgFt = message.first;
    }
    double pitch = message.second;
    if (pitch <= -0.017453292519943295 || pitch > 0.04363323129985824) {
        pitch = 0.012217304763960306;
    }
    record->staticPitchRad = pitch;
}

void lf_onCreationFailed(const SimMessage& message) {
    if (message.trafficId > kLiveTrafficIdBase) {
        if (LiveAircraft* a = gf_findLiveByTrafficId(message.trafficId)) {
            gf_reportLiveryNotCreated(*a);
            gf_eraseLiveUnordered(*a);
        }
        return;
    }
    for (auto it = g_parkedAircraft.begin(); it != g_parkedAircraft.end(); ++it) {
        if (it->trafficId == message.trafficId) {
            gf_reportLiveryNotCreated(*it);
            *it = std::move(g_parkedAircraft.back());
            g_parkedAircraft.pop_back();
            return;
        }
    }
}

void lf_finishLive(LiveAircraft& a) {
    const std::uint32_t id = a.objectId;
    const StreamPoint& front = a.stream.front();
    if (front.airborne) {
        gf_engineAutoStart(id);
        gf_setSpoilers(a, 0);
        const bool low = front.altitude <= 10000.0;
        gf_setLights(id, 1, 1, low ? 1 : 0, 0, 1, low ? 1 : 0, a.heightAboveGround >= 2000.0 ? 1 : 0);
        return;
    }
    gf_setSpoilers(a, 0);
    const bool parked = a.phase == FlightPhase::parked;
    if (parked) {
        gf_engineAutoShutdown(id);
    } else {
        gf_engineAutoStart(id);
    }
    const std::uint32_t nav = parked ? (NAV_LIGHTS_WHILE_PARKED.value() ? 1 : 0) : 1;
    gf_setLights(id, nav, parked ? 0 : 1, 0, a.phase == FlightPhase::taxi ? 1 : 0, 0, 1, 1);
    gf_setThrottle(a, a.category == SizeCategory::Rotorcraft ? 4 : 0);
    gf_setFlaps(a, a.phase == FlightPhase::taxi ? 1 : 0);
}

} // namespace

void gf_processSimMessages() {
    gf_checkEngineThread("gf_processSimMessages");
    gf_carryOutFeedRequests(); // a position sent while no flight runs may have found RealTraffic gone
    gf_takeSimMessages(s_messages);
    for (const SimMessage& message : s_messages) {
        switch (message.kind) {
        case SimMessageKind::liveCreated:
            if (LiveAircraft* a = gf_findLiveByTrafficId(message.trafficId)) {
                if (lf_onLiveCreated(*a, message)) {
                    g_readyObjects.push_back(ReadyObject{message, 0});
                }
            }
            break;
        case SimMessageKind::staticCreated:
            g_readyObjects.push_back(ReadyObject{message, 0});
            break;
        case SimMessageKind::objectRemoved:
            lf_onObjectRemoved(message.objectId);
            break;
        case SimMessageKind::knownInRange:
            lf_onRangeData(message);
            break;
        case SimMessageKind::staticCg:
            lf_onStaticCg(message);
            break;
        case SimMessageKind::creationFailed:
            lf_onCreationFailed(message);
            break;
        }
    }
    s_messages.clear();
    if (!g_readyObjects.empty()) {
        lf_finishCreated();
    }
}

void lf_finishCreated() {
    for (auto it = g_readyObjects.begin(); it != g_readyObjects.end();) {
        ReadyObject& ready = *it;
        const bool live = ready.message.kind == SimMessageKind::liveCreated;
        ++ready.waited;
        if (live && (ready.waited == 50 || ready.waited == 100)) {
            std::lock_guard lock(g_simCommandMutex);
            g_eventQueue.push_back(EventEntry{ready.message.objectId, SIM_EVENT_ALL_LIGHTS_TOGGLE, 0});
        }
        if (ready.waited < 200) {
            ++it;
            continue;
        }
        if (!live) {
            if (ParkedAircraft* stat = lf_findStaticByTrafficId(ready.message.trafficId)) {
                stat->simStatus = SimStatus::active;
                stat->objectId = ready.message.objectId;
                gf_shutDownAtStand(*stat);
                gf_log(fmt::format("{:8}: {:8} parked", gf_standName(stat->standId), stat->callsign));
                if (stat->removeWhenAdded != 0) {
                    stat->removeWhenAdded = 0;
                    removeAircraftFromSim(*stat);
                }
            }
        } else if (LiveAircraft* a = gf_findLiveByTrafficId(ready.message.trafficId)) {
            if (!a->stream.empty()) {
                lf_finishLive(*a);
            }
            a->simStatus = SimStatus::active;
            if (a->removeWhenAdded != 0) {
                a->removeWhenAdded = 0;
                removeAircraftFromSim(*a);
            }
        }
        it = g_readyObjects.erase(it);
    }
}

void lf_onObjectRemoved(std::uint32_t objectId) {
    if (LiveAircraft* a = gf_findLiveByObjectId(objectId)) {
        if (a->simStatus == SimStatus::liveryrespawn) {
            a->simStatus = SimStatus::buffer;
            a->throttleIndex = 5;
            a->flapsIndex = 4;
            a->objectId = 0;
            return;
        }
        if (a->hasFlightPlan) {
            std::error_code ec;
            std::filesystem::remove(gf_flightPlanPath(objectId), ec);
            if (ec) {
                gf_logError(fmt::format("gf_removeFlightPlan: {}", ec.message()));
            }
        }
        gf_eraseLiveUnordered(*a);
        return;
    }
    for (auto& stat : g_parkedAircraft) {
        if (stat.objectId == objectId && objectId != 0) {
            stat = std::move(g_parkedAircraft.back());
            g_parkedAircraft.pop_back();
            return;
        }
    }
}

} // namespace skf
