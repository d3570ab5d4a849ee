// A live aircraft's life before and beside its movement: the per-step update, the spawn decision and the
// spawn, the near-user rules, the initial position. Engine thread.
#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "core/Geometry.h"
#include "core/Log.h"
#include "core/settings/Catalogue.h"
#include "data/DbaseLookups.h"
#include "data/StringPool.h"
#include "data/apf/ParkApf.h"
#include "data/apf/Stand.h"
#include "sim/UserAircraft.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineServices.h"
#include "traffic/StandsInternal.h"

namespace skf {

namespace {

void lf_eraseBuffered(LiveAircraft& aircraft) {
    aircraft.erase = 1;
}

// The identity refresh from the registration database before a spawn.
void lf_refreshIdentity(LiveAircraft& aircraft) {
    if (!aircraft.registration.empty()) {
        if (const auto info = gf_lookupRegistration(aircraft.registration)) {
            aircraft.airlineId = info->airline;
            aircraft.modelId = info->model;
            aircraft.cargo = info->cargo ? 1 : 0;
            if (!gf_operatorName(info->operatorId).empty()) {
                aircraft.airlineId = info->operatorId;
            }
            if (!gf_isUsableCallsign(aircraft)) {
                aircraft.callsign = aircraft.registration;
            }
        }
    }
    if (gf_operatorName(aircraft.airlineId).empty()) {
        const auto code = gf_airlineFromCallsign(aircraft.callsign);
        aircraft.airlineId = gf_internOperator(code ? *code : std::string("PVT"));
    }
}

std::size_t lf_activeLiveCount() {
    return static_cast<std::size_t>(std::count_if(g_liveAircraft.begin(), g_liveAircraft.end(),
                                                  [](const auto& a) { return a.simStatus == SimStatus::active; }));
}

} // namespace

bool updateLiveAc(LiveAircraft& aircraft) {
    try {
        switch (aircraft.simStatus) {
        case SimStatus::buffer:
            lf_spawnFromBuffer(aircraft);
            return aircraft.erase != 0 || aircraft.eraseCreationCancelled != 0;
        case SimStatus::adding2sim:
        case SimStatus::liveryrespawn:
        case SimStatus::removingfromsim:
            return aircraft.erase != 0 || aircraft.eraseCreationCancelled != 0;
        case SimStatus::active:
            break;
        }
        if (aircraft.stream.empty()) {
            gf_logError(fmt::format(
                "{} stream empty ? {}, hexid:{}, objectid:{}, alt:{:.0f} ft, lalo:{}, TAS:{:.0f}", "updateLiveAc",
                gf_aircraftText(aircraft), aircraft.trafficId, aircraft.objectId, aircraft.position.altitude,
                fmt::format("{:.6f},{:.6f}", aircraft.position.latitude, aircraft.position.longitude),
                aircraft.position.airspeed));
            removeAircraftFromSim(aircraft);
            return aircraft.erase != 0 || aircraft.eraseCreationCancelled != 0;
        }
        if (gf_stepReached(g_stepCounter.load(), aircraft.stream.front().dueStep)) {
            nextPosMain(aircraft);
            if (!aircraft.stream.empty()) {
                aircraft.position.verticalSpeed = aircraft.targetVs / 60.0;
                aircraft.position.airspeed = aircraft.stream.front().stationary ? 0.0 : aircraft.targetTas;
            }
        }
        if (aircraft.simStatus == SimStatus::active && !aircraft.stream.empty() &&
            !aircraft.stream.front().stationary) {
            lf_followCurve(aircraft);
        }
        if (aircraft.objectId != 0) {
            gf_queuePosition(aircraft.objectId, aircraft.position);
        } else if (aircraft.simStatus == SimStatus::active) {
            gf_logError(fmt::format("{} objectid=0? hexid: {},cs:{}, reg:{}, aimo:{} sz:{}", "updateLiveAc",
                                    aircraft.trafficId, aircraft.callsign, aircraft.registration,
                                    gf_airlineTypeLabel(aircraft), aircraft.stream.size()));
            removeAircraftFromSim(aircraft);
        }
    } catch (const std::exception& e) {
        gf_logEngineError(fmt::format("{}: {} {}, sz:{}, fs:{}, st:{}", "updateLiveAc", e.what(),
                                      gf_aircraftText(aircraft), aircraft.stream.size(),
                                      gf_flightPhaseName(aircraft.phase), gf_simStatusName(aircraft.simStatus)));
        return aircraft.erase != 0;
    }
    return aircraft.erase != 0 || aircraft.eraseCreationCancelled != 0;
}

void lf_spawnFromBuffer(LiveAircraft& aircraft) {
    auto& stream = aircraft.stream;
    if (stream.empty()) {
        return lf_eraseBuffered(aircraft);
    }
    const StreamPoint& front = stream.front();
    const std::int32_t lead = (!front.airborne && front.groundSpeed != 0.0) ? 300 : 100;
    if (!gf_stepReached(g_stepCounter.load(), front.dueStep - lead)) {
        return;
    }
    if (stream.size() == 1) {
        if (front.airborne || front.groundSpeed != 0.0) {
            return lf_eraseBuffered(aircraft);
        }
        // A standing aircraft: real feeds report parked aircraft every 30-120 s or pause for minutes, so its next
        // report may come after this decision (and every record would start anew). It is judged as if the feed
        // had reported it standing twice: on a stand it is created there; off any stand it goes as before.
        StreamPoint again = front;
        again.stationary = true;
        again.dueStep = front.dueStep + 1;
        stream.push_back(again);
        lf_spawnFromBuffer(aircraft);
        if (aircraft.simStatus == SimStatus::buffer) {
            lf_eraseBuffered(aircraft);
        }
        return;
    }
    if (!aircraft.callsign.empty() && aircraft.callsign.back() == '_' &&
        std::find(g_ghostCallsigns.begin(), g_ghostCallsigns.end(), aircraft.callsign) != g_ghostCallsigns.end()) {
        return lf_eraseBuffered(aircraft);
    }
    const bool anyAir = std::any_of(stream.begin(), stream.end(), [](const auto& p) { return p.airborne; });
    const bool anyGround = std::any_of(stream.begin(), stream.end(), [](const auto& p) { return !p.airborne; });
    if (anyAir && anyGround) {
        stream.pop_front();
        return;
    }
    if (lf_dropNearUser(aircraft)) {
        return;
    }
    if (aircraft.erase != 0) {
        return;
    }
    if (g_liveCreationQueue.size() > 10 && aircraft.phase == FlightPhase::birth) {
        stream.pop_front();
        return;
    }
    const auto maxLive = static_cast<std::size_t>(std::max(0, MAX_LIVE_SEL.value()));
    if (maxLive == 0) {
        return lf_eraseBuffered(aircraft);
    }
    if (g_spawnRequests.size() + lf_activeLiveCount() + g_liveCreationQueue.size() >= maxLive) {
        const UserAircraftState user = g_userAircraft.get();
        const double d =
            gf_distanceNm(user.block.latitude, user.block.longitude, stream.front().latitude, stream.front().longitude);
        if (gf_removeFarthestLive(d)) {
            return lf_eraseBuffered(aircraft);
        }
    }
    const std::string blocked = BLOCK_CALLSIGN.value();
    if (!blocked.empty() && blocked == aircraft.callsign) {
        return lf_eraseBuffered(aircraft);
    }
    lf_refreshIdentity(aircraft);
    if (gf_isUsableCallsign(aircraft)) {
        if (g_noLiveryKeys.contains(gf_matchingKey(aircraft))) {
            return lf_eraseBuffered(aircraft);
        }
        if (aircraft.callsign.back() == '_' && lf_isGhostCallsign(aircraft.callsign)) {
            return lf_eraseBuffered(aircraft);
        }
    }
    spawnLiveAc(aircraft);
}

void spawnLiveAc(LiveAircraft& aircraft) {
    auto& stream = aircraft.stream;
    if (stream.size() < 2) {
        gf_log(fmt::format("{} sz:{}", "spawnLiveAc", stream.size()));
        return;
    }
    if (stream[1].stationary) {
        stream[0].stationary = true;
        stream[0].groundSpeed = 0.0;
        stream[1].groundSpeed = 0.0;
        if (stream.size() > 2 && stream[2].stationary) {
            stream[2].groundSpeed = 0.0;
        }
    } else {
        stream[0].stationary = false;
    }
    if (aircraft.phase == FlightPhase::birth) {
        if (aircraft.liveryTitle.empty()) {
            if (const auto title = gf_liveryTitleForId(aircraft.trafficId)) {
                aircraft.liveryTitle = *title;
            } else {
                gf_matchLiveryForLive(aircraft);
                if (!aircraft.liveryTitle.empty()) {
                    gf_rememberLiveryTitle(aircraft.trafficId, aircraft.liveryTitle);
                }
            }
        }
        if (aircraft.liveryTitle.empty()) {
            if (!aircraft.registration.empty()) {
                g_noLiveryKeys.insert(gf_matchingKey(aircraft));
            }
            aircraft.erase = 1;
            return;
        }
        if (stream.front().airborne) {
            gf_setPhase(aircraft, FlightPhase::flying);
        } else if (const auto stand = lf_standAtSpawn(aircraft)) {
            if (aircraft.erase != 0) {
                return;
            }
            gf_takeStand(aircraft, *stand);
            gf_setPhase(aircraft, FlightPhase::parked);
            aircraft.standContact = gf_engineNow();
            aircraft.movesAway = 0;
            aircraft.standRefDistance = aircraft.standLastDistance = -1.0; // not measured yet
            lf_clearStandCargo(aircraft);
            lf_departureStartFromBuffer(aircraft);
            while (stream.size() > 1) {
                stream.pop_back();
            }
            StreamPoint& f = stream.front();
            f.latitude = stand->latitude;
            f.longitude = stand->longitude;
            f.track = stand->heading * g_radToDeg;
            lf_addRealStandOption(stand->sid, aircraft, 1);
            gf_enforceMaxPark(1);
        } else if (aircraft.erase != 0) {
            return;
        } else if (stream[1].stationary) {
            stream.pop_front();
            return;
        } else {
            gf_setPhase(aircraft, FlightPhase::taxi);
        }
    }
    if (aircraft.erase != 0) {
        return;
    }
    lf_initialPosition(aircraft);
    aircraft.simStatus = SimStatus::adding2sim;
    g_spawnRequests.push_back(aircraft.trafficId);
    if (!aircraft.callsign.empty() && aircraft.callsign.back() != '_') {
        lf_removeGhost(aircraft.callsign);
    }
}

bool lf_nearUserAirConflict(LiveAircraft& aircraft, bool wide) {
    const UserAircraftState user = g_userAircraft.get();
    const double maxDistance = wide ? 6.0 : 4.0;
    const double maxAltitude = wide ? 3000.0 : 1000.0;
    const double maxSide = wide ? 4000.0 : 700.0;
    const Position userPos{user.block.latitude, user.block.longitude};
    const Position own{aircraft.position.latitude, aircraft.position.longitude};
    const double distance = gf_distanceNm(userPos, own);
    if (distance > maxDistance || std::abs(aircraft.position.altitude - user.block.altitude) >= maxAltitude) {
        return false;
    }
    const double angle = gf_normalisePi(aircraft.position.heading - gf_bearing(userPos, own));
    const double d = distance * g_feetPerNm;
    if (!(std::cos(angle) * d > 0.0) || std::abs(std::sin(angle)) * d > maxSide) {
        return false;
    }
    gf_removeLiveWithLine(aircraft, "in conflict with the user aircraft in the air");
    return true;
}

bool lf_dropNearUser(LiveAircraft& aircraft) {
    const UserAircraftState user = g_userAircraft.get();
    auto& stream = aircraft.stream;
    const StreamPoint& front = stream.front();
    if (user.onGround != 0) {
        const double distanceNm =
            gf_distanceNm(user.block.latitude, user.block.longitude, front.latitude, front.longitude);
        if (aircraft.droppedNearUser) {
            if (user.block.groundSpeed > 8.0) {
                stream.pop_front();
                return true;
            }
            if (!front.airborne && !(front.groundSpeed <= 8.0 && distanceNm * g_nmToMetres >= 500.0)) {
                stream.pop_front();
                return true;
            }
        }
        if (COLLISION_USER_GND.value() && !front.airborne && distanceNm <= 0.08099352051835854) {
            stream.pop_front();
            return true;
        }
        return false;
    }
    if (!COLLISION_USER_AIR.value()) {
        return false;
    }
    if (aircraft.droppedNearUser) {
        stream.pop_front();
        return true;
    }
    aircraft.position.latitude = front.latitude;
    aircraft.position.longitude = front.longitude;
    aircraft.position.altitude = front.altitude;
    if (!lf_nearUserAirConflict(aircraft, true)) {
        return false;
    }
    aircraft.droppedNearUser = true;
    stream.pop_front();
    return true;
}

std::optional<Stand> lf_standAtSpawn(LiveAircraft& aircraft) {
    if (g_stands.empty() || g_parkAirport.icao.empty()) {
        return std::nullopt;
    }
    auto& stream = aircraft.stream;
    StreamPoint& front = stream.front();
    if (gf_distanceNm(front.latitude, front.longitude, g_parkAirport.latitude, g_parkAirport.longitude) > 5.0) {
        return std::nullopt;
    }
    double lat = front.latitude;
    double lon = front.longitude;
    if (!front.stationary) {
        const StreamPoint& last = stream.back();
        if (stream[1].groundSpeed > 5.0 ||
            gf_distanceNm(front.latitude, front.longitude, last.latitude, last.longitude) > 0.018898488120950324) {
            return std::nullopt;
        }
        lat = last.latitude;
        lon = last.longitude;
    }
    Stand* stand = lf_findFreeStand(lat, lon, aircraft, 0.029697624190064796, front.stationary);
    if (stand == nullptr) {
        return std::nullopt;
    }
    if (stand->id == gf_reservedStandName() || stand->id == gf_standNameAt(g_userAircraft.get())) {
        return std::nullopt;
    }
    if (!lf_standConflictAtSpawn(stand->sid, aircraft)) {
        aircraft.erase = 1;
        return std::nullopt;
    }
    for (const std::int32_t adjacent : stand->adjacent) {
        if (!lf_adjacentFree(adjacent, aircraft, *stand)) {
            return std::nullopt;
        }
    }
    lf_staticMakesWay(aircraft, *stand);
    front.stationary = true;
    front.groundSpeed = 0.0;
    return *stand;
}

void lf_initialPosition(LiveAircraft& aircraft) {
    g_standMatchIds.push_back(aircraft.trafficId);
    const auto& stream = aircraft.stream;
    const StreamPoint& front = stream.front();
    AiPositionBlock& p = aircraft.position;
    p.latitude = front.latitude;
    p.longitude = front.longitude;
    p.altitude = front.altitude;
    p.airspeed = front.trueAirspeed;
    p.verticalSpeed = front.verticalSpeed;
    if (!front.airborne) {
        p.pitch = 0.010471975511965976;
    } else {
        const double v = front.verticalSpeed > 0.0 ? std::min(front.verticalSpeed, 2400.0)
                                                   : std::max(front.verticalSpeed, -3000.0) * 0.5;
        p.pitch = -0.05235987755982989 - v / 600.0 * 2.2 * g_degToRad;
    }
    p.bank = front.bank.value_or(0.0);
    double heading = 0.0;
    if (aircraft.useRespawnHeading) {
        heading = aircraft.respawnHeading;
    } else if (aircraft.phase == FlightPhase::parked) {
        heading = aircraft.standHeading;
    } else if (stream.size() > 1 && !stream[1].stationary) {
        heading =
            gf_bearing(Position{front.latitude, front.longitude}, Position{stream[1].latitude, stream[1].longitude});
    } else {
        heading = front.track * g_degToRad;
    }
    heading = gf_normaliseTwoPi(heading);
    if (heading > 6.283185307178586) {
        heading = 0.0;
    }
    p.heading = heading;
    // Turning starts with the first leg; a rate of the whole heading would spin the aircraft until then.
    aircraft.headingRate = 0.0;
    aircraft.droppedNearUser = false;
}

} // namespace skf
