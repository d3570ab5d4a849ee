// The 20-minute parking adjustment and the parked limit, on a set day and half hour with RANDOM off.
#include "traffic/ParkingAdjustment.h"

#include "core/WindowFields.h"
#include "sim/SimQueues.h"
#include "traffic/EngineState.h"
#include "traffic/ParkAirport.h"
#include "traffic/StaticParking.h"
#include "traffic/TrafficFixture.h"

namespace skf::test {
namespace {

class ParkingAdjustmentTest : public TrafficTest {
protected:
    void SetUp() override {
        TrafficTest::SetUp();
        gf_resetParking();
        MAX_PARK_SEL.set(500);
        CUSTOM_PARKING_PERCENTAGE.set(-1);
        parking_percentage.set(100);
        MAX_FIT.set(47);
        WEEK.set(false);
        PARK_SOFT.set(false);
        INITIAL_LOAD_ONLY.set(false);
        g_dayAndSlotNow.store(DayAndSlot{3, 22});
    }
    void TearDown() override {
        gf_resetParking();
        TrafficTest::TearDown();
    }
    static ParkedAircraft staticAt(std::int32_t sid, std::string callsign, std::int32_t parkSlot,
                                   std::uint32_t objectId) {
        ParkedAircraft a;
        a.callsign = std::move(callsign);
        a.standId = sid;
        a.simStatus = SimStatus::active;
        a.objectId = objectId;
        a.trafficId = objectId;
        a.parkTime = gf_weekSlot(DayAndSlot{3, parkSlot});
        return a;
    }
    // PH-BXA of the KLM1601/KLM1602 flight, static on stand 1 under its arrival callsign since parkSlot.
    static ParkedAircraft klm1601At(std::int32_t parkSlot) {
        ParkedAircraft a = staticAt(1, "KLM1601*", parkSlot, 5);
        a.firstCallsign = "KLM1601";
        a.secondCallsign = "KLM1602";
        a.registration = "PH-BXA";
        a.airlineId = gf_internOperator("KLM");
        a.modelId = gf_internModel("B738");
        return a;
    }
    static LiveAircraft parkedLive(std::int32_t sid, std::int32_t parkSlot, std::uint32_t objectId) {
        LiveAircraft a;
        a.callsign = "LIVE" + std::to_string(objectId);
        a.standId = sid;
        a.simStatus = SimStatus::active;
        a.phase = FlightPhase::parked;
        a.standArea = true;
        a.objectId = objectId;
        a.trafficId = 20000 + objectId;
        a.parkTime = gf_weekSlot(DayAndSlot{3, parkSlot});
        return a;
    }
    static void emptyStands(int count) {
        g_stands.clear();
        for (int i = 0; i < count; ++i)
            g_stands.push_back(makeStand("S" + std::to_string(i + 1), 200.0 * i, 30.0));
        numberStands(g_stands);
    }
};

TEST_F(ParkingAdjustmentTest, APlacementKeepsTheAircraftUnlessItIsLater) {
    // Now 11:00; the aircraft parked at 10:00.
    struct Case {
        std::uint32_t offset; // of the placement, half hours before now
        bool kept;
    };
    for (const Case c : {Case{3, true}, Case{2, true}, Case{1, false}}) {
        SCOPED_TRACE(c.offset);
        gf_clearAdjustmentLists();
        g_pendingStatic = {StaticPlacement{1, c.offset, 0, 0, "KLM9", "", "PH-BXA", 1}};
        lf_keepOrReplaceStatic(staticAt(1, "KLM1*", 20, 5), DayAndSlot{3, 22}, 0);
        EXPECT_EQ(g_keptStatics.size(), c.kept ? 1U : 0U);
        EXPECT_EQ(g_plannedRemovals.size(), c.kept ? 0U : 1U);
        EXPECT_EQ(g_pendingStatic.size(), c.kept ? 0U : 1U);
    }
    // Parked on Sunday evening, a placement of Monday morning is later across the week's end.
    gf_clearAdjustmentLists();
    g_pendingStatic = {StaticPlacement{1, 1, 0, 0, "KLM9", "", "PH-BXA", 1}};
    ParkedAircraft sunday = staticAt(1, "KLM1*", 0, 5);
    sunday.parkTime = gf_weekSlot(DayAndSlot{7, 46});
    lf_keepOrReplaceStatic(sunday, DayAndSlot{1, 2}, 0);
    EXPECT_EQ(g_plannedRemovals.size(), 1U);
    // A placement of the standing aircraft's own flight keeps it, however late; one of the same airline with
    // another model or flight on its stand is judged by its time.
    for (const char* model : {"B738", "A320"}) {
        SCOPED_TRACE(model);
        gf_clearAdjustmentLists();
        g_parkedAircraft = {klm1601At(20)};
        g_pendingStatic = {
            StaticPlacement{1, 1, gf_internOperator("KLM"), gf_internModel(model), "KLM1601", "KLM1602", "PH-BXA", 1}};
        lf_reconcileStatics(DayAndSlot{3, 22});
        const bool own = std::string_view(model) == "B738";
        EXPECT_EQ(g_keptStatics.size(), own ? 1U : 0U);
        EXPECT_EQ(g_plannedRemovals.size(), own ? 0U : 1U);
    }
    g_pendingStatic = {StaticPlacement{1, 1, gf_internOperator("KLM"), gf_internModel("B738"), "KLM77", "", "", 1}};
    gf_clearAdjustmentLists();
    lf_reconcileStatics(DayAndSlot{3, 22});
    EXPECT_EQ(g_plannedRemovals.size(), 1U); // another flight of the same model
}

TEST_F(ParkingAdjustmentTest, MoreParkedLiveThanWantedRemovesTheLongestParked) {
    emptyStands(12);
    MAX_PARK_SEL.set(10);
    for (std::uint32_t i = 1; i <= 12; ++i)
        g_liveAircraft.push_back(parkedLive(static_cast<std::int32_t>(i), static_cast<std::int32_t>(i), i));
    gf_adjustParking();
    EXPECT_EQ(g_engineRemovalQueue, (std::vector<std::uint32_t>{1, 2})); // parked at 00:30 and 01:00
    EXPECT_TRUE(g_pendingStatic.empty());
    EXPECT_NE(log().find("Parking adjustments: 2 more live ac than wanted"), std::string::npos);
    EXPECT_NE(log().find("Parking adjustments: 0 to be removed, 0 to be added"), std::string::npos);
}

TEST_F(ParkingAdjustmentTest, ALeavingStaticIsPlacedAgainUnderItsDepartureCallsign) {
    g_stands = {
        makeStand("A1", 0.0, 30.0, {makeOpt("KLM", "B738", "PH-BXA", "KLM1601", "KLM1602", 3, {18, 19, 20, 21, 22})})};
    numberStands(g_stands);
    const ParkedAircraft a = klm1601At(18);
    g_parkedAircraft.push_back(a);
    gf_adjustParking(); // 11:00: the option ends with this half hour
    EXPECT_EQ(g_engineRemovalQueue, std::vector<std::uint32_t>{5});
    ASSERT_EQ(g_pendingStatic.size(), 1U);
    EXPECT_EQ(g_pendingStatic[0].staysOn, 0);
    EXPECT_EQ(g_pendingStatic[0].offset, 4U);
    EXPECT_NE(log().find("Parking adjustments: 1 to be removed, 1 to be added"), std::string::npos);
    lf_addStaticAircraft();
    ASSERT_EQ(g_parkedAircraft.size(), 2U);
    EXPECT_EQ(g_parkedAircraft[1].callsign, "KLM1602*");
    EXPECT_EQ(g_parkedAircraft[1].parkTime, a.parkTime); // keeps its park time
}

TEST_F(ParkingAdjustmentTest, AtTheDaysLastHalfHourTheNextDaysOptionDecidesTheLeaving) {
    for (const bool goesOn : {true, false}) {
        SCOPED_TRACE(goesOn);
        gf_resetParking();
        g_engineRemovalQueue.clear();
        std::vector<StandOpt> options = {makeOpt("KLM", "B738", "PH-BXA", "KLM1601", "KLM1602", 3, {45, 46, 47})};
        if (goesOn)
            options.push_back(makeOpt("KLM", "B738", "PH-BXA", "KLM1601", "KLM1602", 4, {0, 1}));
        g_stands = {makeStand("A1", 0.0, 30.0, options)};
        numberStands(g_stands);
        g_parkedAircraft = {klm1601At(45)};
        g_dayAndSlotNow.store(DayAndSlot{3, 47});
        gf_adjustParking();
        EXPECT_EQ(g_engineRemovalQueue.empty(), goesOn);
        EXPECT_EQ(g_pendingStatic.size(), goesOn ? 0U : 1U);
    }
}

TEST_F(ParkingAdjustmentTest, AStaticWhoseFlightStaysIsKept) {
    g_stands = {makeStand("A1", 0.0, 30.0,
                          {makeOpt("KLM", "B738", "PH-BXA", "KLM1601", "KLM1602", 3, {18, 19, 20, 21, 22, 23})})};
    numberStands(g_stands);
    g_parkedAircraft.push_back(klm1601At(18));
    gf_adjustParking();
    EXPECT_TRUE(g_engineRemovalQueue.empty());
    EXPECT_TRUE(g_pendingStatic.empty());
    EXPECT_EQ(g_keptStatics.size(), 1U);
}

TEST_F(ParkingAdjustmentTest, ParkedLimitWithAndWithoutInitialLoadOnly) {
    emptyStands(4);
    struct Case {
        bool initialLoadOnly;
        std::vector<std::uint32_t> removed;
    };
    for (const Case& c : {Case{false, {11, 5}}, Case{true, {5}}}) {
        SCOPED_TRACE(c.initialLoadOnly);
        INITIAL_LOAD_ONLY.set(c.initialLoadOnly);
        g_engineRemovalQueue.clear();
        g_mainWindow.wantedStaticCount = 1;
        g_liveAircraft = {parkedLive(1, 10, 11)};
        g_parkedAircraft = {staticAt(3, "KLM1*", 12, 6), staticAt(2, "KLM2*", 8, 5)};
        gf_enforceMaxPark(1); // a second live aircraft is spawned at a stand
        EXPECT_EQ(g_engineRemovalQueue, c.removed);
    }
    g_mainWindow.wantedStaticCount = 0;
}

} // namespace
} // namespace skf::test
