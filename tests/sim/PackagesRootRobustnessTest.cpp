// Damaged UserCfg.opt files: the packages folder is found from a sane line or not at all.
#include <gtest/gtest.h>

#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "sim/PackagesRoot.h"
#include "sim/PackagesRootInternal.h"
#include "sim/SimTestSupport.h"
#include "support/Mutations.h"

namespace skf {
namespace {

namespace fs = std::filesystem;

TEST(PackagesRootRobustness, DamagedUserCfgFilesGiveAnExistingFolderOrNothing) {
    test::TempFolder temp;
    const fs::path roaming = temp.path() / "config";
    const fs::path local = temp.path() / "share";
    test::ScopedEnv configEnv("XDG_CONFIG_HOME", roaming.string());
    test::ScopedEnv dataEnv("XDG_DATA_HOME", local.string());
    fs::create_directories(local);
    gf_buildProgramPathsIn(temp.path() / "settings");
    fs::create_directories(g_dataFolder);
    const fs::path root = temp.path() / "R";
    fs::create_directories(root / "Community");
    fs::create_directories(root / "Official");
    const fs::path cfg = roaming / "Microsoft Flight Simulator" / "UserCfg.opt";
    const std::string sample =
        "Version 1\r\n{Graphics\r\n\tLayout 0\r\n}\r\nInstalledPackagesPath \"" + root.string() + "\"\r\n";
    int found = 0;
    for (const std::string& damaged : test::mutationsOf(sample, 31, 150, "{")) {
        test::writeFile(cfg, damaged);
        fs::path path;
        EXPECT_NO_THROW(path = lf_readInstalledPackagesPath(false));
        if (!path.empty()) {
            ++found;
            EXPECT_TRUE(fs::exists(path));
        }
    }
    EXPECT_GT(found, 0);
    // A folder in place of the file.
    fs::remove(cfg);
    fs::create_directories(cfg);
    EXPECT_TRUE(lf_readInstalledPackagesPath(false).empty());
}

} // namespace
} // namespace skf
