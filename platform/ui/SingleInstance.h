#pragma once
// One copy of the program per user: a lock file named after the instance name, flock'ed for the life of
// the process, in the user's checked runtime folder (platform/system/RuntimeFolder.h). Called on the main
// thread before anything else; a lock that cannot be taken is never taken as "no other copy runs".
#include <filesystem>
#include <string>

namespace skf {

inline constexpr const char* INSTANCE_NAME = "Local\\$SKFL$";

enum class InstanceLock { Acquired, AlreadyRunning, Failed };

// The lock file for an instance name ("\" and "/" become "_"); empty when the runtime folder is refused.
std::filesystem::path gf_instanceLockPath(const std::string& name);

// Takes the lock for name and keeps it until the process ends (the descriptor stays open, not inherited
// by child processes). A second call for the same name in the same process returns Acquired again.
// Failed: the lock could not be taken for another reason than another copy holding it (a refused runtime
// folder, a lock file that cannot be opened); *why, when given, then says what and where.
InstanceLock gf_acquireSingleInstance(const std::string& name = INSTANCE_NAME, std::string* why = nullptr);

} // namespace skf
