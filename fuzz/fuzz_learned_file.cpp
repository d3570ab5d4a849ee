// Fuzz target: the learned file of the park airport, merged into the stands of its sample airport file.
// Seeds: sample/airports/my_simaddon/EGLC.xml
#include <cstdint>
#include <filesystem>

#include "fuzz/support/ParkAirport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    skf::fuzz::prepareParkAirport();
    static const std::string park =
        skf::test::readBytes(std::filesystem::path(SKYFILL_SOURCE_DIR) / "sample/airports/my_simaddon/EGLC.xml");
    skf::test::writeBytes(skf::fuzz::kParkFile, park);
    skf::test::writeBytes(skf::fuzz::kLearnedFile, skf::fuzz::inputText(data, size));
    skf::fuzz::readParkAirportChecked();
    return 0;
}
