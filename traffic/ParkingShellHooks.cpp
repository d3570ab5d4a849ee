#include "traffic/ParkingShellHooks.h"

#include <utility>

#include "core/ShellState.h"

namespace skf {

namespace {
ParkingShellHooks g_parkingShellHooks;
} // namespace

void gf_registerParkingShellHooks(ParkingShellHooks hooks) {
    g_parkingShellHooks = std::move(hooks);
}

void gf_hookLockParkingControls() {
    if (g_parkingShellHooks.lockParkingControls)
        g_parkingShellHooks.lockParkingControls();
    else
        g_parkingBusy = true;
}

void gf_hookUnlockParkingControls() {
    if (g_parkingShellHooks.unlockParkingControls)
        g_parkingShellHooks.unlockParkingControls();
    else
        g_parkingBusy = false;
}

} // namespace skf
