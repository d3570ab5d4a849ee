// The life of live aircraft towards the simulator, in lock-step with the stand-in: creation and
// confirmation, a title the simulator refuses, removal while the creation is queued or under way, the
// window's callsign list and ObjectIdList.txt, a respawn only when the identity really changed, and a range
// request the simulator link refuses.
#include <gtest/gtest.h>

#include <algorithm>

#include <fmt/format.h>

#include "EngineHarness.h"
#include "core/ControlFields.h"
#include "core/ProgramState.h"
#include "core/settings/Parameters.h"
#include "core/settings/ProgramPaths.h"
#include "core/WindowFields.h"
#include "traffic/EngineInternal.h"

namespace skf::test {
namespace {

constexpr double kLat = 52.0;
constexpr double kLon = 4.0;

EngineHarness::Options world(std::vector<std::string> titles = {"*"}) {
    EngineHarness::Options o;
    o.scenario.areas = {{"TEST", kLat, kLon, 40.0, 0.0}};
    o.scenario.path = {standin::Waypoint{0.0, kLat + 0.1, kLon, std::nullopt, 0.0, false, "parked"}};
    o.scenario.foreign.clear();
    o.scenario.installedTitles = std::move(titles);
    return o;
}

// A cruising aircraft at 3000 ft, eastwards at 200 kn, one report every 3 s.
Report cruiseAt(double t, double northNm = 0.0) {
    const Position p = offsetPoint(kLat + northNm / 60.0, kLon, 90.0, t * 200.0 * 0.514444);
    return Report{p.latitude, p.longitude, 3000.0, 200.0, 90.0, 0.0};
}

class LiveLifeThreads : public ::testing::Test {
protected:
    void SetUp() override {
        addTestModel("A320", SizeCategory::Large, 17.0);
        COLLISION_USER_AIR.set(false);
        GUID_CHANGES.set(true);
        AIRBORNE_ONLY.set(false);
    }
    void TearDown() override { GUID_CHANGES.set(false); }

    static void feedCruise(EngineHarness& h, std::uint64_t steps, std::uint32_t id, const std::string& callsign,
                           double northNm = 0.0) {
        h.run(steps, [&](std::uint64_t step) {
            if (step % 300 == 0) {
                h.inject(id, callsign, "A320", cruiseAt(static_cast<double>(step) / 100.0, northNm));
            }
        });
    }
};

TEST_F(LiveLifeThreads, ATitleTheSimulatorRefusesErasesTheRecord) {
    EngineHarness h(world({"Some Other Title"}));
    feedCruise(h, 3300, 20001, "KLM11");
    h.run(4000);
    const auto creations = h.calls("AICreateNonATCAircraft");
    ASSERT_EQ(creations.size(), 1U);
    EXPECT_EQ(creations[0]["result"], "exception");
    EXPECT_TRUE(g_liveAircraft.empty());
    EXPECT_TRUE(gf_isFailedLiveryTitle(kTestTitle));
    EXPECT_NE(h.log().find("could not be created by your Sim!"), std::string::npos);
}

TEST_F(LiveLifeThreads, RemovalWhileTheCreationIsQueuedOrUnderWay) {
    EngineHarness h(world());
    // Two aircraft spawn; the first is removed while its creation waits in the engine's queue.
    h.run(5000, [&](std::uint64_t step) {
        if (step % 300 == 0 && step <= 2700) {
            h.inject(20001, "KLM11", "A320", cruiseAt(static_cast<double>(step) / 100.0));
            h.inject(20002, "KLM12", "A320", cruiseAt(static_cast<double>(step) / 100.0, 3.0));
        }
        LiveAircraft* a = gf_findLiveByTrafficId(20001);
        if (a != nullptr && a->simStatus == SimStatus::adding2sim && !g_liveCreationQueue.empty() &&
            g_liveCreationQueue.front().trafficId == 20001) {
            removeAircraftFromSim(*a);
        }
        LiveAircraft* b = gf_findLiveByTrafficId(20002);
        if (b != nullptr && b->simStatus == SimStatus::adding2sim && b->removeWhenAdded == 0 &&
            g_liveCreationQueue.empty() && h.calls("AICreateNonATCAircraft").size() == 1) {
            removeAircraftFromSim(*b); // its creation is with the simulator already
        }
    });
    const auto creations = h.calls("AICreateNonATCAircraft");
    ASSERT_EQ(creations.size(), 1U) << h.log();
    EXPECT_EQ(creations[0]["tail"], "KLM12");
    EXPECT_EQ(gf_findLiveByTrafficId(20001), nullptr);
    EXPECT_EQ(h.calls("AIRemoveObject").size(), 1U);
    EXPECT_EQ(h.sim().aiObjectCount(), 0U);
    EXPECT_TRUE(g_liveAircraft.empty());
}

TEST_F(LiveLifeThreads, CallsignListAndObjectIdListOfActiveAircraft) {
    EngineHarness h(world());
    OBJECTID_LIST.set(true);
    // Nothing active yet: an empty file, an empty list, the combo box and "Block" disabled.
    gf_writeObjectIdList();
    gf_fillLiveCallsignList();
    EXPECT_EQ(WorkFolder::readFile(h.work().path() / g_objectIdListPath), "");
    EXPECT_EQ(g_callsignList.entries(), std::vector<std::string>{""}); // the one empty entry
    EXPECT_FALSE(g_blockButton.isEnabled());
    EXPECT_FALSE(gf_controlField(ControlField::LiveCallsigns)); // what the window closes them by
    h.run(4000, [&](std::uint64_t step) {
        if (step % 300 == 0) {
            h.inject(20002, "KLM22", "A320", cruiseAt(static_cast<double>(step) / 100.0, 3.0), "PH-AAB");
            h.inject(20001, "KLM21", "A320", cruiseAt(static_cast<double>(step) / 100.0), "PH-AAA");
        }
    });
    ASSERT_EQ(g_liveAircraft.size(), 2U);
    // The second one parks (as the stand logic would put it there).
    LiveAircraft& parked = *gf_findLiveByTrafficId(20002);
    parked.phase = FlightPhase::parked;
    parked.onGround = true;
    gf_writeObjectIdList();
    gf_fillLiveCallsignList();
    const auto idOf = [&](std::uint32_t trafficId) { return gf_findLiveByTrafficId(trafficId)->objectId; };
    std::string expected;
    for (const auto& a : g_liveAircraft) {
        expected += a.trafficId == 20001 ? fmt::format("{};KLM21;PH-AAA;KLM;A320;AIR;\n", idOf(20001))
                                         : fmt::format("{};KLM22;PH-AAB;KLM;A320;GND;PARKED\n", idOf(20002));
    }
    EXPECT_EQ(WorkFolder::readFile(h.work().path() / g_objectIdListPath), expected);
    EXPECT_EQ(g_callsignList.entries(), std::vector<std::string>{"KLM21"});
    EXPECT_EQ(CALLSIGN_2_OBJECTID.value(), "KLM21");
    // The object id the main cycle looks up for the chosen callsign: only an active aircraft has one.
    EXPECT_EQ(gf_activeLiveObjectIdByCallsign("KLM21"), idOf(20001));
    EXPECT_EQ(gf_activeLiveObjectIdByCallsign("KLM99"), std::nullopt);
    removeAircraftFromSim(parked);
    EXPECT_EQ(gf_activeLiveObjectIdByCallsign("KLM22"), std::nullopt);
    OBJECTID_LIST.set(false);
}

// A range request that the simulator link refuses ends the run with a SimConnect error, and the link stops
// sending.
TEST_F(LiveLifeThreads, AFailedRangeRequestEndsTheRunWithASimConnectError) {
    EngineHarness h(world());
    h.run(40);
    ASSERT_FALSE(g_stopRun.load());
    // The engine's link reads the stand-in's directive at its next dispatch (on this thread): no wait for it here.
    (void)h.sim().failNextCalls(SimCall::RequestDataOnSimObjectType, 1, std::chrono::milliseconds(0));
    h.run(60);
    EXPECT_NE(h.log().find("==> SimConnect request ac within range fails"), std::string::npos) << h.log();
    EXPECT_TRUE(g_simHalted.load());
    EXPECT_TRUE(g_stopRun.load());
    EXPECT_EQ(gf_exitReason(), ExitReason::SimConnectError);
    gf_resetStopState();
    g_simHalted = false;
}

// A report with the same identity never respawns an active aircraft; a new callsign does (GUID_CHANGES on),
// and the aircraft is created again under it.
TEST_F(LiveLifeThreads, RespawnOnlyWhenTheIdentityChanged) {
    EngineHarness h(world());
    feedCruise(h, 9000, 20001, "KLM31");
    ASSERT_EQ(h.calls("AICreateNonATCAircraft").size(), 1U);
    EXPECT_EQ(h.log().find("respawns"), std::string::npos);
    h.run(9000, [&](std::uint64_t step) {
        if (step % 300 == 0) {
            h.inject(20001, "KLM32", "A320", cruiseAt(static_cast<double>(step) / 100.0));
        }
    });
    EXPECT_NE(h.log().find("respawns"), std::string::npos);
    const auto creations = h.calls("AICreateNonATCAircraft");
    ASSERT_EQ(creations.size(), 2U);
    EXPECT_EQ(creations[1]["tail"], "KLM32");
    EXPECT_EQ(h.calls("AIRemoveObject").size(), 1U);
    ASSERT_EQ(g_liveAircraft.size(), 1U);
    EXPECT_EQ(g_liveAircraft.front().simStatus, SimStatus::active);
    EXPECT_TRUE(h.sim().movedBeforeReady().empty());
}

} // namespace
} // namespace skf::test
