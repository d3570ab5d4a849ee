#include <gtest/gtest.h>

#include "data/apf/Stand.h"
#include "ApfFixture.h"

namespace skf::test {
namespace {

using StandScheduleTest = ApfTest;

TEST_F(StandScheduleTest, AddStandOptAddsEachFlightOnce) {
    std::vector<StandOpt> opts;
    const uint16_t dal = gf_internOperator("DAL");
    const uint16_t b752 = gf_internModel("B752");
    EXPECT_EQ(gf_addStandOpt(opts, dal, b752, 3, 20, "DAL12_", "N999ZZ", 1), 1u);
    EXPECT_EQ(gf_addStandOpt(opts, dal, b752, 3, 20, "DAL12", "N999ZZ", 0), std::nullopt); // the same flight
    EXPECT_EQ(gf_addStandOpt(opts, dal, b752, 3, 21, "DAL12", "N999ZZ", 0), 2u);           // another half hour
    EXPECT_EQ(gf_addStandOpt(opts, dal, b752, 3, 21, "DAL12", "", 0), std::nullopt);       // no registration
    ASSERT_EQ(opts.size(), 2u);
    EXPECT_EQ(opts[0].callsign, "DAL12");
    EXPECT_EQ(opts[0].callsign2, "");
    EXPECT_EQ(opts[0].halfHours, HalfHourBits(1ULL << 20));
    EXPECT_EQ(opts[0].airline, dal); // not in the database: the caller's ids
    EXPECT_EQ(opts[0].model, b752);
    EXPECT_EQ(opts[0].source, 0u);
    EXPECT_EQ(opts[0].real, 1u);
    EXPECT_EQ(opts[0].cpl, 1u);
    EXPECT_EQ(opts[0].day, 3u);
    EXPECT_EQ(opts[1].number, 2u);
    EXPECT_EQ(g_learnedUpdates.load(), 2u);
    EXPECT_EQ(g_mainWindow.learnedUpdates.load(), 2u);
    EXPECT_THROW(gf_addStandOpt(opts, dal, b752, 3, 48, "DAL12", "N999ZZ", 0), std::out_of_range);
    EXPECT_EQ(opts.size(), 2u);
}

TEST_F(StandScheduleTest, AddStandOptTakesTheDatabaseIdentity) {
    std::vector<StandOpt> opts;
    const uint16_t xxx = gf_internOperator("XXX");
    ASSERT_TRUE(gf_addStandOpt(opts, xxx, 0, 1, 5, "KLM1", "PH-EXB", 0));
    EXPECT_EQ(gf_operatorName(opts[0].airline), "KLC"); // the operator replaces the airline
    EXPECT_EQ(gf_modelName(opts[0].model), "E190");
    ASSERT_TRUE(gf_addStandOpt(opts, xxx, 0, 1, 5, "KLM2", "PH-BXA", 0));
    EXPECT_EQ(gf_operatorName(opts[1].airline), "KLM"); // operator id 0 keeps the airline
    EXPECT_EQ(gf_modelName(opts[1].model), "B738");
}

TEST_F(StandScheduleTest, UpdateOptionsSetsSlotsFromTheBack) {
    std::vector<StandOpt> opts(2);
    opts[0].number = 1;
    opts[1].number = 2;
    std::vector<int> slots = {12, 11, 10};
    EXPECT_TRUE(updateOptions(opts, slots, 2));
    EXPECT_TRUE(slots.empty());
    EXPECT_EQ(opts[1].halfHours.to_ullong(), 0b111ULL << 10);
    std::vector<int> none = {1};
    EXPECT_FALSE(updateOptions(opts, none, 7));
    EXPECT_EQ(none.size(), 1u);

    std::vector<int> bad = {5, 48, 3}; // taken from the back: 3, then 48 stops
    EXPECT_FALSE(updateOptions(opts, bad, 1));
    EXPECT_TRUE(opts[0].halfHours.test(3));
    EXPECT_EQ(bad, (std::vector<int>{5, 48}));
    EXPECT_NE(lf_log().find("==> updateOptions exception:invalid bitset position"), std::string::npos);
}

TEST_F(StandScheduleTest, UpdateOptionsWrappedSplitsAtMidnight) {
    std::vector<StandOpt> opts(2);
    opts[0].number = 1;                                   // yesterday
    opts[1].number = 2;                                   // today
    std::vector<int> slots = gf_halfHoursBack({4, 2}, 5); // back to front: 46, 47, 0, 1, 2
    EXPECT_TRUE(updateOptionsWrapped(opts, slots, 1, 2));
    EXPECT_EQ(opts[0].halfHours.to_ullong(), (1ULL << 46) | (1ULL << 47));
    EXPECT_EQ(opts[1].halfHours.to_ullong(), 0b11ULL);
    EXPECT_EQ(slots, std::vector<int>{2});

    std::vector<StandOpt> fresh(2);
    fresh[0].number = 1;
    fresh[1].number = 2;
    std::vector<int> fromMidnight = {2, 1, 0}; // the oldest slot is 0: yesterday is skipped
    EXPECT_TRUE(updateOptionsWrapped(fresh, fromMidnight, 1, 2));
    EXPECT_TRUE(fresh[0].halfHours.none());
    EXPECT_EQ(fresh[1].halfHours.to_ullong(), 0b11ULL);

    std::vector<int> missing = {3, 2};
    EXPECT_FALSE(updateOptionsWrapped(fresh, missing, 9, 2));
    EXPECT_EQ(missing.size(), 2u);
    std::vector<int> noToday = {0, 47};
    EXPECT_FALSE(updateOptionsWrapped(fresh, noToday, 1, 9));
    EXPECT_TRUE(fresh[0].halfHours.test(47)); // the bits of the first phase stay

    std::vector<int> bad = {1, 50};
    EXPECT_FALSE(updateOptionsWrapped(fresh, bad, 1, 2));
    EXPECT_NE(lf_log().find("updateOptionsWrapped exception:invalid bitset position"), std::string::npos);
}

} // namespace
} // namespace skf::test
