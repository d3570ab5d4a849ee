// libFuzzer target: the reader of LiveriesScanned.xml, the livery list of the last scan.
// Seeds: sample/LiveriesScanned.xml
#include "fuzz/LiveryFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    skf::fuzz::readLiveriesScanned(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
