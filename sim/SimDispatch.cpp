// The dispatch of received SimConnect messages (SimClient thread).
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <optional>

#include <fmt/format.h>

#include "core/RepeatedLog.h"
#include "core/StatusLine.h"
#include "core/WindowFields.h"
#include "core/Codes.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/Text.h"
#include "sim/SimDispatch.h"
#include "sim/SimLink.h"
#include "sim/SimLinkInternal.h"
#include "sim/SimLinkState.h"
#include "sim/SimQueues.h"
#include "sim/SimQueuesInternal.h"
#include "sim/UserAircraft.h"
#include "sim/UserAircraftInternal.h"

namespace skf {

namespace {

// The SimClient thread's lists in the simulator link's owner: the added objects (at most kMaxAddedObjects) and
// the "AS-GEN" notice, once per run.
SimClientLists& s_client = gf_simLinkState().client;

// Lines that a simulator (or whatever sits on its socket) can make us repeat without end: counted per kind,
// logged at most once a minute after the first (started over in every run).
enum DispatchFault : std::size_t {
    kUnknownMessage,
    kInvalidDataSize,
    kUnrecognizedId,
    kTooManyObjects,
    kOperationInvalid,
    kFlightPlanFailed,
    kOtherException,
    kForeignSpawn,
    kAddedObjectsForgotten,
    kImplausibleRangeData,
    kImplausibleRestAttitude,
};
RepeatedLogSet s_faults{"! Unknown Dispatch dwID",
                        "SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE",
                        "SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID",
                        "SimConnect: too many objects (max 1000)",
                        "SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE",
                        "SimConnect exception: load flight plan failed",
                        "SIMCONNECT_EXCEPTION #",
                        "just spawned, but not by Skyfill",
                        "added objects never seen in range data forgotten",
                        "range data refused",
                        "StaticCG refused"};

void lf_logInvalidDataSize() {
    s_faults[kInvalidDataSize].log([] { return std::string("SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE"); });
}

// The range data block of definition 404.
struct RangeData {
    double altAboveGround = 0.0;
    double groundAltitude = 0.0;
    std::int64_t onGround = 0;
    char atcId[32] = {};
};
static_assert(sizeof(RangeData) == 56);

// Removes the first pending creation that matches; the others keep their order.
template <typename Match>
std::optional<std::uint32_t> lf_takePendingCreation(Match match) {
    auto& pending = gf_pendingCreations();
    const auto it = std::find_if(pending.begin(), pending.end(), match);
    if (it == pending.end()) {
        return std::nullopt;
    }
    const std::uint32_t trafficId = it->trafficId;
    pending.erase(it);
    return trafficId;
}

bool lf_removeAddedObject(std::uint32_t objectId) {
    const auto it = std::find(s_client.addedObjects.begin(), s_client.addedObjects.end(), objectId);
    if (it == s_client.addedObjects.end()) {
        return false;
    }
    s_client.addedObjects.erase(it);
    return true;
}

// An object that never shows up in range data (someone else's, far away) stays in the list; a flood of such
// objects must cost neither memory nor a long search per range message, so the oldest is forgotten when the
// list is full. The program's own objects show up within a range request or two.
void lf_addObject(std::uint32_t objectId) {
    if (std::find(s_client.addedObjects.begin(), s_client.addedObjects.end(), objectId) !=
        s_client.addedObjects.end()) {
        return; // added twice: it is awaited already
    }
    if (s_client.addedObjects.size() >= kMaxAddedObjects) {
        s_client.addedObjects.erase(s_client.addedObjects.begin());
        s_faults[kAddedObjectsForgotten].log([] {
            return fmt::format("{} objects added but never seen in range data: the oldest is forgotten",
                               kMaxAddedObjects);
        });
    }
    s_client.addedObjects.push_back(objectId);
}

void lf_creationFailed(std::uint32_t sendId) {
    if (sendId == 0) {
        return; // no send id: nothing to match
    }
    const auto trafficId = lf_takePendingCreation([sendId](const PendingCreation& p) { return p.sendId == sendId; });
    if (trafficId) {
        gf_pushSimMessage(SimMessage{0, *trafficId, SimMessageKind::creationFailed, 0.0, 0.0});
    }
}

void lf_repaintWindow() {
    gf_markChanged(BAND_ALL);
}

} // namespace

std::vector<std::uint32_t>& gf_addedObjects() {
    return s_client.addedObjects;
}

void gf_reserveAddedObjects(std::size_t count) {
    s_client.addedObjects.reserve(count);
}

void gf_resetDispatchState() {
    for (std::size_t i = 0; i < s_faults.size(); ++i)
        s_faults[i].reset();
}

std::string lf_wrongSimMessage() {
    return fmt::format(
        "MSFS 20{} is running ..., switch Simulator, or select the right sim in the drop down list above",
        !g_simIs2020.load() ? "20" : "24");
}

void lf_onException(const SIMCONNECT_RECV_EXCEPTION* message) {
    if (message == nullptr) {
        return;
    }
    switch (message->dwException) {
    case SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID: {
        const UserAircraftBlock user = gf_receivedUserBlock();
        if (gf_holdsPosition(user.latitude, user.longitude) && !(g_stopRun.load() || g_shutDown.load())) {
            s_faults[kUnrecognizedId].log([] { return std::string("SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID"); }, true);
        }
        break;
    }
    case SIMCONNECT_EXCEPTION_VERSION_MISMATCH:
        throw UserErrorException(95, fmt::format("SimConnect Version Mismatch, dwIndex: {}", message->dwIndex));
    case SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS:
        gf_setStatus("SimConnect: too many objects (max 1000)");
        s_faults[kTooManyObjects].log([] { return std::string("SimConnect: too many objects (max 1000)"); });
        // A refused creation: the engine must hear of it like of any other failed creation.
        lf_creationFailed(message->dwSendID);
        break;
    case SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE:
        lf_logInvalidDataSize();
        break;
    case SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED:
        lf_creationFailed(message->dwSendID);
        break;
    case SIMCONNECT_EXCEPTION_LOAD_FLIGHTPLAN_FAILED:
        s_faults[kFlightPlanFailed].log([] { return std::string("SimConnect exception: load flight plan failed"); },
                                        true);
        break;
    case SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE:
        s_faults[kOperationInvalid].log(
            [] { return std::string("SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE"); });
        break;
    default:
        s_faults[kOtherException].log(
            [message] { return fmt::format("SIMCONNECT_EXCEPTION #{}", message->dwException); }, true);
        break;
    }
}

void lf_onOpen(const SIMCONNECT_RECV_OPEN* message) {
    if (message == nullptr) {
        return;
    }
    const std::size_t length = strnlen(message->szApplicationName, sizeof message->szApplicationName);
    const std::string raw(message->szApplicationName, length);
    if (raw.empty()) {
        gf_log("! Simulator name empty?");
        return;
    }
    g_mainWindow.simConnected = true;
    lf_repaintWindow();
    std::string name;
    for (const char c : raw) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) != 0 || std::isspace(u) != 0) {
            name += c;
        }
    }
    const bool is2024Chosen = !g_simIs2020.load();
    std::string simName;
    if (name == "KittyHawk") {
        if (is2024Chosen) {
            throw UserErrorException(71, lf_wrongSimMessage());
        }
        simName = "MSFS 2020";
    } else if (name == "SunRise") {
        if (!is2024Chosen) {
            throw UserErrorException(71, lf_wrongSimMessage());
        }
        simName = "MSFS 2024";
    } else {
        throw UserErrorException(77, fmt::format("'{}' not being MSFS 2020 or MSFS 2024 connects ... ?", name));
    }
    const std::string text =
        fmt::format("{} ({}.{}.{}.{})", simName, message->dwApplicationVersionMajor, message->dwApplicationVersionMinor,
                    message->dwApplicationBuildMajor, message->dwApplicationBuildMinor);
    gf_log(fmt::format("{} connected", text));
    g_mainWindow.simulatorText.set(text);
    lf_repaintWindow();
    gf_clearStatus();
}

void lf_onSimObjectData(const SIMCONNECT_RECV_SIMOBJECT_DATA* message) {
    if (message == nullptr) {
        return;
    }
    switch (message->dwRequestID) {
    case SIM_REQ_STATIC_CG: {
        if (gf_simDataBlockSize(message) < 2 * sizeof(double)) {
            lf_logInvalidDataSize();
            return;
        }
        double values[2] = {};
        std::memcpy(values, gf_simDataBlock(message), sizeof values);
        if (!gf_plausibleHeightFt(values[0]) || !gf_plausibleAngleRad(values[1])) {
            s_faults[kImplausibleRestAttitude].log([&] {
                return fmt::format("StaticCG refused: oid {}, height {} ft, pitch {} rad",
                                   gf_objectIdText(message->dwObjectID), values[0], values[1]);
            });
            return;
        }
        gf_pushSimMessage(SimMessage{message->dwObjectID, 0, SimMessageKind::staticCg, values[0], values[1]});
        break;
    }
    case SIM_REQ_USER_TITLE:
        lf_onUserTitle(*message);
        break;
    case SIM_REQ_USER_MODEL:
        lf_onUserModel(*message);
        break;
    case SIM_REQ_USER_ON_GROUND:
        lf_onUserOnGround(*message);
        break;
    case SIM_REQ_USER_POSITION:
        lf_onUserPosition(*message);
        break;
    default:
        break;
    }
}

void lf_onObjectsInRange(const SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE* message) {
    if (message == nullptr || message->dwRequestID != SIM_REQ_RANGE) {
        return;
    }
    const std::uint32_t objectId = message->dwObjectID;
    if (objectId <= g_userObjectId.load()) {
        return;
    }
    if (gf_simDataBlockSize(message) < sizeof(RangeData)) {
        lf_logInvalidDataSize();
        return;
    }
    RangeData data;
    std::memcpy(&data, gf_simDataBlock(message), sizeof data);
    if (!gf_plausibleHeightFt(data.altAboveGround) || !gf_plausibleHeightFt(data.groundAltitude)) {
        // Never handed to the engine, which would place aircraft with it; the object stays unseen.
        s_faults[kImplausibleRangeData].log([&] {
            return fmt::format("range data refused: oid {}, altaboveGnd {} ft, gnd_alt {} ft",
                               gf_objectIdText(objectId), data.altAboveGround, data.groundAltitude);
        });
        return;
    }
    const std::string atcId(data.atcId, strnlen(data.atcId, sizeof data.atcId));

    if (!lf_removeAddedObject(objectId)) {
        // An aircraft seen before (the program's own confirmed objects among them).
        if (data.altAboveGround > 2500.0 || atcId.empty() || atcId.back() == '*') {
            return;
        }
        gf_pushSimMessage(SimMessage{objectId, static_cast<std::uint32_t>(data.onGround), SimMessageKind::knownInRange,
                                     data.groundAltitude, data.altAboveGround});
        return;
    }
    std::optional<std::uint32_t> trafficId;
    if (!atcId.empty()) {
        trafficId = lf_takePendingCreation([&atcId](const PendingCreation& p) { return p.tailNumber == atcId; });
    }
    if (!trafficId) {
        if (atcId == "AS-GEN") {
            if (!s_client.foreignSpawnLogged) {
                s_client.foreignSpawnLogged = true;
                gf_log(fmt::format("\nSpawned by Asobo, oid: {}, callsign AS-GEN, altaboveGnd:{:.0f} ft, onground:{}, "
                                   "gnd_alt:{:.0f} ft\n This message will be logged only once...\n",
                                   gf_objectIdText(objectId), data.altAboveGround, data.onGround, data.groundAltitude));
            }
        } else {
            s_faults[kForeignSpawn].log([&] {
                return fmt::format(
                    "just spawned, but not by {}, oid: {}, callsign '{}', altaboveGnd:{:.0f} ft, onground:{}, "
                    "gnd_alt:{:.0f} ft",
                    "Skyfill", gf_objectIdText(objectId), atcId, data.altAboveGround, data.onGround,
                    data.groundAltitude);
            });
        }
        return;
    }
    {
        // Release and freeze go out at once, not through the event queue: the frame handler sends positions
        // before events, and the object must never be moved before it is released and frozen.
        std::lock_guard lock(g_simCommandMutex);
        const SimHandle handle = g_simConnect.load();
        SimConnect_AIReleaseControl(handle, objectId, SIM_REQ_RELEASE_CONTROL);
        for (const std::uint32_t event :
             {SIM_EVENT_FREEZE_LAT_LON_SET, SIM_EVENT_FREEZE_ALTITUDE_SET, SIM_EVENT_FREEZE_ATTITUDE_SET}) {
            if (gf_simFailed(SimConnect_TransmitClientEvent(handle, objectId, event, 1, SIM_GROUP_AI, 0))) {
                gf_setStatus(fmt::format("SimConnect TransmitClientEvent: {} fails", event), true);
            }
        }
    }
    const bool live = *trafficId > kLiveTrafficIdBase;
    gf_pushSimMessage(SimMessage{objectId, *trafficId,
                                 live ? SimMessageKind::liveCreated : SimMessageKind::staticCreated, 0.0,
                                 live ? data.altAboveGround : 0.0});
}

void lf_dispatch(SIMCONNECT_RECV* message, std::uint32_t /*size*/, void* /*context*/) {
    if (message == nullptr) {
        return;
    }
    switch (message->dwID) {
    case SIMCONNECT_RECV_ID_EXCEPTION:
        lf_onException(static_cast<SIMCONNECT_RECV_EXCEPTION*>(message));
        break;
    case SIMCONNECT_RECV_ID_OPEN:
        lf_onOpen(static_cast<SIMCONNECT_RECV_OPEN*>(message));
        break;
    case SIMCONNECT_RECV_ID_QUIT:
        g_simRunning = false;
        break;
    case SIMCONNECT_RECV_ID_EVENT: {
        const auto* event = static_cast<SIMCONNECT_RECV_EVENT*>(message);
        if (event->uEventID == SIM_EVENT_SIM) {
            g_simRunning = event->dwData == 1;
            g_mainWindow.simRunning = event->dwData == 1;
            lf_repaintWindow();
        } else if (event->uEventID == SIM_EVENT_FLIGHT_LOADED) {
            gf_log("SimConnect: flight loaded event");
            gf_requestUserStandRefresh();
            gf_raiseStop(ExitReason::NewFlight, 45);
        }
        break;
    }
    case SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE: {
        const auto* event = static_cast<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE*>(message);
        if (event->eObjType != SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT) {
            break;
        }
        if (event->uEventID == SIM_EVENT_OBJECT_ADDED) {
            if (event->dwData > g_userObjectId.load()) {
                lf_addObject(event->dwData);
            }
        } else if (event->uEventID == SIM_EVENT_OBJECT_REMOVED) {
            lf_removeAddedObject(event->dwData); // gone before it showed up in range data
            gf_pushSimMessage(SimMessage{event->dwData, 0, SimMessageKind::objectRemoved, 0.0, 0.0});
        }
        break;
    }
    case SIMCONNECT_RECV_ID_EVENT_FILENAME:
        gf_logError("SimConnect: New file event");
        gf_requestUserStandRefresh();
        gf_raiseStop(ExitReason::NewFlight, 45);
        break;
    case SIMCONNECT_RECV_ID_EVENT_FRAME:
        lf_onFrame();
        break;
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA:
        lf_onSimObjectData(static_cast<SIMCONNECT_RECV_SIMOBJECT_DATA*>(message));
        break;
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE:
        lf_onObjectsInRange(static_cast<SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE*>(message));
        break;
    case 12:
    case 16:
    case 27:
        break;
    default:
        s_faults[kUnknownMessage].log([message] { return fmt::format("! Unknown Dispatch dwID {}", message->dwID); });
        break;
    }
}

} // namespace skf
