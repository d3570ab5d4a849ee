#pragma once
// The simulator link's state in one owner (SimLinkState, reached through gf_simLinkState()): the connection, the
// queues between the traffic engine and the SimClient thread, the SimClient thread's own lists and the user
// aircraft. The global names (g_simConnect, g_creationQueue, g_simCommandMutex, g_userAircraft, ...) are
// references into it. Each part names the thread or the mutex that owns it:
// - connection: atomics. The SimClient thread sets the handle, the running flag and the user's object id; a
//   failed request on any thread halts the queues; the start-up thread starts, stops and joins the SimClient
//   thread (g_simClientThread) and alone resets the part while no SimClient thread runs;
// - engine: the engine's pacing queues, the engine's thread (the start-up thread) only, no lock;
// - commands: the position sides, events, creations and removals, under its mutex (g_simCommandMutex);
// - messages: the SimMessages, under its mutex (g_simMessageMutex);
// - client: the pending creations, the added objects and the foreign-spawn notice: the SimClient thread only;
// - user: the user aircraft (sim/UserAircraft.h), each field under its own lock or an atomic.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/simconnect/SimConnect.h"
#include "sim/SimQueues.h"
#include "sim/UserAircraft.h"

namespace skf {

// The engine's pacing queues: creations wait here until the engine hands one to gf_queueCreation (live
// before static), removals until it hands one id to g_removalQueue. Engine thread only.
struct EngineSimQueues {
    std::vector<CreationRecord> liveCreations;
    std::vector<CreationRecord> staticCreations;
    std::vector<std::uint32_t> removals;
};

// The connection, its flags and the SimClient thread (the names of sim/SimLink.h).
struct SimConnection {
    std::atomic<SimHandle> handle{0};           // g_simConnect
    std::atomic<bool> running{false};           // g_simRunning
    std::atomic<bool> halted{false};            // g_simHalted
    std::atomic<std::uint32_t> userObjectId{2}; // g_userObjectId
    std::jthread clientThread;                  // g_simClientThread: the start-up thread's
};

// What the engine hands to the SimClient thread, under mutex (g_simCommandMutex). The engine appends to
// *positionWrite, the frame handler sends *positionRead; they trade places only under the mutex.
struct SimCommandQueues {
    std::mutex mutex;
    std::vector<PositionEntry> positionsA;
    std::vector<PositionEntry> positionsB;
    std::vector<PositionEntry>* positionWrite = &positionsA; // g_positionWrite
    std::vector<PositionEntry>* positionRead = &positionsB;  // g_positionRead
    std::vector<EventEntry> events;
    std::vector<CreationRecord> creations;
    std::vector<std::uint32_t> removals;
};

// What the simulator reports to the engine, under mutex (g_simMessageMutex).
struct SimMessageQueue {
    std::mutex mutex;
    std::vector<SimMessage> messages;
};

// The SimClient thread's own lists; a plain value, reset by assignment while no SimClient thread runs.
struct SimClientLists {
    std::vector<PendingCreation> pendingCreations;
    std::vector<std::uint32_t> addedObjects; // added objects not yet seen in range data
    bool foreignSpawnLogged = false;         // the notice of a foreign spawn, once per run
};

struct SimLinkState {
    SimConnection connection;  // atomics; g_simClientThread: the start-up thread
    EngineSimQueues engine;    // the engine thread
    SimCommandQueues commands; // under commands.mutex
    SimMessageQueue messages;  // under messages.mutex
    SimClientLists client;     // the SimClient thread
    UserAircraftShared user;   // per field (sim/UserAircraft.h)
};

// The simulator link's one state. Take each part on its owning thread or under its lock.
SimLinkState& gf_simLinkState();
// Gives the whole owner the values of a fresh one, each part under its own lock (message mutex first): the
// SimClient thread held in g_simClientThread is asked to stop and joined first, then the connection's flags,
// every queue (storage given back, the position sides in their first order), the SimClient thread's lists and
// the user aircraft. Start-up thread, between runs and in tests; the reset of a run is gf_resetSimLink.
void gf_resetSimLinkState();

} // namespace skf
