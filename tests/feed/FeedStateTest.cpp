// The feed's owner: after a run has changed every value the threads share, one reset gives the values of a
// state fresh from its construction (those of the program's start).
#include "feed/FeedRequests.h"
#include "feed/FeedState.h"
#include "feed/RealTrafficServer.h"
#include "feed/FeedTestSupport.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

using namespace skf;
using namespace skf::test;

struct Field {
    const char* name;
    std::function<void(FeedState&)> change;
    std::function<std::string(FeedState&)> read;
    const char* start = nullptr; // the start value when a fresh state shares it (core's last traffic time)
};

std::string referenceText(const TrafficReader& reader) {
    const TrafficReference r = reader.reference();
    return std::to_string(r.latitude) + "/" + std::to_string(r.longitude) + "/" + std::to_string(r.parkAirportSet) +
           "/" + std::to_string(r.parkLatitude) + "/" + std::to_string(r.parkLongitude) + "/" +
           std::to_string(r.parkElevation);
}

TEST(FeedState, OneResetGivesTheValuesOfAFreshState) {
    const Field fields[] = {
        {"queue", [](FeedState&) { gf_pushTraffic(QueuedTraffic{}); },
         [](FeedState& s) {
             std::lock_guard lock(g_addingStackMutex);
             return std::to_string(s.queue.addingStack.size());
         }},
        {"gate", [](FeedState&) { setTrafficGate(true); },
         [](FeedState& s) {
             std::lock_guard lock(g_addingStackMutex);
             return std::to_string(s.queue.liveTrafficOpen);
         }},
        {"qnh", [](FeedState& s) { s.qnh = 990; }, [](FeedState& s) { return std::to_string(s.qnh.load()); }},
        {"last qnh", [](FeedState& s) { s.qnhReader.lastQnh = 990; },
         [](FeedState& s) { return std::to_string(s.qnhReader.lastQnh.load()); }},
        {"stop flags", [](FeedState& s) { s.qnhReader.stop = s.trafficReader.stop = true; },
         [](FeedState& s) { return std::to_string(s.qnhReader.stop) + std::to_string(s.trafficReader.stop); }},
        {"datagrams",
         [](FeedState& s) {
             s.qnhReader.datagrams = s.trafficReader.datagrams = 7;
             s.qnhReader.lastSeenDatagrams = s.trafficReader.lastSeenDatagrams = 6;
         },
         [](FeedState& s) {
             return std::to_string(s.qnhReader.datagrams) + std::to_string(s.trafficReader.datagrams) +
                    std::to_string(s.qnhReader.lastSeenDatagrams) + std::to_string(s.trafficReader.lastSeenDatagrams);
         }},
        {"last traffic time", [](FeedState& s) { s.trafficReader.lastTrafficTime = 1.7e9; },
         [](FeedState& s) { return std::to_string(s.trafficReader.lastTrafficTime.load()); }, "0.000000"},
        {"callsigns",
         [](FeedState& s) {
             s.trafficReader.collectCallsigns = true;
             s.trafficReader.addCallsign("KLM1");
         },
         [](FeedState& s) {
             return std::to_string(s.trafficReader.collectCallsigns) +
                    std::to_string(s.trafficReader.callsigns().size());
         }},
        {"reference",
         [](FeedState& s) {
             s.trafficReader.setReferencePosition(kEhamLatitude, kEhamLongitude);
             s.trafficReader.setParkAirport(true, kEhamLatitude, kEhamLongitude, -11.0);
         },
         [](FeedState& s) { return referenceText(s.trafficReader); }},
        {"seen flags", [](FeedState& s) { s.readerSeen[0] = s.readerSeen[1] = false; },
         [](FeedState& s) { return std::to_string(s.readerSeen[0]) + std::to_string(s.readerSeen[1]); }},
        {"removal requests", [](FeedState&) { gf_requestLiveTrafficRemoval(); },
         [](FeedState& s) { return std::to_string(s.liveTrafficRemovals.load()); }},
    };
    const auto fresh = std::make_unique<FeedState>();
    FeedState& state = gf_feedState();
    gf_resetFeedState();
    setTrafficGate(true); // the queue takes the report only through an open gate
    for (const Field& f : fields)
        f.change(state);
    const auto startValue = [&](const Field& f) { return f.start != nullptr ? std::string(f.start) : f.read(*fresh); };
    for (const Field& f : fields)
        EXPECT_NE(f.read(state), startValue(f)) << f.name << " was not changed";
    gf_resetFeedState();
    for (const Field& f : fields)
        EXPECT_EQ(f.read(state), startValue(f)) << f.name;
    // The names the reader's code uses are the owner's.
    EXPECT_EQ(&g_qnh, &state.qnh);
    EXPECT_EQ(&g_trafficReader.qnh, &state.qnh);
    EXPECT_EQ(&g_qnhReader, &state.qnhReader);
    EXPECT_EQ(&g_rtConnected, &state.server.connected);
    EXPECT_EQ(&g_liveTrafficOpen, &state.queue.liveTrafficOpen);
}

} // namespace
