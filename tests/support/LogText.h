#pragma once
// Test helper: the program's log as written so far.
#include "core/Log.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <string>

namespace skf::test {

// Flushes the log and reads the Log.txt of the folder it was opened in.
inline std::string logTextIn(const std::filesystem::path& folder) {
    gf_flushLog();
    return readBytes(folder / "Log.txt");
}

} // namespace skf::test
