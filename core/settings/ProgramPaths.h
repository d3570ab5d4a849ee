#pragma once
// The program's folder and file names as global paths.
//
// Two base folders: the data folder in the user's roaming application data ($XDG_CONFIG_HOME/Skyfill,
// default ~/.config/Skyfill), which holds the settings file and the flight-plan folder; and the working
// folder (the folder the program is started in), against which every other path here is relative.
//
// The relative names are constants. The data-folder paths are empty until gf_buildProgramPaths() has run;
// the process entry calls it once, after the log is opened (finding the application-data folder may log)
// and before any other thread starts. Nothing changes them afterwards.

#include <filesystem>

namespace skf {

// ---- Data folder (built by gf_buildProgramPaths)
extern std::filesystem::path g_dataFolder;     // <roaming app data>/Skyfill; created at process entry
extern std::filesystem::path g_parametersPath; // g_dataFolder/parameters.xml

// Builds g_dataFolder and g_parametersPath from the roaming application-data folder. When that folder
// cannot be determined (logged), the data folder is the relative folder "Skyfill".
void gf_buildProgramPaths();
// Builds them under the given roaming application-data folder (tests, tools).
void gf_buildProgramPathsIn(const std::filesystem::path& roamingAppData);

// The name of the data folder under the roaming application data, and of the settings file in it.
inline constexpr const char* g_dataFolderName = "Skyfill";
inline constexpr const char* g_parametersFileName = "parameters.xml";

// ---- Working folder: reference data
extern const std::filesystem::path g_inputFolder;           // input
extern const std::filesystem::path g_dbaseEncPath;          // input/dbase.enc
extern const std::filesystem::path g_dbaseXmlPath;          // input/dbase.xml
extern const std::filesystem::path g_airportsEncPath;       // input/airports.enc
extern const std::filesystem::path g_airportsXmlPath;       // input/airports.xml
extern const std::filesystem::path g_aigRegcodesEncPath;    // input/AIG-regcodes.enc
extern const std::filesystem::path g_aigRegcodesXmlPath;    // input/AIG-regcodes.xml
extern const std::filesystem::path g_myRegcodesFolder;      // input/my_regcodes
extern const std::filesystem::path g_airportsMsfsPath;      // input/airports_msfs.xml (obsolete)
extern const std::filesystem::path g_airportsMsfsNamesPath; // input/airports_msfs_names.xml (obsolete)

// ---- Working folder: results and reports
extern const std::filesystem::path g_outputFolder;               // output
extern const std::filesystem::path g_liveriesScannedPath;        // output/LiveriesScanned.xml
extern const std::filesystem::path g_infoFolder;                 // output/info
extern const std::filesystem::path g_errorsFolder;               // output/errors
extern const std::filesystem::path g_scanLogPath;                // output/info/AirportsScanLog.txt
extern const std::filesystem::path g_objectIdListPath;           // output/info/ObjectIdList.txt
extern const std::filesystem::path g_noFltsimReportPath;         // output/info/AircraftCfgWithNoFltsimSection.txt
extern const std::filesystem::path g_airlineModelReportPath;     // output/info/AirlineModelConversions.txt
extern const std::filesystem::path g_inlineRegcodesReportPath;   // output/errors/InlineRegcodes.txt
extern const std::filesystem::path g_invalidAirlineReportPath;   // output/errors/InvalidAirlineCodes.txt
extern const std::filesystem::path g_invalidAircraftReportPath;  // output/errors/InvalidAircraftCodes.txt
extern const std::filesystem::path g_fixesReportPath;            // output/errors/Fixes.txt
extern const std::filesystem::path g_invalidCfgReportPath;       // output/errors/InvalidAircraftCfgFiles.txt
extern const std::filesystem::path g_incompleteFltsimReportPath; // output/errors/IncompleFltsimSections.txt

// ---- Working folder: airport files
extern const std::filesystem::path g_airportsFolder;          // airports
extern const std::filesystem::path g_learnedFolder;           // airports/learned
extern const std::filesystem::path g_learnedStockFolder;      // airports/learned/stock
extern const std::filesystem::path g_learnedSimaddonFolder;   // airports/learned/simaddon
extern const std::filesystem::path g_learnedThirdpartyFolder; // airports/learned/thirdparty
extern const std::filesystem::path g_mySimaddonFolder;        // airports/my_simaddon
extern const std::filesystem::path g_myThirdpartyFolder;      // airports/my_thirdparty
extern const std::filesystem::path g_myParkAirportsPath;      // airports/my_park_airports.txt

// ---- Working folder: other names
extern const std::filesystem::path g_newVersionFolder;       // new_version
extern const std::filesystem::path g_installerName;          // install_new_version.exe
extern const std::filesystem::path g_releaseNotesName;       // ReleaseNotes.pdf
extern const std::filesystem::path g_docsFolderName;         // docs
extern const std::filesystem::path g_tbloFolder;             // tblo
extern const std::filesystem::path g_tbloZipName;            // tblo.zip
extern const std::filesystem::path g_fsBaseWord;             // fs-base
extern const std::filesystem::path g_insideSystemsName;      // InsideSystems
extern const std::filesystem::path g_communityFolderName;    // Community
extern const std::filesystem::path g_officialFolderName;     // Official
extern const std::filesystem::path g_official2024FolderName; // Official2024

// Obsolete file in the working folder, removed by the version update.
inline constexpr const char* g_callsign2ObjectIdName = "Callsign2ObjectId.txt";

} // namespace skf
