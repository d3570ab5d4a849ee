#pragma once
// Opening a folder or document through the desktop.

#include <filesystem>
#include <string>

namespace skf {

// Starts the desktop opener ("xdg-open", or the command in $SKYFILL_OPEN_COMMAND)
// on the path, detached from this process (it is not waited for and survives us).
// True when the opener could be started; false when it could not (not installed,
// fork failure). What the opener then does is the desktop's business.
bool gf_shellOpen(const std::filesystem::path& path);

} // namespace skf
