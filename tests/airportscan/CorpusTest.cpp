// The readers of scenery files and manifests never crash: a seeded corpus of damaged inputs (also built
// with the address and undefined-behaviour sanitizers as test_airportscan_sanitized).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fuzz/FuzzTargets.h"
#include "support/Mutations.h"
#include "support/TempFolder.h"

namespace {

TEST(ScanReadersCorpus, DamagedSceneryFilesNeverCrashTheDecoder) {
    const std::string golden =
        skf::test::readBytes(std::filesystem::path(SKYFILL_SOURCE_DIR) / "tests/airportscan/golden/golden.bgl");
    ASSERT_FALSE(golden.empty());
    std::size_t total = 0;
    for (unsigned seed = 1; seed <= 4; ++seed) {
        for (const std::string& input : skf::test::mutationsOf(golden, seed)) {
            total += skf::fuzz::decodeBgl(
                std::span<const unsigned char>(reinterpret_cast<const unsigned char*>(input.data()), input.size()));
        }
    }
    EXPECT_GT(total, 0U);
}

TEST(ScanReadersCorpus, DamagedManifestsNeverCrashTheReader) {
    const std::string sample =
        R"({"dependencies":[],"content_type":"SCENERY","title":"EGKK Gatwick",)"
        R"("manufacturer":"Northwind Scenery","creator":null,"package_version":"1.0.0",)"
        R"("release_notes":{"neutral":{"LastUpdate":"","OlderHistory":""}},"total_package_size":"123"})";
    int read = 0;
    for (unsigned seed = 1; seed <= 4; ++seed)
        for (const std::string& input : skf::test::mutationsOf(sample, seed, 150, "["))
            read += skf::fuzz::readManifest(input) ? 1 : 0;
    EXPECT_GT(read, 0);
}

} // namespace
