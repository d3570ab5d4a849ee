// The feed's requests to the traffic engine.
#include "feed/FeedRequests.h"

#include "feed/FeedState.h"

namespace skf {

namespace {
std::atomic<unsigned>& s_liveTrafficRemovals = gf_feedState().liveTrafficRemovals;
} // namespace

void gf_requestLiveTrafficRemoval() {
    s_liveTrafficRemovals.fetch_add(1);
}

unsigned gf_takeLiveTrafficRemovals() {
    return s_liveTrafficRemovals.exchange(0);
}

} // namespace skf
