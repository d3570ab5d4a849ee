#include <gtest/gtest.h>

#include <cstdlib>

#include "core/settings/ProgramPaths.h"
#include "support/ScopedEnv.h"

namespace skf {
namespace {

TEST(ProgramPaths, TheDataFolderLiesInTheRoamingApplicationData) {
    {
        const test::ScopedEnv config("XDG_CONFIG_HOME", "/tmp/skyfill-xdg");
        gf_buildProgramPaths();
        EXPECT_EQ(g_dataFolder, std::filesystem::path("/tmp/skyfill-xdg/Skyfill"));
        EXPECT_EQ(g_parametersPath.string(), "/tmp/skyfill-xdg/Skyfill/parameters.xml");
    }

    gf_buildProgramPathsIn({}); // no application-data folder: the relative folder Skyfill
    EXPECT_EQ(g_parametersPath.string(), "Skyfill/parameters.xml");
}

TEST(ProgramPaths, WorkingFolderPathsAreRelativeAndUseSlashes) {
    EXPECT_EQ(g_dbaseEncPath.string(), "input/dbase.enc");
    EXPECT_EQ(g_aigRegcodesXmlPath.string(), "input/AIG-regcodes.xml");
    EXPECT_EQ(g_airportsMsfsNamesPath.string(), "input/airports_msfs_names.xml");
    EXPECT_EQ(g_liveriesScannedPath.string(), "output/LiveriesScanned.xml");
    EXPECT_EQ(g_scanLogPath.string(), "output/info/AirportsScanLog.txt");
    EXPECT_EQ(g_incompleteFltsimReportPath.string(), "output/errors/IncompleFltsimSections.txt");
    EXPECT_EQ(g_learnedThirdpartyFolder.string(), "airports/learned/thirdparty");
    EXPECT_EQ(g_myParkAirportsPath.string(), "airports/my_park_airports.txt");
    EXPECT_EQ(g_official2024FolderName.string(), "Official2024");
    for (const auto* p :
         {&g_inputFolder, &g_outputFolder, &g_infoFolder, &g_errorsFolder, &g_airportsFolder, &g_learnedFolder,
          &g_mySimaddonFolder, &g_myThirdpartyFolder, &g_newVersionFolder, &g_tbloFolder}) {
        EXPECT_TRUE(p->is_relative());
        EXPECT_EQ(p->string().find('\\'), std::string::npos);
    }
}

} // namespace
} // namespace skf
