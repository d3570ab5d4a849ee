// Landing and take-off: configuration below and above 10000 ft, approach and climb, flare, touchdown,
// landing roll, go-around, take-off roll, rotation and climb-out. Runs inside the movement. Engine thread.
#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "core/Geometry.h"
#include "core/Log.h"
#include "data/apf/ParkApf.h"
#include "data/apf/Stand.h"
#include "sim/SimLink.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineLimits.h"
#include "traffic/EngineServices.h"

namespace skf {

namespace {

// Distance from the park airport (NM) within which a descending aircraft flies its approach there.
constexpr double kNearParkAirportNm = 10.0;
// Height above ground (ft) above which the en-route configuration holds: the bigger jets start their
// approach configuration higher than the other categories.
constexpr double kEnRouteAglBigFt = 2050.0;
constexpr double kEnRouteAglOtherFt = 625.0;
// Vertical speed (ft/min) at or below which an aircraft counts as descending: throttle back, approach.
constexpr double kDescendingFpm = -250.0;
// Vertical speed (ft/min) above which an en-route aircraft counts as climbing: throttle up.
constexpr double kClimbingFpm = 400.0;
// Vertical speed (ft/min) above which a low aircraft climbs out: climb configuration.
constexpr double kClimbOutFpm = 600.0;
// Vertical speed (ft/min) at or below which the flaps may go out a notch (level or descending).
constexpr double kLevelFpm = 100.0;
// Height above ground (ft) from which gear and flaps are up.
constexpr double kCleanAglFt = 2400.0;
// Height above ground (ft) below which the flaps go out to 2; between it and kCleanAglFt only to 1.
constexpr double kFlapsTwoAglFt = 2000.0;
// Heights above the CG height (ft) at which the flare moves to its stages 1..4.
constexpr double kFlareStage1Ft = 30.0;
constexpr double kFlareStage2Ft = 20.0;
constexpr double kFlareStage3Ft = 10.0;
constexpr double kFlareStage4Ft = 3.0;
// Turn from the touchdown heading (degrees) that ends the landing roll: the aircraft has left the runway.
constexpr double kRollEndTurnDeg = 15.0;
// Length (m) from which a leg of the roll shows the direction the aircraft rolls in: the nose follows a gentle
// turn slowly (the turn is spread over the leg), so a rapid exit of 25-30 degrees is left before the nose has
// turned kRollEndTurnDeg; the leg towards the next point shows the turn-off at once. Shorter legs are left to
// the nose, so that the feed's position noise on slow legs ends no roll.
constexpr double kRollEndLegMetres = 30.0;
// Ground speed (kn) at or below which the landing roll retracts spoilers and reverse thrust.
constexpr double kRollSlowKn = 90.0;
// Angle off the heading (degrees) at which a new point during approach or landing roll points backwards.
constexpr double kOffHeadingDeg = 90.0;
// Angle off the heading (degrees) at which a new point during the landing roll is refused or moved.
constexpr double kOffHeadingRollDeg = 150.0;
// Ground speed (kn) above which a new point may not be faster than the last one during the landing.
constexpr double kLandingSpeedCapKn = 40.0;
// Take-off roll throttle bands (kn): the front point's speed, or the next point's, that calls for each index.
constexpr double kThrottle4FrontKn = 25.0;
constexpr double kThrottle4NextKn = 30.0;
constexpr double kThrottle2FrontKn = 20.0;
constexpr double kThrottle2NextKn = 25.0;
constexpr double kThrottle1FrontKn = 15.0;
constexpr double kThrottle1NextKn = 20.0;
// Vertical speed (ft/min) a point after the front must exceed to count as climbing away at rotation.
constexpr double kRotationClimbFpm = 256.0;
// Height above ground (ft) from which a climbing aircraft leaves the take-off sequence for the climb.
constexpr double kClimbOutAglFt = 800.0;

std::uint32_t lf_rotorOr(const LiveAircraft& a, std::uint32_t index) {
    return a.category == SizeCategory::Rotorcraft ? 4U : index;
}

void lf_allLightsButCabin(const LiveAircraft& a) {
    gf_setLights(a.objectId, 1, 1, 1, 1, 1, 1, 0);
}

} // namespace

double gf_rotationSpeed(SizeCategory category) {
    // kn per category; a helicopter lifts off without a take-off run.
    static const CategoryTable<double> table{{0, 90.0}, {1, 110.0}, {2, 140.0}, {3, 150.0}, {4, 220.0}, {5, 0.0}};
    return table.at(category);
}

void gf_sendAiControls(const LiveAircraft& aircraft, double spoilers, double throttle) {
    const double block[3] = {spoilers, throttle, throttle};
    std::lock_guard lock(g_simCommandMutex);
    if (!g_simHalted.load() && aircraft.objectId != 0) {
        SimConnect_SetDataOnSimObject(g_simConnect.load(), SIM_DEF_AI_CONTROLS, aircraft.objectId, 0, 0, sizeof block,
                                      block);
    }
}

bool lf_nearParkAirport(const LiveAircraft& a) {
    return !g_parkAirport.icao.empty() &&
           gf_distanceNm(a.position.latitude, a.position.longitude, g_parkAirport.latitude, g_parkAirport.longitude) <=
               kNearParkAirportNm;
}

void lf_configBelow10000(LiveAircraft& a) {
    const double vs = a.stream.front().verticalSpeed;
    if (!a.allLights) {
        gf_setLights(a.objectId, 1, 1, 1, 1, 1, 1, 1);
        a.allLights = true;
        a.cruiseConfig = false;
    }
    const bool big =
        a.category == SizeCategory::Buzjets || a.category == SizeCategory::Large || a.category == SizeCategory::Heavy;
    const double agl = a.heightAboveGround;
    if (agl > (big ? kEnRouteAglBigFt : kEnRouteAglOtherFt)) {
        lf_shrinkLimits(a);
        gf_setCabinLight(a.objectId, 1);
        a.takeOff = false;
        a.approach = false;
        if (vs <= kDescendingFpm && a.throttleIndex == 3) {
            gf_setThrottle(a, lf_rotorOr(a, 2));
        } else if (vs > kClimbingFpm && a.throttleIndex == 4) {
            gf_setThrottle(a, lf_rotorOr(a, 3));
        }
        if (agl >= kCleanAglFt) {
            gf_setGear(a, 0);
            gf_setFlaps(a, 0);
        } else if (vs <= kLevelFpm) {
            if (agl < kFlapsTwoAglFt) {
                if (a.flapsIndex == 0 || a.flapsIndex == 1) {
                    gf_setFlaps(a, a.flapsIndex + 1);
                }
            } else if (a.flapsIndex == 0) {
                gf_setFlaps(a, 1);
            }
        }
        return;
    }
    lf_approachOrClimb(a);
}

void lf_approachOrClimb(LiveAircraft& a) {
    gf_setCabinLight(a.objectId, 0);
    const double vs = a.stream.front().verticalSpeed;
    const bool near = lf_nearParkAirport(a);
    if (vs <= kDescendingFpm && !a.approach && near) {
        gf_setThrottle(a, lf_rotorOr(a, 1));
        gf_setFlaps(a, 3);
        gf_setGear(a, 1);
        g_standMatchIds.push_back(a.trafficId);
        a.approach = true;
        a.climbConfig = false;
        gf_releaseStand(a, StandMark::keep);
        a.rangeDataCount = 1;
        a.leadLimit = a.takeOff ? 5000 : 3000;
        a.lagLimit = 3000;
        return;
    }
    if ((vs > kClimbOutFpm || (a.approach && !near)) && !a.climbConfig) {
        lf_shrinkLimits(a);
        gf_setThrottle(a, 4);
        gf_setGear(a, 0);
        gf_setFlaps(a, 0);
        a.climbConfig = true;
        a.flareStage = 0;
        a.flareKept[0] = a.flareKept[1] = a.flareKept[2] = 0;
        a.approach = false;
    }
}

void lf_cruiseConfig(LiveAircraft& a) {
    if (a.cruiseConfig) {
        return;
    }
    a.cruiseConfig = true;
    a.allLights = false;
    gf_setLights(a.objectId, 1, 1, 0, 0, 0, 0, 1);
    gf_setThrottle(a, lf_rotorOr(a, 3));
    gf_setGear(a, 0);
    gf_setFlaps(a, 0);
}

// Each flare stage sinks more gently (altitude rate in ft per step, the front point's vertical speed in ft/min) as
// the wheels near the runway.
void lf_flare(LiveAircraft& a) {
    double reference = a.heightAboveGround;
    if (!g_parkAirport.icao.empty()) {
        if (!a.flareParkElevationTaken) {
            a.flareParkElevation = g_parkAirport.altitude;
            a.flareParkElevationTaken = true;
        }
        a.heightAboveParkElevation = a.position.altitude - a.flareParkElevation;
        reference = std::min(reference, a.heightAboveParkElevation);
    }
    const double cg = a.staticCgFt;
    StreamPoint& front = a.stream.front();
    switch (a.flareStage) {
    case 0:
        if (reference <= cg + kFlareStage1Ft) {
            a.flareStage = 1;
            a.pitchRate = (kFlareMaxNoseUpRad - a.position.pitch) / std::max<std::uint32_t>(a.flarePitchSteps, 1);
            a.altRate = -0.1;
            front.verticalSpeed = -601.0;
        }
        break;
    case 1:
        if (reference <= cg + kFlareStage2Ft) {
            a.flareStage = 2;
            a.altRate = -0.075;
            front.verticalSpeed = -450.0;
        }
        break;
    case 2:
        if (reference <= cg + kFlareStage3Ft) {
            a.flareStage = 3;
            gf_setThrottle(a, 0);
            a.altRate = -0.05;
            front.verticalSpeed = -300.0;
        }
        break;
    case 3:
        if (reference <= cg + kFlareStage4Ft) {
            a.flareStage = 4;
            a.altRate = -0.025;
            front.verticalSpeed = -150.0;
        }
        break;
    default:
        break;
    }
}

void lf_touchdown(LiveAircraft& a) {
    a.landingRoll = true;
    a.touchdownEasing = true;
    a.touchdownHeading = a.position.heading;
    a.approach = false;
    a.landed = true;
    gf_setSpoilers(a, 1);
    if (a.category != SizeCategory::Light) {
        gf_sendAiControls(a, 100.0, a.fsltlFlag != 0 ? -100.0 : 100.0);
    }
    const auto n = static_cast<double>(a.onGroundSlots);
    if (n <= 0.0) {
        gf_log(fmt::format("{} ! onGround slots {:.1f}", gf_aircraftText(a), n));
        a.position.pitch = a.staticPitchRad;
        a.pitchRate = 0.0;
    } else {
        a.pitchRate = (a.staticPitchRad - a.position.pitch) / n;
        a.bankRate = -a.position.bank / n;
    }
    g_standMatchIds.push_back(a.trafficId);
}

void lf_landingRollStep(LiveAircraft& a) {
    double turned = std::abs(gf_normalisePi(a.position.heading - a.touchdownHeading)) * g_radToDeg;
    const StreamPoint& next = a.stream[1];
    const Position from{a.position.latitude, a.position.longitude};
    const Position to{next.latitude, next.longitude};
    if (gf_distanceNm(from, to) * g_nmToMetres >= kRollEndLegMetres) {
        turned = std::max(turned, std::abs(gf_normalisePi(gf_bearing(from, to) - a.touchdownHeading)) * g_radToDeg);
    }
    if (turned >= kRollEndTurnDeg) {
        gf_setFlaps(a, 0);
        a.landingRoll = false;
        a.touchdownHeading = 0.0;
        gf_setThrottle(a, lf_rotorOr(a, 0));
        gf_setSpoilers(a, 0);
        if (a.category != SizeCategory::Light) {
            gf_sendAiControls(a, 0.0, 0.0);
        }
        gf_setLights(a.objectId, 1, 1, 0, 1, 0, 1, 1);
        return;
    }
    if (a.stream.front().groundSpeed <= kRollSlowKn) {
        gf_setSpoilers(a, 0);
        if (a.category != SizeCategory::Light) {
            gf_sendAiControls(a, 0.0, 0.0);
        }
        gf_setFlaps(a, 1);
    }
}

bool checkNewPosDuringLanding(LiveAircraft& a, StreamPoint& p) {
    auto& s = a.stream;
    if (s.empty()) {
        gf_logError(fmt::format("{} empty sz?", "checkNewPosDuringLanding"));
        return false;
    }
    if (gf_samePosition(p.latitude, p.longitude, s.back().latitude, s.back().longitude)) {
        return false;
    }
    const auto offHeading = [&](const StreamPoint& from) {
        const double bearing = gf_bearing(Position{from.latitude, from.longitude}, Position{p.latitude, p.longitude});
        return std::abs(gf_normalisePi(bearing - a.position.heading)) * g_radToDeg;
    };
    if (s.size() >= 2) {
        if (offHeading(s.back()) >= kOffHeadingDeg) {
            const bool alsoFromSecondLast = s.size() >= 3 && offHeading(s[s.size() - 2]) >= kOffHeadingDeg;
            s.pop_back();
            if (alsoFromSecondLast) {
                s.pop_back();
            }
        }
    } else if (a.approach) {
        if (offHeading(s.back()) >= kOffHeadingDeg) {
            return false;
        }
    } else if (a.landingRoll) {
        if (offHeading(s.back()) >= kOffHeadingRollDeg) {
            if (a.extrapolationCount > 0) {
                return false;
            }
            StreamPoint& front = s.front();
            front.latitude = a.position.latitude;
            front.longitude = a.position.longitude;
            front.dueStep = static_cast<std::int32_t>(g_stepCounter.load() + 1);
        }
    }
    if (a.extrapolationCount > 0) {
        a.extrapolationCount = 0;
        lf_endExtrapolationLimits(a);
    }
    const StreamPoint& last = s.back();
    p.stationary = gf_samePosition(p.latitude, p.longitude, last.latitude, last.longitude);
    if (p.groundSpeed > last.groundSpeed && p.groundSpeed > kLandingSpeedCapKn) {
        p.groundSpeed = last.groundSpeed;
    }
    return true;
}

namespace {

// The take-off set-up that a take-off and a go-around share; they differ only in throttle and spoilers.
void lf_takeOffSetUp(LiveAircraft& a, std::uint32_t throttle, std::uint32_t spoilers) {
    a.takeOff = true;
    gf_setThrottle(a, throttle);
    gf_setSpoilers(a, spoilers);
    gf_setFlaps(a, 1);
    a.approach = false;
    a.landed = false;
    a.climbConfig = false;
    lf_allLightsButCabin(a);
    a.leadLimit = 5000;
    a.lagLimit = 3000;
}

} // namespace

void lf_goAround(LiveAircraft& a) {
    a.phase = FlightPhase::taxi; // the phase before the landing stays the previous phase
    lf_takeOffSetUp(a, 3, 1);
}

void lf_takeOffStart(LiveAircraft& a) {
    if (a.towed) {
        gf_log(fmt::format("towed aircraft takes-off? {}", gf_aircraftText(a)));
    }
    lf_takeOffSetUp(a, 0, 0);
}

void lf_takeOffRollStep(LiveAircraft& a) {
    if (a.category == SizeCategory::Rotorcraft) {
        gf_setThrottle(a, 4);
        return;
    }
    const auto& s = a.stream;
    const double f = s[0].groundSpeed;
    const double n = s.size() > 1 ? s[1].groundSpeed : 0.0;
    std::uint32_t index = 0;
    if (f >= kThrottle4FrontKn || n >= kThrottle4NextKn) {
        index = 4;
    } else if (f >= kThrottle2FrontKn || n >= kThrottle2NextKn) {
        index = 2;
    } else if (f >= kThrottle1FrontKn || n >= kThrottle1NextKn) {
        index = 1;
    }
    gf_setThrottle(a, index);
}

bool lf_rotationSpeedReached(const LiveAircraft& a) {
    const double vr = gf_rotationSpeed(a.category);
    const auto& s = a.stream;
    return std::all_of(s.begin() + 1, s.end(), [vr](const StreamPoint& p) { return p.groundSpeed >= vr; });
}

void lf_rotation(LiveAircraft& a, std::int32_t steps) {
    const auto& s = a.stream;
    bool anyOnGround = false;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (!s[i].airborne) {
            anyOnGround = true;
        }
        if (s[i].verticalSpeed <= kRotationClimbFpm) {
            const bool allAirborne = std::all_of(s.begin() + 1, s.end(), [](const auto& p) { return p.airborne; });
            if (!(lf_rotationSpeedReached(a) && allAirborne)) {
                return;
            }
            a.altRate = a.maxClimbRate;
            lf_takeOff(a);
            return;
        }
    }
    if (s.size() < 2) {
        return;
    }
    a.altRate = anyOnGround ? a.maxClimbRate : std::max(s[1].altitude - a.position.altitude, 0.1) / steps;
    lf_takeOff(a);
}

void lf_takeOff(LiveAircraft& a) {
    const auto n = static_cast<double>(std::max<std::uint32_t>(a.takeOffPitchSteps, 1));
    a.position.bank = 0.0;
    a.bankRate = 0.0;
    a.rangeDataCount = static_cast<std::int32_t>(n);
    a.pitchRate = (a.takeOffPitch - a.position.pitch) / n;
    if (a.landingRoll) {
        a.landingRoll = false;
        a.approach = false;
        gf_setThrottle(a, 4);
        gf_setSpoilers(a, 1);
        gf_setFlaps(a, 1);
    }
    if (!a.takeOff) {
        lf_takeOffStart(a);
    }
    gf_setPhase(a, FlightPhase::take_off);
    a.headingRate = 0.0;
    a.curve.drop();
}

double lf_takeOffClimbRate(const LiveAircraft& a, std::int32_t steps) {
    const StreamPoint& next = a.stream[1];
    if (next.altitude > a.position.altitude) {
        return std::min((next.altitude - a.position.altitude) / std::max(steps, 25), a.maxClimbRate);
    }
    return 0.0;
}

bool lf_levelOffTo(LiveAircraft& a, std::size_t index) {
    auto& s = a.stream;
    if (index >= s.size() || index < 1 || !s[index - 1].airborne) {
        return false;
    }
    // The ground points between the front and the first airborne one go.
    std::size_t firstAir = 1;
    while (firstAir < index - 1 && !s[firstAir].airborne) {
        ++firstAir;
    }
    s.erase(s.begin() + 1, s.begin() + static_cast<std::ptrdiff_t>(firstAir));
    const StreamPoint& target = s[1];
    const double distance = gf_pointDistanceNm(s[0], target);
    const auto time =
        static_cast<std::int32_t>(std::lround(distance * kStepsPerHour / lf_legSpeed(s[0], target, distance)));
    lf_setDueStep(a, std::max(time, 25));
    const std::int32_t steps = std::max(gf_stepsUntil(g_stepCounter.load(), s[1].dueStep), 25);
    a.altRate = target.altitude > a.position.altitude
                    ? std::min((target.altitude - a.position.altitude) / steps, a.maxClimbRate)
                    : 0.0;
    return true;
}

void lf_takeOffSequence(LiveAircraft& a) {
    AiPositionBlock& p = a.position;
    a.rangeDataCount = std::max(a.rangeDataCount - 1, -1000);
    const std::int32_t c = a.rangeDataCount;
    if (c >= 1) {
        a.onGround = false;
        p.pitch += a.pitchRate;
        if (p.pitch < a.takeOffPitch) {
            p.pitch = a.takeOffPitch;
        }
        return;
    }
    p.bank = std::clamp(p.bank + a.bankRate, -g_pi, g_pi);
    if (p.pitch > a.climbPitch) {
        p.pitch += (a.climbPitch - a.takeOffPitch) / std::max<std::uint32_t>(a.climbPitchSteps, 1);
        p.pitch = std::max(p.pitch, a.climbPitch);
    }
    if (c <= -1 && c >= -99) {
        p.altitude += a.altRate / 10.0;
    } else if (c <= -100 && c >= -199) {
        p.altitude += a.altRate / 5.0;
    } else if (c <= -200 && c >= -299) {
        p.altitude += a.altRate / 2.0;
    } else if (c == -300) {
        gf_setGear(a, 0);
    } else if (c < -300) {
        p.altitude += a.altRate;
        if (p.pitch <= a.climbPitch) {
            a.pitchRate = 0.0;
            if (a.heightAboveGround >= kClimbOutAglFt) {
                gf_setThrottle(a, lf_rotorOr(a, 3));
                gf_setPhase(a, FlightPhase::flying);
                a.rangeDataCount = 1;
            }
        }
    }
}

} // namespace skf
