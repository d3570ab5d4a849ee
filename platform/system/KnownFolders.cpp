#include "platform/system/KnownFolders.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace skf {

namespace {

std::optional<std::filesystem::path> lf_absoluteEnv(const char* name) {
    const char* v = std::getenv(name);
    if (v == nullptr || *v == '\0')
        return std::nullopt;
    std::filesystem::path p(v);
    if (!p.is_absolute())
        return std::nullopt;
    return p;
}

std::optional<std::filesystem::path> lf_home() {
    if (auto h = lf_absoluteEnv("HOME"))
        return h;
    // No usable $HOME: ask the user database.
    struct passwd pw {};
    struct passwd* result = nullptr;
    char buf[4096];
    if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &result) == 0 && result != nullptr && result->pw_dir != nullptr) {
        std::filesystem::path p(result->pw_dir);
        if (p.is_absolute())
            return p;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::filesystem::path> gf_knownFolderPath(KnownFolder folder) {
    const bool roaming = folder == KnownFolder::RoamingAppData;
    if (auto p = lf_absoluteEnv(roaming ? "XDG_CONFIG_HOME" : "XDG_DATA_HOME"))
        return p;
    auto home = lf_home();
    if (!home)
        return std::nullopt;
    return roaming ? *home / ".config" : *home / ".local" / "share";
}

} // namespace skf
