#pragma once
// The clock of the main cycle: a steady clock with sleeps until a time point. Tests hand in their own clock.

#include <chrono>

namespace skf {

class CycleClock {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    virtual ~CycleClock() = default;
    [[nodiscard]] virtual TimePoint now() = 0;
    virtual void sleepUntil(TimePoint target) = 0;
};

class SteadyCycleClock final : public CycleClock {
public:
    [[nodiscard]] TimePoint now() override;
    void sleepUntil(TimePoint target) override;
};

// The clock the main loop uses; the steady clock unless a test installed its own (nullptr restores it).
CycleClock& gf_cycleClock();
void gf_setCycleClock(CycleClock* clock);

} // namespace skf
