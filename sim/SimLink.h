#pragma once
// The simulator link's connection state and the SimClient thread. The names below are references into the
// link's owner (SimLinkState::connection, sim/SimLinkState.h), which says which thread owns each.
//
// One SimConnect connection, owned by the "SimClient" thread: it opens the connection (retrying every
// 100 ms until the simulator appears), registers the program's events, data definitions and client events,
// and then calls the dispatch every millisecond. Received messages are handled on that thread (SimDispatch),
// queued commands are sent from it on each simulator frame (SimQueues).
#include <atomic>
#include <cstdint>
#include <stop_token>
#include <thread>

#include "platform/simconnect/SimConnect.h"

namespace skf {

// The program-wide connection handle; 0 while there is no connection. Set by the SimClient thread after
// a successful open, cleared when it ends. Other threads make their requests on it under g_simCommandMutex.
extern std::atomic<SimHandle>& g_simConnect;
// A flight runs in the simulator (set and cleared by the "Sim" event and the quit message).
extern std::atomic<bool>& g_simRunning;
// A SimConnect request failed: the command queues are halted until the next run's gf_reserveSimQueues.
extern std::atomic<bool>& g_simHalted;
// The object id of the user aircraft; 2 until the first user record arrives. Object ids at or below it
// are never treated as the program's AI objects.
extern std::atomic<std::uint32_t>& g_userObjectId;

// The SimClient thread of the current run (started by the run, stopped through its stop token).
extern std::jthread& g_simClientThread;

// Starts g_simClientThread; a previous thread still held there is asked to stop and joined first.
void gf_startSimClient();
// Asks the SimClient thread to stop and joins it.
void gf_stopSimClient();

// The common reaction to a failed SimConnect request: status "SimConnect request error", halts the command
// queues, ends the run with SIMCONNECT ERROR (restart after 9 s) unless another reason came first.
void gf_simRequestError();

// The reset of the simulator link at the start of a run: clears the connection handle and g_simRunning,
// empties the pending-creation and added-object lists and both position arrays (their storage kept), sets the
// user's object id to 2, clears g_simHalted and the foreign-spawn notice flag, and gives the user aircraft
// (half wingspan, once-a-second tick and the rest) its fresh values. A SimClient thread still held in
// g_simClientThread is asked to stop and joined first (start-up thread only). The engine's queues, the
// command queues and the simulator's messages are left as they are.
void gf_resetSimLink();

// The every-second on-ground request of the user aircraft (request 108); false (after
// gf_simRequestError) when it failed. Made under g_simCommandMutex.
bool gf_requestUserOnGround();

} // namespace skf
