// The simulator link's state, its global names and its two resets.
#include "sim/SimDispatch.h"
#include "sim/SimLink.h"
#include "sim/SimLinkState.h"
#include "sim/SimQueues.h"
#include "sim/UserAircraft.h"

namespace skf {

namespace {
SimLinkState s_link;

// Both position sides emptied and back in their first order (under the command mutex).
void lf_resetPositionSides(SimCommandQueues& commands) {
    commands.positionsA.clear();
    commands.positionsB.clear();
    commands.positionWrite = &commands.positionsA;
    commands.positionRead = &commands.positionsB;
}

void lf_resetConnectionFlags(SimConnection& connection) {
    connection.handle = 0;
    connection.running = false;
    connection.halted = false;
    connection.userObjectId = 2;
}
} // namespace

// Bound to members of a state of static storage: constant initialisation, valid before any constructor runs.
std::atomic<SimHandle>& g_simConnect = s_link.connection.handle;
std::atomic<bool>& g_simRunning = s_link.connection.running;
std::atomic<bool>& g_simHalted = s_link.connection.halted;
std::atomic<std::uint32_t>& g_userObjectId = s_link.connection.userObjectId;
std::jthread& g_simClientThread = s_link.connection.clientThread;

std::mutex& g_simCommandMutex = s_link.commands.mutex;
std::vector<PositionEntry>*& g_positionWrite = s_link.commands.positionWrite;
std::vector<PositionEntry>*& g_positionRead = s_link.commands.positionRead;
std::vector<EventEntry>& g_eventQueue = s_link.commands.events;
std::vector<CreationRecord>& g_creationQueue = s_link.commands.creations;
std::vector<std::uint32_t>& g_removalQueue = s_link.commands.removals;
std::vector<CreationRecord>& g_liveCreationQueue = s_link.engine.liveCreations;
std::vector<CreationRecord>& g_staticCreationQueue = s_link.engine.staticCreations;
std::vector<std::uint32_t>& g_engineRemovalQueue = s_link.engine.removals;
std::mutex& g_simMessageMutex = s_link.messages.mutex;
std::vector<SimMessage>& g_simMessages = s_link.messages.messages;

SharedUserAircraft& g_userAircraft = s_link.user.aircraft;
SharedHalfWingspan& g_userHalfWingspan = s_link.user.halfWingspan;
std::atomic<bool>& g_userDataArrived = s_link.user.dataArrived;

SimLinkState& gf_simLinkState() {
    return s_link;
}

void gf_resetEngineSimQueues() {
    s_link.engine = EngineSimQueues{};
}

void gf_resetSimLink() {
    gf_stopSimClient(); // the lists belong to the SimClient thread: the previous one must have ended
    // The ended thread's connection is closed: a flight seen running on it says nothing about the next
    // connection, and the next run must wait until that one is open and reports its flight.
    lf_resetConnectionFlags(s_link.connection);
    {
        std::lock_guard lock(s_link.commands.mutex);
        lf_resetPositionSides(s_link.commands); // their storage stays for the next run
    }
    s_link.client = SimClientLists{};
    gf_resetDispatchState();
    gf_resetUserAircraft();
}

void gf_resetSimLinkState() {
    gf_stopSimClient();
    s_link.connection.clientThread = std::jthread{};
    lf_resetConnectionFlags(s_link.connection);
    s_link.engine = EngineSimQueues{};
    {
        std::lock_guard messageLock(s_link.messages.mutex);
        std::lock_guard commandLock(s_link.commands.mutex);
        s_link.messages.messages = {};
        SimCommandQueues& commands = s_link.commands;
        commands.positionsA = {};
        commands.positionsB = {};
        lf_resetPositionSides(commands);
        commands.events = {};
        commands.creations = {};
        commands.removals = {};
    }
    s_link.client = SimClientLists{};
    gf_resetDispatchState();
    gf_resetUserAircraft();
}

} // namespace skf
