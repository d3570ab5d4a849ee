// The engine's containers, its clock and the small look-ups every part of the engine shares.
#include "traffic/EngineState.h"

#include <utility>

namespace skf {

std::vector<LiveAircraft> g_liveAircraft;
std::vector<ParkedAircraft> g_parkedAircraft;
std::vector<std::uint32_t> g_spawnRequests;
std::vector<ReadyObject> g_readyObjects;
std::vector<std::uint32_t> g_standMatchIds;
std::vector<std::string> g_ghostCallsigns;

namespace {
std::function<EngineTime()> s_clock;
} // namespace

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
