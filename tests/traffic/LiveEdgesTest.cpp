// Edges of a live aircraft's life without a simulator: when a buffered aircraft is spawned, the rest
// attitude the simulator reports, and ghosts (a callsign the feed made unique with a trailing underscore).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>

#include "EngineHarness.h"
#include "feed/TrafficQueue.h"
#include "traffic/EngineInternal.h"

namespace skf::test {
namespace {

class LiveEdges : public ::testing::Test {
protected:
    void SetUp() override {
        addTestModel("A320", SizeCategory::Large, 17.0);
        gf_resetSimLinkState();
        gf_resetEngine();
        g_stepCounter = 50000;
        MAX_LIVE_SEL.set(500);
        COLLISION_USER_GND.set(false);
        COLLISION_USER_AIR.set(false);
    }
    void TearDown() override {
        gf_resetEngine(); // also the titles per traffic id
    }

    // A buffered aircraft with two points, the first due at `due`, its livery already chosen.
    static LiveAircraft& buffered(std::uint32_t id, const std::string& callsign, bool airborne, double gs,
                                  std::int32_t due) {
        TrafficRecord t;
        t.callsign = callsign;
        t.modelId = gf_internModel("A320");
        FlightRecord r = gf_makeFlightRecord(std::move(t));
        r.trafficId = id;
        StreamPoint p;
        p.latitude = 52.0;
        p.longitude = 4.0;
        p.altitude = airborne ? 3000.0 : 0.0;
        p.airborne = airborne;
        p.groundSpeed = gs;
        p.dueStep = due;
        g_liveAircraft.emplace_back(p, std::move(r), 0.0);
        LiveAircraft& a = g_liveAircraft.back();
        p.latitude += 0.001;
        p.dueStep += 300;
        a.stream.push_back(p);
        g_liveryTitleById[id] = kTestTitle;
        return a;
    }

    WorkFolder m_work;
};

TEST_F(LiveEdges, SpawnedThreeSecondsAheadWhenMovingOnTheGroundElseOneSecond) {
    struct Case {
        const char* what;
        bool airborne;
        double gs;
        std::int32_t lead;
    };
    const Case cases[] = {
        {"moving on the ground", false, 15.0, 300},
        {"standing on the ground", false, 0.0, 100},
        {"in the air", true, 200.0, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gf_resetEngine();
        const auto due = static_cast<std::int32_t>(g_stepCounter.load() + 1000);
        LiveAircraft& a = buffered(20001, "KLM1", c.airborne, c.gs, due);
        g_stepCounter = static_cast<std::uint32_t>(due - c.lead - 1);
        updateLiveAc(a);
        EXPECT_EQ(a.simStatus, SimStatus::buffer);
        g_stepCounter = static_cast<std::uint32_t>(due - c.lead);
        updateLiveAc(a);
        EXPECT_EQ(a.simStatus, SimStatus::adding2sim);
        EXPECT_EQ(g_spawnRequests.size(), 1U);
    }
}

TEST_F(LiveEdges, RestAttitudeOfTheSimulatorWithinItsLimits) {
    struct Case {
        double cgFeet, pitchDeg;
        double expectCg, expectPitchDeg;
    };
    const Case cases[] = {
        {10.0, -1.0, 10.0, 0.7},                        // -1 degree exactly is no rest pitch
        {10.0, 2.5, 10.0, 2.5},                         // 2.5 degrees exactly is
        {10.0, 2.6, 10.0, 0.7},   {0.5, 0.0, 7.0, 0.0}, // a CG height below 1 ft is ignored
        {35.0, -0.5, 35.0, -0.5}, {35.1, -0.5, 7.0, -0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cgFeet);
        gf_resetEngine();
        LiveAircraft& a = buffered(20001, "KLM1", true, 200.0, 0);
        a.objectId = 300;
        a.staticCgFt = 7.0;
        gf_pushSimMessage(SimMessage{300, 0, SimMessageKind::staticCg, c.cgFeet, c.pitchDeg * g_degToRad});
        gf_processSimMessages();
        EXPECT_DOUBLE_EQ(g_liveAircraft.front().staticCgFt, c.expectCg);
        EXPECT_NEAR(g_liveAircraft.front().staticPitchRad, c.expectPitchDeg * g_degToRad, 1e-12);
    }
}

TEST_F(LiveEdges, TheRealCallsignRemovesItsGhostWhichIsNeverSpawnedAgain) {
    const auto due = static_cast<std::int32_t>(g_stepCounter.load() + 50);
    LiveAircraft& ghost = buffered(20001, "KLM1_", true, 200.0, due);
    ghost.simStatus = SimStatus::active;
    ghost.objectId = 301;
    LiveAircraft& real = buffered(20002, "KLM1", true, 200.0, due);
    updateLiveAc(real);
    EXPECT_EQ(g_liveAircraft[1].simStatus, SimStatus::adding2sim);
    EXPECT_EQ(g_liveAircraft[0].simStatus, SimStatus::removingfromsim);
    EXPECT_EQ(g_ghostCallsigns, std::vector<std::string>{"KLM1_"});
    EXPECT_NE(m_work.log().find("KLM1_    is a ghost and will be removed, continue with KLM1"), std::string::npos);
    LiveAircraft& again = buffered(20003, "KLM1_", true, 200.0, due);
    updateLiveAc(again);
    EXPECT_EQ(g_liveAircraft.back().erase, 1);

    // A parked ghost's line begins with its stand.
    gf_resetEngine();
    Stand d7("D7", {}, 52.0, 4.0, 0.0, 20.0, false, false, false);
    d7.sid = 1;
    g_stands = {d7};
    LiveAircraft& parked = buffered(20004, "KLM2_", true, 200.0, due);
    parked.simStatus = SimStatus::active;
    parked.objectId = 302;
    parked.phase = FlightPhase::parked;
    parked.standId = 1;
    updateLiveAc(buffered(20005, "KLM2", true, 200.0, due));
    EXPECT_NE(m_work.log().find("D7      : KLM2_    is a ghost and will be removed, continue with KLM2"),
              std::string::npos)
        << m_work.log();
    g_stands.clear();
}

// An aircraft that cannot go on is gone after the step that finds it so, also when it is the only one: a
// buffered aircraft with a single report, an active one without an object id.
TEST_F(LiveEdges, AnAircraftThatCannotGoOnIsErasedAtItsStep) {
    buffered(20001, "KLM1", true, 200.0, static_cast<std::int32_t>(g_stepCounter.load() + 50));
    g_liveAircraft.front().stream.pop_back();
    lf_handleAddingStack();
    EXPECT_TRUE(g_liveAircraft.empty());
    buffered(20002, "KLM2", true, 200.0, static_cast<std::int32_t>(g_stepCounter.load() + 500));
    g_liveAircraft.front().simStatus = SimStatus::active;
    lf_handleAddingStack();
    EXPECT_TRUE(g_liveAircraft.empty());
    EXPECT_NE(m_work.log().find("objectid=0? hexid: 20002"), std::string::npos) << m_work.log();
}

// An aircraft whose livery key found no livery before is not spawned again; the key of an unusable callsign
// is not looked at.
TEST_F(LiveEdges, AnAircraftWhoseKeyFoundNoLiveryIsNotSpawned) {
    const auto due = static_cast<std::int32_t>(g_stepCounter.load() + 50);
    const struct {
        const char* callsign;
        bool keyWithoutLivery;
        bool spawned;
    } rows[] = {{"KLM1", false, true}, {"KLM1", true, false}, {"@@@@@@@@", true, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.callsign) + (row.keyWithoutLivery ? " without livery" : ""));
        // The key as the spawn sees it, after the identity is refreshed from the database.
        gf_resetEngine();
        updateLiveAc(buffered(20001, row.callsign, true, 200.0, due));
        const std::string key = gf_matchingKey(g_liveAircraft.front());
        gf_resetEngine();
        LiveAircraft& a = buffered(20001, row.callsign, true, 200.0, due);
        if (row.keyWithoutLivery)
            g_noLiveryKeys.insert(key);
        updateLiveAc(a);
        EXPECT_EQ(g_liveAircraft.front().simStatus == SimStatus::adding2sim, row.spawned);
        EXPECT_EQ(g_liveAircraft.front().erase, row.spawned ? 0 : 1);
        g_noLiveryKeys.clear();
    }
}

// The range data sets the altitude to the ground's (plus the CG height) on the ground and through the
// rotation of a take-off (a count of 2 or more), never in flight.
TEST_F(LiveEdges, RangeDataHoldsTheAltitudeOnTheGroundAndThroughTheRotation) {
    const struct {
        bool onGround;
        std::int32_t count;
        double altitude;
    } rows[] = {{true, 1, 107.0}, {false, 2, 107.0}, {false, 3, 107.0}, {false, 1, 3000.0}, {false, 0, 3000.0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.onGround << " " << row.count);
        gf_resetEngine();
        LiveAircraft& a = buffered(20001, "KLM1", true, 200.0, 0);
        a.simStatus = SimStatus::active;
        a.objectId = 300;
        a.staticCgFt = 7.0;
        a.phase = FlightPhase::take_off;
        a.onGround = row.onGround;
        a.rangeDataCount = row.count;
        a.position.altitude = 3000.0;
        gf_pushSimMessage(SimMessage{300, 0, SimMessageKind::knownInRange, 100.0, 40.0});
        gf_processSimMessages();
        EXPECT_DOUBLE_EQ(g_liveAircraft.front().position.altitude, row.altitude);
        EXPECT_DOUBLE_EQ(g_liveAircraft.front().heightAboveGround, 40.0);
    }
}

// Above 10000 ft, once: nav, beacon and cabin lights on, the other four off.
TEST_F(LiveEdges, TheCruiseConfigurationShowsNavBeaconAndCabinLightsOnly) {
    LiveAircraft& a = buffered(20001, "KLM1", true, 200.0, 0);
    a.objectId = 300;
    {
        std::lock_guard lock(g_simCommandMutex);
        g_eventQueue.clear();
    }
    lf_cruiseConfig(a);
    lf_cruiseConfig(a); // once
    std::map<std::uint32_t, std::uint32_t> lights;
    std::size_t events = 0;
    {
        std::lock_guard lock(g_simCommandMutex);
        for (const EventEntry& e : g_eventQueue) {
            if (e.objectId == 300 && e.eventId >= SIM_EVENT_BEACON_LIGHTS_SET &&
                e.eventId <= SIM_EVENT_LOGO_LIGHTS_SET) {
                lights[e.eventId] = e.value;
                ++events;
            }
        }
        g_eventQueue.clear();
    }
    EXPECT_EQ(events, 7U);
    EXPECT_EQ(lights, (std::map<std::uint32_t, std::uint32_t>{{SIM_EVENT_NAV_LIGHTS_SET, 1},
                                                              {SIM_EVENT_BEACON_LIGHTS_SET, 1},
                                                              {SIM_EVENT_LANDING_LIGHTS_SET, 0},
                                                              {SIM_EVENT_TAXI_LIGHTS_SET, 0},
                                                              {SIM_EVENT_STROBES_SET, 0},
                                                              {SIM_EVENT_LOGO_LIGHTS_SET, 0},
                                                              {SIM_EVENT_CABIN_LIGHTS_SET, 1}}));
}

// A take-off starts with the wings level.
TEST_F(LiveEdges, ATakeOffStartsWithTheWingsLevel) {
    LiveAircraft& a = buffered(20001, "KLM1", false, 150.0, 0);
    a.objectId = 300;
    a.position.bank = 0.2;
    a.bankRate = 0.01;
    lf_takeOff(a);
    EXPECT_EQ(a.position.bank, 0.0);
    EXPECT_EQ(a.bankRate, 0.0);
    EXPECT_EQ(a.phase, FlightPhase::take_off);
}

// A report for an aircraft not yet in the simulator brings its new route and identity; an empty field keeps
// what the aircraft has.
TEST_F(LiveEdges, ABufferedAircraftTakesTheNewRouteOfAReport) {
    LiveAircraft& a = buffered(20001, "KLM1", true, 200.0, 0);
    a.origin = gf_routeCode("AMS");
    a.destination = gf_routeCode("LHR");
    QueuedTraffic report;
    report.record.origin = gf_routeCode("AMS");
    report.record.destination = gf_routeCode("JFK");
    EXPECT_TRUE(lf_checkRespawn(a, report));
    EXPECT_EQ(gf_routeCodeText(a.destination), "JFK");
    report.record.destination = RouteCode{};
    report.record.origin = RouteCode{};
    EXPECT_TRUE(lf_checkRespawn(a, report));
    EXPECT_EQ(gf_routeCodeText(a.destination), "JFK");
    EXPECT_EQ(gf_routeCodeText(a.origin), "AMS");
    EXPECT_EQ(a.callsign, "KLM1");
}

// The feed's copy of a live aircraft (its callsign with a trailing underscore) is not spawned beside it; a
// callsign that merely begins like a live one is, and so is a marked callsign whose stem flies nowhere.
TEST_F(LiveEdges, AGhostOfALiveAircraftIsNotSpawnedButALookAlikeIs) {
    const auto due = static_cast<std::int32_t>(g_stepCounter.load() + 50);
    buffered(20001, "KLM1", true, 200.0, due);
    g_liveAircraft[0].simStatus = SimStatus::active;
    g_liveAircraft[0].objectId = 301;
    buffered(20002, "KLM1_", true, 200.0, due);
    updateLiveAc(g_liveAircraft[1]);
    EXPECT_EQ(g_liveAircraft[1].erase, 1);
    EXPECT_NE(g_liveAircraft[1].simStatus, SimStatus::adding2sim);
    buffered(20003, "KLM12", true, 200.0, due);
    updateLiveAc(g_liveAircraft[2]);
    EXPECT_EQ(g_liveAircraft[2].erase, 0);
    EXPECT_EQ(g_liveAircraft[2].simStatus, SimStatus::adding2sim);
    buffered(20004, "DLH7_", true, 200.0, due); // the feed's mark, but no live DLH7 and no ghost of that name
    updateLiveAc(g_liveAircraft[3]);
    EXPECT_EQ(g_liveAircraft[3].simStatus, SimStatus::adding2sim);
}

// An aircraft held back near the user waits out its reports one by one (each passed over, none spawned): in
// the air, and on the ground while the user rolls.
TEST_F(LiveEdges, AnAircraftHeldBackNearTheUserPassesOverItsReports) {
    const auto due = static_cast<std::int32_t>(g_stepCounter.load() + 50);
    COLLISION_USER_AIR.set(true);
    for (const bool userOnGround : {false, true}) {
        SCOPED_TRACE(userOnGround ? "user rolling on the ground" : "user in the air");
        gf_resetEngine();
        UserAircraftBlock b;
        b.latitude = 52.5;
        b.longitude = 4.5;
        b.groundSpeed = 10.0;
        g_userAircraft.setBlock(b);
        g_userAircraft.setGround(userOnGround);
        LiveAircraft& a = buffered(20001, "KLM1", true, 200.0, due);
        a.droppedNearUser = true;
        a.stream.push_back(a.stream.back());
        a.stream.back().dueStep += 300;
        const std::size_t reports = a.stream.size();
        updateLiveAc(a);
        EXPECT_EQ(g_liveAircraft.front().stream.size(), reports - 1);
        EXPECT_EQ(g_liveAircraft.front().simStatus, SimStatus::buffer);
    }
    COLLISION_USER_AIR.set(false);
    g_userAircraft.reset();
}

// Spawned standing (its second report stands still): a third report that stands still too gets no speed, one
// that moves keeps its speed.
TEST_F(LiveEdges, SpawnedStandingTheNextReportKeepsItsOwnSpeed) {
    for (const bool thirdStands : {true, false}) {
        SCOPED_TRACE(thirdStands ? "third report standing" : "third report moving");
        gf_resetEngine();
        LiveAircraft& a = buffered(20001, "KLM1", false, 0.0, 0);
        a.stream[1].stationary = true;
        a.stream[1].groundSpeed = 4.0; // a standing report with some speed left in it
        StreamPoint third = a.stream[1];
        third.stationary = thirdStands;
        third.groundSpeed = 12.0;
        third.dueStep += 300;
        a.stream.push_back(third);
        spawnLiveAc(a);
        ASSERT_EQ(g_liveAircraft.front().stream.size(), 2U);
        EXPECT_EQ(g_liveAircraft.front().stream.front().groundSpeed, 0.0); // the standing report: no speed
        EXPECT_EQ(g_liveAircraft.front().stream.back().groundSpeed, thirdStands ? 0.0 : 12.0);
    }
}

// A light aircraft between 625 and 2000 ft above the ground, level or descending, sets its flaps one notch
// further each time, up to the second notch.
TEST_F(LiveEdges, ALightAircraftBelow2000FeetSetsItsFlapsNotchByNotch) {
    addTestModel("C172", SizeCategory::Light, 5.5);
    TrafficRecord t;
    t.callsign = "PHABC";
    t.modelId = gf_internModel("C172");
    FlightRecord r = gf_makeFlightRecord(std::move(t));
    r.trafficId = 20009;
    StreamPoint p;
    p.latitude = 52.0;
    p.longitude = 4.0;
    p.altitude = 1500.0;
    p.airborne = true;
    p.verticalSpeed = -300.0;
    g_liveAircraft.emplace_back(p, std::move(r), 0.0);
    LiveAircraft& a = g_liveAircraft.back();
    ASSERT_EQ(a.category, SizeCategory::Light);
    a.objectId = 300;
    a.heightAboveGround = 1000.0;
    a.flapsIndex = 0;
    std::vector<std::uint32_t> notches;
    for (int i = 0; i < 3; ++i) {
        lf_configBelow10000(a);
        notches.push_back(a.flapsIndex);
    }
    EXPECT_EQ(notches, (std::vector<std::uint32_t>{1, 2, 2}));
}

// Climb rates by size category (feet per step), one for every category.
TEST_F(LiveEdges, EveryCategoryHasItsClimbRate) {
    const std::pair<SizeCategory, double> rows[] = {{SizeCategory::Light, 0.5},    {SizeCategory::Buzjets, 0.75},
                                                    {SizeCategory::Large, 0.6},    {SizeCategory::Heavy, 0.5},
                                                    {SizeCategory::HighPerf, 1.0}, {SizeCategory::Rotorcraft, 0.75}};
    for (const auto& [category, rate] : rows)
        EXPECT_EQ(gf_categoryClimbRate(category), rate) << gf_sizeCategoryName(category);
}

} // namespace
} // namespace skf::test
