#pragma once
// Test helper: a cycle clock whose sleeps take (almost) no real time, so that the shell's waits,
// countdowns and the main cycle run at full speed. Thread-safe: several threads may sleep on it.
#include "app/CycleClock.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace skf::test {

class FastCycleClock final : public CycleClock {
public:
    TimePoint now() override { return TimePoint(Clock::duration(m_ticks.load())); }
    void sleepUntil(TimePoint target) override {
        auto current = m_ticks.load();
        const auto wanted = target.time_since_epoch().count();
        while (current < wanted && !m_ticks.compare_exchange_weak(current, wanted)) {
        }
        {
            std::lock_guard lock(m_mutex);
            if (m_onSleep)
                m_onSleep();
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200)); // let the other threads move
    }
    // Called after every sleep (for instance to record the status line).
    void onSleep(std::function<void()> hook) {
        std::lock_guard lock(m_mutex);
        m_onSleep = std::move(hook);
    }

private:
    std::atomic<Clock::rep> m_ticks{std::chrono::duration_cast<Clock::duration>(std::chrono::hours(1)).count()};
    std::mutex m_mutex;
    std::function<void()> m_onSleep;
};

} // namespace skf::test
