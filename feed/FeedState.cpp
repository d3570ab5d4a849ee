// The feed's state and its reset.
#include "feed/FeedState.h"

namespace skf {

namespace {
FeedState s_feed;

void lf_resetReaderCounts(UdpReader& reader) {
    reader.stop = false;
    reader.datagrams = 0;
    reader.lastSeenDatagrams = 0;
}
} // namespace

std::mutex g_addingStackMutex;

// Bound to members of a state of static storage: constant initialisation, valid before any constructor runs
// (the traffic reader's own reference to the QNH among them).
bool& g_liveTrafficOpen = s_feed.queue.liveTrafficOpen;
std::atomic<bool>& g_rtConnected = s_feed.server.connected;
std::atomic<int>& g_qnh = s_feed.qnh;
QnhReader& g_qnhReader = s_feed.qnhReader;
TrafficReader& g_trafficReader = s_feed.trafficReader;
std::atomic<bool> (&g_readerSeen)[2] = s_feed.readerSeen;

FeedState& gf_feedState() {
    return s_feed;
}

void gf_resetFeedState() {
    {
        std::lock_guard lock(g_addingStackMutex);
        s_feed.queue = TrafficQueueState{};
    }
    s_feed.qnh = 1013;
    lf_resetReaderCounts(s_feed.qnhReader);
    s_feed.qnhReader.lastQnh = 1013;
    TrafficReader& traffic = s_feed.trafficReader;
    lf_resetReaderCounts(traffic);
    traffic.lastTrafficTime = 0.0; // g_lastTrafficTime
    traffic.collectCallsigns = false;
    traffic.clearCallsigns();
    traffic.setReferencePosition(0.0, 0.0);
    traffic.setParkAirport(false, 0.0, 0.0, 0.0);
    for (std::atomic<bool>& seen : s_feed.readerSeen)
        seen = true;
    s_feed.liveTrafficRemovals = 0;
}

} // namespace skf
