// The option search, the wanted count, the placement passes and the placing of static aircraft, with
// RANDOM off and the day and half hour set by the test.
#include "traffic/StaticParking.h"

#include "core/WindowFields.h"
#include "data/apf/ParkApf.h"
#include "platform/simconnect/SimConnect.h"
#include "sim/SimQueues.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineServices.h"
#include "traffic/EngineState.h"
#include "traffic/ParkAirports.h"
#include "traffic/StandSearch.h"
#include "traffic/TrafficFixture.h"

namespace skf::test {
namespace {

class StaticParkingTest : public TrafficTest {
protected:
    void SetUp() override {
        TrafficTest::SetUp();
        g_parkAirport.altitude = -11.0F;
        MAX_FIT.set(47);
        MAX_PARK_SEL.set(500);
        CUSTOM_PARKING_PERCENTAGE.set(-1);
        parking_percentage.set(100);
        WEEK.set(false);
        PARK_SOFT.set(false);
        INITIAL_LOAD_ONLY.set(false);
        gf_setStaticIdCounter(0);
    }
    void TearDown() override { TrafficTest::TearDown(); }
    static std::vector<std::string> placedOn() {
        std::vector<std::string> out;
        for (const StaticPlacement& p : g_pendingStatic)
            out.push_back(gf_standName(p.standId) + ":" + p.firstCallsign + "@" + std::to_string(p.offset));
        return out;
    }
};

TEST_F(StaticParkingTest, WantedCountFollowsPercentageStandsAndMaximum) {
    struct Case {
        std::size_t stands;
        std::int32_t percent;
        std::int32_t custom;
        std::int32_t maxPark;
        std::int64_t wanted;
    };
    for (const Case c : {Case{100, 30, -1, 500, 30}, Case{100, 30, -1, 25, 25}, Case{100, 30, -1, 0, 0},
                         Case{3, 30, -1, 500, 1}, Case{3, 50, -1, 500, 2}, Case{1, 30, -1, 500, 1},
                         Case{0, 30, -1, 500, 1}, Case{100, 30, 10, 500, 10}, Case{100, 30, 0, 500, 0}}) {
        SCOPED_TRACE(testing::Message() << c.stands << " stands at " << c.percent << "%/" << c.custom);
        g_stands.assign(c.stands, Stand());
        parking_percentage.set(c.percent);
        CUSTOM_PARKING_PERCENTAGE.set(c.custom);
        MAX_PARK_SEL.set(c.maxPark);
        EXPECT_EQ(gf_wantedStaticCount(), c.wanted);
        EXPECT_EQ(g_mainWindow.wantedStaticCount.load(), c.wanted);
    }
}

TEST_F(StaticParkingTest, SearchLooksBackOverMidnightAndDisablesFlightsInUse) {
    g_stands = {makeStand("A1", 0.0, 30.0, {makeOpt("KLM", "B738", "PH-BXA", "KLM1", "KLM2", 7, {47})}),
                makeStand("A2", 200.0, 30.0, {makeOpt("KLM", "B789", "PH-BHA", "KLM3", "", 7, {47})}),
                makeStand("H1", 400.0, 30.0, {makeOpt("DLH", "A333", "D-AIKA", "DLH4", "", 7, {47})}, true),
                makeStand("A3", 600.0, 30.0, {makeOpt("KLM", "B738", "PH-BXC", "KLM5", "", 7, {47})}),
                makeStand("A4", 800.0, 30.0, {makeOpt("KLM", "B738", "PH-BXD", "KLM6", "", 7, {47})})};
    numberStands(g_stands);
    g_pendingStatic.push_back(StaticPlacement{9, 0, 0, 0, "X", "", "PH-BHA", 1});    // PH-BHA is pending
    g_pendingStatic.push_back(StaticPlacement{9, 0, 0, 0, "KLM6", "", "PH-ZZZ", 1}); // and the flight KLM6
    ParkedAircraft parked;                                                           // KLM5 stands somewhere
    parked.callsign = parked.firstCallsign = "KLM5*";
    g_parkedAircraft.push_back(parked);
    HELICOPTERS.set(false);
    std::vector<StaticPlacement> out;
    lf_searchStands(DayAndSlot{1, 0}, 1, 1, 1, out); // half hour 0, one back: Sunday 47
    ASSERT_EQ(out.size(), 1U);
    EXPECT_EQ(out[0].standId, 1);
    EXPECT_EQ(out[0].offset, 1U);
    EXPECT_EQ(out[0].secondCallsign, "KLM2");
    EXPECT_EQ(out[0].staysOn, 0); // no half hour 1 on Monday
    EXPECT_TRUE(g_stands[0].staticUsed);
    EXPECT_EQ(g_stands[1].options[0].number, 0U); // in use: disabled for this calculation
    EXPECT_FALSE(g_stands[1].staticUsed);
    EXPECT_FALSE(g_stands[2].staticUsed); // heli stand while HELICOPTERS is off
    EXPECT_EQ(g_stands[2].options[0].number, 1U);
    for (const std::size_t inUse : {3, 4}) { // by a parked aircraft, by a pending placement
        EXPECT_EQ(g_stands[inUse].options[0].number, 0U) << inUse;
        EXPECT_FALSE(g_stands[inUse].staticUsed) << inUse;
    }
}

TEST_F(StaticParkingTest, StaysOnAndNeighbourRules) {
    // A2 lies next to A1; a static aircraft on A1 with a wide model blocks A2 for wide models only.
    g_stands = {makeStand("A1", 0.0, 40.0),
                makeStand("A2", 50.0, 40.0,
                          {makeOpt("KLM", "B738", "PH-BXA", "KLM1", "KLM2", 3, {20, 21}),
                           makeOpt("KLM", "B738", "PH-BXB", "KLM5", "", 3, {20})}),
                makeStand("A3", 500.0, 40.0,
                          {makeOpt("KLM", "B738", "PH-BXC", "KLM7", "KLM8", 3, {47}),
                           makeOpt("KLM", "B738", "PH-BXC", "KLM7", "KLM8", 4, {0})})};
    numberStands(g_stands);
    gf_numberAndLinkStands(g_stands);
    ASSERT_EQ(g_stands[1].adjacent, std::vector<std::int32_t>{1});
    std::vector<StaticPlacement> out;
    lf_searchStands(DayAndSlot{3, 20}, 1, 1, 0, out);
    ASSERT_EQ(out.size(), 1U);
    EXPECT_EQ(out[0].registration, "PH-BXA");
    EXPECT_EQ(out[0].staysOn, 1); // half hour 21 is set
    EXPECT_TRUE(g_stands[0].adjacentBlocked);

    out.clear();
    lf_searchStands(DayAndSlot{3, 47}, 1, 1, 0, out);
    ASSERT_EQ(out.size(), 1U);
    EXPECT_EQ(out[0].staysOn, 1); // Thursday's option goes on at half hour 0
}

TEST_F(StaticParkingTest, CalculationWidensTheFitUntilEnoughStandsAreUsed) {
    struct Case {
        std::int32_t maxFit;
        std::vector<std::string> placed; // consumption order is from the back
        std::int32_t fitReal;
    };
    const std::vector<Case> cases = {
        {0, {"A1:KLM1@0"}, 0},
        {2, {"A2:KLM2@2", "A1:KLM1@0"}, 2},
        {47, {"A3:KLM3@5", "A2:KLM2@2", "A1:KLM1@0"}, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.maxFit);
        g_stands = {makeStand("A1", 0.0, 30.0, {makeOpt("KLM", "B738", "PH-BXA", "KLM1", "", 3, {20})}),
                    makeStand("A2", 200.0, 30.0, {makeOpt("KLM", "B789", "PH-BHA", "KLM2", "", 3, {18})}),
                    makeStand("A3", 400.0, 30.0, {makeOpt("DLH", "A333", "D-AIKA", "KLM3", "", 3, {15})}),
                    makeStand("A4", 600.0, 30.0)};
        numberStands(g_stands);
        parking_percentage.set(75); // 3 of 4
        MAX_FIT.set(c.maxFit);
        g_dayAndSlotNow.store(DayAndSlot{3, 20});
        lf_calcStaticParking();
        EXPECT_EQ(placedOn(), c.placed);
        EXPECT_EQ(g_fitReal, c.fitReal);
    }
}

TEST_F(StaticParkingTest, WeekAndSoftPassesOnlyWhenSwitchedOn) {
    g_stands = {makeStand("A1", 0.0, 30.0, {makeOpt("KLM", "B738", "PH-BXA", "KLM1", "", 5, {20})}),
                makeStand("A2", 200.0, 30.0, {makeOpt("KLM", "B789", "PH-BHA", "KLM2", "", 3, {20}, 1, 0)})};
    numberStands(g_stands);
    g_dayAndSlotNow.store(DayAndSlot{3, 20});
    lf_calcStaticParking();
    EXPECT_TRUE(g_pendingStatic.empty());
    WEEK.set(true);
    PARK_SOFT.set(true);
    for (Stand& s : g_stands)
        s.adjacentBlocked = false;
    lf_calcStaticParking();
    auto placed = placedOn();
    std::sort(placed.begin(), placed.end());
    EXPECT_EQ(placed, (std::vector<std::string>{"A1:KLM1@0", "A2:KLM2@0"}));
    EXPECT_TRUE(g_mainWindow.softFlag.load());
    EXPECT_TRUE(g_mainWindow.weekFlag.load());
}

// A placement found on the day's own real flights needs neither the week nor the soft options: no mark.
TEST_F(StaticParkingTest, NoWeekOrSoftMarkForAPlacementOfTheDaysOwnFlights) {
    g_stands = {makeStand("A1", 0.0, 30.0, {makeOpt("KLM", "B738", "PH-BXA", "KLM1", "", 3, {20})})};
    numberStands(g_stands);
    g_dayAndSlotNow.store(DayAndSlot{3, 20});
    WEEK.set(true);
    PARK_SOFT.set(true);
    g_mainWindow.softFlag = false;
    g_mainWindow.weekFlag = false;
    lf_calcStaticParking();
    EXPECT_EQ(placedOn(), (std::vector<std::string>{"A1:KLM1@0"}));
    EXPECT_FALSE(g_mainWindow.softFlag.load());
    EXPECT_FALSE(g_mainWindow.weekFlag.load());
}

// The livery of a registration: its installed title, or none.
TEST_F(StaticParkingTest, RegistrationTitlesAreFoundOrNone) {
    EXPECT_EQ(gf_regcodeTitle("PH-BXA"), std::optional<std::string_view>("Test Livery"));
    EXPECT_FALSE(gf_regcodeTitle("PH-XXX").has_value());
}

// The nav-lights box reaches the static aircraft that are in the simulator, not those still being created.
TEST_F(StaticParkingTest, NavLightsReachTheStaticAircraftInTheSimulatorOnly) {
    ParkedAircraft there;
    there.objectId = 601;
    there.simStatus = SimStatus::active;
    ParkedAircraft coming;
    coming.objectId = 602;
    coming.simStatus = SimStatus::adding2sim;
    g_parkedAircraft = {there, coming};
    {
        std::lock_guard lock(g_simCommandMutex);
        g_eventQueue.clear();
    }
    gf_setNavLightsOfParked(true);
    std::vector<std::uint32_t> lit;
    {
        std::lock_guard lock(g_simCommandMutex);
        for (const EventEntry& e : g_eventQueue)
            if (e.eventId == SIM_EVENT_NAV_LIGHTS_SET && e.value == 1)
                lit.push_back(e.objectId);
        g_eventQueue.clear();
    }
    EXPECT_EQ(lit, std::vector<std::uint32_t>{601});
    g_parkedAircraft.clear();
}

TEST_F(StaticParkingTest, PlacingNamesTheAircraftAndQueuesItsCreation) {
    struct Case {
        const char* name;
        StaticPlacement placement;
        std::string callsign;
    };
    const std::vector<Case> cases = {
        {"stays on: arrival part", {1, 0, 0, 0, "KLM1601", "KLM1602", "PH-BXA", 1}, "KLM1601*"},
        {"leaving: departure part", {1, 0, 0, 0, "KLM1601", "KLM1602", "PH-BXA", 0}, "KLM1602*"},
        {"two underscores", {1, 0, 0, 0, "KLM1601__", "", "PH-BXA", 0}, "KLM1601*"},
        {"a star stays one", {1, 0, 0, 0, "KLM1601*", "", "PH-BXA", 1}, "KLM1601*"},
        {"no name: airline and id", {1, 2, gf_internOperator("KLM"), 0, "", "", "PH-BXA", 1}, "KLM1*"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_stands = {makeStand("A1", 0.0, 30.0)};
        numberStands(g_stands);
        g_parkedAircraft.clear();
        g_staticCreationQueue.clear();
        gf_setStaticIdCounter(0);
        g_dayAndSlotNow.store(DayAndSlot{1, 1});
        g_pendingStatic = {c.placement};
        lf_addStaticAircraft();
        ASSERT_EQ(g_parkedAircraft.size(), 1U);
        const ParkedAircraft& a = g_parkedAircraft[0];
        EXPECT_EQ(a.callsign, c.callsign);
        EXPECT_EQ(a.trafficId, 1U);
        EXPECT_EQ(a.simStatus, SimStatus::adding2sim);
        EXPECT_EQ(a.parkTime,
                  gf_weekSlot(gf_slotsBack(DayAndSlot{1, 1}, static_cast<std::int32_t>(c.placement.offset))));
        ASSERT_EQ(g_staticCreationQueue.size(), 1U);
        EXPECT_EQ(g_staticCreationQueue[0].callsign, c.callsign);
        EXPECT_EQ(g_staticCreationQueue[0].position.onGround, 1U);
        EXPECT_EQ(g_staticCreationQueue[0].position.pitch, 0.0); // level on its stand
        EXPECT_EQ(g_staticCreationQueue[0].position.bank, 0.0);
        EXPECT_EQ(g_staticCreationQueue[0].position.airspeed, 0U);
        EXPECT_EQ(g_staticCreationQueue[0].trafficId, 1U);
        EXPECT_TRUE(g_pendingStatic.empty());
    }
    EXPECT_EQ(g_parkedAircraft[0].parkTime, 7 * 48 + 47); // two half hours back from Monday 00:30
}

TEST_F(StaticParkingTest, NoLiveryNoAircraft) {
    g_stands = {makeStand("A1", 0.0, 30.0)};
    numberStands(g_stands);
    g_pendingStatic = {{1, 0, gf_internOperator("XYZ"), gf_internModel("ZZZZ"), "XYZ1", "", "N-ONE", 1}};
    lf_addStaticAircraft();
    EXPECT_TRUE(g_parkedAircraft.empty());
    EXPECT_TRUE(g_staticCreationQueue.empty());
    EXPECT_NE(log().find("no livery match"), std::string::npos);
}

TEST_F(StaticParkingTest, StaticIdsNeverZeroNorTwice) {
    ParkedAircraft holder;
    holder.trafficId = 1;
    g_parkedAircraft.push_back(holder);
    gf_setStaticIdCounter(9998);
    EXPECT_EQ(lf_nextStaticId(), 9999U);
    EXPECT_EQ(lf_nextStaticId(), 2U); // 0 is "no match", 1 is in use
}

TEST_F(StaticParkingTest, PlacementRefusedBesideOtherAircraft) {
    g_stands = {makeStand("A1", 0.0, 40.0), makeStand("A2", 50.0, 40.0), makeStand("A3", 500.0, 40.0)};
    numberStands(g_stands);
    gf_numberAndLinkStands(g_stands);
    LiveAircraft live;
    live.callsign = "DLH9";
    live.phase = FlightPhase::parked;
    live.standId = 1;
    g_liveAircraft.push_back(live);
    g_pendingStatic = {{3, 0, 0, 0, "KLM3", "", "PH-BXC", 1},
                       {2, 0, 0, 0, "KLM2", "", "PH-BXB", 1},
                       {1, 0, 0, 0, "KLM1", "", "PH-BXA", 1}};
    lf_addStaticAircraft();
    lf_addStaticAircraft();
    EXPECT_TRUE(g_parkedAircraft.empty());
    EXPECT_NE(log().find("A1      : no static parking for KLM1, live aircraft DLH9 standing here"), std::string::npos);
    EXPECT_NE(
        log().find("A2      : no static parking for KLM2, live aircraft DLH9 is adjacent at A1, possibly colliding"),
        std::string::npos);
    lf_addStaticAircraft();
    EXPECT_EQ(g_parkedAircraft.size(), 1U);
    g_pendingStatic = {{2, 0, 0, 0, "KLM4", "", "PH-BXD", 1}};
    g_liveAircraft.clear();
    g_parkedAircraft[0].standId = 1; // a static one on A1 now
    lf_addStaticAircraft();
    EXPECT_EQ(g_parkedAircraft.size(), 1U);
    EXPECT_NE(log().find("no static parking for KLM4, static aircraft KLM3* is adjacent at A1"), std::string::npos);
}

} // namespace
} // namespace skf::test
