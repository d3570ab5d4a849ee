// The aircraft.cfg line readers: key lines as real files write them, section headers, the section-number
// check, the model of a file; and the hand matcher against the regular expression it replaces.
#include "liveries/FltsimLines.h"
#include "liveries/LiveryServices.h"
#include "liveries/LiveryServicesInternal.h"
#include "liveries/ScanReports.h"
#include "LiveryTestSupport.h"

#include <gtest/gtest.h>
#include <random>
#include <regex>

namespace fs = std::filesystem;
using namespace skf;

namespace {

struct ReaderCase {
    const char* line;
    bool (*reader)(std::string_view, std::string&);
    bool ok;
    const char* value;
};

TEST(FltsimLines, KeyReadersTakeRealLineShapes) {
    const ReaderCase cases[] = {
        {"title=abc", lf_readTitle, true, "abc"},
        {"TITLE=abc", lf_readTitle, true, "abc"},
        {"  title = \"My Plane\"  ", lf_readTitle, true, "My Plane"},
        {"title=\"abc", lf_readTitle, false, ""},
        {"title=\"\"", lf_readTitle, false, ""},
        {"title=abc ; note", lf_readTitle, true, "abc ; note"},
        {"title=\"KLM 737\" ; comment \"x\"", lf_readTitle, true, "KLM 737"},
        {"ui_title=abc", lf_readTitle, false, ""},
        {"title =", lf_readTitle, false, ""},
        {"title\t=\tx\t", lf_readTitle, true, "x"},
        {"title=a\rb", lf_readTitle, false, ""},
        {"title: abc", lf_readTitle, false, ""},
        {"texture=KLM", lf_readTexture, true, "KLM"},
        {"atc_parking_types=GATE, RAMP", lf_readParkingTypes, true, "GATE, RAMP"},
        {"atc_id=ABCD", lf_readAtcId, false, ""},
        {"atc_id=PH-BXA", lf_readAtcId, true, "PH-BXA"},
        {"atc_id_color=0xffffff", lf_readAtcId, false, ""},
        {"icao_airline=", lf_readIcaoAirline, false, ""},
        {"icao_airline=\"\"", lf_readIcaoAirline, true, "ZZZ"},
        {"icao_airline=ZZZZ", lf_readIcaoAirline, true, "ZZZ"},
        {"icao_airline=zzzz", lf_readIcaoAirline, true, "ZZZZ"},
        {"icao_airline=dlh", lf_readIcaoAirline, true, "DLH"},
        {"ICAO_Airline = \"klm\" ; KLM", lf_readIcaoAirline, true, "KLM"},
    };
    for (const ReaderCase& c : cases) {
        std::string value;
        EXPECT_EQ(c.reader(c.line, value), c.ok) << c.line;
        EXPECT_EQ(value, c.value) << c.line;
    }
}

TEST(FltsimLines, DesignatorsAndBaseContainers) {
    EXPECT_EQ(lf_readTypeDesignator("icao_type_designator=a320neo"), "A320");
    EXPECT_EQ(lf_readTypeDesignator("icao_type_designator = \"B38M\""), "B38M");
    EXPECT_EQ(lf_readTypeDesignator("icao_type_designator="), "");
    EXPECT_EQ(lf_readTypeDesignator("xicao_type_designator=B738"), "");
    EXPECT_EQ(lf_readBaseContainer("base_container=..\\Asobo_A320_NEO"), "A20N");
    EXPECT_EQ(lf_readBaseContainer("base_container = \"..\\Asobo_A320_NEO\""), "A20N");
    EXPECT_EQ(lf_readBaseContainer("base_container=..\\asobo_a320_neo"), "");
    EXPECT_EQ(lf_readBaseContainer("base_container=..\\..\\Asobo_A320_NEO"), "");
    EXPECT_EQ(lf_readBaseContainer("base_container=..\\"), "");
    EXPECT_EQ(lf_readBaseContainer("base_container=..\\Asobo_A5"), "");
    EXPECT_EQ(lf_readBaseContainer("base_container=..\\Asobo_Icon"), "A5");
    EXPECT_EQ(lf_stockModelOfBaseContainer("[General]\r\nx=1\r\nbase_container=\"..\\Asobo_B747_8i\"\r\n"), "B748");
    EXPECT_EQ(lf_stockModelOfBaseContainer("base_container=..\\Nobody\nbase_container=..\\Asobo_CJ4"), "");
    EXPECT_EQ(lf_stockModelOfBaseContainer(""), "");
}

TEST(FltsimLines, HeadersAndWholeKeys) {
    const std::pair<const char*, const char*> headers[] = {
        {"[fltsim.3]", "3"},       {"  [FltSim.12]\t", "12"}, {"//[fltsim.3]", ""},
        {"[fltsim.3] x", "10000"}, {"[fltsim.x]", "10000"},   {"[FLTSIM.x]", "10000"},
        {"[FltSim.x]", ""},        {"[General]", ""},         {"/", ""},
        {"[fltsim.-1]", "10000"},  {"; [fltsim.1]", "10000"}, {"[fltsim.]", "10000"},
    };
    for (const auto& [line, number] : headers)
        EXPECT_EQ(lf_fltsimNumber(line), number) << line;

    EXPECT_TRUE(lf_hasAtcId("atc_id=PH-BXA"));
    EXPECT_TRUE(lf_hasAtcId("//atc_id=PH-BXA"));
    EXPECT_TRUE(lf_hasAtcId("atc_id =PH"));
    EXPECT_FALSE(lf_hasAtcId("xatc_id=PH"));
    EXPECT_FALSE(lf_hasAtcId("atc_id_color=1"));
    EXPECT_TRUE(lf_hasIcaoAirline("//icao_airline=KLM"));
    EXPECT_FALSE(lf_hasIcaoAirline("icao_airlines=KLM"));
    EXPECT_FALSE(lf_hasIcaoAirline("my_icao_airline=KLM"));
    EXPECT_TRUE(lf_hasParkingTypes("atc_parking_types = GATE"));
    EXPECT_FALSE(lf_hasParkingTypes("atc_parking_types_old = GATE"));
}

class FltsimFiles : public ::testing::Test {
protected:
    void SetUp() override { lf_clearScanCollections(); }
    void TearDown() override { lf_clearScanCollections(); }
    test::ScanFolder work;
};

TEST_F(FltsimFiles, SectionNumbersDecideWhetherAFileIsRead) {
    const fs::path file = "x/aircraft.cfg";
    EXPECT_TRUE(lf_splitFltsimSections({"[fltsim.0]", "[fltsim.1]", "[fltsim.10000]"}, file));
    EXPECT_FALSE(lf_splitFltsimSections({"[fltsim.0]", "[fltsim.1]", "[fltsim.10001]"}, file));
    EXPECT_FALSE(lf_splitFltsimSections({"[fltsim.0]", "[fltsim.12345678901]"}, file));
    EXPECT_TRUE(lf_splitFltsimSections({"[General]", "title=x"}, file));
    const ScanFindings f = lf_scanFindings();
    ASSERT_EQ(f.invalidCfg.size(), 1u);
    EXPECT_EQ(f.invalidCfg[0], "x/aircraft.cfg contains a [fltsim.x] section with a number < 0 or > 10000");
    EXPECT_EQ(f.noFltsim, std::vector<std::string>{"x/aircraft.cfg"});
    EXPECT_NE(work.log().find("==> fltsim num [fltsim.12345678901] incorrect"), std::string::npos);
}

TEST_F(FltsimFiles, ModelOfAFile) {
    const fs::path file = "pkg/aircraft.cfg";
    EXPECT_EQ(lf_modelOfFile(file, {"[General]", "icao_type_designator=B738"}), "B738");
    EXPECT_EQ(lf_modelOfFile(file, {"icao_type_designator=A32N"}), "A20N");
    EXPECT_EQ(lf_modelOfFile(file, {"icao_type_designator=XXXX"}), "");
    EXPECT_EQ(lf_modelOfFile(file, {"base_container=..\\Asobo_A320_NEO"}), "A20N");
    EXPECT_EQ(lf_modelOfFile("c/pmdg-aircraft-737/aircraft.cfg", {"title=x"}), "");
    EXPECT_EQ(lf_modelOfFile(file, {"title=x"}), "");
    EXPECT_EQ(lf_ivaoModelOfFile("/c/IVAO_MTL/SimObjects/Airplanes/IVAO_A320/aircraft.cfg"), "A320");
    EXPECT_EQ(lf_ivaoModelOfFile("/c/ivao_x-csl/simobjects/airplanes/IVAO_B77W_X/Aircraft.CFG"), "B77W");
    EXPECT_EQ(lf_ivaoModelOfFile("/c/IVAO_MTL/SimObjects/Airplanes/IVAO_a320/aircraft.cfg"), "");
    EXPECT_EQ(lf_ivaoModelOfFile("/c/IVAO_MTL/SimObjects/IVAO_A320/aircraft.cfg"), "");
    EXPECT_EQ(lf_ivaoModelOfFile("IVAO_MTL/SimObjects/Airplanes/IVAO_A320/aircraft.cfg"), "");

    const ScanFindings f = lf_scanFindings();
    EXPECT_EQ(f.fixes, std::vector<std::string>{"Model fix: A32N found in pkg/aircraft.cfg changed into A20N"});
    EXPECT_EQ(f.invalidModel,
              (std::vector<std::string>{"XXXX             in pkg/aircraft.cfg",
                                        "a320             in /c/IVAO_MTL/SimObjects/Airplanes/IVAO_a320/aircraft.cfg",
                                        "                 in /c/IVAO_MTL/SimObjects/IVAO_A320/aircraft.cfg",
                                        "                 in IVAO_MTL/SimObjects/Airplanes/IVAO_A320/aircraft.cfg"}));
    EXPECT_EQ(f.invalidCfg, std::vector<std::string>{
                                "Line icao_type_designator= is missing in [General] section of pkg/aircraft.cfg"});
}

// The hand matcher gives what the regular expression "\s*(key)\s*=\s*(.*\S)\s*" (case-insensitive, whole
// line) gives, over generated lines short enough for the regex engine's recursion.
TEST(FltsimLines, HandMatcherAgreesWithTheRegex) {
    const std::regex pattern("\\s*(title)\\s*=\\s*(.*\\S)\\s*", std::regex::ECMAScript | std::regex::icase);
    const std::string pieces[] = {"title", "TiTlE", "ui_title", "=", " ", "\t",  "\r", "\n", "\v", "\"",
                                  "a",     "Z",     ";",        "é", "[", "x y", "\f", "==", "t",  "\xff"};
    std::mt19937 rng(7);
    int matched = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string line;
        if (rng() % 2)
            line = std::string(rng() % 3, ' ') + (rng() % 2 ? "title" : "TITLE") + std::string(rng() % 2, ' ') + "=";
        const int count = static_cast<int>(rng() % 8);
        for (int k = 0; k < count; ++k)
            line += pieces[rng() % std::size(pieces)];
        std::smatch m;
        const bool regexMatch = std::regex_match(line, m, pattern);
        const auto hand = lf_keyValue(line, "title");
        ASSERT_EQ(hand.has_value(), regexMatch) << testing::PrintToString(line);
        if (regexMatch) {
            ++matched;
            ASSERT_EQ(*hand, m[2].str()) << testing::PrintToString(line);
        }
    }
    EXPECT_GT(matched, 1000);
}

TEST(FltsimLines, AMegabyteLineIsReadWithoutHarm) {
    const std::string value(1 << 20, 'x');
    std::string out;
    EXPECT_TRUE(lf_readTitle("title=" + value, out));
    EXPECT_EQ(out.size(), value.size());
    EXPECT_EQ(lf_fltsimNumber("[fltsim." + std::string(1 << 20, '7') + "]"), std::string(1 << 20, '7'));
    EXPECT_FALSE(lf_hasAtcId(std::string(1 << 20, 'a') + "atc_idatc_id"));
}

} // namespace
