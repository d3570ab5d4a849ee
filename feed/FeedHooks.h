#pragma once
// Calls from the live traffic feed into the traffic engine, which lies above it. The engine registers them
// at its start; an unregistered hook does nothing. Called on the engine's own thread (the start-up thread)
// only: by the position sender when RealTraffic is lost.
#include <functional>

namespace skf {

struct FeedEngineHooks {
    // RealTraffic is gone: take every live aircraft out (remove the active ones, cancel queued creations,
    // erase what is cancelled), so that no aircraft hangs frozen while the feed waits for RealTraffic.
    std::function<void()> removeLiveTraffic;
};

void gf_registerFeedEngineHooks(FeedEngineHooks hooks);
// Safe caller: does nothing while no hook is registered.
void gf_hookRemoveLiveTraffic();

} // namespace skf
