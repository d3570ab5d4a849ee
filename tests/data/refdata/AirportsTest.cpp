// The airport list: reading input/airports.enc, its failures, and the lookups.
#include "core/Codes.h"
#include "data/Airports.h"
#include "support/EncryptedInput.h"
#include "support/WorkFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using skf::FixedCode;
using skf::test::WorkFolder;

namespace {

class AirportList : public ::testing::Test {
protected:
    void SetUp() override { skf::gf_resetAirports(); }
    void TearDown() override { skf::gf_resetAirports(); }

    static void install(const std::string& xml) { skf::test::installEncryptedInput(xml, "airports.enc"); }
    static std::string doc(const std::string& aps) {
        return "<?xml version=\"1.0\"?>\n<root>\n<airports>\n" + aps + "</airports>\n</root>\n";
    }
    // The message of the UserErrorException of a failed read.
    static std::string failure() {
        try {
            skf::gf_readAirports();
        } catch (const skf::UserErrorException& e) {
            return e.what();
        }
        return "no exception";
    }

    WorkFolder wf;
};

const char* kThree = R"(<ap c="LFPG" i="CDG" la="49.0097" lo="2.5479" a="392" s="300"/>
<ap c="eham" i="ams" la="52.3086" lo="4.7639" a="-11" s="210"/>
<ap c="EDDF" i="FRA" la="50.0333" lo="8.5706" a="364" s="300"/>
)";

} // namespace

TEST_F(AirportList, ReadsSortsUpperCasesAndRemovesThePlainFile) {
    install(doc(kThree));
    ASSERT_TRUE(skf::gf_readAirports());
    ASSERT_EQ(skf::g_airports.size(), 3u);
    EXPECT_EQ(skf::g_airports[0].icao.view(), "EDDF");
    EXPECT_EQ(skf::g_airports[1].icao.view(), "EHAM");
    EXPECT_EQ(skf::g_airports[1].iata.view(), "AMS");
    EXPECT_DOUBLE_EQ(skf::g_airports[1].latitude, 52.3086);
    EXPECT_DOUBLE_EQ(skf::g_airports[1].longitude, 4.7639);
    EXPECT_FLOAT_EQ(skf::g_airports[1].altitude, -11.0f);
    EXPECT_EQ(skf::g_airports[1].stands, 210);
    EXPECT_EQ(skf::g_airports[2].icao.view(), "LFPG");
    EXPECT_FALSE(fs::exists("input/airports.xml"));
    EXPECT_NE(wf.log().find("    3 airports read"), std::string::npos);

    // A second call returns at once without touching the files.
    fs::remove("input/airports.enc");
    EXPECT_TRUE(skf::gf_readAirports());
}

TEST_F(AirportList, ElementsWithoutPositionOrAltitudeAreSkippedWithoutStandsKept) {
    install(doc(R"(<ap c="EGLL" i="LHR" la="51.47" lo="-0.46" a="83"/>
<ap c="EGKK" la="51.14" a="202" s="115"/>
<ap c="EGSS" i="STN" la="51.88" lo="0.23" s="110"/>
<ap c="EGLC" la="51.50" lo="0.05" a="19" s="25"/>
<ap c="EGGW" i="L-N" la="51.87" lo="-0.36" a="526" s="60"/>
)"));
    ASSERT_TRUE(skf::gf_readAirports());
    ASSERT_EQ(skf::g_airports.size(), 2u);
    EXPECT_EQ(skf::g_airports[0].icao.view(), "EGLC");
    EXPECT_EQ(skf::g_airports[0].iata, skf::kNoIata);
    EXPECT_EQ(skf::gf_airportCodeText(skf::g_airports[0]), "EGLC");
    EXPECT_EQ(skf::g_airports[1].icao.view(), "EGLL");
    EXPECT_EQ(skf::g_airports[1].stands, 0);
    EXPECT_EQ(skf::gf_airportCodeText(skf::g_airports[1]), "EGLL (LHR)");
    const std::string log = wf.log();
    EXPECT_NE(log.find("==> Missing stands for airport 'EGLL'"), std::string::npos);
    EXPECT_NE(log.find("==> Missing latLons for airport 'EGKK'"), std::string::npos);
    EXPECT_NE(log.find("==> Missing alt for airport 'EGSS'"), std::string::npos);
    EXPECT_NE(log.find("Error storing airport 'EGGW' 'L-N': FixedCode: invalid string (length/charset)"),
              std::string::npos);
    EXPECT_FALSE(skf::gf_isKnownAirport(FixedCode<4>("EGGW")));
    EXPECT_TRUE(skf::gf_isKnownAirport(FixedCode<4>("EGLC")));
}

TEST_F(AirportList, AnEmptyListReadsAsFalse) {
    install(doc(""));
    EXPECT_FALSE(skf::gf_readAirports());
    EXPECT_NE(wf.log().find("    0 airports read"), std::string::npos);
}

TEST_F(AirportList, ABadIcaoCodeFailsTheWholeReadWithCode88) {
    for (const char* code : {"EHA", "EH-M", ""}) {
        skf::gf_resetAirports();
        install(doc(std::string("<ap c=\"") + code + "\" la=\"1\" lo=\"1\" a=\"1\" s=\"1\"/>\n"));
        EXPECT_EQ(failure(), "88: FixedCode: invalid string (length/charset)") << code;
        EXPECT_FALSE(fs::exists("input/airports.xml"));
    }
}

TEST_F(AirportList, AMissingAirportsElementFailsWithCode88) {
    install("<root><ap c=\"EHAM\"/></root>");
    EXPECT_EQ(failure(), "88: Missing <airports> root in: input/airports.xml");
    EXPECT_FALSE(fs::exists("input/airports.xml"));
}

TEST_F(AirportList, AMissingOrDamagedFileFailsWithCode88) {
    EXPECT_EQ(failure(), "88: input/airports.enc not available");
    install(doc(kThree));
    std::string enc = WorkFolder::readFile("input/airports.enc");
    enc.resize(enc.size() - 5);
    WorkFolder::writeFile("input/airports.enc", enc);
    EXPECT_EQ(failure(), "88: input/airports.enc could not be decrypted (damaged): moved to input/airports.enc.bad, "
                         "it is downloaded again at the next start");
    EXPECT_FALSE(fs::exists("input/airports.xml"));
    EXPECT_FALSE(fs::exists("input/airports.enc"));
    EXPECT_EQ(WorkFolder::readFile("input/airports.enc.bad"), enc);
    // The failed read can be repeated once the file is good.
    install(doc(kThree));
    EXPECT_TRUE(skf::gf_readAirports());
}

TEST_F(AirportList, LookupsByPrefixAndFileName) {
    install(doc(kThree));
    ASSERT_TRUE(skf::gf_readAirports());
    EXPECT_EQ(skf::gf_findAirportByPrefix("eham123"), FixedCode<4>("EHAM"));
    EXPECT_EQ(skf::gf_findAirportByPrefix("EDDF"), FixedCode<4>("EDDF"));
    EXPECT_FALSE(skf::gf_findAirportByPrefix("EHA").has_value());
    EXPECT_FALSE(skf::gf_findAirportByPrefix("EGLL").has_value());

    EXPECT_EQ(skf::gf_findAirportInFileName("Community/foo-eham-airport/scenery/x.bgl"), FixedCode<4>("EHAM"));
    EXPECT_EQ(skf::gf_findAirportInFileName("a/b-LFPG-c.bgl"), FixedCode<4>("LFPG"));
    EXPECT_EQ(skf::gf_findAirportInFileName("a/x-lfpg-eham-y.bgl"), FixedCode<4>("EHAM")); // table order
    EXPECT_FALSE(skf::gf_findAirportInFileName("a/EHAM.bgl").has_value());
    EXPECT_FALSE(skf::gf_findAirportInFileName("a/x-EGLL-y.bgl").has_value()); // not in the list
    EXPECT_FALSE(skf::gf_findAirportInFileName("a/x_EHAM_y.bgl").has_value());
}

// Codes with digits at either end of the range are codes too (small fields such as "K09A" or "ZA9Z").
TEST_F(AirportList, CodesWithDigitsAreFoundInFileNames) {
    install(doc(std::string(kThree) + R"(<ap c="K09A" i="K9A" la="40.0" lo="-90.0" a="600" s="4"/>
<ap c="ZA9Z" i="ZZZ" la="10.0" lo="10.0" a="100" s="2"/>
)"));
    ASSERT_TRUE(skf::gf_readAirports());
    EXPECT_EQ(skf::gf_findAirportInFileName("a/field-k09a-scenery.bgl"), FixedCode<4>("K09A"));
    EXPECT_EQ(skf::gf_findAirportInFileName("a/x-ZA9Z-y.bgl"), FixedCode<4>("ZA9Z"));
}

TEST_F(AirportList, TheBundledSampleListReads) {
    const fs::path enc = fs::path(SKYFILL_BINARY_DIR) / "Skyfill" / "input" / "airports.enc";
    if (!fs::exists(enc))
        GTEST_SKIP() << "sample data not built";
    fs::create_directories("input");
    fs::copy_file(enc, "input/airports.enc");
    ASSERT_TRUE(skf::gf_readAirports());
    EXPECT_GT(skf::g_airports.size(), 300u);
    EXPECT_TRUE(skf::gf_isKnownAirport(FixedCode<4>("EGLL")));
    EXPECT_EQ(wf.log().find("==>"), std::string::npos) << wf.log();
    for (std::size_t i = 1; i < skf::g_airports.size(); ++i)
        EXPECT_LT(skf::g_airports[i - 1].icao, skf::g_airports[i].icao);
}

TEST_F(AirportList, ARepeatedReadAfterAFailureHoldsEachAirportOnce) {
    install(doc(std::string(kThree) + "<ap c=\"EH-M\" la=\"1\" lo=\"1\" a=\"1\" s=\"1\"/>\n"));
    EXPECT_EQ(failure(), "88: FixedCode: invalid string (length/charset)");
    install(doc(kThree));
    ASSERT_TRUE(skf::gf_readAirports());
    EXPECT_EQ(skf::g_airports.size(), 3u);
}

TEST_F(AirportList, AnEmptyRecordShowsNoIataCode) {
    EXPECT_EQ(skf::gf_airportCodeText(skf::Airport{}), "?");
}

TEST_F(AirportList, OneResetGivesAFreshTableWhoseNamesAreTheOwners) {
    install(doc(kThree));
    ASSERT_TRUE(skf::gf_readAirports());
    skf::AirportTable& table = skf::gf_airportTable();
    EXPECT_EQ(&skf::g_airports, &table.airports);
    EXPECT_EQ(&skf::g_airportCodes, &table.codes);
    ASSERT_TRUE(table.loaded);
    EXPECT_EQ(table.codes.size(), 3u);

    skf::gf_resetAirports();
    const skf::AirportTable fresh;
    EXPECT_EQ(table.airports.capacity(), fresh.airports.capacity());
    EXPECT_EQ(table.codes.size(), fresh.codes.size());
    EXPECT_EQ(table.loaded, fresh.loaded);
    // The next read reads the file again.
    install(doc("<ap c=\"EHAM\" la=\"52.3\" lo=\"4.8\" a=\"-11\" s=\"210\"/>\n"));
    ASSERT_TRUE(skf::gf_readAirports());
    EXPECT_EQ(skf::g_airports.size(), 1u);
}
