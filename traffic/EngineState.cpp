// The engine's containers, its clock and the small look-ups every part of the engine shares.
#include "traffic/EngineState.h"

#include <utility>

#include "core/ThreadOwner.h"
#include "data/apf/ParkApfState.h"
#include "traffic/ParkAirport.h"

namespace skf {

namespace {
std::function<EngineTime()> s_clock;
EngineState s_engine;
ThreadOwner s_engineThread;
} // namespace

// Bound to members of a state of static storage: constant initialisation, valid before any constructor runs.
std::vector<LiveAircraft>& g_liveAircraft = s_engine.liveAircraft;
std::vector<ParkedAircraft>& g_parkedAircraft = s_engine.parkedAircraft;
std::vector<std::uint32_t>& g_spawnRequests = s_engine.spawnRequests;
std::vector<ReadyObject>& g_readyObjects = s_engine.readyObjects;
std::vector<std::uint32_t>& g_standMatchIds = s_engine.standMatchIds;
std::vector<std::string>& g_ghostCallsigns = s_engine.ghostCallsigns;
std::vector<StaticPlacement>& g_pendingStatic = s_engine.parking.pendingStatic;
std::vector<ParkedLiveEntry>& g_parkedLive = s_engine.parking.parkedLive;
std::int32_t& g_fitReal = s_engine.parking.fitReal;
std::int32_t& g_fitSoft = s_engine.parking.fitSoft;
std::vector<KeptStatic>& g_keptStatics = s_engine.parking.keptStatics;
std::vector<PlannedRemoval>& g_plannedRemovals = s_engine.parking.plannedRemovals;
std::list<ParkAirport>& g_parkAirports = s_engine.parking.parkAirports;
std::string& g_reservedStand = s_engine.parking.reservedStand;
bool& g_parkingRecalcRequested = s_engine.parking.parkingRecalcRequested;

EngineState& gf_engineState() {
    return s_engine;
}

void gf_bindEngineThread() {
    s_engineThread.bind();
    gf_bindParkApfThread(); // the stand table is the engine's too
}

void gf_checkEngineThread(const char* where) {
    s_engineThread.check(where);
}

LiveAircraft::LiveAircraft(const StreamPoint& first, FlightRecord record, double recordTime)
    : ParkedAircraft(std::move(record), 0, 0.0, 0.0, 0.0, 0), lastRecordTime(recordTime) {
    stream.push_back(first);
}

EngineTime gf_engineNow() {
    return s_clock ? s_clock() : std::chrono::steady_clock::now();
}

void gf_setEngineClock(std::function<EngineTime()> clock) {
    s_clock = std::move(clock);
}

void gf_eraseLiveUnordered(LiveAircraft& aircraft) {
    LiveAircraft* last = &g_liveAircraft.back();
    if (&aircraft != last) {
        aircraft = std::move(*last);
    }
    g_liveAircraft.pop_back();
}

LiveAircraft* gf_findLiveByTrafficId(std::uint32_t trafficId) {
    for (auto& aircraft : g_liveAircraft) {
        if (aircraft.trafficId == trafficId) {
            return &aircraft;
        }
    }
    return nullptr;
}

LiveAircraft* gf_findLiveByObjectId(std::uint32_t objectId) {
    if (objectId == 0) {
        return nullptr;
    }
    for (auto& aircraft : g_liveAircraft) {
        if (aircraft.objectId == objectId) {
            return &aircraft;
        }
    }
    return nullptr;
}

} // namespace skf
