#include "app/Run.h"

#include "app/CycleClock.h"
#include "app/MainCycle.h"
#include "app/ShellThreads.h"
#include "app/ControlCommands.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "feed/FeedServices.h"
#include "liveries/LiveryServices.h"
#include "platform/ui/WindowMessages.h"
#include "sim/FlightPlans.h"
#include "sim/PackagesRoot.h"
#include "sim/SimLink.h"
#include "sim/SimQueues.h"
#include "sim/UserAircraft.h"
#include "traffic/EngineServices.h"

#include <cmath>

namespace skf {

namespace {

bool lf_stopRequested() {
    return g_stopRun.load() || g_shutDown.load();
}

void lf_sleep(std::chrono::milliseconds d) {
    CycleClock& clock = gf_cycleClock();
    clock.sleepUntil(clock.now() + d);
}

// Sleeps until the time point, in steps that poll the stop flags; false when a stop flag was raised.
bool lf_sleepUntilOrStop(CycleClock::TimePoint until) {
    CycleClock& clock = gf_cycleClock();
    while (clock.now() < until) {
        if (lf_stopRequested())
            return false;
        clock.sleepUntil(std::min(until, clock.now() + std::chrono::milliseconds(100)));
    }
    return !lf_stopRequested();
}

bool lf_positionKnown(const UserAircraftState& state) {
    return gf_holdsPosition(state.block.latitude, state.block.longitude);
}

} // namespace

bool lf_run() {
    g_mainWindow.realTrafficLinkUp = false;
    g_mainWindow.simConnected = false;
    gf_invalidateBands(BAND_ALL);

    gf_resetSimLink(); // the previous run's SimClient thread ends here, its lists are emptied
    gf_startEngine();
    gf_reserveMatchPools();
    gf_reserveSimQueues();
    gf_invalidateBands(BAND_ALL);

    gf_startSimClient();
    if (!lf_requestUserAircraftData())
        return false;

    if (AUTO_RANGE.value())
        lf_autoRange();

    if (g_realTrafficLocal.load() && !AEROWINX.value()) {
        gf_openServer(PORT_NUMBER.value());
    } else {
        g_mainWindow.realTrafficLinkUp = true; // no connection is waited for
    }
    gf_invalidateBands(BAND_ALL);
    if (lf_stopRequested())
        return false;

    g_mainWindow.startUp = false;
    gf_invalidateBands(BAND_ALL);

    if (!AEROWINX.value()) {
        gf_waitForRealTraffic();
        if (g_rtProfessional.load())
            gf_sendSimTime(g_simEpochTime.load());
    } else {
        g_rtProfessional = false;
    }
    if (lf_stopRequested())
        return false;

    {
        std::lock_guard lock(g_addingStackMutex);
        g_liveTrafficOpen = false;
    }
    gf_startShellThread("QNH Reader", [] { gf_qnhReaderThread(kQnhReaderPort); });
    if (!lf_sleepUntilOrStop(gf_cycleClock().now() + std::chrono::seconds(2)))
        return false;
    const bool local = g_realTrafficLocal.load();
    gf_startShellThread("Traffic Reader", [local] { gf_trafficReaderThread(local, kTrafficReaderPort); });

    gf_sendUserPosition();
    const UserAircraftState user = g_userAircraft.get();
    gf_refreshTrafficReference(user.block.latitude, user.block.longitude);

    // Wait for the first traffic, at most 15 seconds; a stop flag ends the wait.
    int tries = 0;
    while (tries < 150 && std::trunc(g_trafficReader.lastTrafficTime.load()) == 0.0) {
        if (lf_stopRequested())
            return false;
        lf_sleep(std::chrono::milliseconds(100));
        ++tries;
    }
    if (std::trunc(g_trafficReader.lastTrafficTime.load()) == 0.0)
        gf_log("No traffic in this region?");

    lf_renewDayAndSlot();
    return !lf_stopRequested();
}

bool lf_requestUserAircraftData() {
    // Requests go on this run's own connection: wait until it is open and its simulator runs a flight.
    while (!(g_simConnect.load() != 0 && g_simRunning.load() && !g_simHalted.load())) {
        if (lf_stopRequested())
            return false;
        lf_sleep(std::chrono::milliseconds(100));
    }
    if (lf_stopRequested())
        return false;

    gf_requestUserOnGround(); // a failure is logged there and ends the run with SIMCONNECT ERROR

    for (;;) {
        g_userAircraft = gf_requestUserPosition();
        gf_runUserStandRefresh();
        const UserAircraftState state = g_userAircraft.get();
        if (state.known != 0 && lf_positionKnown(state))
            break;
        if (lf_stopRequested())
            return false;
        lf_sleep(std::chrono::milliseconds(500));
    }
    gf_requestUserAircraftInfo();
    for (;;) {
        g_userAircraft = gf_requestUserPosition();
        gf_runUserStandRefresh();
        if (lf_positionKnown(g_userAircraft.get()))
            break;
        if (lf_stopRequested())
            return false;
        lf_sleep(std::chrono::milliseconds(200));
    }
    return true;
}

} // namespace skf
