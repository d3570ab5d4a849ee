#include "platform/system/Shell.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace skf {

bool gf_shellOpen(const std::filesystem::path& path) {
    const char* env = std::getenv("SKYFILL_OPEN_COMMAND");
    const std::string opener = (env != nullptr && *env != '\0') ? env : "xdg-open";
    const std::string target = path.string();

    // The grandchild reports a failed exec through a close-on-exec pipe: reading
    // end-of-file means the exec succeeded.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;

    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (child == 0) {
        // First child: new session, fork the opener and leave at once, so the
        // opener is adopted by init and never becomes our zombie.
        setsid();
        const pid_t grandchild = fork();
        if (grandchild < 0) {
            const int err = errno;
            (void)!write(fds[1], &err, sizeof err);
            _exit(1);
        }
        if (grandchild == 0) {
            const int devnull = open("/dev/null", O_RDWR);
            if (devnull >= 0) {
                dup2(devnull, STDIN_FILENO);
                dup2(devnull, STDOUT_FILENO);
                dup2(devnull, STDERR_FILENO);
            }
            execlp(opener.c_str(), opener.c_str(), target.c_str(), static_cast<char*>(nullptr));
            const int err = errno;
            (void)!write(fds[1], &err, sizeof err);
            _exit(127);
        }
        _exit(0);
    }

    close(fds[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t n;
    do {
        n = read(fds[0], &err, sizeof err);
    } while (n < 0 && errno == EINTR);
    close(fds[0]);
    return n == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace skf
