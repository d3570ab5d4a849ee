#pragma once
// What the simulator link uses of the layers below it (log, stop flags, settings, reference data, files,
// folders), gathered in one place under the names the link's sources use.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Codes.h"
#include "core/Files.h"
#include "core/Geometry.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/Random.h"
#include "core/SizeCategory.h"
#include "core/Text.h"
#include "core/Time.h"
#include "core/settings/Catalogue.h"
#include "core/settings/Parameters.h"
#include "core/settings/ProgramPaths.h"
#include "data/Dbase.h"
#include "data/DbaseLookups.h"
#include "data/StringPool.h"

namespace skf {

// Stop flags and exit reasons
inline bool gf_stopRequested() {
    return g_stopRun.load() || g_shutDown.load();
}
inline bool gf_stopRunRaised() {
    return g_stopRun.load();
}
inline constexpr ExitReason kExitSimWasClosed = ExitReason::SimWasClosed;
inline constexpr ExitReason kExitNewFlight = ExitReason::NewFlight;
inline constexpr ExitReason kExitSimConnectError = ExitReason::SimConnectError;
inline bool gf_stopRunWithReason(ExitReason reason, std::int32_t restartDelaySeconds) {
    return gf_raiseStop(reason, restartDelaySeconds);
}

// Texts
inline std::string gf_nowTimeOfDayText() {
    return gf_timeOfDayText();
}
inline std::string gf_objectIdLogText(std::uint32_t objectId) {
    return gf_objectIdText(objectId);
}
inline const char* gf_programName() {
    return "Skyfill";
}

// Geometry and random
inline double gf_greatCircleNm(double lat1, double lon1, double lat2, double lon2) {
    return gf_distanceNm(lat1, lon1, lat2, lon2);
}

// Reference data
inline double gf_halfWingspanOfCode(const std::string& modelCode) {
    return modelCode.empty() ? 0.0 : gf_halfWingspan(gf_internModel(modelCode));
}
inline double gf_largestHalfWingspan() {
    return g_maxHalfWingspan;
}

// Settings
inline bool gf_sim2024Chosen() {
    return !g_simIs2020.load();
}
inline bool gf_professionalMode() {
    return g_rtProfessional.load();
}
inline void gf_setSimEpoch(std::uint64_t seconds) {
    g_simEpochTime = seconds;
    g_simEpochSeconds = static_cast<double>(seconds);
}

// Files and folders
inline std::string gf_pathText(const std::filesystem::path& path) {
    return gf_pathToUtf8(path);
}
inline std::filesystem::path gf_pathFromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}
inline bool gf_readLinesOf(const std::filesystem::path& path, std::vector<std::string>& lines) {
    return gf_readFileLines(path, lines, 64);
}

} // namespace skf
