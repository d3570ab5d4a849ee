#pragma once
// The start-up thread: runs at each start message of the main window (after the process entry and after
// every restart). It loads the settings and the reference data, runs the scans the settings ask for,
// hands over to the run and the main cycle, and always ends with closing down.

#include <atomic>
#include <string>

namespace skf {

// The database was read in this process (it is not read again after a restart; app/ShellRunState.h).
extern std::atomic<bool>& g_dbaseLoaded;

// Before the process ends: waits (at most a few seconds) for the start-up thread and the readers to end,
// stops and joins the simulator client thread. True when every thread ended.
bool gf_joinProgramThreads();

void lf_startUpSKFL();
void lf_loadStartUpData();
void lf_prepareControls();
void lf_prepareFolders();
// The livery scan with its window controls: the package choice cannot change under a running scan. It
// opens again after a success, after a stop in automatic mode and before the automatic mode's errors 43
// and 143, so that another order can be chosen; after the manual mode's errors it stays closed. The
// SCAN_LIVERIES check box shows what the scan left.
void lf_scanLiveriesWithControls();

// Removes a trailing "/Community" folder name (the packages folder is its parent); only at the end.
std::string gf_withoutCommunityFolder(const std::string& path);

} // namespace skf
