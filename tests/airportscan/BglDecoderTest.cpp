// The scenery-file decoder: the golden file, idents, the probe and the helipad and parking rules.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "airportscan/BglDecoder.h"
#include "support/TempFolder.h"
#include "tools/bglgen/BglWriter.h"
#include "tools/bglgen/GoldenBgl.h"

namespace {

using namespace skf;
namespace bgl = skf::bgl;

std::string goldenBytes() {
    return test::readBytes(std::filesystem::path(SKYFILL_SOURCE_DIR) / "tests/airportscan/golden/golden.bgl");
}

std::span<const unsigned char> span(const std::string& s) {
    return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
}

struct Expected {
    const char* id;
    double lat, lon, heading, radius;
    bool cargo, ramp, heli;
};

void expectStands(const std::vector<BglStand>& got, const std::vector<Expected>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(want[i].id);
        EXPECT_EQ(got[i].id, want[i].id);
        EXPECT_NEAR(got[i].latitude, want[i].lat, 1e-6);
        EXPECT_NEAR(got[i].longitude, want[i].lon, 1e-6);
        EXPECT_NEAR(got[i].heading, want[i].heading, 1e-6);
        EXPECT_NEAR(got[i].radiusMetres, want[i].radius, 1e-4);
        EXPECT_EQ(got[i].cargo, want[i].cargo);
        EXPECT_EQ(got[i].ramp, want[i].ramp);
        EXPECT_EQ(got[i].heli, want[i].heli);
    }
}

TEST(BglDecoder, GoldenFileDecodesToItsExpectedAirportsAndStands) {
    const std::string bytes = goldenBytes();
    ASSERT_EQ(bytes, bgl::gf_writeBgl(bgl::gf_goldenBgl())) << "the writer no longer writes the golden file";
    const BglWords words(span(bytes));
    const BglRecords found = gf_scanBglRecords(words);
    EXPECT_FALSE(found.error);
    EXPECT_TRUE(found.notes.empty());
    ASSERT_EQ(found.records.size(), 5U);
    EXPECT_EQ(found.records[0].ident, std::optional<std::string>("EHAM"));
    EXPECT_EQ(found.records[1].ident, std::optional<std::string>("EHRD"));
    EXPECT_EQ(found.records[2].id, kBglNewAirportId);
    EXPECT_EQ(found.records[3].ident, std::optional<std::string>("EGLC"));
    EXPECT_EQ(found.records[4].ident, std::optional<std::string>("EHLE"));

    const double pi = std::numbers::pi;
    // Helipads before the parkings are read; nothing after the (first) taxiway-parking subrecord is.
    const BglAirportStands eham = gf_decodeBglAirport(words, found.records[0], "golden.bgl");
    EXPECT_EQ(eham.altitudeMm, -3000);
    EXPECT_FALSE(eham.error);
    expectStands(eham.stands, {{"helipad1", 52.3000, 4.7600, 0.0, 15.0, false, false, true},
                               {"A1", 52.3100, 4.7700, 2 * pi, 20.0, false, false, false},
                               {"A1a", 52.3101, 4.7701, pi / 2, 25.0, false, false, false},
                               {"p3", 52.3102, 4.7702, pi, 30.0, true, true, false},
                               {"42", 52.3105, 4.7705, 1.5 * pi, 199.9, false, true, false}});
    EXPECT_EQ(eham.helipadCounter, 2);
    EXPECT_EQ(eham.notes,
              (std::vector<BglNote>{{BglNote::Kind::ScanLog, "Skipped position with radius 1.0 m in golden.bgl"}}));

    // A record that ends in a helipad: the next record (the newer form) is not read as its subrecord.
    const BglAirportStands ehrd = gf_decodeBglAirport(words, found.records[1], "golden.bgl");
    EXPECT_EQ(ehrd.altitudeMm, 4000000);
    expectStands(ehrd.stands, {{"helipad1", 51.9560, 4.4360, 0.0, 12.0, false, false, true},
                               {"helipad2", 51.9561, 4.4361, 0.0, 6.0, false, false, true}});
    EXPECT_TRUE(ehrd.notes.empty());
    EXPECT_FALSE(ehrd.error);

    // Only the first taxiway-parking subrecord is read, and nothing after it.
    const BglAirportStands eglc = gf_decodeBglAirport(words, found.records[3], "golden.bgl");
    EXPECT_EQ(eglc.altitudeMm, 5791);
    expectStands(eglc.stands, {{"g2", 51.5050, 0.0560, pi / 4, 18.0, false, false, false}});
    EXPECT_TRUE(eglc.notes.empty());

    // The file ends in a helipad: no error line after it.
    const BglAirportStands ehle = gf_decodeBglAirport(words, found.records[4], "golden.bgl");
    expectStands(ehle.stands, {{"helipad1", 52.4600, 5.5270, 0.0, 10.0, false, false, true}});
    EXPECT_TRUE(ehle.notes.empty());
    EXPECT_FALSE(ehle.error);
}

TEST(BglDecoder, IdentsDecodeOrAreRefused) {
    const auto pack = [](const std::string& s) { return bgl::gf_packIdent(s); };
    struct Case {
        std::uint32_t value;
        std::optional<std::string> want;
    } cases[] = {
        {pack("KSEA"), "KSEA"},
        {pack("KSEA") | 0x1FU, "KSEA"}, // the low 5 bits do not count
        {pack("EH12"), "EH12"},
        {pack("LHR"), "LHR"},
        {pack("ABC12"), "ABC12"},
        {((12U * 38 + 0) * 38 + 12) << 5, std::nullopt}, // a blank inside
        {((12U * 38 + 1) * 38 + 12) << 5, std::nullopt}, // a '?' inside
        {0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(gf_decodeBglIdent(c.value), c.want) << c.value;
}

TEST(BglDecoder, ProbeFindsAnAirportSectionInTheTable) {
    std::string header(56, '\0');
    auto withCount = [&](std::uint32_t n, std::uint32_t type, std::size_t size) {
        std::string b = header;
        b[20] = static_cast<char>(n);
        std::string entry(20, '\0');
        entry[0] = static_cast<char>(type);
        b += entry;
        b.resize(size, '\0');
        return b;
    };
    struct Case {
        std::string bytes;
        bool want;
    } cases[] = {
        {withCount(1, 3, 76), true},  {withCount(0, 3, 76), false}, {withCount(1, 3, 56), false},
        {withCount(1, 4, 76), false}, {withCount(2, 3, 76), false}, // two entries do not fit in 76 bytes
    };
    for (const Case& c : cases)
        EXPECT_EQ(gf_bglHasAirportSection(span(c.bytes), c.bytes.size()), c.want);
    // The first bytes of a longer file: a section type that ends the bytes read is read.
    EXPECT_TRUE(gf_bglHasAirportSection(span(withCount(1, 3, 60)), 76));
    EXPECT_FALSE(gf_bglHasAirportSection(span(withCount(1, 3, 59)), 76));
    const std::string golden = goldenBytes();
    EXPECT_TRUE(gf_bglHasAirportSection(span(golden), golden.size()));
    bgl::File noAirport;
    const std::string other = bgl::gf_writeBgl(noAirport);
    EXPECT_FALSE(gf_bglHasAirportSection(span(other), other.size()));
}

// Decodes the stands of the single airport of a written file.
BglAirportStands decodeOne(const bgl::Airport& airport, std::vector<BglNote>* walkNotes = nullptr) {
    bgl::File f;
    f.airports = {airport};
    static std::string bytes;
    bytes = bgl::gf_writeBgl(f);
    const BglWords words(span(bytes));
    const BglRecords found = gf_scanBglRecords(words);
    if (walkNotes)
        *walkNotes = found.notes;
    EXPECT_EQ(found.records.size(), 1U);
    if (found.records.empty())
        return {};
    return gf_decodeBglAirport(words, found.records[0], "x.bgl");
}

TEST(BglDecoder, ParkingRulesOfRadiusTypeAndDuplicates) {
    bgl::Airport a;
    a.ident = "EDDF";
    auto parking = [](unsigned name, unsigned type, unsigned number, float radius) {
        return bgl::Parking{name, type, number, radius, 10.0F, 50.03, 8.57, {}};
    };
    a.parkings = {parking(12, 9, 1, 1.0F),     parking(12, 9, 2, 200.0F), parking(12, 9, 3, 1.5F),
                  parking(12, 0, 4, 20.0F),    parking(12, 13, 5, 20.0F), parking(12, 14, 6, 20.0F),
                  parking(37, 5, 4095, 20.0F), parking(11, 9, 7, 20.0F),  parking(40, 9, 8, 20.0F)};
    for (int i = 0; i < 12; ++i)
        a.parkings.push_back(parking(12, 9, 1, 20.0F));
    const BglAirportStands out = decodeOne(a);
    std::vector<std::string> ids;
    for (const auto& s : out.stands)
        ids.push_back(s.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"A3", "A6", "Z4095", "7", "8", "A1", "A1a", "A1b", "A1c", "A1d", "A1e",
                                             "A1f", "A1g", "A1h", "A1i", "A1j"}));
    EXPECT_TRUE(out.stands[1].ramp);                         // type 14
    EXPECT_TRUE(out.stands[2].cargo && out.stands[2].ramp);  // type 5
    EXPECT_FALSE(out.stands[3].ramp || out.stands[3].cargo); // type 9: a gate
    EXPECT_EQ(out.notes.size(), 3U);
    EXPECT_EQ(out.notes.back().text, "===> Warning: more than 10 duplicate IDs A1 in x.bgl");
}

TEST(BglDecoder, HelipadsAndPositionsThatCannotBeStandsAreSkipped) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    bgl::Airport a;
    a.ident = "EGLL";
    a.helipadsBefore = {{51.47, -0.46, 20.0F}, {51.47, -0.46, 20.0F}, {0.0, 0.0, 20.0F}, {51.48, -0.46, nan}};
    a.parkings = {bgl::Parking{12, 9, 1, 20.0F, nan, 51.471, -0.461, {}},
                  bgl::Parking{12, 9, 2, 20.0F, 10.0F, 0.00001, 0.00001, {}},
                  bgl::Parking{12, 9, 3, 20.0F, 10.0F, 51.472, -0.462, {}}};
    std::vector<BglNote> walk;
    const BglAirportStands out = decodeOne(a, &walk);
    std::vector<std::string> ids;
    for (const auto& s : out.stands)
        ids.push_back(s.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"helipad1", "A3"}));
    ASSERT_EQ(out.notes.size(), 5U);
    EXPECT_EQ(out.notes[0].text, "double helipad  (skipped) 51.470000,-0.460000");
    EXPECT_EQ(out.notes[1].text, "lat/lon helipad incorrect (skipped): 0.000000,0.000000");
    EXPECT_EQ(out.notes[2].text.rfind("helipad width nan m invalid (skipped)", 0), 0U);
    EXPECT_EQ(out.notes[3].text, "Skipped position A1 with heading nan in x.bgl");
    EXPECT_EQ(out.notes[4].text.rfind("LatLon 0.0000", 0), 0U);
    for (const auto& s : out.stands)
        EXPECT_TRUE(std::isfinite(s.heading) && std::isfinite(s.radiusMetres));
    EXPECT_TRUE(walk.empty());
    EXPECT_FALSE(out.error);
}

TEST(BglDecoder, LoopLimitsEndSectionsAndAirportsWithAWarning) {
    bgl::File many; // 9001 airport records in one section
    many.airports.resize(9001);
    for (auto& a : many.airports)
        a.ident = "EHAM";
    const std::string manyBytes = bgl::gf_writeBgl(many);
    const BglRecords found = gf_scanBglRecords(BglWords(span(manyBytes)));
    EXPECT_EQ(found.records.size(), 9000U);
    ASSERT_EQ(found.notes.size(), 1U);
    EXPECT_EQ(found.notes[0].kind, BglNote::Kind::LogWarning);
    EXPECT_EQ(found.notes[0].text,
              "Error: Maximum loop iterations reached (2) \x97 possible corrupt BGL or malformed input.");

    bgl::Airport a; // 9001 helipads beside the name and filler subrecords
    a.ident = "EHAM";
    for (int i = 0; i < 9001; ++i)
        a.helipadsBefore.push_back(bgl::Helipad{50.0 + i * 1e-4, 4.0, 10.0F});
    const BglAirportStands out = decodeOne(a);
    EXPECT_EQ(out.stands.size(), 8999U); // the name subrecord took one pass
    ASSERT_FALSE(out.notes.empty());
    EXPECT_EQ(out.notes.back().text,
              "Error: Maximum loop iterations reached (1) \x97 possible corrupt SIA or malformed input");
}

TEST(BglDecoder, CutFilesEndWithAnErrorAndKeepWhatWasRead) {
    bgl::File f;
    bgl::Airport a;
    a.ident = "EDDF";
    for (unsigned i = 1; i <= 5; ++i)
        a.parkings.push_back(bgl::Parking{12, 9, i, 20.0F, 10.0F, 50.0 + i * 0.001, 8.5, {}});
    f.airports = {a};
    const std::string bytes = bgl::gf_writeBgl(f);
    const std::string cut = bytes.substr(0, bytes.size() - 30); // inside the last parking
    const BglWords words(span(cut));
    const BglRecords found = gf_scanBglRecords(words);
    ASSERT_EQ(found.records.size(), 1U);
    const BglAirportStands out = gf_decodeBglAirport(words, found.records[0], "c");
    EXPECT_TRUE(out.error);
    EXPECT_EQ(out.stands.size(), 4U);
}

} // namespace
