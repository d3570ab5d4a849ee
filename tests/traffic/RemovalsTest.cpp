// The engine-wide removal rules (long-parked live aircraft, static duplicates and twins, the user's way on
// the ground and in the air) and the parked statistics of the window, on an injected clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>

#include "EngineHarness.h"
#include "core/WindowFields.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineServices.h"

namespace skf::test {
namespace {

constexpr double kLat = 52.0;
constexpr double kLon = 4.0;

class Removals : public ::testing::Test {
protected:
    void SetUp() override {
        addTestModel("A320", SizeCategory::Large, 17.0);
        addTestModel("B744", SizeCategory::Heavy, 32.0);
        gf_resetSimLinkState();
        gf_resetEngine();
        gf_setEngineClock([this] { return m_now; });
        INITIAL_LOAD_ONLY.set(false);
    }
    void TearDown() override {
        gf_resetEngine();
        gf_setEngineClock({});
        gf_resetSimLinkState();
    }

    LiveAircraft& live(const std::string& callsign, const std::string& model, const Position& at, bool ground) {
        FlightRecord r = gf_makeFlightRecord([&] {
            TrafficRecord t;
            t.callsign = callsign;
            t.modelId = gf_internModel(model);
            return t;
        }());
        r.trafficId = 20001 + static_cast<std::uint32_t>(g_liveAircraft.size());
        StreamPoint p;
        p.latitude = at.latitude;
        p.longitude = at.longitude;
        g_liveAircraft.emplace_back(p, std::move(r), 0.0);
        LiveAircraft& a = g_liveAircraft.back();
        a.simStatus = SimStatus::active;
        a.objectId = 100 + static_cast<std::uint32_t>(g_liveAircraft.size());
        a.position.latitude = at.latitude;
        a.position.longitude = at.longitude;
        a.onGround = ground;
        a.phase = ground ? FlightPhase::taxi : FlightPhase::flying;
        return a;
    }

    ParkedAircraft& statik(const std::string& callsign, const std::string& registration, const Position& at) {
        ParkedAircraft p;
        p.callsign = callsign;
        p.firstCallsign = callsign;
        p.registration = registration;
        p.modelId = gf_internModel("A320");
        p.halfWingspanNm = 17.0 / 1852.0;
        p.trafficId = static_cast<std::uint32_t>(g_parkedAircraft.size() + 1);
        p.objectId = 500 + p.trafficId;
        p.simStatus = SimStatus::active;
        p.standLat = at.latitude;
        p.standLon = at.longitude;
        g_parkedAircraft.push_back(p);
        return g_parkedAircraft.back();
    }

    static void userAt(const Position& at, double headingDeg, double agl, bool ground) {
        UserAircraftBlock b;
        b.latitude = at.latitude;
        b.longitude = at.longitude;
        b.heading = headingDeg * g_degToRad;
        b.altAboveGround = agl;
        g_userAircraft.setBlock(b);
        g_userAircraft.setGround(ground);
        g_userHalfWingspan.set(17.0 / 1852.0);
    }

    static bool removing(const ParkedAircraft& a) { return a.simStatus == SimStatus::removingfromsim; }

    EngineTime m_now{};
    WorkFolder m_work;
};

TEST_F(Removals, LongParkedLiveAircraftGoUnlessHeavyOrInitialLoadOnly) {
    struct Case {
        const char* what;
        const char* model;
        int minutes;
        bool initialLoadOnly;
        bool removed;
    };
    const Case cases[] = {
        {"Large after 90 minutes", "A320", 90, false, false},
        {"Large after 91 minutes", "A320", 91, false, true},
        {"Heavy after 91 minutes", "B744", 91, false, false},
        {"Heavy after 181 minutes", "B744", 181, false, true},
        {"Large after 91 minutes with initial load only", "A320", 91, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gf_resetEngine();
        INITIAL_LOAD_ONLY.set(c.initialLoadOnly);
        LiveAircraft& a = live("KLM1", c.model, Position{kLat, kLon}, true);
        a.phase = FlightPhase::parked;
        a.standId = 4;
        a.standContact = m_now;
        m_now += std::chrono::minutes(c.minutes) + std::chrono::seconds(1);
        const auto list = lf_collectParkedLive();
        EXPECT_EQ(removing(g_liveAircraft.front()), c.removed);
        EXPECT_EQ(list.size(), c.removed ? 0U : 1U);
        if (!list.empty()) {
            EXPECT_EQ(list.front().minutes, c.minutes);
            EXPECT_EQ(list.front().standId, 4);
        }
    }
    INITIAL_LOAD_ONLY.set(false);
}

TEST_F(Removals, StaticDuplicatesOfALiveAircraftOnTheGround) {
    live("KLM12", "A320", Position{kLat, kLon}, true);
    statik("KLM12**", "", Position{kLat, kLon + 0.01});
    statik("KLM12*", "", Position{kLat, kLon + 0.02});
    gf_removeStaticDuplicates();
    EXPECT_FALSE(removing(g_parkedAircraft[0]));
    EXPECT_TRUE(removing(g_parkedAircraft[1]));
    // The twin of a live aircraft by registration.
    g_liveAircraft.front().registration = "PH-EXA";
    statik("KLM99*", "PH-EXA", Position{kLat, kLon + 0.03});
    gf_removeStaticTwin(g_liveAircraft.front());
    EXPECT_TRUE(removing(g_parkedAircraft[2]));
    // Without a registration: by its callsign (the feed's trailing underscore left out), by the static's second
    // name, by the live aircraft's third name; one twin a call, and none that matches nothing.
    LiveAircraft& a = g_liveAircraft.front();
    a.registration.clear();
    a.callsign = "KLM12_";
    statik("DLH1", "PH-AAD", Position{kLat, kLon + 0.04});
    statik("KLM12", "PH-AAA", Position{kLat, kLon + 0.05});
    statik("TRA1", "PH-AAB", Position{kLat, kLon + 0.06}).secondCallsign = "KLM12";
    statik("HV123", "PH-AAC", Position{kLat, kLon + 0.07});
    a.secondCallsign = "HV123";
    for (const std::size_t twin : {4, 5, 6}) {
        gf_removeStaticTwin(a);
        EXPECT_TRUE(removing(g_parkedAircraft[twin])) << twin;
        EXPECT_EQ(std::count_if(g_parkedAircraft.begin(), g_parkedAircraft.end(), removing), twin - 1) << twin;
    }
    gf_removeStaticTwin(a);
    EXPECT_FALSE(removing(g_parkedAircraft[3]));
}

// "Flush static": active ones are removed, queued ones withdrawn and erased, one whose creation is with the
// simulator goes as soon as it is there.
TEST_F(Removals, FlushStaticRemovesWithdrawsOrMarksEveryStaticAircraft) {
    statik("A*", "", Position{kLat, kLon});
    statik("B*", "", Position{kLat, kLon}).simStatus = SimStatus::adding2sim;
    statik("C*", "", Position{kLat, kLon}).simStatus = SimStatus::adding2sim;
    CreationRecord queued;
    queued.trafficId = 2; // B's creation still waits in the engine's queue
    g_staticCreationQueue.push_back(queued);
    gf_removeAllStatic();
    ASSERT_EQ(g_parkedAircraft.size(), 2U);
    EXPECT_TRUE(removing(g_parkedAircraft[0]));
    EXPECT_EQ(g_parkedAircraft[1].callsign, "C*");
    EXPECT_EQ(g_parkedAircraft[1].removeWhenAdded, 1);
    EXPECT_TRUE(g_staticCreationQueue.empty());
}

// A live aircraft taxiing past a static aircraft's stand makes it go (wings of both with 10 % to spare).
TEST_F(Removals, StaticAircraftInTheWayOfATaxiingOne) {
    const Position stand{kLat, kLon};
    statik("A*", "", stand);
    LiveAircraft& a = live("KLM1", "A320", gf_destinationPoint(stand, 0.0, 40.0 / 0.3048), true);
    gf_removeStaticInTheWay();
    EXPECT_FALSE(removing(g_parkedAircraft.front())); // 40 m: more than (17 + 17) m x 1.1
    a.position.latitude = gf_destinationPoint(stand, 0.0, 35.0 / 0.3048).latitude;
    gf_removeStaticInTheWay();
    EXPECT_TRUE(removing(g_parkedAircraft.front()));
}

TEST_F(Removals, UserOnFinalRemovesATaxiingAircraftOnItsTrack) {
    struct Case {
        const char* what;
        double aheadNm, sideFeet, agl;
        bool removed;
    };
    const Case cases[] = {
        {"0.8 NM ahead, 40 ft off the track at 450 ft", 0.8, 40.0, 450.0, true},
        {"0.8 NM ahead, 60 ft off the track", 0.8, 60.0, 450.0, false},
        {"0.8 NM behind on the track line", -0.8, 20.0, 450.0, true},
        {"0.8 NM ahead, 40 ft off, the user at 600 ft", 0.8, 40.0, 600.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gf_resetEngine();
        userAt(Position{kLat, kLon}, 90.0, c.agl, false);
        const Position along =
            gf_destinationPoint(Position{kLat, kLon}, c.aheadNm > 0 ? 90.0 * g_degToRad : 270.0 * g_degToRad,
                                std::abs(c.aheadNm) * g_feetPerNm);
        const Position at = gf_destinationPoint(along, 0.0, c.sideFeet);
        live("KLM1", "A320", at, true);
        gf_avoidUserAirCollision();
        EXPECT_EQ(removing(g_liveAircraft.front()), c.removed);
    }
}

TEST_F(Removals, OnTheGroundOneAircraftASecondAndStaticOncePerPosition) {
    userAt(Position{kLat, kLon}, 0.0, 0.0, true);
    const Position near = gf_destinationPoint(Position{kLat, kLon}, 0.0, 30.0 / 0.3048);
    live("KLM1", "A320", near, true);
    live("KLM2", "A320", near, true);
    gf_avoidUserGroundCollision();
    EXPECT_TRUE(removing(g_liveAircraft[0]));
    EXPECT_FALSE(removing(g_liveAircraft[1]));
    gf_avoidUserGroundCollision();
    EXPECT_TRUE(removing(g_liveAircraft[1]));

    gf_resetEngine();
    userAt(Position{kLat, kLon}, 0.0, 0.0, true);
    statik("KLM7*", "", near);
    g_parkedAircraft.front().simStatus = SimStatus::adding2sim; // not yet there
    gf_avoidUserGroundCollision();
    g_parkedAircraft.front().simStatus = SimStatus::active;
    gf_avoidUserGroundCollision(); // the user has not moved: no second pass
    EXPECT_FALSE(removing(g_parkedAircraft.front()));
    userAt(Position{kLat + 1e-6, kLon}, 0.0, 0.0, true);
    gf_avoidUserGroundCollision();
    EXPECT_TRUE(removing(g_parkedAircraft.front()));
}

// Clearing the reserved stand removes what stands on it, static or live and parked, and nothing else.
TEST_F(Removals, ClearingTheReservedStandRemovesOnlyWhatStandsOnIt) {
    g_stands.clear();
    for (const char* name : {"D7", "D8"}) {
        Stand s(name, {}, kLat, kLon, 0.0, 20.0, false, false, false);
        s.sid = static_cast<std::int32_t>(g_stands.size() + 1);
        g_stands.push_back(std::move(s));
    }
    LiveAircraft& onIt = live("KLM1", "A320", Position{kLat, kLon}, true);
    onIt.phase = FlightPhase::parked;
    onIt.standId = 1;
    LiveAircraft& next = live("KLM2", "A320", Position{kLat, kLon}, true);
    next.phase = FlightPhase::parked;
    next.standId = 2;
    LiveAircraft& taxiing = live("KLM3", "A320", Position{kLat, kLon}, true);
    taxiing.standId = 1;
    statik("A*", "", Position{kLat, kLon}).standId = 1;
    statik("B*", "", Position{kLat, kLon}).standId = 2;
    gf_clearReservedStand("D7");
    EXPECT_TRUE(removing(g_liveAircraft[0]));
    EXPECT_FALSE(removing(g_liveAircraft[1]));
    EXPECT_FALSE(removing(g_liveAircraft[2]));
    EXPECT_TRUE(removing(g_parkedAircraft[0]));
    EXPECT_FALSE(removing(g_parkedAircraft[1]));
    g_stands.clear();
}

// Every rule that removes a live aircraft says so in the log, with the callsign and why.
TEST_F(Removals, EachRemovalOfALiveAircraftWritesItsLine) {
    struct Case {
        const char* line;
        std::function<void(LiveAircraft&)> remove;
    };
    const Position near = gf_destinationPoint(Position{kLat, kLon}, 0.0, 30.0 / 0.3048);
    const Case cases[] = {
        {"KLM1     removed: parked for 91 minutes on D7",
         [&](LiveAircraft& a) {
             a.phase = FlightPhase::parked;
             a.standId = 1;
             a.standContact = m_now;
             m_now += std::chrono::minutes(91) + std::chrono::seconds(1);
             lf_collectParkedLive();
         }},
        {"KLM1     removed: in the user aircraft's way on the ground",
         [&](LiveAircraft&) {
             userAt(Position{kLat, kLon}, 0.0, 0.0, true);
             gf_avoidUserGroundCollision();
         }},
        {"KLM1     removed: parked on the reserved stand D7",
         [&](LiveAircraft& a) {
             a.phase = FlightPhase::parked;
             a.standId = 1;
             gf_clearReservedStand("D7");
         }},
        {"KLM1     removed: its callsign is blocked", [&](LiveAircraft&) { gf_removeActiveLiveByCallsign("KLM1"); }},
        {"KLM1     removed: farthest from the user (0.0 NM), making room",
         [&](LiveAircraft&) {
             userAt(near, 0.0, 0.0, true);
             gf_removeFarthestLive(-1.0);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        gf_resetEngine();
        g_stands.clear();
        Stand d7("D7", {}, kLat, kLon, 0.0, 20.0, false, false, false);
        d7.sid = 1;
        g_stands.push_back(std::move(d7));
        c.remove(live("KLM1", "A320", near, true));
        EXPECT_TRUE(removing(g_liveAircraft.front()));
        EXPECT_NE(m_work.log().find(c.line), std::string::npos) << m_work.log();
    }
    g_stands.clear();
}

TEST_F(Removals, ParkedAveragesWithNothingOneAndManyParked) {
    g_dayAndSlotNow = DayAndSlot{1, 2}; // Monday 01:00
    EXPECT_EQ(gf_liveParkedHours(true), 0U);
    EXPECT_EQ(gf_staticParkedHours(true), 0U);
    EXPECT_FLOAT_EQ(g_mainWindow.liveAverageHours.load(), -1.0F); // shown as "none"
    EXPECT_FLOAT_EQ(g_mainWindow.staticAverageHours.load(), -1.0F);
    LiveAircraft& a = live("KLM1", "A320", Position{kLat, kLon}, true);
    a.phase = FlightPhase::parked;
    a.parkTime = 7 * 48 + 46; // Sunday 23:00, across the week's end
    EXPECT_EQ(gf_liveParkedHours(true), 1U);
    EXPECT_FLOAT_EQ(g_mainWindow.liveAverageHours.load(), 4.0F / 2.0F + 0.5F); // 2 hours, +0.5
    statik("A*", "", Position{kLat, kLon}).parkTime = 1 * 48 + 0;
    statik("B*", "", Position{kLat, kLon}).parkTime = 1 * 48 + 2;
    EXPECT_EQ(gf_staticParkedHours(true), 2U);
    EXPECT_FLOAT_EQ(g_mainWindow.staticAverageHours.load(), 2.0F / 4.0F + 0.5F);
}

} // namespace
} // namespace skf::test
