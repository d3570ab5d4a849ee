// The main cycle's per-second schedule, clocked by the simulator's user data, and its 10 ms loop on an
// injected clock.
#include "app/MainCycle.h"
#include "app/RunRequests.h"
#include "app/ShellRunState.h"
#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "core/WindowFields.h"
#include "feed/FeedServices.h"
#include "liveries/LiveryServices.h"
#include "platform/ui/WindowMessages.h"
#include "sim/SimLink.h"
#include "sim/UserAircraft.h"
#include "traffic/EngineServices.h"
#include "traffic/EngineState.h"
#include "support/FastCycleClock.h"
#include "support/ProgramFolder.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

class MainCycleThreads : public ::testing::Test {
protected:
    void SetUp() override {
        skf::gf_resetStopState();
        skf::g_simRunning = true;
        skf::g_simHalted = false;
        skf::g_userDataArrived = false;
        skf::gf_resetShellRunState();
        skf::gf_resetShellSharedState();
        skf::gf_setStatusSecondCounter(0);
    }
    void TearDown() override {
        skf::g_simRunning = false;
        skf::g_parkingBusy = false;
        skf::gf_resetStopState();
    }
    // One second of simulator data: the arrival, then the cycle that takes it.
    void second() {
        skf::g_userDataArrived = true;
        ASSERT_TRUE(skf::lf_mainCycleStep());
    }
    skf::test::ProgramFolder folder{"skf_cycle"};
};

TEST_F(MainCycleThreads, SecondWorkRunsOnlyOnTheSimulatorsData) {
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(skf::lf_mainCycleStep()); // engine steps, no data
    EXPECT_EQ(skf::g_secondTick.load(), 0u);
    second();
    EXPECT_EQ(skf::g_secondTick.load(), 1u);
    EXPECT_EQ(skf::gf_statusSecondCounter(), 1);
    EXPECT_FALSE(skf::g_userDataArrived.load()); // taken exactly once
    ASSERT_TRUE(skf::lf_mainCycleStep());
    EXPECT_EQ(skf::g_secondTick.load(), 1u);
}

TEST_F(MainCycleThreads, RequestsAreTakenOnTheirSeconds) {
    skf::g_reReadRequested = true;
    skf::g_unmatchedNames.insert("SOME NAME");
    skf::g_rematchRequested = true;
    // A static aircraft on the park airport's reserved stand, which is kept clear every 5 s.
    skf::gf_bindEngineThread();
    skf::g_stands = {skf::Stand("D7", {}, 52.3, 4.76, 0.0, 30.0, false, false, false)};
    skf::g_stands.front().sid = 1;
    skf::ParkedAircraft onReserved;
    onReserved.trafficId = 7;
    onReserved.objectId = 70;
    onReserved.standId = 1;
    onReserved.simStatus = skf::SimStatus::active;
    skf::g_parkedAircraft = {onReserved};
    skf::g_mainWindow.reservedStandName.set("D7");
    skf::g_mainWindow.reservedStandValid = true;
    for (int t = 1; t <= 4; ++t)
        second();
    EXPECT_TRUE(skf::g_reReadRequested.load()); // every 5 s
    EXPECT_EQ(skf::g_parkedAircraft.front().simStatus, skf::SimStatus::active);
    second();
    EXPECT_FALSE(skf::g_reReadRequested.load());
    EXPECT_EQ(skf::g_parkedAircraft.front().simStatus, skf::SimStatus::removingfromsim);
    skf::g_mainWindow.reservedStandValid = false;
    skf::g_mainWindow.reservedStandName.clear();
    skf::g_stands.clear();
    skf::gf_engineState() = skf::EngineState{};
    for (int t = 6; t <= 29; ++t)
        second();
    EXPECT_TRUE(skf::g_rematchRequested.load()); // the half-minute work
    second();
    EXPECT_FALSE(skf::g_rematchRequested.load());
    EXPECT_TRUE(skf::g_unmatchedNames.empty());

    // A lookup request is answered within the second; nothing live: "has left".
    skf::g_objectIdLookupRequested = true;
    second();
    EXPECT_FALSE(skf::g_objectIdLookupRequested.load());
    EXPECT_EQ(skf::g_mainWindow.objectIdText.get(), "has left");
}

TEST_F(MainCycleThreads, StaticUpdatePhasesAndCountdown) {
    skf::gf_bindEngineThread();
    skf::g_mainWindow.parkAirportActive = true; // a park airport of a single stand: its parking is adjusted
    skf::g_mainWindow.standCount = 1;
    skf::g_staticUpdateAnnounced = true;
    for (int t = 1; t <= 15; ++t)
        second();
    EXPECT_TRUE(skf::g_updatePhase.load()); // first phase: collecting, controls locked
    EXPECT_TRUE(skf::g_parkingBusy.load());
    EXPECT_TRUE(skf::g_trafficReader.collectCallsigns.load());
    skf::g_parkingBusy = false; // the parking calculation ends
    for (int t = 16; t <= 30; ++t)
        second();
    EXPECT_FALSE(skf::g_updatePhase.load()); // second phase 15 s later
    EXPECT_FALSE(skf::g_staticUpdateAnnounced.load());
    EXPECT_NE(folder.log().find("(utc) It is day"), std::string::npos); // the parking adjustment ran
    skf::g_mainWindow.parkAirportActive = false;
    skf::g_mainWindow.standCount = 0;

    for (int t = 31; t <= 59; ++t)
        second();
    skf::gf_windowQueue().clear();
    second();
    EXPECT_EQ(skf::g_staticCountdown.load(), 19); // at t = 60 from 20 to 19
    EXPECT_EQ(skf::g_mainWindow.minutesToNextUpdate.load(), 19);
    bool repainted = false; // the countdown shows in the middle band
    while (const auto message = skf::gf_windowQueue().tryPop())
        repainted =
            repainted || (message->message == skf::WM_APP_INVALIDATE && (message->wParam & skf::BAND_MIDDLE) != 0);
    EXPECT_TRUE(repainted);
    for (int t = 61; t <= 1200; ++t)
        second();
    EXPECT_EQ(skf::g_staticCountdown.load(), 20); // the 20th minute starts the next period
}

TEST_F(MainCycleThreads, FlightPauseIsLoggedOnceAndResumed) {
    skf::g_simRunning = false;
    for (int i = 0; i < 250; ++i)
        ASSERT_TRUE(skf::lf_mainCycleStep());
    skf::g_simRunning = true;
    second();
    const std::string log = folder.log();
    const auto first = log.find("Flight not running");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(log.find("Flight not running", first + 1), std::string::npos);
    EXPECT_NE(log.find("Flight resumed"), std::string::npos);
    {
        std::lock_guard lock(skf::g_addingStackMutex);
        EXPECT_TRUE(skf::g_liveTrafficOpen); // the traffic gate opens again
    }
    // A stop flag ends the loop also between two seconds of data, with or without a flight.
    skf::g_stopRun = true;
    EXPECT_FALSE(skf::lf_mainCycleStep());
    skf::g_simRunning = false;
    EXPECT_FALSE(skf::lf_mainCycleStep());
}

TEST_F(MainCycleThreads, LoopRunsOnTheInjectedClockUntilAStopFlag) {
    skf::test::FastCycleClock clock;
    skf::gf_setCycleClock(&clock);
    std::thread loop(skf::lf_mainLoop);
    // The simulator's data of five seconds.
    for (int t = 1; t <= 5; ++t) {
        skf::g_userDataArrived = true;
        while (skf::g_userDataArrived.load())
            std::this_thread::yield();
    }
    while (skf::g_secondTick.load() < 5)
        std::this_thread::yield();
    skf::g_stopRun = true;
    loop.join();
    skf::gf_setCycleClock(nullptr);
    EXPECT_EQ(skf::g_secondTick.load(), 5u);
}

} // namespace
