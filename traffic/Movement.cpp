// Movement along the stream: accepting new points, timing them, the next position when a point falls due,
// the end of the stream (holding and extrapolation) and the air step. Engine thread.
#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "core/Geometry.h"
#include "core/Log.h"
#include "core/settings/Catalogue.h"
#include "data/apf/ParkApf.h"
#include "data/apf/Stand.h"
#include "feed/FeedServices.h"
#include "sim/UserAircraft.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineServices.h"

namespace skf {

namespace {

std::uint32_t lf_now() {
    return g_stepCounter.load();
}

std::int32_t lf_nowPlus(std::int32_t steps) {
    return static_cast<std::int32_t>(lf_now() + static_cast<std::uint32_t>(steps));
}

// Due steps compared wrap-safe: the later of a and b.
std::int32_t lf_laterStep(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(b) - static_cast<std::uint32_t>(a)) > 0 ? b : a;
}

double lf_maxPitchRate(SizeCategory c) {
    static const CategoryTable<double> table{{0, 0.00017453292519943296}, {1, 0.000148352986419518},
                                             {2, 0.00013089969389957473}, {3, 8.726646259971648e-05},
                                             {4, 0.0005235987755982989},  {5, 0.0005235987755982989}};
    return table.at(c);
}

double lf_maxBank(SizeCategory c) {
    static const CategoryTable<double> table{{0, 0.6981317007977318}, {1, 0.6108652381980153}, {2, 0.5235987755982988},
                                             {3, 0.3490658503988659}, {4, 1.5707963267948966}, {5, 1.3089969389957472}};
    return table.at(c);
}

double lf_maxBankRate(SizeCategory c) {
    static const CategoryTable<double> table{{0, 0.0006108652381980154},  {1, 0.0004799655442984406},
                                             {2, 0.00034906585039886593}, {3, 0.00026179938779914946},
                                             {4, 0.0017453292519943294},  {5, 0.0010471975511965978}};
    return table.at(c);
}

double lf_targetPitch(double verticalSpeed) {
    const double v = verticalSpeed > 0.0 ? std::min(verticalSpeed, 2400.0) : std::max(verticalSpeed, -3000.0) * 0.5;
    return -0.05235987755982989 - v / 600.0 * 2.2 * g_degToRad;
}

double lf_parkElevation() {
    return g_parkAirport.icao.empty() ? 0.0 : static_cast<double>(g_parkAirport.altitude);
}

// Real feeds pause for minutes; an aircraft that held meanwhile may come back farther away than the holding
// threshold because it rolled or taxied on during the pause. A jump counts as another aircraft only beyond the
// threshold plus what the pause explains: its last reported ground speed, at least this taxi speed, over the
// pause between the two reports.
constexpr double kPauseTaxiSpeedKn = 15.0;

double lf_holdingReachMetres(const LiveAircraft& a) {
    const double speedKn = std::max(a.lastReportSpeed, kPauseTaxiSpeedKn);
    const double explained = a.onGround ? speedKn * 1852.0 / 3600.0 * std::max(a.reportPause, 0.0) : 0.0;
    return HOLDING_THRESHOLD_METERS.value() + explained;
}

} // namespace

void lf_endExtrapolationLimits(LiveAircraft& a) {
    a.lagLimit = 3000;
    a.leadLimit = a.takeOff ? 5000 : 3000;
}

void lf_shrinkLimits(LiveAircraft& a) {
    if (a.lagLimit > 1000) {
        a.lagLimit = std::max(1000, a.lagLimit - 100);
    }
    if (a.leadLimit > 1000) {
        a.leadLimit = std::max(1000, a.leadLimit - 100);
    }
}

double lf_legSpeed(const StreamPoint& a, const StreamPoint& b, double distanceNm) {
    if (a.groundSpeed == 0.0 && b.groundSpeed == 0.0) {
        std::int32_t diff =
            static_cast<std::int32_t>(static_cast<std::uint32_t>(b.dueStep) - static_cast<std::uint32_t>(a.dueStep));
        if (diff < 26) {
            diff = 25;
        }
        return std::max(distanceNm * 360000.0 / diff, 1.0);
    }
    return (a.groundSpeed + b.groundSpeed) / 2.0;
}

static double lf_descentRate(const LiveAircraft& a, const StreamPoint& front, const StreamPoint& next) {
    if (a.heightAboveGround > 100.0) {
        return std::min((front.verticalSpeed + next.verticalSpeed) / 2.0 - (g_qnh.load() - 1013.25) * 6.0, -601.0);
    }
    return -600.0;
}

bool lf_plausiblePoint(LiveAircraft& a, StreamPoint& p) {
    if (a.stream.empty()) {
        return false;
    }
    const StreamPoint& last = a.stream.back();
    const double dLat = std::abs(p.latitude - last.latitude);
    const double dLon = std::abs(p.longitude - last.longitude);
    const bool identical = dLat < 1e-8 && dLon < 1e-8;
    p.stationary = identical;
    if (a.category == SizeCategory::Rotorcraft) {
        return true;
    }
    const bool inAir = a.simStatus == SimStatus::active && !a.onGround;
    if (identical) {
        if (p.airborne || inAir || (a.takeOff && p.groundSpeed > 0.0 && last.groundSpeed >= 30.0)) {
            return false;
        }
        p.groundSpeed = 0.0;
        return true;
    }
    if (dLat <= 0.00015 && dLon <= 0.00015) {
        if (p.airborne || inAir || (a.takeOff && p.groundSpeed > 0.0 && last.groundSpeed >= 50.0)) {
            return false;
        }
        const std::int32_t due = p.dueStep;
        p = last;
        p.dueStep = due;
        p.groundSpeed = 0.0;
        p.stationary = true;
        return true;
    }
    if (p.groundSpeed != 0.0) {
        return true;
    }
    if (a.takeOff || p.airborne) {
        return last.groundSpeed < 50.0;
    }
    return true;
}

bool checkExtendingSituations(LiveAircraft& a, StreamPoint& p) {
    switch (a.phase) {
    case FlightPhase::pushing_back: {
        if (!STRAIGHT_PBS_ONLY.value() && a.pushBackCountdown == 2) {
            double heading = 0.0;
            if (p.trueHeading) {
                heading = *p.trueHeading;
            } else {
                if (p.track == 0.0) {
                    return false;
                }
                heading = p.track * g_degToRad;
            }
            const double turn = gf_normalisePi(heading - a.position.heading);
            a.pushBackTurnSide = turn > 0.0;
            a.turnSideKnown = true;
        }
        return false;
    }
    case FlightPhase::pushed_back: {
        const double d = gf_distanceNm(a.position.latitude, a.position.longitude, p.latitude, p.longitude);
        const double r = a.halfWingspanNm;
        const bool goes = (d > 2.75 * r && d > a.lastRejectedDistance) || d > 6.0 * r;
        if (!goes) {
            if (!a.holding) {
                a.holding = true;
                a.holdingStart = lf_now();
            }
            a.lastRejectedDistance = d;
            return false;
        }
        p.stationary = false;
        if (a.extrapolationCount > 0) {
            a.extrapolationCount = 0;
            if (!a.stream.empty()) {
                a.stream.front().dueStep = lf_nowPlus(1);
            }
            lf_endExtrapolationLimits(a);
        }
        a.pushBackTurnSide = false;
        a.turnSideKnown = false;
        a.pushBackCountdown = 0;
        gf_setPhase(a, FlightPhase::taxi);
        a.standId = 0;
        a.standLat = a.standLon = a.standHeading = 0.0;
        a.standCargo = 0;
        a.holding = false;
        return true;
    }
    case FlightPhase::parking:
    case FlightPhase::parked:
        if (a.simStatus != SimStatus::active) {
            return false;
        }
        return lf_standWatch(a, p);
    default:
        break;
    }
    if (a.approach || a.landingRoll) {
        return checkNewPosDuringLanding(a, p);
    }
    if (!lf_plausiblePoint(a, p)) {
        return false;
    }
    if (a.extrapolationCount > 0) {
        if (a.stream.empty()) {
            gf_logError(fmt::format("{} empty sz?", "checkExtendingSituations"));
            return false;
        }
        if (!a.onGround) {
            const StreamPoint& last = a.stream.back();
            const double bearing =
                gf_bearing(Position{last.latitude, last.longitude}, Position{p.latitude, p.longitude});
            if (std::abs(gf_normalisePi(bearing - a.position.heading)) > 100.0 * g_degToRad) {
                return false;
            }
        }
        a.extrapolationCount = 0;
        lf_endExtrapolationLimits(a);
        a.stream.front().dueStep = lf_nowPlus(1);
        a.holding = false;
    }
    return true;
}

void decodeExisting(LiveAircraft& a, StreamPoint point) {
    try {
        auto& stream = a.stream;
        if (stream.size() > 200) {
            removeAircraftFromSim(a);
            return;
        }
        if (a.holding && !stream.empty() &&
            gf_distanceNm(stream.front().latitude, stream.front().longitude, point.latitude, point.longitude) *
                    kNmToMetres >
                lf_holdingReachMetres(a)) {
            a.holding = false;
            removeAircraftFromSim(a);
            return;
        }
        if (a.phase == FlightPhase::birth) {
            if (!stream.empty() && lf_plausiblePoint(a, point)) {
                point.dueStep = lf_laterStep(point.dueStep, stream.back().dueStep + 1);
                stream.push_back(point);
            }
            return;
        }
        if (!checkExtendingSituations(a, point)) {
            return;
        }
        if (stream.empty()) {
            stream.push_back(point);
            return;
        }
        if (!point.airborne && stream.back().stationary) {
            const bool allStationary =
                std::all_of(stream.begin(), stream.end(), [](const StreamPoint& p) { return p.stationary; });
            if (point.stationary && allStationary) {
                while (stream.size() > 1) {
                    stream.pop_back();
                }
            } else if (!point.stationary && stream.size() >= 3) {
                // The last moving point before the stop, looking back at most 6 points.
                std::size_t lastMoving = stream.size();
                for (std::size_t k = 0, i = stream.size() - 1; k < 6 && i > 0; ++k) {
                    --i;
                    if (!stream[i].stationary) {
                        lastMoving = i;
                        break;
                    }
                }
                if (lastMoving < stream.size()) {
                    const StreamPoint& moving = stream[lastMoving];
                    const std::int32_t stop = static_cast<std::int32_t>(
                        static_cast<std::uint32_t>(stream.back().dueStep) - static_cast<std::uint32_t>(moving.dueStep));
                    if (stop < 1500 || gf_distanceNm(moving.latitude, moving.longitude, point.latitude,
                                                     point.longitude) <= 0.011879049676025918) {
                        while (stream.size() > lastMoving + 1 && stream.back().stationary) {
                            stream.pop_back();
                        }
                    }
                }
            }
        }
        point.dueStep = lf_laterStep(point.dueStep, stream.back().dueStep + 1);
        if (a.simStatus == SimStatus::active && a.onGround && !a.takeOff) {
            const StreamPoint& last = stream.back();
            if (!a.landingRoll) {
                if ((point.airborne || (point.groundSpeed >= 43.0 && last.groundSpeed >= 43.0)) &&
                    a.phase == FlightPhase::taxi) {
                    lf_takeOffStart(a);
                }
            } else if (last.airborne && point.airborne) {
                lf_goAround(a);
            }
        }
        stream.push_back(point);
        if (stream.size() == 2 && stream[0].stationary && stream[1].stationary) {
            stream[0].dueStep = lf_nowPlus(1);
            stream[0].groundSpeed = stream[1].groundSpeed;
        }
    } catch (const std::exception& e) {
        gf_logEngineError(fmt::format("{} exception {}", "decodeExisting", e.what()));
        throw;
    }
}

void lf_setDueStep(LiveAircraft& a, std::int32_t steps) {
    if (a.stream.size() < 2) {
        return;
    }
    StreamPoint& second = a.stream[1];
    std::int32_t due = lf_nowPlus(steps);
    if (a.extrapolationCount <= 0) {
        const std::int32_t feedDue = second.dueStep;
        const auto offset =
            static_cast<std::int32_t>(static_cast<std::uint32_t>(due) - static_cast<std::uint32_t>(feedDue));
        if (offset > a.leadLimit) {
            due = feedDue + a.leadLimit;
        } else if (offset < -a.lagLimit) {
            due = feedDue - a.lagLimit;
        }
        due = lf_laterStep(due, lf_nowPlus(0));
    }
    second.dueStep = due;
}

static void lf_timeNextAirPos(LiveAircraft& a) {
    const StreamPoint& front = a.stream[0];
    const StreamPoint& second = a.stream[1];
    if (second.stationary) {
        if (a.category == SizeCategory::Rotorcraft) {
            lf_groundTiming(a);
        }
        return;
    }
    const double distance = gf_pointDistanceNm(front, second);
    double speed = 0.0;
    if (a.approach && !second.airborne) {
        speed = front.groundSpeed > 0.0 ? front.groundSpeed : 100.0;
    } else {
        speed = lf_legSpeed(front, second, distance);
    }
    const auto time = static_cast<std::int32_t>(std::lround(distance * 360000.0 / speed));
    lf_setDueStep(a, std::max(time, 25));
}

static void lf_airStep(LiveAircraft& a, std::int32_t steps) {
    auto& stream = a.stream;
    StreamPoint& front = stream[0];
    StreamPoint& next = stream[1];
    if (a.phase != FlightPhase::take_off && a.phase != FlightPhase::flying) {
        gf_setPhase(a, FlightPhase::flying);
    }
    a.targetTas = next.trueAirspeed > 0.0 ? next.trueAirspeed : next.groundSpeed;
    a.targetVs = next.verticalSpeed;
    if (a.flareStage == 0) {
        const double altitude = a.position.altitude;
        if (!front.airborne && next.airborne) {
            a.altRate = lf_takeOffClimbRate(a, steps);
        } else if (!front.airborne && !next.airborne) {
            double sum = 0.0;
            for (const auto& p : stream) {
                sum += p.verticalSpeed;
            }
            bool levelled = false;
            if (!a.approach && sum > 100.0) {
                for (std::size_t i = 3; i <= std::min<std::size_t>(stream.size() - 1, 10) && !levelled; ++i) {
                    levelled = lf_levelOffTo(a, i);
                }
                if (!levelled) {
                    next.verticalSpeed = std::max(next.verticalSpeed, 601.0);
                    a.altRate = next.verticalSpeed / 6000.0;
                }
            } else {
                const double vs = lf_descentRate(a, front, next);
                a.altRate = vs / 6000.0;
                next.verticalSpeed = vs;
            }
            if (!levelled) {
                gf_setGear(a, 1);
            }
        } else if (front.airborne && !next.airborne) {
            if (!g_parkAirport.icao.empty() && g_qnh.load() <= 1013) {
                a.altRate = (lf_parkElevation() - altitude) / steps;
            } else {
                const double vs = g_qnh.load() < 1014 ? -601.0 : lf_descentRate(a, front, next);
                a.altRate = vs / 6000.0;
            }
            gf_setGear(a, 1);
        } else if (!a.approach) {
            double rate = (next.altitude - altitude) / steps;
            if (a.heightAboveGround <= 1000.0 && rate > 0.0 && rate <= 0.2) {
                rate = 0.2;
            }
            a.altRate = std::min(rate, a.maxClimbRate);
        } else if (next.altitude != front.altitude || a.heightAboveGround > 1000.0 ||
                   front.verticalSpeed + next.verticalSpeed > 100.0) {
            a.altRate = (next.altitude - altitude) / steps;
        } else {
            const double vs = lf_descentRate(a, front, next);
            a.altRate = vs / 6000.0;
            next.verticalSpeed = vs;
        }
    }
    if (a.phase != FlightPhase::take_off) {
        const double maxRate = lf_maxPitchRate(a.category);
        a.pitchRate = std::clamp((lf_targetPitch(next.verticalSpeed) - a.position.pitch) / steps, -maxRate, maxRate);
    }
    double change = 0.0;
    const double headingLimit = a.approach ? 2000.0 : 1000.0;
    if (next.bank && next.trueHeading && next.headingSource && a.heightAboveGround < headingLimit) {
        change = gf_normalisePi(*next.trueHeading - a.position.heading);
    } else {
        change = lf_headingChangeAhead(a);
    }
    a.headingRate = change / steps;
    if (next.bank) {
        a.bankRate = (*next.bank - a.position.bank) / steps;
    } else {
        const double maxBank = lf_maxBank(a.category);
        const double target = -std::clamp(change, -maxBank, maxBank);
        const double maxRate = lf_maxBankRate(a.category);
        a.bankRate = std::clamp((target - a.position.bank) / steps, -maxRate, maxRate);
    }
    if (front.altitude < 10000.0) {
        lf_configBelow10000(a);
    } else {
        lf_cruiseConfig(a);
    }
}

static bool lf_endOfStream(LiveAircraft& a) {
    auto& stream = a.stream;
    if (stream.empty()) {
        return false;
    }
    const std::uint32_t now = lf_now();
    // A landing roll whose extrapolation has run out (the feed paused after the touchdown) ends in a stop on the
    // ground that holds like a taxiing aircraft: removed here, the arrival would blink out at its touchdown and
    // come back as a new object when its reports resume.
    const bool rollOutEnded = a.onGround && a.landingRoll && !a.takeOff && a.extrapolationCount == 1;
    if (a.phase == FlightPhase::parking) {
        lf_arriveAtStand(a);
    } else if (a.phase == FlightPhase::pushed_back ||
               (a.phase == FlightPhase::taxi && !a.takeOff && (!a.landingRoll || rollOutEnded))) {
        for (const auto& other : g_liveAircraft) {
            if (&other == &a || other.simStatus != SimStatus::active || !other.onGround ||
                other.phase != FlightPhase::taxi) {
                continue;
            }
            const double limit = (a.halfWingspanNm + other.halfWingspanNm) * 1.2;
            if (gf_distanceNm(a.position.latitude, a.position.longitude, other.position.latitude,
                              other.position.longitude) <= limit) {
                a.holding = false;
                return false;
            }
        }
        if (!a.holding) {
            a.holding = true;
            a.holdingStart = now;
        } else {
            if (AIRBORNE_ONLY.value()) {
                return false;
            }
            if (static_cast<double>(now - a.holdingStart) / 6000.0 > MAX_HOLDING_MINUTES.value()) {
                return false;
            }
        }
        StreamPoint hold = stream.front();
        hold.dueStep = lf_nowPlus(300);
        hold.groundSpeed = 0.0;
        hold.stationary = true;
        a.extrapolationCount = 1;
        stream.push_back(hold);
        return true;
    }
    if (a.extrapolationCount < 0) {
        return false;
    }
    if (a.extrapolationCount == 1) {
        a.extrapolationCount = -1;
        return false;
    }
    if (a.extrapolationCount > 1) {
        lf_extrapolate(a, a.extrapolationCount - 1);
        return true;
    }
    if (!gf_categoryEnabled(a.category)) {
        return false;
    }
    std::int32_t n = 0;
    if (!a.onGround) {
        const UserAircraftState user = g_userAircraft.get();
        if ((std::abs(user.block.latitude) > 0.0001 || std::abs(user.block.longitude) > 0.0001) &&
            gf_distanceNm(user.block.latitude, user.block.longitude, a.position.latitude, a.position.longitude) >=
                RANGE.value() - 0.5) {
            return false;
        }
        if (AIRBORNE_ONLY.value() && a.position.altitude < lf_parkElevation() + 1000.0) {
            return false;
        }
        n = 8;
    } else {
        n = a.phase == FlightPhase::parked ? 1 : 10;
    }
    lf_extrapolate(a, n);
    return true;
}

void lf_extrapolate(LiveAircraft& a, std::int32_t count) {
    a.extrapolationCount = count;
    const StreamPoint& front = a.stream.front();
    StreamPoint p = front;
    const bool parked = a.phase == FlightPhase::parked;
    const bool ground = a.onGround;
    double speed = front.groundSpeed;
    if (front.stationary || parked) {
        p.stationary = true;
        speed = 0.0;
    } else if (!ground) {
        if (!a.approach) {
            speed = std::max(speed * 0.95, 1.0);
        } else if (count >= 4) {
            speed = std::max(speed * 0.9, 1.0);
        }
    } else if (a.landingRoll) {
        if (speed >= 140.0) {
            speed = 100.0;
        } else if (speed >= 100.0) {
            speed = 80.0;
        } else if (speed >= 80.0) {
            speed = 60.0;
        } else if (speed >= 60.0) {
            speed = 30.0;
        } else {
            speed = 20.0;
        }
        p.verticalSpeed = 0.0;
    } else if (a.takeOff) {
        if (speed <= 30.0) {
            speed = 40.0;
        } else if (speed <= 60.0) {
            speed = 80.0;
        } else if (speed <= 100.0) {
            speed = 110.0;
        } else if (speed <= 140.0) {
            speed = 150.0;
            p.verticalSpeed = 600.0;
        } else if (speed <= 160.0) {
            speed = 170.0;
            p.verticalSpeed = 1200.0;
        } else {
            speed = 180.0;
            p.verticalSpeed = 2400.0;
        }
    } else {
        speed = 0.0;
        p.stationary = true;
    }
    p.groundSpeed = speed;
    const double steps = ground ? 300.0 : 800.0;
    if (speed > 0.0) {
        const double distanceNm = speed * steps / 360000.0;
        const Position to = gf_destinationPoint(Position{a.position.latitude, a.position.longitude}, a.position.heading,
                                                distanceNm * g_feetPerNm);
        p.stationary = gf_samePosition(to.latitude, to.longitude, front.latitude, front.longitude);
        p.latitude = to.latitude;
        p.longitude = to.longitude;
    }
    const double n = ground ? 3.0 : 8.0;
    if (a.approach && a.flareStage == 0) {
        p.verticalSpeed = -667.0;
        p.altitude = front.altitude - n * 10.005;
    } else if (a.phase == FlightPhase::take_off) {
        p.altitude = front.altitude + n * 25.0;
        p.verticalSpeed = 1500.0;
    }
    p.airborne = p.altitude > 0.0;
    if (!p.airborne) {
        p.altitude = 0.0;
    }
    const std::int32_t add = parked ? 60480000 : (ground ? 300 : 800);
    p.dueStep = front.dueStep + add;
    if (parked) {
        // No longer watched, but it still stands there: the stand is freed when it leaves or is removed.
        a.standArea = false;
    }
    a.stream.push_back(p);
}

static void lf_advancePosition(LiveAircraft& a) {
    auto& stream = a.stream;
    a.curve.drop();
    {
        StreamPoint& front = stream[0];
        StreamPoint& second = stream[1];
        if (gf_samePosition(front.latitude, front.longitude, second.latitude, second.longitude)) {
            second.stationary = true;
        } else {
            a.targetHeading =
                gf_bearing(Position{front.latitude, front.longitude}, Position{second.latitude, second.longitude});
        }
    }
    if (a.onGround) {
        nextPosGround(a);
    } else {
        lf_timeNextAirPos(a);
    }
    if (stream.size() < 2) {
        return;
    }
    const StreamPoint& second = stream[1];
    if (second.stationary) {
        a.latRate = a.lonRate = 0.0;
        if (!a.landingRoll && !a.takeOff) {
            lf_shrinkLimits(a);
        }
    } else {
        const std::int32_t steps = std::max(gf_stepsUntil(lf_now(), second.dueStep), 25);
        a.latRate = (second.latitude - a.position.latitude) / steps;
        a.lonRate = (second.longitude - a.position.longitude) / steps;
        if (a.onGround) {
            lf_groundStep(a);
        } else {
            lf_airStep(a, steps);
        }
    }
    stream.pop_front();
}

void nextPosMain(LiveAircraft& a) {
    auto& stream = a.stream;
    for (;;) {
        while (stream.size() >= 2 && !a.onGround && a.category != SizeCategory::Rotorcraft && stream[1].stationary) {
            stream.erase(stream.begin() + 1);
        }
        if (stream.size() >= 2) {
            break;
        }
        if (!lf_endOfStream(a)) {
            removeAircraftFromSim(a);
            return;
        }
        if (a.simStatus != SimStatus::active) {
            return;
        }
    }
    lf_advancePosition(a);
}

} // namespace skf
