#include <gtest/gtest.h>

#include "core/ProgramState.h"
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "sim/PackagesRoot.h"
#include "sim/PackagesRootInternal.h"
#include "sim/SimTestSupport.h"

namespace skf {
namespace {

namespace fs = std::filesystem;

// A user's home with the Linux layer of the Windows folders: roaming = $XDG_CONFIG_HOME,
// local = $XDG_DATA_HOME.
class PackagesRootDetection : public ::testing::Test {
protected:
    PackagesRootDetection()
        : roaming(temp.path() / "config"), local(temp.path() / "share"), configEnv("XDG_CONFIG_HOME", roaming.string()),
          dataEnv("XDG_DATA_HOME", local.string()) {}

    void SetUp() override {
        fs::create_directories(roaming);
        fs::create_directories(local);
        gf_buildProgramPathsIn(temp.path() / "settings");
        fs::create_directories(g_dataFolder);
        MSFS_INSTALL_PATH.set("");
        MSFS_2024_INSTALL_PATH.set("");
        ALL_INSTALL_PATH.set("");
    }
    void TearDown() override { g_simIs2020 = true; }

    static void makeRoot(const fs::path& root, const char* official) {
        fs::create_directories(root / "Community");
        fs::create_directories(root / official);
    }

    test::TempFolder temp;
    fs::path roaming;
    fs::path local;
    test::ScopedEnv configEnv;
    test::ScopedEnv dataEnv;
};

TEST_F(PackagesRootDetection, SteamFolderOfMsfs2020) {
    const fs::path root = roaming / "Microsoft Flight Simulator" / "Packages";
    makeRoot(root, "Official");
    ASSERT_TRUE(gf_detectPackagesRoot());
    EXPECT_EQ(MSFS_INSTALL_PATH.value(), root.string());
    EXPECT_EQ(ALL_INSTALL_PATH.value(), root.string());
    EXPECT_EQ(MSFS_2024_INSTALL_PATH.value(), "");
    EXPECT_EQ(gf_simPackagesPath("Community"), root / "Community");
}

TEST_F(PackagesRootDetection, StoreInstallationOfMsfs2024ThroughUserCfg) {
    g_simIs2020 = false;
    const fs::path root = temp.path() / "Games" / "MSFS 2024 Pakete äöü";
    makeRoot(root, "Official2024");
    test::writeFile(local / "Packages" / "Microsoft.Limitless_8wekyb3d8bbwe" / "LocalCache" / "UserCfg.opt",
                    "Version 1\r\nInstalledPackagesPath \"" + root.string() + "\"\r\n");
    ASSERT_TRUE(gf_detectPackagesRoot());
    // Stored as UTF-8 text, so the non-ASCII folder name survives.
    EXPECT_EQ(MSFS_2024_INSTALL_PATH.value(), root.string());
    EXPECT_EQ(ALL_INSTALL_PATH.value(), root.string());
    EXPECT_EQ(MSFS_INSTALL_PATH.value(), "");
}

TEST_F(PackagesRootDetection, IncompleteSteamFolderFallsBackToTheStoreUserCfg) {
    fs::create_directories(roaming / "Microsoft Flight Simulator" / "Packages" / "Community"); // no Official
    const fs::path root = temp.path() / "StorePackages";
    makeRoot(root, "Official");
    test::writeFile(local / "Packages" / "Microsoft.FlightSimulator_8wekyb3d8bbwe" / "LocalCache" / "UserCfg.opt",
                    "InstalledPackagesPath \"" + root.string() + "\"\n");
    ASSERT_TRUE(gf_detectPackagesRoot());
    EXPECT_EQ(MSFS_INSTALL_PATH.value(), root.string());
}

TEST_F(PackagesRootDetection, StoreFileWinsOverTheRoamingFile) {
    const fs::path storeRoot = temp.path() / "FromStore";
    const fs::path roamingRoot = temp.path() / "FromRoaming";
    makeRoot(storeRoot, "Official");
    makeRoot(roamingRoot, "Official");
    test::writeFile(local / "Packages" / "Microsoft.FlightSimulator_8wekyb3d8bbwe" / "LocalCache" / "UserCfg.opt",
                    "InstalledPackagesPath \"" + storeRoot.string() + "\"\n");
    test::writeFile(roaming / "Microsoft Flight Simulator" / "UserCfg.opt",
                    "InstalledPackagesPath \"" + roamingRoot.string() + "\"\n");
    ASSERT_TRUE(gf_detectPackagesRoot());
    EXPECT_EQ(MSFS_INSTALL_PATH.value(), storeRoot.string());
}

TEST_F(PackagesRootDetection, OtherUserCfgLocationsAreTriedInOrder) {
    const fs::path root = temp.path() / "Dash";
    makeRoot(root, "Official");
    test::writeFile(local / "MSFSPackages" / "UserCfg.opt",
                    "InstalledPackagesPath \"" + temp.path().string() + "/nope\"\n");
    test::writeFile(local / "Packages" / "Microsoft.FlightDashboard_8wekyb3d8bbwe" / "LocalCache" / "UserCfg.opt",
                    "InstalledPackagesPath \"" + root.string() + "\"\n");
    EXPECT_EQ(lf_findUserCfgOpt(false),
              local / "Packages" / "Microsoft.FlightDashboard_8wekyb3d8bbwe" / "LocalCache" / "UserCfg.opt");
    ASSERT_TRUE(gf_detectPackagesRoot());
    EXPECT_EQ(MSFS_INSTALL_PATH.value(), root.string());
}

TEST_F(PackagesRootDetection, NothingFoundChangesNothing) {
    MSFS_INSTALL_PATH.set("kept");
    EXPECT_FALSE(gf_detectPackagesRoot());
    EXPECT_EQ(MSFS_INSTALL_PATH.value(), "kept");
    EXPECT_EQ(ALL_INSTALL_PATH.value(), "");
    // A UserCfg.opt naming a folder that is not a packages root is refused too.
    const fs::path notRoot = temp.path() / "JustAFolder";
    fs::create_directories(notRoot);
    test::writeFile(roaming / "Microsoft Flight Simulator" / "UserCfg.opt",
                    "InstalledPackagesPath \"" + notRoot.string() + "\"\n");
    EXPECT_FALSE(gf_detectPackagesRoot());
    EXPECT_EQ(MSFS_INSTALL_PATH.value(), "kept");
}

TEST(PackagesRootLines, ValueBetweenTheFirstTwoQuotes) {
    EXPECT_EQ(lf_installedPathValue("InstalledPackagesPath \"D:\\MSFS\\Packages\""), "D:\\MSFS\\Packages");
    EXPECT_EQ(lf_installedPathValue("InstalledPackagesPath \"D:\\MSFS\\Packages"), "");
    EXPECT_EQ(lf_installedPathValue("InstalledPackagesPath \""), "");
    EXPECT_EQ(lf_installedPathValue("InstalledPackagesPath D:\\MSFS"), "InstalledPackagesPath D:\\MSFS");
}

TEST_F(PackagesRootDetection, ShortLinesAndUnclosedQuotesYieldNothing) {
    const fs::path root = temp.path() / "R";
    makeRoot(root, "Official");
    const fs::path cfg = roaming / "Microsoft Flight Simulator" / "UserCfg.opt";
    // Shorter than 21 characters although it holds the key.
    test::writeFile(cfg, "InstalledPackagesPath\n");
    EXPECT_TRUE(lf_readInstalledPackagesPath(false).empty());
    test::writeFile(cfg, "InstalledPackagesPath \"" + root.string() + "\n");
    EXPECT_TRUE(lf_readInstalledPackagesPath(false).empty());
    test::writeFile(cfg, "Other 1\nInstalledPackagesPath \"" + root.string() + "\"\n");
    EXPECT_EQ(lf_readInstalledPackagesPath(false), root);
}

} // namespace
} // namespace skf
