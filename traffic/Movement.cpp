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
#include "traffic/EngineLimits.h"
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

// Latitude and longitude difference (degrees) below which two points are the same position.
constexpr double kSamePositionDeg = 1e-8;
// Latitude and longitude difference (degrees, about 17 m) within which a new point is the feed's jitter around a
// standing aircraft rather than a move.
constexpr double kJitterDeg = 0.00015;
// Last ground speed (kn) from which a repeated position during a take-off is a stale report, not a stop.
constexpr double kRepeatedTakeOffKn = 30.0;
// Last ground speed (kn) from which a jittering or speedless point during a take-off is a stale report.
constexpr double kJitterTakeOffKn = 50.0;
// A pushed-back aircraft moves off once a point lies beyond this many radii and farther than the last refused
// one, or beyond the larger count in any case: nearer points are the feed still placing it behind the stand.
constexpr double kPushedBackGoRadii = 2.75;
constexpr double kPushedBackSureRadii = 6.0;
// Turn (degrees) beyond which a point ending an extrapolation in the air points backwards and is refused.
constexpr double kExtrapolationTurnDeg = 100.0;
// A stop shorter than this (steps, 15 s), or ended within this distance (NM, 22 m) of where it began, was a
// pause of the feed rather than a halt: its stationary points go.
constexpr std::int32_t kShortStopSteps = 1500;
constexpr double kShortStopNm = 0.011879049676025918;
// Ground speed (kn) taken for an approach leg down to the runway when the front point gives none.
constexpr double kApproachLegKn = 100.0;
// Slowest leg speed (kn) of two speedless points, so that a leg always takes a finite time.
constexpr double kSlowestLegKn = 1.0;
// Height above ground (ft) above which the descent rate follows the points; lower the aircraft descends at
// kLowDescentFpm.
constexpr double kDescentFollowsAglFt = 100.0;
constexpr double kLowDescentFpm = -600.0;
// Standard pressure (hPa) and the descent rate's correction (ft/min per hPa) for the QNH above it.
constexpr double kStandardQnhHpa = 1013.25;
constexpr double kFpmPerHpa = 6.0;
// Shallowest descent and climb (ft/min) of an aircraft that changes level: slower rates look like level flight.
constexpr double kShallowestDescentFpm = -601.0;
constexpr double kShallowestClimbFpm = 601.0;
// Sum of the points' vertical speeds (ft/min) above which the stream climbs.
constexpr double kClimbingSumFpm = 100.0;
// Height above ground (ft) up to which a slow climb is raised to kLowClimbRateFt per step, so that an aircraft
// near the ground leaves it visibly; and below which given headings are flown (the doubled one in approach).
constexpr double kLowClimbAglFt = 1000.0;
constexpr double kLowClimbRateFt = 0.2;
constexpr double kGivenHeadingAglFt = 1000.0;
constexpr double kGivenHeadingApproachAglFt = 2000.0;
// Altitude (ft) from which the cruise configuration replaces the one below 10000 ft.
constexpr double kCruiseAltitudeFt = 10000.0;
// Two taxiing aircraft closer than this many times the sum of their radii block each other: the one that ran out
// of points gives way.
constexpr double kTaxiConflictRadii = 1.2;
// Latitude or longitude (degrees) above which the user's position is known.
constexpr double kUserKnownDeg = 0.0001;
// Distance (NM) inside the range at which an extrapolated aircraft in the air is let go.
constexpr double kRangeMarginNm = 0.5;
// Height above the park airport (ft) below which an airborne-only run lets an extrapolated aircraft go.
constexpr double kAirborneOnlyFt = 1000.0;
// Speed kept per extrapolated point in the air (0.95), and in an approach while 4 or more points remain (0.9),
// never below kSlowestLegKn.
constexpr double kAirSlowdown = 0.95;
constexpr double kApproachSlowdown = 0.9;
// Points extrapolated when the stream runs dry: on the ground and in the air.
constexpr std::int32_t kGroundExtrapolationPoints = 10;
constexpr std::int32_t kAirExtrapolationPoints = 8;
// Steps between extrapolated points: on the ground, in the air, and parked (a week: the point never comes).
constexpr std::int32_t kGroundExtrapolationSteps = 300;
constexpr std::int32_t kAirExtrapolationSteps = 800;
constexpr std::int32_t kParkedExtrapolationSteps = 60480000;
// An extrapolated approach descends (ft/min, ft per point); an extrapolated take-off climbs (ft per point,
// ft/min).
constexpr double kApproachExtrapolationFpm = -667.0;
constexpr double kApproachDropFt = 10.005;
constexpr double kTakeOffRiseFt = 25.0;
constexpr double kTakeOffExtrapolationFpm = 1500.0;
// Target pitch of the air step: level flight 3 degrees nose up (rad), then kPitchStepDeg more per kPitchStepFpm of
// vertical speed, the climb counted up to kPitchClimbCapFpm and a descent counted half, down to kPitchDescentCapFpm.
constexpr double kLevelPitchRad = -0.05235987755982989;
constexpr double kPitchStepFpm = 600.0;
constexpr double kPitchStepDeg = 2.2;
constexpr double kPitchClimbCapFpm = 2400.0;
constexpr double kPitchDescentCapFpm = -3000.0;
constexpr double kPitchDescentShare = 0.5;

double lf_maxPitchRate(SizeCategory c) {
    // rad per step: 0.01, 0.0085, 0.0075, 0.005, 0.03, 0.03 degrees; the heavier, the slower it pitches.
    static const CategoryTable<double> table{{0, 0.00017453292519943296}, {1, 0.000148352986419518},
                                             {2, 0.00013089969389957473}, {3, 8.726646259971648e-05},
                                             {4, 0.0005235987755982989},  {5, 0.0005235987755982989}};
    return table.at(c);
}

double lf_maxBank(SizeCategory c) {
    // rad: 40, 35, 30, 20, 90, 75 degrees; airliners bank gently, fighters and helicopters steeply.
    static const CategoryTable<double> table{{0, 0.6981317007977318}, {1, 0.6108652381980153}, {2, 0.5235987755982988},
                                             {3, 0.3490658503988659}, {4, 1.5707963267948966}, {5, 1.3089969389957472}};
    return table.at(c);
}

double lf_maxBankRate(SizeCategory c) {
    // rad per step: 0.035, 0.0275, 0.02, 0.015, 0.1, 0.06 degrees.
    static const CategoryTable<double> table{{0, 0.0006108652381980154},  {1, 0.0004799655442984406},
                                             {2, 0.00034906585039886593}, {3, 0.00026179938779914946},
                                             {4, 0.0017453292519943294},  {5, 0.0010471975511965978}};
    return table.at(c);
}

double lf_targetPitch(double verticalSpeed) {
    const double v = verticalSpeed > 0.0 ? std::min(verticalSpeed, kPitchClimbCapFpm)
                                         : std::max(verticalSpeed, kPitchDescentCapFpm) * kPitchDescentShare;
    return kLevelPitchRad - v / kPitchStepFpm * kPitchStepDeg * g_degToRad;
}

double lf_parkElevation() {
    return g_parkAirport.icao.empty() ? 0.0 : static_cast<double>(g_parkAirport.altitude);
}

// Real feeds pause for minutes; an aircraft that held meanwhile may come back farther away than the holding
// threshold because it rolled or taxied on during the pause. A jump counts as another aircraft only beyond the
// threshold plus what the pause explains: its last reported ground speed, at least this taxi speed, over the
// pause between the two reports.
constexpr double kPauseTaxiSpeedKn = 15.0;
// What a pause explains is bounded, so that the user's holding threshold keeps its meaning: an aircraft whose
// last report stood still (below this speed, kn) explains no move at all, and of a longer pause only this much
// (seconds) counts: ground receivers lose a taxiing aircraft for a minute and a half at most; after longer the
// threshold alone decides (without the bound a 20-minute hold reached about 9 km).
constexpr double kStandingKn = 5.0;
constexpr double kPauseExplainsAtMostSeconds = 90.0;

double lf_holdingReachMetres(const LiveAircraft& a) {
    if (!a.onGround || a.lastReportSpeed < kStandingKn) {
        return HOLDING_THRESHOLD_METERS.value();
    }
    const double speedKn = std::max(a.lastReportSpeed, kPauseTaxiSpeedKn);
    const double pause = std::clamp(a.reportPause, 0.0, kPauseExplainsAtMostSeconds);
    return HOLDING_THRESHOLD_METERS.value() + speedKn * g_nmToMetres / 3600.0 * pause;
}

// The end of a stream that lets the aircraft go: the line that says why; the caller removes it.
bool lf_letGo(LiveAircraft& a, std::string_view why) {
    gf_logLiveRemoval(a, why);
    a.holding = false;
    return false;
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
        return std::max(distanceNm * kStepsPerHour / diff, kSlowestLegKn);
    }
    return (a.groundSpeed + b.groundSpeed) / 2.0;
}

static double lf_descentRate(const LiveAircraft& a, const StreamPoint& front, const StreamPoint& next) {
    if (a.heightAboveGround > kDescentFollowsAglFt) {
        return std::min((front.verticalSpeed + next.verticalSpeed) / 2.0 -
                            (g_qnh.load() - kStandardQnhHpa) * kFpmPerHpa,
                        kShallowestDescentFpm);
    }
    return kLowDescentFpm;
}

bool lf_plausiblePoint(LiveAircraft& a, StreamPoint& p) {
    if (a.stream.empty()) {
        return false;
    }
    const StreamPoint& last = a.stream.back();
    const double dLat = std::abs(p.latitude - last.latitude);
    const double dLon = std::abs(p.longitude - last.longitude);
    const bool identical = dLat < kSamePositionDeg && dLon < kSamePositionDeg;
    p.stationary = identical;
    if (a.category == SizeCategory::Rotorcraft) {
        return true;
    }
    const bool inAir = a.simStatus == SimStatus::active && !a.onGround;
    if (identical) {
        if (p.airborne || inAir || (a.takeOff && p.groundSpeed > 0.0 && last.groundSpeed >= kRepeatedTakeOffKn)) {
            return false;
        }
        p.groundSpeed = 0.0;
        return true;
    }
    if (dLat <= kJitterDeg && dLon <= kJitterDeg) {
        if (p.airborne || inAir || (a.takeOff && p.groundSpeed > 0.0 && last.groundSpeed >= kJitterTakeOffKn)) {
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
        return last.groundSpeed < kJitterTakeOffKn;
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
        const bool goes = (d > kPushedBackGoRadii * r && d > a.lastRejectedDistance) || d > kPushedBackSureRadii * r;
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
        gf_releaseStand(a, StandMark::keep); // freed when it left the stand
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
            if (std::abs(gf_normalisePi(bearing - a.position.heading)) > kExtrapolationTurnDeg * g_degToRad) {
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
            gf_removeLiveWithLine(a, fmt::format("{} positions waiting", stream.size()));
            return;
        }
        // Lost at the runway and found again rolling fast or in the air: it takes off from where it stands, or
        // goes when the report lies too far ahead to catch up (it is created again from its reports).
        const bool departs = lf_departsAfterPause(a, point);
        if (departs && !lf_canCatchUp(a, point)) {
            gf_removeLiveWithLine(a,
                                  fmt::format("departed {:.1f} NM away during a pause of {:.0f} s, too far to catch up",
                                              gf_pointDistanceNm(stream.back(), point), a.reportPause));
            return;
        }
        // A pushed-back aircraft holds while the feed, whose real push-back was quicker than the engine's, runs
        // ahead: its far point is where it taxis on to (it catches up there), not another aircraft's.
        if (a.holding && !departs && a.phase != FlightPhase::pushed_back && !stream.empty()) {
            const double metres =
                gf_distanceNm(stream.front().latitude, stream.front().longitude, point.latitude, point.longitude) *
                g_nmToMetres;
            if (metres > lf_holdingReachMetres(a)) {
                gf_removeLiveWithLine(a, fmt::format("held at {:.6f},{:.6f}, its next report is {:.0f} m away",
                                                     stream.front().latitude, stream.front().longitude, metres));
                return;
            }
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
                    if (stop < kShortStopSteps || gf_distanceNm(moving.latitude, moving.longitude, point.latitude,
                                                                point.longitude) <= kShortStopNm) {
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
                const bool rolling =
                    point.groundSpeed >= kTakeOffRollKn && (last.groundSpeed >= kTakeOffRollKn || departs);
                if ((point.airborne || rolling) && a.phase == FlightPhase::taxi) {
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
        speed = front.groundSpeed > 0.0 ? front.groundSpeed : kApproachLegKn;
    } else {
        speed = lf_legSpeed(front, second, distance);
    }
    const auto time = static_cast<std::int32_t>(std::lround(distance * kStepsPerHour / speed));
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
            if (!a.approach && sum > kClimbingSumFpm) {
                for (std::size_t i = 3; i <= std::min<std::size_t>(stream.size() - 1, 10) && !levelled; ++i) {
                    levelled = lf_levelOffTo(a, i);
                }
                if (!levelled) {
                    next.verticalSpeed = std::max(next.verticalSpeed, kShallowestClimbFpm);
                    a.altRate = next.verticalSpeed / kStepsPerMinute;
                }
            } else {
                const double vs = lf_descentRate(a, front, next);
                a.altRate = vs / kStepsPerMinute;
                next.verticalSpeed = vs;
            }
            if (!levelled) {
                gf_setGear(a, 1);
            }
        } else if (front.airborne && !next.airborne) {
            if (!g_parkAirport.icao.empty() && g_qnh.load() <= 1013) {
                a.altRate = (lf_parkElevation() - altitude) / steps;
            } else {
                const double vs = g_qnh.load() < 1014 ? kShallowestDescentFpm : lf_descentRate(a, front, next);
                a.altRate = vs / kStepsPerMinute;
            }
            gf_setGear(a, 1);
        } else if (!a.approach) {
            double rate = (next.altitude - altitude) / steps;
            if (a.heightAboveGround <= kLowClimbAglFt && rate > 0.0 && rate <= kLowClimbRateFt) {
                rate = kLowClimbRateFt;
            }
            a.altRate = std::min(rate, a.maxClimbRate);
        } else if (next.altitude != front.altitude || a.heightAboveGround > kLowClimbAglFt ||
                   front.verticalSpeed + next.verticalSpeed > kClimbingSumFpm) {
            a.altRate = (next.altitude - altitude) / steps;
        } else {
            const double vs = lf_descentRate(a, front, next);
            a.altRate = vs / kStepsPerMinute;
            next.verticalSpeed = vs;
        }
    }
    if (a.phase != FlightPhase::take_off) {
        const double maxRate = lf_maxPitchRate(a.category);
        a.pitchRate = std::clamp((lf_targetPitch(next.verticalSpeed) - a.position.pitch) / steps, -maxRate, maxRate);
    }
    double change = 0.0;
    const double headingLimit = a.approach ? kGivenHeadingApproachAglFt : kGivenHeadingAglFt;
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
    if (front.altitude < kCruiseAltitudeFt) {
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
            const double limit = (a.halfWingspanNm + other.halfWingspanNm) * kTaxiConflictRadii;
            if (gf_distanceNm(a.position.latitude, a.position.longitude, other.position.latitude,
                              other.position.longitude) <= limit) {
                return lf_letGo(a, fmt::format("holding in the way of taxiing {}", other.callsign));
            }
        }
        if (!a.holding) {
            a.holding = true;
            a.holdingStart = now;
        } else {
            if (AIRBORNE_ONLY.value()) {
                return lf_letGo(a, "holding on the ground, airborne aircraft only");
            }
            const double minutes = static_cast<double>(now - a.holdingStart) / kStepsPerMinute;
            if (minutes > MAX_HOLDING_MINUTES.value()) {
                return lf_letGo(a, fmt::format("held for {:.0f} minutes", minutes));
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
    // A take-off whose reports paused never ends on the runway: it rolls on, lifts off and holds its climb until
    // the next report comes (the take-off flag goes above the climb-out height, and with it this rule).
    if (a.takeOff && (a.extrapolationCount == 1 || a.extrapolationCount < 0)) {
        lf_extrapolate(a, a.onGround ? kGroundExtrapolationPoints : kAirExtrapolationPoints);
        return true;
    }
    if (a.extrapolationCount < 0) {
        return lf_letGo(a, "no report since its extrapolation ended");
    }
    if (a.extrapolationCount == 1) {
        a.extrapolationCount = -1;
        return lf_letGo(a, "no report since its extrapolation ended");
    }
    if (a.extrapolationCount > 1) {
        lf_extrapolate(a, a.extrapolationCount - 1);
        return true;
    }
    if (!gf_categoryEnabled(a.category)) {
        return lf_letGo(a, "its category is switched off");
    }
    std::int32_t n = 0;
    if (!a.onGround) {
        const UserAircraftState user = g_userAircraft.get();
        if ((std::abs(user.block.latitude) > kUserKnownDeg || std::abs(user.block.longitude) > kUserKnownDeg) &&
            gf_distanceNm(user.block.latitude, user.block.longitude, a.position.latitude, a.position.longitude) >=
                RANGE.value() - kRangeMarginNm) {
            return lf_letGo(a, "out of range");
        }
        if (AIRBORNE_ONLY.value() && a.position.altitude < lf_parkElevation() + kAirborneOnlyFt) {
            return lf_letGo(a, "below 1000 ft above the park airport, airborne aircraft only");
        }
        n = kAirExtrapolationPoints;
    } else {
        n = a.phase == FlightPhase::parked ? 1 : kGroundExtrapolationPoints;
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
            speed = std::max(speed * kAirSlowdown, kSlowestLegKn);
        } else if (count >= 4) {
            speed = std::max(speed * kApproachSlowdown, kSlowestLegKn);
        }
    } else if (a.landingRoll) {
        // An extrapolated landing roll slows down band by band (kn): 140 to 100, 100 to 80, 80 to 60, 60 to 30,
        // else 20.
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
        // An extrapolated take-off speeds up band by band (kn), climbing (ft/min) from 150 kn: up to 30 to 40, 60 to
        // 80, 100 to 110, 140 to 150, 160 to 170, else 180.
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
    const double steps = static_cast<double>(ground ? kGroundExtrapolationSteps : kAirExtrapolationSteps);
    if (speed > 0.0) {
        const double distanceNm = speed * steps / kStepsPerHour;
        const Position to = gf_destinationPoint(Position{a.position.latitude, a.position.longitude}, a.position.heading,
                                                distanceNm * g_feetPerNm);
        p.stationary = gf_samePosition(to.latitude, to.longitude, front.latitude, front.longitude);
        p.latitude = to.latitude;
        p.longitude = to.longitude;
    }
    const double n = ground ? 3.0 : 8.0;
    if (a.approach && a.flareStage == 0) {
        p.verticalSpeed = kApproachExtrapolationFpm;
        p.altitude = front.altitude - n * kApproachDropFt;
    } else if (a.phase == FlightPhase::take_off || (a.takeOff && !ground)) {
        p.altitude = front.altitude + n * kTakeOffRiseFt;
        p.verticalSpeed = kTakeOffExtrapolationFpm;
    }
    p.airborne = p.altitude > 0.0;
    if (!p.airborne) {
        p.altitude = 0.0;
    }
    const std::int32_t add =
        parked ? kParkedExtrapolationSteps : (ground ? kGroundExtrapolationSteps : kAirExtrapolationSteps);
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
    // A report in the air that came while the aircraft was being created or held: it takes off now.
    if (a.onGround && !a.takeOff && !a.landingRoll && a.phase == FlightPhase::taxi && stream[1].airborne) {
        lf_takeOffStart(a);
    }
    lf_layOutTakeOffRoll(a);
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
