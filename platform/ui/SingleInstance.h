#pragma once
// One copy of the program per user: a lock file named after the instance name, flock'ed for the life of
// the process, in the user's runtime folder ($XDG_RUNTIME_DIR, else /tmp/skyfill-<uid>, made private).
#include <filesystem>
#include <string>

namespace skf {

inline constexpr const char* INSTANCE_NAME = "Local\\$SKFL$";

enum class InstanceLock { Acquired, AlreadyRunning, Failed };

// The folder that holds the lock files.
std::filesystem::path gf_runtimeFolder();
// The lock file for an instance name ("\" and "/" become "_").
std::filesystem::path gf_instanceLockPath(const std::string& name);

// Takes the lock for name and keeps it until the process ends (the descriptor stays open, not inherited
// by child processes). A second call for the same name in the same process returns Acquired again.
InstanceLock gf_acquireSingleInstance(const std::string& name = INSTANCE_NAME);

} // namespace skf
