// The stand-in's world: its objects, their frame-by-frame movement (user path, foreign traffic, AI objects)
// and the confirmation of creations. Ticked by the stand-in's own thread in real time, or by step() on a
// test's thread, always with the stand-in's mutex held; it never reads a socket (answers go out through the
// message senders of SimStandIn.cpp).
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

// ---- the world ----------------------------------------------------------------------------------------------------

SimObjectState* SimStandIn::find(std::uint32_t id) {
    auto it = objects_.find(id);
    return it == objects_.end() ? nullptr : &it->second;
}

SimObjectState& SimStandIn::user() {
    return objects_.at(cfg_.scenario.userObjectId);
}

double SimStandIn::groundFt(double lat, double lon) const {
    for (const auto& a : cfg_.scenario.areas)
        if (gf_standInDistanceNm(lat, lon, a.lat, a.lon) <= a.radiusNm)
            return a.elevationFt;
    return 0.0;
}

bool SimStandIn::titleInstalled(const std::string& title) const {
    for (const auto& t : cfg_.scenario.installedTitles)
        if (t == "*" || t == title)
            return true;
    return false;
}

std::size_t SimStandIn::aiCountLocked() const {
    std::size_t n = 0;
    for (const auto& [id, o] : objects_)
        if (o.kind == ObjectKind::Ai)
            ++n;
    for (const auto& c : conns_)
        n += c->creations.size();
    return n;
}

void SimStandIn::removeObject(std::uint32_t id, const char* why) {
    auto it = objects_.find(id);
    if (it == objects_.end() || it->second.kind == ObjectKind::User)
        return;
    traceLine({{"dir", "event"}, {"what", "removed"}, {"why", why}, {"obj", gf_objectJson(it->second)}});
    objects_.erase(it);
    removed_.push_back(id);
    sendSystemEvent("ObjectRemoved", id, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
}

void SimStandIn::tick() {
    ++frame_;
    if (flightRunning_) {
        flightTime_ += kFrameSeconds;
        zuluSeconds_ += kFrameSeconds;
        if (zuluSeconds_ >= 86400)
            zuluSeconds_ -= 86400;
        tickUser();
        tickForeign();
        tickAi();
        confirmCreations();
        sendSystemEvent("Frame", 0);
        if (cfg_.tracePoses)
            tracePoses();
        const auto every = static_cast<std::uint64_t>(std::llround(cfg_.snapshotEverySeconds * kFramesPerSecond));
        if (every > 0 && frame_ % every == 0)
            traceLine(snapshotLocked());
    }
    if (frame_ % kFramesPerSecond == 0) {
        for (auto& c : conns_) {
            if (c->dead || !c->opened)
                continue;
            std::erase_if(c->everySecond, [&](const Request& q) { return !objects_.count(q.objectId); });
            for (const auto& q : c->everySecond)
                sendObjectData(*c, q.requestId, q.defineId, objects_.at(q.objectId), false, 1, 1);
        }
    }
}

void SimStandIn::tracePoses() {
    for (const auto& [id, o] : objects_) {
        if (o.kind != ObjectKind::Ai)
            continue;
        const double agl = o.altFt - groundFt(o.lat, o.lon);
        traceLine({{"dir", "pose"},
                   {"object", id},
                   {"atcId", o.atcId},
                   {"lat", o.lat},
                   {"lon", o.lon},
                   {"alt", o.altFt},
                   {"pitch", o.pitch},
                   {"bank", o.bank},
                   {"heading", o.heading},
                   {"onGround", agl <= o.staticCgFt + 0.5},
                   {"agl", agl}});
    }
}

void SimStandIn::tickUser() {
    const auto& path = cfg_.scenario.path;
    if (!userOnPath_ || path.empty())
        return;
    SimObjectState& u = user();
    const double T = flightTime_;
    auto altAt = [&](const Waypoint& w) { return w.altFt ? *w.altFt : groundFt(w.lat, w.lon); };
    std::size_t i = 0;
    while (i + 1 < path.size() && path[i + 1].t <= T)
        ++i;
    const Waypoint& a = path[i];
    if (i + 1 >= path.size() || path[i + 1].jump || path[i + 1].t <= a.t) {
        bool jumped = a.jump && (u.lat != a.lat || u.lon != a.lon);
        u.lat = a.lat;
        u.lon = a.lon;
        u.altFt = altAt(a);
        u.heading = wrapAngle(a.headingDeg * g_degToRad);
        u.gsKts = u.tasKts = u.vsFtPerSec = 0;
        if (jumped)
            traceLine({{"dir", "event"}, {"what", "teleport"}, {"lat", u.lat}, {"lon", u.lon}});
        return;
    }
    const Waypoint& b = path[i + 1];
    double f = (T - a.t) / (b.t - a.t);
    u.lat = a.lat + (b.lat - a.lat) * f;
    u.lon = a.lon + (b.lon - a.lon) * f;
    double alt0 = altAt(a), alt1 = altAt(b);
    u.altFt = b.altFt || a.altFt ? alt0 + (alt1 - alt0) * f : groundFt(u.lat, u.lon);
    double dh = std::remainder(b.headingDeg - a.headingDeg, 360.0);
    u.heading = wrapAngle((a.headingDeg + dh * f) * g_degToRad);
    double hours = (b.t - a.t) / 3600.0;
    u.gsKts = u.tasKts = gf_standInDistanceNm(a.lat, a.lon, b.lat, b.lon) / hours;
    u.vsFtPerSec = (alt1 - alt0) / (b.t - a.t);
}

void SimStandIn::tickForeign() {
    const auto& list = cfg_.scenario.foreign;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const ForeignAircraft& f = list[i];
        bool present = f.appearAt <= flightTime_ && (f.removeAt < 0 || flightTime_ < f.removeAt);
        if (present && !foreignPresent_[i]) {
            SimObjectState o;
            o.id = nextObjectId_++;
            o.kind = ObjectKind::Foreign;
            o.title = f.title;
            o.atcId = f.atcId;
            o.lat = f.lat;
            o.lon = f.lon;
            o.altFt = f.altFt ? *f.altFt : groundFt(f.lat, f.lon);
            o.heading = wrapAngle(f.headingDeg * g_degToRad);
            o.tasKts = o.gsKts = f.speedKts;
            o.staticCgFt = cfg_.scenario.staticCgFt;
            o.staticPitchRad = cfg_.scenario.staticPitchDeg * g_degToRad;
            objects_[o.id] = o;
            foreignIds_[i] = o.id;
            foreignPresent_[i] = true;
            traceLine({{"dir", "event"}, {"what", "created"}, {"obj", gf_objectJson(o)}});
            sendSystemEvent("ObjectAdded", o.id, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
        } else if (!present && foreignPresent_[i]) {
            foreignPresent_[i] = false;
            removeObject(foreignIds_[i], "foreign traffic left");
        } else if (present && f.speedKts > 0) {
            if (SimObjectState* o = find(foreignIds_[i])) {
                double d = f.speedKts * kFrameSeconds / 3600.0; // nautical miles this frame
                o->lat += d / 60.0 * std::cos(o->heading);
                o->lon += d / 60.0 * std::sin(o->heading) / std::max(0.01, std::cos(o->lat * g_degToRad));
            }
        }
    }
}

// What the simulator does to AI objects by itself: one under its own AI control flies on along its heading at
// its airspeed; a released one that is not frozen in altitude sinks to the ground; frozen ones stay put until
// a client sets their position.
void SimStandIn::tickAi() {
    constexpr double kSinkFtPerSec = 10.0;
    for (auto& [id, o] : objects_) {
        if (o.kind != ObjectKind::Ai)
            continue;
        if (!o.released) {
            if (o.tasKts > 0 && !o.freezeLatLon) {
                double d = o.tasKts * kFrameSeconds / 3600.0;
                o.lat += d / 60.0 * std::cos(o.heading);
                o.lon += d / 60.0 * std::sin(o.heading) / std::max(0.01, std::cos(o.lat * g_degToRad));
            }
            continue;
        }
        if (!o.freezeAlt)
            o.altFt = std::max(groundFt(o.lat, o.lon), o.altFt - kSinkFtPerSec * kFrameSeconds);
    }
}

void SimStandIn::confirmCreations() {
    for (auto& cp : conns_) {
        Conn& c = *cp;
        if (c.dead)
            continue;
        for (auto it = c.creations.begin(); it != c.creations.end();) {
            if (it->framesLeft > 1) {
                --it->framesLeft;
                ++it;
                continue;
            }
            SimObjectState o;
            o.id = nextObjectId_++;
            o.kind = ObjectKind::Ai;
            o.owner = c.id;
            o.createPacket = it->packet;
            o.title = it->title;
            o.atcId = it->tail;
            o.lat = it->pos.Latitude;
            o.lon = it->pos.Longitude;
            o.altFt = it->pos.OnGround != 0 ? groundFt(o.lat, o.lon) : it->pos.Altitude;
            o.pitch = it->pos.Pitch * g_degToRad;
            o.bank = it->pos.Bank * g_degToRad;
            o.heading = wrapAngle(it->pos.Heading * g_degToRad);
            o.tasKts = it->pos.Airspeed;
            o.staticCgFt = cfg_.scenario.staticCgFt;
            o.staticPitchRad = cfg_.scenario.staticPitchDeg * g_degToRad;
            std::uint32_t req = it->requestId;
            it = c.creations.erase(it);
            objects_[o.id] = o;
            traceLine({{"dir", "event"}, {"what", "created"}, {"obj", gf_objectJson(o)}, {"packet", o.createPacket}});
            SIMCONNECT_RECV_ASSIGNED_OBJECT_ID a{};
            a.dwID = SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID;
            a.dwRequestID = req;
            a.dwObjectID = o.id;
            sendRaw(c, &a, sizeof a, {{"request", req}, {"object", o.id}});
            sendSystemEvent("ObjectAdded", o.id, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
        }
    }
}

} // namespace skf::standin
