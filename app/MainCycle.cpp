#include "app/MainCycle.h"

#include "app/CycleClock.h"
#include "app/CycleSchedule.h"
#include "app/RunRequests.h"
#include "app/ControlCommands.h"
#include "app/WindowRequests.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "core/Time.h"
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

#include <fmt/format.h>

#include <algorithm>
#include <stdexcept>

namespace skf {

namespace {

bool lf_stopRequested() {
    return g_stopRun.load() || g_shutDown.load();
}

void lf_setTrafficGate(bool open) {
    std::lock_guard lock(g_addingStackMutex);
    g_liveTrafficOpen = open;
}

// The duties of every fifth second.
void lf_fiveSecondWork() {
    const UserAircraftState user = g_userAircraft.get();
    gf_refreshTrafficReference(user.block.latitude, user.block.longitude);
    if (g_rtProfessional.load())
        gf_sendSimTime(g_simEpochTime.load());
    if (g_mainWindow.reservedStandValid.load()) {
        const std::string stand = g_mainWindow.reservedStandName.get();
        if (!stand.empty())
            gf_clearReservedStand(stand);
    }
    lf_applyPendingReRead();
}

// The phases of an announced static update, then the check of stale readers.
void lf_fifteenSecondWork() {
    if (g_staticUpdateAnnounced.load()) {
        if (!g_updatePhase.load()) {
            g_updatePhase = true;
            gf_lockParkingControls();
            g_trafficReader.clearCallsigns();
            g_trafficReader.collectCallsigns = true;
        } else {
            g_updatePhase = false;
            gf_clearError();
            gf_clearStatus();
            if (g_mainWindow.parkAirportActive.load() && g_mainWindow.standCount.load() > 0)
                gf_adjustParking();
            gf_flushLog();
            g_staticUpdateAnnounced = false;
        }
    }
    if (g_mainWindow.trafficReaderState.load() == READER_STALE ||
        g_mainWindow.weatherReaderState.load() == READER_STALE)
        gf_watchReaders();
}

void lf_runSecondDuties(std::uint32_t t) {
    const unsigned duties = gf_secondDuties(t);
    if (duties & kDutyEvery5s)
        lf_fiveSecondWork();
    if (duties & kDutyEvery15s)
        lf_fifteenSecondWork();
    if (duties & kDutyHalfMinute)
        lf_halfMinuteWork();
    // A stand file that arrived is read at once rather than at the next regular call.
    if (((duties & kDutyStaticParking) || gf_takeParkFileArrival()) && !g_updatePhase.load())
        gf_updateStaticParking(false);
    if (duties & kDutyReaderWatch)
        gf_watchReaders();
    if (duties & kDutyStaticDuplicates)
        gf_removeStaticDuplicates();
}

} // namespace

void lf_renewDayAndSlot() {
    const auto [day, slot] = gf_weekdayAndHalfHour();
    g_dayAndSlotNow.store(DayAndSlot{day, slot});
}

void lf_autoRange() {
    const UserAircraftState user = g_userAircraft.get();
    gf_setRange(gf_autoRangeNm(user.onGround != 0, user.block.altitude, AR_ABOVE_HEIGHT.value(), AIRP_HEIGHT.value(),
                               gf_nearestParkAirportNm()));
}

// The window's requests that carry a value.
void lf_takeWindowRequests() {
    if (const auto on = gf_takeNavLightsRequest())
        gf_setNavLightsOfParked(*on);
    if (const auto maximum = gf_takeMaxLiveRequest()) {
        const std::uint64_t active = gf_countActiveLive();
        for (std::uint64_t n = active; n > static_cast<std::uint64_t>(std::max(*maximum, 0)); --n)
            if (gf_removeFarthestLive(-1.0))
                break; // none left to remove
    }
    if (gf_takeAutoRangeRequest() && AUTO_RANGE.value())
        lf_autoRange();
    if (const auto destination = gf_takeDestinationRequest()) {
        try {
            gf_addParkAirport(IcaoCode(destination->icao), destination->latitude, destination->longitude);
        } catch (const std::invalid_argument& e) {
            gf_logError(fmt::format("destination {}: {}", destination->icao, e.what()));
        }
    }
}

void lf_mainLoop() {
    gf_updateStaticParking(true);
    gf_watchReaders();
    g_secondTick = 0;
    lf_renewDayAndSlot();
    lf_setTrafficGate(true);
    gf_fillCallsignCombo();
    g_csOidButton.enable();
    gf_runCycleRhythm(gf_cycleClock(), lf_mainCycleStep, [] { return g_userDataArrived.load(); });
}

bool lf_mainCycleStep() {
    if (g_simRunning.load() && !g_simHalted.load()) {
        gf_handleAddingStack();
        // Also between two seconds of data a stop flag ends the loop (the data may never come again).
        if (!g_userDataArrived.exchange(false))
            return !lf_stopRequested();
        lf_perSecondWork();
        if (lf_stopRequested())
            return false;
        lf_runSecondDuties(g_secondTick.load());
        return true;
    }
    lf_flightNotRunning();
    return !lf_stopRequested();
}

void lf_perSecondWork() {
    if (g_flightNotRunningLogged.exchange(false)) {
        gf_log(fmt::format("{} Flight resumed", gf_timeOfDayText()));
        lf_setTrafficGate(true);
    }
    gf_statusSecondTick();
    lf_refreshCounters();
    lf_renewDayAndSlot();
    std::uint32_t tick = g_secondTick.load() + 1;
    g_secondTick = tick;

    // One queued stand-option match a second.
    if (const auto id = gf_takeStandMatchId())
        gf_matchQueuedStandOption(*id, g_dayAndSlotNow.load());

    if (g_objectIdLookupRequested.load()) {
        const auto objectId = gf_activeLiveObjectIdByCallsign(CALLSIGN_2_OBJECTID.value());
        if (objectId) {
            g_selectedObjectId = *objectId;
            g_mainWindow.objectIdText.set(fmt::format("= {}", gf_objectIdText(*objectId)));
        } else {
            g_mainWindow.objectIdText.set("has left");
        }
        gf_invalidateBands(BAND_MIDDLE);
        g_objectIdLookupRequested = false;
    }
    if (g_flushStaticRequested.exchange(false)) {
        gf_removeAllStatic();
        if (!INITIAL_LOAD_ONLY.value()) {
            INITIAL_LOAD_ONLY.set(true); // for this run only, not stored
            INITIAL_LOAD_ONLY.showCheck();
        }
    }
    if (g_callsignListRequested.exchange(false)) {
        g_mainWindow.objectIdText.clear();
        gf_invalidateBands(BAND_MIDDLE);
        gf_fillLiveCallsignList();
        g_objectIdLookupRequested = true;
    }
    if (g_userAircraft.get().onGround != 0) {
        if (COLLISION_USER_GND.value())
            gf_avoidUserGroundCollision();
    } else {
        if (COLLISION_USER_AIR.value())
            gf_avoidUserAirCollision();
    }
    if (COLLISION_LIVE_PARKED_GND.value())
        gf_removeStaticInTheWay();
    if (g_blockChanged.exchange(false)) {
        const std::string blocked = BLOCK_CALLSIGN.value();
        if (!blocked.empty())
            gf_removeActiveLiveByCallsign(blocked);
    }
    lf_takeWindowRequests();
    gf_runUserStandRefresh(); // a reserved-stand refresh asked for by the simulator link
    if (g_parkingBusy.load()) {
        g_mainWindow.pendingStaticCount = gf_pendingStaticCount();
        gf_invalidateBands(BAND_PARK);
    }
}

void lf_halfMinuteWork() {
    const std::uint32_t t = g_secondTick.load();
    if (g_rematchRequested.exchange(false))
        g_unmatchedNames.clear();
    if (AUTO_RANGE.value())
        lf_autoRange();
    if (t % 60 == 0) {
        int countdown = g_staticCountdown.load() - 1;
        if (countdown < 1) {
            countdown = 20;
            if (g_mainWindow.standsLoaded.load() && !INITIAL_LOAD_ONLY.value() && !g_parkingBusy.load() &&
                !g_staticUpdateAnnounced.load())
                gf_announceStaticUpdate();
        }
        g_staticCountdown = countdown;
        g_mainWindow.minutesToNextUpdate = countdown;
        gf_invalidateBands(BAND_MIDDLE);
        if (OBJECTID_LIST.value())
            gf_writeObjectIdList();
        if (t % 1200 == 0) {
            gf_logUnmatchedNames();
            if (t % 86400 == 0) {
                g_secondTick = 0;
                gf_logLiveryMatchingSummary();
                gf_clearSpawnCache();
            }
        }
    }
    gf_flushLog();
}

void lf_applyPendingReRead() {
    if (!g_reReadRequested.load() || g_parkingBusy.load())
        return;
    std::string message;
    if (gf_checkParkAirportsFile(true, message))
        gf_setStatus(message, true);
    g_reReadButton.enable();
    DESTINATION.enable();
    g_reReadRequested = false;
}

void lf_flightNotRunning() {
    if (!g_flightNotRunningLogged.load()) {
        lf_setTrafficGate(false);
        g_flightNotRunningLogged = true;
        g_notRunningCountdown = 100;
        gf_clearPositionBuffers();
        gf_log(fmt::format("{} Flight not running", gf_timeOfDayText()));
    }
    gf_processSimMessages();
    if (--g_notRunningCountdown <= 0) {
        lf_applyPendingReRead();
        gf_sendUserPosition();
        g_notRunningCountdown = 100;
        lf_refreshCounters();
        lf_renewDayAndSlot();
    }
}

void lf_refreshCounters() {
    const std::uint64_t live = gf_countActiveLiveNotParked();
    if (live != g_mainWindow.liveCount.load()) {
        g_mainWindow.liveCount = live;
        gf_invalidateBands(BAND_INDICATORS);
    }
    const std::uint64_t parkedLive = gf_liveParkedHours(true);
    const std::uint64_t statics = gf_staticParkedHours(true);
    if (parkedLive != g_mainWindow.parkedLiveCount.load() || statics != g_mainWindow.staticCount.load()) {
        g_mainWindow.parkedLiveCount = parkedLive;
        g_mainWindow.staticCount = statics;
        gf_invalidateBands(BAND_PARK);
    }
}

} // namespace skf
