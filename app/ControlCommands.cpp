#include "app/ControlCommands.h"

#include <fmt/format.h>

#include <filesystem>

#include "app/EditFields.h"
#include "app/MainCycle.h"
#include "app/MainWindow.h"
#include "app/RunRequests.h"
#include "app/ShellRunState.h"
#include "app/WindowRequests.h"
#include "core/ControlFields.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "platform/system/Shell.h"

namespace skf {

namespace {

void lf_setOrClear(bool showText, const std::string& text) {
    if (showText)
        gf_setStatus(text, false);
    else
        gf_clearStatus();
}

// A restart of the run for new settings, requested by the first trigger only.
void lf_restartForNewSettings(std::int32_t delaySeconds) {
    gf_raiseStop(ExitReason::NewSettings, delaySeconds);
}

} // namespace

std::int32_t gf_secondsToNextQuarter(std::int64_t tick) {
    return static_cast<std::int32_t>(((tick / 15) + 1) * 15 - tick);
}

bool lf_HandleWMCOMMAND(std::uint16_t id, Notification code) {
    try {
        if (lf_handleButtons(id))
            return true;
        if (lf_handleCheckBoxes(id))
            return true;
        if (lf_handleComboBoxes(id, code))
            return true;
    } catch (const std::exception& e) {
        gf_logError(fmt::format("{} exception {}", "lf_HandleWMCOMMAND", e.what()));
    } catch (...) {
        gf_logError(fmt::format("{} exception {}", "lf_HandleWMCOMMAND", "unknown"));
    }
    gf_invalidateBands(BAND_MIDDLE);
    return false;
}

// ---- Buttons

bool lf_handleButtons(std::uint16_t id) {
    if (id == g_unblockButton.controlId) {
        if (BLOCK_CALLSIGN.value().empty())
            gf_setStatus("Nothing to block or unblock...", false);
        else
            lf_unblockCallsign();
        g_blockButton.enable(!CALLSIGN_2_OBJECTID.value().empty());
        return true;
    }
    if (id == g_csOidButton.controlId) {
        g_callsignListRequested = true;
        g_blockButton.disable();
        return true;
    }
    if (id == g_blockButton.controlId) {
        lf_blockCallsign(CALLSIGN_2_OBJECTID.value());
        // The live callsign list starts again from one empty entry.
        gf_resetWindowCallsignList();
        g_blockButton.disable();
        return true;
    }
    if (id == g_reReadButton.controlId) {
        g_reReadRequested = true;
        g_reReadButton.disable();
        DESTINATION.disable();
        return true;
    }
    if (id == g_flushStaticButton.controlId) {
        gf_setStatus("All static parked aircraft will be removed ...", false);
        g_flushStaticRequested = true;
        g_flushStaticButton.disable();
        return true;
    }
    if (id == g_tbloZipButton.controlId) {
        const std::filesystem::path zip = std::filesystem::current_path() / g_tbloFolder / g_tbloZipName;
        std::error_code ec;
        if (std::filesystem::exists(zip, ec) && gf_shellOpen(zip.parent_path()))
            return true;
        gf_messageBox("Could not open File Explorer at tblo.zip.", "SKFL", MessageBoxIcon::Exclamation);
        return false;
    }
    if (id == g_nowButton.controlId) {
        if (!g_mainWindow.standsLoaded.load())
            return true;
        if (!INITIAL_LOAD_ONLY.value()) {
            gf_announceStaticUpdate();
            g_staticCountdown = 20;
            g_mainWindow.minutesToNextUpdate = 20;
            gf_invalidateBands(BAND_MIDDLE);
        } else {
            gf_clearStatus();
        }
        return true;
    }
    return false;
}

// ---- Check boxes

namespace {

CheckBoxParameter* lf_checkBoxById(std::uint16_t id) {
    for (CheckBoxParameter* record : g_checkBoxParams)
        if (record->controlId == id)
            return record;
    return nullptr;
}

void lf_scanBoxSwitched(CheckBoxParameter& box, bool on) {
    const bool liveries = &box == &SCAN_LIVERIES;
    if (!on) {
        gf_clearStatus();
        if (liveries)
            AI_PACKAGE_SELECTOR.enable();
    } else if (!g_inStartUp.load()) {
        gf_setStatus(liveries ? fmt::format("Your liveries will be scanned at the next start of {}", kProgramName)
                              : fmt::format("Your airports will be scanned at the next start of {}", kProgramName),
                     false);
        if (liveries)
            AI_PACKAGE_SELECTOR.disable();
    } else {
        if (liveries) {
            AI_PACKAGE_SELECTOR.disable();
            gf_requestLiveryReset();
        }
        gf_setStatus(liveries ? "Your liveries will be scanned" : "Your airports will be scanned", true);
        lf_restartForNewSettings(2);
    }
    gf_invalidateBands(BAND_MIDDLE);
}

} // namespace

bool lf_handleCheckBoxes(std::uint16_t id) {
    CheckBoxParameter* box = lf_checkBoxById(id);
    if (!box)
        return false;
    const bool on = !gf_controls().isChecked(id);
    gf_controls().setChecked(id, on);
    box->set(on);
    box->store();

    if (box == &LIG_AUTOMATIC) {
        lf_setOrClear(!on, "The liveries defined by your lfolder parameters will be scanned");
        AI_PACKAGE_SELECTOR.enable(on);
    } else if (box == &LIG_PRIORITIZE) {
        lf_setOrClear(on, "Liveries, for airl+model, in lower lfolders that are already available will be skipped");
    } else if (box == &COLLISION_LIVE_PARKED_GND) {
        lf_setOrClear(!on, "Be aware, live aircraft may collide with (run through) static parked on the ground");
    } else if (box == &COLLISION_USER_GND) {
        lf_setOrClear(!on, "Be aware, user aircraft may collide with (run through) live aircraft and static parked on "
                           "the ground");
    } else if (box == &COLLISION_USER_AIR) {
        lf_setOrClear(!on, "Be aware, user aircraft may collide with (run through) live aircraft in the air");
    } else if (box == &INITIAL_LOAD_ONLY) {
        lf_setOrClear(on, fmt::format("Initial Load Only: static parked aircraft are generated once, no renewal "
                                      "every {} minutes",
                                      20));
        if (on)
            g_nowButton.disable();
        else
            g_nowButton.enable(g_nowAllowed.load());
        gf_invalidateBands(BAND_MIDDLE);
    } else if (box == &ALWAYS_ON_TOP) {
        lf_setOrClear(on, fmt::format("{}'s window will remain visible", kProgramName));
        if (WindowBackend* backend = gf_mainWindowBackend())
            backend->setAlwaysOnTop(on);
        gf_invalidateBands(BAND_MIDDLE);
    } else if (box == &GUID_CHANGES) {
        lf_setOrClear(!on, "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc!");
        gf_invalidateBands(BAND_MIDDLE);
    } else if (box == &AEROWINX) {
        lf_setOrClear(on,
                      fmt::format("Note: This mode is for Aerowinx PSX users only, please re-start {}", kProgramName));
    } else if (box == &AUTO_RANGE) {
        AR_ABOVE_HEIGHT.enable(on);
        gf_applyRangeMode();
    } else if (box == &SCAN_LIVERIES || box == &SCAN_AIRPORTS) {
        lf_scanBoxSwitched(*box, on);
    } else if (box == &NAV_LIGHTS_WHILE_PARKED) {
        gf_requestNavLights(on);
    } else if (box == &OBJECTID_LIST) {
        lf_setOrClear(on, fmt::format("Every minute info about all active live aircraft is written to the file {}",
                                      gf_pathToUtf8(g_objectIdListPath)));
    } else if (box == &AIRBORNE_ONLY) {
        lf_setOrClear(on, "Be aware, airborne live traffic only!  (greater than 300 ft above ground ...)");
        gf_invalidateBands(BAND_MIDDLE);
    }
    return true;
}

// ---- Combo boxes

std::optional<std::pair<int, std::string>> lf_readComboChoice(std::uint16_t id, Notification code) {
    if (code != Notification::SelChange)
        return std::nullopt;
    auto state = gf_controls().get(id);
    if (!state || state->kind != ControlKind::ComboBox)
        return std::nullopt;
    const int index = state->selection;
    if (index < 0 || index >= static_cast<int>(state->items.size()))
        return std::nullopt;
    return std::make_pair(index, state->items[static_cast<std::size_t>(index)]);
}

namespace {

// The allowed value at the chosen index, clamped, made current and stored.
bool lf_storeIntChoice(IntChoiceParameter& record, int index) {
    if (index < 0 || index >= static_cast<int>(record.choices.size()))
        return false;
    record.set(record.clamp(record.choices[static_cast<std::size_t>(index)]));
    record.store();
    return true;
}

} // namespace

bool lf_handleComboBoxes(std::uint16_t id, Notification code) {
    const auto choice = lf_readComboChoice(id, code);
    if (!choice)
        return false;
    const auto& [index, text] = *choice;

    if (id == SIM_CHOICE.controlId) {
        if (text != SIM_CHOICE.value()) {
            SIM_CHOICE.setValue(text);
            gf_updateSimChoice();
            lf_switchSimulator();
        }
        return true;
    }
    if (id == AI_PACKAGE_SELECTOR.controlId) {
        if (text != AI_PACKAGE_SELECTOR.value()) {
            AI_PACKAGE_SELECTOR.setValue(text);
            gf_setStatus("If you want to make this choice effective, you must start a Scan for liveries", true);
        }
        return true;
    }
    if (id == CALLSIGN_2_OBJECTID.controlId) {
        if (text != CALLSIGN_2_OBJECTID.value()) {
            CALLSIGN_2_OBJECTID.set(text);
            g_mainWindow.objectIdText.clear();
            gf_invalidateBands(BAND_MIDDLE);
            g_objectIdLookupRequested = true;
            g_blockButton.enable(!g_unblockButton.isEnabled());
        }
        return true;
    }
    if (id == MATCHING_DEPTH.controlId) {
        const std::int32_t old = MATCHING_DEPTH.value();
        if (lf_storeIntChoice(MATCHING_DEPTH, index) && MATCHING_DEPTH.value() > old)
            g_rematchRequested = true;
        return true;
    }
    if (id == MAX_PARK_SEL.controlId)
        return lf_storeIntChoice(MAX_PARK_SEL, index), true;
    if (id == parking_percentage.controlId)
        return lf_storeIntChoice(parking_percentage, index), true;
    if (id == RANGE.controlId) {
        if (lf_storeIntChoice(RANGE, index))
            gf_setRange(RANGE.value());
        return true;
    }
    if (id == AIRP_RANGE.controlId)
        return lf_storeIntChoice(AIRP_RANGE, index), true;
    if (id == AR_ABOVE_HEIGHT.controlId)
        return lf_storeIntChoice(AR_ABOVE_HEIGHT, index), true;
    if (id == AIRP_HEIGHT.controlId)
        return lf_storeIntChoice(AIRP_HEIGHT, index), true;
    if (id == MAX_FIT_FL.controlId) {
        if (index < 0 || index >= static_cast<int>(MAX_FIT_FL.choices.size()))
            return true;
        const float hours = MAX_FIT_FL.choices[static_cast<std::size_t>(index)];
        MAX_FIT_FL.set(hours);
        MAX_FIT.set(MAX_FIT.clamp(gf_maxFitFromHours(hours)));
        MAX_FIT.store();
        return true;
    }
    if (id == MAX_LIVE_SEL.controlId) {
        if (lf_storeIntChoice(MAX_LIVE_SEL, index))
            gf_requestMaxLive(MAX_LIVE_SEL.value());
        return true;
    }
    return false;
}

// ---- Parking controls, range mode, announcement, simulator switch

// The controls themselves follow at the window's next turn (app/ControlStates.cpp).
void gf_lockParkingControls() {
    gf_setParkingBusy(true);
    g_nowAllowed = true;
}

void gf_unlockParkingControls() {
    gf_setParkingBusy(false);
    g_nowAllowed = true;
}

void gf_applyRangeMode(bool clearStatus) {
    ShellPerProcess& shell = gf_shellRunState().process; // the remembered manual range
    if (!shell.manualRangeSet.exchange(true))
        shell.manualRange = RANGE.defaultVal();
    if (AUTO_RANGE.value()) {
        shell.manualRange = RANGE.value();
        gf_requestAutoRange();
    } else {
        gf_setRange(shell.manualRange.load());
        if (clearStatus)
            gf_clearStatus();
    }
    RANGE.enable(!AUTO_RANGE.value());
}

void gf_announceStaticUpdate() {
    gf_lockParkingControls();
    const std::int32_t s = gf_secondsToNextQuarter(g_secondTick.load());
    gf_setStatus(fmt::format("{} will update static parking in {} second{} ...", kProgramName, s, s == 1 ? "" : "s"),
                 false);
    g_staticUpdateAnnounced = true;
}

void lf_switchSimulator() {
    std::filesystem::remove(g_liveriesScannedPath);
    gf_requestLiveryReset();
    SCAN_AIRPORTS.set(true);
    SCAN_AIRPORTS.store();
    SCAN_AIRPORTS.showCheck();
    SCAN_LIVERIES.set(true);
    SCAN_LIVERIES.store();
    SCAN_LIVERIES.showCheck();
    gf_setStatus(fmt::format("Switching Simulator to {}", g_simIs2020.load() ? "MSFS 2020" : "MSFS 2024"), true);
    ALL_INSTALL_PATH.set(std::string());
    gf_showStringParameter(ALL_INSTALL_PATH);
    if (!g_simIs2020.load())
        MYSIMADDON24_VERSION.setValue(std::string());
    lf_restartForNewSettings(3);
}

} // namespace skf
