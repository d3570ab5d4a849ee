#pragma once
// What the live traffic feed asks of the traffic engine, which lies above it: the feed raises a request,
// the engine carries it out on its own thread (gf_carryOutFeedRequests, traffic/EngineServices.h, after
// its position send and at each drain of the simulator messages). Raised on the thread that sends the
// position to RealTraffic (the engine's thread), taken by the engine; atomic, so any thread may raise it.

namespace skf {

// RealTraffic is gone: every live aircraft is to be taken out, so that none hangs frozen while the feed
// waits for RealTraffic.
void gf_requestLiveTrafficRemoval();
// The removal requests raised since the last take (engine thread).
unsigned gf_takeLiveTrafficRemovals();

} // namespace skf
