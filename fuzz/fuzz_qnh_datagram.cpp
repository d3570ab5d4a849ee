// libFuzzer target: the QNH datagram handler of the live traffic feed.
// Seeds: tests/feed/seeds/qnh_datagram/*.json
#include "fuzz/FeedFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    skf::fuzz::readQnhDatagram(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
