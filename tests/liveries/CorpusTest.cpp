// The aircraft.cfg readers never crash: a seeded corpus of damaged inputs, and whole damaged files through the
// folder walk.
#include "LiveryTestSupport.h"
#include "fuzz/AircraftCfgFuzzTarget.h"
#include "support/Mutations.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

const fs::path kSeeds = fs::path(SKYFILL_SOURCE_DIR) / "tests" / "liveries" / "seeds";

TEST(LiveryReadersCorpus, DamagedAircraftCfgFilesNeverCrashTheReaders) {
    const std::string seed = skf::test::readBytes(kSeeds / "aircraft.cfg");
    ASSERT_FALSE(seed.empty());
    std::size_t made = 0;
    for (unsigned s = 1; s <= 3; ++s)
        for (const std::string& input : skf::test::mutationsOf(seed, s, 150, "[fltsim."))
            made += skf::fuzz::readAircraftCfg(input);
    EXPECT_GT(made, 0u);
}

// Damaged files on disk, in every encoding shape: each is read or reported, never a crash.
TEST(LiveryReadersCorpus, DamagedFilesThroughTheWalk) {
    skf::test::ScanFolder work;
    const std::string seed = skf::test::readBytes(kSeeds / "aircraft.cfg");
    const auto inputs = skf::test::mutationsOf(seed, 5, 40, "[fltsim.");
    std::size_t n = 0;
    for (const std::string& input : inputs) {
        const std::string prefix = (n % 3 == 0) ? std::string("\xFF\xFE", 2) : (n % 3 == 1) ? "\xEF\xBB\xBF" : "";
        work.write(fs::path("pkg") / std::to_string(n++) / "aircraft.cfg", prefix + input);
    }
    skf::g_liveries.clear();
    skf::lf_searchLiveryFolder(1, work.path() / "pkg");
    EXPECT_GT(skf::g_liveries.size(), 0u);
    skf::g_liveries.clear();
    skf::lf_clearScanCollections();
}

} // namespace
