// The SimClient thread against the simulator stand-in, on a socket of its own.
#ifdef SKYFILL_HAVE_SIMSTANDIN

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <thread>

#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/StatusLine.h"
#include "core/WindowFields.h"
#include "platform/system/RuntimeFolder.h"
#include "sim/SimLink.h"
#include "sim/SimLinkState.h"
#include "sim/SimQueues.h"
#include "sim/SimTestSupport.h"
#include "sim/UserAircraft.h"
#include "support/SimStandInHarness.h"

namespace skf {
namespace {

using namespace std::chrono_literals;

// Polls until the condition holds; the time-out is a guard against a hang, not a measured time.
bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds guard = 20s) {
    const auto end = std::chrono::steady_clock::now() + guard;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return condition();
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class SimClientThreads : public ::testing::Test {
protected:
    void SetUp() override {
        gf_openLogIn(logFolder.path());
        gf_resetStopState();
        gf_clearError();
        gf_clearStatus();
        g_simIs2020 = true;
        g_mainWindow.simConnected = false;
        g_mainWindow.simulatorText.clear();
        g_mainWindow.userAircraftTitle.clear();
        gf_resetSimLinkState();
        gf_reserveSimQueues();
    }
    void TearDown() override {
        gf_stopSimClient();
        harness.reset();
        gf_closeLog();
        gf_resetStopState();
        gf_clearError();
        gf_clearStatus();
        g_simIs2020 = true;
    }

    void startStandIn(standin::StandInConfig config = {}) {
        harness = std::make_unique<test::StandInHarness>(std::move(config));
    }
    standin::SimStandIn& sim() { return *harness->sim; }

    void connect() {
        const std::uint64_t setUps = sim().callCount(SimCall::SetNotificationGroupPriority);
        gf_startSimClient();
        ASSERT_TRUE(eventually([] { return g_mainWindow.simConnected.load() && g_simConnect.load() != 0; }));
        ASSERT_TRUE(eventually([] { return !g_mainWindow.simulatorText.get().empty(); }));
        // The stand-in has taken in the whole set-up (the group priority is its last call).
        ASSERT_TRUE(eventually([&] { return sim().callCount(SimCall::SetNotificationGroupPriority) == setUps + 1; }));
    }

    std::string log() {
        gf_flushLog();
        return test::readFile(logFolder.path() / "Log.txt");
    }

    // Collects sim messages, as the engine drains them, until the condition on the collection holds.
    bool collectMessages(std::vector<SimMessage>& all,
                         const std::function<bool(const std::vector<SimMessage>&)>& done) {
        return eventually([&] {
            std::vector<SimMessage> batch;
            gf_takeSimMessages(batch);
            all.insert(all.end(), batch.begin(), batch.end());
            return done(all);
        });
    }

    test::TempFolder logFolder;
    std::unique_ptr<test::StandInHarness> harness;
};

TEST_F(SimClientThreads, WaitsForTheSimulatorThenConnectsAndCloses) {
    standin::StandInConfig config;
    config.started = false;
    startStandIn(config);
    gf_startSimClient();
    ASSERT_TRUE(eventually([] { return gf_statusSnapshot().statusText == "Waiting for MSFS 2020 ..."; }));
    EXPECT_EQ(g_simConnect.load(), 0U);
    EXPECT_FALSE(g_mainWindow.simConnected.load());
    sim().setStarted(true);
    ASSERT_TRUE(eventually([] { return g_mainWindow.simulatorText.get() == "MSFS 2020 (11.0.282174.999)"; }));
    EXPECT_TRUE(g_mainWindow.simConnected.load());
    EXPECT_NE(g_simConnect.load(), 0U);
    EXPECT_TRUE(eventually([] { return gf_statusSnapshot().statusText.empty(); })); // the waiting line is gone
    gf_stopSimClient();
    EXPECT_FALSE(g_mainWindow.simConnected.load());
    EXPECT_EQ(g_simConnect.load(), 0U);
    const std::string text = log();
    EXPECT_NE(text.find(" \nWaiting for MSFS 2020 ...\n"), std::string::npos);
    EXPECT_NE(text.find("MSFS 2020 (11.0.282174.999) connected"), std::string::npos);
    EXPECT_NE(text.find("SimConnect closed ok"), std::string::npos);
    EXPECT_FALSE(g_stopRun.load());
}

TEST_F(SimClientThreads, StoppedWhileWaitingEndsWithoutAClose) {
    standin::StandInConfig config;
    config.started = false;
    startStandIn(config);
    g_simIs2020 = false;
    gf_startSimClient();
    ASSERT_TRUE(eventually([] { return gf_statusSnapshot().statusText == "Waiting for MSFS 2024 ..."; }));
    gf_stopSimClient();
    EXPECT_EQ(log().find("SimConnect closed"), std::string::npos);
    EXPECT_EQ(sim().connectionCount(), 0U);
}

TEST_F(SimClientThreads, ARefusedSocketFolderIsShownOnceAndNeverConnected) {
    startStandIn();
    // The fallback folder is a link to where a simulator listens, under the name the client would use.
    const std::filesystem::path dir = harness->dir();
    std::filesystem::create_symlink(dir / "sim.sock", dir / "simconnect.sock");
    const std::filesystem::path fallback = dir / ("skyfill-" + std::to_string(::getuid()));
    std::filesystem::create_directory_symlink(dir, fallback);
    gf_setRuntimeFolderSeam(dir, std::nullopt);
    const test::ScopedEnv noOverride(SIM_SOCKET_ENV, nullptr);
    const test::ScopedEnv noXdg("XDG_RUNTIME_DIR", nullptr);
    gf_startSimClient();
    const std::string refusal = "The runtime folder " + fallback.string() + " cannot be used: it is a symbolic link";
    const bool shown = eventually([&] { return gf_statusSnapshot().errorText == refusal; });
    // A few more tries, each refused without a word.
    const std::size_t tries = sim().connectionCount();
    std::this_thread::sleep_for(300ms);
    gf_stopSimClient();
    gf_setRuntimeFolderSeam({}, std::nullopt);
    EXPECT_TRUE(shown) << gf_statusSnapshot().errorText;
    EXPECT_EQ(tries, 0U);
    EXPECT_EQ(sim().connectionCount(), 0U);
    const std::string text = log();
    const auto first = text.find("Error " + refusal);
    EXPECT_NE(first, std::string::npos) << text;
    EXPECT_EQ(text.find("Error " + refusal, first + 1), std::string::npos) << text;
    EXPECT_EQ(g_simConnect.load(), 0U);
}

TEST_F(SimClientThreads, WrongSimulatorIsShownAsUserError) {
    standin::StandInConfig config;
    config.scenario.simulator = 2024;
    startStandIn(config);
    gf_startSimClient();
    ASSERT_TRUE(eventually([] { return !gf_statusSnapshot().errorText.empty(); }));
    EXPECT_NE(
        gf_statusSnapshot().errorText.find(
            "71: MSFS 2024 is running ..., switch Simulator, or select the right sim in the drop down list above"),
        std::string::npos);
    ASSERT_TRUE(eventually([] { return g_simConnect.load() == 0; }));
    EXPECT_FALSE(g_stopRun.load()); // a user error only shows its line
    EXPECT_TRUE(eventually([this] { return sim().connectionCount() == 0; }));
}

TEST_F(SimClientThreads, VersionMismatchIsShownAsUserError) {
    startStandIn();
    sim().setVersionMismatch(true);
    gf_startSimClient();
    ASSERT_TRUE(eventually([] { return !gf_statusSnapshot().errorText.empty(); }));
    EXPECT_NE(gf_statusSnapshot().errorText.find("95: SimConnect Version Mismatch, dwIndex: "), std::string::npos);
    EXPECT_TRUE(eventually([] { return g_simConnect.load() == 0; }));
}

TEST_F(SimClientThreads, UserAircraftDataAndTheOnceASecondTick) {
    startStandIn();
    connect();
    ASSERT_TRUE(gf_requestUserOnGround());
    gf_requestUserAircraftInfo();
    UserAircraftState state = gf_requestUserPosition();
    EXPECT_EQ(state.known, 0);
    ASSERT_TRUE(eventually([] { return gf_holdsPosition(gf_receivedUserBlock().latitude, 0.0); }));
    ASSERT_TRUE(eventually([this] { return sim().callCount(SimCall::RequestDataOnSimObject) == 4; }));
    g_userDataArrived = false;
    sim().step(30);
    ASSERT_TRUE(eventually([] { return g_userDataArrived.load(); }));
    ASSERT_TRUE(eventually([] { return g_mainWindow.userAircraftTitle.get() == "Airbus A320 Neo Asobo"; }));
    ASSERT_TRUE(eventually([] { return g_userHalfWingspan.get().has_value(); }));
    state = gf_requestUserPosition();
    EXPECT_NEAR(state.block.latitude, 52.308, 0.001);
    EXPECT_NEAR(state.block.longitude, 4.7628, 0.001);
    EXPECT_EQ(state.block.year, 2024);
    EXPECT_EQ(state.known, 1);
    EXPECT_EQ(state.onGround, 1);
    EXPECT_EQ(g_userObjectId.load(), 1U);
    EXPECT_FALSE(g_stopRun.load());
    const std::string text = log();
    EXPECT_NE(text.find("SimConnect: User aircraft title: \n          Airbus A320 Neo Asobo\n"), std::string::npos);
    EXPECT_NE(text.find("          model raw: A320\n"), std::string::npos);
}

TEST_F(SimClientThreads, TeleportEndsTheRunWithNewFlight) {
    startStandIn();
    connect();
    gf_requestUserPosition();
    ASSERT_TRUE(eventually([] { return gf_holdsPosition(gf_receivedUserBlock().latitude, 0.0); }));
    sim().teleportUser(51.47, -0.45); // far away
    gf_requestUserPosition();
    ASSERT_TRUE(eventually([] { return g_stopRun.load(); }));
    EXPECT_EQ(gf_exitReason(), ExitReason::NewFlight);
    EXPECT_EQ(gf_restartDelay(), 45);
    EXPECT_NE(log().find("Teleport\n"), std::string::npos);
}

TEST_F(SimClientThreads, FlightLoadedEndsTheRunWithNewFlight) {
    startStandIn();
    connect();
    sim().loadFlight();
    ASSERT_TRUE(eventually([] { return g_stopRun.load(); }));
    EXPECT_EQ(gf_exitReason(), ExitReason::NewFlight);
}

TEST_F(SimClientThreads, QuitEndsTheRunWithSimWasClosed) {
    startStandIn();
    connect();
    sim().setFlightRunning(true);
    ASSERT_TRUE(eventually([] { return g_simRunning.load(); }));
    sim().quit();
    ASSERT_TRUE(eventually([] { return g_stopRun.load(); }));
    EXPECT_EQ(gf_exitReason(), ExitReason::SimWasClosed);
    EXPECT_EQ(gf_restartDelay(), 0);
    EXPECT_FALSE(g_simRunning.load());
    ASSERT_TRUE(eventually([] { return !g_mainWindow.simConnected.load(); })); // the thread has ended
    EXPECT_NE(log().find("Flight Simulator no longer connected, Skyfill will stop ..."), std::string::npos);
}

TEST_F(SimClientThreads, LostConnectionEndsTheRunWithSimWasClosed) {
    startStandIn();
    connect();
    sim().dropClients(); // the simulator crashed: no quit message
    ASSERT_TRUE(eventually([] { return g_stopRun.load(); }));
    EXPECT_EQ(gf_exitReason(), ExitReason::SimWasClosed);
    ASSERT_TRUE(eventually([] { return !g_mainWindow.simConnected.load(); }));
}

TEST_F(SimClientThreads, FailedRequestHaltsTheQueuesWithSimConnectError) {
    startStandIn();
    connect();
    ASSERT_TRUE(sim().failNextCalls(SimCall::RequestDataOnSimObject, 1));
    gf_requestUserPosition();
    EXPECT_TRUE(g_simHalted.load());
    EXPECT_TRUE(g_stopRun.load());
    EXPECT_EQ(gf_exitReason(), ExitReason::SimConnectError);
    EXPECT_EQ(gf_restartDelay(), 9);
    EXPECT_EQ(gf_statusSnapshot().statusText, "SimConnect request error");
    EXPECT_NE(log().find("==> SimConnect request user ac position fails"), std::string::npos);
}

// After a run that ended on a failed request, the reset of the next run forgets the old connection's flight:
// the next run's requests wait for a new connection, which the stand-in sees opened.
TEST_F(SimClientThreads, TheResetOfTheNextRunForgetsTheOldConnection) {
    startStandIn();
    connect();
    ASSERT_TRUE(eventually([] { return g_simRunning.load(); }));
    ASSERT_TRUE(sim().failNextCalls(SimCall::RequestDataOnSimObject, 1));
    gf_requestUserPosition();
    ASSERT_EQ(gf_exitReason(), ExitReason::SimConnectError);

    g_simClientThread.request_stop(); // closing down
    gf_resetStopState();
    gf_resetSimLink();
    EXPECT_FALSE(g_simRunning.load());
    EXPECT_EQ(g_simConnect.load(), 0U);
    EXPECT_FALSE(g_simHalted.load());

    ASSERT_TRUE(eventually([this] { return sim().connectionCount() == 0; })); // the old connection closed
    connect();
    EXPECT_EQ(sim().openCount(), 2U);
    ASSERT_TRUE(eventually([] { return g_simRunning.load(); }));
    EXPECT_TRUE(gf_requestUserOnGround());
    EXPECT_FALSE(g_stopRun.load());
}

CreationRecord creationAt(std::uint32_t n, std::string callsign, std::string_view title) {
    CreationRecord record;
    record.position.latitude = 52.31 + n * 1e-4;
    record.position.longitude = 4.76;
    record.position.heading = 90.0;
    record.position.onGround = 1;
    record.callsign = std::move(callsign);
    record.liveryTitle = title;
    record.trafficId = 20001 + n;
    return record;
}

// Sixty creations through the frame handler: two share a callsign, one title is not installed, one is over
// the simulator's capacity. The others are confirmed, released, frozen, moved and removed.
TEST_F(SimClientThreads, SixtyCreationsConfirmedMovedAndRemoved) {
    static const std::string kTitle = "Boeing 737-800 Test";
    static const std::string kMissing = "Not Installed Livery";
    startStandIn();
    sim().setInstalledTitles({kTitle});
    connect();

    // 59 creations in one frame: 58 with an installed title (two of them "SAME1"), one not installed.
    for (std::uint32_t n = 0; n < 59; ++n) {
        const std::string callsign = (n == 3 || n == 40) ? "SAME1" : "TST" + std::to_string(n);
        gf_queueCreation(creationAt(n, callsign, n == 20 ? std::string_view(kMissing) : std::string_view(kTitle)));
    }
    sim().step(1);
    ASSERT_TRUE(eventually([this] { return sim().callCount(SimCall::AICreateNonATCAircraft) == 59; }));
    sim().step(3); // confirmed after three frames
    ASSERT_TRUE(eventually([this] { return sim().aiObjectCount() == 58; }));
    // The engine asks for the aircraft in range; the new objects are recognised by their ATC ID.
    {
        std::lock_guard lock(g_simCommandMutex);
        ASSERT_TRUE(gf_simSucceeded(SimConnect_RequestDataOnSimObjectType(
            g_simConnect.load(), SIM_REQ_RANGE, SIM_DEF_RANGE, 40 * 1852, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT)));
    }
    std::vector<SimMessage> messages;
    ASSERT_TRUE(collectMessages(messages, [](const std::vector<SimMessage>& all) {
        std::size_t created = 0;
        std::size_t failed = 0;
        for (const auto& m : all) {
            created += m.kind == SimMessageKind::liveCreated ? 1 : 0;
            failed += m.kind == SimMessageKind::creationFailed ? 1 : 0;
        }
        return created == 58 && failed == 1;
    }));
    std::set<std::uint32_t> trafficIds;
    std::vector<std::uint32_t> objectIds;
    for (const auto& m : messages) {
        if (m.kind == SimMessageKind::creationFailed) {
            EXPECT_EQ(m.trafficId, 20001U + 20);
        } else if (m.kind == SimMessageKind::liveCreated) {
            trafficIds.insert(m.trafficId);
            objectIds.push_back(m.objectId);
            const auto object = sim().object(m.objectId);
            ASSERT_TRUE(object.has_value());
            EXPECT_EQ(object->atcId, m.trafficId == 20001 + 3 || m.trafficId == 20001 + 40
                                         ? "SAME1"
                                         : "TST" + std::to_string(m.trafficId - 20001));
        }
    }
    EXPECT_EQ(trafficIds.size(), 58U); // both aircraft named SAME1 found their own record

    // One more creation over the capacity is refused and reported like any failed creation.
    sim().setCapacity(58);
    gf_queueCreation(creationAt(59, "OVER1", kTitle));
    sim().step(1);
    messages.clear();
    ASSERT_TRUE(collectMessages(messages, [](const std::vector<SimMessage>& all) {
        return !all.empty() && all.back().kind == SimMessageKind::creationFailed;
    }));
    EXPECT_EQ(messages.back().trafficId, 20001U + 59);
    EXPECT_TRUE(eventually([] { return gf_statusSnapshot().statusText == "SimConnect: too many objects (max 1000)"; }));

    // Every frame sends the latest positions of the engine's objects.
    for (int frame = 0; frame < 3; ++frame) {
        for (const auto objectId : objectIds) {
            AiPositionBlock block;
            block.latitude = 52.32 + objectId * 1e-4;
            block.longitude = 4.77 + frame * 1e-4;
            block.altitude = 100.0;
            gf_queuePosition(objectId, block);
        }
        {
            // The engine only try-locks for its swap and tries again on its next step; the test waits for the
            // mutex instead, so that a SimClient thread still inside its previous frame cannot make it miss.
            std::lock_guard lock(g_simCommandMutex);
            gf_swapPositionBuffers();
        }
        sim().step(1);
        ASSERT_TRUE(eventually([this, &objectIds, frame] {
            for (const auto id : objectIds) {
                const auto object = sim().object(id);
                if (!object || object->positionSets < static_cast<std::uint32_t>(frame + 1)) {
                    return false;
                }
            }
            return true;
        }));
    }
    for (const auto id : objectIds) {
        const auto object = sim().object(id);
        ASSERT_TRUE(object.has_value());
        EXPECT_TRUE(object->released) << id;
        EXPECT_TRUE(object->freezeLatLon && object->freezeAlt && object->freezeAtt) << id;
        EXPECT_TRUE(object->moved) << id;
        EXPECT_FALSE(object->movedBeforeReady) << id;
        EXPECT_NEAR(object->lon, 4.7702, 1e-9);
    }

    // Removal: the engine's records go to the removal queue; one frame sends them all.
    std::vector<ParkedAircraft> records(objectIds.size());
    for (std::size_t i = 0; i < objectIds.size(); ++i) {
        records[i].objectId = objectIds[i];
        records[i].trafficId = 30000 + static_cast<std::uint32_t>(i);
        records[i].simStatus = SimStatus::active;
        removeAircraftFromSim(records[i]);
        removeAircraftFromSim(records[i]); // a second removal queues nothing
    }
    ASSERT_EQ(g_engineRemovalQueue.size(), objectIds.size());
    {
        std::lock_guard lock(g_simCommandMutex);
        g_removalQueue.insert(g_removalQueue.end(), g_engineRemovalQueue.begin(), g_engineRemovalQueue.end());
    }
    g_engineRemovalQueue.clear();
    sim().step(1);
    messages.clear();
    ASSERT_TRUE(collectMessages(messages, [&objectIds](const std::vector<SimMessage>& all) {
        return std::count_if(all.begin(), all.end(), [](const SimMessage& m) {
                   return m.kind == SimMessageKind::objectRemoved;
               }) == static_cast<std::ptrdiff_t>(objectIds.size());
    }));
    EXPECT_EQ(sim().aiObjectCount(), 0U);
    EXPECT_EQ(sim().callCount(SimCall::AIRemoveObject), objectIds.size());
    EXPECT_FALSE(g_stopRun.load());
}

// The engine's side of the queues works on its own thread while the SimClient thread sends on every frame
// and a third thread (the window) switches nav lights.
TEST_F(SimClientThreads, EngineQueuesConcurrentWithFrames) {
    startStandIn();
    connect();
    std::atomic<bool> engineDone{false};
    std::thread engine([&] {
        std::vector<SimMessage> messages;
        for (int step = 0; step < 2000; ++step) {
            gf_takeSimMessages(messages);
            AiPositionBlock block;
            block.latitude = 52.3 + step * 1e-6;
            block.longitude = 4.76;
            for (std::uint32_t id = 100; id < 110; ++id) {
                gf_queuePosition(id, block);
            }
            if (step % 7 == 0) {
                ParkedAircraft aircraft;
                aircraft.objectId = 100 + static_cast<std::uint32_t>(step % 10);
                gf_setThrottle(aircraft, static_cast<std::uint32_t>(step % 5));
                gf_setFlaps(aircraft, static_cast<std::uint32_t>(step % 4));
            }
            gf_trySwapPositionBuffers();
            if (step % 100 == 0) {
                gf_requestUserPosition();
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        engineDone = true;
    });
    std::thread window([&] {
        while (!engineDone.load()) {
            gf_setNavLight(105, 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    while (!engineDone.load()) {
        sim().step(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    engine.join();
    window.join();
    sim().step(1);
    EXPECT_TRUE(eventually([this] { return sim().callCount(SimCall::SetDataOnSimObject) > 0; }));
    EXPECT_TRUE(eventually([this] { return sim().callCount(SimCall::TransmitClientEvent) > 0; }));
    EXPECT_FALSE(g_stopRun.load());
}

} // namespace
} // namespace skf

#endif // SKYFILL_HAVE_SIMSTANDIN
