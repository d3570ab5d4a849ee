#pragma once
// Skyfill's own simulator client library.
//
// A small client API in the spirit of the simulator's client library, with exactly the calls, data types,
// ids and received messages that Skyfill uses. It talks to a simulator (in this Linux build: the stand-in
// tools/simstandin) over a Unix-domain socket, whose path comes from the environment variable
// SKYFILL_SIMCONNECT_SOCKET, else "$XDG_RUNTIME_DIR/skyfill-simconnect.sock", else
// "/tmp/skyfill-<uid>/simconnect.sock", each folder only when this user alone can reach it (see
// gf_simConnectSocket).
//
// Rules every call keeps:
//  - Every call returns a SimResult; a negative value is a failure (use gf_simSucceeded / gf_simFailed).
//  - A zero handle, a closed handle or a connection whose simulator has gone gives a failure, never a crash.
//  - Any call may be made from any thread, also while another thread is inside SimConnect_CallDispatch.
//  - Every call that sends something to the simulator gets the next packet id of its connection (1, 2, 3, ...);
//    SimConnect_GetLastSentPacketID gives the id of the last send that the calling thread made on that handle
//    (or, when this thread has sent nothing on it, the connection's last one). Exceptions that the simulator
//    reports later carry that id as dwSendID.
//  - Sends are asynchronous: a successful result means "sent"; what the simulator thinks of it comes back later
//    through the dispatch (an exception message, data, events).
//  - SimConnect_CallDispatch hands every message that has arrived to the dispatch procedure, on the calling
//    thread; an exception thrown by the procedure leaves CallDispatch (the rest stays queued for the next call).
//    Once the simulator has gone and every message it sent before has been handed out, CallDispatch and
//    GetNextDispatch fail with SIM_E_GONE.
//
// Received messages are laid out as the structs below; a message that carries a data block (object data,
// object data by type) has its block start at the member dwData (8-byte aligned), and dwSize gives the size of
// the whole message. Data blocks hold the items of their data definition in the order they were added:
// INT64 and FLOAT64 take 8 bytes, STRING32 32 bytes (zero-terminated, zero-padded), STRINGV the text with its
// terminating zero, padded with zeros to a multiple of 8 bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace skf {

// ---- results and handle -----------------------------------------------------------------------------------

using SimResult = std::int32_t;
inline constexpr SimResult SIM_OK = 0;
inline constexpr SimResult SIM_NO_MESSAGE = 1; // GetNextDispatch: nothing has arrived (not a failure)
inline constexpr SimResult SIM_E_FAIL = static_cast<SimResult>(0x80004005u);
inline constexpr SimResult SIM_E_INVALIDARG = static_cast<SimResult>(0x80070057u);
inline constexpr SimResult SIM_E_HANDLE = static_cast<SimResult>(0x80070006u);       // zero or closed handle
inline constexpr SimResult SIM_E_GONE = static_cast<SimResult>(0x800700E8u);         // the simulator has gone
inline constexpr SimResult SIM_E_ACCESSDENIED = static_cast<SimResult>(0x80070005u); // socket folder refused

constexpr bool gf_simSucceeded(SimResult r) {
    return r >= 0;
}
constexpr bool gf_simFailed(SimResult r) {
    return r < 0;
}

// Connection handle; 0 is "no connection".
using SimHandle = std::uint64_t;

// ---- fixed values -------------------------------------------------------------------------------------------

inline constexpr std::uint32_t SIMCONNECT_UNUSED = 0xFFFFFFFFu; // "no datum id"
inline constexpr std::uint32_t SIMCONNECT_OBJECT_ID_USER = 0;   // the user aircraft

enum SIMCONNECT_DATATYPE : std::uint32_t {
    SIMCONNECT_DATATYPE_INVALID = 0,
    SIMCONNECT_DATATYPE_INT64 = 2,
    SIMCONNECT_DATATYPE_FLOAT64 = 4,
    SIMCONNECT_DATATYPE_STRING32 = 6,
    SIMCONNECT_DATATYPE_STRINGV = 11,
};

enum SIMCONNECT_PERIOD : std::uint32_t {
    SIMCONNECT_PERIOD_ONCE = 1,
    SIMCONNECT_PERIOD_SECOND = 4,
};

enum SIMCONNECT_SIMOBJECT_TYPE : std::uint32_t {
    SIMCONNECT_SIMOBJECT_TYPE_USER = 0,
    SIMCONNECT_SIMOBJECT_TYPE_ALL = 1,
    SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT = 2,
};

inline constexpr std::uint32_t SIMCONNECT_GROUP_PRIORITY_HIGHEST = 1;

// Exception codes the simulator reports (dwException).
enum SIMCONNECT_EXCEPTION : std::uint32_t {
    SIMCONNECT_EXCEPTION_NONE = 0,
    SIMCONNECT_EXCEPTION_ERROR = 1,           // any other refusal (e.g. an unknown variable name)
    SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID = 3, // unknown object, definition, request or client event
    SIMCONNECT_EXCEPTION_VERSION_MISMATCH = 5,
    SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS = 11,     // AI object capacity reached (creation refused)
    SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE = 19,    // set-data whose size does not fit its definition
    SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED = 22, // e.g. a title that is not installed
    SIMCONNECT_EXCEPTION_LOAD_FLIGHTPLAN_FAILED = 23,
    SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE = 24, // e.g. AI calls on the user aircraft
};

// Received message kinds (dwID).
enum SIMCONNECT_RECV_ID : std::uint32_t {
    SIMCONNECT_RECV_ID_NULL = 0,
    SIMCONNECT_RECV_ID_EXCEPTION = 1,
    SIMCONNECT_RECV_ID_OPEN = 2,
    SIMCONNECT_RECV_ID_QUIT = 3,
    SIMCONNECT_RECV_ID_EVENT = 4,
    SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE = 5,
    SIMCONNECT_RECV_ID_EVENT_FILENAME = 6,
    SIMCONNECT_RECV_ID_EVENT_FRAME = 7,
    SIMCONNECT_RECV_ID_SIMOBJECT_DATA = 8,
    SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE = 9,
    SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID = 12,
};

// Light bits of the "LIGHT STATES" / "Light On States" masks.
inline constexpr std::uint32_t SIM_LIGHT_NAV = 0x0001;
inline constexpr std::uint32_t SIM_LIGHT_BEACON = 0x0002;
inline constexpr std::uint32_t SIM_LIGHT_LANDING = 0x0004;
inline constexpr std::uint32_t SIM_LIGHT_TAXI = 0x0008;
inline constexpr std::uint32_t SIM_LIGHT_STROBE = 0x0010;
inline constexpr std::uint32_t SIM_LIGHT_LOGO = 0x0100;
inline constexpr std::uint32_t SIM_LIGHT_CABIN = 0x0200;
inline constexpr std::uint32_t SIM_LIGHT_ALL = SIM_LIGHT_NAV | SIM_LIGHT_BEACON | SIM_LIGHT_LANDING | SIM_LIGHT_TAXI |
                                               SIM_LIGHT_STROBE | SIM_LIGHT_LOGO | SIM_LIGHT_CABIN;

// ---- Skyfill's ids (shared by the whole program) ------------------------------------------------------------

// Data definitions.
inline constexpr std::uint32_t SIM_DEF_AI_CONTROLS = 401;     // spoilers handle, throttle levers 1 and 2 (3 x f64)
inline constexpr std::uint32_t SIM_DEF_AI_POSITION = 402;     // AI position block (8 x f64, 64 bytes)
inline constexpr std::uint32_t SIM_DEF_USER_POSITION = 403;   // user aircraft block (96 bytes)
inline constexpr std::uint32_t SIM_DEF_RANGE = 404;           // range data: 2 x f64, i64, STRING32
inline constexpr std::uint32_t SIM_DEF_STATIC_CG = 405;       // rest attitude: 2 x f64
inline constexpr std::uint32_t SIM_DEF_LIGHT_ON_STATES = 406; // registered, never used
inline constexpr std::uint32_t SIM_DEF_USER_TITLE = 407;      // STRINGV
inline constexpr std::uint32_t SIM_DEF_USER_MODEL = 408;      // STRING32
inline constexpr std::uint32_t SIM_DEF_USER_ON_GROUND = 409;  // i64

// Requests.
inline constexpr std::uint32_t SIM_REQ_RANGE = 101;           // objects by type within the range, definition 404
inline constexpr std::uint32_t SIM_REQ_STATIC_CG = 102;       // definition 405 of a new AI object
inline constexpr std::uint32_t SIM_REQ_RELEASE_CONTROL = 103; // AIReleaseControl
inline constexpr std::uint32_t SIM_REQ_CREATE = 104;          // AICreateNonATCAircraft
inline constexpr std::uint32_t SIM_REQ_REMOVE = 105;          // AIRemoveObject
inline constexpr std::uint32_t SIM_REQ_USER_TITLE = 106;      // definition 407
inline constexpr std::uint32_t SIM_REQ_USER_MODEL = 107;      // definition 408
inline constexpr std::uint32_t SIM_REQ_USER_ON_GROUND = 108;  // definition 409, every second
inline constexpr std::uint32_t SIM_REQ_USER_POSITION = 109;   // definition 403
inline constexpr std::uint32_t SIM_REQ_FLIGHT_PLAN = 110;     // AISetAircraftFlightPlan

// System events.
inline constexpr std::uint32_t SIM_EVENT_SIM = 201;            // "Sim": dwData 1 = a flight runs, 0 = it does not
inline constexpr std::uint32_t SIM_EVENT_OBJECT_ADDED = 202;   // "ObjectAdded"
inline constexpr std::uint32_t SIM_EVENT_OBJECT_REMOVED = 203; // "ObjectRemoved"
inline constexpr std::uint32_t SIM_EVENT_FRAME = 204;          // "Frame"
inline constexpr std::uint32_t SIM_EVENT_FLIGHT_LOADED = 205;  // "FlightLoaded"

// Client events.
inline constexpr std::uint32_t SIM_EVENT_BEACON_LIGHTS_SET = 206;
inline constexpr std::uint32_t SIM_EVENT_NAV_LIGHTS_SET = 207;
inline constexpr std::uint32_t SIM_EVENT_TAXI_LIGHTS_SET = 208;
inline constexpr std::uint32_t SIM_EVENT_STROBES_SET = 209;
inline constexpr std::uint32_t SIM_EVENT_LANDING_LIGHTS_SET = 210;
inline constexpr std::uint32_t SIM_EVENT_CABIN_LIGHTS_SET = 211;
inline constexpr std::uint32_t SIM_EVENT_LOGO_LIGHTS_SET = 212;
inline constexpr std::uint32_t SIM_EVENT_ALL_LIGHTS_TOGGLE = 213;
inline constexpr std::uint32_t SIM_EVENT_FREEZE_LAT_LON_SET = 214;
inline constexpr std::uint32_t SIM_EVENT_FREEZE_ALTITUDE_SET = 215;
inline constexpr std::uint32_t SIM_EVENT_FREEZE_ATTITUDE_SET = 216;
inline constexpr std::uint32_t SIM_EVENT_FLAPS_SET = 217;
inline constexpr std::uint32_t SIM_EVENT_SPOILERS_SET = 218;
inline constexpr std::uint32_t SIM_EVENT_GEAR_SET = 219;
inline constexpr std::uint32_t SIM_EVENT_ENGINE_AUTO_START = 220;
inline constexpr std::uint32_t SIM_EVENT_ENGINE_AUTO_SHUTDOWN = 221;
inline constexpr std::uint32_t SIM_EVENT_THROTTLE_SET = 222;

// Notification group.
inline constexpr std::uint32_t SIM_GROUP_AI = 301;

// ---- data passed to calls -------------------------------------------------------------------------------------

#pragma pack(push, 1)
// Initial position of a new AI object (angles in degrees).
struct SIMCONNECT_DATA_INITPOSITION {
    double Latitude;
    double Longitude;
    double Altitude; // feet
    double Pitch;
    double Bank;
    double Heading;
    std::uint32_t OnGround;
    std::uint32_t Airspeed; // knots
};
#pragma pack(pop)
static_assert(sizeof(SIMCONNECT_DATA_INITPOSITION) == 56);

// ---- received messages ------------------------------------------------------------------------------------------

struct SIMCONNECT_RECV {
    std::uint32_t dwSize;    // size of the whole message in bytes
    std::uint32_t dwVersion; // wire protocol version of the sender
    std::uint32_t dwID;      // SIMCONNECT_RECV_ID
};

struct SIMCONNECT_RECV_EXCEPTION : SIMCONNECT_RECV {
    std::uint32_t dwException; // SIMCONNECT_EXCEPTION
    std::uint32_t dwSendID;    // packet id of the call that caused it (0 when none)
    std::uint32_t dwIndex;     // number of the offending parameter (0 when none)
};

struct SIMCONNECT_RECV_OPEN : SIMCONNECT_RECV {
    char szApplicationName[256]; // "KittyHawk" (MSFS 2020), "SunRise" (MSFS 2024)
    std::uint32_t dwApplicationVersionMajor;
    std::uint32_t dwApplicationVersionMinor;
    std::uint32_t dwApplicationBuildMajor;
    std::uint32_t dwApplicationBuildMinor;
    std::uint32_t dwSimConnectVersionMajor;
    std::uint32_t dwSimConnectVersionMinor;
};

struct SIMCONNECT_RECV_QUIT : SIMCONNECT_RECV {};

struct SIMCONNECT_RECV_EVENT : SIMCONNECT_RECV {
    std::uint32_t uGroupID; // notification group, SIMCONNECT_UNUSED for system events
    std::uint32_t uEventID; // the client's id of the event (system event or client event)
    std::uint32_t dwData;   // event value ("Sim": 1 running / 0 not; object events: the object id)
};

struct SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE : SIMCONNECT_RECV_EVENT {
    SIMCONNECT_SIMOBJECT_TYPE eObjType;
};

struct SIMCONNECT_RECV_EVENT_FILENAME : SIMCONNECT_RECV_EVENT {
    char szFileName[260];
    std::uint32_t dwFlags;
};

struct SIMCONNECT_RECV_EVENT_FRAME : SIMCONNECT_RECV_EVENT {
    float fFrameRate;
    float fSimSpeed;
};

struct SIMCONNECT_RECV_SIMOBJECT_DATA : SIMCONNECT_RECV {
    std::uint32_t dwRequestID;
    std::uint32_t dwObjectID;
    std::uint32_t dwDefineID;
    std::uint32_t dwFlags;
    std::uint32_t dwentrynumber; // 1-based number of this message among the answers to one by-type request
    std::uint32_t dwoutof;       // how many answers that request has
    std::uint32_t dwDefineCount; // number of items in the data block
    std::uint32_t dwData;        // first 4 bytes of the data block (which runs to the end of the message)
};

struct SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE : SIMCONNECT_RECV_SIMOBJECT_DATA {};

// Sent to the creator of an AI object once the object exists (dwRequestID is the creation's request id).
struct SIMCONNECT_RECV_ASSIGNED_OBJECT_ID : SIMCONNECT_RECV {
    std::uint32_t dwRequestID;
    std::uint32_t dwObjectID;
};

// Offset of dwData, where the data block of an object-data message begins (8-byte aligned).
inline constexpr std::size_t SIM_DATA_BLOCK_OFFSET = sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA) - sizeof(std::uint32_t);
static_assert(SIM_DATA_BLOCK_OFFSET == 40);

// Where the data block of an object-data message begins, and how many bytes it has.
inline const std::byte* gf_simDataBlock(const SIMCONNECT_RECV_SIMOBJECT_DATA* msg) {
    return reinterpret_cast<const std::byte*>(&msg->dwData);
}
std::size_t gf_simDataBlockSize(const SIMCONNECT_RECV_SIMOBJECT_DATA* msg);

// A received message frame's payload as the dispatch hands it out: copied into 8-byte aligned words,
// zero-padded beyond the largest fixed message layout, dwSize set to the payload's size. Empty for a
// payload too short for a SIMCONNECT_RECV.
std::vector<std::uint64_t> gf_simMessageWords(const std::vector<std::byte>& payload);

// ---- calls ------------------------------------------------------------------------------------------------------

// The dispatch procedure: gets each received message, its size, and the context given to CallDispatch.
using SimDispatchProc = void (*)(SIMCONNECT_RECV* pData, std::uint32_t cbData, void* pContext);

// Connects to the simulator; *phSimConnect gets the handle (0 on failure). Fails while no simulator runs,
// and with SIM_E_ACCESSDENIED, without connecting, while the socket's folder is refused (the reason:
// gf_simConnectSocket().refusal). hWnd, userEventWin32 and hEventHandle have no meaning here and must be
// null/0; configIndex 0 uses the socket of gf_simConnectSocket.
SimResult SimConnect_Open(SimHandle* phSimConnect, const char* szName, void* hWnd, std::uint32_t userEventWin32,
                          void* hEventHandle, std::uint32_t configIndex);
// Closes the connection; the handle is invalid afterwards (calls with it fail with SIM_E_HANDLE).
SimResult SimConnect_Close(SimHandle hSimConnect);

SimResult SimConnect_CallDispatch(SimHandle hSimConnect, SimDispatchProc pfcnDispatch, void* pContext);
// Takes one received message without waiting. SIM_NO_MESSAGE when none has arrived. The message stays valid
// until the next GetNextDispatch on this handle or until the handle is closed.
SimResult SimConnect_GetNextDispatch(SimHandle hSimConnect, SIMCONNECT_RECV** ppData, std::uint32_t* pcbData);

SimResult SimConnect_AddToDataDefinition(SimHandle hSimConnect, std::uint32_t defineID, const char* datumName,
                                         const char* unitsName,
                                         SIMCONNECT_DATATYPE datumType = SIMCONNECT_DATATYPE_FLOAT64,
                                         float fEpsilon = 0.0f, std::uint32_t datumID = SIMCONNECT_UNUSED);
SimResult SimConnect_RequestDataOnSimObject(SimHandle hSimConnect, std::uint32_t requestID, std::uint32_t defineID,
                                            std::uint32_t objectID, SIMCONNECT_PERIOD period, std::uint32_t flags = 0,
                                            std::uint32_t origin = 0, std::uint32_t interval = 0,
                                            std::uint32_t limit = 0);
SimResult SimConnect_RequestDataOnSimObjectType(SimHandle hSimConnect, std::uint32_t requestID, std::uint32_t defineID,
                                                std::uint32_t dwRadiusMeters, SIMCONNECT_SIMOBJECT_TYPE type);
// cbUnitSize is the size of one data block; arrayCount 0 or 1 sends one block.
SimResult SimConnect_SetDataOnSimObject(SimHandle hSimConnect, std::uint32_t defineID, std::uint32_t objectID,
                                        std::uint32_t flags, std::uint32_t arrayCount, std::uint32_t cbUnitSize,
                                        const void* pDataSet);
SimResult SimConnect_SubscribeToSystemEvent(SimHandle hSimConnect, std::uint32_t eventID, const char* systemEventName);
SimResult SimConnect_MapClientEventToSimEvent(SimHandle hSimConnect, std::uint32_t eventID, const char* eventName);
SimResult SimConnect_AddClientEventToNotificationGroup(SimHandle hSimConnect, std::uint32_t groupID,
                                                       std::uint32_t eventID, bool bMaskable = false);
SimResult SimConnect_SetNotificationGroupPriority(SimHandle hSimConnect, std::uint32_t groupID,
                                                  std::uint32_t uPriority);
SimResult SimConnect_TransmitClientEvent(SimHandle hSimConnect, std::uint32_t objectID, std::uint32_t eventID,
                                         std::uint32_t dwData, std::uint32_t groupID, std::uint32_t flags);
SimResult SimConnect_AICreateNonATCAircraft(SimHandle hSimConnect, const char* szContainerTitle,
                                            const char* szTailNumber, SIMCONNECT_DATA_INITPOSITION initPos,
                                            std::uint32_t requestID);
SimResult SimConnect_AISetAircraftFlightPlan(SimHandle hSimConnect, std::uint32_t objectID,
                                             const char* szFlightPlanPath, std::uint32_t requestID);
SimResult SimConnect_AIReleaseControl(SimHandle hSimConnect, std::uint32_t objectID, std::uint32_t requestID);
SimResult SimConnect_AIRemoveObject(SimHandle hSimConnect, std::uint32_t objectID, std::uint32_t requestID);
SimResult SimConnect_GetLastSentPacketID(SimHandle hSimConnect, std::uint32_t* pdwSendID);

// ---- what the library holds (tests and benchmarks) ------------------------------------------------------------

// A simulator that floods the connection never grows these beyond fixed bounds: the received messages that wait
// for the dispatch, and the receive buffer (at most one pump's bytes and one frame). Once a flood is over and
// handed out, the library gives the storage it grew back.
// One dispatch takes in at most SIM_PUMP_BYTES from the socket (one read past it at most), and none while
// SIM_MAX_QUEUED_MESSAGES wait; after a flood the receive and send buffers keep SIM_KEPT_BUFFER_BYTES at most.
inline constexpr std::size_t SIM_PUMP_BYTES = 256 * 1024;
inline constexpr std::size_t SIM_MAX_QUEUED_MESSAGES = 8192;
inline constexpr std::size_t SIM_KEPT_BUFFER_BYTES = 1024 * 1024;
struct SimConnectionStats {
    std::size_t queuedMessages = 0;     // received, not yet handed out
    std::size_t peakQueuedMessages = 0; // the most that ever waited
    std::size_t receiveBufferCapacity = 0;
    std::uint64_t floodsEnded = 0; // floods whose storage was given back
};
// False for a zero or unknown handle.
bool gf_simConnectionStats(SimHandle hSimConnect, SimConnectionStats& out);

// ---- configuration ------------------------------------------------------------------------------------------------

// Name of the environment variable that holds the socket path.
inline constexpr const char* SIM_SOCKET_ENV = "SKYFILL_SIMCONNECT_SOCKET";

struct SimSocketPath {
    std::string path;    // empty when refused
    std::string refusal; // why no socket may be used; empty when path is set
};
// The socket: $SKYFILL_SIMCONNECT_SOCKET as it stands (the stand-ins and tests name their own); else
// "skyfill-simconnect.sock" in $XDG_RUNTIME_DIR or "simconnect.sock" in /tmp/skyfill-<uid>, only when that
// folder passes the check of gf_runtimeFolder (platform/system/RuntimeFolder.h): whoever could reach a socket
// there would get the user's traffic commands. Checked again on every call.
SimSocketPath gf_simConnectSocket();
// The path alone; empty when refused.
std::string gf_simConnectSocketPath();

} // namespace skf
