// libFuzzer target of the add-on airport scan's record of its own files (my_thirdparty_scanned.txt): any
// bytes must give only plain file names with well-formed digests, so that a damaged record can never name
// a file outside airports/my_thirdparty.
// Seeds: tests/airportscan/seeds/my_thirdparty_scanned.txt
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "airportscan/ScanOwnFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto files = skf::gf_parseScanRecord(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const auto& [name, digest] : files) {
        if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\\n") != std::string::npos ||
            name.find('\0') != std::string::npos || digest.size() != 64 ||
            digest.find_first_not_of("0123456789abcdef") != std::string::npos)
            __builtin_trap();
    }
    return 0;
}
