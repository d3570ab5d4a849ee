// The requests that lower layers and the shell raise to the engine, carried out on the engine's thread.
#include <mutex>

#include "feed/FeedRequests.h"
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

void gf_releaseLiveryViews() {
    // Between runs: the start-up thread of the coming run (a new thread after a restart) takes the engine over.
    gf_bindEngineThread();
    for (auto& aircraft : g_liveAircraft) {
        aircraft.liveryTitle = {};
    }
    for (auto& aircraft : g_parkedAircraft) {
        aircraft.liveryTitle = {};
    }
    // The creations still to be handed over, and those handed over but not yet sent by the frame handler.
    g_liveCreationQueue.clear();
    g_staticCreationQueue.clear();
    std::lock_guard lock(g_simCommandMutex);
    g_creationQueue.clear();
}

void gf_carryOutFeedRequests() {
    gf_checkEngineThread("gf_carryOutFeedRequests");
    if (gf_takeLiveTrafficRemovals() != 0) {
        lf_removeLiveTrafficForLostFeed();
    }
}

} // namespace skf
