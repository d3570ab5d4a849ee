#include "app/ClosingDown.h"

#include "app/CycleClock.h"
#include "app/MainCycle.h"
#include "app/RunRequests.h"
#include "app/ShellRunState.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "feed/FeedServices.h"
#include "liveries/LiveryServices.h"
#include "platform/ui/WindowMessages.h"
#include "sim/FlightPlans.h"
#include "sim/PackagesRoot.h"
#include "sim/SimLink.h"
#include "sim/SimQueues.h"
#include "sim/UserAircraft.h"
#include "traffic/EngineServices.h"

#include <fmt/format.h>

#include <filesystem>

namespace skf {

namespace {

constexpr std::string_view kProgramName = "Skyfill";

void lf_sleep(std::chrono::milliseconds d) {
    CycleClock& clock = gf_cycleClock();
    clock.sleepUntil(clock.now() + d);
}

void lf_removeFlightPlanFolder() {
    const std::filesystem::path folder = gf_flightPlanFolder();
    if (folder.empty())
        return;
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    if (ec)
        gf_log(fmt::format("gf_removeFlightPlanFolder: {}", ec.message()));
}

bool lf_isRestartReason(ExitReason reason) {
    return reason == ExitReason::NewSettings || reason == ExitReason::SimConnectError ||
           reason == ExitReason::ReaderError;
}

// The steps of closing down up to the choice between restart and quit. Returns whether to restart.
bool lf_closeRun() {
    ExitReason reason = gf_exitReason();
    gf_log(fmt::format("Exiting: {}", gf_exitReasonText(reason)));
    {
        std::lock_guard lock(g_addingStackMutex);
        g_liveTrafficOpen = false;
    }
    g_simClientThread.request_stop(); // joined when the next run starts its successor
    g_qnhReader.stop = true;
    g_trafficReader.stop = true;
    lf_sleep(std::chrono::milliseconds(500));
    gf_closeServer();

    if (reason == ExitReason::SystemError) {
        if (g_productionMode.load()) {
            // A production run has no user to wait for: it fails at once.
            g_exitCode = 1;
        } else {
            // Until the user closes the window, or changes a setting that restarts the run (the window
            // then raises NEW SETTINGS, as its status line has promised).
            while (!g_shutDown.load() && gf_exitReason() == ExitReason::SystemError)
                lf_sleep(std::chrono::milliseconds(500));
            if (g_shutDown.load()) {
                gf_setStatus(fmt::format("User closed {}", kProgramName), true);
            } else {
                reason = gf_exitReason();
                gf_log(fmt::format("Exiting: {}", gf_exitReasonText(reason)));
            }
        }
    }

    gf_runUserStandRefresh();
    if (g_mainWindow.parkAirportActive.load())
        gf_closeParkAirport();
    gf_clearSpawnCache();
    lf_removeFlightPlanFolder();
    DESTINATION.setValue("");
    BLOCK_CALLSIGN.setValue("");
    gf_clearGhostCallsigns();
    gf_logLiveryMatchingSummary();
    gf_logUnmatchedNames();

    if (lf_isRestartReason(reason) && !g_shutDown.load()) {
        g_restartPending = true;
        gf_clearError();
        gf_clearStatus();
        gf_setStatus("Prepare for a restart ...", true);
        if (reason != ExitReason::NewSettings) {
            SCAN_LIVERIES.set(false);
            SCAN_LIVERIES.store();
            SCAN_AIRPORTS.set(false);
            SCAN_AIRPORTS.store();
        }
        if (!lf_restartCountdown()) {
            g_restartPending = false; // the user closed the window during the countdown
            return false;
        }
        lf_resetForRestart();
        return true;
    }
    g_restartPending = false;
    if (reason == ExitReason::NewFlight) {
        gf_setStatus(fmt::format("New flight detected, {} will close, please restart manually ...", kProgramName),
                     true);
        for (int i = 0; i < 20 && !g_shutDown.load(); ++i)
            lf_sleep(std::chrono::milliseconds(500));
    }
    return false;
}

// On the status line (unless an error text holds it) and always in the log.
void lf_reportClosingDownError(std::string_view what) {
    const std::string text = fmt::format("{} exception {}", "lf_closingDown", what);
    gf_setStatus(text, false);
    gf_logError(text);
}

} // namespace

void lf_closingDown() {
    lf_closeDownWith(lf_closeRun);
}

void lf_closeDownWith(const std::function<bool()>& steps) {
    bool restart = false;
    try {
        restart = steps();
    } catch (const std::exception& e) {
        lf_reportClosingDownError(e.what());
        restart = false;
        g_restartPending = false;
        if (g_productionMode.load())
            g_exitCode = 1;
    } catch (...) {
        lf_reportClosingDownError("unknown");
        restart = false;
        g_restartPending = false;
        if (g_productionMode.load())
            g_exitCode = 1;
    }
    // Closing down always ends with the start message (restart) or the quit message.
    gf_postWindowMessage(restart ? WM_APP_START : WM_APP_CLOSED);
    gf_flushLog();
}

bool lf_restartCountdown() {
    const int delay = gf_restartDelay();
    if (delay < 1)
        return !g_shutDown.load();
    gf_log(fmt::format("Restarting after {} seconds", delay));
    gf_log(std::string(48, '-'));
    CycleClock& clock = gf_cycleClock();
    for (int n = delay; n >= 1; --n) {
        gf_setStatus(fmt::format("Restarting after {} second{}", n, gf_plural(n)), false);
        const auto until = clock.now() + std::chrono::seconds(1);
        // Poll the close of the window while counting down.
        while (clock.now() < until) {
            if (g_shutDown.load())
                return false;
            clock.sleepUntil(std::min(until, clock.now() + std::chrono::milliseconds(100)));
        }
    }
    gf_log("Restart countdown finished");
    return !g_shutDown.load();
}

void lf_resetForRestart() {
    // Traffic reader and QNH reader, the traffic queue (its gate closed already) and the QNH.
    gf_resetFeedState();

    gf_resetSimLink();
    gf_resetEngine();

    g_mainWindow.resetForRestart();
    gf_clearError();
    gf_setStatusSecondCounter(0);

    gf_resetStopState();
    g_userDataArrived = false;
    g_rtProfessional = false;
    gf_resetShellRun();
    g_inStartUp = true;
}

void lf_endProductionRun() {
    g_exitCode = 0;
    g_shutDown = true;
    try {
        gf_closeServer();
        // The reason first: the run's close reads it as soon as it sees the stop flag.
        gf_setExitReasonIfUnset(ExitReason::UserClosedSim);
        g_stopRun = true;
    } catch (const std::exception& e) {
        gf_logError(fmt::format("exception {}", e.what()));
        g_exitCode = 1;
    }
}

} // namespace skf
