#include "app/CycleClock.h"

#include <atomic>
#include <thread>

namespace skf {

CycleClock::TimePoint SteadyCycleClock::now() {
    return Clock::now();
}

void SteadyCycleClock::sleepUntil(TimePoint target) {
    std::this_thread::sleep_until(target);
}

namespace {
SteadyCycleClock g_steadyClock;
std::atomic<CycleClock*> g_installedClock{nullptr};
} // namespace

CycleClock& gf_cycleClock() {
    CycleClock* clock = g_installedClock.load();
    return clock ? *clock : g_steadyClock;
}

void gf_setCycleClock(CycleClock* clock) {
    g_installedClock.store(clock);
}

} // namespace skf
