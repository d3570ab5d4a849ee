// Small rules of the engine, driven directly on the engine's thread (no simulator): the reset's window
// counts, the reference elevation once the park airport is closed, the cargo correction of a stand, the
// user's half wingspan before its model is known, and a midpoint inserted into a stream.
#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "TrafficFixture.h"
#include "core/WindowFields.h"
#include "data/apf/ParkApf.h"
#include "data/apf/Stand.h"
#include "traffic/EngineInternal.h"
#include "traffic/ParkAirport.h"

namespace skf::test {
namespace {

constexpr double kLat = 52.0;
constexpr double kLon = 4.0;

class EngineSmallRules : public ::testing::Test {
protected:
    void SetUp() override {
        addTestModel("A320", SizeCategory::Large, 17.0);
        gf_resetSimLinkState();
        gf_resetEngine();
        gf_startEngine();
        g_stepCounter = 1000;
    }
    void TearDown() override {
        gf_resetEngine();
        g_dbaseRecords.clear();
        gf_resetSimLinkState();
    }

    static LiveAircraft& onGround(const std::string& callsign, const Position& at, const std::string& reg = {}) {
        TrafficRecord t;
        t.callsign = callsign;
        t.registration = reg;
        t.modelId = gf_internModel("A320");
        FlightRecord r = gf_makeFlightRecord(std::move(t));
        r.trafficId = 20001 + static_cast<std::uint32_t>(g_liveAircraft.size());
        r.taxiSpeed = gf_categoryTaxiSpeed(r.category);
        StreamPoint p;
        p.latitude = at.latitude;
        p.longitude = at.longitude;
        p.stationary = true;
        p.dueStep = static_cast<std::int32_t>(g_stepCounter.load());
        g_liveAircraft.emplace_back(p, std::move(r), 0.0);
        LiveAircraft& a = g_liveAircraft.back();
        a.simStatus = SimStatus::active;
        a.objectId = 100 + a.trafficId % 100;
        a.onGround = true;
        a.phase = FlightPhase::taxi;
        a.position.latitude = at.latitude;
        a.position.longitude = at.longitude;
        return a;
    }

    WorkFolder m_work;
};

TEST_F(EngineSmallRules, TheResetZeroesAllThreeWindowCounts) {
    struct Row {
        std::uint64_t live, parkedLive, statics;
    };
    for (const Row row : {Row{1, 2, 3}, Row{4, 0, 0}, Row{0, 5, 0}, Row{0, 0, 6}, Row{7, 0, 8}}) {
        g_mainWindow.liveCount = row.live;
        g_mainWindow.parkedLiveCount = row.parkedLive;
        g_mainWindow.staticCount = row.statics;
        gf_resetEngine();
        EXPECT_EQ(g_mainWindow.liveCount.load(), 0U) << row.live << " " << row.parkedLive << " " << row.statics;
        EXPECT_EQ(g_mainWindow.parkedLiveCount.load(), 0U) << row.live << " " << row.parkedLive << " " << row.statics;
        EXPECT_EQ(g_mainWindow.staticCount.load(), 0U) << row.live << " " << row.parkedLive << " " << row.statics;
    }
}

// After leaving an airport at 8,360 ft, reports below that altitude are no longer judged on the ground.
TEST_F(EngineSmallRules, ClosingAHighParkAirportDropsTheReferenceElevation) {
    g_parkAirport = Airport{};
    g_parkAirport.icao = FixedCode<4>("SLLP");
    g_parkAirport.latitude = kLat;
    g_parkAirport.longitude = kLon;
    g_parkAirport.altitude = 8360.0F;
    g_trafficReferenceElevation = 8360.0;
    g_trafficReferenceElevationValid = true;
    gf_closeParkAirport();
    EXPECT_FALSE(g_trafficReferenceElevationValid.load());
    EXPECT_TRUE(g_parkAirport.icao.empty());
}

// A passenger aircraft that parks on a stand marked cargo proves the mark wrong; a freighter or an aircraft
// the database does not know changes nothing.
TEST_F(EngineSmallRules, ACargoMarkIsClearedByAPassengerAircraftParkingOnIt) {
    struct Row {
        const char* registration;
        bool standCargo;
        bool cleared;
    };
    addRegistration("PH-EXA", "KLM", "A320");
    DbaseRecord freighter;
    freighter.registration = "PH-CKA";
    freighter.airline = gf_internOperator("MPH");
    freighter.model = gf_internModel("A320");
    freighter.cargo = true;
    g_dbaseRecords.push_back(freighter);
    std::sort(g_dbaseRecords.begin(), g_dbaseRecords.end(),
              [](const DbaseRecord& x, const DbaseRecord& y) { return x.registration < y.registration; });
    for (const Row row : {Row{"PH-EXA", true, true}, Row{"PH-CKA", true, false}, Row{"N999ZZ", true, false},
                          Row{"PH-EXA", false, false}}) {
        gf_parkApfState() = ParkApfState{};
        g_liveAircraft.clear();
        Stand s("C1", {}, kLat, kLon, 0.0, 20.0, row.standCargo, false, false);
        s.sid = 1;
        g_stands.push_back(std::move(s));
        g_parkAirport.icao = FixedCode<4>("EHAM");
        LiveAircraft& a = onGround("KLM1", offsetPoint(kLat, kLon, 180.0, 10.0), row.registration);
        a.stream.push_back(a.stream.front());
        try2Park(a, false);
        ASSERT_EQ(a.phase, FlightPhase::parking) << row.registration;
        a.position.latitude = kLat;
        a.position.longitude = kLon;
        lf_arriveAtStand(a);
        ASSERT_EQ(a.phase, FlightPhase::parked) << row.registration;
        EXPECT_EQ(g_stands[0].cargo, row.standCargo && !row.cleared) << row.registration;
        EXPECT_EQ(g_stands[0].cargoChanged, row.cleared) << row.registration;
        EXPECT_EQ(a.standCargo != 0, row.standCargo && !row.cleared) << row.registration;
    }
}

// Until the user model is known the user counts as a Large airliner, not as a point.
TEST_F(EngineSmallRules, TheUsersHalfWingspanIsALargeAirlinersUntilItsModelIsKnown) {
    struct Row {
        std::optional<double> userHalfSpanMetres;
        double gapMetres; // from the user to the live aircraft (half span 17 m)
        bool removed;
    };
    for (const Row row : {Row{std::nullopt, 30.0, true}, Row{std::nullopt, 45.0, false}, Row{1.0, 30.0, false},
                          Row{30.0, 45.0, true}}) {
        g_liveAircraft.clear();
        if (row.userHalfSpanMetres) {
            g_userHalfWingspan.set(*row.userHalfSpanMetres / 1852.0);
        } else {
            g_userHalfWingspan.reset();
        }
        UserAircraftBlock user;
        user.latitude = kLat;
        user.longitude = kLon;
        g_userAircraft.setBlock(user);
        LiveAircraft& a = onGround("KLM1", offsetPoint(kLat, kLon, 90.0, row.gapMetres));
        gf_avoidUserGroundCollision();
        EXPECT_EQ(a.simStatus == SimStatus::removingfromsim, row.removed) << row.gapMetres;
    }
}

// A short stop reported behind moving points is dropped when the aircraft moves on, but only with more than the
// front point before it: a stop right behind the front is flown as reported.
TEST_F(EngineSmallRules, AShortStopIsDroppedWhenTheAircraftMovesOnBehindTwoPoints) {
    for (const std::size_t moving : {1, 2}) {
        SCOPED_TRACE(moving);
        g_liveAircraft.clear();
        LiveAircraft& a = onGround("KLM1", Position{kLat, kLon});
        const auto pointAt = [&](double metres, double gs, std::int32_t dueAfter) {
            StreamPoint p = a.stream.front();
            const Position at = offsetPoint(kLat, kLon, 0.0, metres);
            p.latitude = at.latitude;
            p.longitude = at.longitude;
            p.groundSpeed = gs;
            p.stationary = gs == 0.0;
            p.dueStep = a.stream.front().dueStep + dueAfter;
            return p;
        };
        a.stream.front() = pointAt(0.0, 10.0, 0);
        if (moving == 2) {
            a.stream.push_back(pointAt(40.0, 10.0, 150));
        }
        a.stream.push_back(pointAt(80.0, 0.0, 300));
        decodeExisting(a, pointAt(120.0, 10.0, 600));
        ASSERT_EQ(a.stream.size(), 3U);
        EXPECT_EQ(a.stream[1].stationary, moving == 1); // behind the front alone, the stop stays
        EXPECT_EQ(a.stream.back().groundSpeed, 10.0);
    }
}

// A point inserted between the first two of a stream lies half way in place, speed, altitude and time.
TEST_F(EngineSmallRules, AMidpointLiesHalfWayInPlaceSpeedAndTime) {
    LiveAircraft& a = onGround("KLM1", Position{kLat, kLon});
    a.stream.front().groundSpeed = 10.0;
    StreamPoint next = a.stream.front();
    const Position ahead = offsetPoint(kLat, kLon, 90.0, 300.0);
    next.latitude = ahead.latitude;
    next.longitude = ahead.longitude;
    next.groundSpeed = 20.0;
    next.dueStep += 3001;
    a.stream.push_back(next);
    lf_insertMidpoint(a);
    ASSERT_EQ(a.stream.size(), 3U);
    const StreamPoint& mid = a.stream[1];
    EXPECT_NEAR(mid.latitude, (kLat + ahead.latitude) / 2.0, 1e-12);
    EXPECT_NEAR(mid.longitude, (kLon + ahead.longitude) / 2.0, 1e-12);
    EXPECT_EQ(mid.groundSpeed, 15.0);
    EXPECT_EQ(mid.dueStep, a.stream[0].dueStep + 1501); // 1500.5 rounded away from zero
    EXPECT_FALSE(mid.stationary);
    EXPECT_FALSE(mid.airborne);
}

} // namespace
} // namespace skf::test
