// libFuzzer target: the aircraft.cfg readers of the livery scan.
// Seeds: tests/liveries/seeds/aircraft.cfg
#include "fuzz/AircraftCfgFuzzTarget.h"
#include "fuzz/support/FuzzFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)skf::fuzz::workFolder(); // the log of the readers' findings goes there
    (void)skf::fuzz::readAircraftCfg(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
