// The engine's step without a simulator: the intake rules of traffic records, the pacing of the hand-over
// to the simulator, the removal of the farthest aircraft, the reset, and the log of repeated errors.
#include <gtest/gtest.h>

#include <cmath>

#include "EngineHarness.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineServicesInternal.h"

namespace skf::test {
namespace {

class EngineStep : public ::testing::Test {
protected:
    void SetUp() override {
        addTestModel("A320", SizeCategory::Large, 17.0);
        addTestModel("B744", SizeCategory::Heavy, 32.0);
        gf_resetSimLinkState();
        gf_resetEngine();
        g_stepCounter = 100000;
    }
    void TearDown() override {
        gf_resetEngine();
        gf_resetSimLinkState();
    }

    static QueuedTraffic record(std::uint32_t id, const std::string& callsign, const std::string& model, double t,
                                double lat, double gs, double track, double altitude) {
        QueuedTraffic q;
        q.record.callsign = callsign;
        q.record.modelId = gf_internModel(model);
        q.point.latitude = lat;
        q.point.longitude = 4.0;
        q.point.groundSpeed = gs;
        q.point.trueAirspeed = gs;
        q.point.track = track;
        q.point.altitude = altitude;
        q.point.airborne = altitude > 0.0;
        q.point.dueStep = static_cast<std::int32_t>(g_stepCounter.load() + 3000);
        q.timestamp = t;
        q.trafficId = id;
        return q;
    }

    WorkFolder m_work;
};

// A second report of one aircraft: filed (its stream grows) or ignored, by the intake's rules.
TEST_F(EngineStep, IntakeRulesForAKnownAircraft) {
    struct Case {
        const char* what;
        double firstGs, firstAlt, secondDt, secondGs, secondTrack, secondAlt;
        bool filed;
    };
    const Case cases[] = {
        {"one second later is too soon", 100, 3000, 1.0, 100, 90, 3000, false},
        {"1.01 s later is filed", 100, 3000, 1.01, 100, 90, 3000, true},
        {"200 kn on the same track before 450 m", 200, 3000, 4.36, 200, 90, 3000, false},
        {"200 kn on the same track after 450 m", 200, 3000, 4.38, 200, 90, 3000, true},
        {"200 kn turning by 2 degrees", 200, 3000, 2.0, 200, 92, 3000, true},
        {"standing on the same track within 15 s", 0, 0, 15.0, 0, 90, 0, false},
        {"standing on the same track after 15 s", 0, 0, 15.01, 0, 90, 0, true},
        {"300 kn after 20 kn", 20, 0, 5.0, 300, 90, 0, false},
        {"85 kn after 3 kn", 3, 0, 5.0, 85, 90, 0, false},
        {"79 kn after 3 kn", 3, 0, 5.0, 79, 90, 0, true},
        {"3 kn after 85 kn", 85, 0, 5.0, 3, 90, 0, false},
        {"a flying report near the park airport's elevation while buffered", 100, 3000, 5.0, 100, 90, 50, false},
    };
    g_parkAirport.icao = FixedCode<4>("EHAM");
    g_parkAirport.altitude = 0.0F;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gf_resetEngine();
        g_parkAirport.icao = FixedCode<4>("EHAM");
        auto first = record(20001, "KLM1", "A320", 1000.0, 52.0, c.firstGs, 90, c.firstAlt);
        lf_addTrafficRecord(first);
        ASSERT_EQ(g_liveAircraft.size(), 1U);
        auto second = record(20001, "KLM1", "A320", 1000.0 + c.secondDt, 52.01, c.secondGs, c.secondTrack, c.secondAlt);
        second.point.dueStep += 100;
        lf_addTrafficRecord(second);
        EXPECT_EQ(g_liveAircraft.front().stream.size(), c.filed ? 2U : 1U);
    }
}

TEST_F(EngineStep, FirstReportsOfANewId) {
    auto a = record(20001, "KLM1", "A320", 1000.0, 52.0, 200, 90, 3000);
    lf_addTrafficRecord(a);
    auto sameAircraftOtherId = record(20002, "KLM1", "A320", 1001.0, 52.0, 200, 90, 3000);
    lf_addTrafficRecord(sameAircraftOtherId);
    EXPECT_EQ(g_liveAircraft.size(), 1U);
    auto otherModel = record(20003, "KLM1", "B744", 1001.0, 52.0, 200, 90, 3000);
    lf_addTrafficRecord(otherModel);
    EXPECT_EQ(g_liveAircraft.size(), 2U);
    auto unknownModel = record(20004, "XYZ1", "ZZZZ", 1001.0, 52.0, 200, 90, 3000);
    lf_addTrafficRecord(unknownModel);
    EXPECT_EQ(g_liveAircraft.size(), 2U);
    LIGHT_AIRCRAFT.set(false);
    addTestModel("C172", SizeCategory::Light, 5.5);
    auto light = record(20005, "PHABC", "C172", 1001.0, 52.0, 90, 90, 3000);
    lf_addTrafficRecord(light);
    EXPECT_EQ(g_liveAircraft.size(), 2U);
    // The new aircraft's flight values come from its category.
    const LiveAircraft& heavy = g_liveAircraft.back();
    EXPECT_EQ(heavy.category, SizeCategory::Heavy);
    EXPECT_DOUBLE_EQ(heavy.maxClimbRate, 0.5);
    EXPECT_DOUBLE_EQ(heavy.taxiSpeed, 3.0);
    EXPECT_EQ(heavy.firstCallsign, "KLM1");
    EXPECT_EQ(heavy.simStatus, SimStatus::buffer);
    EXPECT_EQ(heavy.phase, FlightPhase::birth);
}

TEST_F(EngineStep, AStepFilesTwoQueuedRecords) {
    {
        std::lock_guard lock(g_addingStackMutex);
        g_liveTrafficOpen = true;
    }
    for (std::uint32_t id = 20001; id <= 20003; ++id) {
        ASSERT_TRUE(gf_pushTraffic(record(id, "KLM" + std::to_string(id), "A320", 1000.0, 52.0, 200, 90, 3000)));
    }
    lf_handleAddingStack();
    EXPECT_EQ(g_liveAircraft.size(), 2U);
    EXPECT_EQ(gf_trafficQueueSize(), 1U);
    // The reset empties the queue (under its mutex) as well as the engine.
    gf_resetEngine();
    EXPECT_EQ(gf_trafficQueueSize(), 0U);
    EXPECT_TRUE(g_liveAircraft.empty());
    std::lock_guard lock(g_addingStackMutex);
    g_liveTrafficOpen = false;
}

TEST_F(EngineStep, HandOverIsPacedRemovalsBeforeCreationsLiveBeforeStatic) {
    auto creation = [](std::uint32_t id) {
        CreationRecord r;
        r.trafficId = id;
        r.callsign = "CS" + std::to_string(id);
        return r;
    };
    g_engineRemovalQueue = {101, 102, 103};
    g_staticCreationQueue = {creation(7)};
    const auto handedOver = [] {
        std::lock_guard lock(g_simCommandMutex);
        return std::pair{g_removalQueue.size(), g_creationQueue.size()};
    };
    g_stepCounter = 355;
    lf_popSimQueues();
    EXPECT_EQ(handedOver(), std::pair(std::size_t{0}, std::size_t{0}));
    g_stepCounter = 350;
    lf_popSimQueues();
    EXPECT_EQ(handedOver(), std::pair(std::size_t{1}, std::size_t{1})); // a removal and the static creation
    g_stepCounter = 360;
    lf_popSimQueues();
    EXPECT_EQ(handedOver(), std::pair(std::size_t{2}, std::size_t{1}));
    g_liveCreationQueue = {creation(20001)};
    g_staticCreationQueue = {creation(8)};
    g_stepCounter = 400;
    lf_popSimQueues();
    EXPECT_EQ(handedOver(), std::pair(std::size_t{3}, std::size_t{2}));
    EXPECT_EQ(g_staticCreationQueue.size(), 1U); // the live one went first
    std::lock_guard lock(g_simCommandMutex);
    EXPECT_EQ(g_creationQueue.back().trafficId, 20001U);
}

TEST_F(EngineStep, RemoveFarthestLive) {
    struct Case {
        const char* what;
        double limit;
        std::vector<double> distances; // NM north of the user, in vector order
        int removed;                   // index, -1 none
    };
    const Case cases[] = {
        {"10.05 and 12 NM beyond 10", 10.0, {10.05, 12.0}, 1},
        {"10.5 then 10.55 NM: the second is not 0.1 NM farther", 10.0, {10.5, 10.55}, 0},
        {"nothing beyond 10.1 NM", 10.0, {3.0, 10.05}, -1},
        {"any distance: the farthest", -1.0, {3.0, 9.0, 5.0}, 1},
    };
    UserAircraftBlock user;
    user.latitude = 52.0;
    user.longitude = 4.0;
    g_userAircraft.setBlock(user);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gf_resetEngine();
        std::uint32_t id = 20001;
        for (const double nm : c.distances) {
            auto q = record(id, "CS" + std::to_string(id), "A320", 1000.0, 52.0, 200, 0, 3000);
            lf_addTrafficRecord(q);
            LiveAircraft& a = g_liveAircraft.back();
            a.simStatus = SimStatus::active;
            a.objectId = id;
            a.position.latitude = 52.0 + nm / 60.0;
            a.position.longitude = 4.0;
            ++id;
        }
        EXPECT_EQ(gf_removeFarthestLive(c.limit), c.removed < 0);
        for (std::size_t i = 0; i < g_liveAircraft.size(); ++i) {
            EXPECT_EQ(g_liveAircraft[i].simStatus == SimStatus::removingfromsim, static_cast<int>(i) == c.removed);
        }
    }
    g_userAircraft.reset();
}

// An error that repeats every step is logged once a second with the count of its repeats.
TEST_F(EngineStep, RepeatedErrorsAreLoggedOnceASecond) {
    for (int step = 0; step < 250; ++step) {
        gf_logEngineError("updateLiveAc: broken");
        g_stepCounter.fetch_add(1);
    }
    const std::string log = m_work.log();
    std::size_t lines = 0;
    for (std::size_t at = log.find("updateLiveAc: broken"); at != std::string::npos;
         at = log.find("updateLiveAc: broken", at + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, 3U);
    EXPECT_NE(log.find("updateLiveAc: broken (and 99 times more)"), std::string::npos);
}

} // namespace
} // namespace skf::test

namespace skf::test {
namespace {

// The creation heading of an aircraft whose next point is its own position comes from its track, which is
// in degrees: converted to radians for the position block, and back to degrees for the creation.
TEST_F(EngineStep, CreationHeadingFromTheTrack) {
    auto q = record(20001, "KLM1", "A320", 1000.0, 52.0, 0, 90, 3000);
    lf_addTrafficRecord(q);
    LiveAircraft& a = g_liveAircraft.front();
    StreamPoint same = a.stream.front();
    same.stationary = true;
    a.stream.push_back(same);
    lf_initialPosition(a);
    EXPECT_NEAR(a.position.heading, 1.5707963267948966, 1e-9);
    EXPECT_NEAR(gf_liveCreationRecord(a).position.heading, 90.0, 1e-9);
}

// A live aircraft created on a stand where a static one stands: the log line's dash is UTF-8.
TEST_F(EngineStep, ParkingOverAStaticAircraftLogsAUtf8Dash) {
    g_stands.clear();
    Stand s("D7", {}, 52.0, 4.0, 0.0, 20.0, false, false, false);
    s.sid = 1;
    g_stands.push_back(std::move(s));
    ParkedAircraft stat;
    stat.callsign = "KLM7*";
    stat.standId = 1;
    stat.objectId = 501;
    stat.trafficId = 7;
    stat.simStatus = SimStatus::active;
    g_parkedAircraft.push_back(stat);
    auto q = record(20001, "KLM1", "A320", 1000.0, 52.0, 0, 0, 0);
    lf_addTrafficRecord(q);
    LiveAircraft& a = g_liveAircraft.front();
    a.phase = FlightPhase::parked;
    a.standId = 1;
    a.simStatus = SimStatus::adding2sim;
    gf_pushSimMessage(SimMessage{300, 20001, SimMessageKind::liveCreated, 0.0, 7.5});
    gf_processSimMessages();
    g_simHalted = false; // no simulator here: the rest-attitude request failed
    EXPECT_NE(m_work.log().find("D7      : KLM1     parks over static KLM7* \xE2\x80\x94 static will be removed"),
              std::string::npos)
        << m_work.log();
    EXPECT_EQ(g_parkedAircraft.front().simStatus, SimStatus::removingfromsim);
    g_stands.clear();
}

} // namespace
} // namespace skf::test
