#pragma once
// Program-wide state that several parts of the program write and the lower layers
// read. Each entry names the part of the program that writes it. Everything here
// is an atomic, so any thread may read it without a lock.

#include <atomic>
#include <cstdint>
#include <string_view>

namespace skf {

// ---- Stop flags -------------------------------------------------------------------

// End of the current run. Raised by every stop trigger (simulator link, readers,
// window, start-up thread, update check); lowered by the restart reset of closing
// down. Polled by every loop of every thread.
inline std::atomic<bool> g_stopRun{false};

// The program is closing (window closed, start-up stop path, production end).
// Written by the window and the start-up thread; polled like g_stopRun.
inline std::atomic<bool> g_shutDown{false};

// ---- Exit reason and restart delay ------------------------------------------------

enum class ExitReason : std::int32_t {
    NotYetSet = 0,
    SimWasClosed = 1,
    NewFlight = 2,
    NewSettings = 3,
    UserClosedSim = 4,
    SimConnectError = 5,
    ReaderError = 6,
    SystemError = 7,
    NewVersion = 8,
};

// "NOT YET SET", "SIM WAS CLOSED", ... by code; "???" outside 0 to 8.
std::string_view gf_exitReasonText(ExitReason reason) noexcept;

// The exit reason together with its restart delay in seconds. Both are always read
// and written as one value, so a reader never sees the reason of one trigger with
// the delay of another. Aligned to its whole size so that the atomic is lock-free on every compiler.
struct alignas(8) ExitState {
    ExitReason exitReason = ExitReason::NotYetSet;
    std::int32_t restartDelay = 0;
};

// Written only through the functions below (stop triggers anywhere in the program,
// closing down's reset); read by closing down and the window.
inline std::atomic<ExitState> g_exitState{ExitState{}};

// The usual stop trigger: raises g_stopRun; when this call is the one that raised
// it (the flag was down), it also sets the exit reason and the restart delay and
// returns true. A later trigger returns false and changes nothing, so the first
// trigger wins; only NEW SETTINGS replaces SYSTEM ERROR (closing down waits after
// that error, and new settings from the window end the wait with a restart).
bool gf_raiseStop(ExitReason reason, std::int32_t restartDelaySeconds = 0);

// Sets the reason (and delay) only while the reason is still NOT YET SET; does not
// touch the stop flags. True when it set them. (USER CLOSED SIM.)
bool gf_setExitReasonIfUnset(ExitReason reason, std::int32_t restartDelaySeconds = 0);

// Sets the reason unconditionally, keeping the restart delay. (SYSTEM ERROR from
// the start-up thread's error handler.)
void gf_forceExitReason(ExitReason reason);

ExitReason gf_exitReason() noexcept;
std::int32_t gf_restartDelay() noexcept;

// Restart reset: both stop flags down, reason NOT YET SET; the delay keeps its value.
void gf_resetStopState();

// ---- Simulator time (written by the simulator link) -------------------------------

// The simulator's UTC time in seconds since 1970, from the user aircraft's data;
// 0 while not known. Set back to 0 by the live traffic link when it waits for or
// loses its client, and by the traffic restart.
inline std::atomic<double> g_simEpochSeconds{0.0};

// The simulator's UTC time in whole seconds since 1970 (simulator link).
inline std::atomic<std::uint64_t> g_simEpochTime{0};

// ---- Live traffic feed ------------------------------------------------------------

// True while the live traffic source reports its professional level. Set by the
// feed's hand-shake, cleared when the link starts over and by the restart reset.
inline std::atomic<bool> g_rtProfessional{false};

// The traffic reader's time of the last traffic record, seconds since 1970 as a
// double; 0.0 until the first traffic line. Written by the traffic reader thread,
// reset to 0 by the hand-shake and the restart reset. While g_rtProfessional is on
// and this is not 0 it is the program clock (see gf_programClockSeconds in Time.h).
inline std::atomic<double> g_lastTrafficTime{0.0};

// ---- Simulator choice (written by the start-up and the simulator switch) ----------

// The chosen simulator is MSFS 2020 (false: MSFS 2024).
inline std::atomic<bool> g_simIs2020{true};

// ---- Weekday and half hour of now (renewed by the start-up thread's main cycle) --

// Weekday 1 = Monday .. 7 = Sunday and half-hour slot 0..47 of the program clock,
// -1 each while unknown. Kept as one atomic pair.
// Aligned like ExitState (clang otherwise calls into libatomic for an 8-byte struct of 4-byte alignment).
struct alignas(8) DayAndSlot {
    std::int32_t day = -1;
    std::int32_t slot = -1;
};
inline std::atomic<DayAndSlot> g_dayAndSlotNow{DayAndSlot{}};

} // namespace skf
