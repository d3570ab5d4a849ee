// Taxi to a stand, the stand watch while parked, push-back geometry and the conflicts on stands, driven
// directly on the engine's thread (no simulator): the narrow and the wide stand search, creeping away from
// a stand, an arrival short of its stand, a second arrival for an occupied stand, two aircraft with one
// callsign, and a static aircraft that makes way.
#include <gtest/gtest.h>

#include <algorithm>

#include "EngineHarness.h"
#include "data/apf/Stand.h"
#include "core/ShellState.h"
#include "traffic/EngineInternal.h"

namespace skf::test {
namespace {

constexpr double kLat = 52.0;
constexpr double kLon = 4.0;

class Parking : public ::testing::Test {
protected:
    void SetUp() override {
        addTestModel("A320", SizeCategory::Large, 17.0);
        gf_resetSimLinkState();
        gf_resetEngine();
        gf_startEngine(); // registers the engine's hooks in the simulator link
        g_parkAirport = Airport{};
        g_parkAirport.icao = FixedCode<4>("EHAM");
        g_parkAirport.latitude = kLat;
        g_parkAirport.longitude = kLon;
        g_stands.clear();
        // Stand D7 at the base point, nose north, radius 20 m; D8 100 m east of it.
        addStand("D7", Position{kLat, kLon});
        addStand("D8", offsetPoint(kLat, kLon, 90.0, 100.0));
        g_stepCounter = 1000;
    }
    void TearDown() override {
        gf_resetEngine();
        g_stands.clear();
    }

    static void addStand(const std::string& name, const Position& at) {
        Stand s(name, {}, at.latitude, at.longitude, 0.0, 20.0, false, false, false);
        s.sid = static_cast<std::int32_t>(g_stands.size() + 1);
        g_stands.push_back(std::move(s));
    }

    static LiveAircraft& taxiing(const std::string& callsign, std::uint32_t trafficId, const Position& at) {
        TrafficRecord t;
        t.callsign = callsign;
        t.modelId = gf_internModel("A320");
        FlightRecord r = gf_makeFlightRecord(std::move(t));
        r.trafficId = trafficId;
        r.turnRate = r.nominalTurnRate;
        r.taxiSpeed = gf_categoryTaxiSpeed(r.category);
        StreamPoint p;
        p.latitude = at.latitude;
        p.longitude = at.longitude;
        p.dueStep = static_cast<std::int32_t>(g_stepCounter.load());
        g_liveAircraft.emplace_back(p, std::move(r), 0.0);
        LiveAircraft& a = g_liveAircraft.back();
        a.simStatus = SimStatus::active;
        a.objectId = 100 + trafficId % 100;
        a.onGround = true;
        a.phase = FlightPhase::taxi;
        a.position.latitude = at.latitude;
        a.position.longitude = at.longitude;
        return a;
    }

    static StreamPoint pointAt(const Position& at, double gs = 0.0) {
        StreamPoint p;
        p.latitude = at.latitude;
        p.longitude = at.longitude;
        p.groundSpeed = gs;
        p.stationary = gs == 0.0;
        p.dueStep = static_cast<std::int32_t>(g_stepCounter.load() + 300);
        return p;
    }

    WorkFolder m_work;
};

TEST_F(Parking, AStop21MetresFromAStandParksOnlyWithTheWideSearch) {
    const Position stop = offsetPoint(kLat, kLon, 180.0, 21.0);
    LiveAircraft& a = taxiing("KLM1", 20001, stop);
    a.stream.push_back(pointAt(stop));
    try2Park(a, false);
    EXPECT_EQ(a.phase, FlightPhase::taxi);
    a.lastParkTryLat = a.lastParkTryLon = 0.0; // a new attempt from the same point
    try2Park(a, true);
    EXPECT_EQ(a.phase, FlightPhase::parking);
    EXPECT_EQ(a.standId, 1);
    EXPECT_TRUE(g_stands[0].occupied); // taken as soon as it is assigned
    // Driven onto the stand: the stand point at taxi speed, then a stop on it.
    ASSERT_EQ(a.stream.size(), 3U);
    EXPECT_NEAR(a.stream[1].latitude, kLat, 1e-9);
    EXPECT_TRUE(a.stream[2].stationary);
}

TEST_F(Parking, ASecondArrivalIsNotSentToAnOccupiedStand) {
    const Position stop = offsetPoint(kLat, kLon, 180.0, 10.0);
    LiveAircraft& first = taxiing("KLM1", 20001, stop);
    first.stream.push_back(pointAt(stop));
    try2Park(first, false);
    ASSERT_EQ(first.standId, 1);
    LiveAircraft& second = taxiing("KLM2", 20002, stop);
    second.stream.push_back(pointAt(stop));
    try2Park(second, true);
    EXPECT_NE(second.standId, 1);
    // Gone from the stand (removed), the stand is free again.
    removeAircraftFromSim(g_liveAircraft.front());
    EXPECT_FALSE(g_stands[0].occupied);
}

TEST_F(Parking, AnArrivalShortOfItsStandReturnsToTaxi) {
    LiveAircraft& a = taxiing("KLM1", 20001, offsetPoint(kLat, kLon, 180.0, 2.5));
    a.phase = FlightPhase::parking;
    a.standId = 1;
    gf_setStandOccupied(1, true);
    lf_arriveAtStand(a);
    EXPECT_EQ(a.phase, FlightPhase::taxi);
    EXPECT_FALSE(g_stands[0].occupied);
    a.position.latitude = offsetPoint(kLat, kLon, 180.0, 1.5).latitude;
    a.phase = FlightPhase::parking;
    lf_arriveAtStand(a);
    EXPECT_EQ(a.phase, FlightPhase::parked);
    EXPECT_NE(m_work.log().find("D7      : KLM1     arrived at stand"), std::string::npos);
}

// Reports of a parked aircraft creeping away from its stand, 3 m at a time or at once.
TEST_F(Parking, CreepingAwayLeavesAfterThreeMovesOfHalfTheRadiusOrAtOnceBeyondIt) {
    struct Case {
        const char* what;
        std::vector<double> metres; // distances of the reports from the stand
        std::size_t leavesAt;       // index of the report that is accepted (size: none)
    };
    const Case cases[] = {
        {"three moves of 3 m reach only 9 m", {0.0, 3.0, 6.0, 9.0}, 4},
        {"three moves totalling half the radius", {0.0, 3.5, 7.0, 10.5}, 3},
        {"at once beyond the radius", {0.0, 18.0}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gf_resetEngine();
        LiveAircraft& a = taxiing("KLM1", 20001, Position{kLat, kLon});
        a.phase = FlightPhase::parked;
        a.previousPhase = FlightPhase::parking;
        a.standId = 1;
        a.standLat = kLat;
        a.standLon = kLon;
        a.standRefDistance = a.standLastDistance = -1.0;
        a.reportPause = 5.0; // the reports come 5 s apart, all at 3 kn
        a.lastReportSpeed = 3.0;
        std::size_t accepted = c.metres.size();
        for (std::size_t i = 0; i < c.metres.size() && accepted == c.metres.size(); ++i) {
            StreamPoint p = pointAt(offsetPoint(kLat, kLon, 180.0, c.metres[i]), 3.0);
            if (checkExtendingSituations(a, p)) {
                accepted = i;
            }
        }
        EXPECT_EQ(accepted, c.leavesAt);
    }
}

TEST_F(Parking, AParkedAircraftReportedMoreThan200MetresAwayIsRemovedNotTaxied) {
    const struct {
        double metres;
        bool removed;
    } rows[] = {{190.0, false}, {210.0, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.metres);
        gf_resetEngine();
        LiveAircraft& a = taxiing("KLM1", 20001, Position{kLat, kLon});
        a.phase = FlightPhase::parked;
        a.previousPhase = FlightPhase::taxi;
        a.standId = 1;
        a.standLat = kLat;
        a.standLon = kLon;
        a.standRefDistance = a.standLastDistance = -1.0;
        StreamPoint p = pointAt(offsetPoint(kLat, kLon, 180.0, row.metres), 10.0);
        EXPECT_EQ(checkExtendingSituations(a, p), !row.removed);
        EXPECT_EQ(a.simStatus == SimStatus::removingfromsim, row.removed);
        EXPECT_EQ(a.leaving, !row.removed);
    }
}

// On a take-off roll a report at the same place is no stop once the roll has reached 30 kn (50 kn for a few
// metres): it is passed over instead of halting the aircraft.
TEST_F(Parking, ATakeOffRollPassesOverAStopReportFrom30Knots) {
    const struct {
        double metres;
        double lastKnots;
        bool accepted;
    } rows[] = {{0.0, 29.0, true}, {0.0, 30.0, false}, {5.0, 49.0, true}, {5.0, 50.0, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.metres << " m after " << row.lastKnots << " kn");
        gf_resetEngine();
        LiveAircraft& a = taxiing("KLM1", 20001, Position{kLat, kLon});
        a.takeOff = true;
        a.stream.back().groundSpeed = row.lastKnots;
        StreamPoint p = pointAt(offsetPoint(kLat, kLon, 0.0, row.metres), 10.0);
        EXPECT_EQ(lf_plausiblePoint(a, p), row.accepted);
    }
}

// While the engine extrapolates an aircraft in the air, a report behind it (more than 100 degrees off its
// heading) is passed over; the same report of an aircraft not extrapolated is taken, and ends nothing.
TEST_F(Parking, AnExtrapolatedAircraftInTheAirPassesOverAReportBehindIt) {
    for (const std::int32_t extrapolated : {0, 1}) {
        SCOPED_TRACE(extrapolated);
        gf_resetEngine();
        LiveAircraft& a = taxiing("KLM1", 20001, Position{kLat, kLon});
        a.phase = FlightPhase::flying;
        a.onGround = false;
        a.position.heading = 0.0; // north
        a.stream.back().airborne = true;
        a.extrapolationCount = extrapolated;
        StreamPoint p = pointAt(offsetPoint(kLat, kLon, 180.0, 2000.0), 250.0);
        p.airborne = true;
        EXPECT_EQ(checkExtendingSituations(a, p), extrapolated == 0);
        EXPECT_EQ(a.extrapolationCount, extrapolated);
    }
}

// The aircraft chosen in the window (its object id shown) leaves: the choice goes with it; another leaving
// keeps it.
TEST_F(Parking, TheChosenAircraftLeavingEndsTheChoiceAndOnlyIt) {
    LiveAircraft& chosen = taxiing("KLM1", 20001, Position{kLat, kLon});
    LiveAircraft& other = taxiing("KLM2", 20002, Position{kLat, kLon});
    g_selectedObjectId = chosen.objectId;
    removeAircraftFromSim(other);
    EXPECT_EQ(g_selectedObjectId.load(), chosen.objectId);
    removeAircraftFromSim(chosen);
    EXPECT_EQ(g_selectedObjectId.load(), 0U);
}

// The take-off's first hundred steps after the rotation climb at a tenth of the climb rate.
TEST_F(Parking, TheFirstStepsAfterTheRotationClimbAtATenthOfTheRate) {
    for (const std::int32_t count : {0, -98}) {
        SCOPED_TRACE(count);
        gf_resetEngine();
        LiveAircraft& a = taxiing("KLM1", 20001, Position{kLat, kLon});
        a.phase = FlightPhase::take_off;
        a.rangeDataCount = count;
        a.altRate = 10.0;
        a.position.altitude = 100.0;
        lf_takeOffSequence(a);
        EXPECT_DOUBLE_EQ(a.position.altitude, 101.0);
    }
}

TEST_F(Parking, PushBackGoesBackTwoAndAHalfStandRadiiAndEndsToTheSide) {
    LiveAircraft& a = taxiing("KLM1", 20001, Position{kLat, kLon});
    a.phase = FlightPhase::parked;
    a.standId = 1;
    a.standLat = kLat;
    a.standLon = kLon;
    a.standHeading = 0.0;
    a.position.heading = 0.0;
    lf_pushBack(a);
    EXPECT_EQ(a.phase, FlightPhase::pushing_back);
    ASSERT_EQ(a.stream.size(), 4U); // front, midpoint, point A, the -90 degree end
    const StreamPoint& pointA = a.stream[2];
    EXPECT_NEAR(gf_distanceNm(kLat, kLon, pointA.latitude, pointA.longitude) * 1852.0, 50.0, 0.1);
    EXPECT_LT(pointA.latitude, kLat);
    // Back is south: the +90 degree end (kept for a turn towards increasing heading) lies west, the other east.
    EXPECT_LT(a.pushBackAltEnd.longitude, pointA.longitude);
    EXPECT_GT(a.stream[3].longitude, pointA.longitude);
    EXPECT_NEAR(gf_distanceNm(pointA.latitude, pointA.longitude, a.stream[3].latitude, a.stream[3].longitude),
                a.halfWingspanNm, 1e-6);
    // The next report turns the nose towards increasing heading: that side is taken.
    STRAIGHT_PBS_ONLY.set(false);
    StreamPoint p = pointAt(offsetPoint(kLat, kLon, 180.0, 10.0), 3.0);
    p.track = 20.0;
    EXPECT_FALSE(checkExtendingSituations(a, p)); // never appended
    EXPECT_TRUE(a.turnSideKnown);
    EXPECT_TRUE(a.pushBackTurnSide);
}

TEST_F(Parking, TwoAircraftWithOneCallsignNeverWithdrawEachOthersCreation) {
    LiveAircraft& a = taxiing("KLM1", 20001, Position{kLat, kLon});
    LiveAircraft& b = taxiing("KLM1", 20002, Position{kLat, kLon});
    a.simStatus = b.simStatus = SimStatus::adding2sim;
    g_liveCreationQueue.push_back(gf_liveCreationRecord(g_liveAircraft[0]));
    g_liveCreationQueue.push_back(gf_liveCreationRecord(g_liveAircraft[1]));
    removeAircraftFromSim(g_liveAircraft[1]);
    ASSERT_EQ(g_liveCreationQueue.size(), 1U);
    EXPECT_EQ(g_liveCreationQueue.front().trafficId, 20001U);
    EXPECT_EQ(g_liveAircraft[1].eraseCreationCancelled, 1);
    EXPECT_EQ(g_liveAircraft[0].eraseCreationCancelled, 0);
}

TEST_F(Parking, AStaticAircraftOnTheStandMakesWay) {
    ParkedAircraft stat;
    stat.callsign = "TRA9*";
    stat.registration = "PH-HXA";
    stat.standId = 1;
    stat.objectId = 501;
    stat.trafficId = 5;
    stat.simStatus = SimStatus::active;
    g_parkedAircraft.push_back(stat);
    stat.callsign = "TRA8*";
    stat.trafficId = 6;
    stat.simStatus = SimStatus::adding2sim;
    g_parkedAircraft.push_back(stat);
    CreationRecord queued;
    queued.trafficId = 6;
    g_staticCreationQueue.push_back(queued);
    const Position stop = offsetPoint(kLat, kLon, 180.0, 10.0);
    LiveAircraft& a = taxiing("KLM1", 20001, stop);
    a.stream.push_back(pointAt(stop));
    try2Park(a, false);
    ASSERT_EQ(g_parkedAircraft.size(), 1U); // the queued one was withdrawn and erased
    EXPECT_EQ(g_parkedAircraft.front().simStatus, SimStatus::removingfromsim);
    EXPECT_TRUE(g_staticCreationQueue.empty());
    EXPECT_NE(m_work.log().find("D7      : TRA9*    PH-HXA makes way for KLM1"), std::string::npos) << m_work.log();
    EXPECT_NE(m_work.log().find("queued D7      : TRA8*    PH-HXA makes way for KLM1"), std::string::npos);
}

struct SpawnConflictRow {
    const char* name;
    FlightPhase holderPhase;
    SimStatus holderStatus;
    const char* holder;
    const char* newcomer;
    bool standArea; // the holder's reports are still compared with its stand
    bool mayTake;
    bool holderRemoved;
    const char* logged; // "" = nothing
};

// A live aircraft spawned on a stand that another live aircraft holds (parked or pushing back, and active):
// one of the two stays, by their callsigns and whether the holder's reports still show it on its stand.
TEST_F(Parking, ASpawnOnAHeldStandKeepsOneOfTheTwoByTheirCallsigns) {
    const SpawnConflictRow rows[] = {
        {"same callsign", FlightPhase::parked, SimStatus::active, "KLM1", "KLM1", false, true, true,
         "D7      : KLM1     ac with same callsign KLM1 wants it, remove existing"},
        {"the newcomer is the holder with a unique mark", FlightPhase::parked, SimStatus::active, "KLM1", "KLM1_",
         false, false, false, ""},
        {"the holder is the newcomer with a unique mark", FlightPhase::parked, SimStatus::active, "KLM1_", "KLM1",
         false, true, true, "D7      : KLM1_    ghost, replace by KLM1"},
        {"a ghost holder makes way", FlightPhase::pushed_back, SimStatus::active, "DLH5_", "KLM1", false, true, true,
         "D7      : DLH5_    ghost, replace by KLM1"},
        {"a ghost newcomer does not take it", FlightPhase::parked, SimStatus::active, "DLH5", "KLM1_", false, false,
         false, ""},
        {"a holder seen on its stand stays", FlightPhase::parked, SimStatus::active, "DLH5", "KLM1", true, false, false,
         ""},
        {"a pushing-back holder makes way", FlightPhase::pushing_back, SimStatus::active, "DLH5", "KLM1", false, true,
         true, "D7      : DLH5     removed because another live KLM1 wants the stand"},
        {"a taxiing aircraft holds no stand", FlightPhase::taxi, SimStatus::active, "DLH5", "KLM1", false, true, false,
         ""},
        {"a holder not yet created holds no stand", FlightPhase::parked, SimStatus::adding2sim, "DLH5", "KLM1", false,
         true, false, ""},
    };
    for (const SpawnConflictRow& row : rows) {
        SCOPED_TRACE(row.name);
        g_liveAircraft.clear();
        g_engineRemovalQueue.clear();
        taxiing(row.holder, 20001, Position{kLat, kLon});
        taxiing(row.newcomer, 20002, offsetPoint(kLat, kLon, 180.0, 5.0));
        LiveAircraft& holder = g_liveAircraft[0];
        holder.phase = row.holderPhase;
        holder.simStatus = row.holderStatus;
        holder.standId = 1;
        holder.standArea = row.standArea;
        g_liveAircraft[1].simStatus = SimStatus::buffer;
        EXPECT_EQ(lf_standConflictAtSpawn(1, g_liveAircraft[1]), row.mayTake);
        EXPECT_EQ(g_liveAircraft[0].simStatus == SimStatus::removingfromsim, row.holderRemoved);
        if (*row.logged != '\0') {
            EXPECT_NE(m_work.log().find(row.logged), std::string::npos) << m_work.log();
        }
    }
}

} // namespace
} // namespace skf::test
