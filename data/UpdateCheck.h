#pragma once
// The update check of a fresh start: asks the download server which versions of the program and of its
// data are current, fetches a newer program installer (and then stops the run for the update), newer
// encrypted data files and the MSFS 2024 add-on link package, and switches a scan on when newer scan data
// has been published. Works in the program folder (the working folder).

#include "core/Codes.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace skf {

// False only when a new program version was fetched and the run is being stopped for it (exit reason
// NEW VERSION); true otherwise, also when the check itself failed (a bad versions.json is logged).
bool gf_checkForUpdates();

// The message for the user when a new version waits in new_version.
std::string gf_newVersionMessage(const std::filesystem::path& programFolder);

// Open the folder of parameters.xml / of docs/Manual.pdf in the desktop's file manager; on failure a
// warning box tells the user, and the result is false.
bool gf_openParametersFolder();
bool gf_openManual();

enum class AddonPackageResult { UpToDate, Updated, Failed };

} // namespace skf
