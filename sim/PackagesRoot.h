#pragma once
// Detection of the simulator's packages root (the folder that holds Community and the official packages).
//
// Linux layer of the Windows locations: the roaming application data is $XDG_CONFIG_HOME (default ~/.config)
// and the local application data is $XDG_DATA_HOME (default ~/.local/share). So the Steam packages folder of
// MSFS 2020 is $XDG_CONFIG_HOME/Microsoft Flight Simulator/Packages, and the Store installation's UserCfg.opt
// is $XDG_DATA_HOME/Packages/Microsoft.FlightSimulator_8wekyb3d8bbwe/LocalCache/UserCfg.opt.
#include <filesystem>
#include <string>

namespace skf {

// Finds the root (Steam packages folder, else the InstalledPackagesPath of UserCfg.opt) for the chosen
// simulator; when found stores it as UTF-8 in MSFS_INSTALL_PATH or MSFS_2024_INSTALL_PATH and in
// ALL_INSTALL_PATH and returns true; otherwise changes nothing and returns false.
bool gf_detectPackagesRoot();

// The current root setting of the chosen simulator joined with the relative path.
std::filesystem::path gf_simPackagesPath(const std::filesystem::path& relative);

} // namespace skf
