#include "sim/SimQueues.h"
#include "sim/SimLinkState.h"
#include "sim/SimQueuesInternal.h"

#include <algorithm>
#include <array>

#include <fmt/format.h>

#include "core/Log.h"
#include "core/RepeatedLog.h"
#include "core/ShellState.h"
#include "core/SizeCategory.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "core/Time.h"
#include "core/WindowFields.h"
#include "data/apf/Stand.h"
#include "sim/SimLink.h"

namespace skf {

namespace {

constexpr std::size_t kQueueReserve = 256;
constexpr std::array<std::uint32_t, 5> kFlapsValues{0, 3072, 10240, 16383, 0};
constexpr std::array<std::uint32_t, 5> kThrottleValues{0, 4914, 8191, 11468, 16383};

SimLinkState& s_link = gf_simLinkState();
std::vector<PositionEntry>& s_positionsA = s_link.commands.positionsA;
std::vector<PositionEntry>& s_positionsB = s_link.commands.positionsB;
std::vector<PendingCreation>& s_pendingCreations = s_link.client.pendingCreations;

void lf_queueEvent(std::uint32_t objectId, std::uint32_t eventId, std::uint32_t value) {
    std::lock_guard lock(g_simCommandMutex);
    g_eventQueue.push_back(EventEntry{objectId, eventId, value});
}

} // namespace

std::vector<PendingCreation>& gf_pendingCreations() {
    return s_pendingCreations;
}

void gf_swapPositionBuffers() {
    std::swap(g_positionWrite, g_positionRead);
}

void gf_clearPositionBuffers() {
    std::lock_guard lock(g_simCommandMutex);
    g_positionWrite->clear();
    g_positionRead->clear();
}

bool gf_trySwapPositionBuffers() {
    std::unique_lock lock(g_simCommandMutex, std::try_to_lock);
    if (!lock.owns_lock()) {
        return false;
    }
    gf_swapPositionBuffers();
    return true;
}

void gf_reserveSimQueues() {
    gf_stopSimClient(); // the pending and added lists belong to the SimClient thread
    {
        std::lock_guard lock(g_simCommandMutex);
        s_positionsA.reserve(kQueueReserve);
        s_positionsB.reserve(kQueueReserve);
        g_creationQueue.reserve(kQueueReserve);
        g_removalQueue.reserve(kQueueReserve);
    }
    g_engineRemovalQueue.reserve(kQueueReserve);
    g_liveCreationQueue.reserve(kQueueReserve);
    g_staticCreationQueue.reserve(kQueueReserve);
    s_pendingCreations.reserve(kQueueReserve);
    gf_reserveAddedObjects(kQueueReserve);
    g_simHalted = false;
}

void gf_queueCreation(const CreationRecord& record) {
    std::lock_guard lock(g_simCommandMutex);
    g_creationQueue.push_back(record);
}

void gf_queuePosition(std::uint32_t objectId, const AiPositionBlock& block) {
    g_positionWrite->push_back(PositionEntry{block, objectId});
}

void gf_engineAutoStart(std::uint32_t objectId) {
    lf_queueEvent(objectId, SIM_EVENT_ENGINE_AUTO_START, 0);
}

void gf_engineAutoShutdown(std::uint32_t objectId) {
    lf_queueEvent(objectId, SIM_EVENT_ENGINE_AUTO_SHUTDOWN, 0);
}

void gf_setLights(std::uint32_t objectId, std::uint32_t nav, std::uint32_t beacon, std::uint32_t landing,
                  std::uint32_t taxi, std::uint32_t strobes, std::uint32_t logo, std::uint32_t cabin) {
    std::lock_guard lock(g_simCommandMutex);
    g_eventQueue.push_back(EventEntry{objectId, SIM_EVENT_NAV_LIGHTS_SET, nav});
    g_eventQueue.push_back(EventEntry{objectId, SIM_EVENT_BEACON_LIGHTS_SET, beacon});
    g_eventQueue.push_back(EventEntry{objectId, SIM_EVENT_LANDING_LIGHTS_SET, landing});
    g_eventQueue.push_back(EventEntry{objectId, SIM_EVENT_TAXI_LIGHTS_SET, taxi});
    g_eventQueue.push_back(EventEntry{objectId, SIM_EVENT_STROBES_SET, strobes});
    g_eventQueue.push_back(EventEntry{objectId, SIM_EVENT_LOGO_LIGHTS_SET, logo});
    g_eventQueue.push_back(EventEntry{objectId, SIM_EVENT_CABIN_LIGHTS_SET, cabin});
}

void gf_setNavLight(std::uint32_t objectId, std::uint32_t value) {
    lf_queueEvent(objectId, SIM_EVENT_NAV_LIGHTS_SET, value);
}

void gf_setCabinLight(std::uint32_t objectId, std::uint32_t value) {
    lf_queueEvent(objectId, SIM_EVENT_CABIN_LIGHTS_SET, value);
}

// The event functions below take the aircraft's object id; ParkedAircraft is the head of every AI record.
void gf_setSpoilers(const ParkedAircraft& aircraft, std::uint32_t on) {
    if (aircraft.category == SizeCategory::Rotorcraft) {
        return;
    }
    lf_queueEvent(aircraft.objectId, SIM_EVENT_SPOILERS_SET, on != 0 ? 16383U : 0U);
}

void gf_setGear(const ParkedAircraft& aircraft, std::uint32_t value) {
    if (aircraft.category == SizeCategory::Rotorcraft) {
        return;
    }
    lf_queueEvent(aircraft.objectId, SIM_EVENT_GEAR_SET, value);
}

void gf_setFlaps(ParkedAircraft& aircraft, std::uint32_t index) {
    if (index == aircraft.flapsIndex || aircraft.category == SizeCategory::Rotorcraft) {
        return;
    }
    if (index > 4) {
        gf_logError("gf_setFlaps: invalid flaps index");
    } else {
        lf_queueEvent(aircraft.objectId, SIM_EVENT_FLAPS_SET, kFlapsValues[index]);
    }
    aircraft.flapsIndex = index;
}

void gf_setThrottle(ParkedAircraft& aircraft, std::uint32_t index) {
    if (index == aircraft.throttleIndex) {
        return;
    }
    if (index < 5) {
        lf_queueEvent(aircraft.objectId, SIM_EVENT_THROTTLE_SET, kThrottleValues[index]);
    }
    aircraft.throttleIndex = index;
}

bool gf_removePendingCreation(std::vector<CreationRecord>& queue, std::uint32_t trafficId) {
    if (trafficId == 0) {
        return false;
    }
    const auto removed =
        std::erase_if(queue, [trafficId](const CreationRecord& r) { return r.trafficId == trafficId; });
    return removed > 0;
}

void removeAircraftFromSim(ParkedAircraft& aircraft) {
    if (aircraft.simStatus == SimStatus::buffer) {
        aircraft.erase = 1; // nothing was sent
        return;
    }
    if (aircraft.removeWhenAdded != 0) {
        return;
    }
    if (aircraft.simStatus == SimStatus::adding2sim) {
        if (gf_removePendingCreation(g_liveCreationQueue, aircraft.trafficId) ||
            gf_removePendingCreation(g_staticCreationQueue, aircraft.trafficId)) {
            aircraft.eraseCreationCancelled = 1;
        } else {
            aircraft.removeWhenAdded = 1; // the creation is with the simulator already
        }
        return;
    }
    if (aircraft.simStatus == SimStatus::removingfromsim) {
        return; // its removal is queued or sent already
    }
    if (aircraft.trafficId > kLiveTrafficIdBase) {
        gf_setStandOccupied(aircraft.standId, false);
        // The aircraft selected in the window leaves: the selection and the window's live callsign list go.
        if (aircraft.objectId != 0 && g_selectedObjectId.load() == aircraft.objectId) {
            g_selectedObjectId = 0;
            gf_resetWindowCallsignList();
        }
    }
    aircraft.simStatus = SimStatus::removingfromsim;
    if (aircraft.objectId == 0) {
        gf_logError(
            fmt::format("{} removing act {}, with objectid=0 ?", "removeAircraftFromSim", gf_aircraftText(aircraft)));
        // No object in the simulator: no removal event will come, so the engine drops the record itself.
        aircraft.erase = 1;
        return;
    }
    g_engineRemovalQueue.push_back(aircraft.objectId);
}

bool gf_pushSimMessage(const SimMessage& message) {
    {
        std::lock_guard lock(g_simMessageMutex);
        if (g_simMessages.size() < kMaxSimMessages) {
            g_simMessages.push_back(message);
            return true;
        }
    }
    // Only a flood fills it: the engine takes every message each 10 ms step.
    static RepeatedLog s_dropped("sim messages dropped");
    s_dropped.log([] { return fmt::format("sim messages dropped: {} wait for the engine already", kMaxSimMessages); },
                  true);
    return false;
}

void gf_takeSimMessages(std::vector<SimMessage>& out) {
    out.clear();
    if (out.capacity() > kSimMessagesKept) {
        // The storage of a flood is given back: the two vectors trade places every step, so both shrink.
        std::vector<SimMessage>().swap(out);
        out.reserve(kQueueReserve);
    }
    std::lock_guard lock(g_simMessageMutex);
    out.swap(g_simMessages);
}

void lf_createAiObject(const CreationRecord& record) {
    thread_local std::string title;
    title.assign(record.liveryTitle.data(), record.liveryTitle.size());
    const SimHandle handle = g_simConnect.load();
    const SIMCONNECT_DATA_INITPOSITION init{
        record.position.latitude, record.position.longitude, record.position.altitude, record.position.pitch,
        record.position.bank,     record.position.heading,   record.position.onGround, record.position.airspeed};
    if (gf_simFailed(
            SimConnect_AICreateNonATCAircraft(handle, title.c_str(), record.callsign.c_str(), init, SIM_REQ_CREATE))) {
        gf_logError(fmt::format("! Simcon call to create ac in sim failed, hexid:{}, liv: '{}', callsign: {})",
                                record.trafficId, title, record.callsign));
        gf_simRequestError();
        return;
    }
    std::uint32_t sendId = 0;
    if (gf_simFailed(SimConnect_GetLastSentPacketID(handle, &sendId))) {
        gf_logError("GetLastSentPacketID");
        sendId = 0;
    }
    s_pendingCreations.push_back(PendingCreation{sendId, record.trafficId, record.callsign});
}

void lf_removeAiObject(std::uint32_t objectId) {
    if (objectId > g_userObjectId.load()) {
        if (gf_simFailed(SimConnect_AIRemoveObject(g_simConnect.load(), objectId, SIM_REQ_REMOVE))) {
            gf_logError(fmt::format("{} !SimConnect call to remove AI ac from sim failed, id {}?", gf_timeOfDayText(),
                                    gf_objectIdText(objectId)));
            gf_simRequestError();
        }
        return;
    }
    gf_logError(fmt::format("SimConnect call to remove ac with objectid {}", gf_objectIdText(objectId)));
}

bool lf_onFrame() {
    std::unique_lock lock(g_simCommandMutex, std::try_to_lock);
    if (!lock.owns_lock()) {
        return false; // the queues wait for the next frame
    }
    if (g_simHalted.load()) {
        g_positionRead->clear();
        g_eventQueue.clear();
        g_creationQueue.clear();
        g_removalQueue.clear();
        return true;
    }
    const SimHandle handle = g_simConnect.load();
    const std::uint32_t userObject = g_userObjectId.load();
    for (auto& entry : *g_positionRead) {
        if (entry.objectId > userObject) {
            SimConnect_SetDataOnSimObject(handle, SIM_DEF_AI_POSITION, entry.objectId, 0, 0, sizeof(AiPositionBlock),
                                          &entry.block);
        }
    }
    g_positionRead->clear();
    for (const auto& event : g_eventQueue) {
        const bool flaps = event.eventId == SIM_EVENT_FLAPS_SET;
        if (flaps) {
            SimConnect_AIReleaseControl(handle, event.objectId, SIM_REQ_RELEASE_CONTROL);
        }
        if (gf_simFailed(
                SimConnect_TransmitClientEvent(handle, event.objectId, event.eventId, event.value, SIM_GROUP_AI, 0))) {
            gf_setStatus(fmt::format("SimConnect TransmitClientEvent: {} fails", event.eventId), true);
        } else if (flaps) {
            SimConnect_AIReleaseControl(handle, event.objectId, SIM_REQ_RELEASE_CONTROL);
        }
    }
    g_eventQueue.clear();
    for (const auto& creation : g_creationQueue) {
        lf_createAiObject(creation);
    }
    g_creationQueue.clear();
    for (const auto objectId : g_removalQueue) {
        lf_removeAiObject(objectId);
    }
    g_removalQueue.clear();
    return true;
}

} // namespace skf
