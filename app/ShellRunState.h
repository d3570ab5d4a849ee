#pragma once
// The application shell's state, in one owner (ShellRunState, reached through gf_shellRunState()); the global
// names (g_secondTick, g_flightNotRunningLogged, g_notRunningCountdown, g_updatePhase, the request flags of
// app/RunRequests.h, g_restartPending, g_dbaseLoaded, g_nowAllowed) are references into it. Each part names
// the thread that owns it:
// - run: the main cycle's per-run values. The start-up thread (run, main cycle, closing down) writes them;
//   the window thread reads the second tick and raises the three run-scoped requests (the main cycle raises
//   two of them too). The restart puts this part back (gf_resetShellRun), nothing else;
// - requests: raised by the window thread, taken once by the main cycle on the start-up thread by exchange;
//   they outlive a restart, so a request made during the countdown is carried out by the next run;
// - window: the requests that carry a value (app/WindowRequests.h): raised by the window thread, taken by
//   the start-up thread, the values under its mutex;
// - process: kept for the whole process. restartPending and dbaseLoaded belong to the start-up thread
//   (closing down sets the first and the next start-up reads it); nowAllowed is set by any thread that
//   locks or unlocks the parking controls; the remembered manual range belongs to the window thread.
// Everything the two threads share is atomic or under the window part's mutex.
//
// No part can be assigned (atomics, a mutex): each reset stores every default. The start-up function that
// the process entry registers (gf_setStartUpFunction) is no state of a run and stays where it is.
#include "app/WindowRequests.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

namespace skf {

// Reset at every restart.
struct ShellPerRun {
    std::atomic<std::uint32_t> secondTick{0};         // g_secondTick: +1 per user-aircraft data, 0 after a day
    std::atomic<bool> flightNotRunningLogged{false};  // g_flightNotRunningLogged
    std::atomic<bool> updatePhase{false};             // g_updatePhase: the announced update is collecting
    std::atomic<bool> staticUpdateAnnounced{false};   // g_staticUpdateAnnounced
    std::atomic<bool> blockChanged{false};            // g_blockChanged
    std::atomic<bool> objectIdLookupRequested{false}; // g_objectIdLookupRequested
};

// The plain request flags that outlive a restart.
struct ShellRequests {
    std::atomic<bool> reReadRequested{false};       // g_reReadRequested
    std::atomic<bool> flushStaticRequested{false};  // g_flushStaticRequested
    std::atomic<bool> callsignListRequested{false}; // g_callsignListRequested
    std::atomic<bool> rematchRequested{false};      // g_rematchRequested
};

// The window's requests with a value; a newer one replaces an older one not yet taken.
struct WindowRequestSlots {
    std::mutex mutex; // navLights, maxLive, destination
    std::optional<bool> navLights;
    std::optional<std::int32_t> maxLive;
    std::optional<DestinationRequest> destination;
    std::atomic<bool> autoRange{false};
    std::atomic<bool> liveryReset{false};
};

// Kept across restarts.
struct ShellPerProcess {
    int notRunningCountdown = 100;             // g_notRunningCountdown: start-up thread only
    std::atomic<bool> restartPending{false};   // g_restartPending
    std::atomic<bool> dbaseLoaded{false};      // g_dbaseLoaded
    std::atomic<bool> nowAllowed{false};       // g_nowAllowed
    std::atomic<bool> manualRangeSet{false};   // the manual range was taken from RANGE once
    std::atomic<std::int32_t> manualRange{40}; // the range to go back to when the automatic range goes off
};

struct ShellRunState {
    ShellPerRun run;
    ShellRequests requests;
    WindowRequestSlots window;
    ShellPerProcess process;
};

// The shell's one state. Take each part on its owning thread or under its lock.
ShellRunState& gf_shellRunState();

// The restart's reset: the per-run part back to its start values.
void gf_resetShellRun();
// The state of a new process: every part back to its start values (the tests between their cases).
void gf_resetShellRunState();

} // namespace skf
