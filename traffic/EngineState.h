#pragma once
// The traffic engine's state, in one owner (EngineState, reached through gf_engineState()): the live and
// parked aircraft, the spawn requests, the created objects waiting to be finished, and the static parking's
// working lists and park-airport list. The global names the engine's files use (g_liveAircraft, ...) are
// references into it.
//
// Owner thread: the engine's thread (the start-up thread, which runs the 10 ms step, the once-a-second work
// and the window requests the main cycle carries out). No lock: no other thread reads or changes it, and
// gf_checkEngineThread stops a debug build when one does. The reset is one assignment of a new state.
//
// State of the engine that lower layers read stays in their owners: the creation and removal queues the
// engine paces in the simulator link (sim/SimQueues.h), since removeAircraftFromSim withdraws from them;
// the livery match state (liveries/LiveryMatching.h); the stand table (data/apf/Stand.h).
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <string>
#include <unordered_set>
#include <vector>

#include "liveries/LiveryMatching.h"
#include "sim/AircraftRecords.h"
#include "sim/SimQueues.h"
#include "traffic/LiveAircraft.h"
#include "traffic/ParkAirports.h"
#include "traffic/ParkingAdjustment.h"
#include "traffic/Stands.h"

namespace skf {

// A created object waiting to be finished: its creation message and the steps it has waited.
struct ReadyObject {
    SimMessage message;
    std::uint32_t waited = 0;
};

// The static parking's share of the engine state (emptied alone by gf_resetParking).
struct ParkingState {
    std::vector<StaticPlacement> pendingStatic;
    std::vector<ParkedLiveEntry> parkedLive;
    std::int32_t fitReal = 0;
    std::int32_t fitSoft = -1;
    std::vector<KeptStatic> keptStatics;
    std::vector<PlannedRemoval> plannedRemovals;
    std::list<ParkAirport> parkAirports;
    std::string reservedStand;
    bool parkingRecalcRequested = false;
};

struct EngineState {
    // The live traffic.
    std::vector<LiveAircraft> liveAircraft;
    // The static parked aircraft.
    std::vector<ParkedAircraft> parkedAircraft;
    // Traffic ids of live aircraft whose livery is chosen and that wait for their creation record.
    std::vector<std::uint32_t> spawnRequests;
    std::vector<ReadyObject> readyObjects;
    // Traffic ids for the once-a-second stand-option match and static-twin removal (oldest first).
    std::vector<std::uint32_t> standMatchIds;
    // Callsigns with a trailing underscore whose aircraft was removed as a ghost.
    std::vector<std::string> ghostCallsigns;
    ParkingState parking;
};

// The engine's one state (engine thread).
EngineState& gf_engineState();

// Makes the calling thread the engine's thread (the start and the reset of the engine).
void gf_bindEngineThread();
// In a debug build: stops the program when an engine entry point runs off the engine's thread.
void gf_checkEngineThread(const char* where);

extern std::vector<LiveAircraft>& g_liveAircraft;
extern std::vector<ParkedAircraft>& g_parkedAircraft;
extern std::vector<std::uint32_t>& g_spawnRequests;
extern std::vector<ReadyObject>& g_readyObjects;
extern std::vector<std::uint32_t>& g_standMatchIds;
extern std::vector<std::string>& g_ghostCallsigns;
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
