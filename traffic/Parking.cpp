// Taxi to a stand, parking, the stand watch while parked, pull-out and push-back, and the conflicts between
// aircraft on one stand or on neighbouring stands. Engine thread.
#include <algorithm>
#include <cmath>
#include <limits>

#include <fmt/format.h>

#include "core/Geometry.h"
#include "core/Log.h"
#include "core/Random.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "data/DbaseLookups.h"
#include "data/apf/Stand.h"
#include "sim/UserAircraft.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineServices.h"
#include "traffic/StandsInternal.h"

namespace skf {

namespace {

// Real feeds report an arrival's stop 5-20 m short of the stand point, and a stop report that repeats the last
// position within 0.00015 degrees becomes a copy of the last moving report, up to about 17 m farther back. An
// arrival (landed, not yet parked) that stops this much beyond its own radius from a free stand still parks
// on it: its narrow search reaches at least the usual 20 m and at most the wide search's 55 m. Other aircraft
// keep the 20 m (a departure waiting on the taxilane beside a stand does not park on it).
constexpr double kStopReachToleranceNm = 25.0 / g_nmToMetres;
constexpr double kNarrowSearchNm = 0.010799136069114472; // 20 m
constexpr double kWideSearchNm = 0.029697624190064796;   // 55 m

// A standing aircraft's reported position jitters by 10-25 m from report to report while its ground speed
// stays 0 (or now and then a little more): only steady movement counts as a move away from the stand, a
// report at least this fast after one at least this fast, whose step away from the stand its speed explains
// over the pause since the report before (with half again the speed and this much slack for coarse
// positions). A departure that the feed reports without speed still leaves once it is beyond the stand area.
constexpr double kStandMoveMinSpeedKn = 1.0;
constexpr double kStandMoveSlackMetres = 10.0;

// A report without speed this close (m) to the stand shows the aircraft still standing there: whatever moved
// before was jitter, not the start of its departure.
constexpr double kStandingJitterMetres = 25.0;

void lf_noteDepartureStart(LiveAircraft& a, const StreamPoint& p) {
    if (std::isnan(a.departureStartLat)) {
        a.departureStartLat = p.latitude;
        a.departureStartLon = p.longitude;
    }
}

void lf_forgetDepartureStart(LiveAircraft& a) {
    a.departureStartLat = a.departureStartLon = std::numeric_limits<double>::quiet_NaN();
}

bool lf_speedExplainsStep(const LiveAircraft& a, const StreamPoint& p, double stepNm) {
    if (p.groundSpeed < kStandMoveMinSpeedKn || a.lastReportSpeed < kStandMoveMinSpeedKn) {
        return false;
    }
    const double explainedMetres = p.groundSpeed * 1.5 * g_nmToMetres / 3600.0 * std::max(a.reportPause, 0.0);
    return stepNm * g_nmToMetres <= explainedMetres + kStandMoveSlackMetres;
}

std::int32_t lf_nowPlus(std::int32_t steps) {
    return static_cast<std::int32_t>(g_stepCounter.load() + static_cast<std::uint32_t>(steps));
}

std::int32_t lf_legSteps(double distanceNm, double speedKn) {
    return static_cast<std::int32_t>(std::lround(distanceNm / std::max(speedKn, 0.1) * 360000.0));
}

bool lf_holdsStand(const LiveAircraft& a) {
    return a.simStatus == SimStatus::active &&
           (a.phase == FlightPhase::parked || a.phase == FlightPhase::pushing_back ||
            a.phase == FlightPhase::pushed_back);
}

std::string_view lf_withoutLast(std::string_view s) {
    return s.empty() ? s : s.substr(0, s.size() - 1);
}

void lf_cutToFront(LiveAircraft& a) {
    while (a.stream.size() > 1) {
        a.stream.pop_back();
    }
}

void lf_leaveLights(const LiveAircraft& a) {
    gf_setLights(a.objectId, 1, 1, 0, 1, 0, 1, 0);
}

} // namespace

void gf_shutDownAtStand(ParkedAircraft& aircraft) {
    gf_setThrottle(aircraft, 0);
    gf_setFlaps(aircraft, 0);
    gf_engineAutoShutdown(aircraft.objectId);
    std::uint32_t cabin = aircraft.standCargo != 0 ? 0 : 1;
    if (cabin != 0 && gf_randomOn()) {
        cabin = std::uniform_int_distribution<int>(0, 9)(gf_randomEngine()) < 9 ? 1 : 0;
    }
    gf_setLights(aircraft.objectId, NAV_LIGHTS_WHILE_PARKED.value() ? 1 : 0, 0, 0, 0, 0, 1, cabin);
}

// The stand's cargo mark is proved wrong by a passenger aircraft that parks on it: one whose registration the
// database knows without the cargo mark (an unknown registration proves nothing). The aircraft's own copy of
// the mark, taken from the same stand when it started to park, cannot tell this.
void lf_clearStandCargo(LiveAircraft& a) {
    Stand* stand = gf_findStand(a.standId);
    if (stand == nullptr || !stand->cargo) {
        return;
    }
    const auto info = gf_lookupRegistration(gf_callsignWithoutUniqueMark(a.registration));
    if (!info || info->cargo) {
        return;
    }
    stand->cargo = false;
    stand->cargoChanged = true;
    a.standCargo = 0;
    const std::uint32_t updates = g_learnedUpdates.fetch_add(1) + 1;
    g_mainWindow.learnedUpdates = updates;
    gf_markChanged(BAND_PARK);
}

void try2Park(LiveAircraft& a, bool wide) {
    auto& s = a.stream;
    if (s.empty()) {
        gf_logError(fmt::format("{} empty sz?", "try2Park"));
        return;
    }
    const StreamPoint& last = s.back();
    if (gf_samePosition(last.latitude, last.longitude, a.lastParkTryLat, a.lastParkTryLon)) {
        return;
    }
    a.lastParkTryLat = last.latitude;
    a.lastParkTryLon = last.longitude;
    const double reach = a.landed ? std::clamp(a.halfWingspanNm + kStopReachToleranceNm, kNarrowSearchNm, kWideSearchNm)
                                  : kNarrowSearchNm;
    Stand* stand = lf_findFreeStand(last.latitude, last.longitude, a, wide ? kWideSearchNm : reach, wide);
    if (stand == nullptr) {
        return;
    }
    if (stand->id == gf_reservedStandName() || stand->id == gf_standNameAt(g_userAircraft.get())) {
        return;
    }
    for (auto& other : g_liveAircraft) {
        if (&other != &a && other.standId == stand->sid && other.phase == FlightPhase::parked &&
            other.simStatus == SimStatus::active) {
            gf_log(fmt::format("{:8}: {:8} removed, {} wants to park there", stand->id, other.callsign, a.callsign));
            removeAircraftFromSim(other);
        }
    }
    for (const std::int32_t adjacent : stand->adjacent) {
        lf_clearAdjacent(adjacent, a, *stand);
    }
    lf_staticMakesWay(a, *stand);
    // The stand is taken from now on: a second arrival must not be sent to it.
    gf_takeStand(a, *stand);
    // The stand watch measures from this stand now: the first report of the drive sets its reference. A
    // reference left from an earlier stand (or 0) would turn that report into a move away from a stand never
    // reached.
    a.standRefDistance = a.standLastDistance = -1.0;
    a.movesAway = 0;
    a.leaving = false;
    lf_forgetDepartureStart(a);
    a.holding = false; // the stop is over: it drives onto the stand
    lf_cutToFront(a);
    gf_setPhase(a, FlightPhase::parking);
    drive2Stand(a, stand->latitude, stand->longitude, stand->heading);
}

void drive2Stand(LiveAircraft& a, double latitude, double longitude, double heading) {
    auto& s = a.stream;
    if (s.empty()) {
        gf_logError(fmt::format("{} empty sz?", "drive2Stand"));
        return;
    }
    StreamPoint& last = s.back();
    const double distance = gf_distanceNm(last.latitude, last.longitude, latitude, longitude);
    const std::int32_t steps = std::max(lf_legSteps(distance, a.taxiSpeed), 100);
    last.groundSpeed = a.taxiSpeed;
    StreamPoint stand = last;
    stand.latitude = latitude;
    stand.longitude = longitude;
    stand.groundSpeed = stand.trueAirspeed = a.taxiSpeed;
    stand.track = heading * g_radToDeg;
    stand.dueStep = s.front().dueStep + steps;
    stand.airborne = false;
    stand.stationary = gf_samePosition(last.latitude, last.longitude, latitude, longitude);
    stand.bank = a.position.bank;
    StreamPoint stop = stand;
    stop.groundSpeed = stop.trueAirspeed = 0.0;
    stop.stationary = true;
    stop.dueStep = stand.dueStep + 50;
    s.push_back(stand);
    s.push_back(stop);
    a.targetHeading = heading;
    if (a.extrapolationCount > 0) {
        a.extrapolationCount = 0;
        lf_endExtrapolationLimits(a);
    }
}

void lf_arriveAtStand(LiveAircraft& a) {
    Stand* stand = gf_findStand(a.standId);
    if (stand != nullptr) {
        for (const auto& other : g_liveAircraft) {
            if (&other != &a && other.standId == a.standId && other.phase == FlightPhase::parked &&
                other.simStatus == SimStatus::active) {
                a.extrapolationCount = 1;
                removeAircraftFromSim(a);
                gf_setStandOccupied(stand->sid, true); // the other aircraft still stands there
                return;
            }
        }
    }
    if (stand == nullptr || gf_distanceNm(a.position.latitude, a.position.longitude, stand->latitude,
                                          stand->longitude) > 0.0010799136069114472) {
        gf_setStandOccupied(a.standId, false);
        gf_setPhase(a, FlightPhase::taxi);
        return;
    }
    gf_setPhase(a, FlightPhase::parked);
    a.parkTime = gf_parkTimeNow();
    if (a.towed) {
        gf_log(fmt::format("          towed aircraft {} parks", a.callsign));
    }
    if (!a.stream.empty()) {
        a.stream.front().stationary = true;
    }
    a.standContact = gf_engineNow();
    a.standRefDistance = a.standLastDistance = -1.0; // not measured yet
    a.movesAway = 0;
    lf_forgetDepartureStart(a);
    lf_clearStandCargo(a);
    gf_shutDownAtStand(a);
    gf_log(fmt::format("{:8}: {:8} arrived at stand", stand->id, a.callsign));
    g_standMatchIds.push_back(a.trafficId);
    lf_addRealStandOption(stand->sid, a, 0);
    gf_enforceMaxPark(0);
}

bool lf_standWatch(LiveAircraft& a, StreamPoint& p) {
    a.standArea = true;
    const double d = gf_distanceNm(p.latitude, p.longitude, a.standLat, a.standLon);
    const double near = a.previousPhase == FlightPhase::parking ? 2.0 * 0.0458963282937365 : 0.0458963282937365;
    if (d <= near) {
        a.standContact = gf_engineNow();
        if (p.groundSpeed < kStandMoveMinSpeedKn && d * g_nmToMetres <= kStandingJitterMetres) {
            lf_forgetDepartureStart(a);
        }
        if (a.standRefDistance < 0.0) {
            a.standRefDistance = a.standLastDistance = d;
            a.movesAway = 0;
            a.leaving = false;
            return false;
        }
        if (!lf_speedExplainsStep(a, p, d - a.standLastDistance)) {
            return false; // jitter of a standing aircraft
        }
        if (d >= a.standLastDistance + 0.0016198704103671706) {
            ++a.movesAway;
            lf_noteDepartureStart(a, p);
            a.standLastDistance = d;
            const double away = d - a.standRefDistance;
            if ((a.movesAway >= 3 && away >= a.halfWingspanNm / 2.0) || away > a.halfWingspanNm) {
                lf_leaveStand(a, p);
                return true;
            }
            a.leaving = false;
            return false;
        }
        if (d <= a.standLastDistance - 0.0016198704103671706) {
            a.movesAway = 0;
            a.standLastDistance = d;
        }
        return false;
    }
    if (a.phase == FlightPhase::parking) {
        gf_setStandOccupied(a.standId, false);
        gf_setPhase(a, FlightPhase::taxi);
        p.stationary = false;
        return true;
    }
    if (d > 0.10799136069114472) {
        lf_addRealStandOption(a.standId, a, 3);
        removeAircraftFromSim(a);
        return false;
    }
    lf_leaveStand(a, p);
    return true;
}

void lf_departureStartFromBuffer(LiveAircraft& a) {
    lf_forgetDepartureStart(a);
    for (std::size_t i = 1; i < a.stream.size(); ++i) {
        const StreamPoint& p = a.stream[i];
        // Reports within about 17 m of the one before were made stationary copies on intake; one that moved
        // farther with speed is the departure's start (a later report at the stand without speed forgets it).
        if (!p.stationary && p.groundSpeed >= kStandMoveMinSpeedKn) {
            lf_noteDepartureStart(a, p);
            return;
        }
    }
}

void lf_leaveStand(LiveAircraft& a, StreamPoint& p) {
    p.stationary = false;
    a.leaving = true;
    if (a.previousPhase != FlightPhase::parked) {
        if (a.extrapolationCount > 0 && a.phase == FlightPhase::parked && a.landed) {
            const double stood = std::chrono::duration<double>(gf_engineNow() - a.standContact).count();
            double limit = 0.0;
            if (a.category == SizeCategory::Heavy) {
                limit = 3600.0;
            } else if (a.category == SizeCategory::Large) {
                limit = 1500.0;
            } else if (a.category == SizeCategory::Buzjets) {
                limit = 900.0;
            }
            a.towed = stood < limit;
        }
        a.landed = false;
        if (!a.stream.empty()) {
            a.stream.front().dueStep = lf_nowPlus(1);
        }
        a.extrapolationCount = 0;
        lf_endExtrapolationLimits(a);
        lf_addRealStandOption(a.standId, a, 2);
        gf_setStandOccupied(a.standId, false);
        gf_setPhase(a, FlightPhase::parked);
    }
}

void lf_pullOut(LiveAircraft& a) {
    a.leaving = false;
    a.extrapolationCount = 0;
    const Position target =
        gf_destinationPoint(Position{a.standLat, a.standLon}, a.standHeading, 2.0 * a.halfWingspanNm * g_feetPerNm);
    auto& s = a.stream;
    s.front().groundSpeed = a.taxiSpeed;
    lf_cutToFront(a);
    StreamPoint p = s.front();
    p.latitude = target.latitude;
    p.longitude = target.longitude;
    p.stationary = false;
    const double distance = gf_distanceNm(s.front().latitude, s.front().longitude, p.latitude, p.longitude);
    p.dueStep = lf_nowPlus(lf_legSteps(distance, a.taxiSpeed));
    s.push_back(p);
    gf_setPhase(a, FlightPhase::taxi);
    a.targetHeading = a.position.heading;
    lf_leaveLights(a);
    gf_engineAutoStart(a.objectId);
    gf_setThrottle(a, 0);
    gf_setFlaps(a, 1);
    gf_log(fmt::format("{:8}: {:8} pulling out", gf_standName(a.standId), a.callsign));
}

void lf_pushBack(LiveAircraft& a) {
    a.extrapolationCount = 0;
    const double back = gf_normaliseTwoPi(a.standHeading + g_pi);
    const Stand* stand = gf_findStand(a.standId);
    if (stand == nullptr) {
        return;
    }
    auto& s = a.stream;
    const Position from{a.position.latitude, a.position.longitude};
    const Position pointA = gf_destinationPoint(from, back, 2.5 * stand->radius * g_feetPerNm);
    s.front().groundSpeed = a.taxiSpeed;
    a.targetHeading = a.position.heading;
    lf_cutToFront(a);
    StreamPoint pa = s.front();
    pa.latitude = pointA.latitude;
    pa.longitude = pointA.longitude;
    pa.stationary = false;
    const double firstLeg = gf_distanceNm(from, pointA);
    const std::int32_t firstSteps = lf_legSteps(firstLeg, a.taxiSpeed);
    pa.dueStep = lf_nowPlus(firstSteps);
    s.push_back(pa);
    lf_insertMidpoint(a);
    const double side = a.halfWingspanNm * g_feetPerNm;
    const Position plus = gf_destinationPoint(pointA, gf_normaliseTwoPi(back + g_pi / 2.0), side);
    const Position minus = gf_destinationPoint(pointA, gf_normaliseTwoPi(back - g_pi / 2.0), side);
    const std::int32_t endDue = pa.dueStep + firstSteps / 2 + lf_legSteps(a.halfWingspanNm, a.taxiSpeed);
    StreamPoint end = pa;
    end.latitude = plus.latitude;
    end.longitude = plus.longitude;
    end.dueStep = endDue;
    a.pushBackAltEnd = end;
    end.latitude = minus.latitude;
    end.longitude = minus.longitude;
    s.push_back(end);
    lf_leaveLights(a);
    gf_setPhase(a, FlightPhase::pushing_back);
    a.pushBackCountdown = 2;
}

bool lf_standConflictAtSpawn(std::int32_t standId, LiveAircraft& newcomer) {
    for (auto& holder : g_liveAircraft) {
        if (&holder == &newcomer || holder.standId != standId || !lf_holdsStand(holder)) {
            continue;
        }
        const std::string name = gf_standName(standId);
        const std::string_view mine = newcomer.callsign;
        const std::string_view theirs = holder.callsign;
        if (mine == theirs) {
            gf_log(
                fmt::format("{:8}: {:8} ac with same callsign {} wants it, remove existing ... ", name, theirs, mine));
            removeAircraftFromSim(holder);
            return true;
        }
        if (lf_withoutLast(mine) == theirs) {
            return false;
        }
        if (lf_withoutLast(theirs) == mine) {
            gf_log(fmt::format("{:8}: {:8} ghost, replace by {}", name, theirs, mine));
            removeAircraftFromSim(holder);
            return true;
        }
        const bool holderGhost = !theirs.empty() && theirs.back() == '_';
        const bool newcomerGhost = !mine.empty() && mine.back() == '_';
        if (holderGhost && !newcomerGhost) {
            gf_log(fmt::format("{:8}: {:8} ghost, replace by {}", name, theirs, mine));
            removeAircraftFromSim(holder);
            return true;
        }
        if (!holderGhost && newcomerGhost) {
            return false;
        }
        if (holder.standArea) {
            return false;
        }
        gf_log(fmt::format("{:8}: {:8} removed because another live {} wants the stand ...", name, theirs, mine));
        removeAircraftFromSim(holder);
        return true;
    }
    return true;
}

namespace {

LiveAircraft* lf_conflictOnAdjacent(std::int32_t adjacentId, const LiveAircraft& aircraft, const Stand& stand) {
    const Stand* adjacent = gf_findStand(adjacentId);
    if (adjacent == nullptr) {
        return nullptr;
    }
    const double gap = gf_distanceNm(adjacent->latitude, adjacent->longitude, stand.latitude, stand.longitude);
    for (auto& other : g_liveAircraft) {
        if (other.standId != adjacentId || other.callsign == aircraft.callsign ||
            other.simStatus != SimStatus::active ||
            (other.phase != FlightPhase::parked && other.phase != FlightPhase::pushing_back)) {
            continue;
        }
        if ((other.halfWingspanNm + aircraft.halfWingspanNm) * 1.1 >= gap) {
            return &other;
        }
    }
    return nullptr;
}

} // namespace

bool lf_adjacentFree(std::int32_t adjacentId, const LiveAircraft& aircraft, const Stand& stand) {
    return lf_conflictOnAdjacent(adjacentId, aircraft, stand) == nullptr;
}

void lf_clearAdjacent(std::int32_t adjacentId, const LiveAircraft& aircraft, const Stand& stand) {
    if (LiveAircraft* other = lf_conflictOnAdjacent(adjacentId, aircraft, stand)) {
        gf_log(fmt::format("{:8}: {:8} removed by parking {} at adjacent and possibly colliding stand {}",
                           gf_standName(adjacentId), other->callsign, aircraft.callsign, stand.id));
        removeAircraftFromSim(*other);
    }
}

void lf_staticMakesWay(const LiveAircraft& aircraft, const Stand& stand) {
    for (auto& stat : g_parkedAircraft) {
        if (stat.standId != stand.sid) {
            continue;
        }
        const bool same = stat.firstCallsign == aircraft.callsign || stat.callsign == aircraft.callsign ||
                          (!stat.registration.empty() && stat.registration == aircraft.registration);
        const char* sameText = same ? " the same live version" : "";
        if (stat.simStatus == SimStatus::active) {
            gf_log(fmt::format("{:8}: {:8} {} makes way for{} {} {}", stand.id, stat.callsign, stat.registration,
                               sameText, aircraft.callsign, aircraft.registration));
            removeAircraftFromSim(stat);
        } else if (stat.simStatus == SimStatus::adding2sim) {
            if (gf_removePendingCreation(g_staticCreationQueue, stat.trafficId)) {
                stat.eraseCreationCancelled = 1;
                gf_log(fmt::format("queued {:8}: {:8} {} makes way for{} {} {}", stand.id, stat.callsign,
                                   stat.registration, sameText, aircraft.callsign, aircraft.registration));
            } else {
                stat.removeWhenAdded = 1;
            }
        }
    }
    std::erase_if(g_parkedAircraft, [](const ParkedAircraft& p) { return p.eraseCreationCancelled != 0; });
    for (const std::int32_t adjacentId : stand.adjacent) {
        const Stand* adjacent = gf_findStand(adjacentId);
        if (adjacent == nullptr) {
            continue;
        }
        const double gap = gf_distanceNm(adjacent->latitude, adjacent->longitude, stand.latitude, stand.longitude);
        for (auto& stat : g_parkedAircraft) {
            if (stat.standId != adjacentId || stat.simStatus != SimStatus::active) {
                continue;
            }
            if ((stat.halfWingspanNm + aircraft.halfWingspanNm) * 1.1 >= gap) {
                gf_log(fmt::format("{:8}: {:8} makes way for {} parking at excluded stand {}", adjacent->id,
                                   stat.callsign, aircraft.callsign, stand.id));
                removeAircraftFromSim(stat);
            }
            break; // the first active static aircraft on it
        }
    }
}

} // namespace skf
