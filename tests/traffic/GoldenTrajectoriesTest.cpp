// Golden trajectories of one active aircraft driven by the engine's step alone: where no lag or lead limit
// applies it passes each point of its stream at the point's due step (an air leg, a 90-degree taxi turn, a
// stop and a start), extrapolates along its heading when the stream runs dry, and holds on the ground until
// it is removed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "EngineHarness.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineServicesInternal.h"

namespace skf::test {
namespace {

constexpr double kLat = 52.0;
constexpr double kLon = 4.0;

class GoldenTrajectories : public ::testing::Test {
protected:
    void SetUp() override {
        addTestModel("A320", SizeCategory::Large, 17.0);
        gf_resetSimLinkState();
        gf_resetEngine();
        g_stepCounter = 4294966000U; // the counter wraps 1296 steps into every flight
        AIRBORNE_ONLY.set(false);
        MAX_HOLDING_MINUTES.set(2);
        HOLDING_THRESHOLD_METERS.set(250);
        RANGE.set(200);
    }
    void TearDown() override { gf_resetEngine(); }

    // Starts the aircraft at the first point, active, in the air or taxiing; the points follow each other
    // every `spacing` steps from the next step on.
    LiveAircraft& start(const std::vector<Report>& points, std::int32_t spacing) {
        const std::uint32_t now = g_stepCounter.load();
        TrafficRecord t;
        t.callsign = "KLM1";
        t.modelId = gf_internModel("A320");
        FlightRecord r = gf_makeFlightRecord(std::move(t));
        r.trafficId = 20001;
        r.turnRate = r.nominalTurnRate;
        r.maxClimbRate = gf_categoryClimbRate(r.category);
        r.taxiSpeed = gf_categoryTaxiSpeed(r.category);
        r.staticCgFt = 7.5;
        g_liveAircraft.emplace_back(point(points[0], now + 1), std::move(r), 0.0);
        LiveAircraft& a = g_liveAircraft.back();
        for (std::size_t i = 1; i < points.size(); ++i) {
            a.stream.push_back(point(points[i], now + 1 + static_cast<std::uint32_t>(i * spacing)));
            m_due[a.stream.back().dueStep] = points[i];
        }
        a.simStatus = SimStatus::active;
        a.objectId = 100;
        a.onGround = points[0].altitude <= 0.0;
        a.phase = a.onGround ? FlightPhase::taxi : FlightPhase::flying;
        a.position.latitude = points[0].lat;
        a.position.longitude = points[0].lon;
        a.position.altitude = points[0].altitude;
        a.position.heading = points[0].track * g_degToRad;
        a.heightAboveGround = a.onGround ? 7.5 : points[0].altitude;
        return a;
    }

    static StreamPoint point(const Report& r, std::uint32_t due) {
        StreamPoint p;
        p.latitude = r.lat;
        p.longitude = r.lon;
        p.altitude = r.altitude;
        p.groundSpeed = r.groundSpeed;
        p.trueAirspeed = r.groundSpeed;
        p.track = r.track;
        p.verticalSpeed = r.verticalSpeed;
        p.airborne = r.altitude > 0.0;
        p.stationary = r.groundSpeed == 0.0 && r.altitude <= 0.0;
        p.dueStep = static_cast<std::int32_t>(due);
        return p;
    }

    // Runs the steps; the largest miss in metres of the aircraft at the due steps of the points.
    double runAndMeasure(std::uint32_t steps) {
        double largest = 0.0;
        for (std::uint32_t i = 0; i < steps && !g_liveAircraft.empty(); ++i) {
            lf_handleAddingStack(); // counts the step
            const auto due = m_due.find(static_cast<std::int32_t>(g_stepCounter.load()));
            if (due != m_due.end() && !g_liveAircraft.empty()) {
                const LiveAircraft& a = g_liveAircraft.front();
                const double miss =
                    gf_distanceNm(a.position.latitude, a.position.longitude, due->second.lat, due->second.lon) * 1852.0;
                largest = std::max(largest, miss);
                ++m_checked;
            }
        }
        return largest;
    }

    // Runs the steps; the largest of the closest passes in metres of the aircraft by the points.
    double runAndMeasurePasses(std::uint32_t steps) {
        std::vector<double> closest(m_due.size(), 1e9);
        for (std::uint32_t i = 0; i < steps && !g_liveAircraft.empty(); ++i) {
            lf_handleAddingStack();
            const LiveAircraft& a = g_liveAircraft.front();
            std::size_t k = 0;
            for (const auto& [due, r] : m_due) {
                closest[k] = std::min(closest[k],
                                      gf_distanceNm(a.position.latitude, a.position.longitude, r.lat, r.lon) * 1852.0);
                ++k;
            }
        }
        return *std::max_element(closest.begin(), closest.end());
    }

    std::map<std::int32_t, Report> m_due;
    std::size_t m_checked = 0;
    WorkFolder m_work;
};

Report along(double lat, double lon, double bearingDeg, double metres, double alt, double gs, double track) {
    const Position p = offsetPoint(lat, lon, bearingDeg, metres);
    return Report{p.latitude, p.longitude, alt, gs, track, 0.0};
}

TEST_F(GoldenTrajectories, AirLegPassesEachPointAtItsDueStep) {
    std::vector<Report> points;
    for (int i = 0; i < 10; ++i) {
        points.push_back(along(kLat, kLon, 90.0, i * 3.0 * 200.0 * 0.514444, 3000.0, 200.0, 90.0));
    }
    start(points, 300);
    EXPECT_LT(runAndMeasure(2800), 0.5);
    EXPECT_EQ(m_checked, 9U);
}

TEST_F(GoldenTrajectories, TaxiTurnOfNinetyDegreesEndsOnItsPoints) {
    // North for 150 m, then east for 150 m, at 15 kn (points every 25 m, 3.24 s apart).
    std::vector<Report> points;
    const double step = 25.0;
    for (int i = 0; i <= 6; ++i) {
        points.push_back(along(kLat, kLon, 0.0, i * step, 0.0, 15.0, 0.0));
    }
    const Position corner = offsetPoint(kLat, kLon, 0.0, 6 * step);
    for (int i = 1; i <= 6; ++i) {
        points.push_back(along(corner.latitude, corner.longitude, 90.0, i * step, 0.0, 15.0, 90.0));
    }
    LiveAircraft& a = start(points, 324);
    (void)a;
    // The corner point itself is cut by the curve (its chord is shorter), and the points after it are met a
    // little early: the legs are timed by their speed, within the lag and lead limits.
    const std::int32_t cornerDue = std::next(m_due.begin(), 5)->first;
    m_due.erase(cornerDue);
    EXPECT_LT(runAndMeasurePasses(4300), 2.0);
    ASSERT_FALSE(g_liveAircraft.empty());
    EXPECT_NEAR(g_liveAircraft.front().position.heading, 90.0 * g_degToRad, 5.0 * g_degToRad);
}

TEST_F(GoldenTrajectories, StopAndStartOnTheGround) {
    std::vector<Report> points;
    for (int i = 0; i <= 3; ++i) {
        points.push_back(along(kLat, kLon, 0.0, i * 25.0, 0.0, 15.0, 0.0));
    }
    const Report stop = along(kLat, kLon, 0.0, 75.0, 0.0, 0.0, 0.0);
    points.push_back(stop);
    points.push_back(stop);
    // The start: half way at the mean of 0 and 15 kn in one spacing, then on at 15 kn.
    for (const double metres : {87.5, 112.5, 137.5}) {
        points.push_back(along(kLat, kLon, 0.0, metres, 0.0, 15.0, 0.0));
    }
    start(points, 324);
    EXPECT_LT(runAndMeasure(2700), 1.0);
    EXPECT_GE(m_checked, 7U);
}

TEST_F(GoldenTrajectories, ExtrapolationFliesOnAlongTheHeadingThenEnds) {
    std::vector<Report> points;
    for (int i = 0; i < 3; ++i) {
        points.push_back(along(kLat, kLon, 90.0, i * 3.0 * 200.0 * 0.514444, 3000.0, 200.0, 90.0));
    }
    start(points, 300);
    runAndMeasure(700);
    ASSERT_EQ(g_liveAircraft.size(), 1U);
    const double lat0 = g_liveAircraft.front().position.latitude;
    const double lon0 = g_liveAircraft.front().position.longitude;
    runAndMeasure(800); // one extrapolated leg at 95 % of 200 kn
    ASSERT_EQ(g_liveAircraft.size(), 1U);
    const LiveAircraft& a = g_liveAircraft.front();
    EXPECT_GT(a.extrapolationCount, 0);
    const double flown = gf_distanceNm(lat0, lon0, a.position.latitude, a.position.longitude);
    EXPECT_NEAR(flown, 190.0 * 8.0 / 3600.0, 0.01);
    EXPECT_NEAR(a.position.latitude, lat0, 1e-4); // still eastwards
    runAndMeasure(8 * 800);
    EXPECT_EQ(g_liveAircraft.front().simStatus, SimStatus::removingfromsim);
}

TEST_F(GoldenTrajectories, HoldingOnTheGroundEndsAfterItsLongestTime) {
    std::vector<Report> points;
    for (int i = 0; i < 3; ++i) {
        points.push_back(along(kLat, kLon, 0.0, i * 25.0, 0.0, 15.0, 0.0));
    }
    start(points, 324);
    runAndMeasure(1000);
    ASSERT_EQ(g_liveAircraft.size(), 1U);
    const LiveAircraft& a = g_liveAircraft.front();
    ASSERT_TRUE(a.holding);
    runAndMeasure(a.holdingStart + 2 * 6000 - 300 - g_stepCounter.load());
    EXPECT_EQ(a.simStatus, SimStatus::active); // two minutes are not over yet
    runAndMeasure(700);
    EXPECT_EQ(a.simStatus, SimStatus::removingfromsim);
}

TEST_F(GoldenTrajectories, AHoldingAircraftSeenFarAwayIsRemoved) {
    std::vector<Report> points;
    for (int i = 0; i < 3; ++i) {
        points.push_back(along(kLat, kLon, 0.0, i * 25.0, 0.0, 15.0, 0.0));
    }
    start(points, 324);
    runAndMeasure(1500);
    ASSERT_TRUE(g_liveAircraft.front().holding);
    decodeExisting(g_liveAircraft.front(), point(along(kLat, kLon, 0.0, 400.0, 0.0, 15.0, 0.0), 0));
    EXPECT_EQ(g_liveAircraft.front().simStatus, SimStatus::removingfromsim);
}

} // namespace
} // namespace skf::test
