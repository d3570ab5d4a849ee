// Floods: messages sent to a client as fast as it takes them in (a broken simulator, or whatever sits on its
// socket). flood() runs on the caller's thread under the stand-in's mutex; topUpFlood() on the stand-in's thread,
// which refills a client's send buffer whenever it runs low.
#include "tools/simstandin/SimStandIn.h"

#include <cctype>
#include <cstring>

namespace skf::standin {

namespace {

constexpr std::size_t kFloodBufferBytes = 256 * 1024; // what waits in the stand-in for one client at most

// The client's id of a system event, when it subscribed to it.
std::optional<std::uint32_t> subscribedId(const std::map<std::uint32_t, std::string>& events, const char* name) {
    for (const auto& [id, event] : events) {
        if (event.size() == std::strlen(name) && std::equal(event.begin(), event.end(), name, [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            return id;
    }
    return std::nullopt;
}

} // namespace

void SimStandIn::flood(FloodKind kind, std::uint64_t count) {
    {
        std::lock_guard lock(mutex_);
        for (auto& c : conns_) {
            if (c->dead || !c->opened)
                continue;
            c->floodKind = kind;
            c->floodLeft += count;
        }
        traceLine({{"dir", "event"}, {"what", "flood"}, {"kind", static_cast<int>(kind)}, {"count", count}});
        changed();
    }
    wake();
}

std::uint64_t SimStandIn::floodLeft() const {
    std::lock_guard lock(mutex_);
    std::uint64_t left = 0;
    for (const auto& c : conns_)
        if (!c->dead)
            left += c->floodLeft;
    return left;
}

void SimStandIn::topUpFlood(Conn& c) {
    const auto append = [&](const void* message, std::size_t size) {
        SimWireWriter w(c.out, static_cast<std::uint32_t>(SimReply::Message), 0);
        w.raw(message, size);
        w.finish();
        ++messagesSent_;
        --c.floodLeft;
    };
    while (c.floodLeft > 0 && c.out.size() < kFloodBufferBytes) {
        switch (c.floodKind) {
        case FloodKind::UnknownMessages: {
            SIMCONNECT_RECV m{};
            m.dwSize = sizeof m;
            m.dwVersion = SIM_WIRE_VERSION;
            m.dwID = 99;
            append(&m, sizeof m);
            break;
        }
        case FloodKind::Frames: {
            SIMCONNECT_RECV_EVENT_FRAME e{};
            e.dwSize = sizeof e;
            e.dwVersion = SIM_WIRE_VERSION;
            e.dwID = SIMCONNECT_RECV_ID_EVENT_FRAME;
            e.uGroupID = SIMCONNECT_UNUSED;
            e.uEventID = subscribedId(c.systemEvents, "Frame").value_or(0);
            e.fFrameRate = 30.0f;
            e.fSimSpeed = 1.0f;
            append(&e, sizeof e);
            break;
        }
        case FloodKind::ObjectsAdded: {
            SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE e{};
            e.dwSize = sizeof e;
            e.dwVersion = SIM_WIRE_VERSION;
            e.dwID = SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE;
            e.uGroupID = SIMCONNECT_UNUSED;
            e.uEventID = subscribedId(c.systemEvents, "ObjectAdded").value_or(0);
            e.dwData = nextFloodObjectId_++;
            e.eObjType = SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT;
            append(&e, sizeof e);
            break;
        }
        case FloodKind::ShortRangeData: {
            SIMCONNECT_RECV_SIMOBJECT_DATA d{};
            d.dwSize = sizeof d;
            d.dwVersion = SIM_WIRE_VERSION;
            d.dwID = SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE;
            d.dwRequestID = SIM_REQ_RANGE;
            d.dwObjectID = nextFloodObjectId_++;
            append(&d, sizeof d); // a data block of 4 bytes, where range data has 56
            break;
        }
        }
    }
}

} // namespace skf::standin
