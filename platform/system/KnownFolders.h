#pragma once
// Per-user folders of the desktop.
//   RoamingAppData: $XDG_CONFIG_HOME, default ~/.config
//   LocalAppData:   $XDG_DATA_HOME,   default ~/.local/share
// A relative XDG value is ignored (as the XDG base directory rules say).

#include <filesystem>
#include <optional>

namespace skf {

enum class KnownFolder { RoamingAppData, LocalAppData };

// The folder's path, or nothing when neither the XDG variable nor $HOME give an
// absolute path. The folder is not created here.
std::optional<std::filesystem::path> gf_knownFolderPath(KnownFolder folder);

} // namespace skf
