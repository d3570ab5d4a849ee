#include "core/ProgramState.h"

#include <array>
#include <mutex>

namespace skf {

namespace {

// Serialises the writers of the exit state so that "was the flag down" and
// "store the reason" are one step for every trigger that goes through here.
std::mutex g_exitMutex;

constexpr std::array<std::string_view, 9> kExitReasonTexts = {
    "NOT YET SET",      "SIM WAS CLOSED", "NEW FLIGHT",   "NEW SETTINGS", "USER CLOSED SIM",
    "SIMCONNECT ERROR", "READER ERROR",   "SYSTEM ERROR", "NEW VERSION",
};

} // namespace

static_assert(std::atomic<ExitState>::is_always_lock_free);
static_assert(std::atomic<DayAndSlot>::is_always_lock_free);

std::string_view gf_exitReasonText(ExitReason reason) noexcept {
    const auto i = static_cast<std::int32_t>(reason);
    if (i < 0 || i >= static_cast<std::int32_t>(kExitReasonTexts.size()))
        return "???";
    return kExitReasonTexts[static_cast<size_t>(i)];
}

bool gf_raiseStop(ExitReason reason, std::int32_t restartDelaySeconds) {
    std::lock_guard lock(g_exitMutex);
    if (g_stopRun.load()) {
        // A run ended by SYSTEM ERROR waits for the user; new settings from the window (the Community path
        // typed after error 150, for one) end that wait with a restart.
        if (reason == ExitReason::NewSettings && g_exitState.load().exitReason == ExitReason::SystemError) {
            g_exitState.store(ExitState{reason, restartDelaySeconds});
            return true;
        }
        return false;
    }
    // The reason is stored before the flag goes up, so whoever sees the flag also
    // sees the reason of the trigger that raised it.
    const ExitState before = g_exitState.load();
    g_exitState.store(ExitState{reason, restartDelaySeconds});
    if (!g_stopRun.exchange(true))
        return true;
    // A direct store of the flag elsewhere slipped in between: that raise came
    // first, so this trigger must not leave its reason behind.
    g_exitState.store(before);
    return false;
}

bool gf_setExitReasonIfUnset(ExitReason reason, std::int32_t restartDelaySeconds) {
    std::lock_guard lock(g_exitMutex);
    if (g_exitState.load().exitReason != ExitReason::NotYetSet)
        return false;
    g_exitState.store(ExitState{reason, restartDelaySeconds});
    return true;
}

void gf_forceExitReason(ExitReason reason) {
    std::lock_guard lock(g_exitMutex);
    g_exitState.store(ExitState{reason, g_exitState.load().restartDelay});
}

ExitReason gf_exitReason() noexcept {
    return g_exitState.load().exitReason;
}

std::int32_t gf_restartDelay() noexcept {
    return g_exitState.load().restartDelay;
}

void gf_resetStopState() {
    std::lock_guard lock(g_exitMutex);
    g_exitState.store(ExitState{ExitReason::NotYetSet, g_exitState.load().restartDelay});
    g_stopRun.store(false);
    g_shutDown.store(false);
}

} // namespace skf
