#include "app/ClosingDown.h"
#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "feed/FeedServices.h"
#include "core/StatusLine.h"
#include "platform/ui/WindowMessages.h"
#include "support/ProgramFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

// The start and quit messages posted to the main window (repaints left out).
std::vector<std::uint32_t> takeMessages() {
    std::vector<std::uint32_t> messages;
    while (auto m = skf::gf_windowQueue().tryPop())
        if (m->message == skf::WM_APP_START || m->message == skf::WM_APP_CLOSED)
            messages.push_back(m->message);
    return messages;
}

TEST(ClosingDown, AnErrorInsideStillEndsWithTheQuitMessage) {
    skf::test::ProgramFolder folder("skf_closing");
    const struct {
        std::function<bool()> steps;
        const char* logged;
    } cases[] = {
        {[]() -> bool { throw std::runtime_error("disk gone"); }, "lf_closingDown exception disk gone"},
        {[]() -> bool { throw 42; }, "lf_closingDown exception unknown"}, // of no standard type
    };
    for (const auto& c : cases) {
        skf::gf_windowQueue().clear();
        skf::gf_clearError();
        skf::g_productionMode = true;
        skf::g_exitCode = 0;
        skf::g_restartPending = true;
        skf::lf_closeDownWith(c.steps);
        EXPECT_EQ(takeMessages(), std::vector<std::uint32_t>{skf::WM_APP_CLOSED}) << c.logged;
        EXPECT_EQ(skf::g_exitCode.load(), 1) << c.logged; // a production run that failed here ends with 1
        EXPECT_FALSE(skf::g_restartPending.load()) << c.logged;
        EXPECT_NE(folder.log().find(c.logged), std::string::npos) << c.logged;
    }
    skf::g_productionMode = false;
    skf::g_exitCode = 0;

    // A restart posts the start message instead.
    skf::lf_closeDownWith([] { return true; });
    EXPECT_EQ(takeMessages(), std::vector<std::uint32_t>{skf::WM_APP_START});
}

TEST(ClosingDown, ReaderErrorStopsTheRunAndTheFirstTriggerKeepsItsReason) {
    skf::test::ProgramFolder folder("skf_reader_error");
    skf::gf_resetStopState();
    skf::gf_clearError();
    skf::gf_readerStopped("Traffic Reader", "socket closed");
    skf::gf_raiseStop(skf::ExitReason::SimConnectError, 9); // a second trigger in the same second
    EXPECT_TRUE(skf::g_stopRun.load());
    EXPECT_EQ(skf::gf_exitReason(), skf::ExitReason::ReaderError);
    EXPECT_EQ(skf::gf_restartDelay(), 15);
    EXPECT_NE(folder.log().find("The Traffic Reader has stopped with error: socket closed"), std::string::npos);
    skf::gf_resetStopState();
    skf::gf_clearStatus();
}

} // namespace
