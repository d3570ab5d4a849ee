// Damaged reference data: encrypted files, the airport list and the database. Each read ends with a
// result or the reader's own error, with sane values and without the plain file left behind.
#include "core/Codes.h"
#include "data/Airports.h"
#include "data/Crypto.h"
#include "data/Dbase.h"
#include "support/EncryptedInput.h"
#include "support/Mutations.h"
#include "support/WorkFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using skf::test::WorkFolder;

namespace {

TEST(DecryptionRobustness, EveryTruncationAndByteFlipOfAnEncryptedFileFailsWithoutOutput) {
    WorkFolder wf;
    std::string plain;
    for (int i = 0; i < 300; ++i)
        plain += static_cast<char>('a' + i % 26);
    WorkFolder::writeFile("plain.txt", plain);
    skf::gf_streamEncrypt(skf::g_dataKey, "plain.txt", "good.enc");
    const std::string good = WorkFolder::readFile("good.enc");
    ASSERT_TRUE(skf::gf_streamDecrypt("good.enc", "out.txt"));
    ASSERT_EQ(WorkFolder::readFile("out.txt"), plain);

    for (const std::string& damaged : skf::test::mutationsOf(good, 5, 200)) {
        WorkFolder::writeFile("bad.enc", damaged);
        fs::remove("out.txt");
        if (skf::gf_streamDecrypt("bad.enc", "out.txt")) {
            // Only a change that leaves the authenticated stream as it was can pass.
            EXPECT_EQ(WorkFolder::readFile("out.txt"), plain);
        } else {
            EXPECT_FALSE(fs::exists("out.txt")) << damaged.size();
        }
    }
    // An input that is a folder, and an output path that is a folder.
    fs::create_directories("folder.enc");
    EXPECT_FALSE(skf::gf_streamDecrypt("folder.enc", "out2.txt"));
    EXPECT_FALSE(fs::exists("out2.txt"));
    fs::create_directories("outdir");
    EXPECT_FALSE(skf::gf_streamDecrypt("good.enc", "outdir"));
    EXPECT_TRUE(fs::is_directory("outdir"));
}

TEST(AirportListRobustness, DamagedListsReadWithSaneAirportsOrFailWithCode88) {
    WorkFolder wf;
    const std::string sample = R"(<?xml version="1.0"?>
<root><airports>
<ap c="LFPG" i="CDG" la="49.0097" lo="2.5479" a="392" s="300"/>
<ap c="EHAM" i="AMS" la="52.3086" lo="4.7639" a="-11" s="210"/>
</airports></root>
)";
    int read = 0;
    for (const std::string& damaged : skf::test::mutationsOf(sample, 9, 120)) {
        skf::gf_resetAirports();
        skf::test::installEncryptedInput(damaged, "airports.enc");
        try {
            skf::gf_readAirports();
            ++read;
            for (const skf::Airport& a : skf::g_airports) {
                EXPECT_TRUE(std::isfinite(a.latitude) && std::fabs(a.latitude) <= 90) << damaged;
                EXPECT_TRUE(std::isfinite(a.longitude) && std::fabs(a.longitude) <= 180) << damaged;
                EXPECT_TRUE(std::isfinite(a.altitude)) << damaged;
            }
        } catch (const skf::UserErrorException& e) {
            EXPECT_EQ(std::string(e.what()).rfind("88: ", 0), 0u) << e.what();
        }
        EXPECT_FALSE(fs::exists("input/airports.xml"));
    }
    EXPECT_GT(read, 0);
    skf::gf_resetAirports();
}

TEST(DatabaseRobustness, DamagedDatabasesReadWithSaneWingspansOrFail) {
    WorkFolder wf;
    const std::string sample = R"(<?xml version="1.0"?>
<root>
  <aircrafts><aircraft types="B738,A320,B772,GLF6,F16,EC35"/></aircrafts>
  <cargo_types><cargo_type types="B772"/></cargo_types>
  <heavy><hvy types="B772"/></heavy>
  <large><lar types="A320,B738"/></large>
  <buzjet><bzj types="GLF6"/></buzjet><high_performance><hpf types="F16"/></high_performance><rotorcraft><rot types="EC35"/></rotorcraft>
  <similar_types><similar types="A320,B738"/></similar_types>
  <ICAO_airlines><ICAO codes="DLH,KLM"/></ICAO_airlines>
  <cargo_operators><ICAO codes="GEC"/></cargo_operators>
  <publishers><pub names="Northwind Scenery,NWS"/></publishers>
  <wingspans><wingspan type="A320" meters="36.0"/><wingspan type="B772" meters="60.9"/></wingspans>
  <fixes><fx wro="A320-200" cor="A320"/></fixes>
  <simaddons20><simaddon20 arpts="EHAM"/></simaddons20>
  <thirdparties20><thirdpartie20 pub="Northwind Scenery" arpts="EGLL161"/></thirdparties20>
  <dbase><d r="D-AIKA" a="DLH" m="A320" o="DLH"/><d r="PH-BXA" a="KLM" m="B738"/></dbase>
</root>
)";
    int read = 0;
    for (const std::string& damaged : skf::test::mutationsOf(sample, 13, 120)) {
        skf::gf_clearDbase();
        WorkFolder::writeFile("dbase.xml", damaged);
        try {
            if (skf::gf_readDbaseXml("dbase.xml"))
                ++read;
            for (const auto& [code, half] : skf::g_halfWingspanByCode)
                EXPECT_TRUE(std::isfinite(half) && half > 0) << code << " " << half;
            EXPECT_TRUE(std::isfinite(skf::g_maxHalfWingspan));
        } catch (const std::exception& e) {
            EXPECT_NE(std::string(e.what()), "");
            if (damaged == sample)
                ADD_FAILURE() << e.what();
        }
        EXPECT_FALSE(fs::exists("dbase.xml"));
    }
    EXPECT_GT(read, 0);
    skf::gf_clearDbase();
}

} // namespace
