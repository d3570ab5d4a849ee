// Fuzz target: the simulator's UserCfg.opt, read for the packages folder. "@ROOT@" in the input stands for
// an existing packages folder of the run. The result is an existing folder or none.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/settings/ProgramPaths.h"
#include "sim/PackagesRoot.h"
#include "sim/PackagesRootInternal.h"
#include "fuzz/support/FuzzFolder.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fs::path root = [] {
        const fs::path work = skf::fuzz::workFolder();
        ::setenv("XDG_CONFIG_HOME", (work / "roaming").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (work / "local").c_str(), 1);
        fs::create_directories(work / "local");
        skf::gf_buildProgramPathsIn(work / "settings");
        fs::create_directories(skf::g_dataFolder);
        fs::create_directories(work / "R" / "Community");
        fs::create_directories(work / "R" / "Official");
        return work / "R";
    }();
    skf::fuzz::workFolder();
    std::string text = skf::fuzz::inputText(data, size);
    for (std::size_t at = text.find("@ROOT@"); at != std::string::npos; at = text.find("@ROOT@", at + 1))
        text.replace(at, 6, root.string());
    skf::test::writeFileMakingFolders(
        fs::path(std::getenv("XDG_CONFIG_HOME")) / "Microsoft Flight Simulator" / "UserCfg.opt", text);
    const fs::path found = skf::lf_readInstalledPackagesPath(false);
    if (!found.empty() && !fs::exists(found))
        std::abort();
    return 0;
}
