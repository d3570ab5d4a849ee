#include "app/CycleSchedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace std::chrono_literals;
using skf::CycleClock;

// A clock that only moves when the loop sleeps, or when the test moves it.
class FakeClock final : public CycleClock {
public:
    TimePoint now() override { return m_now; }
    void sleepUntil(TimePoint target) override {
        ++sleeps;
        if (target > m_now)
            m_now = target;
    }
    void advance(std::chrono::nanoseconds d) { m_now += d; }
    int sleeps = 0;

private:
    TimePoint m_now{std::chrono::seconds(1000)};
};

TEST(CycleSchedule, FirstTicksOfEachDuty) {
    auto firstTick = [](unsigned duty) {
        for (std::uint32_t t = 1; t < 100000; ++t)
            if (skf::gf_secondDuties(t) & duty)
                return t;
        return 0u;
    };
    EXPECT_EQ(firstTick(skf::kDutyEvery5s), 5u);
    EXPECT_EQ(firstTick(skf::kDutyEvery15s), 15u);
    EXPECT_EQ(firstTick(skf::kDutyHalfMinute), 30u);
    EXPECT_EQ(firstTick(skf::kDutyStaticParking), 16u);
    EXPECT_EQ(firstTick(skf::kDutyReaderWatch), 59u);
    EXPECT_EQ(firstTick(skf::kDutyStaticDuplicates), 61u);
    EXPECT_EQ(skf::gf_secondDuties(1), 0u);
}

TEST(CycleSchedule, SlowDutiesSkipMultiplesOfFive) {
    EXPECT_EQ(skf::gf_secondDuties(80) & skf::kDutyStaticParking, 0u);
    EXPECT_EQ(skf::gf_secondDuties(295) & skf::kDutyReaderWatch, 0u);
    EXPECT_EQ(skf::gf_secondDuties(305) & skf::kDutyStaticDuplicates, 0u);
    EXPECT_NE(skf::gf_secondDuties(96) & skf::kDutyStaticParking, 0u);
    EXPECT_NE(skf::gf_secondDuties(118) & skf::kDutyReaderWatch, 0u);
    EXPECT_NE(skf::gf_secondDuties(122) & skf::kDutyStaticDuplicates, 0u);
    EXPECT_EQ(skf::gf_secondDuties(30), unsigned(skf::kDutyEvery5s | skf::kDutyEvery15s | skf::kDutyHalfMinute));
    // Over a whole day every slow duty runs exactly as often as its period allows on non-multiples of 5.
    int parking = 0, watch = 0, duplicates = 0, halfMinute = 0;
    for (std::uint32_t t = 1; t <= 86400; ++t) {
        const unsigned d = skf::gf_secondDuties(t);
        parking += (d & skf::kDutyStaticParking) != 0;
        watch += (d & skf::kDutyReaderWatch) != 0;
        duplicates += (d & skf::kDutyStaticDuplicates) != 0;
        halfMinute += (d & skf::kDutyHalfMinute) != 0;
    }
    EXPECT_EQ(halfMinute, 2880);
    EXPECT_EQ(parking, 5400 - 1080);   // multiples of 16, less those of 80
    EXPECT_EQ(watch, 1464 - 292);      // multiples of 59, less those of 295
    EXPECT_EQ(duplicates, 1416 - 283); // multiples of 61, less those of 305
}

TEST(CycleSchedule, RhythmKeepsTenMillisecondGrid) {
    FakeClock clock;
    const auto start = clock.now();
    std::vector<CycleClock::TimePoint> stepTimes;
    skf::gf_runCycleRhythm(
        clock,
        [&] {
            stepTimes.push_back(clock.now());
            return stepTimes.size() < 5;
        },
        [] { return false; });
    ASSERT_EQ(stepTimes.size(), 5u);
    for (std::size_t i = 0; i < stepTimes.size(); ++i)
        EXPECT_EQ(stepTimes[i] - start, std::chrono::milliseconds(10 * i));
}

TEST(CycleSchedule, LateCycleDropsMissedCycles) {
    FakeClock clock;
    std::vector<CycleClock::TimePoint> stepTimes;
    skf::gf_runCycleRhythm(
        clock,
        [&] {
            stepTimes.push_back(clock.now());
            if (stepTimes.size() == 2)
                clock.advance(250ms); // this cycle returns 250 ms late
            return stepTimes.size() < 6;
        },
        [] { return false; });
    ASSERT_EQ(stepTimes.size(), 6u);
    // After the late cycle the next one follows 10 ms later, not a burst of catch-up cycles.
    EXPECT_EQ(stepTimes[2] - stepTimes[1], 260ms);
    EXPECT_EQ(stepTimes[3] - stepTimes[2], 10ms);
    EXPECT_EQ(stepTimes[4] - stepTimes[3], 10ms);
}

TEST(CycleSchedule, SlightlyLateCycleCatchesUpWithoutSleep) {
    FakeClock clock;
    std::vector<CycleClock::TimePoint> stepTimes;
    skf::gf_runCycleRhythm(
        clock,
        [&] {
            stepTimes.push_back(clock.now());
            if (stepTimes.size() == 2)
                clock.advance(35ms); // late, but within the 100 ms limit
            return stepTimes.size() < 6;
        },
        [] { return false; });
    // The grid holds: the missed targets run at once, then the rhythm is back on the 10 ms grid.
    const auto start = stepTimes[0];
    EXPECT_EQ(stepTimes[2] - start, 45ms);
    EXPECT_EQ(stepTimes[3] - start, 45ms);
    EXPECT_EQ(stepTimes[4] - start, 45ms);
    EXPECT_EQ(stepTimes[5] - start, 50ms);
}

TEST(CycleSchedule, DataArrivalReanchorsTheGrid) {
    FakeClock clock;
    std::vector<CycleClock::TimePoint> stepTimes;
    int calls = 0;
    skf::gf_runCycleRhythm(
        clock,
        [&] {
            stepTimes.push_back(clock.now());
            if (stepTimes.size() == 3)
                clock.advance(13ms); // this cycle ends at 33 ms
            return stepTimes.size() < 6;
        },
        [&] { return ++calls == 3; });
    const auto start = stepTimes[0];
    // The arrival is seen at 33 ms: the grid moves to 33, 43, 53 instead of 30, 40, 50.
    EXPECT_EQ(stepTimes[3] - start, 33ms);
    EXPECT_EQ(stepTimes[4] - start, 43ms);
    EXPECT_EQ(stepTimes[5] - start, 53ms);
}

} // namespace
