#include "platform/ui/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>

namespace skf {

std::filesystem::path gf_runtimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) {
        std::error_code ec;
        if (std::filesystem::is_directory(runtime, ec))
            return runtime;
    }
    std::filesystem::path fallback = "/tmp/skyfill-" + std::to_string(::getuid());
    ::mkdir(fallback.c_str(), 0700);
    return fallback;
}

std::filesystem::path gf_instanceLockPath(const std::string& name) {
    std::string file;
    for (char c : name)
        file += (c == '\\' || c == '/') ? '_' : c;
    return gf_runtimeFolder() / (file + ".lock");
}

InstanceLock gf_acquireSingleInstance(const std::string& name) {
    static std::mutex mutex;
    static std::map<std::string, int> held;
    std::lock_guard lock(mutex);
    if (held.count(name))
        return InstanceLock::Acquired;

    const auto path = gf_instanceLockPath(name);
    // The fallback folder must be ours and private, else another user could hold our lock.
    struct stat st {};
    if (::stat(path.parent_path().c_str(), &st) != 0 || st.st_uid != ::getuid())
        return InstanceLock::Failed;

    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return InstanceLock::Failed;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? InstanceLock::AlreadyRunning : InstanceLock::Failed;
    }
    held[name] = fd; // kept open for the life of the process
    return InstanceLock::Acquired;
}

} // namespace skf
