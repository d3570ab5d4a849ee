// Scripted flights through the whole engine and the simulator stand-in, in lock-step: an arrival from a
// 15 NM final to a stop on a taxiway, and a departure from the runway to out of range. Asserted from the
// stand-in's trace (calls, events, the pose of every frame) and Log.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "EngineHarness.h"

namespace skf::test {
namespace {

// The runway: threshold at (kLat, kLon), landing westwards (270 degrees); the user stands 4 NM north.
constexpr double kLat = 52.0;
constexpr double kLon = 4.0;

EngineHarness::Options flatWorld() {
    EngineHarness::Options o;
    standin::Scenario& s = o.scenario;
    s.areas = {{"TEST", kLat, kLon, 40.0, 0.0}};
    s.path = {standin::Waypoint{0.0, kLat + 4.0 / 60.0, kLon, std::nullopt, 0.0, false, "parked"}};
    s.foreign.clear();
    return o;
}

void setParkAirport() {
    g_parkAirport = Airport{};
    g_parkAirport.icao = FixedCode<4>("EHAM");
    g_parkAirport.iata = FixedCode<3>("AMS");
    g_parkAirport.latitude = kLat;
    g_parkAirport.longitude = kLon - 0.02;
    g_parkAirport.altitude = 0.0F;
}

class ScriptedFlightThreads : public ::testing::Test {
protected:
    void SetUp() override {
        addTestModel("A320", SizeCategory::Large, 17.0);
        COLLISION_USER_GND.set(true);
        COLLISION_USER_AIR.set(true);
        GUID_CHANGES.set(false);
        AIRBORNE_ONLY.set(false);
    }
};

// The distance a frame (1/30 s) allows at a speed in knots, with a margin for the pull towards a due point.
double frameMetresAt(double knots) {
    return knots * 0.514444 / 30.0 * 1.6;
}

// The largest distance in metres between the poses of two frames that follow each other.
double largestFrameJumpMetres(const std::vector<nlohmann::json>& poses) {
    double largest = 0.0;
    for (std::size_t i = 1; i < poses.size(); ++i) {
        const double d = gf_distanceNm(poses[i - 1]["lat"], poses[i - 1]["lon"], poses[i]["lat"], poses[i]["lon"]);
        largest = std::max(largest, d * 1852.0);
    }
    return largest;
}

std::vector<std::uint32_t> eventValues(const EngineHarness& h, const std::string& name) {
    std::vector<std::uint32_t> values;
    for (const auto& c : h.calls("TransmitClientEvent")) {
        if (c.value("name", "") == name) {
            values.push_back(c["data"]);
        }
    }
    return values;
}

// The trace sequence number of the first client event with this name and value; -1 when none.
std::int64_t firstEvent(const EngineHarness& h, const std::string& name, std::uint32_t value) {
    for (const auto& c : h.calls("TransmitClientEvent")) {
        if (c.value("name", "") == name && c["data"] == value) {
            return c["seq"];
        }
    }
    return -1;
}

// Arrival at 150 kn on a 3-degree path from 15 NM, touchdown at the threshold, roll-out to 20 kn over 40 s,
// a right turn onto a taxiway to the north, 300 m of taxi, then standing still. Reports every 3 s.
Report arrivalAt(double t) {
    constexpr double kFinal = 15.0 * 1852.0; // metres
    constexpr double kSpeed = 150.0 * 0.514444;
    const double tTouch = kFinal / kSpeed;
    Report r;
    if (t < tTouch) {
        const double metres = kFinal - kSpeed * t;
        const Position p = offsetPoint(kLat, kLon, 90.0, metres);
        r = Report{p.latitude, p.longitude, metres / 1852.0 * 318.0, 150.0, 270.0, -800.0};
        return r;
    }
    const double tr = t - tTouch;
    constexpr double kRoll = 40.0;
    const double decel = (150.0 - 20.0) * 0.514444 / kRoll;
    if (tr < kRoll) {
        const double metres = kSpeed * tr - decel * tr * tr / 2.0;
        const Position p = offsetPoint(kLat, kLon, 270.0, metres);
        return Report{p.latitude, p.longitude, 0.0, 150.0 - tr * (130.0 / kRoll), 270.0, 0.0};
    }
    const double rollMetres = kSpeed * kRoll - decel * kRoll * kRoll / 2.0;
    const Position exit = offsetPoint(kLat, kLon, 270.0, rollMetres);
    const double tt = tr - kRoll;
    const double taxiMetres = std::min(tt * 20.0 * 0.514444, 300.0);
    const Position p = offsetPoint(exit.latitude, exit.longitude, 0.0, taxiMetres);
    const bool stopped = taxiMetres >= 300.0;
    return Report{p.latitude, p.longitude, 0.0, stopped ? 0.0 : 20.0, 0.0, 0.0};
}

TEST_F(ScriptedFlightThreads, ArrivalFromFinalToAStopOnTheTaxiway) {
    EngineHarness h(flatWorld());
    setParkAirport();
    constexpr std::uint64_t kReportEvery = 300;
    const std::uint64_t reports = 560 * 100 / kReportEvery; // 560 s of feed
    h.run(reports * kReportEvery + 6000, [&](std::uint64_t step) {
        if (step % kReportEvery == 0 && step / kReportEvery < reports) {
            h.inject(40001, "KLM1234", "A320", arrivalAt(static_cast<double>(step) / 100.0), {}, "LHR", "AMS");
        }
    });

    // Created once under its callsign, released and frozen before its first move.
    const auto creations = h.calls("AICreateNonATCAircraft");
    ASSERT_EQ(creations.size(), 1U);
    EXPECT_EQ(creations[0]["tail"], "KLM1234");
    EXPECT_EQ(creations[0]["title"], kTestTitle);
    EXPECT_TRUE(h.sim().movedBeforeReady().empty());
    const auto object = h.sim().objectByAtcId("KLM1234");
    ASSERT_TRUE(object.has_value());
    // While it is finished (200 steps after it showed up) all its lights are toggled twice.
    EXPECT_EQ(eventValues(h, "ALL_LIGHTS_TOGGLE").size(), 2U);

    // Flown every frame without a jump that its speed does not allow.
    const auto poses = h.poses("KLM1234");
    ASSERT_GT(poses.size(), 10000U);
    EXPECT_LT(largestFrameJumpMetres(poses), frameMetresAt(150.0));

    // Approach configuration: gear down, flaps 3 and approach throttle; spoilers out at the touchdown.
    EXPECT_FALSE(eventValues(h, "GEAR_SET").empty());
    const auto flaps = eventValues(h, "FLAPS_SET");
    EXPECT_NE(std::find(flaps.begin(), flaps.end(), 16383U), flaps.end());
    const auto spoilers = eventValues(h, "SPOILERS_SET");
    EXPECT_NE(std::find(spoilers.begin(), spoilers.end(), 16383U), spoilers.end());

    // Touchdown near the threshold and a roll-out: on the ground from then on, westwards first.
    const auto touch = std::find_if(poses.begin(), poses.end(), [](const auto& p) { return p["onGround"] == true; });
    ASSERT_NE(touch, poses.end());
    // In order: gear down and flaps 3 on the approach, the touchdown, spoilers out, then in at taxi speed.
    const std::int64_t touchSeq = (*touch)["seq"];
    const std::int64_t gearDown = firstEvent(h, "GEAR_SET", 1);
    const std::int64_t flaps3 = firstEvent(h, "FLAPS_SET", 16383);
    const std::int64_t spoilersOut = firstEvent(h, "SPOILERS_SET", 16383);
    ASSERT_GT(gearDown, 0);
    ASSERT_GT(flaps3, 0);
    EXPECT_LT(gearDown, touchSeq);
    EXPECT_LT(flaps3, touchSeq);
    EXPECT_GT(spoilersOut, flaps3);
    bool spoilersInAfter = false;
    for (const auto& c : h.calls("TransmitClientEvent")) {
        spoilersInAfter |= c.value("name", "") == "SPOILERS_SET" && c["data"] == 0 && c["seq"] > spoilersOut;
    }
    EXPECT_TRUE(spoilersInAfter);
    const double touchFromThreshold = gf_distanceNm(kLat, kLon, (*touch)["lat"], (*touch)["lon"]) * 1852.0;
    EXPECT_LT(touchFromThreshold, 1500.0);
    const std::size_t afterTouch = static_cast<std::size_t>(touch - poses.begin());
    std::size_t airborneAgain = 0;
    for (std::size_t i = afterTouch + 30; i < poses.size(); ++i) {
        airborneAgain += poses[i]["agl"].get<double>() > 15.0 ? 1 : 0;
    }
    EXPECT_EQ(airborneAgain, 0U);

    // It stands on the taxiway, 300 m north of the runway exit.
    const Report last = arrivalAt(1000.0);
    const auto& end = poses.back();
    EXPECT_LT(gf_distanceNm(last.lat, last.lon, end["lat"], end["lon"]) * 1852.0, 40.0);
    EXPECT_EQ(h.log().find("==> "), std::string::npos) << h.log();
}

// Departure: lined up on the runway, take-off roll to 150 kn, climb-out westwards at 2000 ft/min; the feed
// ends 12 NM out, beyond the range around the user.
Report departureAt(double t) {
    constexpr double kStand = 20.0;
    constexpr double kAccel = 150.0 * 0.514444 / 40.0;
    if (t < kStand) {
        return Report{kLat, kLon, 0.0, 0.0, 270.0, 0.0};
    }
    const double tr = t - kStand;
    if (tr < 40.0) {
        const Position p = offsetPoint(kLat, kLon, 270.0, kAccel * tr * tr / 2.0);
        return Report{p.latitude, p.longitude, 0.0, tr * 150.0 / 40.0, 270.0, 0.0};
    }
    const double ta = tr - 40.0;
    const double metres = kAccel * 40.0 * 40.0 / 2.0 + (150.0 + ta * 0.5) * 0.514444 * ta;
    const Position p = offsetPoint(kLat, kLon, 270.0, metres);
    return Report{p.latitude, p.longitude, 50.0 + ta * 2000.0 / 60.0, 150.0 + ta * 0.5, 270.0, 2000.0};
}

TEST_F(ScriptedFlightThreads, DepartureFromTheRunwayToOutOfRange) {
    EngineHarness h(flatWorld());
    setParkAirport();
    RANGE.set(10);
    constexpr std::uint64_t kReportEvery = 300;
    const std::uint64_t reports = 320 * 100 / kReportEvery;
    h.run(reports * kReportEvery + 20000, [&](std::uint64_t step) {
        if (step % kReportEvery == 0 && step / kReportEvery < reports) {
            h.inject(40002, "KLM1700", "A320", departureAt(static_cast<double>(step) / 100.0), {}, "AMS", "LHR");
        }
    });

    const auto creations = h.calls("AICreateNonATCAircraft");
    ASSERT_EQ(creations.size(), 1U);
    const auto poses = h.poses("KLM1700");
    ASSERT_FALSE(poses.empty());
    const std::uint32_t objectId = poses.front()["object"];
    EXPECT_TRUE(h.sim().movedBeforeReady().empty());
    EXPECT_LT(largestFrameJumpMetres(poses), frameMetresAt(departureAt(320.0).groundSpeed));

    // Take-off: on the ground at first, later well above it; the gear comes up.
    EXPECT_TRUE(poses.front()["onGround"].get<bool>());
    double highest = 0.0;
    for (const auto& p : poses) {
        highest = std::max(highest, p["agl"].get<double>());
    }
    EXPECT_GT(highest, 3000.0);
    // In order: flaps 1 for the take-off, full throttle on the roll, the gear up once airborne.
    const std::int64_t flaps1 = firstEvent(h, "FLAPS_SET", 3072);
    const std::int64_t fullThrottle = firstEvent(h, "THROTTLE_SET", 16383);
    const std::int64_t gearUp = firstEvent(h, "GEAR_SET", 0);
    ASSERT_GT(flaps1, 0);
    ASSERT_GT(fullThrottle, 0);
    ASSERT_GT(gearUp, 0);
    EXPECT_LT(flaps1, fullThrottle);
    EXPECT_LT(fullThrottle, gearUp);

    // Its flight plan was loaded, and after the removal its file is gone.
    const auto plans = h.calls("AISetAircraftFlightPlan");
    ASSERT_EQ(plans.size(), 1U);
    EXPECT_EQ(plans[0]["result"], "ok");
    const auto removed = h.sim().removedObjects();
    EXPECT_NE(std::find(removed.begin(), removed.end(), objectId), removed.end());
    EXPECT_FALSE(std::filesystem::exists(gf_flightPlanPath(objectId)));
    EXPECT_TRUE(g_liveAircraft.empty());
}

} // namespace
} // namespace skf::test
