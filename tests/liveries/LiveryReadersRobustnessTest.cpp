// The livery readers never crash and never hang on damaged input: a seeded corpus of damaged copies of
// the sample files, run through the fuzz targets' entry points.
#include "fuzz/LiveryFuzzTargets.h"
#include "LiveryWorld.h"
#include "support/Mutations.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::string sampleFile(const char* name) {
    return skf::test::readBytes(std::filesystem::path(SKYFILL_SOURCE_DIR) / "sample" / name);
}

TEST(LiveryReadersRobustness, DamagedLiveryListsAreReadOrRefused) {
    const std::string sample = sampleFile("LiveriesScanned.xml");
    ASSERT_GT(skf::fuzz::readLiveriesScanned(sample), 600u);
    std::size_t read = 0;
    for (unsigned seed = 1; seed <= 2; ++seed)
        for (const std::string& input : skf::test::mutationsOf(sample, seed))
            read += skf::fuzz::readLiveriesScanned(input) > 0 ? 1 : 0;
    EXPECT_GT(read, 0u);
}

TEST(LiveryReadersRobustness, DamagedAigListsAreReadOrRefused) {
    const std::string sample = sampleFile("AIG-regcodes.xml");
    ASSERT_GT(skf::fuzz::readAigRegcodes(sample), 500u);
    std::size_t read = 0;
    for (unsigned seed = 1; seed <= 2; ++seed)
        for (const std::string& input : skf::test::mutationsOf(sample, seed))
            read += skf::fuzz::readAigRegcodes(input) > 0 ? 1 : 0;
    EXPECT_GT(read, 0u);
}

TEST(LiveryReadersRobustness, DamagedUserRegcodeFilesAreReadLineByLine) {
    const std::string sample = std::string(skf::test::kWorldUserFile) +
                               "Airbus A320 Lufthansa;D-AIZA,D-AIZB,D-AIZC;#\nOld Paint\n;;;\nA;B;C;D;E\n";
    ASSERT_EQ(skf::fuzz::readRegcodeLines(sample), 4u);
    for (unsigned seed = 1; seed <= 4; ++seed)
        for (const std::string& input : skf::test::mutationsOf(sample, seed, 150, ";"))
            (void)skf::fuzz::readRegcodeLines(input);
}

} // namespace
