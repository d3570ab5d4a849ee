// The stand look-ups, the free-stand search and the learning of stand options.
#include "traffic/Stands.h"
#include "traffic/StandsInternal.h"

#include "sim/UserAircraft.h"
#include "traffic/TrafficFixture.h"

namespace skf::test {
namespace {

using StandSearchTest = TrafficTest;

struct FreeStandCase {
    const char* name;
    std::vector<Stand> stands;
    FlightRecord aircraft;
    double radiusNm;
    bool prefer;
    const char* expected; // "" = none
    bool radiusLearned;
};

TEST_F(StandSearchTest, FreeStandSearchFollowsFitNearnessOptionAndHeliRules) {
    const auto klm = [] { return aircraft("KLM123", "KLM", "B738", 18.0); };
    auto named = makeStand("OPT", 60.0, 30.0, {makeOpt("KLM", "B738", "PH-BXA", "KLM123", "", 3, {20})});
    auto heli = makeStand("H1", 5.0, 30.0, {}, true);
    auto occupied = makeStand("OCC", 2.0, 30.0);
    occupied.occupied = true;
    std::vector<FreeStandCase> cases = {
        {"non-fitting 19 m beats fitting 30 m",
         {makeStand("FIT", 30.0, 30.0), makeStand("SMALL", 19.0, 10.0)},
         klm(),
         kStandWideNm,
         false,
         "SMALL",
         true},
        {"fit within 1.8 m tolerance", {makeStand("TIGHT", 10.0, 16.3)}, klm(), kStandNearNm, false, "TIGHT", false},
        {"non-fitting beyond 20 m is no result",
         {makeStand("SMALL", 25.0, 10.0)},
         klm(),
         kStandWideNm,
         false,
         "",
         false},
        {"fit within radius wins over option stand",
         {named, makeStand("FIT", 40.0, 30.0)},
         klm(),
         kStandWideNm,
         true,
         "FIT",
         false},
        {"option stand when nothing within radius",
         {named, makeStand("FAR", 70.0, 30.0)},
         klm(),
         kStandWideNm,
         true,
         "OPT",
         false},
        {"no option stand without preference", {named}, klm(), kStandWideNm, false, "", false},
        {"a fitting stand without the aircraft's option is no option stand",
         {makeStand("FAR", 70.0, 30.0)},
         klm(),
         kStandWideNm,
         true,
         "",
         false},
        {"an option stand too small for the aircraft is not taken",
         {makeStand("OPT", 60.0, 10.0, {makeOpt("KLM", "B738", "PH-BXA", "KLM123", "", 3, {20})})},
         klm(),
         kStandWideNm,
         true,
         "",
         false},
        {"no option stand with empty callsign",
         {named},
         aircraft("", "DLH", "A333", 18.0),
         kStandWideNm,
         true,
         "",
         false},
        {"heli stand refused to a Large", {heli}, klm(), kStandWideNm, false, "", false},
        {"heli stand for a Rotorcraft",
         {heli},
         aircraft("PHHEL", "", "EC35", 5.0, SizeCategory::Rotorcraft),
         kStandWideNm,
         false,
         "H1",
         false},
        {"Rotorcraft next to an ordinary stand",
         {makeStand("A1", 5.0, 30.0)},
         aircraft("PHHEL", "", "EC35", 5.0, SizeCategory::Rotorcraft),
         kStandWideNm,
         false,
         "",
         false},
        {"occupied stand skipped",
         {occupied, makeStand("NEXT", 15.0, 30.0)},
         klm(),
         kStandNearNm,
         false,
         "NEXT",
         false},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_stands = c.stands;
        numberStands(g_stands);
        g_learnedUpdates = 0;
        const Stand* found = lf_findFreeStand(kBaseLat, kBaseLon, c.aircraft, c.radiusNm, c.prefer);
        EXPECT_EQ(found == nullptr ? std::string() : found->id, c.expected);
        if (c.radiusLearned) {
            ASSERT_NE(found, nullptr);
            EXPECT_TRUE(found->radiusChanged);
            EXPECT_NEAR(found->radius * 1852.0, 17.0, 1e-6);
            EXPECT_EQ(g_learnedUpdates.load(), 1U);
        } else if (found != nullptr) {
            EXPECT_FALSE(found->radiusChanged);
        }
    }
}

TEST_F(StandSearchTest, StandUnderUserIsCachedUntilTheTableChanges) {
    g_stands = {makeStand("A1", 0.0, 20.0), makeStand("A2", 40.0, 20.0)};
    numberStands(g_stands);
    gf_clearStandNameCache();
    UserAircraftState user;
    user.block.latitude = northOf(30.0);
    user.block.longitude = kBaseLon;
    user.onGround = 0;
    EXPECT_EQ(gf_standNameAt(user), ""); // airborne
    user.onGround = 1;
    EXPECT_EQ(gf_standNameAt(user), "A2");
    g_stands[1].id = "RENAMED";
    EXPECT_EQ(gf_standNameAt(user), "A2"); // same position: the cached name
    gf_clearStandNameCache();              // a new stand table
    EXPECT_EQ(gf_standNameAt(user), "RENAMED");
    user.block.latitude = northOf(100.0);
    EXPECT_EQ(gf_standNameAt(user), ""); // beyond 55 m
}

struct MatchCase {
    const char* name;
    std::string callsign;
    SizeCategory category;
    std::int32_t slot;
    int optionSlot;
    bool matches;
};

TEST_F(StandSearchTest, ArrivalTakesTheCallsignPartsOfTodaysOption) {
    const std::vector<MatchCase> cases = {
        {"callsign with trailing underscore", "KLM1602_", SizeCategory::Large, 20, 24, true},
        {"outside the window", "KLM1602", SizeCategory::Large, 20, 31, false},
        {"Heavy window at 23:00 reaches 32", "KLM1602", SizeCategory::Heavy, 46, 32, true},
        {"Heavy window at 23:00 stops at 32", "KLM1602", SizeCategory::Heavy, 46, 31, false},
        {"no wrap into the next day", "KLM1602", SizeCategory::Large, 46, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_stands = {
            makeStand("A1", 0.0, 30.0, {makeOpt("KLM", "B738", "PH-BXA", "KLM1601", "KLM1602", 3, {c.optionSlot})})};
        numberStands(g_stands);
        FlightRecord ac = aircraft(c.callsign, "KLM", "B738", 18.0, c.category);
        gf_matchStandOption(DayAndSlot{3, c.slot}, ac);
        EXPECT_EQ(ac.firstCallsign, c.matches ? "KLM1601" : "");
        EXPECT_EQ(ac.secondCallsign, c.matches ? "KLM1602" : "");
    }
}

using StandOptionTest = TrafficTest;

TEST_F(StandOptionTest, LearnsStaysWithinADayAcrossMidnightAndTheWeekEnd) {
    struct Step {
        DayAndSlot now;
        std::int32_t kind;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::size_t options;     // after the steps
        std::vector<int> first;  // slots of option 1
        std::vector<int> second; // slots of option 2
        std::uint32_t secondDay;
        bool firstComplete;
    };
    const std::vector<Case> cases = {
        {"one arrival", {{{3, 20}, kStandArrived}}, 1, {20}, {}, 0, false},
        {"stay extended and completed",
         {{{3, 20}, kStandArrived}, {{3, 23}, kStandLeaving}},
         1,
         {20, 21, 22, 23},
         {},
         0,
         true},
        {"gap beyond the limit adds a second option",
         {{{3, 20}, kStandArrived}, {{3, 27}, kStandLeaving}},
         2,
         {20},
         {27},
         3,
         true},
        {"the next day is a new option", {{{3, 46}, kStandArrived}, {{4, 1}, kStandLeaving}}, 2, {46}, {1}, 4, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_stands = {makeStand("A1", 0.0, 30.0)};
        numberStands(g_stands);
        for (const Step& step : c.steps) {
            g_dayAndSlotNow.store(step.now);
            FlightRecord ac = aircraft("KLM55", "DLH", "A320", 18.0, SizeCategory::Large, "PH-BXA_");
            lf_addRealStandOption(1, ac, step.kind);
            EXPECT_EQ(ac.airlineId, gf_internOperator("KLM")); // the database's ids
            EXPECT_EQ(ac.modelId, gf_internModel("B738"));
        }
        const auto& options = g_stands[0].options;
        ASSERT_EQ(options.size(), c.options);
        EXPECT_EQ(slotsOf(options[0]), c.first);
        EXPECT_EQ(options[0].registration, "PH-BXA");
        EXPECT_EQ(options[0].source, 0U);
        EXPECT_EQ(options[0].cpl != 0, c.firstComplete);
        if (c.options > 1) {
            EXPECT_EQ(slotsOf(options[1]), c.second);
            EXPECT_EQ(options[1].day, c.secondDay);
        }
    }
}

TEST_F(StandOptionTest, NothingIsLearnedForUnknownRegistrationsStandsOrScheduledFlights) {
    g_stands = {makeStand("A1", 0.0, 30.0, {makeOpt("KLM", "B738", "PH-BXA", "KLM1", "", 3, {10})})};
    numberStands(g_stands);
    FlightRecord unknown = aircraft("X1", "KLM", "B738", 18.0, SizeCategory::Large, "PH-ZZZ");
    lf_addRealStandOption(1, unknown, kStandArrived);
    FlightRecord known = aircraft("KLM1", "KLM", "B738", 18.0, SizeCategory::Large, "PH-BXA");
    lf_addRealStandOption(5, known, kStandArrived); // unknown stand
    lf_addRealStandOption(1, known, kStandArrived); // the schedule has it at 05:00 today
    EXPECT_EQ(g_stands[0].options.size(), 1U);
    EXPECT_EQ(g_learnedUpdates.load(), 0U);
}

TEST_F(StandOptionTest, CompletionSurvivesAnOptionAddedWhileExtending) {
    // The learned option's list is full to its capacity: the new option moves the list.
    std::vector<StandOpt> options = {makeOpt("KLM", "B738", "PH-BXA", "KLM1", "", 3, {10}, 0)};
    options.shrink_to_fit();
    g_stands = {makeStand("A1", 0.0, 30.0, std::move(options))};
    numberStands(g_stands);
    g_dayAndSlotNow.store(DayAndSlot{3, 30}); // 20 half hours later: the stay cannot be extended
    FlightRecord ac = aircraft("KLM1", "KLM", "B738", 18.0, SizeCategory::Large, "PH-BXA");
    lf_addRealStandOption(1, ac, kStandLeaving);
    ASSERT_EQ(g_stands[0].options.size(), 2U);
    EXPECT_EQ(g_stands[0].options[0].cpl, 1);
    EXPECT_EQ(g_stands[0].options[1].cpl, 1);
    EXPECT_TRUE(g_stands[0].options[1].halfHours.test(30));
}

TEST_F(StandOptionTest, StayExtensionCrossesMidnightAndTheWeekEndIntoANewOption) {
    struct Case {
        StandStayMark last;
        DayAndSlot now;
        std::vector<int> first;
        std::vector<int> second;
    };
    const std::vector<Case> cases = {
        {{3, 46, 1}, {4, 1}, {46, 47}, {0, 1}},
        {{7, 47, 1}, {1, 0}, {47}, {0}},
        {{7, 45, 1}, {1, 2}, {45, 46, 47}, {0, 1, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.now.day);
        std::vector<StandOpt> options = {
            makeOpt("KLM", "B738", "PH-BXA", "KLM1", "", c.last.day, {static_cast<int>(c.last.slot)}, 0)};
        options[0].number = 1;
        FlightRecord ac = aircraft("KLM2", "KLM", "B738", 18.0, SizeCategory::Large, "PH-BXA");
        StandStayMark last = c.last;
        ASSERT_TRUE(gf_extendStandStay(c.now, options, 1, last, ac, "PH-BXA", false));
        ASSERT_EQ(options.size(), 2U);
        EXPECT_EQ(slotsOf(options[0]), c.first);
        EXPECT_EQ(slotsOf(options[1]), c.second);
        EXPECT_EQ(options[1].day, static_cast<std::uint32_t>(c.now.day));
        EXPECT_EQ(options[1].callsign, "KLM2");
        EXPECT_EQ(options[0].callsign2, "KLM2"); // noted on the old option too
        EXPECT_EQ(last.number, 2U);
        EXPECT_EQ(last.day, static_cast<std::uint32_t>(c.now.day));
    }
    // Within the day the stay grows in place, and the departure's callsign is noted on it.
    std::vector<StandOpt> options = {makeOpt("KLM", "B738", "PH-BXA", "KLM1", "", 3, {20}, 0)};
    options[0].number = 1;
    StandStayMark last{3, 20, 1};
    const FlightRecord ac = aircraft("KLM2", "KLM", "B738", 18.0, SizeCategory::Large, "PH-BXA");
    ASSERT_TRUE(gf_extendStandStay(DayAndSlot{3, 22}, options, 1, last, ac, "PH-BXA", false));
    ASSERT_EQ(options.size(), 1U);
    EXPECT_EQ(slotsOf(options[0]), (std::vector<int>{20, 21, 22}));
    EXPECT_EQ(options[0].callsign2, "KLM2");
}

TEST_F(StandOptionTest, StayExtensionLimitsByCargoAndCategory) {
    struct Case {
        std::uint8_t cargo;
        SizeCategory category;
        std::int32_t gap;
        bool extended;
    };
    for (const Case c : {Case{0, SizeCategory::Large, 5, true}, Case{0, SizeCategory::Large, 6, false},
                         Case{0, SizeCategory::Heavy, 7, true}, Case{0, SizeCategory::Heavy, 8, false},
                         Case{1, SizeCategory::Large, 11, true}, Case{1, SizeCategory::Large, 12, false}}) {
        SCOPED_TRACE(c.gap);
        std::vector<StandOpt> options = {makeOpt("KLM", "B738", "PH-BXA", "KLM1", "", 2, {10}, 0)};
        options[0].number = 1;
        FlightRecord ac = aircraft("KLM1", "KLM", "B738", 18.0, c.category, "PH-BXA");
        ac.cargo = c.cargo;
        StandStayMark last{2, 10, 1};
        EXPECT_EQ(gf_extendStandStay(DayAndSlot{2, 10 + c.gap}, options, 1, last, ac, "PH-BXA", false), c.extended);
        EXPECT_EQ(options[0].halfHours.test(static_cast<std::size_t>(10 + c.gap)), c.extended);
    }
}

TEST_F(StandOptionTest, FlightAtStandLooksBackOverTheLastFitIntoTheDayBefore) {
    g_stands = {makeStand("A1", 0.0, 30.0,
                          {makeOpt("KLM", "B738", "PH-BXA", "KLM1", "", 3, {18}),
                           makeOpt("KLM", "B738", "PH-BXA", "KLM1", "", 2, {46})})};
    numberStands(g_stands);
    FlightRecord ac = aircraft("KLM1*", "KLM", "B738", 18.0, SizeCategory::Large, "PH-BXA");
    struct Case {
        DayAndSlot now;
        std::int32_t fitReal;
        bool expected;
    };
    for (const Case c : {Case{{3, 18}, 0, true}, Case{{3, 20}, 1, false}, Case{{3, 20}, 2, true},
                         Case{{3, 1}, 2, false}, Case{{3, 1}, 3, true}, Case{{4, 18}, 47, false}}) {
        g_fitReal = c.fitReal;
        g_fitSoft = -1;
        EXPECT_EQ(gf_standHasFlightOf(c.now, 1, ac), c.expected) << c.now.day << "/" << c.now.slot;
    }
    EXPECT_FALSE(gf_standHasFlightOf(DayAndSlot{3, 18}, 0, ac));
    g_fitReal = 0;
}

} // namespace
} // namespace skf::test
