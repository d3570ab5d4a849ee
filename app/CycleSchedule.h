#pragma once
// The per-second schedule of the main cycle and its 10 ms rhythm.

#include "app/CycleClock.h"

#include <cstdint>
#include <functional>

namespace skf {

// The slower duties of one per-second tick t (the tick after this second's increment, the first being 1).
enum SecondDuty : unsigned {
    kDutyEvery5s = 1u << 0,          // reference position, sim time, reserved stand, pending re-read
    kDutyEvery15s = 1u << 1,         // phases of an announced static update, stale-reader check
    kDutyHalfMinute = 1u << 2,       // lf_halfMinuteWork
    kDutyStaticParking = 1u << 3,    // every 16 s, not on multiples of 5
    kDutyReaderWatch = 1u << 4,      // every 59 s, not on multiples of 5
    kDutyStaticDuplicates = 1u << 5, // every 61 s, not on multiples of 5
};

[[nodiscard]] unsigned gf_secondDuties(std::uint32_t t);

// The cycle period and the lateness beyond which missed cycles are dropped.
inline constexpr std::chrono::milliseconds kCyclePeriod{10};
inline constexpr std::chrono::milliseconds kCycleLateLimit{100};

// Runs the 10 ms rhythm on clock: step() once at once, then once per period until it returns false.
// dataArrived() is asked after each sleep: when true, the grid is re-anchored to that moment.
void gf_runCycleRhythm(CycleClock& clock, const std::function<bool()>& step, const std::function<bool()>& dataArrived);

} // namespace skf
