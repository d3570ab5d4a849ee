// The stand-in's control from tests and the command line (start, flights, failures to inject, steps), its
// queries and its trace. Called from the test's or main's thread; every call takes the stand-in's mutex, and
// a change wakes the stand-in's thread, which does the socket work: nothing here reads or writes a socket.
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

namespace skf::standin {

using nlohmann::json;

// ---- control from tests and the command line ----------------------------------------------------------------------

void SimStandIn::setStarted(bool started) {
    std::lock_guard lock(mutex_);
    started_ = started;
    traceLine({{"dir", "event"}, {"what", started ? "started" : "not started"}});
    changed();
}

void SimStandIn::setFlightRunning(bool running) {
    {
        std::lock_guard lock(mutex_);
        flightRunning_ = running;
        traceLine({{"dir", "event"}, {"what", running ? "flight runs" : "flight stopped"}});
        sendSystemEvent("Sim", running ? 1 : 0);
        changed();
    }
    wake();
}

void SimStandIn::loadFlight(const std::string& fileName) {
    {
        std::lock_guard lock(mutex_);
        traceLine({{"dir", "event"}, {"what", "flight loaded"}, {"file", fileName}});
        sendSystemEvent("FlightLoaded", 0, 0xFFFFFFFFu, fileName);
        changed();
    }
    wake();
}

void SimStandIn::quit() {
    {
        std::lock_guard lock(mutex_);
        traceLine({{"dir", "event"}, {"what", "quit"}});
        for (auto& c : conns_) {
            if (c->dead)
                continue;
            if (c->opened) {
                SIMCONNECT_RECV_QUIT q{};
                q.dwID = SIMCONNECT_RECV_ID_QUIT;
                sendRaw(*c, &q, sizeof q, {});
            }
            c->closing = true;
        }
        started_ = false;
        flightRunning_ = false;
        changed();
    }
    wake();
}

void SimStandIn::dropClients() {
    {
        std::lock_guard lock(mutex_);
        for (auto& c : conns_) {
            c->out.clear();
            c->closing = true;
        }
        changed();
    }
    wake();
}

void SimStandIn::step(int frames) {
    {
        std::lock_guard lock(mutex_);
        for (int i = 0; i < frames; ++i)
            tick();
        changed();
    }
    wake();
}

void SimStandIn::teleportUser(double lat, double lon, std::optional<double> altFt) {
    {
        std::lock_guard lock(mutex_);
        userOnPath_ = false;
        SimObjectState& u = user();
        u.lat = lat;
        u.lon = lon;
        u.altFt = altFt ? *altFt : groundFt(lat, lon);
        u.gsKts = u.tasKts = u.vsFtPerSec = 0;
        traceLine({{"dir", "event"}, {"what", "teleport"}, {"lat", lat}, {"lon", lon}});
        changed();
    }
    wake();
}

bool SimStandIn::failNextCalls(SimCall call, std::uint32_t count, std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    std::vector<std::uint64_t> ids;
    for (auto& c : conns_) {
        if (c->dead || !c->opened)
            continue;
        c->faultToken++;
        c->faultAcked = false;
        SimWireWriter w(static_cast<std::uint32_t>(SimReply::FailCalls), 0);
        w.u32(static_cast<std::uint32_t>(call)).u32(count).u32(c->faultToken);
        const auto& fr = w.frame();
        c->out.insert(c->out.end(), fr.begin(), fr.end());
        ids.push_back(c->id);
    }
    traceLine({{"dir", "event"}, {"what", "fail calls"}, {"call", gf_simCallName(call)}, {"count", count}});
    lock.unlock();
    wake();
    lock.lock();
    return changedCv_.wait_for(lock, wait, [&] {
        for (const auto& c : conns_)
            if (!c->dead && std::find(ids.begin(), ids.end(), c->id) != ids.end() && !c->faultAcked)
                return false;
        return true;
    });
}

void SimStandIn::raiseException(std::uint32_t code, std::uint32_t sendId, std::uint32_t index) {
    {
        std::lock_guard lock(mutex_);
        for (auto& c : conns_)
            if (!c->dead && c->opened)
                sendException(*c, code, sendId, index);
        changed();
    }
    wake();
}

void SimStandIn::failNextCreation(std::uint32_t exceptionCode) {
    std::lock_guard lock(mutex_);
    creationFaults_.push_back(exceptionCode);
}

void SimStandIn::setVersionMismatch(bool on) {
    std::lock_guard lock(mutex_);
    versionMismatch_ = on;
}

void SimStandIn::setCapacity(std::uint32_t capacity) {
    std::lock_guard lock(mutex_);
    cfg_.scenario.capacity = capacity;
}

void SimStandIn::setInstalledTitles(std::vector<std::string> titles) {
    std::lock_guard lock(mutex_);
    cfg_.scenario.installedTitles = std::move(titles);
}

// ---- queries --------------------------------------------------------------------------------------------------

std::vector<SimObjectState> SimStandIn::objects() const {
    std::lock_guard lock(mutex_);
    std::vector<SimObjectState> v;
    for (const auto& [id, o] : objects_)
        v.push_back(o);
    return v;
}

std::optional<SimObjectState> SimStandIn::object(std::uint32_t id) const {
    std::lock_guard lock(mutex_);
    auto it = objects_.find(id);
    if (it == objects_.end())
        return std::nullopt;
    return it->second;
}

std::optional<SimObjectState> SimStandIn::objectByAtcId(const std::string& atcId) const {
    std::lock_guard lock(mutex_);
    for (const auto& [id, o] : objects_)
        if (o.atcId == atcId)
            return o;
    return std::nullopt;
}

std::size_t SimStandIn::aiObjectCount() const {
    std::lock_guard lock(mutex_);
    std::size_t n = 0;
    for (const auto& [id, o] : objects_)
        if (o.kind == ObjectKind::Ai)
            ++n;
    return n;
}

std::uint64_t SimStandIn::openCount() const {
    std::lock_guard lock(mutex_);
    return opens_;
}

std::size_t SimStandIn::connectionCount() const {
    std::lock_guard lock(mutex_);
    std::size_t n = 0;
    for (const auto& c : conns_)
        if (!c->dead && c->opened)
            ++n;
    return n;
}

std::uint64_t SimStandIn::frameCount() const {
    std::lock_guard lock(mutex_);
    return frame_;
}

std::uint64_t SimStandIn::messagesSent() const {
    std::lock_guard lock(mutex_);
    return messagesSent_;
}

std::uint64_t SimStandIn::callCount(SimCall call) const {
    std::lock_guard lock(mutex_);
    auto i = static_cast<std::uint32_t>(call);
    return i < SIM_CALL_COUNT ? callCounts_[i] : 0;
}

std::vector<std::uint32_t> SimStandIn::movedBeforeReady() const {
    std::lock_guard lock(mutex_);
    return movedBeforeReady_;
}

std::vector<std::uint32_t> SimStandIn::removedObjects() const {
    std::lock_guard lock(mutex_);
    return removed_;
}

std::vector<json> SimStandIn::trace() const {
    std::lock_guard lock(mutex_);
    return traceMem_;
}

void SimStandIn::traceSnapshot() {
    std::lock_guard lock(mutex_);
    traceLine(snapshotLocked());
}

bool SimStandIn::waitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) const {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(mutex_);
    for (;;) {
        std::uint64_t seen = changeCount_;
        lock.unlock();
        bool ok = pred();
        lock.lock();
        if (ok)
            return true;
        if (!changedCv_.wait_until(lock, deadline, [&] { return changeCount_ != seen; }))
            return false;
    }
}

bool SimStandIn::waitForPacket(std::uint32_t packetId, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changedCv_.wait_for(lock, timeout, [&] {
        return std::any_of(conns_.begin(), conns_.end(),
                           [&](const std::unique_ptr<Conn>& c) { return c->lastPacket >= packetId; });
    });
}

bool SimStandIn::tracing() const {
    return traceFile_.is_open() || cfg_.traceInMemory;
}

void SimStandIn::traceLine(json j) {
    if (!tracing())
        return;
    j["seq"] = ++traceSeq_;
    j["frame"] = frame_;
    if (traceFile_.is_open())
        traceFile_ << j.dump() << '\n';
    if (cfg_.traceInMemory)
        traceMem_.push_back(std::move(j));
}

json SimStandIn::snapshotLocked() const {
    json list = json::array();
    for (const auto& [id, o] : objects_)
        list.push_back(gf_objectJson(o));
    return json{{"dir", "snapshot"}, {"objects", std::move(list)}};
}

void SimStandIn::changed() {
    ++changeCount_;
    changedCv_.notify_all();
}

} // namespace skf::standin
