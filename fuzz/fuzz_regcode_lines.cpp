// libFuzzer target: the reader of the user's registration-code files (input/my_regcodes/*.TXT).
// Seeds: tests/liveries/seeds/user_regcodes.txt
#include "fuzz/LiveryFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    skf::fuzz::readRegcodeLines(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
