#pragma once
// Run-time state of the application shell that lower layers read, in one owner (ShellSharedState, reached
// through gf_shellSharedState()); the global names below are references into it. The start-up thread (app/)
// writes what is not noted otherwise; everything here is atomic, so any thread may read it without a lock.
// The shell's own state, which no lower layer reads, is app/ShellRunState.h.
//
// The atomics cannot be assigned: gf_resetShellSharedState stores each start value. The restart puts back
// g_inStartUp only; the rest holds for the whole process.

#include <atomic>
#include <cstdint>

namespace skf {

struct ShellSharedState {
    std::atomic<bool> inStartUp{true};              // g_inStartUp
    std::atomic<bool> realTrafficLocal{false};      // g_realTrafficLocal
    std::atomic<int> workerLimit{2};                // g_workerLimit
    std::atomic<int> activeWorkers{0};              // g_activeWorkers
    std::atomic<bool> parkingBusy{false};           // g_parkingBusy
    std::atomic<int> staticCountdown{20};           // g_staticCountdown
    std::atomic<bool> productionMode{false};        // g_productionMode
    std::atomic<int> exitCode{0};                   // g_exitCode
    std::atomic<std::uint32_t> selectedObjectId{0}; // g_selectedObjectId
};

ShellSharedState& gf_shellSharedState();
// The state of a new process: every value back to its start (the tests between their cases).
void gf_resetShellSharedState();

// Set during the start-up; cleared when the RealTraffic hand-shake succeeds (live traffic feed) and set
// again by the restart reset.
extern std::atomic<bool>& g_inStartUp;

// RealTraffic is installed on this PC (its RealTraffic.jar exists); set by the start-up. Decides whether
// the TCP server is opened, the readers' bind address and their duplicate rule.
extern std::atomic<bool>& g_realTrafficLocal;

// The most scan workers that may run at once (the hardware's thread count, 2 when it reports none), set
// by the start-up before the scans; and the number running (livery scan, add-on airport scan).
extern std::atomic<int>& g_workerLimit;
extern std::atomic<int>& g_activeWorkers;

// A static-parking calculation runs: set and cleared through gf_setParkingBusy (core/ControlFields.h) by the
// static parking and by the window's gf_lockParkingControls and gf_unlockParkingControls; read by the static
// parking, the main cycle and the window.
extern std::atomic<bool>& g_parkingBusy;

// Minutes to the next periodic static-parking update; 20 after each, counted down once a minute by the
// main cycle, which announces an update when it falls below 1.
extern std::atomic<int>& g_staticCountdown;

// The program runs once to load its data and then ends ("--production" on the command line). Written by
// the process entry before the start message is posted; read by the start-up thread.
extern std::atomic<bool>& g_productionMode;

// The process exit code handed to the quit message: 0, or 1 when a production run failed. Written by
// closing down; read by the window when it quits.
extern std::atomic<int>& g_exitCode;

// The object id of the live aircraft chosen in CALLSIGN_2_OBJECTID: written by the main cycle's lookup,
// cleared by the traffic engine when that aircraft leaves the simulator or is respawned.
extern std::atomic<std::uint32_t>& g_selectedObjectId;

} // namespace skf
