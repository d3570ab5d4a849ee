#pragma once
// Closing down at the end of every run: stops the run's threads, removes the AI objects and, by the exit
// reason, restarts in place after a countdown, ends after a notice, keeps the window with its error line,
// or ends the program.

#include <atomic>
#include <functional>

namespace skf {

// Set when closing down restarts; the next start-up then skips the update check (app/ShellRunState.h).
extern std::atomic<bool>& g_restartPending;

void lf_closingDown();
// The frame of closing down around its steps (which return whether to restart): whatever they do, also
// when they throw, it ends with the start message (restart) or the quit message.
void lf_closeDownWith(const std::function<bool()>& steps);
// The countdown of the restart delay on the status line; false when the user closed the window meanwhile.
bool lf_restartCountdown();
void lf_resetForRestart();
// The end of a production run (no simulator, no traffic): exit code 0, or 1 when closing the server failed.
void lf_endProductionRun();

} // namespace skf
