#include "core/settings/ProgramPaths.h"

#include "core/Files.h"

namespace skf {

namespace fs = std::filesystem;

fs::path g_dataFolder;
fs::path g_parametersPath;

// Each path is built from names that exist before it (definition order is construction order).
const fs::path g_inputFolder{"input"};
const fs::path g_dbaseEncPath{g_inputFolder / "dbase.enc"};
const fs::path g_dbaseXmlPath{g_inputFolder / "dbase.xml"};
const fs::path g_airportsEncPath{g_inputFolder / "airports.enc"};
const fs::path g_airportsXmlPath{g_inputFolder / "airports.xml"};
const fs::path g_aigRegcodesEncPath{g_inputFolder / "AIG-regcodes.enc"};
const fs::path g_aigRegcodesXmlPath{g_inputFolder / "AIG-regcodes.xml"};
const fs::path g_myRegcodesFolder{g_inputFolder / "my_regcodes"};
const fs::path g_airportsMsfsPath{g_inputFolder / "airports_msfs.xml"};
const fs::path g_airportsMsfsNamesPath{g_inputFolder / "airports_msfs_names.xml"};

const fs::path g_outputFolder{"output"};
const fs::path g_liveriesScannedPath{g_outputFolder / "LiveriesScanned.xml"};
const fs::path g_infoFolder{g_outputFolder / "info"};
const fs::path g_errorsFolder{g_outputFolder / "errors"};
const fs::path g_scanLogPath{g_infoFolder / "AirportsScanLog.txt"};
const fs::path g_objectIdListPath{g_infoFolder / "ObjectIdList.txt"};
const fs::path g_noFltsimReportPath{g_infoFolder / "AircraftCfgWithNoFltsimSection.txt"};
const fs::path g_airlineModelReportPath{g_infoFolder / "AirlineModelConversions.txt"};
const fs::path g_inlineRegcodesReportPath{g_errorsFolder / "InlineRegcodes.txt"};
const fs::path g_invalidAirlineReportPath{g_errorsFolder / "InvalidAirlineCodes.txt"};
const fs::path g_invalidAircraftReportPath{g_errorsFolder / "InvalidAircraftCodes.txt"};
const fs::path g_fixesReportPath{g_errorsFolder / "Fixes.txt"};
const fs::path g_invalidCfgReportPath{g_errorsFolder / "InvalidAircraftCfgFiles.txt"};
const fs::path g_incompleteFltsimReportPath{g_errorsFolder / "IncompleFltsimSections.txt"};

const fs::path g_airportsFolder{"airports"};
const fs::path g_learnedFolder{g_airportsFolder / "learned"};
const fs::path g_learnedStockFolder{g_learnedFolder / "stock"};
const fs::path g_learnedSimaddonFolder{g_learnedFolder / "simaddon"};
const fs::path g_learnedThirdpartyFolder{g_learnedFolder / "thirdparty"};
const fs::path g_mySimaddonFolder{g_airportsFolder / "my_simaddon"};
const fs::path g_myThirdpartyFolder{g_airportsFolder / "my_thirdparty"};
const fs::path g_myParkAirportsPath{g_airportsFolder / "my_park_airports.txt"};

const fs::path g_newVersionFolder{"new_version"};
const fs::path g_installerName{"install_new_version.exe"};
const fs::path g_releaseNotesName{"ReleaseNotes.pdf"};
const fs::path g_docsFolderName{"docs"};
const fs::path g_tbloFolder{"tblo"};
const fs::path g_tbloZipName{"tblo.zip"};
const fs::path g_fsBaseWord{"fs-base"};
const fs::path g_insideSystemsName{"InsideSystems"};
const fs::path g_communityFolderName{"Community"};
const fs::path g_officialFolderName{"Official"};
const fs::path g_official2024FolderName{"Official2024"};

void gf_buildProgramPaths() {
    gf_buildProgramPathsIn(gf_roamingAppDataPath());
}

void gf_buildProgramPathsIn(const fs::path& roamingAppData) {
    g_dataFolder = roamingAppData / g_dataFolderName;
    g_parametersPath = g_dataFolder / g_parametersFileName;
}

} // namespace skf
