// The simulator link's owner: after a run has changed every part, one reset gives the values of a state fresh
// from its construction (those of the program's start), and the global names the code uses are the owner's.
#include "sim/SimLink.h"
#include "sim/SimLinkState.h"
#include "sim/SimQueues.h"
#include "sim/UserAircraft.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>

namespace {

using namespace skf;

struct Field {
    const char* name;
    std::function<void(SimLinkState&)> change;
    std::function<std::string(SimLinkState&)> read;
};

std::string sizes(std::initializer_list<std::size_t> counts) {
    std::string text;
    for (const std::size_t n : counts)
        text += std::to_string(n) + "/";
    return text;
}

TEST(SimLinkState, OneResetGivesTheValuesOfAFreshState) {
    const Field fields[] = {
        {"connection",
         [](SimLinkState& s) {
             s.connection.handle = 7;
             s.connection.running = s.connection.halted = true;
             s.connection.userObjectId = 1;
         },
         [](SimLinkState& s) {
             return std::to_string(s.connection.handle) + std::to_string(s.connection.running) +
                    std::to_string(s.connection.halted) + std::to_string(s.connection.userObjectId);
         }},
        {"SimClient thread",
         [](SimLinkState& s) {
             s.connection.clientThread = std::jthread([](std::stop_token stop) {
                 while (!stop.stop_requested())
                     std::this_thread::sleep_for(std::chrono::milliseconds(1));
             });
         },
         [](SimLinkState& s) { return std::to_string(s.connection.clientThread.joinable()); }},
        {"engine queues",
         [](SimLinkState& s) {
             s.engine.liveCreations.emplace_back();
             s.engine.staticCreations.emplace_back();
             s.engine.removals.push_back(500);
         },
         [](SimLinkState& s) {
             return sizes({s.engine.liveCreations.size(), s.engine.staticCreations.size(), s.engine.removals.size()});
         }},
        {"commands",
         [](SimLinkState& s) {
             gf_queuePosition(500, AiPositionBlock{});
             gf_swapPositionBuffers();
             gf_queuePosition(501, AiPositionBlock{});
             gf_engineAutoStart(500);
             gf_queueCreation(CreationRecord{});
             s.commands.removals.push_back(500);
         },
         [](SimLinkState& s) {
             std::lock_guard lock(g_simCommandMutex);
             const SimCommandQueues& c = s.commands;
             return sizes({c.positionsA.size(), c.positionsB.size(), c.events.size(), c.creations.size(),
                           c.removals.size()}) +
                    std::to_string(c.positionWrite == &c.positionsA && c.positionRead == &c.positionsB);
         }},
        {"messages", [](SimLinkState&) { gf_pushSimMessage(SimMessage{}); },
         [](SimLinkState& s) {
             std::lock_guard lock(g_simMessageMutex);
             return std::to_string(s.messages.messages.size());
         }},
        {"SimClient lists",
         [](SimLinkState& s) {
             gf_pendingCreations().emplace_back();
             gf_addedObjects().push_back(500);
             s.client.foreignSpawnLogged = true;
         },
         [](SimLinkState& s) {
             return sizes({s.client.pendingCreations.size(), s.client.addedObjects.size()}) +
                    std::to_string(s.client.foreignSpawnLogged);
         }},
        {"user aircraft",
         [](SimLinkState& s) {
             g_userAircraft.setBlock(UserAircraftBlock{52.3, 4.76});
             g_userAircraft.setGround(true);
             g_userHalfWingspan.set(0.01);
             g_userDataArrived = true;
             s.user.received.latitude = 52.3;
             s.user.previousLat = 52.3;
             s.user.title = "Airbus A320";
             s.user.shownStandName = "D7";
             gf_requestUserStandRefresh();
             s.user.badTimeLogged = true;
             s.user.refusedPartsLogged = kUserPosition;
         },
         [](SimLinkState& s) {
             const UserAircraftState state = s.user.aircraft.get();
             return std::to_string(state.block.latitude) + std::to_string(state.onGround) +
                    std::to_string(state.known) + std::to_string(s.user.halfWingspan.get().value_or(-1.0)) +
                    std::to_string(s.user.dataArrived) + std::to_string(s.user.received.latitude) +
                    std::to_string(s.user.previousLat) + s.user.title + s.user.shownStandName +
                    std::to_string(s.user.standRefreshes.size()) + std::to_string(s.user.badTimeLogged) +
                    std::to_string(s.user.refusedPartsLogged);
         }},
    };
    const auto fresh = std::make_unique<SimLinkState>();
    SimLinkState& state = gf_simLinkState();
    gf_resetSimLinkState();
    for (const Field& f : fields)
        f.change(state);
    for (const Field& f : fields)
        EXPECT_NE(f.read(state), f.read(*fresh)) << f.name << " was not changed";
    gf_resetSimLinkState();
    for (const Field& f : fields)
        EXPECT_EQ(f.read(state), f.read(*fresh)) << f.name;
    // The names the link's code uses are the owner's.
    EXPECT_EQ(&g_simConnect, &state.connection.handle);
    EXPECT_EQ(&g_userObjectId, &state.connection.userObjectId);
    EXPECT_EQ(&g_simClientThread, &state.connection.clientThread);
    EXPECT_EQ(&g_simCommandMutex, &state.commands.mutex);
    EXPECT_EQ(&g_positionWrite, &state.commands.positionWrite);
    EXPECT_EQ(&g_creationQueue, &state.commands.creations);
    EXPECT_EQ(&g_engineRemovalQueue, &state.engine.removals);
    EXPECT_EQ(&g_simMessageMutex, &state.messages.mutex);
    EXPECT_EQ(&g_userAircraft, &state.user.aircraft);
    EXPECT_EQ(&g_userHalfWingspan, &state.user.halfWingspan);
    EXPECT_EQ(&g_userDataArrived, &state.user.dataArrived);
}

} // namespace
