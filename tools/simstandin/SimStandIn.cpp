#include "tools/simstandin/SimStandIn.h"

#include "tools/simstandin/StandInMath.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <stdexcept>

// Trace lines (JSON, one per line), common fields: "seq" (1, 2, ...), "frame" (ticks so far), "dir":
//  "call"     a call received: "conn", "call" (name), "packet", its arguments, "result" ("ok" or "exception"),
//             "exception" (code) when refused, "obj" (the target object as it was before the call) for calls on
//             an object; a set-data that moves an object the first time adds "firstMove": true and "ready"
//             (released and frozen in all three ways before that move)
//  "msg"      a message sent: "conn", "msg" (kind), and its main fields
//  "event"    something the simulator did by itself: "what" ("created", "removed", "connect", "disconnect",
//             "teleport", "quit", ...)
//  "snapshot" "objects": every object
//  "pose"     (tracePoses) one AI object after a frame: "object", "atcId", "lat", "lon", "alt", "pitch", "bank",
//             "heading" (radians), "onGround", "agl"
// A set-data that moves an object carries "moves": true.
namespace skf::standin {

namespace {

using nlohmann::json;

std::string lower(std::string s) {
    for (auto& ch : s)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

bool unitIsDegrees(const std::string& unit) {
    return lower(unit).rfind("degree", 0) == 0;
}

const char* kindName(ObjectKind k) {
    switch (k) {
    case ObjectKind::User:
        return "user";
    case ObjectKind::Ai:
        return "ai";
    case ObjectKind::Foreign:
        return "foreign";
    }
    return "?";
}

const char* recvName(std::uint32_t id) {
    switch (id) {
    case SIMCONNECT_RECV_ID_EXCEPTION:
        return "EXCEPTION";
    case SIMCONNECT_RECV_ID_OPEN:
        return "OPEN";
    case SIMCONNECT_RECV_ID_QUIT:
        return "QUIT";
    case SIMCONNECT_RECV_ID_EVENT:
        return "EVENT";
    case SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE:
        return "EVENT_OBJECT_ADDREMOVE";
    case SIMCONNECT_RECV_ID_EVENT_FILENAME:
        return "EVENT_FILENAME";
    case SIMCONNECT_RECV_ID_EVENT_FRAME:
        return "EVENT_FRAME";
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA:
        return "SIMOBJECT_DATA";
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE:
        return "SIMOBJECT_DATA_BYTYPE";
    case SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID:
        return "ASSIGNED_OBJECT_ID";
    default:
        return "?";
    }
}

// The variables the stand-in knows (lower case) and whether a client may write them.
enum class Var {
    Title,
    AtcModel,
    AtcId,
    OnGround,
    Lat,
    Lon,
    Pitch,
    Bank,
    Heading,
    Alt,
    Agl,
    GroundAlt,
    Vs,
    Tas,
    Gs,
    ZuluTime,
    ZuluDay,
    ZuluYear,
    Lights,
    StaticCg,
    StaticPitch,
    Spoilers,
    Throttle1,
    Throttle2
};

std::optional<Var> varOf(const std::string& name) {
    static const std::map<std::string, Var> vars = {
        {"title", Var::Title},
        {"atc model", Var::AtcModel},
        {"atc id", Var::AtcId},
        {"sim on ground", Var::OnGround},
        {"plane latitude", Var::Lat},
        {"plane longitude", Var::Lon},
        {"plane pitch degrees", Var::Pitch},
        {"plane bank degrees", Var::Bank},
        {"plane heading degrees true", Var::Heading},
        {"plane altitude", Var::Alt},
        {"plane alt above ground", Var::Agl},
        {"ground altitude", Var::GroundAlt},
        {"vertical speed", Var::Vs},
        {"airspeed true", Var::Tas},
        {"ground velocity", Var::Gs},
        {"zulu time", Var::ZuluTime},
        {"zulu day of year", Var::ZuluDay},
        {"zulu year", Var::ZuluYear},
        {"light states", Var::Lights},
        {"light on states", Var::Lights},
        {"static cg to ground", Var::StaticCg},
        {"static pitch", Var::StaticPitch},
        {"spoilers handle position", Var::Spoilers},
        {"general eng throttle lever position:1", Var::Throttle1},
        {"general eng throttle lever position:2", Var::Throttle2},
    };
    auto it = vars.find(lower(name));
    if (it == vars.end())
        return std::nullopt;
    return it->second;
}

bool isPositionVar(Var v) {
    return v == Var::Lat || v == Var::Lon || v == Var::Alt || v == Var::Pitch || v == Var::Bank || v == Var::Heading;
}

const std::vector<std::string>& systemEventNames() {
    static const std::vector<std::string> names = {"Sim", "ObjectAdded", "ObjectRemoved", "Frame", "FlightLoaded"};
    return names;
}

const std::vector<std::string>& clientEventNames() {
    static const std::vector<std::string> names = {"GEAR_SET",
                                                   "ENGINE_AUTO_START",
                                                   "ENGINE_AUTO_SHUTDOWN",
                                                   "THROTTLE_SET",
                                                   "FLAPS_SET",
                                                   "SPOILERS_SET",
                                                   "NAV_LIGHTS_SET",
                                                   "BEACON_LIGHTS_SET",
                                                   "LANDING_LIGHTS_SET",
                                                   "TAXI_LIGHTS_SET",
                                                   "STROBES_SET",
                                                   "LOGO_LIGHTS_SET",
                                                   "CABIN_LIGHTS_SET",
                                                   "ALL_LIGHTS_TOGGLE",
                                                   "FREEZE_LATITUDE_LONGITUDE_SET",
                                                   "FREEZE_ALTITUDE_SET",
                                                   "FREEZE_ATTITUDE_SET"};
    return names;
}

bool containsNoCase(const std::vector<std::string>& list, const std::string& name) {
    auto l = lower(name);
    return std::any_of(list.begin(), list.end(), [&](const std::string& s) { return lower(s) == l; });
}

std::size_t itemSize(SIMCONNECT_DATATYPE t) {
    switch (t) {
    case SIMCONNECT_DATATYPE_INT64:
    case SIMCONNECT_DATATYPE_FLOAT64:
        return 8;
    case SIMCONNECT_DATATYPE_STRING32:
        return 32;
    default:
        return 0; // STRINGV: variable
    }
}

} // namespace

json gf_objectJson(const SimObjectState& o) {
    return json{{"id", o.id},
                {"kind", kindName(o.kind)},
                {"owner", o.owner},
                {"title", o.title},
                {"atcId", o.atcId},
                {"lat", o.lat},
                {"lon", o.lon},
                {"alt", o.altFt},
                {"heading", o.heading},
                {"released", o.released},
                {"frozen", {o.freezeLatLon, o.freezeAlt, o.freezeAtt}},
                {"moved", o.moved},
                {"movedBeforeReady", o.movedBeforeReady},
                {"gear", o.gear},
                {"flaps", o.flaps},
                {"spoilers", o.spoilers},
                {"throttle", o.throttle},
                {"engines", o.enginesRunning},
                {"lights", o.lights},
                {"flightPlan", o.flightPlan}};
}

SimStandIn::SimStandIn(StandInConfig config) : cfg_(std::move(config)) {}

SimStandIn::~SimStandIn() {
    stop();
}

void SimStandIn::start() {
    if (running_)
        return;
    if (cfg_.socketPath.empty()) {
        const SimSocketPath socket = gf_simConnectSocket();
        if (socket.path.empty())
            throw std::runtime_error("simstandin: " + socket.refusal);
        socketPath_ = socket.path;
    } else {
        socketPath_ = cfg_.socketPath;
    }
    std::filesystem::path parent = std::filesystem::path(socketPath_).parent_path();
    if (!parent.empty() && !std::filesystem::exists(parent)) {
        std::filesystem::create_directories(parent);
        ::chmod(parent.c_str(), 0700);
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath_.size() >= sizeof addr.sun_path)
        throw std::runtime_error("simstandin: socket path too long: " + socketPath_);
    std::memcpy(addr.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
    ::unlink(socketPath_.c_str());
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 16) != 0) {
        std::string err = std::strerror(errno);
        if (listenFd_ >= 0)
            ::close(listenFd_);
        listenFd_ = -1;
        throw std::runtime_error("simstandin: cannot listen on " + socketPath_ + ": " + err);
    }
    int p[2];
    if (::pipe2(p, O_CLOEXEC | O_NONBLOCK) != 0) {
        ::close(listenFd_);
        listenFd_ = -1;
        throw std::runtime_error("simstandin: pipe failed");
    }
    wakeRead_ = p[0];
    wakeWrite_ = p[1];
    if (!cfg_.tracePath.empty()) {
        traceFile_.open(cfg_.tracePath, std::ios::out | std::ios::trunc);
        if (!traceFile_)
            throw std::runtime_error("simstandin: cannot write the trace " + cfg_.tracePath);
    }

    const Scenario& s = cfg_.scenario;
    started_ = cfg_.started;
    flightRunning_ = s.flightRunning;
    nextObjectId_ = s.firstAiObjectId;
    zuluSeconds_ = s.zuluSeconds;
    SimObjectState u;
    u.id = s.userObjectId;
    u.kind = ObjectKind::User;
    u.title = s.userTitle;
    u.atcModel = s.userAtcModel;
    u.atcId = s.userAtcId;
    u.released = true;
    u.staticCgFt = s.staticCgFt;
    u.staticPitchRad = s.staticPitchDeg * g_degToRad;
    if (!s.path.empty()) {
        u.lat = s.path.front().lat;
        u.lon = s.path.front().lon;
        u.heading = wrapAngle(s.path.front().headingDeg * g_degToRad);
    }
    u.altFt = s.path.empty() || !s.path.front().altFt ? groundFt(u.lat, u.lon) : *s.path.front().altFt;
    objects_[u.id] = u;
    foreignPresent_.assign(s.foreign.size(), false);
    foreignIds_.assign(s.foreign.size(), 0);
    {
        std::lock_guard lock(mutex_);
        traceLine({{"dir", "event"}, {"what", "start"}, {"socket", socketPath_}, {"simulator", s.simulator}});
        if (flightRunning_)
            tickForeign();
    }
    stopping_ = false;
    nextTick_ = std::chrono::steady_clock::now();
    running_ = true;
    thread_ = std::thread([this] { run(); });
}

void SimStandIn::stop() {
    if (!running_)
        return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake();
    thread_.join();
    running_ = false;
    std::lock_guard lock(mutex_);
    for (auto& c : conns_)
        dropConn(*c, "stand-in stopped");
    conns_.clear();
    traceLine({{"dir", "event"}, {"what", "stop"}});
    traceLine(snapshotLocked());
    traceFile_.flush();
    ::close(listenFd_);
    ::close(wakeRead_);
    ::close(wakeWrite_);
    listenFd_ = wakeRead_ = wakeWrite_ = -1;
    ::unlink(socketPath_.c_str());
    changed();
}

void SimStandIn::wake() {
    if (wakeWrite_ >= 0) {
        char b = 1;
        [[maybe_unused]] auto n = ::write(wakeWrite_, &b, 1);
    }
}

void SimStandIn::run() {
    std::vector<pollfd> fds;
    std::vector<Conn*> polled;
    for (;;) {
        int timeout = -1;
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return;
            fds.clear();
            polled.clear();
            fds.push_back({listenFd_, POLLIN, 0});
            fds.push_back({wakeRead_, POLLIN, 0});
            for (auto& c : conns_) {
                if (c->dead)
                    continue;
                short ev = POLLIN;
                if (!c->out.empty() || c->floodLeft > 0)
                    ev |= POLLOUT;
                fds.push_back({c->fd, ev, 0});
                polled.push_back(c.get());
            }
            if (cfg_.realTime) {
                auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(nextTick_ - std::chrono::steady_clock::now());
                timeout = static_cast<int>(std::max<std::int64_t>(0, left.count()));
            }
        }
        int r = ::poll(fds.data(), fds.size(), timeout);
        if (r < 0 && errno != EINTR)
            return;
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        if (r > 0 && (fds[1].revents & POLLIN)) {
            char buf[256];
            while (::read(wakeRead_, buf, sizeof buf) > 0) {
            }
        }
        if (r > 0 && (fds[0].revents & POLLIN))
            acceptClients();
        for (std::size_t i = 0; i < polled.size(); ++i) {
            if (r > 0 && (fds[i + 2].revents & (POLLIN | POLLHUP | POLLERR)) && !polled[i]->dead)
                readClient(*polled[i]);
        }
        if (cfg_.realTime) {
            auto now = std::chrono::steady_clock::now();
            if (now >= nextTick_) {
                tick();
                nextTick_ += std::chrono::microseconds(33333);
                if (nextTick_ < now)
                    nextTick_ = now + std::chrono::microseconds(33333);
            }
        }
        for (auto& c : conns_) {
            if (!c->dead && c->floodLeft > 0)
                topUpFlood(*c);
            if (!c->dead && !c->out.empty())
                writeClient(*c);
            if (!c->dead && c->closing && c->out.empty())
                dropConn(*c, "closed");
        }
        std::erase_if(conns_, [](const std::unique_ptr<Conn>& c) { return c->dead; });
        if (traceFile_.is_open())
            traceFile_.flush();
        changed();
    }
}

void SimStandIn::acceptClients() {
    for (;;) {
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        auto c = std::make_unique<Conn>();
        c->id = nextConnId_++;
        c->fd = fd;
        traceLine({{"dir", "event"}, {"what", "connect"}, {"conn", c->id}});
        conns_.push_back(std::move(c));
    }
}

void SimStandIn::readClient(Conn& c) {
    std::byte buf[65536];
    bool eof = false;
    for (;;) {
        ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
        if (n > 0) {
            c.in.insert(c.in.end(), buf, buf + n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        eof = true;
        break;
    }
    std::vector<SimWireFrame> frames;
    bool ok = gf_simWireSplit(c.in, frames);
    for (const auto& f : frames) {
        if (c.dead)
            break;
        handleFrame(c, f);
    }
    if (!ok)
        dropConn(c, "corrupt stream");
    else if (eof)
        dropConn(c, "client gone");
}

void SimStandIn::writeClient(Conn& c) {
    std::size_t done = 0;
    while (done < c.out.size()) {
        ssize_t n = ::send(c.fd, c.out.data() + done, c.out.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        c.out.clear();
        dropConn(c, "client gone");
        return;
    }
    c.out.erase(c.out.begin(), c.out.begin() + static_cast<std::ptrdiff_t>(done));
}

void SimStandIn::dropConn(Conn& c, const char* why) {
    if (c.dead)
        return;
    c.dead = true;
    ::close(c.fd);
    c.fd = -1;
    traceLine({{"dir", "event"}, {"what", "disconnect"}, {"conn", c.id}, {"why", why}});
    std::vector<std::uint32_t> own;
    for (const auto& [id, o] : objects_)
        if (o.kind == ObjectKind::Ai && o.owner == c.id)
            own.push_back(id);
    for (auto id : own)
        removeObject(id, "owner disconnected");
    c.creations.clear();
    traceLine(snapshotLocked());
}

void SimStandIn::handleFrame(Conn& c, const SimWireFrame& f) {
    c.lastPacket = std::max(c.lastPacket, f.packetId);
    SimWireReader r(f.payload.data(), f.payload.size());
    auto call = static_cast<SimCall>(f.kind);
    if (!c.helloDone) {
        SimWireReader hr(f.payload.data(), f.payload.size());
        std::string name = hr.str();
        std::uint32_t version = hr.u32();
        c.helloDone = true;
        bool accept = call == SimCall::Hello && !hr.failed() && started_ && version == SIM_WIRE_VERSION;
        SimWireWriter w(static_cast<std::uint32_t>(SimReply::HelloAck), 0);
        w.u32(accept ? 1 : 0);
        const auto& fr = w.frame();
        c.out.insert(c.out.end(), fr.begin(), fr.end());
        traceLine({{"dir", "call"},
                   {"conn", c.id},
                   {"call", "Open"},
                   {"packet", f.packetId},
                   {"name", name},
                   {"result", accept ? "ok" : "refused"}});
        if (!accept) {
            c.closing = true;
            return;
        }
        c.name = name;
        c.opened = true;
        ++opens_;
        SIMCONNECT_RECV_OPEN open{};
        open.dwID = SIMCONNECT_RECV_ID_OPEN;
        const char* simName = cfg_.scenario.simulator == 2024 ? "SunRise" : "KittyHawk";
        std::strncpy(open.szApplicationName, simName, sizeof open.szApplicationName - 1);
        open.dwApplicationVersionMajor = cfg_.scenario.version[0];
        open.dwApplicationVersionMinor = cfg_.scenario.version[1];
        open.dwApplicationBuildMajor = cfg_.scenario.version[2];
        open.dwApplicationBuildMinor = cfg_.scenario.version[3];
        open.dwSimConnectVersionMajor = SIM_WIRE_VERSION;
        sendRaw(c, &open, sizeof open, {{"name", simName}});
        if (versionMismatch_)
            sendException(c, SIMCONNECT_EXCEPTION_VERSION_MISMATCH, 0, 1);
        return;
    }
    if (call == SimCall::FaultAck) {
        if (r.u32() == c.faultToken)
            c.faultAcked = true;
        return;
    }
    if (call == SimCall::Close) {
        traceLine({{"dir", "call"}, {"conn", c.id}, {"call", "Close"}, {"packet", f.packetId}});
        dropConn(c, "client closed");
        return;
    }
    auto idx = static_cast<std::uint32_t>(call);
    if (idx >= SIM_CALL_COUNT || call == SimCall::Hello || call == SimCall::Any) {
        dropConn(c, "unknown call");
        return;
    }
    ++callCounts_[idx];
    json t{{"dir", "call"}, {"conn", c.id}, {"call", gf_simCallName(call)}, {"packet", f.packetId}};
    handleCall(c, call, f.packetId, r, t);
    if (!cfg_.traceMoves && t.contains("moves") && !t.contains("firstMove"))
        return; // a per-frame position: left out of a long run's trace
    traceLine(std::move(t));
}

void SimStandIn::handleCall(Conn& c, SimCall call, std::uint32_t packet, SimWireReader& r, json& t) {
    auto refuse = [&](std::uint32_t code, std::uint32_t index) {
        t["result"] = "exception";
        t["exception"] = code;
        sendException(c, code, packet, index);
    };
    // The target object of a call; its snapshot goes into the trace (for set-data only before the first move,
    // so that the per-frame positions stay small).
    auto target = [&](std::uint32_t objectId) -> SimObjectState* {
        SimObjectState* o = objectId == SIMCONNECT_OBJECT_ID_USER ? &user() : find(objectId);
        if (o != nullptr && tracing() && (call != SimCall::SetDataOnSimObject || !o->moved))
            t["obj"] = gf_objectJson(*o);
        return o;
    };
    t["result"] = "ok";
    switch (call) {
    case SimCall::AddToDataDefinition: {
        std::uint32_t def = r.u32();
        std::string name = r.str(), unit = r.str();
        auto type = static_cast<SIMCONNECT_DATATYPE>(r.u32());
        r.f64();
        r.u32();
        t.update({{"def", def}, {"name", name}, {"unit", unit}, {"type", type}});
        if (r.failed())
            return refuse(SIMCONNECT_EXCEPTION_ERROR, 0);
        if (!varOf(name))
            return refuse(SIMCONNECT_EXCEPTION_ERROR, 3);
        if (type != SIMCONNECT_DATATYPE_INT64 && type != SIMCONNECT_DATATYPE_FLOAT64 &&
            type != SIMCONNECT_DATATYPE_STRING32 && type != SIMCONNECT_DATATYPE_STRINGV)
            return refuse(SIMCONNECT_EXCEPTION_ERROR, 5);
        c.defs[def].push_back({name, unit, type});
        return;
    }
    case SimCall::RequestDataOnSimObject: {
        std::uint32_t req = r.u32(), def = r.u32(), obj = r.u32(), period = r.u32();
        t.update({{"request", req}, {"def", def}, {"object", obj}, {"period", period}});
        if (r.failed())
            return refuse(SIMCONNECT_EXCEPTION_ERROR, 0);
        if (!c.defs.count(def))
            return refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 3);
        SimObjectState* o = target(obj);
        if (o == nullptr)
            return refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 4);
        if (period != SIMCONNECT_PERIOD_ONCE && period != SIMCONNECT_PERIOD_SECOND)
            return refuse(SIMCONNECT_EXCEPTION_ERROR, 5);
        std::erase_if(c.everySecond, [&](const Request& q) { return q.requestId == req; });
        if (period == SIMCONNECT_PERIOD_SECOND)
            c.everySecond.push_back({req, def, o->id});
        sendObjectData(c, req, def, *o, false, 1, 1);
        return;
    }
    case SimCall::RequestDataOnSimObjectType: {
        std::uint32_t req = r.u32(), def = r.u32(), radius = r.u32(), type = r.u32();
        t.update({{"request", req}, {"def", def}, {"radius", radius}, {"type", type}});
        if (r.failed())
            return refuse(SIMCONNECT_EXCEPTION_ERROR, 0);
        if (!c.defs.count(def))
            return refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 3);
        if (type > SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT)
            return refuse(SIMCONNECT_EXCEPTION_ERROR, 5);
        const SimObjectState& u = user();
        std::vector<const SimObjectState*> found;
        for (const auto& [id, o] : objects_) {
            if (o.kind == ObjectKind::User) {
                found.push_back(&o);
                continue;
            }
            if (type == SIMCONNECT_SIMOBJECT_TYPE_USER)
                continue;
            if (gf_standInDistanceNm(u.lat, u.lon, o.lat, o.lon) * g_nmToMetres <= radius)
                found.push_back(&o);
        }
        t["answers"] = found.size();
        for (std::size_t i = 0; i < found.size(); ++i)
            sendObjectData(c, req, def, *found[i], true, static_cast<std::uint32_t>(i + 1),
                           static_cast<std::uint32_t>(found.size()));
        return;
    }
    case SimCall::SetDataOnSimObject: {
        std::uint32_t def = r.u32(), obj = r.u32(), flags = r.u32(), count = r.u32(), unit = r.u32();
        auto data = r.block();
        t.update({{"def", def}, {"object", obj}, {"flags", flags}, {"count", count}, {"unitSize", unit}});
        if (r.failed())
            return refuse(SIMCONNECT_EXCEPTION_ERROR, 0);
        auto d = c.defs.find(def);
        if (d == c.defs.end())
            return refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 1);
        std::size_t size = 0;
        for (const auto& item : d->second) {
            std::size_t s = itemSize(item.type);
            if (s == 0)
                return refuse(SIMCONNECT_EXCEPTION_ERROR, 1);
            size += s;
        }
        if (unit != size || count > 1 || data.size() != size)
            return refuse(SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE, 6);
        SimObjectState* o = target(obj);
        if (o == nullptr)
            return refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2);
        applyBlock(c, def, *o, data, t);
        return;
    }
    case SimCall::SubscribeToSystemEvent: {
        std::uint32_t id = r.u32();
        std::string name = r.str();
        t.update({{"event", id}, {"name", name}});
        if (r.failed())
            return refuse(SIMCONNECT_EXCEPTION_ERROR, 0);
        if (!containsNoCase(systemEventNames(), name))
            return refuse(SIMCONNECT_EXCEPTION_ERROR, 2);
        c.systemEvents[id] = name;
        if (lower(name) == "sim")
            sendEvent(c, id, flightRunning_ ? 1 : 0);
        return;
    }
    case SimCall::MapClientEventToSimEvent: {
        std::uint32_t id = r.u32();
        std::string name = r.str();
        t.update({{"event", id}, {"name", name}});
        if (r.failed())
            return refuse(SIMCONNECT_EXCEPTION_ERROR, 0);
        if (!containsNoCase(clientEventNames(), name))
            return refuse(SIMCONNECT_EXCEPTION_ERROR, 2);
        c.clientEvents[id] = name;
        return;
    }
    case SimCall::AddClientEventToNotificationGroup: {
        std::uint32_t group = r.u32(), event = r.u32(), maskable = r.u32();
        t.update({{"group", group}, {"event", event}, {"maskable", maskable}});
        if (r.failed())
            return refuse(SIMCONNECT_EXCEPTION_ERROR, 0);
        if (!c.clientEvents.count(event))
            return refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2);
        c.groups[group].push_back(event);
        return;
    }
    case SimCall::SetNotificationGroupPriority: {
        std::uint32_t group = r.u32(), priority = r.u32();
        t.update({{"group", group}, {"priority", priority}});
        if (r.failed())
            return refuse(SIMCONNECT_EXCEPTION_ERROR, 0);
        if (!c.groups.count(group))
            return refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 1);
        c.groupPriority[group] = priority;
        return;
    }
    case SimCall::TransmitClientEvent: {
        std::uint32_t obj = r.u32(), event = r.u32(), data = r.u32(), group = r.u32(), flags = r.u32();
        t.update({{"object", obj}, {"event", event}, {"data", data}, {"group", group}, {"flags", flags}});
        if (r.failed())
            return refuse(SIMCONNECT_EXCEPTION_ERROR, 0);
        auto ev = c.clientEvents.find(event);
        if (ev == c.clientEvents.end())
            return refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2);
        t["name"] = ev->second;
        SimObjectState* o = target(obj);
        if (o == nullptr)
            return refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 1);
        const std::string name = ev->second;
        auto light = [&](std::uint32_t bit) { o->lights = data != 0 ? (o->lights | bit) : (o->lights & ~bit); };
        if (name == "GEAR_SET")
            o->gear = data;
        else if (name == "FLAPS_SET")
            o->flaps = data;
        else if (name == "SPOILERS_SET")
            o->spoilers = data;
        else if (name == "THROTTLE_SET")
            o->throttle = data;
        else if (name == "ENGINE_AUTO_START")
            o->enginesRunning = true;
        else if (name == "ENGINE_AUTO_SHUTDOWN")
            o->enginesRunning = false;
        else if (name == "NAV_LIGHTS_SET")
            light(SIM_LIGHT_NAV);
        else if (name == "BEACON_LIGHTS_SET")
            light(SIM_LIGHT_BEACON);
        else if (name == "LANDING_LIGHTS_SET")
            light(SIM_LIGHT_LANDING);
        else if (name == "TAXI_LIGHTS_SET")
            light(SIM_LIGHT_TAXI);
        else if (name == "STROBES_SET")
            light(SIM_LIGHT_STROBE);
        else if (name == "LOGO_LIGHTS_SET")
            light(SIM_LIGHT_LOGO);
        else if (name == "CABIN_LIGHTS_SET")
            light(SIM_LIGHT_CABIN);
        else if (name == "ALL_LIGHTS_TOGGLE")
            o->lights = o->lights != 0 ? 0 : SIM_LIGHT_ALL;
        else if (name == "FREEZE_LATITUDE_LONGITUDE_SET")
            o->freezeLatLon = data != 0;
        else if (name == "FREEZE_ALTITUDE_SET")
            o->freezeAlt = data != 0;
        else if (name == "FREEZE_ATTITUDE_SET")
            o->freezeAtt = data != 0;
        return;
    }
    case SimCall::AICreateNonATCAircraft: {
        std::string title = r.str(), tail = r.str();
        auto pos = r.block();
        std::uint32_t req = r.u32();
        t.update({{"title", title}, {"tail", tail}, {"request", req}});
        if (r.failed() || pos.size() != sizeof(SIMCONNECT_DATA_INITPOSITION))
            return refuse(SIMCONNECT_EXCEPTION_ERROR, 0);
        if (!creationFaults_.empty()) {
            std::uint32_t code = creationFaults_.front();
            creationFaults_.erase(creationFaults_.begin());
            return refuse(code, 0);
        }
        if (!titleInstalled(title))
            return refuse(SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED, 1);
        if (aiCountLocked() >= cfg_.scenario.capacity)
            return refuse(SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS, 0);
        PendingCreation p{packet, req, cfg_.scenario.confirmFrames, title, tail, {}};
        std::memcpy(&p.pos, pos.data(), sizeof p.pos);
        t.update(
            {{"lat", p.pos.Latitude}, {"lon", p.pos.Longitude}, {"alt", p.pos.Altitude}, {"onGround", p.pos.OnGround}});
        c.creations.push_back(std::move(p));
        return;
    }
    case SimCall::AISetAircraftFlightPlan: {
        std::uint32_t obj = r.u32();
        std::string path = r.str();
        std::uint32_t req = r.u32();
        t.update({{"object", obj}, {"path", path}, {"request", req}});
        if (r.failed())
            return refuse(SIMCONNECT_EXCEPTION_ERROR, 0);
        SimObjectState* o = target(obj);
        if (o == nullptr)
            return refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 1);
        if (o->kind == ObjectKind::User)
            return refuse(SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE, 1);
        std::ifstream in(path);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in || text.find("<FlightPlan.FlightPlan>") == std::string::npos)
            return refuse(SIMCONNECT_EXCEPTION_LOAD_FLIGHTPLAN_FAILED, 2);
        o->flightPlan = path;
        return;
    }
    case SimCall::AIReleaseControl:
    case SimCall::AIRemoveObject: {
        std::uint32_t obj = r.u32(), req = r.u32();
        t.update({{"object", obj}, {"request", req}});
        if (r.failed())
            return refuse(SIMCONNECT_EXCEPTION_ERROR, 0);
        SimObjectState* o = target(obj);
        if (o == nullptr)
            return refuse(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 1);
        if (o->kind == ObjectKind::User)
            return refuse(SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE, 1);
        if (call == SimCall::AIReleaseControl) {
            o->released = true;
            return;
        }
        if (o->kind != ObjectKind::Ai || o->owner != c.id)
            return refuse(SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE, 1);
        removeObject(o->id, "removed by its client");
        return;
    }
    default:
        return refuse(SIMCONNECT_EXCEPTION_ERROR, 0);
    }
}

// ---- messages ---------------------------------------------------------------------------------------------------

void SimStandIn::sendRaw(Conn& c, const void* msg, std::size_t size, const json& t) {
    if (c.dead || !c.opened)
        return;
    std::vector<std::byte> bytes(size);
    std::memcpy(bytes.data(), msg, size);
    auto* head = reinterpret_cast<SIMCONNECT_RECV*>(bytes.data());
    head->dwSize = static_cast<std::uint32_t>(size);
    head->dwVersion = SIM_WIRE_VERSION;
    ++messagesSent_;
    SimWireWriter w(static_cast<std::uint32_t>(SimReply::Message), 0);
    w.raw(bytes.data(), bytes.size());
    const auto& fr = w.frame();
    c.out.insert(c.out.end(), fr.begin(), fr.end());
    bool isFrame = head->dwID == SIMCONNECT_RECV_ID_EVENT_FRAME;
    if (isFrame && !cfg_.traceFrames)
        return;
    if (head->dwID == SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE && !cfg_.traceRangeData)
        return; // the request's line counts the answers

    json line{{"dir", "msg"}, {"conn", c.id}, {"msg", recvName(head->dwID)}};
    if (t.is_object())
        line.update(t);
    traceLine(std::move(line));
}

void SimStandIn::sendException(Conn& c, std::uint32_t code, std::uint32_t sendId, std::uint32_t index) {
    SIMCONNECT_RECV_EXCEPTION e{};
    e.dwID = SIMCONNECT_RECV_ID_EXCEPTION;
    e.dwException = code;
    e.dwSendID = sendId;
    e.dwIndex = index;
    sendRaw(c, &e, sizeof e, {{"exception", code}, {"sendId", sendId}, {"index", index}});
}

void SimStandIn::sendEvent(Conn& c, std::uint32_t clientEventId, std::uint32_t data) {
    SIMCONNECT_RECV_EVENT e{};
    e.dwID = SIMCONNECT_RECV_ID_EVENT;
    e.uGroupID = SIMCONNECT_UNUSED;
    e.uEventID = clientEventId;
    e.dwData = data;
    sendRaw(c, &e, sizeof e, {{"event", clientEventId}, {"data", data}});
}

void SimStandIn::sendSystemEvent(const std::string& name, std::uint32_t data, std::uint32_t objType,
                                 const std::string& fileName) {
    for (auto& cp : conns_) {
        Conn& c = *cp;
        if (c.dead || !c.opened)
            continue;
        for (const auto& [id, ev] : c.systemEvents) {
            if (lower(ev) != lower(name))
                continue;
            if (objType != 0xFFFFFFFFu) {
                SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE e{};
                e.dwID = SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE;
                e.uGroupID = SIMCONNECT_UNUSED;
                e.uEventID = id;
                e.dwData = data;
                e.eObjType = static_cast<SIMCONNECT_SIMOBJECT_TYPE>(objType);
                sendRaw(c, &e, sizeof e, {{"event", id}, {"data", data}, {"objType", objType}});
            } else if (lower(name) == "frame") {
                SIMCONNECT_RECV_EVENT_FRAME e{};
                e.dwID = SIMCONNECT_RECV_ID_EVENT_FRAME;
                e.uGroupID = SIMCONNECT_UNUSED;
                e.uEventID = id;
                e.dwData = data;
                e.fFrameRate = 30.0f;
                e.fSimSpeed = 1.0f;
                sendRaw(c, &e, sizeof e, {{"event", id}});
            } else if (!fileName.empty()) {
                SIMCONNECT_RECV_EVENT_FILENAME e{};
                e.dwID = SIMCONNECT_RECV_ID_EVENT_FILENAME;
                e.uGroupID = SIMCONNECT_UNUSED;
                e.uEventID = id;
                e.dwData = data;
                std::strncpy(e.szFileName, fileName.c_str(), sizeof e.szFileName - 1);
                sendRaw(c, &e, sizeof e, {{"event", id}, {"file", fileName}});
            } else {
                sendEvent(c, id, data);
            }
        }
    }
}

bool SimStandIn::blockOf(Conn& c, std::uint32_t defineId, const SimObjectState& o, std::vector<std::byte>& out) {
    auto d = c.defs.find(defineId);
    if (d == c.defs.end())
        return false;
    out.clear();
    const double ground = groundFt(o.lat, o.lon);
    const double agl = o.altFt - ground;
    for (const auto& item : d->second) {
        Var v = *varOf(item.name);
        bool deg = unitIsDegrees(item.unit);
        double num = 0;
        std::string text;
        bool isText = false;
        switch (v) {
        case Var::Title:
            text = o.title;
            isText = true;
            break;
        case Var::AtcModel:
            text = o.atcModel;
            isText = true;
            break;
        case Var::AtcId:
            text = o.atcId;
            isText = true;
            break;
        case Var::OnGround:
            // An AI object's altitude is that of its reference point, which rests static CG above the ground.
            num = agl <= (o.kind == ObjectKind::Ai ? o.staticCgFt : 0.0) + 0.5 ? 1 : 0;
            break;
        case Var::Lat:
            num = deg ? o.lat : o.lat * g_degToRad;
            break;
        case Var::Lon:
            num = deg ? o.lon : o.lon * g_degToRad;
            break;
        case Var::Pitch:
            num = deg ? o.pitch / g_degToRad : o.pitch;
            break;
        case Var::Bank:
            num = deg ? o.bank / g_degToRad : o.bank;
            break;
        case Var::Heading:
            num = deg ? o.heading / g_degToRad : o.heading;
            break;
        case Var::Alt:
            num = o.altFt;
            break;
        case Var::Agl:
            num = agl;
            break;
        case Var::GroundAlt:
            num = ground;
            break;
        case Var::Vs:
            num = lower(item.unit) == "feet per minute" ? o.vsFtPerSec * 60 : o.vsFtPerSec;
            break;
        case Var::Tas:
            num = o.tasKts;
            break;
        case Var::Gs:
            num = o.gsKts;
            break;
        case Var::ZuluTime:
            num = std::floor(zuluSeconds_);
            break;
        case Var::ZuluDay:
            num = cfg_.scenario.zuluDayOfYear + static_cast<int>(flightTime_ + cfg_.scenario.zuluSeconds) / 86400;
            break;
        case Var::ZuluYear:
            num = cfg_.scenario.zuluYear;
            break;
        case Var::Lights:
            num = o.lights;
            break;
        case Var::StaticCg:
            num = o.staticCgFt;
            break;
        case Var::StaticPitch:
            num = deg ? o.staticPitchRad / g_degToRad : o.staticPitchRad;
            break;
        case Var::Spoilers:
            num = o.spoilerHandlePct;
            break;
        case Var::Throttle1:
            num = o.throttle1Pct;
            break;
        case Var::Throttle2:
            num = o.throttle2Pct;
            break;
        }
        auto put = [&](const void* p, std::size_t n) {
            auto* b = static_cast<const std::byte*>(p);
            out.insert(out.end(), b, b + n);
        };
        switch (item.type) {
        case SIMCONNECT_DATATYPE_INT64: {
            std::int64_t i = isText ? 0 : static_cast<std::int64_t>(std::llround(num));
            put(&i, 8);
            break;
        }
        case SIMCONNECT_DATATYPE_FLOAT64: {
            double x = isText ? 0.0 : num;
            put(&x, 8);
            break;
        }
        case SIMCONNECT_DATATYPE_STRING32: {
            std::array<char, 32> s{};
            if (isText)
                std::strncpy(s.data(), text.c_str(), 31);
            put(s.data(), 32);
            break;
        }
        default: { // STRINGV
            std::string s = isText ? text : std::to_string(num);
            std::size_t n = (s.size() + 1 + 7) / 8 * 8;
            std::vector<char> b(n, '\0');
            std::memcpy(b.data(), s.data(), s.size());
            put(b.data(), n);
            break;
        }
        }
    }
    return true;
}

void SimStandIn::sendObjectData(Conn& c, std::uint32_t requestId, std::uint32_t defineId, const SimObjectState& o,
                                bool byType, std::uint32_t entry, std::uint32_t outOf) {
    std::vector<std::byte> block;
    if (!blockOf(c, defineId, o, block))
        return;
    std::vector<std::byte> msg(SIM_DATA_BLOCK_OFFSET + std::max<std::size_t>(block.size(), 4));
    SIMCONNECT_RECV_SIMOBJECT_DATA h{};
    h.dwID = byType ? SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE : SIMCONNECT_RECV_ID_SIMOBJECT_DATA;
    h.dwRequestID = requestId;
    h.dwObjectID = o.id;
    h.dwDefineID = defineId;
    h.dwentrynumber = entry;
    h.dwoutof = outOf;
    h.dwDefineCount = static_cast<std::uint32_t>(c.defs[defineId].size());
    std::memcpy(msg.data(), &h, SIM_DATA_BLOCK_OFFSET);
    if (!block.empty())
        std::memcpy(msg.data() + SIM_DATA_BLOCK_OFFSET, block.data(), block.size());
    sendRaw(c, msg.data(), SIM_DATA_BLOCK_OFFSET + block.size(),
            {{"request", requestId}, {"def", defineId}, {"object", o.id}, {"atcId", o.atcId}});
}

void SimStandIn::applyBlock(Conn& c, std::uint32_t defineId, SimObjectState& o, const std::vector<std::byte>& data,
                            json& t) {
    std::size_t at = 0;
    bool moves = false;
    SimObjectState before = o;
    for (const auto& item : c.defs[defineId]) {
        std::size_t n = itemSize(item.type);
        double num = 0;
        if (item.type == SIMCONNECT_DATATYPE_FLOAT64) {
            std::memcpy(&num, data.data() + at, 8);
        } else if (item.type == SIMCONNECT_DATATYPE_INT64) {
            std::int64_t i;
            std::memcpy(&i, data.data() + at, 8);
            num = static_cast<double>(i);
        }
        at += n;
        if (item.type == SIMCONNECT_DATATYPE_STRING32)
            continue;
        Var v = *varOf(item.name);
        bool deg = unitIsDegrees(item.unit);
        if (isPositionVar(v))
            moves = true;
        switch (v) {
        case Var::Lat:
            o.lat = deg ? num : num / g_degToRad;
            break;
        case Var::Lon:
            o.lon = deg ? num : num / g_degToRad;
            break;
        case Var::Pitch:
            o.pitch = deg ? num * g_degToRad : num;
            break;
        case Var::Bank:
            o.bank = deg ? num * g_degToRad : num;
            break;
        case Var::Heading:
            o.heading = deg ? num * g_degToRad : num;
            break;
        case Var::Alt:
            o.altFt = num;
            break;
        case Var::Vs:
            o.vsFtPerSec = lower(item.unit) == "feet per minute" ? num / 60 : num;
            break;
        case Var::Tas:
            o.tasKts = num;
            break;
        case Var::Spoilers:
            o.spoilerHandlePct = num;
            break;
        case Var::Throttle1:
            o.throttle1Pct = num;
            break;
        case Var::Throttle2:
            o.throttle2Pct = num;
            break;
        default:
            break; // read-only variables are left alone
        }
    }
    if (!moves)
        return;
    t["moves"] = true;
    ++o.positionSets;
    if (!o.moved) {
        o.moved = true;
        bool ready = before.released && before.freezeLatLon && before.freezeAlt && before.freezeAtt;
        if (!ready && o.kind != ObjectKind::User) {
            o.movedBeforeReady = true;
            movedBeforeReady_.push_back(o.id);
        }
        t["firstMove"] = true;
        t["ready"] = ready;
    }
}

} // namespace skf::standin
