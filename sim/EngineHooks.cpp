#include "sim/EngineHooks.h"

#include <mutex>

namespace skf {

namespace {
std::mutex s_hooksMutex;
SimEngineHooks s_hooks;
} // namespace

void gf_registerSimEngineHooks(SimEngineHooks hooks) {
    std::lock_guard lock(s_hooksMutex);
    s_hooks = std::move(hooks);
}

const SimEngineHooks& gf_simEngineHooks() {
    return s_hooks;
}

std::string gf_hookStandNameAt(const UserAircraftState& user) {
    const auto& hooks = gf_simEngineHooks();
    return hooks.standNameAt ? hooks.standNameAt(user) : std::string();
}

bool gf_hookReserveUserStand(const std::string& standName) {
    const auto& hooks = gf_simEngineHooks();
    return hooks.reserveUserStand ? hooks.reserveUserStand(standName) : false;
}

} // namespace skf
