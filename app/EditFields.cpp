#include "app/EditFields.h"

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>

#include "app/MainWindow.h"
#include "app/RunRequests.h"
#include "app/WindowRequests.h"
#include "core/Codes.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "core/settings/Catalogue.h"
#include "data/Airports.h"
#include "platform/ui/ControlModel.h"

namespace skf {

namespace {

void lf_report(const std::string& text) {
    gf_setStatus(text, true);
}

// Characters of a UTF-8 text (bytes that do not continue a character).
std::size_t lf_characterCount(const std::string& text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

bool lf_isCodeCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

const Airport* lf_findAirport(const std::string& code) {
    const IcaoCode icao(code);
    const auto it = std::lower_bound(g_airports.begin(), g_airports.end(), icao,
                                     [](const Airport& a, const IcaoCode& c) { return a.icao < c; });
    if (it != g_airports.end() && it->icao == icao)
        return &*it;
    // The table is sorted by code; fall back to a plain search should it not be.
    for (const Airport& a : g_airports)
        if (a.icao == icao)
            return &a;
    return nullptr;
}

} // namespace

std::string lf_getTextFromId(std::uint16_t id) {
    return gf_controls().text(id);
}

bool lf_onEditEnter(std::uint16_t id) {
    if (id == BLOCK_CALLSIGN.controlId) {
        gf_clearStatus();
        lf_onBlockCallsignEnter();
        return true;
    }
    if (id == DESTINATION.controlId) {
        gf_clearStatus();
        lf_onDestinationEnter();
        return true;
    }
    if (id == ALL_INSTALL_PATH.controlId) {
        gf_clearStatus();
        StringParameter& target = g_simIs2020.load() ? MSFS_INSTALL_PATH : MSFS_2024_INSTALL_PATH;
        lf_checkCommunityPath(target, lf_getTextFromId(id));
        return true;
    }
    return false;
}

// ---- Packages folder

void lf_checkCommunityPath(StringParameter& target, const std::string& text) {
    gf_clearError();
    gf_clearStatus();
    if (text.empty()) {
        if (!target.value().empty())
            target.setValue(std::string());
        return;
    }
    const std::filesystem::path path(text);
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec && status.type() != std::filesystem::file_type::not_found) {
        lf_report(fmt::format("Cannot access install path '{}': {}", text, ec.message()));
        return;
    }
    if (!std::filesystem::exists(status)) {
        lf_report(fmt::format("This install path does not exist: {}", text));
        return;
    }
    const std::string last = path.filename().string();
    if (last != "Community") {
        if (std::filesystem::exists(path / "Community", ec)) {
            target.setValue(text);
            lf_restartForCommunityPath();
        } else {
            lf_report("This path exists but is not a path to Community ...");
        }
        return;
    }
    // The text without its last component and the separators before it.
    std::string parent = text.substr(0, text.size() - last.size());
    while (!parent.empty() && (parent.back() == '/' || parent.back() == '\\'))
        parent.pop_back();
    if (!parent.empty() && std::filesystem::exists(std::filesystem::path(parent) / "Community", ec)) {
        target.setValue(parent);
        lf_restartForCommunityPath();
    } else {
        lf_report("This path does not contain a valid Community folder (unexpected).");
    }
}

void lf_restartForCommunityPath() {
    lf_report(fmt::format("Community path found, {} will restart ...", kProgramName));
    gf_raiseStop(ExitReason::NewSettings, 3);
}

// ---- Blocked callsign

void lf_onBlockCallsignEnter() {
    gf_clearStatus();
    std::string text = lf_getTextFromId(BLOCK_CALLSIGN.controlId);
    if (text.empty()) {
        if (!BLOCK_CALLSIGN.value().empty())
            lf_unblockCallsign();
        return;
    }
    const std::size_t characters = lf_characterCount(text);
    if (characters < 4 || characters > 8) {
        lf_report(fmt::format("callsign '{}' is not valid", text));
        gf_showStringParameter(BLOCK_CALLSIGN);
        return;
    }
    gf_toUpper(text);
    if (text == BLOCK_CALLSIGN.value()) {
        lf_report(fmt::format("callsign '{}' was already set ...", text));
        gf_showStringParameter(BLOCK_CALLSIGN);
        return;
    }
    if (text == CALLSIGN_2_OBJECTID.value())
        gf_resetWindowCallsignList();
    BLOCK_CALLSIGN.setValue(text);
    gf_showStringParameter(BLOCK_CALLSIGN);
    g_unblockButton.enable();
    g_blockChanged = true;
}

void lf_blockCallsign(const std::string& callsign) {
    BLOCK_CALLSIGN.setValue(callsign);
    gf_showStringParameter(BLOCK_CALLSIGN);
    g_unblockButton.enable();
    g_blockChanged = true;
}

void lf_unblockCallsign() {
    const std::string old = BLOCK_CALLSIGN.value();
    if (old.empty())
        return;
    BLOCK_CALLSIGN.setValue(std::string());
    gf_showStringParameter(BLOCK_CALLSIGN);
    g_unblockButton.disable();
    lf_report(fmt::format("no more blocking of live aircraft '{}'", old));
    g_blockChanged = true;
}

// ---- Destination

void lf_onDestinationEnter() {
    gf_clearStatus();
    std::string text = lf_getTextFromId(DESTINATION.controlId);
    if (text.empty()) {
        DESTINATION.set(std::string());
        lf_reportDestination(0, text);
        return;
    }
    if (lf_characterCount(text) != 4) {
        lf_reportDestination(1, text);
        return;
    }
    gf_toUpper(text);
    if (text == DESTINATION.value()) {
        lf_reportDestination(2, text);
        return;
    }
    if (!std::all_of(text.begin(), text.end(), lf_isCodeCharacter)) {
        lf_reportDestination(1, text);
        return;
    }
    const Airport* airport = lf_findAirport(text);
    if (!airport) {
        lf_reportDestination(3, text);
        return;
    }
    lf_setDestination(text, airport->latitude, airport->longitude);
}

void lf_setDestination(const std::string& code, double latitude, double longitude) {
    DESTINATION.setValue(code);
    gf_showStringParameter(DESTINATION);
    lf_report(fmt::format("New destination: {}", code));
    gf_requestDestination(DestinationRequest{code, latitude, longitude});
    g_reReadButton.disable();
}

void lf_reportDestination(int outcome, const std::string& text) {
    switch (outcome) {
    case 0:
        g_reReadButton.enable();
        lf_report("destination set to empty");
        return;
    case 1:
        lf_report(fmt::format("destination '{}' is not valid", text));
        break;
    case 2:
        lf_report(fmt::format("destination '{}' was already set ...", text));
        break;
    case 3:
        lf_report(fmt::format("destination '{}' is unknown ...", text));
        break;
    default:
        return;
    }
    gf_showStringParameter(DESTINATION);
}

} // namespace skf
