// The database: reading dbase.enc section by section, its failures, and the lookups over it.
#include "core/Codes.h"
#include "core/settings/Catalogue.h"
#include "data/Dbase.h"
#include "data/DbaseInternal.h"
#include "data/DbaseLookups.h"
#include "support/EncryptedInput.h"
#include "support/WorkFolder.h"
#include "tools/skyfill-data/DbaseGenerator.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using skf::SizeCategory;
using skf::test::WorkFolder;

namespace {

const char* kSections = R"(<?xml version="1.0" encoding="UTF-8"?>
<root>
  <aircrafts>
    <aircraft types="B738, A320 , ,B772"/>
    <aircraft types="A321,B77W,E190,C172,EC35,F16,GLF6,B752,A20N,A21N"/>
    <aircraft/>
  </aircrafts>
  <cargo_types><cargo_type types="B77L,B752"/></cargo_types>
  <heavy><hvy types="B772,B77W,B77L,B752"/></heavy>
  <large><lar types="A320,A321,B738,E190,A20N,A21N,B752"/></large>
  <buzjet><bzj types="GLF6"/></buzjet>
  <high_performance><hpf types="F16"/></high_performance>
  <rotorcraft><rot types="EC35"/></rotorcraft>
  <similar_types>
    <similar types="A321,A320"/>
    <similar types="A21N,A20N"/>
    <similar types="B77W,B772"/>
    <similar/>
  </similar_types>
  <ICAO_airlines><ICAO codes="DLH,BAW"/><ICAO codes="KLM, CLH,EWG"/></ICAO_airlines>
  <cargo_operators><ICAO codes="GEC,BOX"/></cargo_operators>
  <publishers>
    <pub names="Northwind Scenery,northwind-scenery, NWS"/>
    <pub names="Bluefin Simworks,bluefinsim"/>
    <pub names="Northwind Scenery,northwind-scenery, NWS"/>
    <pub names="Anonymous,,"/>
  </publishers>
  <wingspans>
    <wingspan type="A320" meters="36.0"/>
    <wingspan type="A320" meters="30.0"/>
    <wingspan type="B772" meters="60.9"/>
    <wingspan type="B772" meters="80.0"/>
    <wingspan type="XXXX" meters="10"/>
    <wingspan meters="10"/>
  </wingspans>
  <fixes>
    <fx wro="A320-200" cor="A320"/>
    <fx wro="B777" cor="B999"/>
    <fx wro="A320-200" cor="A321"/>
  </fixes>
  <simaddons20><simaddon20 arpts="EHAM, EDDF"/></simaddons20>
  <thirdparties20>
    <thirdpartie20 pub="Northwind Scenery" arpts="EGLL161, EGKK95"/>
    <thirdpartie20 pub="Nobody"/>
  </thirdparties20>
  <dbase>
    <d r="D-AIKA" a="DLH" m="A320" o="DLH"/>
    <d r="D-AIKA" a="DLH" m="A320" o="DLH"/>
    <d r="D-AIKA" a="DLH" m="A320" o="DLH"/>
    <d r="DA-IKB" a="DLH" m="A321" o="CLH"/>
    <d r="N123AB" a="UAL" m="B738"/>
    <d r="G-ABC" a="BAW" m="E190" o="BAW"/>
    <d r="GABCD" a="BAW" m="E190" o="BAW"/>
    <d r="D-ALFA" a="GEC" m="B77L" o="GEC" c="true"/>
    <d r="PH-BXA" a="KLM" m="NEWT"/>
  </dbase>
</root>
)";

class Database : public ::testing::Test {
protected:
    void SetUp() override {
        skf::gf_clearDbase();
        savedRandom = skf::RANDOM.value();
        skf::RANDOM.set(false);
    }
    void TearDown() override {
        skf::gf_clearDbase();
        skf::RANDOM.set(savedRandom);
    }
    static void install(const std::string& xml) { skf::test::installEncryptedInput(xml, "dbase.enc"); }
    static std::uint16_t model(const char* code) { return *skf::g_modelPool.find(code); }
    static std::uint16_t op(const char* code) { return *skf::g_operatorPool.find(code); }
    // The message of the exception a read throws.
    static std::string failure() {
        try {
            skf::gf_readDbase();
        } catch (const std::exception& e) {
            return e.what();
        }
        return "no exception";
    }
    WorkFolder wf;
    bool savedRandom = true;
};

std::string lf_without(std::string text, const std::string& part) {
    const auto at = text.find(part);
    if (at != std::string::npos)
        text.erase(at, part.size());
    return text;
}

} // namespace

TEST_F(Database, ReadsEverySectionAndRemovesThePlainFile) {
    install(kSections);
    ASSERT_TRUE(skf::gf_readDbase());
    EXPECT_FALSE(fs::exists("input/dbase.xml"));

    // Lists: trimmed words, empty words dropped; model ids in ascending code order after "".
    EXPECT_EQ(skf::g_modelCodes.size(), 13u);
    EXPECT_TRUE(skf::g_modelCodes.contains("A320"));
    EXPECT_EQ(skf::g_modelPool.name(0), "");
    EXPECT_EQ(model("A20N"), 1);
    EXPECT_EQ(model("A21N"), 2);
    EXPECT_EQ(model("A320"), 3);
    EXPECT_EQ(skf::g_cargoModelIds, (std::set<std::uint16_t>{model("B752"), model("B77L")}));
    EXPECT_EQ(op("BAW"), 1);
    EXPECT_EQ(op("BOX"), 6); // cargo operators follow the airlines
    EXPECT_EQ(skf::g_cargoOperatorIds, (std::set<std::uint16_t>{op("BOX"), op("GEC")}));
    EXPECT_EQ(skf::g_simaddonAirports, (std::set<std::string>{"EDDF", "EHAM"}));

    ASSERT_EQ(skf::g_similarTypes.size(), 4u);
    EXPECT_EQ(skf::g_similarTypes[0], (std::vector<std::string>{"A320", "A321"}));
    EXPECT_TRUE(skf::g_similarTypes[3].empty());

    // Publishers: sorted, duplicates dropped, empty names kept in the group.
    ASSERT_EQ(skf::g_publisherNames.size(), 3u);
    EXPECT_EQ(skf::g_publisherNames[0], (std::vector<std::string>{"Anonymous", "", ""}));
    EXPECT_EQ(skf::g_publisherNames[2], (std::vector<std::string>{"Northwind Scenery", "northwind-scenery", "NWS"}));

    // Wingspans: the first entry of a model wins, the largest still counts.
    EXPECT_NEAR(skf::gf_halfWingspan(model("A320")), 0.00972, 0.00001);
    EXPECT_NEAR(skf::g_halfWingspanByCode.at("B772"), 60.9 / 1852 / 2, 1e-12);
    EXPECT_NEAR(skf::g_maxHalfWingspan, 80.0 / 1852 / 2, 1e-12);

    // Fixes: invalid targets and repeats are skipped.
    EXPECT_EQ(skf::g_modelFixes, (std::map<std::string, std::string>{{"A320-200", "A320"}}));

    ASSERT_EQ(skf::g_thirdparties20.size(), 2u);
    EXPECT_EQ(skf::g_thirdparties20[0].airports, (std::vector<std::string>{"EGLL161", "EGKK95"}));
    EXPECT_TRUE(skf::g_thirdparties20[1].airports.empty());
    EXPECT_TRUE(skf::g_thirdparties24.empty());

    // Records: sorted, one per registration.
    ASSERT_EQ(skf::g_dbaseRecords.size(), 7u);
    for (std::size_t i = 1; i < skf::g_dbaseRecords.size(); ++i)
        EXPECT_LT(skf::g_dbaseRecords[i - 1].registration, skf::g_dbaseRecords[i].registration);

    const std::string log = wf.log();
    for (const char* line :
         {"\n   13 ICAO model codes", "    5 ICAO airline codes", "    2 cargo operators", "    3 publishers",
          "    1 fixes", "    7 dbase records read", "==> wingspan model XXXX is not valid, skipped",
          "==> wingspan model  is not valid", "==> wrong fix B777 -> B999, the latter is not valid",
          "==> wrong part of fix: 'A320-200', already exists, skipped"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
}

TEST_F(Database, RegistrationLookupsTryTheUsualSpellings) {
    install(kSections);
    ASSERT_TRUE(skf::gf_readDbase());

    EXPECT_EQ(skf::gf_registrationVariants("DAIKA"), (std::vector<std::string>{"DA-IKA", "D-AIKA", "DAIKA"}));
    EXPECT_EQ(skf::gf_registrationVariants("N123AB"), (std::vector<std::string>{"N123AB"}));
    EXPECT_EQ(skf::gf_registrationVariants("D-AIKA"), (std::vector<std::string>{"D-AIKA"}));
    EXPECT_EQ(skf::gf_registrationVariants("GABC"), (std::vector<std::string>{"GABC"}));

    const auto kika = skf::gf_lookupRegistration("DAIKA");
    ASSERT_TRUE(kika.has_value());
    EXPECT_EQ(*kika, (skf::DbaseInfo{op("DLH"), model("A320"), op("DLH"), false}));
    const auto kikb = skf::gf_lookupRegistration("DAIKB"); // stored as DA-IKB, found as the first variant
    ASSERT_TRUE(kikb.has_value());
    EXPECT_EQ(kikb->operatorId, op("CLH"));
    EXPECT_EQ(skf::gf_operatorOfRegistration("DAIKB"), "CLH");

    const auto cargo = skf::gf_lookupRegistration("D-ALFA");
    ASSERT_TRUE(cargo.has_value());
    EXPECT_TRUE(cargo->cargo);

    // An airline that is not in the airline list is interned all the same; no operator is id 0.
    const auto ual = skf::gf_lookupRegistration("N123AB");
    ASSERT_TRUE(ual.has_value());
    EXPECT_EQ(skf::gf_operatorName(ual->airline), "UAL");
    EXPECT_EQ(ual->operatorId, 0);
    EXPECT_EQ(skf::gf_operatorOfRegistration("N123AB"), "");

    EXPECT_FALSE(skf::gf_lookupRegistration("").has_value());
    EXPECT_EQ(skf::gf_operatorOfRegistration(""), "");
    EXPECT_FALSE(skf::gf_lookupRegistration("N123A").has_value());
    EXPECT_FALSE(skf::gf_lookupRegistration("GABC").has_value());

    EXPECT_EQ(skf::gf_findShortRegistrationIn("British Airways E190 G-ABC livery"), "G-ABC");
    EXPECT_FALSE(skf::gf_findShortRegistrationIn("Lufthansa D-AIKA").has_value());
}

TEST_F(Database, CategoriesKnownCodesAndWingspans) {
    install(kSections);
    ASSERT_TRUE(skf::gf_readDbase());
    EXPECT_EQ(skf::gf_modelCategory(model("B752")), SizeCategory::Large); // listed as large and heavy
    EXPECT_EQ(skf::gf_modelCategory(model("B772")), SizeCategory::Heavy);
    EXPECT_EQ(skf::gf_modelCategory(model("GLF6")), SizeCategory::Buzjets);
    EXPECT_EQ(skf::gf_modelCategory(model("EC35")), SizeCategory::Rotorcraft);
    EXPECT_EQ(skf::gf_modelCategory(model("F16")), SizeCategory::HighPerf);
    EXPECT_EQ(skf::gf_modelCategory(model("C172")), SizeCategory::Light);
    EXPECT_EQ(skf::gf_modelCategoryByName("B77W"), SizeCategory::Heavy);
    const auto before = skf::g_modelPool.size();
    EXPECT_EQ(skf::gf_modelCategoryByName("ZZ99"), SizeCategory::Light);
    EXPECT_EQ(skf::g_modelPool.size(), before + 1);

    EXPECT_TRUE(skf::gf_isKnownModelCode("A320"));
    EXPECT_FALSE(skf::gf_isKnownModelCode("ZZ99"));
    EXPECT_FALSE(skf::gf_isKnownModelCode(""));
    EXPECT_TRUE(skf::gf_isKnownAirlineCode("CLH"));
    EXPECT_TRUE(skf::gf_isKnownAirlineCode("GEC") == false);
    EXPECT_FALSE(skf::gf_isKnownAirlineCode(""));

    // A model without a wingspan entry has none, whatever its neighbours have.
    EXPECT_EQ(skf::gf_halfWingspan(model("A321")), 0.0);
    EXPECT_EQ(skf::gf_halfWingspan(model("A20N")), 0.0);
    EXPECT_EQ(skf::gf_halfWingspan(model("NEWT")), 0.0);
    EXPECT_EQ(skf::gf_halfWingspan(2700), 35.0);
    EXPECT_NE(wf.log().find("==> hwsp: 2700 what: "), std::string::npos);
}

TEST_F(Database, SimilarModelsFollowTheInstalledLiveries) {
    install(kSections);
    ASSERT_TRUE(skf::gf_readDbase());
    // Installed: DLH has A320 and A21N, BAW has B772 and B77W.
    const std::set<std::pair<std::uint16_t, std::uint16_t>> installed = {
        {op("DLH"), model("A320")}, {op("DLH"), model("A21N")}, {op("BAW"), model("B772")}, {op("BAW"), model("B77W")}};
    skf::LiveryQueries q;
    q.modelHasLivery = [&](std::uint16_t m) {
        for (const auto& [a, mm] : installed)
            if (mm == m)
                return true;
        return false;
    };
    q.airlinesWithLiveries = [&] { return std::vector<std::uint16_t>{op("BAW"), op("DLH")}; };
    q.hasLiveryForAirlineModel = [&](std::uint16_t a, std::uint16_t m) { return installed.contains({a, m}); };

    EXPECT_TRUE(skf::gf_similarModels(op("DLH"), model("A321")).empty()); // not built yet
    skf::gf_buildSimilarModels(q);
    // A321 -> A320, A20N -> A21N, B772 -> B77W, B77W -> B772; A320 and A21N have no similar model with livery.
    EXPECT_EQ(skf::g_similarModelsWithLiveries.size(), 4u);
    EXPECT_NE(wf.log().find("    4 similar model definitions"), std::string::npos);
    EXPECT_EQ(skf::gf_similarModels(op("DLH"), model("A321")), (std::vector<std::uint16_t>{model("A320")}));
    EXPECT_EQ(skf::gf_similarModels(op("DLH"), model("A20N")), (std::vector<std::uint16_t>{model("A21N")}));
    EXPECT_TRUE(skf::gf_similarModels(op("DLH"), model("B772")).empty()); // DLH has neither
    EXPECT_TRUE(skf::gf_similarModels(op("BAW"), model("B772")).empty()); // BAW has the B772 itself
    EXPECT_TRUE(skf::gf_similarModels(op("KLM"), model("A321")).empty());
    // One 32-bit key: airline in the low half.
    EXPECT_EQ(&skf::gf_similarModels(static_cast<std::uint32_t>(op("DLH")) | (std::uint32_t{model("A321")} << 16)),
              &skf::gf_similarModels(op("DLH"), model("A321")));

    // Without the livery tables nothing counts as installed.
    skf::gf_buildSimilarModels(skf::LiveryQueries{});
    EXPECT_TRUE(skf::g_similarModelsWithLiveries.empty());
    EXPECT_TRUE(skf::gf_similarModels(op("DLH"), model("A321")).empty());
}

TEST_F(Database, PublishersOfPathsAndArchiveEntries) {
    install(kSections);
    ASSERT_TRUE(skf::gf_readDbase());
    EXPECT_EQ(skf::gf_findPublisherInPath("Community/northwind-scenery-egll/scenery"), "Northwind Scenery");
    EXPECT_EQ(skf::gf_findPublisherInPath("Community/BLUEFINSIM-ksfo"), "Bluefin Simworks");
    EXPECT_EQ(skf::gf_findPublisherInPath("Community/x-nws-y"), "Northwind Scenery");
    // The group with empty names matches only its real name, never every path.
    EXPECT_FALSE(skf::gf_findPublisherInPath("Community/someone-else-lfpg").has_value());
    EXPECT_EQ(skf::gf_findPublisherInPath("Community/anonymous-lirf"), "Anonymous");

    EXPECT_TRUE(skf::gf_pathContainsNoCase("a/NorthWind/b", "northwind"));
    EXPECT_TRUE(skf::gf_pathContainsNoCase("a/b", ""));
    EXPECT_FALSE(skf::gf_pathContainsNoCase("a/b", "c"));

    int n = -1;
    EXPECT_TRUE(skf::gf_matchCodeNumberName("Northwind Scenery", "EGLL", n, "EGLL161"));
    EXPECT_EQ(n, 161);
    EXPECT_FALSE(skf::gf_matchCodeNumberName("Northwind Scenery", "EGKK", n, "EGLL161"));
    EXPECT_TRUE(skf::gf_matchCodeNumberName("Northwind Scenery", "EGLL", n, "EGLLx"));
    EXPECT_EQ(n, 161);
    EXPECT_NE(wf.log().find("==> Northwind Scenery EGLL EGLLx invalid number"), std::string::npos);
}

TEST_F(Database, AMissingOrUndecryptableFileThrows) {
    EXPECT_EQ(failure(), "input/dbase.enc not available");
    install(kSections);
    std::string enc = WorkFolder::readFile("input/dbase.enc");
    enc[100] = static_cast<char>(enc[100] ^ 1);
    WorkFolder::writeFile("input/dbase.enc", enc);
    EXPECT_EQ(failure(), "input/dbase.enc could not be decrypted (damaged): moved to input/dbase.enc.bad, it is "
                         "downloaded again at the next start");
    EXPECT_FALSE(fs::exists("input/dbase.xml"));
    EXPECT_FALSE(fs::exists("input/dbase.enc"));
    EXPECT_EQ(WorkFolder::readFile("input/dbase.enc.bad"), enc);
}

TEST_F(Database, AnUnparsableFileFailsTheReadInsteadOfLeavingAnEmptyDatabase) {
    install("<root><aircrafts>");
    EXPECT_FALSE(skf::gf_readDbase());
    EXPECT_FALSE(fs::exists("input/dbase.xml"));
    EXPECT_NE(wf.log().find("==> 'input/dbase.xml' not read because of "), std::string::npos);
    EXPECT_FALSE(skf::gf_readDbaseXml("input/nothing.xml"));
}

TEST_F(Database, StructureErrorsOfRequiredSectionsAreCode61) {
    const std::string full = kSections;
    install("<?xml version=\"1.0\"?><base/>");
    EXPECT_EQ(failure(), "61: XML root missing: root");
    install(lf_without(full, R"(<heavy><hvy types="B772,B77W,B77L,B752"/></heavy>)"));
    EXPECT_EQ(failure(), "61: Missing section: heavy");
    skf::gf_clearDbase();
    install(lf_without(full, R"(<ICAO codes="DLH,BAW"/><ICAO codes="KLM, CLH,EWG"/>)"));
    EXPECT_EQ(failure(), "61: In XML file section [ICAO_airlines], element [ICAO], attribute [codes] is empty.");
    skf::gf_clearDbase();
    // Every aircraft element without a code: one without the attribute, one with only blanks and commas.
    std::string noTypes = full;
    const auto from = noTypes.find("<aircrafts>");
    const auto to = noTypes.find("</aircrafts>");
    noTypes.replace(from, to - from, "<aircrafts><aircraft/><aircraft types=\" , \"/>");
    install(noTypes);
    EXPECT_EQ(failure(), "61: In XML file section [aircrafts], element [aircraft], attribute [types] is empty.");
    EXPECT_FALSE(fs::exists("input/dbase.xml"));
}

TEST_F(Database, OptionalSectionsMayBeMissing) {
    std::string xml = kSections;
    for (const char* section : {"similar_types", "publishers", "wingspans", "fixes", "thirdparties20", "dbase"}) {
        const auto a = xml.find(std::string("<") + section + ">");
        const auto b = xml.find(std::string("</") + section + ">");
        xml.erase(a, b - a + std::string(section).size() + 3);
    }
    install(xml);
    ASSERT_TRUE(skf::gf_readDbase());
    EXPECT_TRUE(skf::g_dbaseRecords.empty());
    EXPECT_TRUE(skf::g_publisherNames.empty());
    EXPECT_EQ(skf::g_maxHalfWingspan, 0.0);
    EXPECT_EQ(skf::gf_halfWingspan(model("A320")), 0.0);
}

TEST_F(Database, TheBundledSampleDatabaseReads) {
    const fs::path enc = fs::path(SKYFILL_BINARY_DIR) / "Skyfill" / "input" / "dbase.enc";
    if (!fs::exists(enc))
        GTEST_SKIP() << "sample data not built";
    fs::create_directories("input");
    fs::copy_file(enc, "input/dbase.enc");
    ASSERT_TRUE(skf::gf_readDbase());
    EXPECT_GE(skf::g_dbaseRecords.size(), 2000u);
    EXPECT_FALSE(skf::g_similarTypes.empty());
    EXPECT_FALSE(skf::g_publisherNames.empty());
    EXPECT_FALSE(skf::g_modelFixes.empty());
    EXPECT_FALSE(skf::g_thirdparties20.empty());
    EXPECT_FALSE(skf::g_thirdparties24.empty());
    EXPECT_GT(skf::g_maxHalfWingspan, 0.02);
    EXPECT_EQ(wf.log().find("==>"), std::string::npos) << wf.log();
    for (const auto& r : skf::g_dbaseRecords) {
        EXPECT_TRUE(skf::gf_isKnownModelCode(skf::gf_modelName(r.model))) << r.registration;
        EXPECT_TRUE(skf::gf_isKnownAirlineCode(skf::gf_operatorName(r.airline))) << r.registration;
    }
}

TEST_F(Database, RecordCodesAreInternedAirlineModelOperatorWhateverTheAttributeOrder) {
    std::string xml = kSections;
    const std::string extra = R"(    <d o="ZZO" c="0" m="ZZM" a="ZZA" r="X-ORDER" c="1"/>
  </dbase>)";
    xml.replace(xml.find("  </dbase>"), std::string("  </dbase>").size(), extra);
    install(xml);
    ASSERT_TRUE(skf::gf_readDbase());
    const auto rec = skf::gf_lookupRegistration("X-ORDER");
    ASSERT_TRUE(rec.has_value());
    EXPECT_EQ(rec->operatorId, rec->airline + 1); // the airline code came first
    EXPECT_EQ(skf::gf_operatorName(rec->airline), "ZZA");
    EXPECT_EQ(skf::gf_modelName(rec->model), "ZZM");
    EXPECT_FALSE(rec->cargo); // the first of two equal attributes counts
}

// Codes of one character are codes like any other; a missing code is the empty one.
TEST_F(Database, OneCharacterCodesAndMissingCodesKeepTheirText) {
    std::string xml = kSections;
    const std::string extra = R"(    <d r="X-ONE" a="Q" m="Z"/>
    <d r="X-EIGHT" a="ABCDEFGH" m="ABCDEFGHI" o=""/>
  </dbase>)";
    xml.replace(xml.find("  </dbase>"), std::string("  </dbase>").size(), extra);
    install(xml);
    ASSERT_TRUE(skf::gf_readDbase());
    const auto one = skf::gf_lookupRegistration("X-ONE");
    ASSERT_TRUE(one.has_value());
    EXPECT_EQ(skf::gf_operatorName(one->airline), "Q");
    EXPECT_EQ(skf::gf_modelName(one->model), "Z");
    EXPECT_EQ(skf::gf_operatorName(one->operatorId), "");
    const auto eight = skf::gf_lookupRegistration("X-EIGHT");
    ASSERT_TRUE(eight.has_value());
    EXPECT_EQ(skf::gf_operatorName(eight->airline), "ABCDEFGH");
    EXPECT_EQ(skf::gf_modelName(eight->model), "ABCDEFGHI");
    EXPECT_EQ(eight->operatorId, one->operatorId);
}

// Emptying the database (before a new read) leaves no code of the old one known.
TEST_F(Database, AnEmptiedDatabaseKnowsNoCodeOfTheOldOne) {
    install(kSections);
    ASSERT_TRUE(skf::gf_readDbase());
    ASSERT_TRUE(skf::gf_isKnownAirlineCode("DLH"));
    ASSERT_TRUE(skf::gf_isKnownModelCode("A320"));
    skf::gf_clearDbase();
    EXPECT_FALSE(skf::gf_isKnownAirlineCode("DLH"));
    EXPECT_FALSE(skf::gf_isKnownModelCode("A320"));
    EXPECT_FALSE(skf::gf_lookupRegistration("D-AIKA").has_value());
}

TEST_F(Database, ManyRegistrationsOfEveryLengthAreSortedAndTheFirstOfEqualOnesIsKept) {
    // Registrations of 1 to 20 characters, many sharing their first 8 or 16 bytes, in a scrambled
    // order, each twice: first with airline DLH, then with BAW.
    std::vector<std::string> regs;
    const std::string stems[] = {"D", "DAIK", "D-AIKABC", "D-AIKABCDEFGHIJK", "N1", "G-ABCDEF"};
    for (const std::string& stem : stems)
        for (const char* tail : {"", "A", "B", "AA", "9", "-X", "ZZZZ"})
            regs.push_back(stem + tail);
    std::vector<std::string> order = regs;
    for (std::size_t i = 0; i < order.size(); ++i) // a fixed scramble
        std::swap(order[i], order[(i * 17 + 5) % order.size()]);
    std::string records;
    for (const char* airline : {"DLH", "BAW"})
        for (const std::string& r : order)
            records += "    <d r=\"" + r + "\" a=\"" + airline + "\" m=\"A320\"/>\n";
    std::string xml = kSections;
    const auto from = xml.find("  <dbase>");
    const auto to = xml.find("  </dbase>");
    xml.replace(from, to - from, "  <dbase>\n" + records);
    install(xml);
    ASSERT_TRUE(skf::gf_readDbase());

    std::set<std::string> expected(regs.begin(), regs.end());
    ASSERT_EQ(skf::g_dbaseRecords.size(), expected.size());
    std::size_t i = 0;
    for (const std::string& r : expected) {
        EXPECT_EQ(skf::g_dbaseRecords[i].registration, r);
        EXPECT_EQ(skf::g_dbaseRecords[i].airline, op("DLH")) << r;
        ++i;
    }
    EXPECT_NE(wf.log().find(std::to_string(expected.size()) + " dbase records read"), std::string::npos);
}

// A large database: its records are read by a few threads at once.
using DatabaseConcurrent = Database;

TEST_F(DatabaseConcurrent, ALargeDatabaseReadsEveryRegistrationOnceInOrder) {
    const auto data = skf::datagen::gf_generateData(120000);
    install(data.dbaseXml);
    ASSERT_TRUE(skf::gf_readDbase());
    EXPECT_FALSE(fs::exists("input/dbase.xml"));
    const std::set<std::string> expected(data.registrations.begin(), data.registrations.end());
    ASSERT_EQ(skf::g_dbaseRecords.size(), expected.size());
    std::size_t i = 0;
    for (const std::string& r : expected)
        ASSERT_EQ(skf::g_dbaseRecords[i++].registration, r);
    for (const auto& r : skf::g_dbaseRecords) {
        ASSERT_TRUE(skf::gf_isKnownModelCode(skf::gf_modelName(r.model))) << r.registration;
        ASSERT_EQ(skf::gf_lookupRegistration(r.registration)->airline, r.airline);
    }
}

TEST(DbaseSort, OfARepeatedRegistrationTheFilesFirstRecordStaysSortedOrNot) {
    const std::vector<std::vector<std::pair<const char*, std::uint16_t>>> files{
        {{"D-AAAA", 1}, {"PH-BXA", 2}, {"PH-BXA", 3}, {"ZS-SAA", 4}},  // already sorted
        {{"ZS-SAA", 4}, {"PH-BXA", 2}, {"D-AAAA", 1}, {"PH-BXA", 3}}}; // not sorted
    for (const auto& file : files) {
        skf::g_dbaseRecords.clear();
        for (const auto& [registration, airline] : file)
            skf::g_dbaseRecords.push_back(skf::DbaseRecord{registration, airline, 0, 0, false});
        skf::lf_sortDbaseRecords();
        ASSERT_EQ(skf::g_dbaseRecords.size(), 3u);
        EXPECT_EQ(skf::g_dbaseRecords[0].registration, "D-AAAA");
        EXPECT_EQ(skf::g_dbaseRecords[1].registration, "PH-BXA");
        EXPECT_EQ(skf::g_dbaseRecords[1].airline, 2u);
        EXPECT_EQ(skf::g_dbaseRecords[2].registration, "ZS-SAA");
    }
    skf::g_dbaseRecords.clear();
}

// The bundled sample database serves a real feed: it is the data maker's output (made again byte for byte),
// and it knows, with their size category and wingspan, the common type designators that real feeds carry and
// every type that the sample stand files name (an unknown type is dropped at intake, or counts as Light).
TEST_F(Database, TheSampleKnowsTheCommonTypesOfARealFeedAndOfTheSampleStands) {
    const fs::path sample = fs::path(SKYFILL_SOURCE_DIR) / "sample";
    const std::string made = skf::datagen::gf_generateData(3000).dbaseXml;
    ASSERT_EQ(WorkFolder::readFile(sample / "dbase.xml"), made) << "sample/dbase.xml is not the data maker's output";
    install(made);
    ASSERT_TRUE(skf::gf_readDbase());
    EXPECT_GE(skf::g_modelCodes.size(), 400u);

    const std::vector<std::pair<const char*, SizeCategory>> types{
        {"E75L", SizeCategory::Large},      {"E75S", SizeCategory::Large},      {"E135", SizeCategory::Large},
        {"CRJ9", SizeCategory::Large},      {"B38M", SizeCategory::Large},      {"A21N", SizeCategory::Large},
        {"BCS3", SizeCategory::Large},      {"MD83", SizeCategory::Large},      {"B77L", SizeCategory::Heavy},
        {"B744", SizeCategory::Heavy},      {"A333", SizeCategory::Heavy},      {"B789", SizeCategory::Heavy},
        {"P28A", SizeCategory::Light},      {"C152", SizeCategory::Light},      {"SR20", SizeCategory::Light},
        {"DA40", SizeCategory::Light},      {"BE20", SizeCategory::Light},      {"B350", SizeCategory::Light},
        {"C208", SizeCategory::Light},      {"PC12", SizeCategory::Light},      {"AT76", SizeCategory::Light},
        {"DH8D", SizeCategory::Light},      {"C25B", SizeCategory::Buzjets},    {"CL30", SizeCategory::Buzjets},
        {"GLF6", SizeCategory::Buzjets},    {"E55P", SizeCategory::Buzjets},    {"PC24", SizeCategory::Buzjets},
        {"A139", SizeCategory::Rotorcraft}, {"EC45", SizeCategory::Rotorcraft}, {"R44", SizeCategory::Rotorcraft},
        {"S76", SizeCategory::Rotorcraft},  {"F18S", SizeCategory::HighPerf},   {"EUFI", SizeCategory::HighPerf},
    };
    for (const auto& [code, category] : types) {
        EXPECT_TRUE(skf::gf_isKnownModelCode(code)) << code;
        EXPECT_EQ(skf::gf_modelCategoryByName(code), category) << code;
        EXPECT_GT(skf::gf_halfWingspan(model(code)), 0.0) << code;
    }

    // Every type of every sample stand file; the helicopter pads' types are helicopters.
    int options = 0;
    for (const auto& entry : fs::recursive_directory_iterator(sample)) {
        if (entry.path().extension() != ".xml" || entry.path().parent_path().filename() == "sample")
            continue;
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_file(entry.path().c_str())) << entry.path();
        for (const auto& stand : doc.child("root").child("parkpositions").children("parkpos")) {
            const bool heli = stand.attribute("heli").as_bool();
            for (const auto& opt : stand.children("opt")) {
                const std::string type = opt.attribute("type").value();
                ++options;
                EXPECT_TRUE(skf::gf_isKnownModelCode(type)) << entry.path() << " " << stand.attribute("id").value();
                if (heli) {
                    EXPECT_EQ(skf::gf_modelCategoryByName(type), SizeCategory::Rotorcraft) << entry.path() << type;
                }
            }
        }
    }
    EXPECT_GT(options, 1000);
}
