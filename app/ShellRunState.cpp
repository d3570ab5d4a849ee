// The shell's state and its resets.
#include "app/ShellRunState.h"

#include "app/ClosingDown.h"
#include "app/ControlCommands.h"
#include "app/MainCycle.h"
#include "app/RunRequests.h"
#include "app/StartUp.h"

namespace skf {

namespace {
ShellRunState s_shell;
} // namespace

// Bound to members of a state of static storage: constant initialisation, valid before any constructor runs.
std::atomic<std::uint32_t>& g_secondTick = s_shell.run.secondTick;
std::atomic<bool>& g_flightNotRunningLogged = s_shell.run.flightNotRunningLogged;
std::atomic<bool>& g_updatePhase = s_shell.run.updatePhase;
std::atomic<bool>& g_staticUpdateAnnounced = s_shell.run.staticUpdateAnnounced;
std::atomic<bool>& g_blockChanged = s_shell.run.blockChanged;
std::atomic<bool>& g_objectIdLookupRequested = s_shell.run.objectIdLookupRequested;
std::atomic<bool>& g_reReadRequested = s_shell.requests.reReadRequested;
std::atomic<bool>& g_flushStaticRequested = s_shell.requests.flushStaticRequested;
std::atomic<bool>& g_callsignListRequested = s_shell.requests.callsignListRequested;
std::atomic<bool>& g_rematchRequested = s_shell.requests.rematchRequested;
int& g_notRunningCountdown = s_shell.process.notRunningCountdown;
std::atomic<bool>& g_restartPending = s_shell.process.restartPending;
std::atomic<bool>& g_dbaseLoaded = s_shell.process.dbaseLoaded;
std::atomic<bool>& g_nowAllowed = s_shell.process.nowAllowed;

ShellRunState& gf_shellRunState() {
    return s_shell;
}

void gf_resetShellRun() {
    ShellPerRun& run = s_shell.run;
    run.secondTick = 0;
    run.flightNotRunningLogged = false;
    run.updatePhase = false;
    run.staticUpdateAnnounced = false;
    run.blockChanged = false;
    run.objectIdLookupRequested = false;
}

void gf_resetShellRunState() {
    gf_resetShellRun();
    ShellRequests& requests = s_shell.requests;
    requests.reReadRequested = false;
    requests.flushStaticRequested = false;
    requests.callsignListRequested = false;
    requests.rematchRequested = false;
    WindowRequestSlots& window = s_shell.window;
    {
        std::lock_guard lock(window.mutex);
        window.navLights.reset();
        window.maxLive.reset();
        window.destination.reset();
    }
    window.autoRange = false;
    window.liveryReset = false;
    ShellPerProcess& process = s_shell.process;
    process.notRunningCountdown = 100;
    process.restartPending = false;
    process.dbaseLoaded = false;
    process.nowAllowed = false;
    process.manualRangeSet = false;
    process.manualRange = 40;
}

} // namespace skf
