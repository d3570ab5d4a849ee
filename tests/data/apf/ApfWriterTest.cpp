#include <numbers>

#include <gtest/gtest.h>

#include "core/Time.h"
#include "data/apf/ApfWriter.h"
#include "ApfFixture.h"

namespace skf::test {
namespace {

using ApfWriterTest = ApfTest;

const std::filesystem::path kGolden = std::filesystem::path(SKYFILL_TEST_DATA_DIR) / "apf" / "golden";

StandOpt lf_opt(std::string reg, std::string_view airline, std::string_view model, uint32_t day, uint64_t mask,
                uint32_t number, std::string cs = "", std::string cs2 = "") {
    StandOpt o;
    o.registration = std::move(reg);
    o.airline = gf_internOperator(airline);
    o.model = gf_internModel(model);
    o.day = day;
    o.halfHours = HalfHourBits(mask);
    o.number = number;
    o.callsign = std::move(cs);
    o.callsign2 = std::move(cs2);
    return o;
}

// An airport with one stand of every kind the writer tells apart.
Apf lf_sampleApf() {
    Apf apf;
    apf.icao = FixedCode<4>("EHAM");
    apf.airport_name = "Amsterdam Schiphol";
    apf.publisher = "stock";
    apf.altitude = -11;
    apf.Qf_real = 63;
    apf.Qf_soft = 12;
    // plain gate with flights: one from the database, one soft with both callsign parts, one
    // disabled, one without registration and one whose half hours are not one run
    std::vector<StandOpt> opts;
    opts.push_back(lf_opt("PH-BXA", "KLM", "B738", 1, 0b1111ULL << 20, 1, "KLM1234"));
    StandOpt soft = lf_opt("G-EZAA", "EZY", "A320", 7, 1ULL << 47, 2, "ABC123", "ABC124");
    soft.real = 0;
    soft.cpl = 1;
    opts.push_back(soft);
    opts.push_back(lf_opt("G-EZAB", "EZY", "A320", 2, 1ULL << 3, 0, "EZY1"));
    opts.push_back(lf_opt("", "EZY", "A320", 2, 1ULL << 4, 4, "EZY2"));
    opts.push_back(lf_opt("G-EZAC", "EZY", "A320", 2, (1ULL << 4) | (1ULL << 6), 5, "EZY3"));
    apf.stands.emplace_back("A1", std::move(opts), 52.3, 4.76, std::numbers::pi / 2, 36.0, false, false, false);
    // radius changed by learning
    Stand b2("B2", {}, 52.301, 4.761, std::numbers::pi, 18.52, false, false, false);
    b2.radiusChanged = true;
    apf.stands.push_back(std::move(b2));
    // cargo flag changed by learning
    Stand c3("C3", {}, 52.302, 4.762, 0.0, 45.0, true, false, false);
    c3.cargoChanged = true;
    apf.stands.push_back(std::move(c3));
    // manual ramp stand
    Stand m1("M1", {lf_opt("PH-ABC", "PVT", "C172", 3, 1ULL << 30, 1)}, 52.303, 4.763, 0.5, 12.5, false, true, false);
    m1.manual = true;
    apf.stands.push_back(std::move(m1));
    // helicopter pad (cargo flag set but not written)
    apf.stands.emplace_back("H1", std::vector<StandOpt>{}, 52.304, 4.764, 0.0, 10.0, true, false, true);
    return apf;
}

std::string lf_golden(const std::string& name) {
    std::string text = lf_readFile(kGolden / name);
    const std::string marker = "@DATE@";
    text.replace(text.find(marker), marker.size(), gf_dateText());
    return text;
}

TEST_F(ApfWriterTest, FullModeMatchesGolden) {
    Apf apf = lf_sampleApf();
    apf.publisher.clear();
    apf.BGLpath = "Community/maker-eham/scenery/EHAM.bgl";
    apf.manufacturer = "Maker";
    apf.creator = "Someone & Co";
    ASSERT_TRUE(gf_writeApf(apf, "out/full/EHAM.xml", kApfModeFull, 2));
    EXPECT_EQ(lf_readFile("out/full/EHAM.xml"), lf_golden("full.xml"));
    // an open handmade park airport leaves the add-on scan's full files as they are
    g_handmadeApf = true;
    ASSERT_TRUE(gf_writeApf(apf, "out/full/EHAM.xml", kApfModeFull, 2));
    EXPECT_EQ(lf_readFile("out/full/EHAM.xml"), lf_golden("full.xml"));
}

TEST_F(ApfWriterTest, LearnedModeMatchesGolden) {
    RANGE.set(60);
    AUTO_RANGE.set(false);
    WEEK.set(true);
    PARK_SOFT.set(true);
    parking_percentage.set(50);
    INITIAL_LOAD_ONLY.set(true);
    MAX_FIT_FL.set(12.0F);
    MAX_LIVE_SEL.set(200);
    ASSERT_TRUE(gf_writeApf(lf_sampleApf(), "airports/learned/stock/EHAM.xml", kApfModeLearned, 1));
    EXPECT_EQ(lf_readFile("airports/learned/stock/EHAM.xml"), lf_golden("learned.xml"));
    EXPECT_NE(lf_log().find("==> bit set problem: G-EZAC EZY3 EZY A320"), std::string::npos);
}

TEST_F(ApfWriterTest, HandmadeLearnedModeMatchesGolden) {
    g_handmadeApf = true;
    ASSERT_TRUE(gf_writeApf(lf_sampleApf(), "airports/learned/stock/EHAM.xml", kApfModeLearned, 1));
    EXPECT_EQ(lf_readFile("airports/learned/stock/EHAM.xml"), lf_golden("handmade.xml"));
}

TEST_F(ApfWriterTest, ReplacesAnOldFileAndReportsFailures) {
    lf_writeFile("airports/learned/stock/EHAM.xml", "old");
    ASSERT_TRUE(gf_writeApf(lf_sampleApf(), "airports/learned/stock/EHAM.xml", kApfModeLearned, 1));
    EXPECT_NE(lf_readFile("airports/learned/stock/EHAM.xml"), "old");
    for (const auto& entry : std::filesystem::directory_iterator("airports/learned/stock")) {
        EXPECT_EQ(entry.path().filename(), "EHAM.xml"); // no temporary file left behind
    }
    EXPECT_FALSE(gf_writeApf(lf_sampleApf(), "", kApfModeLearned, 1));
    lf_writeFile("blocked", "a file where a folder should be");
    EXPECT_FALSE(gf_writeApf(lf_sampleApf(), "blocked/EHAM.xml", kApfModeFull, 1));
}

} // namespace
} // namespace skf::test
