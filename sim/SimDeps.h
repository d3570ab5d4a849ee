#pragma once
// What the simulator link uses of the layers below it (log, stop flags, settings, reference data, files,
// folders), gathered in one place.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/SizeCategory.h"

namespace skf {

// Log.txt
void gf_log(const std::string& text);
void gf_logError(const std::string& text);
void gf_logIndented(const std::string& text);

// Stop flags and exit reasons
bool gf_stopRequested(); // g_stopRun or g_shutDown
// Raises g_stopRun; when this call raised it first, sets the exit reason and the restart delay.
bool gf_stopRunWithReason(int reason, int restartDelaySeconds);
inline constexpr int kExitSimWasClosed = 1;
inline constexpr int kExitNewFlight = 2;
inline constexpr int kExitSimConnectError = 5;

// Texts
std::string gf_nowTimeOfDayText();
std::string gf_objectIdLogText(std::uint32_t objectId);
std::string gf_programName();

// Geometry and random
double gf_greatCircleNm(double lat1, double lon1, double lat2, double lon2);
double gf_spreadPercent(double value, double percent);

// Size-category tables
int gf_flareSteps(int category);
int gf_touchdownSteps(int category);
int gf_rotationSteps(int category);
int gf_climbPitchSteps(int category);
double gf_takeoffPitch(int category);
double gf_climbPitch(int category);
double gf_turnRate(int category);

// Reference data
double gf_halfWingspanOf(std::uint16_t modelId);
double gf_halfWingspanOfCode(const std::string& modelCode);
double gf_largestHalfWingspan();
SizeCategory gf_categoryOf(std::uint16_t modelId);
SizeCategory gf_categoryOfCode(const std::string& modelCode);
std::string gf_airlineCodeOf(std::uint16_t airlineId);
std::string gf_modelCodeOf(std::uint16_t modelId);

// Settings
bool gf_sim2024Chosen();
int gf_rangeNmSetting();
std::string gf_packagesRootSetting(bool is2024);
void gf_storePackagesRoot(bool is2024, const std::string& rootUtf8);
std::filesystem::path gf_dataFolderPath();
void gf_setFlightPlanFolder(const std::filesystem::path& folder);
std::filesystem::path gf_flightPlanFolderPath();
bool gf_professionalMode();
void gf_setSimEpoch(std::uint64_t seconds);

// Files and folders
bool gf_writeFileAtomic(const std::filesystem::path& path, const std::string& content);
bool gf_readLinesOf(const std::filesystem::path& path, std::vector<std::string>& lines);
std::filesystem::path gf_roamingDataPath();
std::filesystem::path gf_localDataPath();
std::string gf_pathText(const std::filesystem::path& path);
std::filesystem::path gf_pathFromUtf8(const std::string& text);

} // namespace skf
