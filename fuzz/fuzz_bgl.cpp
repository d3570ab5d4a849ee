// libFuzzer target: the scenery-file decoder of the add-on airport scan.
// Seeds: tests/airportscan/golden/golden.bgl
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    skf::fuzz::decodeBgl(std::span<const unsigned char>(data, size));
    return 0;
}
