// The engine's hooks in the simulator link, registered once the engine starts (start-up thread).
#include "core/ShellState.h"
#include "sim/EngineHooks.h"
#include "sim/UserAircraft.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineServices.h"

namespace skf {

void gf_registerEngineHooks() {
    SimEngineHooks hooks;
    hooks.standNameAt = [](const UserAircraftState& user) { return gf_standNameAt(user); };
    hooks.reserveUserStand = [](const std::string& name) { return gf_reserveUserStand(name); };
    gf_registerSimEngineHooks(std::move(hooks));
}

} // namespace skf
