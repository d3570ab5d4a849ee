#pragma once
// A live aircraft: one aircraft of the live traffic feed while the engine flies it in the simulator. It
// begins with a complete ParkedAircraft (identity, flight values, object id, stand, sim status) and adds the
// position block sent every frame, the stream of timed positions still to fly, the flight phase and the
// state of the movement, landing, taxi and stand logic.
//
// Owned by the engine (g_liveAircraft, EngineState.h) and changed only on the engine's thread (the start-up
// thread). No other thread reads a LiveAircraft: the window asks the engine through requests.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/RingQueue.h"
#include "feed/StreamPoint.h"
#include "sim/AircraftRecords.h"
#include "sim/SimQueues.h"

namespace skf {

// The engine's clock for stand-contact times and parked durations (see EngineState.h: gf_engineNow).
using EngineTime = std::chrono::steady_clock::time_point;

// A quadratic Bezier curve of a taxi or push-back turn in a local metric frame (north and east in metres
// from the origin).
struct TurnCurve {
    double originLat = 0.0;
    double originLon = 0.0;
    double startT = 0.0;
    double endNorth = 0.0;
    double endEast = 0.0;
    double endT = 0.0;
    double controlEast = std::numeric_limits<double>::quiet_NaN(); // NaN: no curve
    double controlNorth = std::numeric_limits<double>::quiet_NaN();
    double progress = 0.0;

    [[nodiscard]] bool active() const noexcept { return !std::isnan(controlEast) && !std::isnan(controlNorth); }
    void drop() noexcept { *this = TurnCurve{}; }
};

struct LiveAircraft : ParkedAircraft {
    AiPositionBlock position;       // sent to the simulator every frame
    RingQueue<StreamPoint> stream;  // front: where the aircraft is; the second point is flown towards
    double lastRecordTime = 0.0;    // seconds of the feed's clock of the last accepted report
    double reportPause = 0.0;       // seconds between the last two accepted reports
    double lastReportSpeed = 0.0;   // knots: the ground speed of the last accepted report
    double liveParkedTestLat = 0.0; // where the last live-versus-parked ground test was made
    double liveParkedTestLon = 0.0;
    EngineTime standContact{};           // last contact with its stand
    std::int32_t extrapolationCount = 0; // 0 none, >0 points still to extrapolate (1 also: holding), -1 done
    std::uint32_t holdingStart = 0;      // engine step
    FlightPhase phase = FlightPhase::birth;
    FlightPhase previousPhase = FlightPhase::birth;
    // Flags
    bool standArea = false;
    bool onGround = false;
    bool hasFlightPlan = false;
    bool droppedNearUser = false;
    bool holding = false;
    // Rates per engine step (10 ms)
    double latRate = 0.0;
    double lonRate = 0.0;
    double pitchRate = 0.0;
    double bankRate = 0.0;
    double headingRate = 0.0;
    double altRate = 0.0;
    double targetVs = 0.0;  // feet per minute
    double targetTas = 0.0; // knots
    TurnCurve curve;
    double inverseStepCount = 0.0;
    double pushBackTurnAngle = 0.0; // degrees
    StreamPoint pushBackAltEnd;     // the other end point of a push-back turn
    double lastParkTryLat = 0.0;
    double lastParkTryLon = 0.0;
    std::int32_t lagLimit = 1000; // steps
    std::int32_t leadLimit = 1000;
    std::int32_t rangeDataCount = 1;
    std::int32_t pushBackCountdown = 0;
    std::int32_t movesAway = 0;
    // Where the aircraft was first seen moving off its stand (its departure's start; none yet: NaN). Push-back or
    // pull-out is chosen from it: a later report may lie on the taxiway ahead of the stand already.
    double departureStartLat = std::numeric_limits<double>::quiet_NaN();
    double departureStartLon = std::numeric_limits<double>::quiet_NaN();
    double targetHeading = 0.0;        // radians
    double heightAboveGround = 2500.0; // feet
    double heightAboveParkElevation = 0.0;
    double touchdownHeading = 0.0;
    double lastRejectedDistance = 0.0; // while pushed back
    double standRefDistance = 0.0;     // NM
    double standLastDistance = 0.0;    // NM
    double headingErrorDeg = 0.0;
    double respawnHeading = 0.0;
    bool useRespawnHeading = false;
    bool pushBackTurnSide = false; // true: towards increasing heading
    bool turnSideKnown = false;
    double flareParkElevation = 0.0;
    bool flareParkElevationTaken = false;
    // Stages
    std::uint8_t flareStage = 0; // 0..4
    std::uint8_t flareKept[3] = {0, 0, 0};
    bool approach = false;
    bool landed = false;
    bool towed = false;
    bool climbConfig = false;
    bool takeOff = false;
    bool cruiseConfig = false;
    bool allLights = false;
    bool touchdownEasing = false;
    bool landingRoll = false;
    bool leaving = false;
    bool headingErrorAbove3 = false;

    LiveAircraft() = default;
    LiveAircraft(const StreamPoint& first, FlightRecord record, double recordTime);
};

// Changes the phase, keeping the old one as the previous phase unless it does not change.
inline void gf_setPhase(LiveAircraft& aircraft, FlightPhase phase) noexcept {
    if (aircraft.phase != phase) {
        aircraft.previousPhase = aircraft.phase;
        aircraft.phase = phase;
    }
}

} // namespace skf
