#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/Time.h"
#include "support/LogText.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace skf {
namespace {

constexpr std::int64_t kSat = 1796499179; // 2026-12-05 19:32:59 UTC, a Saturday

TEST(TimeText, CalendarTextAndNames) {
    EXPECT_EQ(gf_utcTimeText(kSat), "Sat Dec 05 19:32:59 2026");
    EXPECT_EQ(gf_utcTimeText(1791158400), "Mon Okt 05 00:00:00 2026");
    EXPECT_EQ(gf_utcTimeText(1796515200), "Sun Dec 06 00:00:00 2026");
    EXPECT_EQ(gf_weekdayAndHalfHourOf(1796515200).day, 7);
    EXPECT_EQ(gf_utcTimeText(0), "Thu Jan 01 00:00:00 1970");
    EXPECT_EQ(gf_utcTimeText(-1), "Wed Dec 31 23:59:59 1969");
    EXPECT_EQ(gf_timeOfDayTextOf(kSat), "19:32:59");
    EXPECT_EQ(gf_monthName(0), "???");
    EXPECT_EQ(gf_monthName(13), "???");
    EXPECT_EQ(gf_weekdayName(7), "Sun");
    EXPECT_EQ(gf_weekdayName(8), "???");
    EXPECT_EQ(gf_timeOfDayText().size(), 8u);
    EXPECT_EQ(gf_dateText().size(), 12u); // "Dec 05, 2026"
}

TEST(TimeText, EveryInputIsSafe) {
    EXPECT_EQ(gf_utcTimeText(std::numeric_limits<std::int64_t>::max()), "Invalid time");
    EXPECT_EQ(gf_utcTimeText(std::numeric_limits<std::int64_t>::min()), "Invalid time");
    EXPECT_EQ(gf_timeOfDayTextOf(std::numeric_limits<std::int64_t>::max()), "Invalid time");
    EXPECT_EQ(gf_weekdayAndHalfHourOf(std::numeric_limits<std::int64_t>::max()).day, -1);
    EXPECT_EQ(gf_weekdayAndHalfHourOf(std::numeric_limits<std::int64_t>::max()).slot, -1);

    EXPECT_FALSE(gf_epochSecondsOf(std::nan("")));
    EXPECT_FALSE(gf_epochSecondsOf(1e300));
    EXPECT_FALSE(gf_epochSecondsOf(-1e300));
    EXPECT_FALSE(gf_epochSecondsOf(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(gf_epochSecondsOf(9223372036854775808.0));
    EXPECT_EQ(gf_epochSecondsOf(1796499179.9), 1796499179);
    EXPECT_EQ(gf_epochSecondsOf(-0.5), 0);
}

TEST(HalfHour, SlotBoundaries) {
    const std::int64_t day = 1796428800; // 2026-12-05 00:00:00, Saturday
    auto at = [&](int h, int m, int s) { return gf_weekdayAndHalfHourOf(day + h * 3600 + m * 60 + s); };
    EXPECT_EQ(at(0, 0, 0).slot, 0);
    EXPECT_EQ(at(0, 0, 0).day, 6);
    EXPECT_EQ(at(10, 29, 29).slot, 20);
    EXPECT_EQ(at(10, 29, 30).slot, 21);
    EXPECT_EQ(at(10, 59, 59).slot, 21);
    EXPECT_EQ(at(11, 0, 0).slot, 22);
    EXPECT_EQ(at(23, 29, 30).slot, 47);
    EXPECT_EQ(at(23, 59, 59).slot, 47);
    EXPECT_EQ(at(24, 0, 0).day, 7); // Sunday
    EXPECT_EQ(at(48, 0, 0).day, 1); // Monday
}

class ProgramClock : public ::testing::Test {
protected:
    void TearDown() override {
        g_rtProfessional = false;
        g_lastTrafficTime = 0.0;
    }
};

TEST_F(ProgramClock, ProfessionalModeRunsOnTheLastTrafficTime) {
    g_lastTrafficTime = static_cast<double>(kSat) + 0.75;
    g_rtProfessional = false;
    EXPECT_NE(gf_programClockSeconds(), kSat); // the system clock
    g_rtProfessional = true;
    EXPECT_EQ(gf_programClockSeconds(), kSat);
    EXPECT_EQ(gf_simTimeOfDayText(), "19:32:59");
    const auto [day, slot] = gf_weekdayAndHalfHour();
    EXPECT_EQ(day, 6);
    EXPECT_EQ(slot, 39);
    EXPECT_EQ(gf_renewDayAndSlotNow().slot, 39);
    EXPECT_EQ(g_dayAndSlotNow.load().day, 6);

    // No traffic time yet, or an unusable one: the system clock.
    for (double t : {0.0, 0.4, std::nan(""), 1e300}) {
        g_lastTrafficTime = t;
        const auto before = gf_systemClockSeconds();
        const auto now = gf_programClockSeconds();
        EXPECT_GE(now, before);
        EXPECT_LE(now, gf_systemClockSeconds());
    }
}

class HalfHourSets : public ::testing::Test {
protected:
    void SetUp() override { gf_openLogIn(dir.path()); }
    void TearDown() override { gf_closeLog(); }
    std::string takeLog() {
        const auto all = test::logTextIn(dir.path());
        const auto rest = all.substr(seen);
        seen = all.size();
        return rest;
    }
    static HalfHourSet slots(std::initializer_list<int> list) {
        HalfHourSet s = 0;
        for (int i : list)
            s |= HalfHourSet{1} << i;
        return s;
    }
    test::TempFolder dir;
    std::size_t seen = 0;
};

TEST_F(HalfHourSets, Ranges) {
    takeLog();
    EXPECT_EQ(gf_hours2bitset("10:13"), slots({10, 11, 12, 13}));
    EXPECT_EQ(gf_hours2bitset("5:5"), slots({5}));
    EXPECT_EQ(gf_hours2bitset(" 0 : 47 "), (HalfHourSet{1} << 48) - 1);
    EXPECT_EQ(gf_hours2bitset("1:3,5"), slots({1, 2, 3}));
    EXPECT_EQ(gf_hours2bitset(""), 0u);
    EXPECT_EQ(takeLog(), "");

    EXPECT_EQ(gf_hours2bitset("13:10"), 0u);
    EXPECT_EQ(takeLog(), "==> gf_hours2bitset descending range not allowed (13:10 in 13:10)\n");
    EXPECT_EQ(gf_hours2bitset("1:2:3"), 0u);
    EXPECT_EQ(takeLog(), "==> gf_hours2bitset more than one colon char in: 1:2:3\n");
    EXPECT_EQ(gf_hours2bitset("5:"), 0u);
    EXPECT_EQ(takeLog(), "==> operator () invalid hour '' in 5:\n");
    EXPECT_EQ(gf_hours2bitset("x:48"), 0u);
    EXPECT_EQ(takeLog(), "==> operator () invalid hour 'x' in x:48\n==> operator () invalid hour '48' in x:48\n");
}

TEST_F(HalfHourSets, Lists) {
    takeLog();
    EXPECT_EQ(gf_hours2bitset("1, 3 ,47"), slots({1, 3, 47}));
    EXPECT_EQ(gf_hours2bitset("0"), slots({0}));
    EXPECT_EQ(gf_hours2bitset("5x"), slots({5}));
    EXPECT_EQ(takeLog(), "");
    EXPECT_EQ(gf_hours2bitset("1,48,2"), slots({1, 2}));
    EXPECT_EQ(takeLog(), "==> operator () invalid hour '48' in 1,48,2\n");
    EXPECT_EQ(gf_hours2bitset("1,,2"), slots({1, 2}));
    EXPECT_EQ(takeLog(), "==> operator () invalid hour '' in 1,,2\n");
    EXPECT_EQ(gf_hours2bitset("-1,+2"), 0u);
    EXPECT_EQ(takeLog(), "==> operator () invalid hour '-1' in -1,+2\n==> operator () invalid hour '+2' in -1,+2\n");
}

TEST_F(HalfHourSets, TextsRoundTrip) {
    EXPECT_EQ(gf_bitsetToRange(slots({3, 4, 5})), "3:5");
    EXPECT_EQ(gf_bitsetToRange(slots({7})), "7");
    EXPECT_FALSE(gf_bitsetToRange(slots({3, 5})));
    EXPECT_FALSE(gf_bitsetToRange(0));
    EXPECT_EQ(gf_bitsetToList(slots({3, 5})), "3,5");
    EXPECT_FALSE(gf_bitsetToList(0));
    for (HalfHourSet s : {slots({0}), slots({47}), slots({0, 1, 2}), slots({46, 47}), slots({0, 23, 47})}) {
        EXPECT_EQ(gf_hours2bitset(*gf_bitsetToList(s)), s);
        if (const auto r = gf_bitsetToRange(s)) {
            EXPECT_EQ(gf_hours2bitset(*r), s);
        }
    }
    EXPECT_EQ(takeLog().find("==>"), std::string::npos);
}

} // namespace
} // namespace skf
