// Movement on the ground and along turn curves: the ground step by phase, the timing of ground legs, taxi
// turn curves (quadratic Bezier), midpoints, and the per-step motion along rates and curves. Engine thread.
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include <fmt/format.h>

#include "core/Geometry.h"
#include "core/Log.h"
#include "core/settings/Catalogue.h"
#include "data/apf/ParkApf.h"
#include "data/apf/Stand.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineLimits.h"
#include "traffic/EngineServices.h"

namespace skf {

namespace {

constexpr double kMetresPerDegree = 111132.95;
// A taxi turn ahead (degrees) up to which the aircraft taxis straight on; above it, it follows a curve.
constexpr double kStraightTurnDeg = 3.0;
// A turn (degrees) above which a long slow leg gets a midpoint first, and above which the turn rate is
// raised rather than spread over the leg.
constexpr double kSharpTurnDeg = 45.0;
// A turn ahead (degrees) above which a curve makes no sense (the aircraft turns round): it goes straight.
constexpr double kTurnRoundDeg = 160.0;
// Ratio of leg time to turn time from which the turn rate is slowed to spread the turn over the leg.
constexpr double kSpreadTurnRatio = 1.2;
// A leg (NM, 50 m) longer than which a sharp slow turn gets a midpoint.
constexpr double kMidpointLegNm = 0.02699784017278618;
// Leg duration (steps, 6 s) from which a sharp slow turn gets a midpoint.
constexpr std::int32_t kMidpointLegSteps = 600;
// Ground speed (kn) at most of a point that stops near the last one: the aircraft comes to a halt to park.
constexpr double kHaltKn = 5.0;
// Distance (NM, 35 m) within which a halting taxiing aircraft looks for a stand to park on.
constexpr double kHaltToParkNm = 0.018898488120950324;
// Heading difference (degrees) within which an aircraft counts as on its heading and does not turn.
constexpr double kOnHeadingDeg = 0.5;
// A speed change (kn) between two points over a leg of at least this length (m) gets a midpoint, so that the
// aircraft changes speed in two stages.
constexpr double kSpeedChangeKn = 5.0;
constexpr double kSpeedChangeLegMetres = 100.0;
// Spreading a gentle turn over a leg: the turn rate is slowed at most by the ratio, by it times kSpreadDeg over
// the turn angle, and by it times kSpreadMetres (in NM) over the leg.
constexpr double kSpreadDeg = 10.0;
constexpr double kSpreadMetres = 30.0;
// A sharp turn's rate rises with its angle up to kSharpCapDeg, kSharpUnitDeg at a time; from kWideTurnDeg on the
// aircraft may run late or early by kWideTurnLimit steps.
constexpr double kSharpCapDeg = 90.0;
constexpr double kSharpUnitDeg = 30.0;
constexpr double kWideTurnDeg = 90.0;
constexpr std::int32_t kWideTurnLimit = 2000;
// The push-back turn (degrees): the tail swings through a right angle.
constexpr double kPushBackTurnDeg = 90.0;
// The last refused distance (NM) on entering pushed_back: farther than any point, so the first one counts.
constexpr double kNoRefusedDistanceNm = 900.0;
// Bearing off the stand heading (degrees) below which the aircraft leaves its stand forwards, else by push-back.
constexpr double kPullOutDeg = 90.0;
// Height above ground (ft) up to which an approaching aircraft flares.
constexpr double kFlareAglFt = 400.0;

std::uint32_t lf_now() {
    return g_stepCounter.load();
}

// The turn rate in degrees per step: leg and turn times are counted in degrees.
double lf_turnRateDeg(const LiveAircraft& a) {
    return a.turnRate * g_radToDeg;
}

void lf_turnTowards(LiveAircraft& a, double wanted) {
    const double diff = gf_normalisePi(wanted - a.position.heading);
    if (std::abs(diff) <= kOnHeadingDeg * g_degToRad) {
        return;
    }
    const double step = std::min(std::abs(diff), a.turnRate);
    a.position.heading = gf_normaliseTwoPi(a.position.heading + (diff > 0.0 ? step : -step));
}

} // namespace

double gf_normalisePi(double angle) {
    angle = std::remainder(angle, 2.0 * g_pi);
    return angle;
}

double gf_normaliseTwoPi(double angle) {
    angle = std::fmod(angle, 2.0 * g_pi);
    if (angle < 0.0) {
        angle += 2.0 * g_pi;
    }
    return angle;
}

bool gf_samePosition(double lat1, double lon1, double lat2, double lon2) {
    return std::abs(lat1 - lat2) < 1e-8 && std::abs(lon1 - lon2) < 1e-8;
}

double gf_pointDistanceNm(const StreamPoint& a, const StreamPoint& b) {
    return gf_distanceNm(a.latitude, a.longitude, b.latitude, b.longitude);
}

double gf_parkTimeNow() {
    const DayAndSlot now = g_dayAndSlotNow.load();
    return static_cast<double>(now.day * 48 + now.slot);
}

void gf_logEngineError(const std::string& text) {
    // One line a second per text at most; a text that repeats every step would fill the log otherwise.
    struct Seen {
        std::uint32_t lastStep = 0;
        std::uint64_t repeats = 0;
    };
    static std::map<std::string, Seen> seen;
    const std::uint32_t now = lf_now();
    auto it = seen.find(text);
    if (it != seen.end() && now - it->second.lastStep < 100) {
        ++it->second.repeats;
        return;
    }
    if (it != seen.end() && it->second.repeats > 0) {
        gf_logError(fmt::format("{} (and {} times more)", text, it->second.repeats));
    } else {
        gf_logError(text);
    }
    if (seen.size() > 256) {
        seen.clear();
    }
    seen[text] = Seen{now, 0};
}

double lf_headingChangeAhead(const LiveAircraft& a) {
    const auto& s = a.stream;
    double bearing = 0.0;
    if (s.size() >= 3) {
        bearing = gf_bearing(Position{s[1].latitude, s[1].longitude}, Position{s[2].latitude, s[2].longitude});
    } else if (s.size() == 2) {
        bearing =
            gf_bearing(Position{a.position.latitude, a.position.longitude}, Position{s[1].latitude, s[1].longitude});
    } else {
        return 0.0;
    }
    return gf_normalisePi(bearing - a.position.heading);
}

void lf_insertMidpoint(LiveAircraft& a) {
    auto& s = a.stream;
    if (s.size() < 2) {
        return;
    }
    StreamPoint mid = s[0];
    mid.latitude = (s[0].latitude + s[1].latitude) / 2.0;
    mid.longitude = (s[0].longitude + s[1].longitude) / 2.0;
    mid.groundSpeed = (s[0].groundSpeed + s[1].groundSpeed) / 2.0;
    mid.altitude = (s[0].altitude + s[1].altitude) / 2.0;
    const auto span =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(s[1].dueStep) - static_cast<std::uint32_t>(s[0].dueStep));
    mid.dueStep = s[0].dueStep + static_cast<std::int32_t>(std::lround(span / 2.0));
    mid.airborne = mid.altitude > 0.0;
    if (!mid.airborne) {
        mid.altitude = 0.0;
    }
    mid.stationary = false;
    s.insert(s.begin() + 1, mid);
}

void lf_checkStraight(LiveAircraft& a) {
    const auto& s = a.stream;
    if (s.size() < 2 || (s[0].stationary && s[1].stationary)) {
        return;
    }
    if (std::abs(s[0].groundSpeed - s[1].groundSpeed) > kSpeedChangeKn &&
        gf_pointDistanceNm(s[0], s[1]) * g_nmToMetres >= kSpeedChangeLegMetres) {
        lf_insertMidpoint(a);
    }
}

void lf_makeTurnCurve(LiveAircraft& a) {
    auto& s = a.stream;
    if (s.size() < 3) {
        return;
    }
    if (s[2].groundSpeed <= 0.0) {
        s[2].groundSpeed = (s[0].groundSpeed + s[1].groundSpeed) / 2.0;
    }
    TurnCurve& c = a.curve;
    c.originLat = a.position.latitude;
    c.originLon = a.position.longitude;
    c.startT = 0.0;
    c.endT = 1.0;
    const double cosLat = std::cos(c.originLat * g_degToRad);
    c.endNorth = (s[2].latitude - c.originLat) * kMetresPerDegree;
    c.endEast = (s[2].longitude - c.originLon) * cosLat * kMetresPerDegree;
    c.controlNorth = (s[1].latitude - c.originLat) * kMetresPerDegree;
    c.controlEast = (s[1].longitude - c.originLon) * cosLat * kMetresPerDegree;
    c.progress = 0.0;
    s.erase(s.begin() + 1);
}

bool gf_bezierPoint(const TurnCurve& c, double t, double& latitude, double& longitude, double& heading) {
    if (!c.active() || t < c.startT || t > c.endT || c.endT == c.startT) {
        return false;
    }
    const double u = (t - c.startT) / (c.endT - c.startT);
    if (u < 0.0 || u > 1.0) {
        return false;
    }
    const double north = 2.0 * u * (1.0 - u) * c.controlNorth + u * u * c.endNorth;
    const double east = 2.0 * u * (1.0 - u) * c.controlEast + u * u * c.endEast;
    latitude = c.originLat + north / kMetresPerDegree;
    longitude = c.originLon + east / (std::cos(c.originLat * g_degToRad) * kMetresPerDegree);
    const double dEast = (c.endEast - c.controlEast) * 2.0 * u + c.controlEast * 2.0 * (1.0 - u);
    const double dNorth = (c.endNorth - c.controlNorth) * 2.0 * u + c.controlNorth * 2.0 * (1.0 - u);
    heading = gf_normaliseTwoPi(std::atan2(dEast, dNorth));
    return true;
}

void lf_groundTiming(LiveAircraft& a) {
    auto& s = a.stream;
    if (s.size() < 2) {
        return;
    }
    const StreamPoint& front = s[0];
    const StreamPoint& second = s[1];
    const std::uint32_t now = lf_now();
    if (!second.stationary) {
        a.turnRate = a.nominalTurnRate;
        const double distance = gf_pointDistanceNm(front, second);
        const auto legSteps = static_cast<std::int32_t>(
            std::max<long>(std::lround(distance * kStepsPerHour / lf_legSpeed(front, second, distance)), 25));
        if (a.curve.active() || a.headingErrorAbove3) {
            const double angle = a.headingErrorAbove3 ? a.headingErrorDeg : a.pushBackTurnAngle;
            const double turnTime = std::max<double>(std::lround(angle / lf_turnRateDeg(a) / 100.0), 1.0);
            const double ratio = legSteps / turnTime;
            if (angle > 0.0 && distance > 0.0) {
                if (angle <= kSharpTurnDeg && ratio >= kSpreadTurnRatio) {
                    const double m =
                        std::min({ratio, ratio * kSpreadDeg / angle, ratio * kSpreadMetres * g_metresToNm / distance});
                    if (m > 0.0) {
                        a.turnRate /= m;
                    }
                } else if (angle <= kSharpTurnDeg && ratio > 0.0) {
                    a.turnRate /= ratio;
                } else if (angle > kSharpTurnDeg) {
                    a.turnRate *= std::min(ratio, std::min(angle, kSharpCapDeg) / kSharpUnitDeg);
                    if (angle >= kWideTurnDeg) {
                        a.lagLimit = std::max(a.lagLimit, kWideTurnLimit);
                        a.leadLimit = std::max(a.leadLimit, kWideTurnLimit);
                    }
                }
            }
        }
        lf_setDueStep(a, legSteps);
        return;
    }
    const auto frontAhead = gf_stepsUntil(now, front.dueStep);
    const auto span = static_cast<std::int32_t>(static_cast<std::uint32_t>(second.dueStep) -
                                                static_cast<std::uint32_t>(front.dueStep));
    lf_setDueStep(a, std::max(frontAhead + std::max(span, 25), 25));
}

void nextPosGround(LiveAircraft& a) {
    auto& s = a.stream;
    switch (a.phase) {
    case FlightPhase::pushing_back:
        --a.pushBackCountdown;
        if (a.pushBackCountdown == 1) {
            if (a.turnSideKnown) {
                if (a.pushBackTurnSide) {
                    s.back() = a.pushBackAltEnd;
                }
                lf_makeTurnCurve(a);
                const long seconds = std::lround(kPushBackTurnDeg / lf_turnRateDeg(a) / 100.0);
                a.inverseStepCount = seconds > 0 ? 1.0 / (static_cast<double>(seconds) * 100.0) : 1.0;
                a.pushBackTurnAngle = kPushBackTurnDeg;
                lf_groundTiming(a);
            } else if (s.size() > 2) {
                s.pop_back();
            }
        } else if (a.pushBackCountdown < 1) {
            a.targetHeading = a.position.heading;
            gf_engineAutoStart(a.objectId);
            gf_setThrottle(a, 0);
            gf_setFlaps(a, 1);
            gf_setPhase(a, FlightPhase::pushed_back);
            a.pushBackCountdown = 1;
            a.lastRejectedDistance = kNoRefusedDistanceNm;
            a.extrapolationCount = 0;
            a.leaving = false;
        }
        break;
    case FlightPhase::taxi:
    case FlightPhase::take_off:
    case FlightPhase::flying:
    case FlightPhase::parking:
    case FlightPhase::birth: {
        if (s.size() >= 3 && !s[1].stationary && !s[2].stationary) {
            const double change = std::abs(lf_headingChangeAhead(a)) * g_radToDeg;
            if (change > kStraightTurnDeg) {
                const double leg = gf_pointDistanceNm(s[0], s[1]);
                const auto legSteps = static_cast<std::int32_t>(static_cast<std::uint32_t>(s[1].dueStep) -
                                                                static_cast<std::uint32_t>(s[0].dueStep));
                if (change > kSharpTurnDeg && leg > kMidpointLegNm && s[0].groundSpeed <= kTakeOffRollKn &&
                    legSteps >= kMidpointLegSteps) {
                    lf_insertMidpoint(a);
                } else if (change <= kTurnRoundDeg) {
                    if (gf_samePosition(s[0].latitude, s[0].longitude, s[2].latitude, s[2].longitude)) {
                        lf_checkStraight(a);
                    } else {
                        a.pushBackTurnAngle = change;
                        lf_makeTurnCurve(a);
                    }
                } else {
                    lf_checkStraight(a);
                }
            } else {
                lf_checkStraight(a);
            }
        } else if (s.size() >= 3) {
            lf_checkStraight(a);
        } else if (s.size() == 2 && a.extrapolationCount == 0 &&
                   std::abs(s[0].groundSpeed - s[1].groundSpeed) > kSpeedChangeKn &&
                   gf_pointDistanceNm(s[0], s[1]) * g_nmToMetres >= kSpeedChangeLegMetres) {
            lf_insertMidpoint(a);
        }
        if (!a.curve.active()) {
            a.headingErrorDeg = std::abs(gf_normalisePi(a.targetHeading - a.position.heading)) * g_radToDeg;
            a.headingErrorAbove3 = a.headingErrorDeg > kStraightTurnDeg;
        }
        if (a.phase == FlightPhase::taxi && !s.empty() && s.back().stationary && !g_stands.empty()) {
            const bool fromStand = a.previousPhase == FlightPhase::parked ||
                                   a.previousPhase == FlightPhase::pushing_back ||
                                   a.previousPhase == FlightPhase::pushed_back;
            if (a.towed || !fromStand) {
                if (a.extrapolationCount <= 0) {
                    if (s.size() >= 2 && s[1].groundSpeed <= kHaltKn &&
                        gf_distanceNm(a.position.latitude, a.position.longitude, s.back().latitude,
                                      s.back().longitude) <= kHaltToParkNm) {
                        try2Park(a, false);
                    }
                } else {
                    try2Park(a, a.landed);
                }
            }
        }
        break;
    }
    case FlightPhase::parked:
        a.leadLimit = a.takeOff ? 5000 : 3000;
        a.lagLimit = 3000;
        if (a.leaving && !s.empty()) {
            // The way it started to move decides; the last report may lie on the taxiway ahead of the stand.
            const bool started = !std::isnan(a.departureStartLat);
            const Position to = started ? Position{a.departureStartLat, a.departureStartLon}
                                        : Position{s.back().latitude, s.back().longitude};
            a.departureStartLat = a.departureStartLon = std::numeric_limits<double>::quiet_NaN();
            const double bearing = gf_bearing(Position{a.standLat, a.standLon}, to);
            const double angle = std::round(std::abs(gf_normalisePi(bearing - a.standHeading)) * g_radToDeg);
            if (angle < kPullOutDeg) {
                lf_pullOut(a);
            } else {
                lf_pushBack(a);
            }
        }
        break;
    case FlightPhase::pushed_back:
        break;
    }
    lf_groundTiming(a);
}

void lf_groundStep(LiveAircraft& a) {
    if (a.phase == FlightPhase::flying || a.phase == FlightPhase::parked) {
        gf_setPhase(a, FlightPhase::taxi);
    }
    if (a.takeOff) {
        lf_takeOffRollStep(a);
    } else if (a.landingRoll) {
        lf_landingRollStep(a);
    } else {
        gf_setThrottle(a, a.category == SizeCategory::Rotorcraft ? 4 : 0);
        lf_shrinkLimits(a);
    }
    if (a.flareStage == 0 && a.phase != FlightPhase::take_off) {
        a.position.pitch = a.staticPitchRad;
        a.position.bank = 0.0;
        a.pitchRate = a.bankRate = 0.0;
    }
    const auto& s = a.stream;
    const std::int32_t steps = std::max(gf_stepsUntil(lf_now(), s[1].dueStep), 25);
    if (a.curve.active()) {
        a.inverseStepCount = 1.0 / steps;
    }
    a.altRate = 0.0;
    a.targetVs = 0.0;
    a.targetTas = a.phase == FlightPhase::pushing_back ? -s[1].groundSpeed : s[1].groundSpeed;
    if (a.takeOff && a.phase != FlightPhase::take_off && s[0].groundSpeed >= kTakeOffRollKn) {
        lf_rotation(a, steps);
    }
}

void lf_followCurve(LiveAircraft& a) {
    AiPositionBlock& p = a.position;
    if (a.curve.active()) {
        a.curve.progress = std::clamp(a.curve.progress + a.inverseStepCount, 0.0, 0.999999);
        double lat = 0.0;
        double lon = 0.0;
        double tangent = 0.0;
        if (gf_bezierPoint(a.curve, a.curve.progress, lat, lon, tangent)) {
            p.latitude = lat;
            p.longitude = lon;
            lf_turnTowards(a, a.phase == FlightPhase::pushing_back ? gf_normaliseTwoPi(tangent + g_pi) : tangent);
        } else {
            gf_logEngineError(fmt::format("{} error in curve at index: {:.2F}", gf_aircraftText(a), a.curve.progress));
        }
    } else {
        switch (a.phase) {
        case FlightPhase::take_off:
        case FlightPhase::flying:
        case FlightPhase::parked:
        case FlightPhase::birth:
            p.heading = gf_normaliseTwoPi(p.heading + a.headingRate);
            break;
        default:
            if (a.phase == FlightPhase::parking || a.headingErrorAbove3) {
                lf_turnTowards(a, a.targetHeading);
            }
            break;
        }
        if (a.phase != FlightPhase::pushed_back) {
            p.latitude += a.latRate;
            p.longitude += a.lonRate;
        }
    }
    if (a.phase != FlightPhase::take_off) {
        if (a.approach && !a.onGround && a.heightAboveGround <= kFlareAglFt) {
            lf_flare(a);
        }
        if (a.touchdownEasing) {
            p.pitch += a.pitchRate;
            if ((a.pitchRate >= 0.0 && p.pitch >= a.staticPitchRad) ||
                (a.pitchRate < 0.0 && p.pitch <= a.staticPitchRad)) {
                p.pitch = a.staticPitchRad;
                a.pitchRate = 0.0;
                a.touchdownEasing = false;
                a.flareStage = 0;
            }
            p.bank += a.bankRate;
        } else if (a.flareStage > 0) {
            p.bank = std::clamp(p.bank + a.bankRate, -g_pi, g_pi);
            p.pitch = std::max(p.pitch + a.pitchRate, kFlareMaxNoseUpRad);
            p.altitude += a.altRate;
        } else if (a.onGround) {
            p.pitch = a.staticPitchRad;
            p.bank = 0.0;
        } else {
            p.bank += a.bankRate;
            p.pitch += a.pitchRate;
            p.altitude += a.altRate;
        }
    } else {
        lf_takeOffSequence(a);
    }
    if (p.longitude > 180.0) {
        p.longitude -= 360.0;
    } else if (p.longitude < -180.0) {
        p.longitude += 360.0;
    }
    if (p.latitude > 90.0 || p.latitude < -90.0) {
        p.latitude = (p.latitude > 0.0 ? 180.0 : -180.0) - p.latitude;
        p.longitude += p.longitude > 0.0 ? -180.0 : 180.0;
    }
}

} // namespace skf
