#pragma once
// The steps of finding the simulator's packages folder; used inside sim/ and by the tests only.
#include "sim/PackagesRoot.h"

namespace skf {

// The steps of the detection, for the chosen simulator (is2024 = MSFS 2024).
std::string lf_packageFamilyName(bool is2024);
std::string lf_roamingSimFolderName(bool is2024);
std::filesystem::path lf_steamPackagesFolder(bool is2024);
std::filesystem::path lf_findUserCfgOpt(bool is2024);
std::filesystem::path lf_readInstalledPackagesPath(bool is2024);
bool lf_isPackagesRoot(const std::filesystem::path& path, bool is2024);

// The value of an InstalledPackagesPath line (text between the first two double quotes).
std::string lf_installedPathValue(const std::string& line);

} // namespace skf
