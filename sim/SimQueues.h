#pragma once
// The queues between the traffic engine and the SimClient thread, their value types and the functions that fill
// and drain them. The queues are parts of the simulator link's owner (SimLinkState, sim/SimLinkState.h), which
// says which thread or mutex owns each; the global names here (g_creationQueue, g_simCommandMutex, ...) are
// references into it.
//
// Engine -> simulator: positions (double buffer), client events, creations and removals, queued under the
// SimConnect command mutex and sent by the frame handler on each simulator frame.
// Simulator -> engine: SimMessages under the sim-message mutex, drained by the engine at the start of each step.
// Lock order: the sim-message mutex before the command mutex, never the reverse; the SimClient thread never
// holds both.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/simconnect/SimConnect.h"
#include "sim/AircraftRecords.h"
#include "sim/UserAircraft.h"

namespace skf {

// The 64-byte block of definition 402.
struct AiPositionBlock {
    double latitude = 0.0;      // degrees
    double longitude = 0.0;     // degrees
    double pitch = 0.0;         // radians
    double bank = 0.0;          // radians
    double heading = 0.0;       // true, radians
    double altitude = 0.0;      // feet
    double verticalSpeed = 0.0; // feet per second
    double airspeed = 0.0;      // true, knots
};
static_assert(sizeof(AiPositionBlock) == 64);

struct PositionEntry {
    AiPositionBlock block;
    std::uint32_t objectId = 0;
};

struct EventEntry {
    std::uint32_t objectId = 0;
    std::uint32_t eventId = 0;
    std::uint32_t value = 0;
};

// The initial position of a creation (SimConnect's init-position layout).
struct InitPosition {
    double latitude = 0.0;  // degrees
    double longitude = 0.0; // degrees
    double altitude = 0.0;  // feet
    double pitch = 0.0;     // degrees
    double bank = 0.0;      // degrees
    double heading = 0.0;   // degrees
    std::uint32_t onGround = 0;
    std::uint32_t airspeed = 0; // knots
};

struct CreationRecord {
    InitPosition position;
    std::string callsign;         // becomes the tail number
    std::string_view liveryTitle; // view into the livery tables, which outlive every creation
    std::uint32_t trafficId = 0;
};

struct PendingCreation {
    std::uint32_t sendId = 0;
    std::uint32_t trafficId = 0;
    std::string tailNumber;
};

enum class SimMessageKind : std::uint32_t {
    liveCreated = 0,
    staticCreated = 1,
    objectRemoved = 2,
    knownInRange = 3,
    staticCg = 4,
    creationFailed = 6,
};

struct SimMessage {
    std::uint32_t objectId = 0;
    std::uint32_t trafficId = 0; // for knownInRange: the on-ground flag
    SimMessageKind kind = SimMessageKind::objectRemoved;
    double first = 0.0;
    double second = 0.0;
};

// Empties the engine's queues (engine thread; the engine's reset).
void gf_resetEngineSimQueues();

// --- The command side, under g_simCommandMutex -------------------------------------------------------

// The SimConnect command mutex: engine appends and requests, window nav lights, frame handler (try-lock),
// SimClient release of new objects.
extern std::mutex& g_simCommandMutex;

// Position double buffer. The engine appends to *g_positionWrite; the frame handler sends *g_positionRead.
// gf_swapPositionBuffers swaps them; call it only while holding g_simCommandMutex.
extern std::vector<PositionEntry>*& g_positionWrite;
extern std::vector<PositionEntry>*& g_positionRead;
void gf_swapPositionBuffers();
// Empties both position sides under the command mutex (while no flight runs).
void gf_clearPositionBuffers();
// Try-locks the command mutex and swaps the two sides; false when the mutex was busy (engine thread).
bool gf_trySwapPositionBuffers();

extern std::vector<EventEntry>& g_eventQueue;
extern std::vector<CreationRecord>& g_creationQueue;
extern std::vector<std::uint32_t>& g_removalQueue;

// --- The engine's own queues (engine thread only, no lock) ---------------------------------------------
extern std::vector<CreationRecord>& g_liveCreationQueue;
extern std::vector<CreationRecord>& g_staticCreationQueue;
extern std::vector<std::uint32_t>& g_engineRemovalQueue;

// --- Functions ---------------------------------------------------------------------------------------

// Start of a run: reserves room in every queue and clears g_simHalted. A SimClient thread still held in
// g_simClientThread is asked to stop and joined first (start-up thread only).
void gf_reserveSimQueues();

void gf_queueCreation(const CreationRecord& record);
void gf_engineAutoStart(std::uint32_t objectId);
void gf_engineAutoShutdown(std::uint32_t objectId);
void gf_setLights(std::uint32_t objectId, std::uint32_t nav, std::uint32_t beacon, std::uint32_t landing,
                  std::uint32_t taxi, std::uint32_t strobes, std::uint32_t logo, std::uint32_t cabin);
void gf_setNavLight(std::uint32_t objectId, std::uint32_t value);
void gf_setCabinLight(std::uint32_t objectId, std::uint32_t value);
void gf_setSpoilers(const ParkedAircraft& aircraft, std::uint32_t on);
void gf_setGear(const ParkedAircraft& aircraft, std::uint32_t value);
void gf_setFlaps(ParkedAircraft& aircraft, std::uint32_t index);
void gf_setThrottle(ParkedAircraft& aircraft, std::uint32_t index);
// Appends a position of an AI object to the engine's write side (engine thread).
void gf_queuePosition(std::uint32_t objectId, const AiPositionBlock& block);

// Takes the aircraft out of the simulator by its status (engine thread).
void removeAircraftFromSim(ParkedAircraft& aircraft);

// Withdraws every queued creation of the traffic id from one of the engine's creation queues, keeping the
// rest in order; true when one was withdrawn. Traffic id 0 withdraws nothing.
bool gf_removePendingCreation(std::vector<CreationRecord>& queue, std::uint32_t trafficId);

// --- The message side ----------------------------------------------------------------------------------

extern std::mutex& g_simMessageMutex;
extern std::vector<SimMessage>& g_simMessages;
// The most messages that wait for the engine; a message past it is dropped (counted in the log). The engine
// takes them all every step, so only a flood from the simulator reaches it.
inline constexpr std::size_t kMaxSimMessages = 16384;
// Past this capacity a drained vector gives its storage back.
inline constexpr std::size_t kSimMessagesKept = 1024;
// Appends under the sim-message mutex; false when the queue was full.
bool gf_pushSimMessage(const SimMessage& message);
// Moves every queued message into out (cleared first, its storage given back when a flood grew it) under the
// sim-message mutex (engine thread).
void gf_takeSimMessages(std::vector<SimMessage>& out);

// --- SimClient thread side ------------------------------------------------------------------------------

// Pending creations (SimClient thread only; the reset at the start of a run empties it).
std::vector<PendingCreation>& gf_pendingCreations();
// Added objects not yet seen in range data (SimClient thread only).
std::vector<std::uint32_t>& gf_addedObjects();
void gf_reserveAddedObjects(std::size_t count);

} // namespace skf
