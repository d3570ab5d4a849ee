// Arrivals that end at a stand and departures that begin with a push-back, through the whole engine and the
// simulator stand-in in lock-step, at an airport with a stand table.
#include <gtest/gtest.h>

#include <optional>

#include <algorithm>
#include <cmath>

#include "EngineHarness.h"
#include "FeedRoute.h"
#include "TrafficFixture.h"
#include "data/apf/Stand.h"
#include "traffic/EngineInternal.h"

namespace skf::test {
namespace {

constexpr double kLat = kFeedLat;
constexpr double kLon = kFeedLon;

EngineHarness::Options world() {
    return feedWorld();
}

void setParkAirport() {
    setFeedParkAirport();
}

// One stand with its nose to the north, radius 20 m, at a point.
void setStand(const Position& at, double headingDeg = 0.0) {
    g_stands.clear();
    Stand s("D7", {}, at.latitude, at.longitude, headingDeg * g_degToRad, 20.0, false, false, false);
    s.sid = 1;
    g_stands.push_back(std::move(s));
}

class StandFlightThreads : public ::testing::Test {
protected:
    void SetUp() override {
        addTestModel("A320", SizeCategory::Large, 17.0);
        addRegistration("PH-EXA", "KLM", "A320");
        COLLISION_USER_GND.set(true);
        COLLISION_USER_AIR.set(false);
        GUID_CHANGES.set(false);
        STRAIGHT_PBS_ONLY.set(false);
        NAV_LIGHTS_WHILE_PARKED.set(false);
    }
    void TearDown() override {
        gf_parkApfState() = ParkApfState{};
        g_dbaseRecords.clear();
    }
};

// A taxi at 15 kn from 600 m south of the stand straight to it, then standing on it. Reports every 3 s.
Report taxiInAt(const Position& stand, double t) {
    const double metres = std::max(600.0 - t * 15.0 * 0.514444, 0.0);
    const Position p = offsetPoint(stand.latitude, stand.longitude, 180.0, metres);
    return Report{p.latitude, p.longitude, 0.0, metres > 0.0 ? 15.0 : 0.0, 0.0, 0.0};
}

TEST_F(StandFlightThreads, ArrivalTaxisToAFreeStandAndParks) {
    EngineHarness h(world());
    setParkAirport();
    const Position stand = offsetPoint(kLat, kLon, 0.0, 500.0);
    setStand(stand);
    std::optional<skf::standin::SimObjectState> firstSeen; // the object soon after its creation was finished
    h.run(16000, [&](std::uint64_t step) {
        if (step % 300 == 0 && step <= 11000) {
            h.inject(30001, "KLM1234", "A320", taxiInAt(stand, step / 100.0), "PH-EXA", "LHR", "AMS");
        }
        if (!firstSeen && step % 100 == 0 && !g_liveAircraft.empty() &&
            g_liveAircraft.front().simStatus == SimStatus::active)
            firstSeen = h.sim().objectByAtcId("KLM1234");
    });
    // Taxiing when it appeared: beacon, taxi, logo and cabin lights on, landing lights off, flaps at the first notch.
    ASSERT_TRUE(firstSeen.has_value());
    EXPECT_EQ(firstSeen->lights & (SIM_LIGHT_LANDING | SIM_LIGHT_TAXI | SIM_LIGHT_BEACON),
              SIM_LIGHT_TAXI | SIM_LIGHT_BEACON);
    EXPECT_EQ(firstSeen->flaps, 3072U); // the first notch as the simulator takes it
    ASSERT_EQ(g_liveAircraft.size(), 1U);
    const LiveAircraft& a = g_liveAircraft.front();
    EXPECT_EQ(a.phase, FlightPhase::parked);
    EXPECT_EQ(a.standId, 1);
    EXPECT_TRUE(g_stands.front().occupied);
    EXPECT_NE(h.log().find("D7      : KLM1234  arrived at stand"), std::string::npos) << h.log();
    // Shut down at the stand: engines off, nav lights as set (off), logo on.
    const auto object = h.sim().objectByAtcId("KLM1234");
    ASSERT_TRUE(object.has_value());
    EXPECT_FALSE(object->enginesRunning);
    EXPECT_EQ(object->lights & SIM_LIGHT_NAV, 0U);
    EXPECT_NE(object->lights & SIM_LIGHT_LOGO, 0U);
    EXPECT_LT(gf_distanceNm(stand.latitude, stand.longitude, object->lat, object->lon) * 1852.0, 2.0);
    // Its positions went as plain data blocks (no flag such as "tagged", which would change their reading).
    const auto moves = h.calls("SetDataOnSimObject");
    ASSERT_FALSE(moves.empty());
    for (const auto& move : moves)
        EXPECT_EQ(move.value("flags", 99U), 0U) << move.dump();
    // It learned a stand option for its registration, today, in the current half hour.
    ASSERT_FALSE(g_stands.front().options.empty());
    const StandOpt& learned = g_stands.front().options.front();
    EXPECT_EQ(learned.registration, "PH-EXA");
    EXPECT_EQ(learned.day, 3U);
    EXPECT_TRUE(learned.halfHours.test(20));
    EXPECT_EQ(learned.source, 0U);
    // The window's figures: nothing flying, one parked live aircraft.
    EXPECT_EQ(gf_countActiveLiveNotParked(), 0U);
    EXPECT_EQ(gf_liveParkedHours(true), 1U);
}

// Standing at the stand; after 60 s it is pushed back 60 m (turning its nose to the east), then taxis
// south-east to the runway and takes off to the east.
Report departureAt(const Position& stand, double t) {
    if (t < 60.0) {
        return Report{stand.latitude, stand.longitude, 0.0, 0.0, 0.0, 0.0};
    }
    const double tp = t - 60.0;
    if (tp < 40.0) {
        const double metres = std::min(tp * 3.0 * 0.514444, 55.0);
        const Position p = offsetPoint(stand.latitude, stand.longitude, 180.0, metres);
        return Report{p.latitude, p.longitude, 0.0, 3.0, tp < 10.0 ? 0.0 : 45.0, 0.0};
    }
    const Position back = offsetPoint(stand.latitude, stand.longitude, 180.0, 55.0);
    const double tt = tp - 40.0;
    const Position p = offsetPoint(back.latitude, back.longitude, 90.0, tt * 15.0 * 0.514444);
    return Report{p.latitude, p.longitude, 0.0, 15.0, 90.0, 0.0};
}

TEST_F(StandFlightThreads, DepartureBeginsWithAPushBackTurningToTheFeedsSide) {
    EngineHarness h(world());
    setParkAirport();
    const Position stand = offsetPoint(kLat, kLon, 0.0, 500.0);
    setStand(stand);
    std::vector<FlightPhase> phases;
    h.run(26000, [&](std::uint64_t step) {
        if (step % 300 == 0 && step <= 20000) {
            h.inject(30002, "KLM1700", "A320", departureAt(stand, step / 100.0), "PH-EXA", "AMS", "LHR");
        }
        if (!g_liveAircraft.empty() && (phases.empty() || phases.back() != g_liveAircraft.front().phase)) {
            phases.push_back(g_liveAircraft.front().phase);
        }
    });
    // Spawned standing at the stand, then pushed back, then taxiing.
    const auto has = [&](FlightPhase p) { return std::find(phases.begin(), phases.end(), p) != phases.end(); };
    EXPECT_TRUE(has(FlightPhase::parked));
    EXPECT_TRUE(has(FlightPhase::pushing_back));
    EXPECT_TRUE(has(FlightPhase::pushed_back));
    EXPECT_TRUE(has(FlightPhase::taxi));
    EXPECT_EQ(h.log().find("pulling out"), std::string::npos);
    EXPECT_FALSE(g_stands.front().occupied);
    // The pose went backwards from the stand, nose still to the north, before it turned away.
    const auto poses = h.poses("KLM1700");
    ASSERT_FALSE(poses.empty());
    double farthestSouth = 0.0;
    for (const auto& p : poses) {
        farthestSouth = std::max(farthestSouth, (stand.latitude - p["lat"].get<double>()) * 111132.95);
    }
    EXPECT_GT(farthestSouth, 30.0);
    EXPECT_TRUE(h.sim().movedBeforeReady().empty());
}

} // namespace
} // namespace skf::test
