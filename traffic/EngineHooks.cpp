// The engine's hooks in the simulator link, registered once the engine starts (start-up thread).
#include "core/ShellState.h"
#include "feed/FeedHooks.h"
#include "liveries/LiveryTables.h"
#include "sim/EngineHooks.h"
#include "sim/UserAircraft.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineServices.h"

namespace skf {

namespace {

// RealTraffic is gone: no live aircraft may stay frozen in the simulator while the feed waits for it. An
// active one is removed; a queued creation is withdrawn (by traffic id: two aircraft may share a callsign)
// and its record erased, or, when it was already handed to the simulator, the aircraft goes once it is there.
void lf_removeLiveTrafficForLostFeed() {
    for (LiveAircraft& aircraft : g_liveAircraft) {
        if (aircraft.simStatus == SimStatus::active) {
            removeAircraftFromSim(aircraft);
        } else if (aircraft.simStatus == SimStatus::adding2sim && aircraft.removeWhenAdded == 0) {
            if (gf_removePendingCreation(g_liveCreationQueue, aircraft.trafficId))
                aircraft.eraseCreationCancelled = 1;
            else
                aircraft.removeWhenAdded = 1;
        }
    }
    std::erase_if(g_liveAircraft, [](const LiveAircraft& a) { return a.eraseCreationCancelled != 0; });
}

} // namespace

void gf_registerEngineHooks() {
    SimEngineHooks hooks;
    hooks.standNameAt = [](const UserAircraftState& user) { return gf_standNameAt(user); };
    hooks.reserveUserStand = [](const std::string& name) { return gf_reserveUserStand(name); };
    hooks.setStandOccupied = [](std::int32_t standId, bool occupied) { gf_setStandOccupied(standId, occupied); };
    hooks.liveAircraftLeaving = [](const ParkedAircraft& aircraft) {
        if (aircraft.objectId != 0 && g_selectedObjectId.load() == aircraft.objectId) {
            g_selectedObjectId = 0;
            gf_resetLiveCallsignList();
        }
    };
    gf_registerSimEngineHooks(std::move(hooks));
    gf_registerFeedEngineHooks({[] { lf_removeLiveTrafficForLostFeed(); }});
    // The livery tables own the titles the aircraft records view: the engine lets go of them first.
    gf_setLiveryViewsRelease([] {
        for (auto& aircraft : g_liveAircraft) {
            aircraft.liveryTitle = {};
        }
        for (auto& aircraft : g_parkedAircraft) {
            aircraft.liveryTitle = {};
        }
    });
}

} // namespace skf
