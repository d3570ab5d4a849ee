#include "core/ProgramState.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace skf {
namespace {

class ExitStateTest : public ::testing::Test {
protected:
    void SetUp() override { gf_resetStopState(); }
    void TearDown() override { gf_resetStopState(); }
};

TEST_F(ExitStateTest, FirstTriggerWins) {
    EXPECT_EQ(gf_exitReason(), ExitReason::NotYetSet);
    EXPECT_TRUE(gf_raiseStop(ExitReason::ReaderError, 15));
    EXPECT_TRUE(g_stopRun.load());
    EXPECT_FALSE(gf_raiseStop(ExitReason::SimConnectError, 9));
    EXPECT_EQ(gf_exitReason(), ExitReason::ReaderError);
    EXPECT_EQ(gf_restartDelay(), 15);
    EXPECT_EQ(gf_exitReasonText(gf_exitReason()), "READER ERROR");

    // USER CLOSED SIM only while no reason is set.
    EXPECT_FALSE(gf_setExitReasonIfUnset(ExitReason::UserClosedSim));
    // SYSTEM ERROR always; the delay stays.
    gf_forceExitReason(ExitReason::SystemError);
    EXPECT_EQ(gf_exitReason(), ExitReason::SystemError);
    EXPECT_EQ(gf_restartDelay(), 15);

    gf_resetStopState();
    EXPECT_FALSE(g_stopRun.load());
    EXPECT_FALSE(g_shutDown.load());
    EXPECT_EQ(gf_exitReason(), ExitReason::NotYetSet);
    EXPECT_EQ(gf_restartDelay(), 15); // kept for the next countdown
}

TEST_F(ExitStateTest, FlagRaisedWithoutAReasonKeepsLaterTriggersOut) {
    g_stopRun = true; // a plain raise (production end)
    EXPECT_FALSE(gf_raiseStop(ExitReason::NewSettings, 3));
    EXPECT_EQ(gf_exitReason(), ExitReason::NotYetSet);
    EXPECT_TRUE(gf_setExitReasonIfUnset(ExitReason::UserClosedSim));
    EXPECT_EQ(gf_exitReason(), ExitReason::UserClosedSim);
}

TEST_F(ExitStateTest, OnlyNewSettingsEndTheWaitAfterASystemError) {
    EXPECT_TRUE(gf_raiseStop(ExitReason::SystemError));
    for (ExitReason other : {ExitReason::SimConnectError, ExitReason::ReaderError, ExitReason::NewFlight,
                             ExitReason::SimWasClosed, ExitReason::NewVersion})
        EXPECT_FALSE(gf_raiseStop(other, 9));
    EXPECT_EQ(gf_exitReason(), ExitReason::SystemError);
    EXPECT_TRUE(gf_raiseStop(ExitReason::NewSettings, 3));
    EXPECT_EQ(gf_exitReason(), ExitReason::NewSettings);
    EXPECT_EQ(gf_restartDelay(), 3);
    EXPECT_FALSE(gf_raiseStop(ExitReason::NewSettings, 2)); // the first request stays
    EXPECT_EQ(gf_restartDelay(), 3);
}

TEST(ExitReasonText, AllCodes) {
    const char* texts[] = {"NOT YET SET",      "SIM WAS CLOSED", "NEW FLIGHT",   "NEW SETTINGS", "USER CLOSED SIM",
                           "SIMCONNECT ERROR", "READER ERROR",   "SYSTEM ERROR", "NEW VERSION"};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(gf_exitReasonText(static_cast<ExitReason>(i)), texts[i]);
    EXPECT_EQ(gf_exitReasonText(static_cast<ExitReason>(9)), "???");
}

// Seven triggers at once: exactly one wins, and the reason and delay are its own.
TEST(ExitStateThreads, ExactlyOneWinner) {
    for (int round = 0; round < 50; ++round) {
        gf_resetStopState();
        std::atomic<int> winners{0};
        std::atomic<int> winner{-1};
        std::atomic<bool> go{false};
        std::vector<std::thread> threads;
        for (int t = 1; t <= 8; ++t) {
            if (t == static_cast<int>(ExitReason::SystemError))
                continue; // it gives way to NEW SETTINGS (see above)
            threads.emplace_back([&, t] {
                while (!go.load()) {
                }
                if (gf_raiseStop(static_cast<ExitReason>(t), t * 10)) {
                    ++winners;
                    winner = t;
                }
                // Whoever sees the flag sees a set reason.
                if (g_stopRun.load()) {
                    EXPECT_NE(gf_exitReason(), ExitReason::NotYetSet);
                }
            });
        }
        go = true;
        for (auto& th : threads)
            th.join();
        ASSERT_EQ(winners.load(), 1);
        EXPECT_EQ(static_cast<int>(gf_exitReason()), winner.load());
        EXPECT_EQ(gf_restartDelay(), winner.load() * 10);
    }
    gf_resetStopState();
}

} // namespace
} // namespace skf
