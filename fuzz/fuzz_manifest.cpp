// libFuzzer target: the package manifest reader of the add-on airport scan.
// Seeds: tests/airportscan/golden/manifest.json
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    skf::fuzz::readManifest(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
