// libFuzzer target: the traffic line checks of the live traffic feed.
// Seeds: tests/feed/seeds/traffic_line/*.txt
#include "fuzz/FeedFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    skf::fuzz::readTrafficLine(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
