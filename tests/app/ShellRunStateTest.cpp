// The shell's owners: after a run has changed every value, one reset gives the values of a state fresh from
// its construction (those of the program's start), and the restart's reset only the per-run part.
#include "app/ClosingDown.h"
#include "app/ControlCommands.h"
#include "app/MainCycle.h"
#include "app/RunRequests.h"
#include "app/ShellRunState.h"
#include "app/StartUp.h"
#include "app/WindowRequests.h"
#include "core/ShellState.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

using namespace skf;

struct Field {
    const char* name;
    std::function<void()> change;
    std::function<std::string(const ShellRunState&, const ShellSharedState&)> read;
    bool perRun = false; // put back by the restart's reset
};

template <class T>
std::string text(const std::atomic<T>& value) {
    return std::to_string(value.load());
}

TEST(ShellRunState, OneResetGivesTheValuesOfAFreshState) {
    const Field fields[] = {
        {"second tick", [] { g_secondTick = 7; }, [](auto& s, auto&) { return text(s.run.secondTick); }, true},
        {"not running logged", [] { g_flightNotRunningLogged = true; },
         [](auto& s, auto&) { return text(s.run.flightNotRunningLogged); }, true},
        {"update phase", [] { g_updatePhase = true; }, [](auto& s, auto&) { return text(s.run.updatePhase); }, true},
        {"run requests", [] { g_staticUpdateAnnounced = g_blockChanged = g_objectIdLookupRequested = true; },
         [](auto& s, auto&) {
             return text(s.run.staticUpdateAnnounced) + text(s.run.blockChanged) + text(s.run.objectIdLookupRequested);
         },
         true},
        {"requests",
         [] { g_reReadRequested = g_flushStaticRequested = g_callsignListRequested = g_rematchRequested = true; },
         [](auto& s, auto&) {
             return text(s.requests.reReadRequested) + text(s.requests.flushStaticRequested) +
                    text(s.requests.callsignListRequested) + text(s.requests.rematchRequested);
         }},
        {"window requests",
         [] {
             gf_requestNavLights(true);
             gf_requestMaxLive(3);
             gf_requestDestination({"EHAM", 52.3, 4.8});
             gf_requestAutoRange();
             gf_requestLiveryReset();
         },
         [](auto& s, auto&) {
             return std::to_string(s.window.navLights.has_value()) + std::to_string(s.window.maxLive.has_value()) +
                    std::to_string(s.window.destination.has_value()) + text(s.window.autoRange) +
                    text(s.window.liveryReset);
         }},
        {"not running countdown", [] { g_notRunningCountdown = 3; },
         [](auto& s, auto&) { return std::to_string(s.process.notRunningCountdown); }},
        {"process flags", [] { g_restartPending = g_dbaseLoaded = g_nowAllowed = true; },
         [](auto& s, auto&) {
             return text(s.process.restartPending) + text(s.process.dbaseLoaded) + text(s.process.nowAllowed);
         }},
        {"manual range",
         [] {
             gf_shellRunState().process.manualRangeSet = true;
             gf_shellRunState().process.manualRange = 25;
         },
         [](auto& s, auto&) { return text(s.process.manualRangeSet) + text(s.process.manualRange); }},
        {"shared flags",
         [] {
             g_inStartUp = false;
             g_realTrafficLocal = g_productionMode = g_parkingBusy = true;
         },
         [](auto&, auto& c) {
             return text(c.inStartUp) + text(c.realTrafficLocal) + text(c.productionMode) + text(c.parkingBusy);
         }},
        {"shared counts",
         [] {
             g_workerLimit = 9;
             g_activeWorkers = 4;
             g_staticCountdown = 3;
             g_exitCode = 1;
             g_selectedObjectId = 500;
         },
         [](auto&, auto& c) {
             return text(c.workerLimit) + text(c.activeWorkers) + text(c.staticCountdown) + text(c.exitCode) +
                    text(c.selectedObjectId);
         }},
    };
    const auto fresh = std::make_unique<ShellRunState>();
    const auto freshShared = std::make_unique<ShellSharedState>();
    const ShellRunState& state = gf_shellRunState();
    const ShellSharedState& shared = gf_shellSharedState();
    const auto read = [&](const Field& f) { return f.read(state, shared); };
    const auto start = [&](const Field& f) { return f.read(*fresh, *freshShared); };

    for (const bool restart : {true, false}) {
        gf_resetShellRunState();
        gf_resetShellSharedState();
        for (const Field& f : fields)
            f.change();
        for (const Field& f : fields)
            EXPECT_NE(read(f), start(f)) << f.name << " was not changed";
        if (restart) {
            gf_resetShellRun();
            for (const Field& f : fields)
                EXPECT_EQ(read(f) == start(f), f.perRun) << f.name << " after the restart's reset";
        } else {
            gf_resetShellRunState();
            gf_resetShellSharedState();
            for (const Field& f : fields)
                EXPECT_EQ(read(f), start(f)) << f.name;
        }
    }
    gf_resetShellRunState();
    gf_resetShellSharedState();

    // The names the shell's and the lower layers' code use are the owners'.
    EXPECT_EQ(&g_secondTick, &state.run.secondTick);
    EXPECT_EQ(&g_staticUpdateAnnounced, &state.run.staticUpdateAnnounced);
    EXPECT_EQ(&g_rematchRequested, &state.requests.rematchRequested);
    EXPECT_EQ(&g_notRunningCountdown, &state.process.notRunningCountdown);
    EXPECT_EQ(&g_restartPending, &state.process.restartPending);
    EXPECT_EQ(&g_dbaseLoaded, &state.process.dbaseLoaded);
    EXPECT_EQ(&g_nowAllowed, &state.process.nowAllowed);
    EXPECT_EQ(&g_inStartUp, &shared.inStartUp);
    EXPECT_EQ(&g_workerLimit, &shared.workerLimit);
    EXPECT_EQ(&g_selectedObjectId, &shared.selectedObjectId);
}

} // namespace
