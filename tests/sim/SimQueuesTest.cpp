#include <gtest/gtest.h>

#include <condition_variable>
#include <thread>

#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "data/apf/Stand.h"
#include "platform/simconnect/SimConnect.h"
#include "sim/SimLink.h"
#include "sim/SimLinkState.h"
#include "sim/SimQueues.h"
#include "sim/SimQueuesInternal.h"

namespace skf {
namespace {

void clearCommandQueues() {
    std::lock_guard lock(g_simCommandMutex);
    g_eventQueue.clear();
    g_creationQueue.clear();
    g_removalQueue.clear();
}

class AiCommands : public ::testing::Test {
protected:
    void SetUp() override {
        gf_resetSimLinkState();
        gf_reserveSimQueues();
        aircraft.objectId = 500;
        aircraft.trafficId = 20001;
        aircraft.category = SizeCategory::Large;
    }
    void TearDown() override {
        clearCommandQueues();
        gf_resetStopState();
    }
    ParkedAircraft aircraft;
};

TEST_F(AiCommands, FlapsAreQueuedOncePerIndexAndBadIndexesAreRemembered) {
    gf_setFlaps(aircraft, 2);
    gf_setFlaps(aircraft, 2);
    ASSERT_EQ(g_eventQueue.size(), 1U);
    EXPECT_EQ(g_eventQueue[0].eventId, SIM_EVENT_FLAPS_SET);
    EXPECT_EQ(g_eventQueue[0].value, 10240U);
    EXPECT_EQ(g_eventQueue[0].objectId, 500U);
    gf_setFlaps(aircraft, 7);
    gf_setFlaps(aircraft, 7);
    EXPECT_EQ(g_eventQueue.size(), 1U);
    EXPECT_EQ(aircraft.flapsIndex, 7U);
    gf_setFlaps(aircraft, 4);
    ASSERT_EQ(g_eventQueue.size(), 2U);
    EXPECT_EQ(g_eventQueue[1].value, 0U);
}

TEST_F(AiCommands, ThrottleIndexFiveIsNeverSent) {
    gf_setThrottle(aircraft, 5);
    EXPECT_TRUE(g_eventQueue.empty());
    gf_setThrottle(aircraft, 0);
    gf_setThrottle(aircraft, 3);
    gf_setThrottle(aircraft, 3);
    ASSERT_EQ(g_eventQueue.size(), 2U);
    EXPECT_EQ(g_eventQueue[0].value, 0U);
    EXPECT_EQ(g_eventQueue[1].value, 11468U);
    EXPECT_EQ(g_eventQueue[1].eventId, SIM_EVENT_THROTTLE_SET);
}

TEST_F(AiCommands, RotorcraftGetThrottleButNoFlapsGearOrSpoilers) {
    aircraft.category = SizeCategory::Rotorcraft;
    gf_setFlaps(aircraft, 1);
    gf_setGear(aircraft, 0);
    gf_setSpoilers(aircraft, 1);
    EXPECT_TRUE(g_eventQueue.empty());
    gf_setThrottle(aircraft, 4);
    ASSERT_EQ(g_eventQueue.size(), 1U);
    EXPECT_EQ(g_eventQueue[0].value, 16383U);
}

TEST_F(AiCommands, LightsAndEnginesInTheirOrder) {
    gf_setLights(9, 1, 0, 1, 0, 1, 0, 1);
    gf_engineAutoStart(9);
    gf_engineAutoShutdown(9);
    gf_setNavLight(9, 0);
    gf_setCabinLight(9, 1);
    gf_setSpoilers(aircraft, 5);
    gf_setGear(aircraft, 1);
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected{
        {207, 1}, {206, 0}, {210, 1}, {208, 0}, {209, 1},     {212, 0}, {211, 1},
        {220, 0}, {221, 0}, {207, 0}, {211, 1}, {218, 16383}, {219, 1}};
    ASSERT_EQ(g_eventQueue.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(g_eventQueue[i].eventId, expected[i].first) << i;
        EXPECT_EQ(g_eventQueue[i].value, expected[i].second) << i;
    }
}

CreationRecord creation(std::uint32_t trafficId, std::string callsign) {
    CreationRecord record;
    record.trafficId = trafficId;
    record.callsign = std::move(callsign);
    return record;
}

TEST_F(AiCommands, QueuedCreationIsWithdrawnByTrafficIdKeepingOrder) {
    g_liveCreationQueue = {creation(20001, "DLH1"), creation(20002, "DLH1"), creation(20003, "KLM2")};
    aircraft.simStatus = SimStatus::adding2sim;
    removeAircraftFromSim(aircraft);
    EXPECT_EQ(aircraft.eraseCreationCancelled, 1);
    EXPECT_EQ(aircraft.removeWhenAdded, 0);
    ASSERT_EQ(g_liveCreationQueue.size(), 2U);
    // The other aircraft with the same callsign keeps its creation.
    EXPECT_EQ(g_liveCreationQueue[0].trafficId, 20002U);
    EXPECT_EQ(g_liveCreationQueue[1].trafficId, 20003U);
    EXPECT_TRUE(g_engineRemovalQueue.empty());
}

TEST_F(AiCommands, StaticQueueIsSearchedAfterTheLiveQueue) {
    aircraft.trafficId = 17;
    g_staticCreationQueue = {creation(16, "A*"), creation(17, "B*")};
    aircraft.simStatus = SimStatus::adding2sim;
    removeAircraftFromSim(aircraft);
    EXPECT_EQ(aircraft.eraseCreationCancelled, 1);
    ASSERT_EQ(g_staticCreationQueue.size(), 1U);
    EXPECT_EQ(g_staticCreationQueue[0].trafficId, 16U);
}

TEST_F(AiCommands, CreationAlreadySentIsRemovedOnArrival) {
    aircraft.simStatus = SimStatus::adding2sim;
    removeAircraftFromSim(aircraft);
    EXPECT_EQ(aircraft.removeWhenAdded, 1);
    EXPECT_EQ(aircraft.eraseCreationCancelled, 0);
    removeAircraftFromSim(aircraft); // nothing more
    EXPECT_TRUE(g_engineRemovalQueue.empty());
}

TEST_F(AiCommands, BufferedAircraftIsOnlyErased) {
    removeAircraftFromSim(aircraft);
    EXPECT_EQ(aircraft.erase, 1);
    EXPECT_EQ(aircraft.simStatus, SimStatus::buffer);
    EXPECT_TRUE(g_engineRemovalQueue.empty());
}

// A stand table of stands 11 and 12, both occupied.
void occupiedStands() {
    g_stands.clear();
    for (const std::int32_t sid : {11, 12}) {
        g_stands.emplace_back();
        g_stands.back().sid = sid;
        g_stands.back().occupied = true;
    }
}

TEST_F(AiCommands, ActiveLiveAircraftFreesItsStandAndQueuesItsObjectOnce) {
    occupiedStands();
    g_selectedObjectId = 500; // the window shows this aircraft
    aircraft.simStatus = SimStatus::active;
    aircraft.standId = 12;
    removeAircraftFromSim(aircraft);
    EXPECT_TRUE(g_stands[0].occupied);
    EXPECT_FALSE(g_stands[1].occupied);
    EXPECT_EQ(g_selectedObjectId.load(), 0U); // the window's selection went with it

    // A second removal queues, frees and clears nothing.
    g_stands[1].occupied = true;
    g_selectedObjectId = 500;
    removeAircraftFromSim(aircraft);
    EXPECT_EQ(aircraft.simStatus, SimStatus::removingfromsim);
    ASSERT_EQ(g_engineRemovalQueue.size(), 1U);
    EXPECT_EQ(g_engineRemovalQueue[0], 500U);
    EXPECT_TRUE(g_stands[1].occupied);
    EXPECT_EQ(g_selectedObjectId.load(), 500U);
    g_stands.clear();
    g_selectedObjectId = 0;
}

TEST_F(AiCommands, StaticAircraftKeepsTheStandTables) {
    occupiedStands();
    aircraft.trafficId = 5;
    aircraft.standId = 12;
    aircraft.simStatus = SimStatus::active;
    removeAircraftFromSim(aircraft);
    EXPECT_TRUE(g_stands[1].occupied);
    EXPECT_EQ(g_engineRemovalQueue.size(), 1U);
    g_stands.clear();
}

TEST_F(AiCommands, ActiveAircraftWithoutObjectIdIsNotStranded) {
    aircraft.simStatus = SimStatus::active;
    aircraft.objectId = 0;
    removeAircraftFromSim(aircraft);
    EXPECT_TRUE(g_engineRemovalQueue.empty());
    EXPECT_EQ(aircraft.simStatus, SimStatus::removingfromsim);
    EXPECT_EQ(aircraft.erase, 1); // no removal event will come: the engine drops it
}

TEST(PendingCreationQueue, TrafficIdZeroWithdrawsNothing) {
    std::vector<CreationRecord> queue{creation(20001, "AAA1"), creation(20002, "")};
    EXPECT_FALSE(gf_removePendingCreation(queue, std::uint32_t{0}));
    EXPECT_EQ(queue.size(), 2U);
    EXPECT_TRUE(gf_removePendingCreation(queue, std::uint32_t{20001}));
    ASSERT_EQ(queue.size(), 1U);
    EXPECT_EQ(queue[0].trafficId, 20002U);
}

TEST_F(AiCommands, HaltedFrameThrowsEverythingAway) {
    gf_queuePosition(600, AiPositionBlock{});
    ASSERT_TRUE(gf_trySwapPositionBuffers());
    gf_setNavLight(600, 1);
    gf_queueCreation(creation(20001, "X1"));
    {
        std::lock_guard lock(g_simCommandMutex);
        g_removalQueue.push_back(600);
    }
    g_simHalted = true;
    EXPECT_TRUE(lf_onFrame());
    EXPECT_TRUE(g_positionRead->empty());
    EXPECT_TRUE(g_eventQueue.empty());
    EXPECT_TRUE(g_creationQueue.empty());
    EXPECT_TRUE(g_removalQueue.empty());
    EXPECT_TRUE(gf_pendingCreations().empty());
    gf_reserveSimQueues();
    EXPECT_FALSE(g_simHalted.load());
}

TEST_F(AiCommands, ResetEmptiesBothPositionSides) {
    gf_queuePosition(600, AiPositionBlock{});
    ASSERT_TRUE(gf_trySwapPositionBuffers());
    gf_queuePosition(601, AiPositionBlock{});
    gf_resetSimLink();
    EXPECT_TRUE(g_positionRead->empty());
    EXPECT_TRUE(g_positionWrite->empty());
    EXPECT_NE(g_positionRead, g_positionWrite);
    EXPECT_EQ(g_userObjectId.load(), 2U);
}

// The frame handler never waits for the command mutex: while another thread holds it, the frame is
// skipped and everything stays queued for the next frame.
TEST(FrameHandlerThreads, SkipsTheFrameWhileTheCommandMutexIsBusy) {
    gf_resetSimLink();
    gf_reserveSimQueues();
    clearCommandQueues();
    gf_setNavLight(700, 1);
    std::mutex m;
    std::condition_variable cv;
    bool held = false;
    bool release = false;
    std::thread holder([&] {
        std::lock_guard command(g_simCommandMutex);
        std::unique_lock lock(m);
        held = true;
        cv.notify_all();
        cv.wait(lock, [&] { return release; });
    });
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return held; });
    }
    const bool ran = lf_onFrame();
    {
        std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    holder.join();
    EXPECT_FALSE(ran);
    std::lock_guard command(g_simCommandMutex);
    EXPECT_EQ(g_eventQueue.size(), 1U);
    g_eventQueue.clear();
}

TEST(SimMessageQueueConcurrent, EveryPushedMessageIsTakenOnce) {
    std::vector<SimMessage> drained;
    gf_takeSimMessages(drained);
    // Within the queue's bound, so that none is dropped however the two threads are scheduled.
    constexpr auto kCount = static_cast<std::uint32_t>(kMaxSimMessages);
    std::thread producer([] {
        for (std::uint32_t i = 1; i <= kCount; ++i) {
            gf_pushSimMessage(SimMessage{i, 0, SimMessageKind::objectRemoved, 0.0, 0.0});
        }
    });
    std::vector<SimMessage> all;
    std::vector<SimMessage> batch;
    while (all.size() < kCount) {
        gf_takeSimMessages(batch);
        all.insert(all.end(), batch.begin(), batch.end());
        std::this_thread::yield();
    }
    producer.join();
    ASSERT_EQ(all.size(), kCount);
    for (std::uint32_t i = 0; i < kCount; ++i) {
        ASSERT_EQ(all[i].objectId, i + 1);
    }
}

} // namespace
} // namespace skf
