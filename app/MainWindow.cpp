#include "app/MainWindow.h"
#include "core/Files.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <exception>
#include <filesystem>
#include <memory>
#include <thread>

#include "app/ControlCommands.h"
#include "app/ControlStates.h"
#include "app/EditFields.h"
#include "app/ShellThreads.h"
#include "app/WindowPainting.h"
#include "app/WindowRequests.h"
#include "core/ControlFields.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "core/Time.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "core/settings/SettingsFile.h"
#include "feed/FeedServices.h"

namespace skf {

namespace {

std::unique_ptr<MainWindowView> g_view;

template <class F>
void lf_guarded(const char* handler, F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        gf_logError(fmt::format("{} exception {}", handler, e.what()));
    } catch (...) {
        gf_logError(fmt::format("{} exception {}", handler, "unknown"));
    }
}

void lf_storePosition(IntParameter& record, std::int32_t value) {
    record.set(record.clamp(value));
    record.store();
}

// The window position from parameters.xml (before the settings are loaded by the start-up).
void lf_loadWindowPosition() {
    MAIN_WINDOW_X.set(MAIN_WINDOW_X.defaultVal());
    MAIN_WINDOW_Y.set(MAIN_WINDOW_Y.defaultVal());
    if (g_parametersPath.empty())
        return;
    // A damaged file is kept as parameters0.xml and replaced by the last good copy (or removed) first.
    gf_prepareParametersFile();
    std::error_code ec;
    if (!std::filesystem::exists(g_parametersPath, ec))
        return;
    pugi::xml_document document;
    if (!gf_loadXml(document, g_parametersPath))
        return;
    if (auto x = gf_readIntParameter(document, MAIN_WINDOW_X.key))
        MAIN_WINDOW_X.set(MAIN_WINDOW_X.clamp(*x));
    if (auto y = gf_readIntParameter(document, MAIN_WINDOW_Y.key))
        MAIN_WINDOW_Y.set(MAIN_WINDOW_Y.clamp(*y));
    lf_fitWindowOnMonitor(400, 20);
}

} // namespace

MainWindowView* gf_mainWindowView() {
    return g_view.get();
}

void lf_fitWindowOnMonitor(std::int32_t resetX, std::int32_t resetY) {
    if (MAIN_WINDOW_X.value() == MAIN_WINDOW_X.minValue || MAIN_WINDOW_X.value() == MAIN_WINDOW_X.maxValue)
        lf_storePosition(MAIN_WINDOW_X, resetX);
    if (MAIN_WINDOW_Y.value() == MAIN_WINDOW_Y.minValue || MAIN_WINDOW_Y.value() == MAIN_WINDOW_Y.maxValue)
        lf_storePosition(MAIN_WINDOW_Y, resetY);

    WindowBackend* backend = gf_mainWindowBackend();
    const bool exists = backend && backend->exists();
    const int x = MAIN_WINDOW_X.value();
    const int y = MAIN_WINDOW_Y.value();
    int left = x;
    int top = y;
    // The window's size is fixed, so the fit before the window exists uses it too: with an empty rectangle
    // the default top edge (20) itself would be moved 48 pixels inside the work area at every second start.
    const int width = kClientWidth;
    const int height = kClientHeight;
    WorkArea area{0, 0, 1280, 1024};
    if (backend)
        area = backend->workArea(left, top, width, height);
    const int workRight = area.x + area.width;
    const int workBottom = area.y + area.height;
    if (width > area.width)
        left = area.x;
    if (height > area.height)
        top = area.y;
    if (left + width < area.x + 48)
        left = area.x + 48 - width;
    left = std::min(left, workRight - 48);
    if (top + height < area.y + 48)
        top = area.y + 48 - height;
    top = std::min(top, workBottom - 48);
    if (left == x && top == y)
        return;
    lf_storePosition(MAIN_WINDOW_X, left);
    lf_storePosition(MAIN_WINDOW_Y, top);
    if (exists)
        backend->move(MAIN_WINDOW_X.value(), MAIN_WINDOW_Y.value());
}

void lf_createControls() {
    SIM_CHOICE.createCombo(5, 105, 80);
    ALL_INSTALL_PATH.createEdit(111, 1200);
    SCAN_LIVERIES.create(5);
    LIG_AUTOMATIC.create(217);
    AI_PACKAGE_SELECTOR.createCombo(323, 175, 300);
    LIG_PRIORITIZE.create(536);
    ALWAYS_ON_TOP.create(748);
    SCAN_AIRPORTS.create(5);
    g_tbloZipButton.create(217, 80);
    OBJECTID_LIST.create(652);
    NAV_LIGHTS_WHILE_PARKED.create(748);
    MATCHING_DEPTH.createCombo(217, 40, 120);
    LIGHT_AIRCRAFT.create(323);
    HELICOPTERS.create(430);
    HIGH_PERF_AIRCRAFT.create(536);
    AEROWINX.create(652);
    GUID_CHANGES.create(748);
    RANGE.createCombo(217, 50, 200);
    AUTO_RANGE.create(323);
    AR_ABOVE_HEIGHT.createCombo(455, 70, 230);
    AIRBORNE_ONLY.create(572);
    COLLISION_USER_GND.create(217);
    COLLISION_USER_AIR.create(323);
    COLLISION_LIVE_PARKED_GND.create(430);
    BLOCK_CALLSIGN.createEdit(107, 100);
    g_unblockButton.create(223, 60);
    g_csOidButton.create(305, 60);
    CALLSIGN_2_OBJECTID.createCombo(375, 100, 300);
    g_blockButton.create(576, 60);
    g_nowButton.create(111, 45);
    MAX_PARK_SEL.createCombo(323, 55, 144);
    MAX_LIVE_SEL.createCombo(536, 55, 144);
    DESTINATION.createEdit(217, 50);
    AIRP_RANGE.createCombo(353, 45, 144);
    AIRP_HEIGHT.createCombo(566, 70, 230);
    STRAIGHT_PBS_ONLY.create(652);
    INITIAL_LOAD_ONLY.create(5);
    WEEK.create(71);
    PARK_SOFT.create(151);
    parking_percentage.createCombo(323, 50, 200);
    MAX_FIT_FL.createCombo(566, 60, 300);
    g_reReadButton.create(758, 90);
    g_flushStaticButton.create(758, 90);
    // The combo boxes of fixed choices get their entries at once; the start-up selects the loaded values.
    for (IntChoiceParameter* choice : {&MATCHING_DEPTH, &RANGE, &AR_ABOVE_HEIGHT, &MAX_PARK_SEL, &MAX_LIVE_SEL,
                                       &AIRP_RANGE, &AIRP_HEIGHT, &parking_percentage})
        choice->fillCombo();
    gf_fillCallsignCombo();
    gf_invalidateBands(BAND_MIDDLE);
}

bool initInstance(WindowBackend& backend, const std::string& title) {
    if (!g_mainWindow.ready.load())
        return false;
    gf_setMainWindowBackend(&backend);
    g_view = std::make_unique<MainWindowView>(backend);
    backend.setHandler(g_view.get());
    lf_loadWindowPosition();
    lf_createControls();
    if (!backend.create(title, MAIN_WINDOW_X.value(), MAIN_WINDOW_Y.value(), kClientWidth, kClientHeight)) {
        backend.setHandler(nullptr);
        gf_setMainWindowBackend(nullptr);
        g_view.reset();
        return false;
    }
    backend.invalidate(BAND_ALL);
    return true;
}

void lf_onCloseWindow() {
    gf_setStatus(fmt::format("Close window button clicked, closing {} ...", kProgramName), false);
    g_shutDown = true;
    try {
        gf_closeServer();
    } catch (const std::exception& e) {
        gf_logError(fmt::format("gf_closeServer exception {}", e.what()));
    }
    // The reason first: the run's close reads it as soon as it sees the stop flag.
    gf_setExitReasonIfUnset(ExitReason::UserClosedSim);
    g_stopRun = true;
    // Closing down ends with the end message; without a start-up there is nothing to close down.
    if (!gf_hasStartUpFunction())
        gf_postWindowMessage(WM_APP_CLOSED);
}

void lf_onStartMessage() {
    std::function<void()> startUp = gf_startUpFunction();
    if (!startUp) {
        gf_log("No start-up registered: nothing started");
        return;
    }
    gf_startShellThread("StartUp", [startUp] {
        try {
            startUp();
        } catch (const std::exception& e) {
            gf_logError(fmt::format("lf_startUpSKFL exception {}", e.what()));
        } catch (...) {
            gf_logError("lf_startUpSKFL exception unknown");
        }
    });
}

void lf_onClosedMessage() {
    WindowBackend* backend = gf_mainWindowBackend();
    int x = 0;
    int y = 0;
    if (backend && backend->position(x, y)) {
        const std::int32_t oldX = MAIN_WINDOW_X.value();
        const std::int32_t oldY = MAIN_WINDOW_Y.value();
        lf_storePosition(MAIN_WINDOW_X, x);
        lf_storePosition(MAIN_WINDOW_Y, y);
        lf_fitWindowOnMonitor(oldX, oldY);
    }
    gf_log(gf_utcTimeText(gf_systemClockSeconds()));
    // The window takes no turn once it quits: a warning asked for before the end is shown now.
    lf_guarded("gf_showWarningBoxes", [] { gf_showWarningBoxes(); });
    gf_setWarningBoxesShown(false);
    if (backend)
        backend->quit(g_exitCode.load());
}

void MainWindowView::onPaint(Painter& painter) {
    lf_guarded("lf_paintWindow", [&] { lf_paintWindow(painter); });
}

bool MainWindowView::onCommand(std::uint16_t id, Notification code) {
    bool handled = false;
    // Decisions about the controls taken before the user's command come before its own changes.
    lf_guarded("gf_applyControlStates", [] { gf_applyControlStates(); });
    if (code == Notification::EnterKey)
        lf_guarded("lf_editSubclassProc", [&] { handled = lf_onEditEnter(id); });
    else
        lf_guarded("lf_HandleWMCOMMAND", [&] { handled = lf_HandleWMCOMMAND(id, code); });
    // What the command decided about other controls shows with its own change.
    lf_guarded("gf_applyControlStates", [] { gf_applyControlStates(); });
    return handled;
}

void MainWindowView::onClose() {
    lf_guarded("WM_CLOSE", [] { lf_onCloseWindow(); });
}

void MainWindowView::onTick() {
    lf_guarded("gf_applyControlStates", [] { gf_applyControlStates(); });
    if (const std::uint32_t bands = m_bandChanges.takeChanged(); bands != 0)
        m_backend.invalidate(bands);
}

void MainWindowView::onMessage(const WindowMessage& message) {
    switch (message.message) {
    case WM_APP_START:
        lf_guarded("WM_APP+1", [] { lf_onStartMessage(); });
        break;
    case WM_APP_CLOSED:
        lf_guarded("WM_APP+2", [] { lf_onClosedMessage(); });
        break;
    case WM_APP_STAY_ON_TOP:
        lf_guarded("WM_APP+3", [&message] {
            if (WindowBackend* backend = gf_mainWindowBackend())
                backend->setAlwaysOnTop(message.wParam != 0);
        });
        break;
    default:
        break;
    }
}

} // namespace skf
