// The shell's state that lower layers read, and its reset.
#include "core/ShellState.h"

namespace skf {

namespace {
ShellSharedState s_shared;
} // namespace

// Bound to members of a state of static storage: constant initialisation, valid before any constructor runs.
std::atomic<bool>& g_inStartUp = s_shared.inStartUp;
std::atomic<bool>& g_realTrafficLocal = s_shared.realTrafficLocal;
std::atomic<int>& g_workerLimit = s_shared.workerLimit;
std::atomic<int>& g_activeWorkers = s_shared.activeWorkers;
std::atomic<bool>& g_parkingBusy = s_shared.parkingBusy;
std::atomic<int>& g_staticCountdown = s_shared.staticCountdown;
std::atomic<bool>& g_productionMode = s_shared.productionMode;
std::atomic<int>& g_exitCode = s_shared.exitCode;
std::atomic<std::uint32_t>& g_selectedObjectId = s_shared.selectedObjectId;

ShellSharedState& gf_shellSharedState() {
    return s_shared;
}

void gf_resetShellSharedState() {
    s_shared.inStartUp = true;
    s_shared.realTrafficLocal = false;
    s_shared.workerLimit = 2;
    s_shared.activeWorkers = 0;
    s_shared.parkingBusy = false;
    s_shared.staticCountdown = 20;
    s_shared.productionMode = false;
    s_shared.exitCode = 0;
    s_shared.selectedObjectId = 0;
}

} // namespace skf
