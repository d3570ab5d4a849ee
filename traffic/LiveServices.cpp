// What the main cycle asks of the live aircraft: counts, the selected object id, blocking a callsign, the
// stand-match queue, the nav lights of parked aircraft, and the engine's per-run caches. Engine thread.
#include <algorithm>

#include "traffic/EngineInternal.h"
#include "traffic/EngineServices.h"

namespace skf {

std::optional<std::uint32_t> gf_takeStandMatchId() {
    if (g_standMatchIds.empty()) {
        return std::nullopt;
    }
    const std::uint32_t id = g_standMatchIds.front();
    g_standMatchIds.erase(g_standMatchIds.begin());
    return id;
}

void gf_matchQueuedStandOption(std::uint32_t trafficId, DayAndSlot now) {
    if (LiveAircraft* a = gf_findLiveByTrafficId(trafficId)) {
        gf_matchStandOption(now, *a);
        gf_removeStaticTwin(*a);
    }
}

std::optional<std::uint32_t> gf_activeLiveObjectIdByCallsign(std::string_view callsign) {
    for (const auto& a : g_liveAircraft) {
        if (a.simStatus == SimStatus::active && a.callsign == callsign) {
            return a.objectId;
        }
    }
    return std::nullopt;
}

bool gf_removeActiveLiveByCallsign(std::string_view callsign) {
    for (auto& a : g_liveAircraft) {
        if (a.simStatus == SimStatus::active && a.callsign == callsign) {
            gf_removeLiveWithLine(a, "its callsign is blocked");
            return true;
        }
    }
    return false;
}

std::uint64_t gf_countActiveLiveNotParked() {
    return static_cast<std::uint64_t>(std::count_if(g_liveAircraft.begin(), g_liveAircraft.end(), [](const auto& a) {
        return a.simStatus == SimStatus::active && a.phase != FlightPhase::parked;
    }));
}

std::uint64_t gf_countActiveLive() {
    return static_cast<std::uint64_t>(std::count_if(g_liveAircraft.begin(), g_liveAircraft.end(),
                                                    [](const auto& a) { return a.simStatus == SimStatus::active; }));
}

void gf_setNavLightsOfParked(bool on) {
    for (const auto& stat : g_parkedAircraft) {
        if (stat.simStatus == SimStatus::active) {
            gf_setNavLight(stat.objectId, on ? 1 : 0);
        }
    }
    for (const auto& live : g_liveAircraft) {
        if (live.simStatus == SimStatus::active && live.phase == FlightPhase::parked) {
            gf_setNavLight(live.objectId, on ? 1 : 0);
        }
    }
}

void gf_clearSpawnCache() {
    // The titles remembered per traffic id. The keys that found no livery stay until the engine's reset:
    // closing down empties this cache before it logs them.
    gf_clearLiveryTitlesById();
}

void gf_clearGhostCallsigns() {
    g_ghostCallsigns.clear();
}

} // namespace skf
