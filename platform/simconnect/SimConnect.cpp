#include "platform/simconnect/SimConnect.h"

#include <malloc.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/simconnect/SimWire.h"
#include "platform/system/RuntimeFolder.h"

namespace skf {

namespace {

constexpr std::size_t kFlushAt = 1024 * 1024; // buffered sends inside dispatch are flushed at this size
constexpr int kHelloTimeoutMs = 3000;         // how long Open waits for the simulator's answer
constexpr int kSendTimeoutSec = 5;            // a simulator that reads nothing for this long is gone

// A simulator that sends faster than the dispatch hands out (a flood) must not grow what we hold: the rest
// waits in the socket, where it holds the sender back.
constexpr std::size_t kPumpBytes = SIM_PUMP_BYTES;
constexpr std::size_t kMaxQueuedMessages = SIM_MAX_QUEUED_MESSAGES;
constexpr std::size_t kKeptBufferBytes = SIM_KEPT_BUFFER_BYTES;

// Every received message is kept in at least this many zeroed bytes, so that a message shorter than the
// struct its dwID names (a simulator that sends too little) reads as zeros instead of past its end.
constexpr std::size_t kMinMessageBytes =
    std::max({sizeof(SIMCONNECT_RECV_OPEN), sizeof(SIMCONNECT_RECV_EVENT_FILENAME), sizeof(SIMCONNECT_RECV_EVENT_FRAME),
              sizeof(SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE), sizeof(SIMCONNECT_RECV_EXCEPTION),
              sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA), sizeof(SIMCONNECT_RECV_ASSIGNED_OBJECT_ID)});

// One received message, kept 8-byte aligned so that its data block can be read in place.
struct Message {
    std::vector<std::uint64_t> words;
    std::uint32_t size = 0;
    SIMCONNECT_RECV* recv() { return reinterpret_cast<SIMCONNECT_RECV*>(words.data()); }
};

struct Connection {
    explicit Connection(int f) : fd(f) {}
    ~Connection() {
        if (fd >= 0)
            ::close(fd);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const int fd;
    std::atomic<bool> gone{false};
    std::atomic<bool> closed{false};
    std::atomic<std::uint32_t> lastPacket{0};

    std::mutex sendMutex; // guards nextPacket, out and the socket's send side
    std::uint32_t nextPacket = 1;
    std::vector<std::byte> out;

    std::mutex recvMutex; // guards in, queue, held and the flood state
    std::vector<std::byte> in;
    std::deque<Message> queue;
    Message held;         // the message GetNextDispatch handed out last
    bool flooded = false; // a pump met a bound: storage to give back once the flood is over
    std::size_t peakQueued = 0;
    std::uint64_t floodsEnded = 0;

    std::mutex failMutex; // guards failCounts
    std::uint32_t failCounts[SIM_CALL_COUNT] = {};
};

std::mutex g_registryMutex;
std::unordered_map<SimHandle, std::shared_ptr<Connection>> g_registry;
SimHandle g_nextHandle = 1;

// The last packet id sent by this thread, and on which handle.
thread_local SimHandle t_lastHandle = 0;
thread_local std::uint32_t t_lastPacket = 0;
// The connection this thread is dispatching on (its sends are buffered until the dispatch returns).
thread_local Connection* t_dispatching = nullptr;

std::shared_ptr<Connection> lookup(SimHandle h) {
    if (h == 0)
        return nullptr;
    std::lock_guard lock(g_registryMutex);
    auto it = g_registry.find(h);
    return it == g_registry.end() ? nullptr : it->second;
}

// Writes all of out to the socket (sendMutex held). False when the simulator has gone.
bool flushLocked(Connection& c) {
    std::size_t done = 0;
    while (done < c.out.size()) {
        ssize_t n = ::send(c.fd, c.out.data() + done, c.out.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            c.gone = true;
            c.out.clear();
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    c.out.clear();
    return true;
}

bool consumeFailure(Connection& c, SimCall call) {
    std::lock_guard lock(c.failMutex);
    auto i = static_cast<std::uint32_t>(call);
    if (c.failCounts[i] > 0) {
        --c.failCounts[i];
        return true;
    }
    if (c.failCounts[0] > 0) {
        --c.failCounts[0];
        return true;
    }
    return false;
}

// Sends one call. The payload is filled by fill(writer).
template <typename Fill>
SimResult sendCall(SimHandle h, SimCall call, Fill&& fill) {
    auto c = lookup(h);
    if (!c || c->closed)
        return SIM_E_HANDLE;
    if (c->gone)
        return SIM_E_GONE;
    if (consumeFailure(*c, call))
        return SIM_E_FAIL;
    std::lock_guard lock(c->sendMutex);
    std::uint32_t id = c->nextPacket++;
    {
        SimWireWriter w(c->out, static_cast<std::uint32_t>(call), id);
        fill(w);
        w.finish();
    }
    c->lastPacket = id;
    t_lastHandle = h;
    t_lastPacket = id;
    if (t_dispatching != c.get() || c->out.size() >= kFlushAt) {
        if (!flushLocked(*c))
            return SIM_E_GONE;
    }
    return SIM_OK;
}

void sendFaultAck(Connection& c, std::uint32_t token) {
    std::lock_guard lock(c.sendMutex);
    SimWireWriter w(static_cast<std::uint32_t>(SimCall::FaultAck), c.nextPacket++);
    w.u32(token);
    const auto& frame = w.frame();
    c.out.insert(c.out.end(), frame.begin(), frame.end());
    flushLocked(c);
}

// Takes in what the socket holds, up to the bounds above (recvMutex held): messages go to the queue, fault
// directives are armed. Returns whether a bound was met (more may wait in the socket).
bool pumpLocked(Connection& c) {
    if (c.gone)
        return false;
    if (c.queue.size() >= kMaxQueuedMessages) {
        c.flooded = true;
        return true;
    }
    std::byte buf[65536];
    std::size_t taken = 0;
    while (taken < kPumpBytes) {
        ssize_t n = ::recv(c.fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) {
            c.in.insert(c.in.end(), buf, buf + n);
            taken += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        c.gone = true; // orderly shutdown or a broken connection
        break;
    }
    std::vector<SimWireFrame> frames;
    if (!gf_simWireSplit(c.in, frames)) {
        c.gone = true;
        c.in.clear();
    }
    for (auto& f : frames) {
        switch (static_cast<SimReply>(f.kind)) {
        case SimReply::Message: {
            Message m;
            m.words = gf_simMessageWords(f.payload);
            if (m.words.empty())
                break;
            m.size = static_cast<std::uint32_t>(f.payload.size());
            c.queue.push_back(std::move(m));
            break;
        }
        case SimReply::FailCalls: {
            SimWireReader r(f.payload.data(), f.payload.size());
            std::uint32_t call = r.u32(), count = r.u32(), token = r.u32();
            if (!r.failed() && call < SIM_CALL_COUNT) {
                {
                    std::lock_guard lock(c.failMutex);
                    c.failCounts[call] = count;
                }
                sendFaultAck(c, token);
            }
            break;
        }
        default:
            break;
        }
    }
    c.peakQueued = std::max(c.peakQueued, c.queue.size());
    const bool bound = taken >= kPumpBytes;
    c.flooded = c.flooded || bound;
    return bound;
}

// Gives back what a flood grew, once it is over and everything it brought was handed out (recvMutex held).
void releaseFloodLocked(Connection& c) {
    if (!c.flooded || !c.queue.empty())
        return;
    c.flooded = false;
    ++c.floodsEnded;
    if (c.in.capacity() > kKeptBufferBytes)
        c.in.shrink_to_fit();
    c.queue.shrink_to_fit();
    c.held = Message{};
    {
        std::lock_guard lock(c.sendMutex);
        if (c.out.empty() && c.out.capacity() > kKeptBufferBytes)
            std::vector<std::byte>().swap(c.out);
    }
    // The many small blocks of the messages went back to the allocator; this hands its free pages to the
    // system, so that the memory a flood took does not stay with the process.
    ::malloc_trim(0);
}

// Flushes what a dispatching thread buffered, however the dispatch ends.
struct DispatchScope {
    explicit DispatchScope(Connection& c) : conn(c), previous(t_dispatching) { t_dispatching = &c; }
    ~DispatchScope() {
        t_dispatching = previous;
        std::lock_guard lock(conn.sendMutex);
        if (!conn.out.empty())
            flushLocked(conn);
    }
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;
    Connection& conn;
    Connection* previous;
};

int connectSocket(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path)
        return -1;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    timeval tv{kSendTimeoutSec, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    return fd;
}

// Waits for the simulator's HelloAck; what arrives behind it stays in c.in for the dispatch.
bool awaitHelloAck(Connection& c) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHelloTimeoutMs);
    std::byte buf[4096];
    for (;;) {
        if (c.in.size() >= SIM_WIRE_HEADER + 4) {
            std::uint32_t len, kind, accepted;
            std::memcpy(&len, c.in.data(), 4);
            std::memcpy(&kind, c.in.data() + 4, 4);
            std::memcpy(&accepted, c.in.data() + SIM_WIRE_HEADER, 4);
            if (len != 12 || kind != static_cast<std::uint32_t>(SimReply::HelloAck))
                return false;
            c.in.erase(c.in.begin(), c.in.begin() + SIM_WIRE_HEADER + 4);
            return accepted == 1;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{c.fd, POLLIN, 0};
        int r = ::poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        c.in.insert(c.in.end(), buf, buf + n);
    }
}

} // namespace

std::vector<std::uint64_t> gf_simMessageWords(const std::vector<std::byte>& payload) {
    std::vector<std::uint64_t> words;
    if (payload.size() < sizeof(SIMCONNECT_RECV) || payload.size() > UINT32_MAX)
        return words;
    words.assign((std::max(payload.size(), kMinMessageBytes) + 7) / 8 + 1, 0);
    std::memcpy(words.data(), payload.data(), payload.size());
    reinterpret_cast<SIMCONNECT_RECV*>(words.data())->dwSize = static_cast<std::uint32_t>(payload.size());
    return words;
}

std::size_t gf_simDataBlockSize(const SIMCONNECT_RECV_SIMOBJECT_DATA* msg) {
    return msg == nullptr || msg->dwSize < SIM_DATA_BLOCK_OFFSET ? 0 : msg->dwSize - SIM_DATA_BLOCK_OFFSET;
}

SimSocketPath gf_simConnectSocket() {
    if (const char* p = std::getenv(SIM_SOCKET_ENV); p != nullptr && *p != '\0')
        return {p, {}};
    const RuntimeFolder folder = gf_runtimeFolder();
    if (folder.path.empty())
        return {{}, folder.refusal};
    return {(folder.path / (folder.xdg ? "skyfill-simconnect.sock" : "simconnect.sock")).string(), {}};
}

std::string gf_simConnectSocketPath() {
    return gf_simConnectSocket().path;
}

SimResult SimConnect_Open(SimHandle* phSimConnect, const char* szName, void* hWnd, std::uint32_t userEventWin32,
                          void* hEventHandle, std::uint32_t configIndex) {
    if (phSimConnect == nullptr)
        return SIM_E_INVALIDARG;
    *phSimConnect = 0;
    if (szName == nullptr || hWnd != nullptr || userEventWin32 != 0 || hEventHandle != nullptr || configIndex != 0)
        return SIM_E_INVALIDARG;
    const SimSocketPath socket = gf_simConnectSocket();
    if (socket.path.empty())
        return SIM_E_ACCESSDENIED;
    int fd = connectSocket(socket.path);
    if (fd < 0)
        return SIM_E_FAIL;
    auto c = std::make_shared<Connection>(fd);
    {
        std::lock_guard lock(c->sendMutex);
        SimWireWriter w(static_cast<std::uint32_t>(SimCall::Hello), c->nextPacket++);
        w.str(szName).u32(SIM_WIRE_VERSION);
        const auto& frame = w.frame();
        c->out.assign(frame.begin(), frame.end());
        c->lastPacket = 1;
        if (!flushLocked(*c))
            return SIM_E_FAIL;
    }
    {
        std::lock_guard lock(c->recvMutex);
        if (!awaitHelloAck(*c))
            return SIM_E_FAIL;
    }
    std::lock_guard lock(g_registryMutex);
    SimHandle h = g_nextHandle++;
    g_registry.emplace(h, std::move(c));
    *phSimConnect = h;
    return SIM_OK;
}

SimResult SimConnect_Close(SimHandle hSimConnect) {
    std::shared_ptr<Connection> c;
    {
        std::lock_guard lock(g_registryMutex);
        auto it = g_registry.find(hSimConnect);
        if (hSimConnect == 0 || it == g_registry.end())
            return SIM_E_HANDLE;
        c = std::move(it->second);
        g_registry.erase(it);
    }
    c->closed = true;
    {
        std::lock_guard lock(c->sendMutex);
        if (!c->gone) {
            SimWireWriter w(static_cast<std::uint32_t>(SimCall::Close), c->nextPacket++);
            const auto& frame = w.frame();
            c->out.insert(c->out.end(), frame.begin(), frame.end());
            flushLocked(*c);
        }
    }
    // The descriptor itself is closed when the last user of the connection lets go of it, so that a call
    // running on another thread never writes to a reused descriptor.
    ::shutdown(c->fd, SHUT_RDWR);
    return SIM_OK;
}

SimResult SimConnect_CallDispatch(SimHandle hSimConnect, SimDispatchProc pfcnDispatch, void* pContext) {
    auto c = lookup(hSimConnect);
    if (!c || c->closed)
        return SIM_E_HANDLE;
    if (pfcnDispatch == nullptr)
        return SIM_E_INVALIDARG;
    std::lock_guard lock(c->recvMutex);
    DispatchScope scope(*c);
    const bool bound = pumpLocked(*c);
    if (c->queue.empty()) {
        if (!bound)
            releaseFloodLocked(*c);
        return c->gone ? SIM_E_GONE : SIM_OK;
    }
    while (!c->queue.empty() && !c->closed) {
        Message m = std::move(c->queue.front());
        c->queue.pop_front();
        pfcnDispatch(m.recv(), m.size, pContext);
    }
    if (!bound)
        releaseFloodLocked(*c);
    return SIM_OK;
}

SimResult SimConnect_GetNextDispatch(SimHandle hSimConnect, SIMCONNECT_RECV** ppData, std::uint32_t* pcbData) {
    auto c = lookup(hSimConnect);
    if (!c || c->closed)
        return SIM_E_HANDLE;
    if (ppData == nullptr || pcbData == nullptr)
        return SIM_E_INVALIDARG;
    *ppData = nullptr;
    *pcbData = 0;
    std::lock_guard lock(c->recvMutex);
    if (!pumpLocked(*c) && c->queue.empty())
        releaseFloodLocked(*c);
    if (c->queue.empty())
        return c->gone ? SIM_E_GONE : SIM_NO_MESSAGE;
    c->held = std::move(c->queue.front());
    c->queue.pop_front();
    *ppData = c->held.recv();
    *pcbData = c->held.size;
    return SIM_OK;
}

SimResult SimConnect_AddToDataDefinition(SimHandle hSimConnect, std::uint32_t defineID, const char* datumName,
                                         const char* unitsName, SIMCONNECT_DATATYPE datumType, float fEpsilon,
                                         std::uint32_t datumID) {
    if (datumName == nullptr)
        return SIM_E_INVALIDARG;
    return sendCall(hSimConnect, SimCall::AddToDataDefinition, [&](SimWireWriter& w) {
        w.u32(defineID).str(datumName).str(unitsName == nullptr ? "" : unitsName).u32(datumType);
        w.f64(fEpsilon).u32(datumID);
    });
}

SimResult SimConnect_RequestDataOnSimObject(SimHandle hSimConnect, std::uint32_t requestID, std::uint32_t defineID,
                                            std::uint32_t objectID, SIMCONNECT_PERIOD period, std::uint32_t flags,
                                            std::uint32_t origin, std::uint32_t interval, std::uint32_t limit) {
    return sendCall(hSimConnect, SimCall::RequestDataOnSimObject, [&](SimWireWriter& w) {
        w.u32(requestID).u32(defineID).u32(objectID).u32(period).u32(flags).u32(origin).u32(interval).u32(limit);
    });
}

SimResult SimConnect_RequestDataOnSimObjectType(SimHandle hSimConnect, std::uint32_t requestID, std::uint32_t defineID,
                                                std::uint32_t dwRadiusMeters, SIMCONNECT_SIMOBJECT_TYPE type) {
    return sendCall(hSimConnect, SimCall::RequestDataOnSimObjectType,
                    [&](SimWireWriter& w) { w.u32(requestID).u32(defineID).u32(dwRadiusMeters).u32(type); });
}

SimResult SimConnect_SetDataOnSimObject(SimHandle hSimConnect, std::uint32_t defineID, std::uint32_t objectID,
                                        std::uint32_t flags, std::uint32_t arrayCount, std::uint32_t cbUnitSize,
                                        const void* pDataSet) {
    std::uint64_t total = static_cast<std::uint64_t>(cbUnitSize) * (arrayCount == 0 ? 1 : arrayCount);
    if (pDataSet == nullptr || cbUnitSize == 0 || total > SIM_WIRE_MAX_FRAME / 2)
        return SIM_E_INVALIDARG;
    return sendCall(hSimConnect, SimCall::SetDataOnSimObject, [&](SimWireWriter& w) {
        w.u32(defineID).u32(objectID).u32(flags).u32(arrayCount).u32(cbUnitSize);
        w.block(pDataSet, static_cast<std::size_t>(total));
    });
}

SimResult SimConnect_SubscribeToSystemEvent(SimHandle hSimConnect, std::uint32_t eventID, const char* systemEventName) {
    if (systemEventName == nullptr)
        return SIM_E_INVALIDARG;
    return sendCall(hSimConnect, SimCall::SubscribeToSystemEvent,
                    [&](SimWireWriter& w) { w.u32(eventID).str(systemEventName); });
}

SimResult SimConnect_MapClientEventToSimEvent(SimHandle hSimConnect, std::uint32_t eventID, const char* eventName) {
    if (eventName == nullptr)
        return SIM_E_INVALIDARG;
    return sendCall(hSimConnect, SimCall::MapClientEventToSimEvent,
                    [&](SimWireWriter& w) { w.u32(eventID).str(eventName); });
}

SimResult SimConnect_AddClientEventToNotificationGroup(SimHandle hSimConnect, std::uint32_t groupID,
                                                       std::uint32_t eventID, bool bMaskable) {
    return sendCall(hSimConnect, SimCall::AddClientEventToNotificationGroup,
                    [&](SimWireWriter& w) { w.u32(groupID).u32(eventID).u32(bMaskable ? 1 : 0); });
}

SimResult SimConnect_SetNotificationGroupPriority(SimHandle hSimConnect, std::uint32_t groupID,
                                                  std::uint32_t uPriority) {
    return sendCall(hSimConnect, SimCall::SetNotificationGroupPriority,
                    [&](SimWireWriter& w) { w.u32(groupID).u32(uPriority); });
}

SimResult SimConnect_TransmitClientEvent(SimHandle hSimConnect, std::uint32_t objectID, std::uint32_t eventID,
                                         std::uint32_t dwData, std::uint32_t groupID, std::uint32_t flags) {
    return sendCall(hSimConnect, SimCall::TransmitClientEvent,
                    [&](SimWireWriter& w) { w.u32(objectID).u32(eventID).u32(dwData).u32(groupID).u32(flags); });
}

SimResult SimConnect_AICreateNonATCAircraft(SimHandle hSimConnect, const char* szContainerTitle,
                                            const char* szTailNumber, SIMCONNECT_DATA_INITPOSITION initPos,
                                            std::uint32_t requestID) {
    if (szContainerTitle == nullptr || szTailNumber == nullptr)
        return SIM_E_INVALIDARG;
    return sendCall(hSimConnect, SimCall::AICreateNonATCAircraft, [&](SimWireWriter& w) {
        w.str(szContainerTitle).str(szTailNumber).block(&initPos, sizeof initPos).u32(requestID);
    });
}

SimResult SimConnect_AISetAircraftFlightPlan(SimHandle hSimConnect, std::uint32_t objectID,
                                             const char* szFlightPlanPath, std::uint32_t requestID) {
    if (szFlightPlanPath == nullptr)
        return SIM_E_INVALIDARG;
    return sendCall(hSimConnect, SimCall::AISetAircraftFlightPlan,
                    [&](SimWireWriter& w) { w.u32(objectID).str(szFlightPlanPath).u32(requestID); });
}

SimResult SimConnect_AIReleaseControl(SimHandle hSimConnect, std::uint32_t objectID, std::uint32_t requestID) {
    return sendCall(hSimConnect, SimCall::AIReleaseControl, [&](SimWireWriter& w) { w.u32(objectID).u32(requestID); });
}

SimResult SimConnect_AIRemoveObject(SimHandle hSimConnect, std::uint32_t objectID, std::uint32_t requestID) {
    return sendCall(hSimConnect, SimCall::AIRemoveObject, [&](SimWireWriter& w) { w.u32(objectID).u32(requestID); });
}

bool gf_simConnectionStats(SimHandle hSimConnect, SimConnectionStats& out) {
    auto c = lookup(hSimConnect);
    if (!c)
        return false;
    std::lock_guard lock(c->recvMutex);
    out.queuedMessages = c->queue.size();
    out.peakQueuedMessages = c->peakQueued;
    out.receiveBufferCapacity = c->in.capacity();
    out.floodsEnded = c->floodsEnded;
    return true;
}

SimResult SimConnect_GetLastSentPacketID(SimHandle hSimConnect, std::uint32_t* pdwSendID) {
    if (pdwSendID != nullptr)
        *pdwSendID = 0;
    auto c = lookup(hSimConnect);
    if (!c || c->closed)
        return SIM_E_HANDLE;
    if (pdwSendID == nullptr)
        return SIM_E_INVALIDARG;
    *pdwSendID = t_lastHandle == hSimConnect ? t_lastPacket : c->lastPacket.load();
    return SIM_OK;
}

} // namespace skf
