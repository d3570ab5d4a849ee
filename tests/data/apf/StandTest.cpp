#include "data/apf/Stand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace skf {
namespace {

TEST(StandTest, ConstructorConvertsRadiusAndKeepsFlagsAsGiven) {
    Stand s("A1", {}, 52.3, 4.76, std::numbers::pi, 1852.0, true, false, true);
    EXPECT_DOUBLE_EQ(s.radius, 1.0);
    EXPECT_DOUBLE_EQ(s.heading, std::numbers::pi);
    EXPECT_TRUE(s.cargo);
    EXPECT_FALSE(s.ramp);
    EXPECT_TRUE(s.heli);
    EXPECT_EQ(s.sid, 0);
    EXPECT_FALSE(s.manual || s.radiusChanged || s.cargoChanged);
    EXPECT_FALSE(s.occupied || s.staticUsed || s.excluded || s.adjacentBlocked);
    EXPECT_GE(s.adjacent.capacity(), 8u);
}

TEST(StandTest, HalfHoursBackWrapsAtMidnight) {
    EXPECT_EQ(gf_halfHoursBack({3, 2}, 5), (std::vector<int>{2, 1, 0, 47, 46}));
    EXPECT_TRUE(gf_halfHoursBack({3, 2}, 0).empty());
    EXPECT_TRUE(gf_halfHoursBack({3, 2}, -4).empty());
    EXPECT_GE(gf_halfHoursBack({3, 2}, 1).capacity(), 48u);
}

TEST(StandTest, SetHalfHourRejectsPositionsOutsideTheDay) {
    HalfHourBits bits;
    gf_setHalfHour(bits, 47);
    EXPECT_TRUE(bits.test(47));
    EXPECT_THROW(gf_setHalfHour(bits, 48), std::out_of_range);
    EXPECT_THROW(gf_setHalfHour(bits, -1), std::out_of_range);
}

TEST(StandTest, FindStandOptNotesCallsigns) {
    std::vector<StandOpt> opts(1);
    opts[0].number = 1;
    gf_findStandOpt(opts, 1, "ABC123_");
    EXPECT_EQ(opts[0].callsign, "ABC123");
    gf_findStandOpt(opts, 1, "ABC123");
    EXPECT_EQ(opts[0].callsign2, "");
    gf_findStandOpt(opts, 1, "ABC124");
    EXPECT_EQ(opts[0].callsign2, "ABC124");
    gf_findStandOpt(opts, 1, "ABC125");
    EXPECT_EQ(opts[0].callsign2, "ABC125");
    gf_findStandOpt(opts, 2, "XYZ"); // no such option
    gf_findStandOpt(opts, 1, "_");   // empty after the strip
    EXPECT_EQ(opts[0].callsign, "ABC123");
    EXPECT_EQ(opts[0].callsign2, "ABC125");
}

} // namespace
} // namespace skf
