#pragma once
// What the static parking asks of the application shell, which lies above the engine: the lock and
// unlock of the window's parking controls around a calculation. The shell registers the hooks at the
// start of a run (start-up thread); the engine calls them on the same thread. Unregistered hooks only
// keep g_parkingBusy (core/ShellState.h) as the shell would.
#include <functional>

namespace skf {

struct ParkingShellHooks {
    std::function<void()> lockParkingControls;
    std::function<void()> unlockParkingControls;
};

void gf_registerParkingShellHooks(ParkingShellHooks hooks);

// Lock and unlock through the hooks (or g_parkingBusy alone without them).
void gf_hookLockParkingControls();
void gf_hookUnlockParkingControls();

} // namespace skf
