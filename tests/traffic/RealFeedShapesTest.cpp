// The engine against the shapes of a real feed, through the whole engine and the simulator stand-in in
// lock-step: arrivals that stop a few metres short of their stand, reports at any timing and during the drive
// to the stand, positions of a standing aircraft that jitter, routes that are filled in late and reports that
// pause for minutes.
#include <gtest/gtest.h>
#include <fmt/format.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <cmath>
#include <string>
#include <vector>

#include "EngineHarness.h"
#include "FeedRoute.h"
#include "TrafficFixture.h"
#include "data/apf/Stand.h"
#include "traffic/EngineInternal.h"

namespace skf::test {
namespace {

// Runway threshold at (kLat, kLon), landing westwards; the stands lie north of the runway exit.
constexpr double kLat = kFeedLat;
constexpr double kLon = kFeedLon;
constexpr double kKn = kKnots;

EngineHarness::Options world() {
    return feedWorld();
}

void setParkAirport() {
    setFeedParkAirport();
}

// Three stands side by side, 45 m apart, noses to the north, radius 20 m; D7 in the middle at `at`.
void setStands(const Position& at) {
    g_stands.clear();
    const Position west = offsetPoint(at.latitude, at.longitude, 270.0, 45.0);
    const Position east = offsetPoint(at.latitude, at.longitude, 90.0, 45.0);
    std::int32_t sid = 0;
    for (const auto& [name, p] : {std::pair{"D6", west}, std::pair{"D7", at}, std::pair{"D8", east}}) {
        Stand s(name, {}, p.latitude, p.longitude, 0.0, 20.0, false, false, false);
        s.sid = ++sid;
        g_stands.push_back(std::move(s));
    }
}

// The runway exit: where the roll-out ends.
Position runwayExit() {
    return offsetPoint(kLat, kLon, 270.0, 1400.0);
}

// D7: 400 m north of the runway exit.
Position standD7() {
    const Position exit = runwayExit();
    return offsetPoint(exit.latitude, exit.longitude, 0.0, 400.0);
}

// A landing from a 2 NM final at 140 kn, a roll-out to 15 kn over 40 s, a taxi northwards at 15 kn slowing to
// 5 kn over the last 60 m, and a stop `shortMetres` short of D7. Times in seconds from the start.
struct Arrival {
    double shortMetres = 0.0;
    double tTouch = 2.0 * 1852.0 / (140.0 * kKn);
    double tExit = tTouch + 40.0;

    Report at(double t) const {
        if (t < tTouch) {
            const double metres = 2.0 * 1852.0 - 140.0 * kKn * t;
            const Position p = offsetPoint(kLat, kLon, 90.0, metres);
            return Report{p.latitude, p.longitude, metres / 1852.0 * 318.0, 140.0, 270.0, -740.0};
        }
        if (t < tExit) {
            const double tr = t - tTouch;
            const double speed = 140.0 - tr * (125.0 / 40.0);
            const double metres = (140.0 + speed) / 2.0 * kKn * tr;
            const Position p = offsetPoint(kLat, kLon, 270.0, std::min(metres, 1400.0));
            return Report{p.latitude, p.longitude, 0.0, speed, 270.0, 0.0};
        }
        const Position exit = runwayExit();
        const double total = 400.0 - shortMetres;
        const double fast = total - 60.0;
        const double tFast = fast / (15.0 * kKn);
        const double ts = t - tExit;
        double metres = 0.0;
        double speed = 15.0;
        if (ts < tFast) {
            metres = ts * 15.0 * kKn;
        } else {
            const double tSlow = 60.0 / (10.0 * kKn); // mean speed 10 kn
            const double u = std::min((ts - tFast) / tSlow, 1.0);
            metres = fast + 60.0 * (u * (2.0 - u) * 0.75 + u * 0.25);
            speed = u >= 1.0 ? 0.0 : 15.0 - 10.0 * u;
        }
        const Position p = offsetPoint(exit.latitude, exit.longitude, 0.0, std::min(metres, total));
        return Report{p.latitude, p.longitude, 0.0, speed, 0.0, 0.0};
    }
};

class RealFeedShapes : public ::testing::Test {
protected:
    void SetUp() override {
        addRegistration("PH-EXA", "KLM", "A320");
        COLLISION_USER_GND.set(true);
        COLLISION_USER_AIR.set(false);
        GUID_CHANGES.set(true);
        AIRBORNE_ONLY.set(false);
        STRAIGHT_PBS_ONLY.set(false);
        MAX_HOLDING_MINUTES.set(20);
        HOLDING_THRESHOLD_METERS.set(250);
    }
    void TearDown() override {
        g_stands.clear();
        g_dbaseRecords.clear();
        addTestModel("A320", SizeCategory::Large, 17.0);
        g_buzjetModelIds.erase(gf_internModel("B738"));
    }
};

bool learnedALeavingStay() {
    for (const Stand& s : g_stands) {
        for (const StandOpt& o : s.options) {
            if (o.cpl != 0) {
                return true;
            }
        }
    }
    return false;
}

struct StopRow {
    double halfSpanMetres;
    double shortMetres;
    double reportEvery;  // seconds
    double firstReport;  // seconds: the timing of the reports against the stop
    double jitterMetres; // of the reports while it stands
};

void PrintTo(const StopRow& r, std::ostream* os) {
    *os << r.halfSpanMetres << " m half span, " << r.shortMetres << " m short, a report every " << r.reportEvery
        << " s from " << r.firstReport << " s, jitter " << r.jitterMetres << " m";
}

class ArrivalStops : public RealFeedShapes, public ::testing::WithParamInterface<StopRow> {};

// Each arrival parks on D7, where it stopped short, never leaves it before it arrived, never learns a stay
// that ended, and stays one object from the final to the stand.
TEST_P(ArrivalStops, ParkOnTheStandTheyStopAt) {
    const StopRow row = GetParam();
    addTestModel("A320", SizeCategory::Large, row.halfSpanMetres);
    EngineHarness h(world());
    setParkAirport();
    const Position d7 = standD7();
    setStands(d7);
    const Arrival arrival{row.shortMetres};
    const auto every = static_cast<std::uint64_t>(row.reportEvery * 100.0);
    const auto first = static_cast<std::uint64_t>(row.firstReport * 100.0);
    const double tEnd = arrival.tExit + 180.0;
    int n = 0;
    const FeedOutcome o = runFeed(h, static_cast<std::uint64_t>(tEnd * 100.0) + 4000, [&](std::uint64_t step) {
        if (step < first || (step - first) % every != 0 || step > tEnd * 100.0) {
            return;
        }
        Report r = arrival.at(static_cast<double>(step) / 100.0);
        if (r.groundSpeed == 0.0 && r.altitude == 0.0 && row.jitterMetres > 0.0) {
            ++n; // every bearing, one to three thirds of the jitter
            const Position p = offsetPoint(r.lat, r.lon, (n * 137) % 360, row.jitterMetres * ((n % 3) + 1) / 3.0);
            r.lat = p.latitude;
            r.lon = p.longitude;
        }
        h.inject(30001, "KLM1234", "A320", r, "PH-EXA", "LHR", "AMS");
    });
    const std::string log = h.log();
    EXPECT_NE(log.find("D7      : KLM1234  arrived at stand"), std::string::npos) << log;
    ASSERT_EQ(g_liveAircraft.size(), 1U);
    EXPECT_EQ(g_liveAircraft.front().phase, FlightPhase::parked);
    EXPECT_EQ(g_liveAircraft.front().standId, 2);
    const auto pushed = std::find(o.phases.begin(), o.phases.end(), FlightPhase::pushing_back);
    EXPECT_EQ(pushed, o.phases.end());
    EXPECT_EQ(log.find("pulling out"), std::string::npos) << log;
    EXPECT_FALSE(learnedALeavingStay());
    EXPECT_EQ(o.creations, 1U);
    EXPECT_EQ(o.removals, 0U);
}

INSTANTIATE_TEST_SUITE_P(ShortOfTheStand, ArrivalStops,
                         ::testing::Values(StopRow{17.0, 0.0, 3.0, 0.0, 0.0}, StopRow{17.0, 5.0, 5.0, 1.0, 0.0},
                                           StopRow{17.0, 10.0, 4.0, 2.5, 0.0}, StopRow{17.0, 15.0, 3.0, 1.7, 15.0},
                                           StopRow{17.0, 19.0, 5.0, 3.2, 0.0}, StopRow{17.0, 19.0, 2.0, 0.9, 25.0},
                                           StopRow{12.0, 0.0, 5.0, 4.1, 0.0}, StopRow{12.0, 5.0, 3.0, 0.4, 10.0},
                                           StopRow{12.0, 10.0, 5.0, 2.2, 0.0}, StopRow{12.0, 15.0, 4.0, 0.0, 0.0},
                                           StopRow{12.0, 15.0, 5.0, 4.6, 20.0}, StopRow{12.0, 19.0, 3.0, 2.9, 0.0}));

struct GapRow {
    double gapFrom;       // seconds after the feed's touchdown
    double gapSeconds;    // no report for this long; then the reports go on where the aircraft is by then
    double routeFilled;   // seconds after the feed's touchdown; before it the feed gives no route
    double fastAt = -1.0; // seconds after the touchdown: one report while it taxis gives 50 kn (a glitch)
};

void PrintTo(const GapRow& r, std::ostream* os) {
    *os << "no report from " << r.gapFrom << " s after the touchdown for " << r.gapSeconds << " s, route from "
        << r.routeFilled << " s, a fast report at " << r.fastAt << " s";
}

class LandingOneObject : public RealFeedShapes, public ::testing::WithParamInterface<GapRow> {};

// A landing aircraft stays one object from its final to its stand, whatever its feed fills in late or leaves
// out for minutes.
TEST_P(LandingOneObject, FromFinalToStand) {
    const GapRow row = GetParam();
    addTestModel("A320", SizeCategory::Large, 17.0);
    EngineHarness h(world());
    setParkAirport();
    setStands(standD7());
    const Arrival arrival{10.0};
    const double tEnd = arrival.tExit + 240.0 + row.gapSeconds;
    const FeedOutcome o = runFeed(h, static_cast<std::uint64_t>(tEnd * 100.0) + 4000, [&](std::uint64_t step) {
        const double t = static_cast<double>(step) / 100.0;
        const double sinceTouch = t - arrival.tTouch;
        if (step % 300 != 0 || t > tEnd || (sinceTouch >= row.gapFrom && sinceTouch < row.gapFrom + row.gapSeconds)) {
            return;
        }
        const bool route = sinceTouch >= row.routeFilled;
        Report r = arrival.at(t);
        if (row.fastAt >= 0.0 && sinceTouch >= row.fastAt && sinceTouch < row.fastAt + 3.0) {
            r.groundSpeed = 50.0; // one fast report alone is no take-off
        }
        h.inject(30001, "KLM1234", "A320", r, "PH-EXA", route ? "LHR" : "", route ? "AMS" : "");
    });
    EXPECT_EQ(o.creations, 1U);
    EXPECT_EQ(o.removals, 0U);
    const std::string log = h.log();
    EXPECT_NE(log.find("D7      : KLM1234  arrived at stand"), std::string::npos) << log;
    EXPECT_EQ(log.find("respawns"), std::string::npos) << log;
    EXPECT_FALSE(o.went(FlightPhase::take_off)) << log;
}

INSTANTIATE_TEST_SUITE_P(RouteAndGaps, LandingOneObject,
                         ::testing::Values(GapRow{0.0, 0.0, 5.0}, GapRow{0.0, 0.0, -20.0}, GapRow{5.0, 90.0, 0.0},
                                           GapRow{20.0, 180.0, 0.0}, GapRow{45.0, 180.0, 60.0},
                                           GapRow{0.0, 0.0, 0.0, 60.0}));

// Cruising at 12000 ft, 30 NM out; the feed gives its route only after a minute.
TEST_F(RealFeedShapes, ARouteFilledInMidFlightCreatesOnceAndRemovesNothing) {
    addTestModel("A320", SizeCategory::Large, 17.0);
    EngineHarness h(world());
    setParkAirport();
    h.run(20000, [&](std::uint64_t step) {
        if (step % 500 != 0 || step > 15000) {
            return;
        }
        const double t = static_cast<double>(step) / 100.0;
        const Position p = offsetPoint(kLat, kLon, 90.0, 30.0 * 1852.0 - t * 250.0 * kKn);
        const bool route = t >= 60.0;
        h.inject(30003, "KLM1001", "A320", Report{p.latitude, p.longitude, 12000.0, 250.0, 270.0, 0.0}, "PH-EXA",
                 route ? "LHR" : "", route ? "AMS" : "");
    });
    EXPECT_EQ(h.calls("AICreateNonATCAircraft").size(), 1U);
    EXPECT_TRUE(h.sim().removedObjects().empty());
    ASSERT_EQ(g_liveAircraft.size(), 1U);
    EXPECT_EQ(gf_routeCodeText(g_liveAircraft.front().origin), "LHR");
    EXPECT_EQ(gf_routeCodeText(g_liveAircraft.front().destination), "AMS");
    EXPECT_EQ(h.log().find("respawns"), std::string::npos) << h.log();
}

struct StandingRow {
    double halfSpanMetres;
    double jitterMetres; // of the reports while it stands
    double noisySpeed;   // every other report while it stands gives this ground speed, the others 0
    bool departs;        // after 150 s it pushes back at 3 kn
};

void PrintTo(const StandingRow& r, std::ostream* os) {
    *os << r.halfSpanMetres << " m half span, jitter " << r.jitterMetres << " m, speed " << r.noisySpeed << " kn"
        << (r.departs ? ", departs" : "");
}

class StandingAtAStand : public RealFeedShapes, public ::testing::WithParamInterface<StandingRow> {};

// Parked from the start: then its reports jitter around D7 with ground speed 0 or a little (a report every 2 s,
// each at a bearing and distance of its own); it stays parked until the feed shows it really moving.
TEST_P(StandingAtAStand, StaysUntilItReallyMoves) {
    const StandingRow row = GetParam();
    addTestModel("A320", SizeCategory::Large, row.halfSpanMetres);
    EngineHarness h(world());
    setParkAirport();
    const Position d7 = standD7();
    setStands(d7);
    std::uint32_t draw = 12345;
    const auto next = [&draw] {
        draw = draw * 1103515245U + 12345U;
        return static_cast<double>((draw >> 8) % 1000) / 1000.0;
    };
    int n = 0;
    bool parkedBefore = false;
    const FeedOutcome o = runFeed(h, 46000, [&](std::uint64_t step) {
        if (step == 14000 && !g_liveAircraft.empty()) {
            parkedBefore = g_liveAircraft.front().phase == FlightPhase::parked && g_liveAircraft.front().standId == 2;
        }
        if (step % 200 != 0 || step > 42000) {
            return;
        }
        const double t = static_cast<double>(step) / 100.0;
        if (row.departs && t >= 150.0) {
            const Position p = offsetPoint(d7.latitude, d7.longitude, 180.0, std::min((t - 150.0) * 3.0 * kKn, 60.0));
            h.inject(30004, "KLM1700", "A320", Report{p.latitude, p.longitude, 0.0, 3.0, 0.0, 0.0}, "PH-EXA");
            return;
        }
        // Seen standing on the stand first, then jittering.
        const double bearing = next() * 360.0;
        const double jitter = ++n <= 8 ? 0.0 : row.jitterMetres * next();
        const Position p = offsetPoint(d7.latitude, d7.longitude, bearing, jitter);
        const double speed = n % 2 == 0 ? row.noisySpeed : 0.0;
        h.inject(30004, "KLM1700", "A320", Report{p.latitude, p.longitude, 0.0, speed, bearing, 0.0}, "PH-EXA");
    });
    const std::string log = h.log();
    EXPECT_TRUE(parkedBefore) << log;
    EXPECT_EQ(o.creations, 1U);
    EXPECT_EQ(log.find("pulling out"), std::string::npos) << log;
    const bool pushedBack = std::find(o.phases.begin(), o.phases.end(), FlightPhase::pushing_back) != o.phases.end();
    EXPECT_EQ(pushedBack, row.departs);
    if (!row.departs) {
        ASSERT_EQ(g_liveAircraft.size(), 1U);
        EXPECT_EQ(g_liveAircraft.front().phase, FlightPhase::parked);
        EXPECT_FALSE(learnedALeavingStay());
    }
}

INSTANTIATE_TEST_SUITE_P(Jitter, StandingAtAStand,
                         ::testing::Values(StandingRow{17.0, 10.0, 0.0, false}, StandingRow{17.0, 25.0, 0.0, false},
                                           StandingRow{12.0, 25.0, 0.0, false}, StandingRow{12.0, 25.0, 2.0, false},
                                           StandingRow{12.0, 25.0, 0.0, true}));

// Where a departure's reports stop for a while: standing at the holding point, or on the take-off roll just after
// a report at 40 kn or at 100 kn.
enum class GapAt { PushedBack, HoldingPoint, Roll40, Roll100 };

struct DepartureGapRow {
    bool fromStand; // pushed back from D7 and taxied out; else first seen taxiing to the holding point
    double every;   // seconds between reports
    GapAt gapAt;
    double gapSeconds;        // the reports go on in the air, where the aircraft is by then
    bool catchesUp;           // false: too far ahead to catch up, it is removed and created again in the air
    bool businessJet = false; // a business jet (rotation at 110 kn), else an A320
};

void PrintTo(const DepartureGapRow& r, std::ostream* os) {
    static const char* const kAt[] = {"after the push-back", "at the holding point", "at 40 kn", "at 100 kn"};
    *os << (r.fromStand ? "from D7" : "from the taxiway") << ", a report every " << r.every << " s, no report "
        << kAt[static_cast<int>(r.gapAt)] << " for " << r.gapSeconds << " s";
}

class DepartureGaps : public RealFeedShapes, public ::testing::WithParamInterface<DepartureGapRow> {};

// A departure as ground receivers report it: they lose the aircraft at the runway and find it again in the air,
// up to 3000 ft high and miles out. It lifts off near where the feed's did, climbs after its reports and stays one
// object from its stand (or its creation) to the end of the feed; one that the feed finds too far ahead to catch
// up is removed with its line and created again in the air.
TEST_P(DepartureGaps, LiftOffAndClimbAsOneObject) {
    const DepartureGapRow row = GetParam();
    addTestModel("A320", SizeCategory::Large, 17.0);
    const char* model = row.businessJet ? "B738" : "A320"; // a title of the stand-in stands for the jet's
    if (row.businessJet) {
        addTestModel(model, SizeCategory::Buzjets, 9.0);
    }
    EngineHarness h(world());
    setParkAirport();
    const Position d7 = standD7();
    setStands(d7);
    // The holding point lies 150 m east and 345 m south of D7; the runway 60 m beyond it runs westwards.
    const Position holding = offsetPoint(offsetPoint(d7.latitude, d7.longitude, 90.0, 150.0).latitude,
                                         offsetPoint(d7.latitude, d7.longitude, 90.0, 150.0).longitude, 180.0, 345.0);
    std::vector<Leg> legs;
    Position start = d7;
    const double pushedBack = 60.0 + 45.0 / (3.0 * kKn);
    if (row.fromStand) {
        legs = {stop(60.0), Leg{180.0, 45.0, 3.0}, stop(20.0), Leg{90.0, 150.0, 12.0}, Leg{180.0, 300.0, 15.0}};
    } else {
        start = offsetPoint(holding.latitude, holding.longitude, 0.0, 300.0);
        legs = {Leg{180.0, 300.0, 12.0}};
    }
    const double atHolding = Route{start, legs}.length();
    legs.insert(legs.end(), {stop(10.0), Leg{180.0, 60.0, 8.0}, Leg{270.0, 100.0, 30.0}, Leg{270.0, 150.0, 40.0}});
    const double at40 = Route{start, legs}.length();
    legs.insert(legs.end(), {Leg{270.0, 300.0, 70.0}, Leg{270.0, 450.0, 100.0}});
    const double at100 = Route{start, legs}.length();
    legs.push_back(Leg{270.0, 600.0, 130.0});
    const Route toLiftOff{start, legs};
    legs.push_back(Leg{270.0, 20000.0, 165.0, 0.0, 30.0, 9500.0});
    const Route route{start, legs};
    const double gapFrom = row.gapAt == GapAt::PushedBack     ? pushedBack + 2.0
                           : row.gapAt == GapAt::HoldingPoint ? atHolding + 2.0
                           : row.gapAt == GapAt::Roll40       ? at40
                                                              : at100;
    const auto every = static_cast<std::uint64_t>(row.every * 100.0);
    const auto feedEnd = static_cast<std::uint64_t>(route.length() * 100.0);
    const FeedOutcome o = runFeed(h, feedEnd + 4000, [&](std::uint64_t step) {
        const double t = static_cast<double>(step) / 100.0;
        if (step % every != 0 || step > feedEnd || (t >= gapFrom && t < gapFrom + row.gapSeconds)) {
            return;
        }
        h.inject(30007, "KLM1900", model, route.at(t), row.businessJet ? "PH-BJA" : "PH-EXA", "AMS", "LHR");
    });
    const std::string log = h.log();
    EXPECT_EQ(o.went(FlightPhase::take_off), row.catchesUp) << log;
    EXPECT_EQ(o.phases.back(), FlightPhase::flying) << log;
    if (row.fromStand) {
        EXPECT_TRUE(o.went(FlightPhase::parked)) << log;
        EXPECT_TRUE(o.went(FlightPhase::pushing_back)) << log;
    }
    const auto poses = h.poses("KLM1900");
    ASSERT_FALSE(poses.empty());
    if (row.catchesUp) {
        EXPECT_EQ(o.creations, 1U) << log;
        EXPECT_EQ(o.removals, 0U) << log;
        EXPECT_EQ(log.find("removed"), std::string::npos) << log;
    } else {
        EXPECT_EQ(o.creations, 2U) << log;
        EXPECT_EQ(o.removals, 1U) << log;
        EXPECT_NE(log.find("KLM1900  removed: departed"), std::string::npos) << log;
    }
    // Never a removal on the ground: every object that went away was last seen in the air, and the one of the
    // end flies high up after the feed, not more than the engine's lag behind it.
    const std::uint32_t last = poses.back()["object"];
    const Position liftOff = toLiftOff.end();
    bool lifted = false;
    for (std::size_t i = 0; i < poses.size(); ++i) {
        const auto& p = poses[i];
        if (p["object"] != last) {
            continue;
        }
        if (!lifted && p["agl"].get<double>() > 20.0) {
            lifted = true;
            if (row.catchesUp) { // near the feed's lift-off, not miles down the runway
                EXPECT_LT(gf_distanceNm(p["lat"], p["lon"], liftOff.latitude, liftOff.longitude) * 1852.0, 2500.0)
                    << log;
            }
        }
    }
    EXPECT_TRUE(lifted) << log;
    const bool laidOut = (row.gapAt == GapAt::HoldingPoint || row.gapAt == GapAt::Roll40) && row.gapSeconds >= 50.0;
    if (row.catchesUp && laidOut) {
        // A roll laid out from a standstill opens the throttle by its bands: 1 (4914) before full (16383).
        std::vector<std::uint32_t> throttle;
        for (const auto& c : h.calls("TransmitClientEvent")) {
            if (c.value("name", "") == "THROTTLE_SET") {
                throttle.push_back(c["data"]);
            }
        }
        const auto full = std::find(throttle.begin(), throttle.end(), 16383U);
        ASSERT_NE(full, throttle.end()) << log;
        ASSERT_NE(full, throttle.begin()) << log;
        EXPECT_EQ(*(full - 1), 4914U) << log;
    }
    const Report end = route.at(route.length());
    EXPECT_GT(poses.back()["agl"].get<double>(), 4000.0) << log;
    EXPECT_LT(gf_distanceNm(poses.back()["lat"], poses.back()["lon"], end.lat, end.lon), 3.0) << log;
}

INSTANTIATE_TEST_SUITE_P(LostAtTheRunway, DepartureGaps,
                         ::testing::Values(DepartureGapRow{true, 5.0, GapAt::HoldingPoint, 20.0, true},
                                           DepartureGapRow{true, 10.0, GapAt::HoldingPoint, 70.0, true},
                                           DepartureGapRow{true, 3.0, GapAt::Roll40, 50.0, true},
                                           DepartureGapRow{true, 15.0, GapAt::Roll100, 90.0, true},
                                           DepartureGapRow{false, 2.0, GapAt::HoldingPoint, 50.0, true},
                                           DepartureGapRow{false, 5.0, GapAt::HoldingPoint, 90.0, true},
                                           DepartureGapRow{false, 8.0, GapAt::Roll40, 70.0, true},
                                           DepartureGapRow{false, 4.0, GapAt::Roll40, 90.0, true},
                                           DepartureGapRow{false, 5.0, GapAt::Roll100, 20.0, true},
                                           DepartureGapRow{false, 2.0, GapAt::Roll100, 50.0, true},
                                           DepartureGapRow{true, 5.0, GapAt::Roll100, 70.0, true},
                                           DepartureGapRow{true, 2.0, GapAt::Roll40, 20.0, true},
                                           DepartureGapRow{false, 2.0, GapAt::Roll100, 90.0, true},
                                           DepartureGapRow{true, 5.0, GapAt::PushedBack, 180.0, true},
                                           DepartureGapRow{true, 5.0, GapAt::PushedBack, 330.0, false},
                                           DepartureGapRow{false, 3.0, GapAt::HoldingPoint, 70.0, true, true},
                                           DepartureGapRow{false, 3.0, GapAt::Roll100, 50.0, true, true},
                                           DepartureGapRow{false, 5.0, GapAt::HoldingPoint, 240.0, false}));

struct HoldingRow {
    bool stopsFirst;    // its last reports stand still; else they taxi at 12 kn
    double pause;       // seconds without a report
    double aheadMetres; // where its reports resume, taxiing on eastwards
    bool removed;       // as another aircraft: removed with its line and created again
};

void PrintTo(const HoldingRow& r, std::ostream* os) {
    *os << (r.stopsFirst ? "standing" : "taxiing") << ", no report for " << r.pause << " s, then " << r.aheadMetres
        << " m ahead";
}

class HoldingReach : public RealFeedShapes, public ::testing::WithParamInterface<HoldingRow> {};

// An aircraft that holds on the ground because its reports stopped: reports that resume within the holding
// threshold, or within what its taxi explains over at most a minute and a half of the pause, go on with it;
// farther ones are another aircraft. Standing still explains no move at all.
TEST_P(HoldingReach, ResumedReportsFarAwayAreAnotherAircraft) {
    const HoldingRow row = GetParam();
    addTestModel("A320", SizeCategory::Large, 17.0);
    EngineHarness h(world());
    setParkAirport();
    setStands(standD7());
    const Position start = offsetPoint(kLat, kLon, 180.0, 500.0);
    std::vector<Leg> legs{Leg{90.0, 300.0, 12.0}};
    if (row.stopsFirst) {
        legs.push_back(stop(30.0));
    }
    const Route before{start, legs};
    const double resume = before.length() + row.pause;
    const Position from = before.end();
    const Route after{offsetPoint(from.latitude, from.longitude, 90.0, row.aheadMetres), {Leg{90.0, 300.0, 10.0}}};
    const double end = resume + after.length();
    const FeedOutcome o = runFeed(h, static_cast<std::uint64_t>(end * 100.0) + 2000, [&](std::uint64_t step) {
        const double t = static_cast<double>(step) / 100.0;
        if (step % 300 != 0 || t > end || (t >= before.length() && t < resume)) {
            return;
        }
        const Report r = t < resume ? before.at(t) : after.at(t - resume);
        h.inject(30008, "KLM1950", "A320", r, "PH-EXA", "LHR", "AMS");
    });
    const std::string log = h.log();
    EXPECT_EQ(log.find("KLM1950  removed: held at") != std::string::npos, row.removed) << log;
    EXPECT_EQ(o.creations, row.removed ? 2U : 1U) << log;
}

INSTANTIATE_TEST_SUITE_P(PausedOnTheGround, HoldingReach,
                         ::testing::Values(HoldingRow{true, 300.0, 200.0, false}, HoldingRow{true, 300.0, 400.0, true},
                                           HoldingRow{false, 60.0, 500.0, false},
                                           HoldingRow{false, 600.0, 1200.0, true}));

// Two aircraft taxi nose to tail, 30 m apart; the reports of the one behind stop. When its points run out it
// stands in the way of the one ahead, within 1.2 times their radii: it gives way, with its line, rather than hold.
TEST_F(RealFeedShapes, AnAircraftWhoseReportsStopCloseBehindATaxiingOneGivesWay) {
    addTestModel("A320", SizeCategory::Large, 17.0);
    EngineHarness h(world());
    setParkAirport();
    setStands(standD7());
    const Position start = offsetPoint(kLat, kLon, 180.0, 500.0);
    const Route behind{start, {Leg{90.0, 2000.0, 10.0}}};
    const Route ahead{offsetPoint(start.latitude, start.longitude, 90.0, 30.0), {Leg{90.0, 2000.0, 10.0}}};
    h.run(20000, [&](std::uint64_t step) {
        const double t = static_cast<double>(step) / 100.0;
        if (step % 300 != 0) {
            return;
        }
        if (t <= 60.0) {
            h.inject(30011, "KLM2001", "A320", behind.at(t), "", "AMS", "LHR");
        }
        h.inject(30012, "KLM2002", "A320", ahead.at(t), "", "AMS", "LHR");
    });
    const std::string log = h.log();
    EXPECT_NE(log.find("KLM2001  removed: holding in the way of taxiing KLM2002"), std::string::npos) << log;
    EXPECT_EQ(log.find("KLM2002  removed"), std::string::npos) << log;
}

// A spawn request of an aircraft without a callsign is dropped; the stand it was given is free again.
TEST_F(RealFeedShapes, ADroppedSpawnWithoutCallsignLeavesItsStandFree) {
    addTestModel("A320", SizeCategory::Large, 17.0);
    EngineHarness h(world());
    setParkAirport();
    const Position d7 = standD7();
    setStands(d7);
    // A private aircraft (unknown registration) flies the generic livery of its model.
    g_titlesByAirlineModel[0][gf_internOperator("ZZZ")][gf_internModel("A320")].push_back(kTestTitle);
    h.run(6000, [&](std::uint64_t step) {
        if (step % 400 == 0 && step <= 4000) {
            h.inject(30005, "", "A320", Report{d7.latitude, d7.longitude, 0.0, 0.0, 0.0, 0.0}, "N123XY");
        }
    });
    EXPECT_NE(h.log().find("objectid = 0?"), std::string::npos) << h.log();
    EXPECT_TRUE(h.calls("AICreateNonATCAircraft").empty());
    EXPECT_FALSE(g_stands[1].occupied);
    for (const LiveAircraft& a : g_liveAircraft) {
        EXPECT_NE(a.standId, 2) << gf_aircraftText(a);
    }
}

// A flight plan that cannot be written (its folder is a file now) is logged, and none is loaded.
TEST_F(RealFeedShapes, AFlightPlanThatCannotBeWrittenLogsItsLine) {
    addTestModel("A320", SizeCategory::Large, 17.0);
    EngineHarness h(world());
    setParkAirport();
    const Position d7 = standD7();
    setStands(d7);
    const std::filesystem::path folder = g_dataFolder / "orig_dest";
    std::filesystem::remove_all(folder);
    std::ofstream(folder) << "not a folder";
    h.run(3000, [&](std::uint64_t step) {
        if (step % 400 == 0 && step <= 2000) {
            h.inject(30006, "KLM1800", "A320", Report{d7.latitude, d7.longitude, 0.0, 0.0, 0.0, 0.0}, "PH-EXA", "AMS",
                     "LHR");
        }
    });
    EXPECT_EQ(h.calls("AICreateNonATCAircraft").size(), 1U);
    EXPECT_NE(h.log().find("creating a flight plan failed"), std::string::npos) << h.log();
    EXPECT_TRUE(h.calls("AISetAircraftFlightPlan").empty());
}

} // namespace
} // namespace skf::test
