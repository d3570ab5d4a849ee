#pragma once
// Fuzz target helper: the input as text, and one working folder for the whole run of a target (a fresh
// temporary folder with Log.txt open in it, removed at the end). Called by the fuzz targets only, on the
// fuzzer's one thread; it never touches a folder outside its own.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/Log.h"
#include "support/WorkFolder.h"

namespace skf::fuzz {

inline std::string inputText(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// The working folder of the run; made at the first call. The log is started afresh now and then, so that a
// long run does not fill the disk with its log.
inline const std::filesystem::path& workFolder() {
    static test::WorkFolder folder;
    static unsigned calls = 0;
    if (++calls % 4096 == 0) {
        gf_closeLog();
        gf_openLogIn(folder.path());
    }
    return folder.path();
}

} // namespace skf::fuzz
