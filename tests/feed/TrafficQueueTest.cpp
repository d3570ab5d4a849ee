#include "feed/TrafficQueue.h"
#include "feed/FeedState.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace skf;

void setGate(bool open) {
    std::lock_guard lock(g_addingStackMutex);
    g_liveTrafficOpen = open;
}

QueuedTraffic trafficWithId(std::uint32_t id) {
    QueuedTraffic traffic;
    traffic.trafficId = id;
    traffic.record.callsign = "KLM" + std::to_string(id);
    return traffic;
}

std::vector<std::uint32_t> takeAll() {
    std::vector<std::uint32_t> ids;
    while (gf_takeTraffic([&](QueuedTraffic& t) { ids.push_back(t.trafficId); }) > 0) {
    }
    return ids;
}

class TrafficQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        gf_resetFeedState();
        setGate(true);
    }
    void TearDown() override { gf_resetFeedState(); }
};

TEST_F(TrafficQueueTest, StepTakesAtMostTwoInArrivalOrderWithTheirDueStep) {
    g_stepCounter = 500;
    for (std::uint32_t id : {10001U, 10002U, 10003U})
        ASSERT_TRUE(gf_pushTraffic(trafficWithId(id)));
    std::vector<QueuedTraffic> filed;
    EXPECT_EQ(gf_takeTraffic([&](QueuedTraffic& t) { filed.push_back(std::move(t)); }), 2U);
    ASSERT_EQ(filed.size(), 2U);
    EXPECT_EQ(filed[0].trafficId, 10001U);
    EXPECT_EQ(filed[1].record.callsign, "KLM10002");
    EXPECT_EQ(filed[0].point.dueStep, 3500);
    EXPECT_EQ(gf_trafficQueueSize(), 1U); // the third waits for the next step
}

TEST_F(TrafficQueueTest, ClosedGateDropsAndResetEmpties) {
    setGate(false);
    EXPECT_FALSE(gf_pushTraffic(trafficWithId(10001)));
    EXPECT_EQ(gf_trafficQueueSize(), 0U);
    setGate(true);
    gf_pushTraffic(trafficWithId(10002));
    gf_resetTrafficQueue();
    EXPECT_TRUE(takeAll().empty());
}

TEST_F(TrafficQueueTest, PastTheBoundTheOldestAreDroppedAndCounted) {
    const auto droppedBefore = gf_trafficQueueDropped();
    for (std::uint32_t i = 0; i < kTrafficQueueBound + 5; ++i)
        gf_pushTraffic(trafficWithId(10001 + i));
    EXPECT_EQ(gf_trafficQueueSize(), kTrafficQueueBound);
    EXPECT_EQ(gf_trafficQueueDropped() - droppedBefore, 5U);
    const auto ids = takeAll();
    ASSERT_EQ(ids.size(), kTrafficQueueBound);
    EXPECT_EQ(ids.front(), 10006U);
}

TEST(StepClock, DueStepsCompareAcrossTheWrap) {
    struct Case {
        std::uint32_t counter;
        std::int32_t due;
        bool reached;
    };
    const std::uint32_t nearWrap = 0xFFFFFF00U;
    for (const Case& c : {Case{100, 100, true}, Case{99, 100, false}, Case{nearWrap, gf_dueStepFrom(nearWrap), false},
                          Case{nearWrap + 3000, gf_dueStepFrom(nearWrap), true},
                          Case{nearWrap + 2999, gf_dueStepFrom(nearWrap), false}})
        EXPECT_EQ(gf_stepReached(c.counter, c.due), c.reached) << c.counter << " " << c.due;
    EXPECT_EQ(gf_stepsUntil(nearWrap + 1000, gf_dueStepFrom(nearWrap)), 2000);
}

} // namespace
