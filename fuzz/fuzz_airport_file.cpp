// Fuzz target: the park airport's file (the stands and their parking options).
// Seeds: sample/airports/my_simaddon/*.xml
#include <cstdint>
#include <filesystem>

#include "fuzz/support/ParkAirport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    skf::fuzz::prepareParkAirport();
    std::filesystem::remove(skf::fuzz::kLearnedFile);
    skf::test::writeBytes(skf::fuzz::kParkFile, skf::fuzz::inputText(data, size));
    skf::fuzz::readParkAirportChecked();
    return 0;
}
