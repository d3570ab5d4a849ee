#pragma once
// The user's runtime folder: the one place for the single-instance lock (platform/ui/SingleInstance) and for
// the socket of the simulator connection (platform/simconnect). Any thread may ask; nothing is cached, so
// every use checks the folder again.
//
// What lies there decides who Skyfill talks to and whether a second copy runs, so a folder is used only when
// this user alone can reach it: a real folder (not a symbolic link), owned by this user, with no access for
// group or others. $XDG_RUNTIME_DIR is taken when it passes; otherwise the fallback /tmp/skyfill-<uid>, made
// with mode 0700 when missing and then checked the same way. Another account can create that name in /tmp
// before Skyfill starts: such a folder is refused with a message naming it and what is wrong, never used.
#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

namespace skf {

struct RuntimeFolder {
    std::filesystem::path path; // empty when refused
    std::string refusal;        // why no folder may be used; empty when path is set
    bool xdg = false;           // $XDG_RUNTIME_DIR, which other programs of the user share; else Skyfill's own
};

RuntimeFolder gf_runtimeFolder();

// What keeps folder from being this user's private folder ("" when nothing does): the entry itself is
// looked at (lstat), so a link in its place is refused even when it leads to a good folder.
std::string gf_privateFolderProblem(const std::filesystem::path& folder, uid_t owner);

// For tests: the folder that holds the fallback (default /tmp) and the account the folders must belong to
// (default this process's real user, which also names the fallback). Empty values put the defaults back.
void gf_setRuntimeFolderSeam(const std::filesystem::path& fallbackParent, std::optional<uid_t> owner);

} // namespace skf
