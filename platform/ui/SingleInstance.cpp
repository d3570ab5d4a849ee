#include "platform/ui/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <fmt/format.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/system/RuntimeFolder.h"

namespace skf {

namespace {

std::string lf_lockFileName(const std::string& name) {
    std::string file;
    for (char c : name)
        file += (c == '\\' || c == '/') ? '_' : c;
    return file + ".lock";
}

InstanceLock lf_fail(std::string* why, std::string text) {
    if (why != nullptr)
        *why = std::move(text);
    return InstanceLock::Failed;
}

} // namespace

std::filesystem::path gf_instanceLockPath(const std::string& name) {
    const RuntimeFolder folder = gf_runtimeFolder();
    return folder.path.empty() ? std::filesystem::path() : folder.path / lf_lockFileName(name);
}

InstanceLock gf_acquireSingleInstance(const std::string& name, std::string* why) {
    static std::mutex mutex;
    static std::map<std::string, int> held;
    std::lock_guard lock(mutex);
    if (held.count(name))
        return InstanceLock::Acquired;

    // In a folder that another account can reach, that account could hold our lock or take it from us.
    const RuntimeFolder folder = gf_runtimeFolder();
    if (folder.path.empty())
        return lf_fail(why, folder.refusal);
    const std::filesystem::path path = folder.path / lf_lockFileName(name);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return lf_fail(
            why, fmt::format("The single-instance lock {} cannot be opened: {}", path.string(), std::strerror(errno)));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            return InstanceLock::AlreadyRunning;
        return lf_fail(
            why, fmt::format("The single-instance lock {} cannot be taken: {}", path.string(), std::strerror(err)));
    }
    held[name] = fd; // kept open for the life of the process
    return InstanceLock::Acquired;
}

} // namespace skf
