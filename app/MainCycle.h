#pragma once
// The main cycle on the start-up thread: the engine step every 10 ms while a flight runs, and the
// per-second work clocked by the simulator's once-a-second user-aircraft data.

#include <atomic>
#include <cstdint>

namespace skf {

// Into the shell's state (app/ShellRunState.h), start-up thread:
// The per-second tick: +1 for each arrival of fresh user-aircraft data; back to 0 after a day.
extern std::atomic<std::uint32_t>& g_secondTick;
// The pause of the flight has been logged (set by the first cycle without a flight).
extern std::atomic<bool>& g_flightNotRunningLogged;
// Cycles until the next once-a-second duty while no flight runs.
extern int& g_notRunningCountdown;
// The announced static update is in its collecting phase.
extern std::atomic<bool>& g_updatePhase;

// Runs the 10 ms cycle (on gf_cycleClock()) until a stop flag is set.
void lf_mainLoop();
// One cycle; false when a stop flag is set.
bool lf_mainCycleStep();
void lf_perSecondWork();
void lf_halfMinuteWork();
void lf_applyPendingReRead();
void lf_flightNotRunning();
void lf_refreshCounters();

// The automatic range from the user aircraft's state and the nearest park airport (gf_setRange).
void lf_autoRange();
// The renewal of g_dayAndSlotNow from the program clock.
void lf_renewDayAndSlot();

} // namespace skf
