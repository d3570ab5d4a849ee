#pragma once
// The simulator stand-in: behaves towards Skyfill as the flight simulator does, behind the Unix socket of the
// client library (platform/simconnect). Tests run it on a thread of its own on a temporary socket; the
// executable `simstandin` runs it beside the real program.
//
// Time: with realTime the stand-in ticks 30 frames per second by itself; without, it ticks only when step() is
// called (tests). A "Frame" event goes to subscribers on every tick while a flight runs; every-second requests
// are answered every 30 ticks; once requests are answered as soon as they arrive.
//
// Trace: every call received and every message sent is one JSON line (see SimStandIn.cpp for its fields); calls
// on an object carry "obj", a snapshot of that object after the call; a full "snapshot" line with every object
// is written when a client goes, when the stand-in stops, on traceSnapshot() and every snapshotEverySeconds.
// With tracePoses every AI object's pose is a line of its own on every frame (tests check motion from it);
// without traceMoves the per-frame position calls stay out, so a trace of a long run stays small.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/simconnect/SimConnect.h"
#include "platform/simconnect/SimWire.h"
#include "tools/simstandin/Scenario.h"

namespace skf::standin {

struct StandInConfig {
    std::string socketPath; // empty: gf_simConnectSocket() (start() throws when its folder is refused)
    Scenario scenario = gf_defaultScenario();
    bool started = true;             // false: opens are refused until setStarted(true)
    bool realTime = false;           // ticks by itself at 30 frames per second
    std::string tracePath;           // empty: no trace file
    bool traceInMemory = false;      // keep every trace line for trace()
    bool traceFrames = true;         // trace the "Frame" events too
    bool traceMoves = true;          // trace every position set-data (false: only an object's first move)
    bool traceRangeData = true;      // trace each object's answer to a by-type request (false: only the count)
    bool tracePoses = false;         // a "pose" line of every AI object on every frame
    double snapshotEverySeconds = 0; // a "snapshot" line every so many seconds of flight time (0: never)
};

enum class ObjectKind { User, Ai, Foreign };

// What a flood sends: what a broken simulator, or whatever sits on its socket, may send without end.
enum class FloodKind {
    UnknownMessages, // messages of an id no simulator sends (dwID 99)
    Frames,          // "Frame" events (to clients subscribed to them)
    ObjectsAdded,    // "ObjectAdded" events of aircraft that never show up in range data
    ShortRangeData,  // range data (request 101) whose data block is too short
};

// What the stand-in knows about one simulated object.
struct SimObjectState {
    std::uint32_t id = 0;
    ObjectKind kind = ObjectKind::Ai;
    std::uint64_t owner = 0;        // connection that created it (0: the simulator's own)
    std::uint32_t createPacket = 0; // packet id of its creation
    std::string title, atcId, atcModel;
    double lat = 0, lon = 0, altFt = 0;      // degrees, feet
    double pitch = 0, bank = 0, heading = 0; // radians
    double vsFtPerSec = 0, tasKts = 0, gsKts = 0;
    bool released = false;
    bool freezeLatLon = false, freezeAlt = false, freezeAtt = false;
    bool moved = false;            // a client has set its position
    bool movedBeforeReady = false; // the first move came before release and all three freezes
    std::uint32_t positionSets = 0;
    std::uint32_t gear = 1, flaps = 0, spoilers = 0, throttle = 0; // last client-event values
    bool enginesRunning = false;
    std::uint32_t lights = 0; // SIM_LIGHT_* bits
    double spoilerHandlePct = 0, throttle1Pct = 0, throttle2Pct = 0;
    std::string flightPlan;
    double staticCgFt = 0, staticPitchRad = 0;
};

nlohmann::json gf_objectJson(const SimObjectState& o);

class SimStandIn {
public:
    explicit SimStandIn(StandInConfig config);
    ~SimStandIn();
    SimStandIn(const SimStandIn&) = delete;
    SimStandIn& operator=(const SimStandIn&) = delete;

    // Binds the socket (replacing a stale socket file) and starts the server thread; throws std::runtime_error
    // when the socket cannot be made.
    void start();
    // Stops the thread, drops every client (their objects are removed), removes the socket file.
    void stop();
    const std::string& socketPath() const { return socketPath_; }

    // ---- the simulator's state ----
    void setStarted(bool started);       // not started: opens are refused
    void setFlightRunning(bool running); // sends "Sim" with 1 or 0
    // Sends "FlightLoaded" to its subscribers: a plain event, or with a file name the file-name message.
    void loadFlight(const std::string& fileName = {});
    void quit();               // sends QUIT to every client, closes them, then counts as not started
    void dropClients();        // cuts every connection without a word (a crash)
    void step(int frames = 1); // ticks frames (also in real-time mode)
    void teleportUser(double lat, double lon, std::optional<double> altFt = std::nullopt);

    // ---- faults ----
    // Makes every connected client fail its next count calls of that kind (SimCall::Any: any call); waits until
    // each client has armed it. False when a client did not confirm in time.
    bool failNextCalls(SimCall call, std::uint32_t count,
                       std::chrono::milliseconds wait = std::chrono::milliseconds(5000));
    // Sends an exception message to every client.
    void raiseException(std::uint32_t code, std::uint32_t sendId = 0, std::uint32_t index = 0);
    // The next creations are refused with these exception codes, one each (e.g. CREATE_OBJECT_FAILED).
    void failNextCreation(std::uint32_t exceptionCode);
    // Clients that open from now on get VERSION_MISMATCH right after the open message.
    void setVersionMismatch(bool on);
    void setCapacity(std::uint32_t capacity);
    // Sends count messages of that kind to every open client, as fast as each one takes them in (the rest waits
    // in the stand-in, never more than a few hundred kilobytes at a time). Counted in messagesSent, not traced.
    void flood(FloodKind kind, std::uint64_t count);
    // Flood messages not yet handed to a client's socket.
    std::uint64_t floodLeft() const;
    void setInstalledTitles(std::vector<std::string> titles);

    // ---- what tests read ----
    std::vector<SimObjectState> objects() const;
    std::optional<SimObjectState> object(std::uint32_t id) const;
    std::optional<SimObjectState> objectByAtcId(const std::string& atcId) const;
    std::size_t aiObjectCount() const;
    std::size_t connectionCount() const;
    // Connections opened (accepted) since the start: a client that connects again after a restart adds one.
    std::uint64_t openCount() const;
    std::uint64_t frameCount() const;
    // Messages sent to clients so far (every kind, frames included): a client that has received this many
    // has seen everything the stand-in sent.
    std::uint64_t messagesSent() const;
    std::uint64_t callCount(SimCall call) const;
    // Ids of every AI object (also removed ones) whose first move came before release and all three freezes.
    std::vector<std::uint32_t> movedBeforeReady() const;
    // Ids of every object removed so far, in order.
    std::vector<std::uint32_t> removedObjects() const;
    std::vector<nlohmann::json> trace() const;
    void traceSnapshot();
    // Waits until a client's call with this packet id (or a later one) has been handled; false on timeout.
    // With one client, calling it with the client's last packet id makes sure the stand-in has seen every call.
    bool waitForPacket(std::uint32_t packetId,
                       std::chrono::milliseconds timeout = std::chrono::milliseconds(10000)) const;
    // Waits until pred() holds, re-checking it whenever the stand-in has handled something; false on timeout.
    bool waitUntil(const std::function<bool()>& pred,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(10000)) const;

private:
    struct Item {
        std::string name, unit;
        SIMCONNECT_DATATYPE type;
    };
    struct Request {
        std::uint32_t requestId, defineId, objectId;
    };
    struct PendingCreation {
        std::uint32_t packet, requestId, framesLeft;
        std::string title, tail;
        SIMCONNECT_DATA_INITPOSITION pos;
    };
    struct Conn {
        std::uint64_t id = 0;
        int fd = -1;
        bool helloDone = false, opened = false, closing = false, dead = false;
        std::string name;
        std::vector<std::byte> in, out;
        std::map<std::uint32_t, std::vector<Item>> defs;
        std::map<std::uint32_t, std::string> systemEvents; // client id -> system event name
        std::map<std::uint32_t, std::string> clientEvents; // client id -> simulator event name
        std::map<std::uint32_t, std::vector<std::uint32_t>> groups;
        std::map<std::uint32_t, std::uint32_t> groupPriority;
        std::vector<Request> everySecond;
        std::vector<PendingCreation> creations;
        std::uint32_t lastPacket = 0;
        std::uint32_t faultToken = 0;
        bool faultAcked = true;
        FloodKind floodKind = FloodKind::UnknownMessages;
        std::uint64_t floodLeft = 0;
    };

    void run();
    void wake();
    void acceptClients();
    void readClient(Conn& c);
    void writeClient(Conn& c);
    void handleFrame(Conn& c, const SimWireFrame& f);
    void handleCall(Conn& c, SimCall call, std::uint32_t packet, SimWireReader& r, nlohmann::json& t);
    void dropConn(Conn& c, const char* why);
    void tick();
    void tickUser();
    void tickForeign();
    void tickAi();
    void tracePoses();
    void confirmCreations();

    void sendRaw(Conn& c, const void* msg, std::size_t size, const nlohmann::json& t);
    void topUpFlood(Conn& c);
    void sendException(Conn& c, std::uint32_t code, std::uint32_t sendId, std::uint32_t index);
    void sendEvent(Conn& c, std::uint32_t clientEventId, std::uint32_t data);
    void sendSystemEvent(const std::string& name, std::uint32_t data, std::uint32_t objType = 0xFFFFFFFFu,
                         const std::string& fileName = {});
    void sendObjectData(Conn& c, std::uint32_t requestId, std::uint32_t defineId, const SimObjectState& o, bool byType,
                        std::uint32_t entry, std::uint32_t outOf);
    bool blockOf(Conn& c, std::uint32_t defineId, const SimObjectState& o, std::vector<std::byte>& out);
    void applyBlock(Conn& c, std::uint32_t defineId, SimObjectState& o, const std::vector<std::byte>& data,
                    nlohmann::json& t);
    void removeObject(std::uint32_t id, const char* why);
    SimObjectState* find(std::uint32_t id);
    SimObjectState& user();
    double groundFt(double lat, double lon) const;
    bool titleInstalled(const std::string& title) const;
    std::size_t aiCountLocked() const;
    bool tracing() const;
    void traceLine(nlohmann::json j);
    nlohmann::json snapshotLocked() const;
    void changed();

    StandInConfig cfg_;
    std::string socketPath_;
    int listenFd_ = -1;
    int wakeRead_ = -1, wakeWrite_ = -1;
    std::thread thread_;
    bool running_ = false;

    mutable std::mutex mutex_;
    mutable std::condition_variable changedCv_;
    std::uint64_t changeCount_ = 0;
    bool stopping_ = false;
    bool started_ = true;
    bool flightRunning_ = true;
    bool versionMismatch_ = false;
    std::vector<std::uint32_t> creationFaults_;
    std::uint64_t nextConnId_ = 1;
    std::vector<std::unique_ptr<Conn>> conns_;
    std::map<std::uint32_t, SimObjectState> objects_;
    std::uint32_t nextObjectId_ = 100;
    std::uint32_t nextFloodObjectId_ = 1000000; // objects of ObjectsAdded floods, never in range data
    std::uint64_t frame_ = 0;
    double flightTime_ = 0; // seconds of flight time (advances while a flight runs)
    double zuluSeconds_ = 0;
    bool userOnPath_ = true;
    std::vector<bool> foreignPresent_;
    std::vector<std::uint32_t> foreignIds_;
    std::uint64_t callCounts_[SIM_CALL_COUNT] = {};
    std::vector<std::uint32_t> movedBeforeReady_;
    std::vector<std::uint32_t> removed_;
    std::uint64_t traceSeq_ = 0;
    std::uint64_t messagesSent_ = 0;
    std::uint64_t opens_ = 0;
    std::ofstream traceFile_;
    std::vector<nlohmann::json> traceMem_;
    std::chrono::steady_clock::time_point nextTick_;
};

} // namespace skf::standin
