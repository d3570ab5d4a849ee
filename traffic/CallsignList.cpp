// The window's list of live callsigns and the object id list file ObjectIdList.txt. Engine thread: the
// window only reads the list's copy (CallsignList is a copy-out under its own mutex).
#include <algorithm>

#include <fmt/format.h>

#include "core/ControlFields.h"
#include "core/Files.h"
#include "core/Text.h"
#include "core/Log.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "core/settings/Parameters.h"
#include "core/settings/ProgramPaths.h"
#include "data/StringPool.h"
#include "traffic/EngineState.h"
#include "traffic/EngineServices.h"

namespace skf {

void gf_resetLiveCallsignList() {
    gf_resetWindowCallsignList();
}

void gf_fillLiveCallsignList() {
    gf_checkEngineThread("gf_fillLiveCallsignList");
    std::vector<std::string> callsigns;
    for (const auto& a : g_liveAircraft) {
        if (a.simStatus == SimStatus::active && a.phase != FlightPhase::parked) {
            callsigns.push_back(a.callsign);
        }
    }
    std::sort(callsigns.begin(), callsigns.end());
    const bool any = !callsigns.empty();
    const std::string first = any ? callsigns.front() : std::string();
    g_callsignList.set(std::move(callsigns));
    CALLSIGN_2_OBJECTID.set(first);
    gf_fillCallsignCombo();
    gf_setControlField(ControlField::LiveCallsigns, any);
}

std::string gf_objectIdLine(const LiveAircraft& a) {
    return fmt::format("{};{};{};{};{};{};{}", a.objectId, a.callsign, a.registration, gf_operatorName(a.airlineId),
                       gf_modelName(a.modelId), a.onGround ? "GND" : "AIR",
                       a.phase == FlightPhase::parked ? "PARKED" : "");
}

void gf_writeObjectIdList() {
    std::vector<std::string> lines;
    for (const auto& a : g_liveAircraft) {
        if (a.simStatus == SimStatus::active) {
            lines.push_back(gf_objectIdLine(a));
        }
    }
    if (!gf_writeLines(lines, g_objectIdListPath)) {
        gf_logError(fmt::format("Failed to write {}", gf_pathToUtf8(g_objectIdListPath)));
    }
}

} // namespace skf
