#include "app/CycleSchedule.h"

namespace skf {

unsigned gf_secondDuties(std::uint32_t t) {
    unsigned duties = 0;
    if (t % 5 == 0) {
        duties |= kDutyEvery5s;
        if (t % 15 == 0)
            duties |= kDutyEvery15s;
        if (t % 30 == 0)
            duties |= kDutyHalfMinute;
    } else {
        if (t % 16 == 0)
            duties |= kDutyStaticParking;
        if (t % 59 == 0)
            duties |= kDutyReaderWatch;
        if (t % 61 == 0)
            duties |= kDutyStaticDuplicates;
    }
    return duties;
}

void gf_runCycleRhythm(CycleClock& clock, const std::function<bool()>& step, const std::function<bool()>& dataArrived) {
    using namespace std::chrono;
    auto target = clock.now() + kCyclePeriod;
    bool running = step();
    while (running) {
        const auto now = clock.now();
        if (target + kCycleLateLimit < now)
            target = now + kCyclePeriod; // late: drop missed cycles
        if (duration_cast<milliseconds>(target - now).count() > 0)
            clock.sleepUntil(target);
        if (dataArrived())
            target = clock.now(); // follow the simulator's per-second data
        target += kCyclePeriod;
        running = step();
    }
}

} // namespace skf
