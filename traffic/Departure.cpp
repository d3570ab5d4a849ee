// Departures that the feed loses at the runway: ground receivers lose an aircraft at the holding point or on its
// take-off roll and find it again a minute or more later, rolling fast or already in the air miles out. Such an
// aircraft takes off from where it stands: a take-off roll is laid out from its position towards the report, it
// lifts off at its rotation speed and catches up in the air; where the report lies too far ahead for that, it
// goes and is created again from its reports. Engine thread.
#include <algorithm>
#include <cmath>

#include "core/Geometry.h"
#include "data/apf/Stand.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineLimits.h"

namespace skf {

namespace {

// A pause between two reports (seconds) longer than the slowest rhythm of ground receivers (10-17 s): the feed
// lost the aircraft meanwhile.
constexpr double kLostReportSeconds = 20.0;
// The acceleration (kn per second) of a take-off roll laid out after a pause: an airliner reaches its rotation
// speed in 35-45 s.
constexpr double kRollAccelKnPerSecond = 3.5;
// Seconds between the points of such a roll, as the feed's own reports come on the ground.
constexpr double kRollPointSeconds = 3.0;
// A roll is laid out only when the report lies beyond the roll by more than this (NM, 50 m); nearer, the
// aircraft simply rolls to it.
constexpr double kRollMarginNm = 0.02699784017278618;
// An aircraft catches up in the air at this many times its reported speed (faster, it would streak across the
// sky), falling behind the feed's due steps meanwhile by at most kMostLateSeconds; a report farther ahead than
// that is better shown by a new object where the feed has it.
constexpr double kCatchUpSpeedFactor = 1.5;
constexpr double kMostLateSeconds = 120.0;

double lf_startSpeed(const StreamPoint& p) {
    return p.stationary ? 0.0 : p.groundSpeed;
}

// The speed at which the roll towards this report ends: the rotation speed for a report in the air, else the
// report's own speed.
double lf_rollEndSpeed(const LiveAircraft& a, const StreamPoint& report) {
    const double vr = gf_rotationSpeed(a.category);
    return report.airborne ? vr : std::min(report.groundSpeed, vr);
}

double lf_rollSeconds(double from, double to) {
    return std::max(to - from, 0.0) / kRollAccelKnPerSecond;
}

double lf_rollNm(double from, double to) {
    return (from + to) / 2.0 * lf_rollSeconds(from, to) / 3600.0;
}

// Seconds by which the aircraft, rolling from `from` (due `dueStep`, at `speed`) and catching up in the air,
// reaches the report later than the report's due step; 0 when it is in time.
double lf_lateSeconds(const LiveAircraft& a, const Position& from, std::int32_t dueStep, double speed,
                      const StreamPoint& report) {
    const double end = lf_rollEndSpeed(a, report);
    const double distance = gf_distanceNm(from, Position{report.latitude, report.longitude});
    const double rollNm = lf_rollNm(speed, end);
    const std::uint32_t now = g_stepCounter.load();
    double arrival = std::max(gf_stepsUntil(now, dueStep), 0) / 100.0 + lf_rollSeconds(speed, end);
    if (distance > rollNm) {
        const double catchUpKn = kCatchUpSpeedFactor * std::max(report.groundSpeed, gf_rotationSpeed(a.category));
        arrival += (distance - rollNm) / catchUpKn * 3600.0;
    }
    return std::max(arrival - gf_stepsUntil(now, report.dueStep) / 100.0, 0.0);
}

} // namespace

bool lf_departsAfterPause(const LiveAircraft& a, const StreamPoint& report) {
    if (a.simStatus != SimStatus::active || !a.onGround || a.landingRoll || a.approach || a.stream.empty() ||
        a.category == SizeCategory::Rotorcraft) {
        return false;
    }
    if (a.phase != FlightPhase::taxi && a.phase != FlightPhase::pushed_back) {
        return false;
    }
    const StreamPoint& last = a.stream.back();
    return a.reportPause > kLostReportSeconds && !last.airborne && lf_startSpeed(last) < kTakeOffRollKn &&
           (report.airborne || report.groundSpeed >= kTakeOffRollKn);
}

bool lf_canCatchUp(const LiveAircraft& a, const StreamPoint& report) {
    const StreamPoint& last = a.stream.back();
    return lf_lateSeconds(a, Position{last.latitude, last.longitude}, last.dueStep, lf_startSpeed(last), report) <=
           kMostLateSeconds;
}

void lf_layOutTakeOffRoll(LiveAircraft& a) {
    auto& s = a.stream;
    if (!a.onGround || !a.takeOff || a.phase == FlightPhase::take_off || s.size() < 2 ||
        a.category == SizeCategory::Rotorcraft) {
        return;
    }
    const StreamPoint front = s[0];
    const StreamPoint report = s[1];
    double speed = lf_startSpeed(front);
    if (speed >= kTakeOffRollKn || (!report.airborne && report.groundSpeed < kTakeOffRollKn)) {
        return;
    }
    const Position here{a.position.latitude, a.position.longitude};
    const double total = gf_distanceNm(here, Position{report.latitude, report.longitude});
    const double end = lf_rollEndSpeed(a, report);
    if (total <= lf_rollNm(speed, end) + kRollMarginNm) {
        return;
    }
    const double bearing = gf_bearing(here, Position{report.latitude, report.longitude});
    const std::uint32_t now = g_stepCounter.load();
    // It may fall behind the feed as far as its catching up takes, beyond the take-off's own lead limit.
    const double late = lf_lateSeconds(a, here, static_cast<std::int32_t>(now), speed, report);
    a.leadLimit =
        std::max(a.leadLimit, static_cast<std::int32_t>(std::lround(std::min(late, kMostLateSeconds) * 100.0)));
    double seconds = 0.0;
    double travelled = 0.0;
    std::size_t at = 1;
    while (speed < end) {
        const double dt = std::min(kRollPointSeconds, (end - speed) / kRollAccelKnPerSecond);
        const double next = std::min(speed + kRollAccelKnPerSecond * dt, end);
        travelled += (speed + next) / 2.0 * dt / 3600.0;
        seconds += dt;
        speed = next;
        const Position p = gf_destinationPoint(here, bearing, travelled * g_feetPerNm);
        StreamPoint roll = front;
        roll.latitude = p.latitude;
        roll.longitude = p.longitude;
        roll.altitude = 0.0;
        roll.airborne = false;
        roll.stationary = false;
        roll.groundSpeed = speed;
        roll.trueAirspeed = speed;
        roll.track = bearing * g_radToDeg;
        roll.verticalSpeed = 0.0;
        roll.bank.reset();
        roll.trueHeading.reset();
        roll.headingSource = false;
        roll.dueStep = static_cast<std::int32_t>(now + static_cast<std::uint32_t>(std::lround(seconds * 100.0)));
        s.insert(s.begin() + static_cast<std::ptrdiff_t>(at++), roll);
    }
    // The report comes after the roll.
    StreamPoint& after = s[at];
    if (gf_stepsUntil(static_cast<std::uint32_t>(s[at - 1].dueStep), after.dueStep) <= 0) {
        after.dueStep = s[at - 1].dueStep + 1;
    }
}

} // namespace skf
