#include "app/StartUp.h"

#include "airportscan/AirportScanServices.h"
#include "app/ClosingDown.h"
#include "app/MainCycle.h"
#include "app/Run.h"
#include "app/ShellThreads.h"
#include "app/WindowRequests.h"
#include "app/ControlCommands.h"
#include "core/Codes.h"
#include "core/Files.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "core/settings/VersionUpdate.h"
#include "data/Airports.h"
#include "data/Dbase.h"
#include "app/EditFields.h"
#include "app/MainWindow.h"
#include "data/UpdateCheck.h"
#include "feed/FeedServices.h"
#include "liveries/LiveryServices.h"
#include "platform/system/KnownFolders.h"
#include "platform/ui/WindowMessages.h"
#include "sim/FlightPlans.h"
#include "sim/PackagesRoot.h"
#include "sim/SimLink.h"
#include "sim/SimQueues.h"
#include "sim/UserAircraft.h"
#include "traffic/EngineServices.h"

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>
#include <new>
#include <system_error>
#include <thread>

namespace skf {

namespace fs = std::filesystem;

namespace {

bool lf_stopRequested() {
    return g_stopRun.load() || g_shutDown.load();
}

// The start-up's way out when a stop flag is up: the program closes unless a reason was set before.
// A run stopped for a restart (a reason set before) does not close the program: g_shutDown then stays
// down, so that closing down can tell it from a close by the user.
void lf_stopPath() {
    gf_closeServer();
    // The reason first: the run's close reads it as soon as it sees the stop flag.
    gf_setExitReasonIfUnset(ExitReason::UserClosedSim);
    g_stopRun = true;
    const ExitReason reason = gf_exitReason();
    if (reason != ExitReason::NewSettings && reason != ExitReason::SimConnectError && reason != ExitReason::ReaderError)
        g_shutDown = true;
}

// Tests a folder; an error other than "not found" raises a file-system error named op.
bool lf_isDirectory(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        throw fs::filesystem_error("status", path, ec);
    return fs::is_directory(status);
}

bool lf_dataFileMissing() {
    for (const fs::path* file : {&g_airportsEncPath, &g_dbaseEncPath, &g_aigRegcodesEncPath}) {
        std::error_code ec;
        if (!fs::exists(*file, ec))
            return true;
    }
    return false;
}

void lf_checkProgramFolder() {
    if (!lf_isDirectory("docs"))
        throw UserErrorException(41, fmt::format("{} must be run from the {} folder!", kProgramName, kProgramName));
}

void lf_enable(const ParameterControl& control, bool on = true) {
    control.enable(on);
}

void lf_showChoice(const IntChoiceParameter& record) {
    record.enable();
    record.selectCurrent();
}

// The exit guard of the start-up thread: flush the log, then close down, whatever happened.
struct ClosingDownGuard {
    ClosingDownGuard() = default;
    ClosingDownGuard(const ClosingDownGuard&) = delete;
    ClosingDownGuard& operator=(const ClosingDownGuard&) = delete;
    ~ClosingDownGuard() {
        gf_flushLog();
        lf_closingDown();
    }
};

void lf_systemErrorFirst(const std::string& text) {
    gf_setError(text);
    gf_raiseStop(ExitReason::SystemError);
}

void lf_startUpSequence() {
    lf_checkProgramFolder();
    lf_loadStartUpData();

    const unsigned hardware = std::thread::hardware_concurrency();
    g_workerLimit = hardware > 0 ? static_cast<int>(hardware) : 2;
    g_activeWorkers = 0;

    // A reset the window asked for (a new simulator, a scan box): the tables are emptied here, on the thread
    // that builds and reads them, while nothing of a run holds a view into them.
    if (gf_takeLiveryResetRequest()) {
        gf_releaseLiveryViews();
        gf_clearLiveryTables();
        g_liveriesProcessed = false;
    }
    // Also after the end of a production run: the scan itself stops early on a stop flag.
    if (SCAN_LIVERIES.value())
        lf_scanLiveriesWithControls();
    if (!g_liveriesProcessed)
        gf_releaseLiveryViews(); // the build starts from empty tables
    gf_processScannedLiveries();

    if (!lf_stopRequested() && SCAN_AIRPORTS.value()) {
        g_mainWindow.addonAirportCount = 0;
        g_mainWindow.otherPublisherAirportCount = 0;
        gf_invalidateBands(BAND_ALL);
        gf_scanApfs();
        SCAN_AIRPORTS.showCheck(); // a finished scan switched itself off
    }
    if (lf_stopRequested()) {
        lf_stopPath();
        return;
    }
    g_mainWindow.addonAirportCount = gf_countDirectoryEntries(fs::path("airports") / "my_simaddon");
    g_mainWindow.otherPublisherAirportCount = gf_countDirectoryEntries(fs::path("airports") / "my_thirdparty");
    gf_invalidateBands(BAND_ALL);
    if (lf_stopRequested()) {
        lf_stopPath();
        return;
    }

    gf_createFlightPlanFolder();
    gf_readMyParkAirports();
    g_reReadButton.enable();

    const std::string destination = DESTINATION.value();
    if (!destination.empty()) {
        const IcaoCode code(destination);
        const auto airport = std::lower_bound(g_airports.begin(), g_airports.end(), code,
                                              [](const Airport& a, const IcaoCode& c) { return a.icao < c; });
        if (airport != g_airports.end() && airport->icao == code)
            lf_setDestination(destination, airport->latitude, airport->longitude);
    }

    // The window stays above others or not, as set; it is neither moved nor sized.
    gf_postWindowMessage(WM_APP_STAY_ON_TOP, ALWAYS_ON_TOP.value() ? 1 : 0);

    if (lf_run()) {
        lf_mainLoop();
    } else {
        lf_stopPath();
    }
}

} // namespace

void lf_scanLiveriesWithControls() {
    if (lf_stopRequested())
        return; // the scan would not start either: it stays switched on
    const bool automatic = LIG_AUTOMATIC.value();
    AI_PACKAGE_SELECTOR.disable();
    try {
        gf_scanLiveries();
    } catch (const UserErrorException& e) {
        if (e.code() == 43 || e.code() == 143)
            AI_PACKAGE_SELECTOR.enable();
        throw;
    }
    if (SCAN_LIVERIES.value()) { // stopped before its end
        AI_PACKAGE_SELECTOR.enable(automatic);
        return;
    }
    SCAN_LIVERIES.showCheck();
    AI_PACKAGE_SELECTOR.enable();
}

std::string gf_withoutCommunityFolder(const std::string& path) {
    for (const std::string_view suffix : {"/Community", "\\Community"}) {
        if (path.size() >= suffix.size() && path.ends_with(suffix))
            return path.substr(0, path.size() - suffix.size());
    }
    return path;
}

bool gf_joinProgramThreads() {
    // Nothing may still run when the globals go: ask every loop to end, then wait a bounded time.
    g_shutDown = true;
    g_stopRun = true;
    g_qnhReader.stop = true;
    g_trafficReader.stop = true;
    const bool shellThreadsEnded = gf_joinShellThreads(std::chrono::seconds(5));
    gf_stopSimClient();
    return shellThreadsEnded;
}

void lf_startUpSKFL() {
    ClosingDownGuard guard;
    try {
        lf_startUpSequence();
    } catch (const UserErrorException& e) {
        gf_setError(e.what());
        gf_forceExitReason(ExitReason::SystemError);
        if (g_productionMode.load())
            gf_raiseStop(ExitReason::SystemError);
    } catch (const fmt::format_error& e) {
        gf_setError(fmt::format("std::format error: {}", e.what()));
        lf_systemErrorFirst(e.what());
    } catch (const std::bad_alloc& e) {
        lf_systemErrorFirst(e.what());
    } catch (const std::exception& e) {
        lf_systemErrorFirst(e.what());
    } catch (...) {
        gf_setError("Unknown exception");
        gf_forceExitReason(ExitReason::SystemError);
        if (g_productionMode.load())
            gf_raiseStop(ExitReason::SystemError);
    }
}

void lf_loadStartUpData() {
    gf_checkParametersVersion();
    gf_invalidateBands(BAND_ALL);
    gf_flushLog();
    lf_prepareControls();

    StringParameter& installPath = g_simIs2020.load() ? static_cast<StringParameter&>(MSFS_INSTALL_PATH)
                                                      : static_cast<StringParameter&>(MSFS_2024_INSTALL_PATH);
    {
        const std::string path = installPath.value();
        const std::string parent = gf_withoutCommunityFolder(path);
        if (parent != path)
            installPath.setValue(parent);
    }

    lf_prepareFolders();

    // A restart skips the update check, unless a data file is missing (one moved aside as damaged, say):
    // the check downloads it again.
    if (!g_restartPending.load() || lf_dataFileMissing()) {
        if (!gf_checkForUpdates())
            return; // a new version is being installed
    }
    lf_renewDayAndSlot();

    if (!g_dbaseLoaded.load()) {
        const bool read = gf_readDbase();
        g_dbaseLoaded = true;
        if (!read)
            throw std::runtime_error("reading data files failed!");
    }
    if (!gf_readAirports())
        throw std::runtime_error("reading airports failed!");

    ALL_INSTALL_PATH.set(installPath.value());
    ALL_INSTALL_PATH.enable();
    gf_showStringParameter(ALL_INSTALL_PATH);
    if (ALL_INSTALL_PATH.value().empty() && !gf_detectPackagesRoot()) {
        const UserErrorException noPackages(
            150, "No install path detected. Type the full path to your Community folder above, then press Enter");
        // A production run only loads the data and never talks to a simulator: it goes on without one.
        if (!g_productionMode.load())
            throw noPackages;
        gf_logError(noPackages.what());
    }
    gf_invalidateBands(BAND_ALL);

    if (g_productionMode.load()) {
        lf_endProductionRun();
        return;
    }

    bool found = false;
    if (const auto roaming = gf_knownFolderPath(KnownFolder::RoamingAppData)) {
        std::error_code ec;
        found = fs::exists(*roaming / "InsideSystems" / "RealTraffic.jar", ec);
        if (ec && ec != std::errc::no_such_file_or_directory)
            throw fs::filesystem_error("exists", *roaming, ec);
    }
    g_realTrafficLocal = found;
    gf_setStatus(fmt::format("RealTraffic {}detected at this PC", found ? "" : "not "), true);
    gf_flushLog();
}

void lf_prepareFolders() {
    static const char* const kFolders[] = {
        "output",
        "output/info",
        "output/errors",
        "airports",
        "airports/learned",
        "airports/learned/stock",
        "airports/learned/simaddon",
        "airports/learned/thirdparty",
        "airports/my_simaddon",
        "airports/my_thirdparty",
        "input/my_regcodes",
    };
    for (const char* folder : kFolders) {
        if (lf_isDirectory(folder))
            continue;
        std::error_code ec;
        fs::create_directories(folder, ec);
        if (ec)
            throw fs::filesystem_error("create_directories", fs::path(folder), ec);
    }
    const fs::path objectIdList = fs::path("output") / "info" / "ObjectIdList.txt";
    std::error_code ec;
    fs::remove(objectIdList, ec);
    if (ec)
        throw fs::filesystem_error("remove", objectIdList, ec);
}

void lf_prepareControls() {
    for (const CheckBoxParameter* box : {&ALWAYS_ON_TOP,      &NAV_LIGHTS_WHILE_PARKED,
                                         &OBJECTID_LIST,      &GUID_CHANGES,
                                         &SCAN_LIVERIES,      &LIG_AUTOMATIC,
                                         &LIG_PRIORITIZE,     &SCAN_AIRPORTS,
                                         &LIGHT_AIRCRAFT,     &HELICOPTERS,
                                         &HIGH_PERF_AIRCRAFT, &AUTO_RANGE,
                                         &AIRBORNE_ONLY,      &COLLISION_USER_GND,
                                         &COLLISION_USER_AIR, &COLLISION_LIVE_PARKED_GND,
                                         &STRAIGHT_PBS_ONLY,  &WEEK,
                                         &PARK_SOFT,          &INITIAL_LOAD_ONLY})
        lf_enable(*box);
    lf_enable(BLOCK_CALLSIGN);
    for (const IntChoiceParameter* choice : {&MATCHING_DEPTH, &MAX_PARK_SEL, &MAX_LIVE_SEL, &AIRP_RANGE, &AIRP_HEIGHT})
        lf_showChoice(*choice);
    RANGE.selectCurrent();
    RANGE.enable(!AUTO_RANGE.value());
    AR_ABOVE_HEIGHT.selectCurrent();
    AR_ABOVE_HEIGHT.enable(AUTO_RANGE.value());
    g_unblockButton.enable(!BLOCK_CALLSIGN.value().empty());

    AI_PACKAGE_SELECTOR.fillCombo();
    AI_PACKAGE_SELECTOR.enable(LIG_AUTOMATIC.value());

    SIM_CHOICE.enable();
    SIM_CHOICE.fillCombo();
    const bool is2020 = SIM_CHOICE.value() == "MSFS 2020";
    g_simIs2020 = is2020;
    g_simNumber = is2020 ? 1 : 2;

    for (const CommandButton* button : {&g_tbloZipButton, &g_blockButton, &g_csOidButton, &g_reReadButton})
        button->disable();
    CALLSIGN_2_OBJECTID.disable();
    DESTINATION.disable();
    g_flushStaticButton.disable();
    if (!INITIAL_LOAD_ONLY.value())
        g_nowButton.disable();
    g_nowAllowed = true;

    parking_percentage.set(30);
    parking_percentage.selectCurrent();
    parking_percentage.disable();

    if (MAX_FIT_FL.hasControl()) {
        MAX_FIT_FL.fillCombo();
        gf_selectMaxFitChoice();
        MAX_FIT_FL.disable();
    }
}

} // namespace skf
