// libFuzzer target: the reader of AIG-regcodes.xml, the registration-code list of the reference data.
// Seeds: sample/AIG-regcodes.xml
#include "fuzz/LiveryFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    skf::fuzz::readAigRegcodes(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
