#include "sim/SimLink.h"
#include "sim/SimLinkInternal.h"

#include <chrono>
#include <exception>

#include <fmt/format.h>

#include "core/StatusLine.h"
#include "core/WindowFields.h"
#include "platform/system/Timer.h"
#include "core/Codes.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/Time.h"
#include "sim/SimDispatch.h"
#include "sim/SimQueues.h"
#include "sim/UserAircraft.h"

namespace skf {

namespace {

struct DataItem {
    std::uint32_t definition;
    const char* variable;
    const char* unit;
    SIMCONNECT_DATATYPE type;
};

constexpr DataItem kDataItems[] = {
    {SIM_DEF_USER_TITLE, "TITLE", nullptr, SIMCONNECT_DATATYPE_STRINGV},
    {SIM_DEF_USER_MODEL, "ATC MODEL", nullptr, SIMCONNECT_DATATYPE_STRING32},
    {SIM_DEF_USER_ON_GROUND, "SIM ON GROUND", "Bool", SIMCONNECT_DATATYPE_INT64},
    {SIM_DEF_AI_POSITION, "Plane Latitude", "degree", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_AI_POSITION, "Plane Longitude", "degree", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_AI_POSITION, "Plane Pitch degrees", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_AI_POSITION, "Plane Bank degrees", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_AI_POSITION, "Plane Heading degrees true", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_AI_POSITION, "Plane Altitude", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_AI_POSITION, "Vertical Speed", "feet per second", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_AI_POSITION, "Airspeed True", "knots", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_USER_POSITION, "Plane Latitude", "degree", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_USER_POSITION, "Plane Longitude", "degree", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_USER_POSITION, "Plane Pitch degrees", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_USER_POSITION, "Plane Bank degrees", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_USER_POSITION, "Plane Heading degrees true", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_USER_POSITION, "Plane Altitude", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_USER_POSITION, "Plane Alt Above Ground", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_USER_POSITION, "Ground Velocity", "knots", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_USER_POSITION, "ZULU TIME", "Seconds", SIMCONNECT_DATATYPE_INT64},
    {SIM_DEF_USER_POSITION, "ZULU DAY OF YEAR", "Number", SIMCONNECT_DATATYPE_INT64},
    {SIM_DEF_USER_POSITION, "ZULU YEAR", "Number", SIMCONNECT_DATATYPE_INT64},
    {SIM_DEF_USER_POSITION, "LIGHT STATES", "Mask", SIMCONNECT_DATATYPE_INT64},
    {SIM_DEF_STATIC_CG, "Static CG to Ground", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_STATIC_CG, "Static Pitch", "radians", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_LIGHT_ON_STATES, "Light On States", "Mask", SIMCONNECT_DATATYPE_INT64},
    {SIM_DEF_RANGE, "Plane Alt Above Ground", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_RANGE, "Ground Altitude", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_RANGE, "SIM ON GROUND", "Bool", SIMCONNECT_DATATYPE_INT64},
    {SIM_DEF_RANGE, "ATC ID", nullptr, SIMCONNECT_DATATYPE_STRING32},
    {SIM_DEF_AI_CONTROLS, "SPOILERS HANDLE POSITION", "percent", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_AI_CONTROLS, "GENERAL ENG THROTTLE LEVER POSITION:1", "percent", SIMCONNECT_DATATYPE_FLOAT64},
    {SIM_DEF_AI_CONTROLS, "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", SIMCONNECT_DATATYPE_FLOAT64},
};

struct ClientEvent {
    std::uint32_t id;
    const char* name;
};

constexpr ClientEvent kClientEvents[] = {
    {SIM_EVENT_GEAR_SET, "GEAR_SET"},
    {SIM_EVENT_ENGINE_AUTO_START, "ENGINE_AUTO_START"},
    {SIM_EVENT_ENGINE_AUTO_SHUTDOWN, "ENGINE_AUTO_SHUTDOWN"},
    {SIM_EVENT_THROTTLE_SET, "THROTTLE_SET"},
    {SIM_EVENT_FLAPS_SET, "FLAPS_SET"},
    {SIM_EVENT_SPOILERS_SET, "SPOILERS_SET"},
    {SIM_EVENT_NAV_LIGHTS_SET, "NAV_LIGHTS_SET"},
    {SIM_EVENT_BEACON_LIGHTS_SET, "BEACON_LIGHTS_SET"},
    {SIM_EVENT_LANDING_LIGHTS_SET, "LANDING_LIGHTS_SET"},
    {SIM_EVENT_TAXI_LIGHTS_SET, "TAXI_LIGHTS_SET"},
    {SIM_EVENT_STROBES_SET, "STROBES_SET"},
    {SIM_EVENT_LOGO_LIGHTS_SET, "LOGO_LIGHTS_SET"},
    {SIM_EVENT_CABIN_LIGHTS_SET, "CABIN_LIGHTS_SET"},
    {SIM_EVENT_ALL_LIGHTS_TOGGLE, "ALL_LIGHTS_TOGGLE"},
    {SIM_EVENT_FREEZE_LAT_LON_SET, "FREEZE_LATITUDE_LONGITUDE_SET"},
    {SIM_EVENT_FREEZE_ALTITUDE_SET, "FREEZE_ALTITUDE_SET"},
    {SIM_EVENT_FREEZE_ATTITUDE_SET, "FREEZE_ATTITUDE_SET"},
};

constexpr std::uint32_t kGroupEvents[] = {
    SIM_EVENT_NAV_LIGHTS_SET,      SIM_EVENT_BEACON_LIGHTS_SET,  SIM_EVENT_LANDING_LIGHTS_SET,
    SIM_EVENT_TAXI_LIGHTS_SET,     SIM_EVENT_STROBES_SET,        SIM_EVENT_LOGO_LIGHTS_SET,
    SIM_EVENT_CABIN_LIGHTS_SET,    SIM_EVENT_ALL_LIGHTS_TOGGLE,  SIM_EVENT_FLAPS_SET,
    SIM_EVENT_SPOILERS_SET,        SIM_EVENT_GEAR_SET,           SIM_EVENT_ENGINE_AUTO_SHUTDOWN,
    SIM_EVENT_THROTTLE_SET,        SIM_EVENT_FREEZE_LAT_LON_SET, SIM_EVENT_FREEZE_ALTITUDE_SET,
    SIM_EVENT_FREEZE_ATTITUDE_SET,
};

// The reaction to the loss of the simulator; at most once per thread.
void lf_simDisconnected(bool& done) {
    if (done) {
        return;
    }
    done = true;
    g_simRunning = false;
    if (g_stopRun.load()) {
        return;
    }
    gf_log(fmt::format("{} Flight Simulator no longer connected, {} will stop ...", gf_timeOfDayText(), "Skyfill"));
    gf_raiseStop(ExitReason::SimWasClosed, 0);
}

// The clean-up whenever the thread body ends.
void lf_simClientGuard() noexcept {
    try {
        gf_requestUserStandRefresh();
        g_mainWindow.simConnected = false;
        gf_markChanged(BAND_ALL);
    } catch (...) {
    }
    g_simConnect = 0;
}

struct ClientGuard {
    SimHandle& handle;
    ~ClientGuard() {
        lf_simClientGuard();
        try {
            lf_closeSimConnect(handle);
        } catch (...) {
        }
    }
};

} // namespace

void lf_addToEventGroup(SimHandle handle, std::uint32_t eventId) {
    SimConnect_AddClientEventToNotificationGroup(handle, SIM_GROUP_AI, eventId, true);
}

void lf_setupSimConnect(SimHandle handle) {
    SimConnect_SubscribeToSystemEvent(handle, SIM_EVENT_SIM, "Sim");
    SimConnect_SubscribeToSystemEvent(handle, SIM_EVENT_OBJECT_ADDED, "ObjectAdded");
    SimConnect_SubscribeToSystemEvent(handle, SIM_EVENT_OBJECT_REMOVED, "ObjectRemoved");
    SimConnect_SubscribeToSystemEvent(handle, SIM_EVENT_FLIGHT_LOADED, "FlightLoaded");
    SimConnect_SubscribeToSystemEvent(handle, SIM_EVENT_FRAME, "Frame");
    for (const auto& item : kDataItems) {
        SimConnect_AddToDataDefinition(handle, item.definition, item.variable, item.unit, item.type, 0.0F,
                                       SIMCONNECT_UNUSED);
    }
    for (const auto& event : kClientEvents) {
        SimConnect_MapClientEventToSimEvent(handle, event.id, event.name);
    }
    for (const auto eventId : kGroupEvents) {
        lf_addToEventGroup(handle, eventId);
    }
    SimConnect_SetNotificationGroupPriority(handle, SIM_GROUP_AI, SIMCONNECT_GROUP_PRIORITY_HIGHEST);
}

void lf_closeSimConnect(SimHandle& handle) {
    if (handle != 0) {
        if (gf_simFailed(SimConnect_Close(handle))) {
            gf_logError("Closing SimConnect failed?!");
        } else {
            gf_log("SimConnect closed ok");
        }
    }
    handle = 0;
}

void gf_simRequestError() {
    gf_setStatus("SimConnect request error", true);
    g_simHalted = true;
    gf_raiseStop(ExitReason::SimConnectError, 9);
}

bool gf_requestUserOnGround() {
    bool failed = false;
    {
        std::lock_guard lock(g_simCommandMutex);
        failed = gf_simFailed(SimConnect_RequestDataOnSimObject(g_simConnect.load(), SIM_REQ_USER_ON_GROUND,
                                                                SIM_DEF_USER_ON_GROUND, SIMCONNECT_OBJECT_ID_USER,
                                                                SIMCONNECT_PERIOD_SECOND));
    }
    if (failed) {
        gf_logError("SimConnect request ac gnd/air fails");
        gf_simRequestError();
    }
    return !failed;
}

void lf_simClientThread(std::stop_token stop) {
    using Clock = std::chrono::steady_clock;
    g_simConnect = 0;
    SimHandle handle = 0;
    bool disconnected = false;
    ClientGuard guard{handle};
    try {
        bool firstPass = true;
        bool refusalShown = false;
        for (;;) {
            if (g_stopRun.load() || g_shutDown.load() || stop.stop_requested()) {
                return;
            }
            if (firstPass) {
                firstPass = false;
                gf_log(" ");
                gf_setStatus(fmt::format("Waiting for MSFS 20{} ...", !g_simIs2020.load() ? "24" : "20"), true);
                gf_flushLog();
            }
            lf_closeSimConnect(handle);
            const SimResult opened = SimConnect_Open(&handle, "Skyfill", nullptr, 0, nullptr, 0);
            if (gf_simSucceeded(opened)) {
                break;
            }
            handle = 0;
            // The socket's folder could be reached by another account: no connection is made there. Said
            // once; the folder is checked again on every try.
            if (opened == SIM_E_ACCESSDENIED && !refusalShown) {
                refusalShown = true;
                const std::string refusal = gf_simConnectSocket().refusal;
                gf_setError(refusal.empty() ? "The simulator's socket folder cannot be used" : refusal);
                gf_flushLog();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        g_simConnect = handle;
        lf_setupSimConnect(handle);
        // The 1 ms timer resolution for the life of the connection; undone only when the raise succeeded.
        struct TimePeriod {
            bool raised = gf_timeBeginPeriod(1);
            ~TimePeriod() {
                if (raised) {
                    gf_timeEndPeriod(1);
                }
            }
        } timePeriod;
        while (!stop.stop_requested()) {
            if (gf_simFailed(SimConnect_CallDispatch(handle, lf_dispatch, nullptr))) {
                // The simulator quit or the connection died: end the run instead of waiting for ever.
                lf_simDisconnected(disconnected);
                return;
            }
            std::this_thread::sleep_until(Clock::now() + std::chrono::milliseconds(1));
        }
    } catch (const UserErrorException& error) {
        const std::string text = error.what();
        gf_setError(text.empty() ? "Unknown exception" : text);
    } catch (const std::exception& error) {
        gf_setError(error.what());
        lf_simDisconnected(disconnected);
    } catch (...) {
        gf_setError(fmt::format("Exception in {}", "SimClient"));
        lf_simDisconnected(disconnected);
    }
}

void gf_startSimClient() {
    gf_stopSimClient();
    g_simClientThread = std::jthread(lf_simClientThread);
}

void gf_stopSimClient() {
    if (g_simClientThread.joinable()) {
        g_simClientThread.request_stop();
        g_simClientThread.join();
    }
}

} // namespace skf
