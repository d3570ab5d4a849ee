// What the engine carries out at the request of others: RealTraffic lost (the feed) takes every live aircraft
// out, each by its state; a livery reset (the shell) lets go of every view into the livery tables.
#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "feed/FeedRequests.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineServices.h"

namespace skf::test {
namespace {

LiveAircraft& addLive(std::uint32_t trafficId, SimStatus status) {
    TrafficRecord t;
    t.callsign = "KLM" + std::to_string(trafficId % 1000);
    t.modelId = gf_internModel("A320");
    FlightRecord r = gf_makeFlightRecord(std::move(t));
    r.trafficId = trafficId;
    StreamPoint p;
    p.latitude = 52.3;
    p.longitude = 4.76;
    g_liveAircraft.emplace_back(p, std::move(r), 0.0);
    g_liveAircraft.back().simStatus = status;
    g_liveAircraft.back().objectId = status == SimStatus::active ? 100 + trafficId % 100 : 0;
    return g_liveAircraft.back();
}

TEST(FeedLoss, ActiveAreRemovedQueuedCreationsWithdrawnAndSentOnesRemovedWhenAdded) {
    addTestModel("A320", SizeCategory::Large, 17.0);
    gf_resetEngine();
    gf_startEngine();
    g_simConnect = 0;
    addLive(20001, SimStatus::active);
    addLive(20002, SimStatus::adding2sim);
    addLive(20003, SimStatus::adding2sim); // its creation is with the simulator already
    addLive(20004, SimStatus::buffer);
    CreationRecord queued;
    queued.callsign = "KLM2";
    queued.trafficId = 20002;
    g_liveCreationQueue.push_back(queued);

    gf_requestLiveTrafficRemoval();
    gf_carryOutFeedRequests();

    ASSERT_EQ(g_liveAircraft.size(), 3U);
    EXPECT_EQ(g_liveAircraft[0].trafficId, 20001U);
    EXPECT_EQ(g_liveAircraft[0].simStatus, SimStatus::removingfromsim);
    EXPECT_EQ(g_liveAircraft[1].trafficId, 20003U); // order kept
    EXPECT_EQ(g_liveAircraft[1].removeWhenAdded, 1);
    EXPECT_EQ(g_liveAircraft[2].simStatus, SimStatus::buffer);
    EXPECT_TRUE(g_liveCreationQueue.empty());
    gf_resetEngine();
}

TEST(LiveryViews, TheEngineLetsGoOfEveryViewIntoTheTitleStore) {
    addTestModel("A320", SizeCategory::Large, 17.0);
    gf_resetEngine();
    gf_resetSimLinkState();
    static const std::string store = "DLH A320"; // stands in for the title store
    const std::string_view title = store;
    addLive(10001, SimStatus::active).liveryTitle = title;
    g_parkedAircraft.emplace_back();
    g_parkedAircraft.back().liveryTitle = title;
    g_liveCreationQueue.push_back({{}, "A", title, 10001});
    g_staticCreationQueue.push_back({{}, "B*", title, 1});
    g_creationQueue.push_back({{}, "C", title, 10002});

    gf_releaseLiveryViews();

    EXPECT_TRUE(g_liveAircraft.front().liveryTitle.empty());
    EXPECT_TRUE(g_parkedAircraft.front().liveryTitle.empty());
    EXPECT_TRUE(g_liveCreationQueue.empty());
    EXPECT_TRUE(g_staticCreationQueue.empty());
    EXPECT_TRUE(g_creationQueue.empty());
    gf_resetEngine();
}

} // namespace
} // namespace skf::test
