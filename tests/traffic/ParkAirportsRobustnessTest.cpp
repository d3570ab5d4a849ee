// Damaged park airports files: the fuzz target of the reader over a seeded corpus of mutated files.
#include "fuzz/fuzz_park_airports.cpp"

#include "support/Mutations.h"
#include "traffic/TrafficFixture.h"

namespace skf::test {
namespace {

using ParkAirportsRobustnessTest = TrafficTest;

TEST_F(ParkAirportsRobustnessTest, MutatedFilesGiveKnownAirportsOnly) {
    g_airports.clear();
    const std::string sample = "EDDF\nEHAM,A12\r\nehrd,B 7\nLFPG,K-22\n\nEHAM,C1\nEHR,x\n";
    for (const std::string& input : mutationsOf(sample, 18)) {
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    }
    g_airports.clear();
}

} // namespace
} // namespace skf::test
