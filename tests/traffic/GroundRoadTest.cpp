// The ground road as a real feed's rhythm drives it, through the whole engine and the simulator stand-in in
// lock-step: standing aircraft reported seldom, arrivals that leave the runway by a rapid exit, departures whose
// feed runs ahead of the engine's push-back.
#include <gtest/gtest.h>

#include <string>

#include "EngineHarness.h"
#include "FeedRoute.h"
#include "TrafficFixture.h"

namespace skf::test {
namespace {

class GroundRoad : public ::testing::Test {
protected:
    void SetUp() override {
        addRegistration("PH-EXA", "KLM", "A320");
        addRegistration("PH-BFA", "KLM", "B744");
        COLLISION_USER_GND.set(true);
        COLLISION_USER_AIR.set(false);
        GUID_CHANGES.set(true);
        AIRBORNE_ONLY.set(false);
        STRAIGHT_PBS_ONLY.set(false);
        MAX_HOLDING_MINUTES.set(20);
        HOLDING_THRESHOLD_METERS.set(250);
        addTestModel("A320", SizeCategory::Large, 17.0);
        addTestModel("B744", SizeCategory::Heavy, 32.0);
    }
    void TearDown() override {
        gf_parkApfState() = ParkApfState{};
        g_dbaseRecords.clear();
    }
};

// The stand row of every scenario: D7 at the middle, 400 m north of the runway's exit.
Position standD7() {
    const Position exit = offsetPoint(kFeedLat, kFeedLon, 270.0, 1400.0);
    return offsetPoint(exit.latitude, exit.longitude, 0.0, 400.0);
}

struct SeldomRow {
    double every; // seconds between reports
    double knots; // 0: it stands
    bool onStand; // on D7, else on the taxiway 200 m south of it
    bool created;
};

void PrintTo(const SeldomRow& r, std::ostream* os) {
    *os << "a report every " << r.every << " s at " << r.knots << " kn " << (r.onStand ? "on D7" : "off any stand");
}

class SeldomReported : public GroundRoad, public ::testing::WithParamInterface<SeldomRow> {};

// A parked aircraft that the feed reports every half minute or less often is created parked on its stand;
// a moving aircraft reported so seldom and a standing one off any stand are not created, as before.
TEST_P(SeldomReported, StandingAircraftAreCreated) {
    const SeldomRow row = GetParam();
    EngineHarness h(feedWorld());
    setFeedParkAirport();
    const Position d7 = standD7();
    setFeedStands(offsetPoint(d7.latitude, d7.longitude, 270.0, 45.0), {"D6", "D7", "D8"}, 20.0, 45.0);
    const Position start = row.onStand ? d7 : offsetPoint(d7.latitude, d7.longitude, 180.0, 200.0);
    const auto every = static_cast<std::uint64_t>(row.every * 100.0);
    const FeedOutcome o = runFeed(h, 40000, [&](std::uint64_t step) {
        if (step % every != 0) {
            return;
        }
        const double t = static_cast<double>(step) / 100.0;
        const Position p = offsetPoint(start.latitude, start.longitude, 90.0, t * row.knots * kKnots);
        h.inject(30001, "KLM1700", "A320", Report{p.latitude, p.longitude, 0.0, row.knots, 90.0, 0.0}, "PH-EXA");
    });
    const std::string log = h.log();
    EXPECT_EQ(o.creations, row.created ? 1U : 0U) << log;
    EXPECT_EQ(o.removals, 0U) << log;
    if (row.created) {
        EXPECT_NE(log.find("D7      : KLM1700  parks"), std::string::npos) << log;
        ASSERT_EQ(g_liveAircraft.size(), 1U);
        EXPECT_EQ(g_liveAircraft.front().phase, FlightPhase::parked);
        EXPECT_EQ(g_liveAircraft.front().standId, 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Rhythms, SeldomReported,
                         ::testing::Values(SeldomRow{20.0, 0.0, true, true}, SeldomRow{30.0, 0.0, true, true},
                                           SeldomRow{45.0, 0.0, true, true}, SeldomRow{120.0, 0.0, true, true},
                                           SeldomRow{60.0, 0.0, false, false}, SeldomRow{40.0, 15.0, false, false}));

struct ExitRow {
    double exitDeg; // the exit's turn off the runway
    double every;   // seconds between reports
};

void PrintTo(const ExitRow& r, std::ostream* os) {
    *os << "a " << r.exitDeg << " degree exit, a report every " << r.every << " s";
}

class RunwayExit : public GroundRoad, public ::testing::WithParamInterface<ExitRow> {};

// A landing from a 2 NM final rolls out westwards, leaves the runway by an exit of its angle and stops on D7
// at the exit's end: its landing roll ends on the exit, it parks on D7 and stays one object.
TEST_P(RunwayExit, EndsTheLandingRoll) {
    const ExitRow row = GetParam();
    EngineHarness h(feedWorld());
    setFeedParkAirport();
    const Route route{offsetPoint(kFeedLat, kFeedLon, 90.0, 2.0 * 1852.0),
                      {Leg{270.0, 2.0 * 1852.0, 140.0, 0.0, 636.0, 0.0}, Leg{270.0, 400.0, 120.0},
                       Leg{270.0, 400.0, 80.0}, Leg{270.0, 300.0, 50.0}, Leg{270.0, 200.0, 30.0},
                       Leg{270.0 + row.exitDeg, 250.0, 25.0}, Leg{270.0 + row.exitDeg, 250.0, 15.0},
                       Leg{270.0 + row.exitDeg, 40.0, 5.0}, stop(300.0)}};
    const Position d7 = route.end();
    setFeedStands(offsetPoint(d7.latitude, d7.longitude, 270.0, 45.0), {"D6", "D7", "D8"}, 20.0, 45.0);
    const auto every = static_cast<std::uint64_t>(row.every * 100.0);
    const auto end = static_cast<std::uint64_t>(route.length() * 100.0);
    const FeedOutcome o = runFeed(h, end + 4000, [&](std::uint64_t step) {
        if (step % every == 0 && step <= end) {
            h.inject(30002, "KLM1234", "A320", route.at(static_cast<double>(step) / 100.0), "PH-EXA", "LHR", "AMS");
        }
    });
    const std::string log = h.log();
    EXPECT_NE(log.find("D7      : KLM1234  arrived at stand"), std::string::npos) << log;
    EXPECT_EQ(o.creations, 1U) << log;
    EXPECT_EQ(o.removals, 0U) << log;
    ASSERT_EQ(g_liveAircraft.size(), 1U);
    EXPECT_FALSE(g_liveAircraft.front().landingRoll);
    EXPECT_EQ(g_liveAircraft.front().phase, FlightPhase::parked);
}

INSTANTIATE_TEST_SUITE_P(Angles, RunwayExit,
                         ::testing::Values(ExitRow{24.0, 3.0}, ExitRow{27.0, 5.0}, ExitRow{30.0, 3.0},
                                           ExitRow{30.0, 5.0}, ExitRow{31.0, 4.0}, ExitRow{45.0, 5.0},
                                           ExitRow{90.0, 3.0}));

struct DepartureRow {
    const char* model;
    double standMetres; // the stand's radius
    double standing;    // seconds reported on the stand before it moves
    double every;       // seconds between reports
    double pushKnots;   // the feed's push-back speed; 0: it pulls out forwards
    double gapFrom;     // seconds after it starts to move: no report for gapSeconds
    double gapSeconds;
    double startSeconds; // standing behind the stand after the push-back
    double taxiKnots;
    double taxiBearing; // of its first leg: 90 along the taxilane, 45 diagonally past the stand's side
};

void PrintTo(const DepartureRow& r, std::ostream* os) {
    *os << r.model << " standing " << r.standing << " s, a report every " << r.every << " s, "
        << (r.pushKnots > 0.0 ? "pushed back at " : "pulls out") << r.pushKnots << " kn, no report from " << r.gapFrom
        << " s for " << r.gapSeconds << " s, " << r.startSeconds << " s to start, taxi at " << r.taxiKnots << " kn";
}

class Departure : public GroundRoad, public ::testing::WithParamInterface<DepartureRow> {};

// Parked on D7, then pushed back 45 m (or pulled out 45 m forwards), a pause to start the engines, a taxi east
// along the taxilane (or diagonally past the stand's side), north past the stand row and a take-off: it leaves the
// stand the way the feed shows it, and stays one object from the stand to the air however far its feed runs ahead of
// the engine's push-back.
TEST_P(Departure, LeavesAsTheFeedShowsAndStaysOneObject) {
    const DepartureRow row = GetParam();
    EngineHarness h(feedWorld());
    setFeedParkAirport();
    const Position d7 = standD7();
    setFeedStands(offsetPoint(d7.latitude, d7.longitude, 270.0, 80.0), {"D6", "D7", "D8"}, row.standMetres, 80.0);
    const bool push = row.pushKnots > 0.0;
    const double out = push ? 180.0 : 0.0;
    const double taxiNorth = push ? 0.0 : 180.0;
    const Route route{d7,
                      {stop(row.standing), Leg{out, 45.0, push ? row.pushKnots : 4.0}, stop(row.startSeconds),
                       Leg{row.taxiBearing, 150.0, row.taxiKnots}, Leg{taxiNorth, 600.0, 18.0},
                       Leg{taxiNorth, 200.0, 8.0}, Leg{taxiNorth, 400.0, 60.0}, Leg{taxiNorth, 1200.0, 150.0},
                       Leg{taxiNorth, 8000.0, 170.0, 0.0, 0.0, 2500.0}}};
    const auto every = static_cast<std::uint64_t>(row.every * 100.0);
    const auto end = static_cast<std::uint64_t>(route.length() * 100.0);
    const double moves = row.standing;
    const FeedOutcome o = runFeed(h, end, [&](std::uint64_t step) {
        const double t = static_cast<double>(step) / 100.0;
        if (step % every != 0 || (t >= moves + row.gapFrom && t < moves + row.gapFrom + row.gapSeconds)) {
            return;
        }
        h.inject(30003, "KLM1700", row.model, route.at(t), std::string(row.model) == "B744" ? "PH-BFA" : "PH-EXA",
                 "AMS", "LHR");
    });
    const std::string log = h.log();
    EXPECT_TRUE(o.went(FlightPhase::parked)) << log;
    EXPECT_EQ(o.went(FlightPhase::pushing_back), push) << log;
    EXPECT_EQ(log.find("pulling out") != std::string::npos, !push) << log;
    EXPECT_TRUE(o.went(FlightPhase::take_off)) << log;
    EXPECT_EQ(o.creations, 1U) << log;
    EXPECT_EQ(o.removals, 0U) << log;
}

INSTANTIATE_TEST_SUITE_P(PushBackAndPullOut, Departure,
                         ::testing::Values(DepartureRow{"A320", 20.0, 120.0, 5.0, 3.0, 0.0, 0.0, 30.0, 12.0, 90.0},
                                           DepartureRow{"A320", 20.0, 20.0, 5.0, 3.0, 0.0, 0.0, 30.0, 12.0, 90.0},
                                           DepartureRow{"A320", 20.0, 120.0, 5.0, 3.0, 12.0, 60.0, 30.0, 12.0, 90.0},
                                           DepartureRow{"A320", 20.0, 120.0, 10.0, 5.0, 0.0, 0.0, 0.0, 20.0, 90.0},
                                           DepartureRow{"B744", 36.0, 120.0, 5.0, 3.0, 0.0, 0.0, 30.0, 12.0, 90.0},
                                           DepartureRow{"B744", 36.0, 120.0, 8.0, 6.0, 0.0, 0.0, 0.0, 25.0, 90.0},
                                           DepartureRow{"B744", 36.0, 120.0, 7.0, 5.0, 0.0, 0.0, 5.0, 15.0, 90.0},
                                           DepartureRow{"A320", 20.0, 8.0, 3.0, 3.0, 0.0, 0.0, 10.0, 12.0, 45.0},
                                           DepartureRow{"A320", 20.0, 5.0, 4.0, 4.0, 0.0, 0.0, 20.0, 15.0, 45.0},
                                           DepartureRow{"A320", 20.0, 120.0, 3.0, 3.0, 0.0, 0.0, 10.0, 12.0, 45.0},
                                           DepartureRow{"A320", 20.0, 120.0, 5.0, 0.0, 0.0, 0.0, 30.0, 12.0, 90.0}));

} // namespace
} // namespace skf::test
