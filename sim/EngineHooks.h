#pragma once
// Calls from the simulator link into the traffic engine, which lies above it. The engine registers them at
// start; an unregistered hook does nothing and reports "nothing happened" (empty text, false).
// All hooks are called on the engine's own thread (the start-up thread), never on the SimClient thread.
//
// The reserved-stand refresh that the simulator asks for (flight load, new flight file, end of the
// SimClient thread) is carried out by gf_runUserStandRefresh (UserAircraft.h) on the engine's thread:
// gf_requestUserPosition runs it, and the engine's gf_closeParkAirport must run it before it closes the
// park airport, since a flight load ends the run before the next position request.
#include <cstdint>
#include <functional>
#include <string>

namespace skf {

struct UserAircraftState;

struct SimEngineHooks {
    // gf_standNameAt: the name of the stand under the user aircraft (within 55 m while on the ground),
    // empty when none or when the stand table is empty.
    std::function<std::string(const UserAircraftState&)> standNameAt;
    // The reserved-stand refresh of the park-airport list: when the list's first entry is the current park
    // airport and its reserved stand differs from the name, store the name and save my_park_airports.txt
    // (gf_saveMyParkAirports). Returns whether it changed the list.
    std::function<bool(const std::string&)> reserveUserStand;
};

// Registers the engine's hooks (start-up thread, before the first run).
void gf_registerSimEngineHooks(SimEngineHooks hooks);
// The registered hooks (engine thread).
const SimEngineHooks& gf_simEngineHooks();

// Safe callers: an unregistered hook does nothing.
std::string gf_hookStandNameAt(const UserAircraftState& user);
bool gf_hookReserveUserStand(const std::string& standName);

} // namespace skf
