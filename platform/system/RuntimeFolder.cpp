#include "platform/system/RuntimeFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace skf {

namespace {

std::mutex g_seamMutex;
std::filesystem::path g_fallbackParent; // empty: /tmp
std::optional<uid_t> g_owner;           // none: getuid()

struct Seam {
    std::filesystem::path fallbackParent;
    uid_t owner;
};

Seam lf_seam() {
    std::lock_guard lock(g_seamMutex);
    return {g_fallbackParent.empty() ? std::filesystem::path("/tmp") : g_fallbackParent, g_owner.value_or(::getuid())};
}

std::string lf_refusal(const std::filesystem::path& folder, const std::string& problem) {
    return fmt::format("The runtime folder {} cannot be used: {}", folder.string(), problem);
}

} // namespace

std::string gf_privateFolderProblem(const std::filesystem::path& folder, uid_t owner) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0)
        return fmt::format("it cannot be read ({})", std::strerror(errno));
    if (S_ISLNK(st.st_mode))
        return "it is a symbolic link";
    if (!S_ISDIR(st.st_mode))
        return "it is not a folder";
    if (st.st_uid != owner)
        return fmt::format("it belongs to another account (uid {}, not {})", st.st_uid, owner);
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return fmt::format("it is open to other accounts (mode {:04o})", st.st_mode & 07777);
    return {};
}

RuntimeFolder gf_runtimeFolder() {
    const Seam seam = lf_seam();
    std::string xdgRefusal;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0') {
        const std::filesystem::path folder(runtime);
        if (folder.is_absolute()) {
            const std::string problem = gf_privateFolderProblem(folder, seam.owner);
            if (problem.empty())
                return {folder, {}, true};
            xdgRefusal = fmt::format(" ($XDG_RUNTIME_DIR {} is not used either: {})", folder.string(), problem);
        }
    }
    const std::filesystem::path fallback = seam.fallbackParent / ("skyfill-" + std::to_string(seam.owner));
    // Made private from the start; an existing entry of that name is only looked at, never changed.
    if (::mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST)
        return {{}, lf_refusal(fallback, fmt::format("it cannot be made ({})", std::strerror(errno))) + xdgRefusal};
    const std::string problem = gf_privateFolderProblem(fallback, seam.owner);
    if (!problem.empty())
        return {{}, lf_refusal(fallback, problem) + xdgRefusal};
    return {fallback, {}};
}

void gf_setRuntimeFolderSeam(const std::filesystem::path& fallbackParent, std::optional<uid_t> owner) {
    std::lock_guard lock(g_seamMutex);
    g_fallbackParent = fallbackParent;
    g_owner = owner;
}

} // namespace skf
