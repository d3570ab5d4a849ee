#pragma once
// The traffic engine's containers and engine-wide state. Everything here belongs to the engine's thread (the
// start-up thread, which runs the 10 ms step and the once-a-second work): no lock, and no other thread
// reads or changes it. The window raises requests that the main cycle carries out on this thread.
//
// The creation and removal queues the engine paces lie one layer down (sim/SimQueues.h:
// g_liveCreationQueue, g_staticCreationQueue, g_engineRemovalQueue), since removeAircraftFromSim withdraws
// from them.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "liveries/LiveryMatching.h"
#include "sim/AircraftRecords.h"
#include "sim/SimQueues.h"
#include "traffic/LiveAircraft.h"
#include "traffic/Stands.h"

namespace skf {

// The live traffic.
extern std::vector<LiveAircraft> g_liveAircraft;
// The static parked aircraft.
extern std::vector<ParkedAircraft> g_parkedAircraft;
// Traffic ids of live aircraft whose livery is chosen and that wait for their creation record.
extern std::vector<std::uint32_t> g_spawnRequests;

// A created object waiting to be finished: its creation message and the steps it has waited.
struct ReadyObject {
    SimMessage message;
    std::uint32_t waited = 0;
};
extern std::vector<ReadyObject> g_readyObjects;

// Traffic ids for the once-a-second stand-option match and static-twin removal (oldest first).
extern std::vector<std::uint32_t> g_standMatchIds;
// Callsigns with a trailing underscore whose aircraft was removed as a ghost.
extern std::vector<std::string> g_ghostCallsigns;
// g_noLiveryKeys (matching keys of aircraft for which no livery was found: such an aircraft is not spawned
// again) and g_liveryTitleById (the title chosen per traffic id) are the engine's, declared beside the
// matching that prints them (liveries/LiveryMatching.h).

// The engine's clock: stand-contact times and parked durations. Tests inject their own.
EngineTime gf_engineNow();
// Replaces the clock (an empty function restores the steady clock).
void gf_setEngineClock(std::function<EngineTime()> clock);

// Erases one live aircraft without keeping the order (the last one takes its place).
void gf_eraseLiveUnordered(LiveAircraft& aircraft);

// The live aircraft with this traffic id, or null.
LiveAircraft* gf_findLiveByTrafficId(std::uint32_t trafficId);
// The live aircraft with this object id, or null (object id 0 finds none).
LiveAircraft* gf_findLiveByObjectId(std::uint32_t objectId);

// The active parked live aircraft, sorted; one parked too long (90 minutes, 180 for Heavy) is removed
// instead of listed unless INITIAL_LOAD_ONLY is on.
std::vector<ParkedLiveEntry> lf_collectParkedLive();

// Shut-down at a stand (live and static): throttle and flaps 0, engines off, lights as parked.
void gf_shutDownAtStand(ParkedAircraft& aircraft);

} // namespace skf
