#pragma once
// One timed position of a live aircraft's stream, and the engine's step clock that times it.
//
// The traffic reader builds a StreamPoint from each accepted traffic line (feed/TrafficLine.h); the traffic
// engine builds its own for extrapolated, inserted and stand points and owns every point once it has taken
// a record off the traffic queue. This header holds only the value type and the step clock: no thread,
// no lock, no I/O.
#include <atomic>
#include <cstdint>
#include <optional>

namespace skf {

// The count of 10 ms engine steps since the start of the process, never reset. Written only by the engine
// step (the start-up thread); the traffic reader reads it to time each accepted report. It wraps after
// about 497 days: compare steps with gf_stepReached only.
inline std::atomic<std::uint32_t> g_stepCounter{0};

struct StreamPoint {
    double latitude = 0.0;      // degrees
    double longitude = 0.0;     // degrees
    double altitude = 0.0;      // feet; 0 for a report judged to be on the ground
    double groundSpeed = 0.0;   // knots
    double track = 0.0;         // degrees
    double verticalSpeed = 0.0; // feet per minute, as received
    double trueAirspeed = 0.0;  // knots
    std::int32_t dueStep = 0;   // the step (g_stepCounter) at which the aircraft is to be here
    bool airborne = false;
    bool stationary = false;           // same position as the point before it
    bool headingSource = false;        // the true heading came from the report itself
    std::optional<double> bank;        // radians
    std::optional<double> trueHeading; // radians, 0..2 pi
};

// Whether the step counter has reached the due step. The counter is unsigned and wraps; the due step is
// the counter plus a few thousand, stored signed. The difference taken modulo 2^32 and read as signed
// orders the two correctly across the wrap as long as they lie within 2^31 steps (about 248 days).
[[nodiscard]] constexpr bool gf_stepReached(std::uint32_t counter, std::int32_t dueStep) noexcept {
    return static_cast<std::int32_t>(counter - static_cast<std::uint32_t>(dueStep)) >= 0;
}

// Steps from the counter to the due step, negative when it is past; wrap-safe as gf_stepReached.
[[nodiscard]] constexpr std::int32_t gf_stepsUntil(std::uint32_t counter, std::int32_t dueStep) noexcept {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(dueStep) - counter);
}

// The due step of a report received now: 30 seconds (3000 steps) ahead of the counter.
inline constexpr std::uint32_t kStreamDelaySteps = 3000;
[[nodiscard]] constexpr std::int32_t gf_dueStepFrom(std::uint32_t counter) noexcept {
    return static_cast<std::int32_t>(counter + kStreamDelaySteps);
}

} // namespace skf
