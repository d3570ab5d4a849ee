#pragma once
// Run-time state of the application shell that lower layers read. The start-up thread (app/) writes
// what is not noted otherwise; everything here is atomic, so any thread may read it without a lock.

#include <atomic>
#include <cstdint>

namespace skf {

// Set during the start-up; cleared when the RealTraffic hand-shake succeeds (live traffic feed) and set
// again by the restart reset.
inline std::atomic<bool> g_inStartUp{true};

// RealTraffic is installed on this PC (its RealTraffic.jar exists); set by the start-up. Decides whether
// the TCP server is opened, the readers' bind address and their duplicate rule.
inline std::atomic<bool> g_realTrafficLocal{false};

// The most scan workers that may run at once (the hardware's thread count, 2 when it reports none), set
// by the start-up before the scans; and the number running (livery scan, add-on airport scan).
inline std::atomic<int> g_workerLimit{2};
inline std::atomic<int> g_activeWorkers{0};

// A static-parking calculation runs: set and cleared through gf_setParkingBusy (core/ControlFields.h) by the
// static parking and by the window's gf_lockParkingControls and gf_unlockParkingControls; read by the static
// parking, the main cycle and the window.
inline std::atomic<bool> g_parkingBusy{false};

// Minutes to the next periodic static-parking update; 20 after each, counted down once a minute by the
// main cycle, which announces an update when it falls below 1.
inline std::atomic<int> g_staticCountdown{20};

// The program runs once to load its data and then ends ("--production" on the command line). Written by
// the process entry before the start message is posted; read by the start-up thread.
inline std::atomic<bool> g_productionMode{false};

// The process exit code handed to the quit message: 0, or 1 when a production run failed. Written by
// closing down; read by the window when it quits.
inline std::atomic<int> g_exitCode{0};

// The object id of the live aircraft chosen in CALLSIGN_2_OBJECTID: written by the main cycle's lookup,
// cleared by the traffic engine when that aircraft leaves the simulator or is respawned.
inline std::atomic<std::uint32_t> g_selectedObjectId{0};

} // namespace skf
