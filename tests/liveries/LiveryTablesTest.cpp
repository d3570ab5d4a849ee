// The livery tables built at start-up: summary lines, category settings, registration-code merging and its
// reports, the second start-up, and what a clearing forgets.
#include "core/settings/Catalogue.h"
#include "data/DbaseLookups.h"
#include "liveries/LiveryTables.h"
#include "liveries/LiveryTablesInternal.h"
#include "LiveryWorld.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class LiveryTablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (skf::CheckBoxParameter* p : {&skf::LIGHT_AIRCRAFT, &skf::HIGH_PERF_AIRCRAFT, &skf::HELICOPTERS})
            p->set(true);
    }
    skf::test::LiveryWorld world{"livery_tables"};
    std::string log() const { return world.log(); }
    bool logged(const std::string& line) const { return log().find(line) != std::string::npos; }
};

TEST_F(LiveryTablesTest, SummaryOfTheWorld) {
    skf::gf_processScannedLiveries();
    for (const char* line :
         {"   12 liveries read from output/LiveriesScanned.xml\n", "    4 liveries read from AIG-regcodes.xml\n",
          "    2 liveries read from input/my_regcodes/mine.txt\n", "    3 special liveries\n",
          "    1 unique liveries\n", "    8 registration codes\n",
          "    8 airlines, 6 pax aircraft models and 2 cargo aircraft models\n",
          "Category Light: 3 pax liveries and 1 cargo liverie\n  C172,C182\n",
          "Category Buzjets: 1 pax liverie\n  CL35\n", "Category Large: 4 pax liveries\n  A320\n",
          "Category Heavy: 1 pax liverie and 1 cargo liverie\n  B744\n", "Category HighPerf: No livery found\n",
          "HIGH_PERF_AIRCRAFT temporarily switched off because you do not have High Perf aircraft "
          "installed\n",
          "Category Rotorcraft: 1 pax liverie\n  B06\n", "2 models have a generic livery\n  A320,C172\n"})
        EXPECT_TRUE(logged(line)) << line;
    EXPECT_EQ(skf::g_mainWindow.liveryCount.load(), 12u);
    EXPECT_TRUE(skf::g_liveries.empty());
    EXPECT_TRUE(skf::g_liveriesProcessed);
    EXPECT_FALSE(skf::HIGH_PERF_AIRCRAFT.value());
    EXPECT_TRUE(skf::LIGHT_AIRCRAFT.value());
    EXPECT_EQ(skf::g_lightModelPool,
              (std::vector<std::uint16_t>{skf::gf_internModel("C172"), skf::gf_internModel("C182")}));
    EXPECT_FALSE(fs::exists("input/AIG-regcodes.xml")); // the plain list does not stay
    // Liveries without airline are found under airline id 0.
    EXPECT_TRUE(skf::gf_hasLiveryForAirlineModel(0, skf::gf_internModel("C182")));
    EXPECT_FALSE(skf::gf_hasLiveryForAirlineModel(skf::gf_internOperator("KLM"), skf::gf_internModel("A321")));
    // The similar-model tables of the database were asked through the livery queries.
    EXPECT_EQ(skf::gf_similarModels(skf::gf_internOperator("KLM"), skf::gf_internModel("A321")),
              (std::vector<std::uint16_t>{skf::gf_internModel("A320")}));
}

TEST_F(LiveryTablesTest, NoLightLiverySwitchesTheSettingOffUntilTheUserTurnsItOn) {
    world.writeFile("output/LiveriesScanned.xml", R"(<root><liveries><l a="KLM" m="A320" t="x"/></liveries></root>)");
    skf::gf_processScannedLiveries();
    EXPECT_TRUE(logged("Category Light: No livery found\n"));
    EXPECT_TRUE(logged("LIGHT_AIRCRAFT temporarily switched off because you do not have light aircraft installed\n"));
    EXPECT_TRUE(logged("HELICOPTERS temporarily switched off because you do not have Helicopters installed"));
    EXPECT_TRUE(logged("No generic liveries\n"));
    EXPECT_FALSE(skf::LIGHT_AIRCRAFT.value());

    // A later build with a Light livery enables the box but leaves the setting off.
    skf::gf_clearLiveryTables();
    skf::g_liveriesProcessed = false;
    world.writeFile("output/LiveriesScanned.xml", skf::test::kWorldLiveries);
    skf::gf_processScannedLiveries();
    EXPECT_FALSE(skf::LIGHT_AIRCRAFT.value());
}

TEST_F(LiveryTablesTest, FortyFiveModelsAreLoggedTwentyALine) {
    std::vector<std::uint16_t> ids;
    std::vector<std::string> codes;
    for (int i = 0; i < 45; ++i) {
        codes.push_back(fmt::format("M{:03}", i));
        ids.push_back(skf::gf_internModel(codes.back()));
    }
    skf::lf_logCategoryModels(false, true, false, ids);
    const auto line = [&](int from, int to) {
        std::string s = "  ";
        for (int i = from; i < to; ++i)
            s += codes[static_cast<std::size_t>(i)] + (i + 1 < to ? "," : "\n");
        return s;
    };
    EXPECT_TRUE(logged(line(0, 20) + line(20, 40) + line(40, 45))) << log();
    EXPECT_EQ(skf::g_buzjetModelPool, ids);
}

TEST_F(LiveryTablesTest, SecondStartUpSkipsTheBuildUntilTheTablesAreCleared) {
    skf::gf_processScannedLiveries();
    skf::g_liveries.push_back({"left over", "", 0, 0, 0, false});
    skf::gf_processScannedLiveries();
    EXPECT_TRUE(logged("Processing scanned liveries skipped; already done in previous start-up\n"));
    EXPECT_TRUE(skf::g_liveries.empty());
    EXPECT_EQ(skf::g_regcodeTitles.size(), 8u);

    // Everything here that points into the title store is forgotten first (the engine's views: its
    // LiveryViews test).
    skf::g_liveryTitleById[10001] = skf::lf_storedTitle("DLH A320");
    skf::gf_clearLiveryTables();
    EXPECT_TRUE(skf::g_liveryTitleById.empty());
    EXPECT_TRUE(skf::g_liveriesByAirlineModel.empty());
    EXPECT_TRUE(skf::lf_storedTitle("DLH A320").empty());

    skf::g_liveriesProcessed = false;
    skf::gf_processScannedLiveries();
    EXPECT_EQ(skf::g_regcodeTitles.size(), 8u);
}

TEST_F(LiveryTablesTest, RefusedTitlesOutliveARebuild) {
    skf::gf_processScannedLiveries();
    skf::FlightRecord r;
    r.liveryTitle = skf::lf_storedTitle("KLM A320 Blue");
    skf::gf_reportLiveryNotCreated(r);
    skf::gf_clearLiveryTables();
    skf::g_liveriesProcessed = false;
    skf::gf_processScannedLiveries(); // the store is built anew: the refused title is its own copy
    EXPECT_TRUE(skf::gf_isFailedLiveryTitle("KLM A320 Blue"));
    EXPECT_FALSE(skf::gf_isFailedLiveryTitle("KLM A320"));
}

TEST_F(LiveryTablesTest, RegistrationCodeSources) {
    struct Case {
        const char* what;
        const char* userFile;
        const char* code;
        const char* title; // nullptr: no code
        bool special;
        bool unique;
        std::vector<std::string> logLines;
        const char* offlineLine = nullptr; // of OfflineRegcodes.txt
    };
    const std::vector<Case> cases{
        {"one code: special and unique", "Generic C172;N172G\n", "N172G", "Generic C172", true, true, {}},
        {"two codes and #: special, not unique", "Generic C172;N1G,N2G;#\n", "N2G", "Generic C172", true, false, {}},
        {"two codes and another third field", "Generic C172;N1G,N2G;x\n", "N1G", "Generic C172", false, false, {}},
        {"a single code of 2 characters",
         "Generic C172;N1\n",
         "N1",
         nullptr,
         false,
         false,
         {"==> wrong regcode length 'N1' in input/my_regcodes/u.TXT"}},
        {"13 characters beside a good code",
         "Generic C172;N1G,ABCDEFGHIJKLM\n",
         "N1G",
         "Generic C172",
         false,
         false,
         {"==> wrong regcode length 'ABCDEFGHIJKLM' in input/my_regcodes/u.TXT",
          "There were errors processing the regcode files in folder 'input/my_regcodes', see Log.txt"}},
        {"a line of five characters", "ABCDE\n", "ABCDE", nullptr, false, false, {}},
        {"user's title wins over AIG",
         "DLH A320;PH-AIG\n",
         "PH-AIG",
         "DLH A320",
         true,
         true,
         {},
         "Processing files in input/my_regcodes\n"
         "   regcode PH-AIG for 'DLH A320', instead of the same for 'KLM A320 Blue'\n"
         "0 new regcodes added, 1 regcode replaced, 1 regcode defined as special\n"},
        {"not a scanned title", "Some Other;N9ZZ\n", "N9ZZ", nullptr, false, false, {}},
    };
    for (const Case& c : cases) {
        skf::gf_clearLiveryTables();
        skf::g_liveriesProcessed = false;
        fs::remove_all("input/my_regcodes");
        world.writeFile("input/my_regcodes/u.TXT", c.userFile);
        skf::gf_processScannedLiveries();
        const auto found = skf::g_regcodeTitles.find(std::string_view(c.code));
        if (c.title) {
            ASSERT_NE(found, skf::g_regcodeTitles.end()) << c.what;
            EXPECT_EQ(found->second, c.title) << c.what;
        } else {
            EXPECT_EQ(found, skf::g_regcodeTitles.end()) << c.what;
        }
        EXPECT_EQ(skf::g_specialRegcodes.contains(c.code), c.special) << c.what;
        EXPECT_EQ(skf::g_uniqueRegcodes.contains(c.code), c.unique) << c.what;
        for (const std::string& line : c.logLines)
            EXPECT_TRUE(logged(line)) << c.what << ": " << line;
        if (c.offlineLine) {
            const std::string offline = skf::test::readBytes("output/info/OfflineRegcodes.txt");
            EXPECT_NE(offline.find(c.offlineLine), std::string::npos) << c.what << ": " << offline;
        }
    }
}

TEST_F(LiveryTablesTest, AigListDuplicatesAndInlineClashes) {
    world.writeFile("input/aig.xml", R"(<root><meta><info name="copyright" value="c"/><info name="sim" value="1"/>
      </meta><aig><l t="DLH A320" r="D-AAA"/><l t="DLH A320" r="D-AAB"/><l t="DLH B744"/><l t="DLH A320" r="D-AAC"/>
      </aig></root>)");
    skf::gf_streamEncrypt(skf::g_dataKey, "input/aig.xml", "input/AIG-regcodes.enc");
    world.writeFile("output/LiveriesScanned.xml", R"(<root><liveries>
      <l a="KLM" m="A320" t="First" r="PH-SAME"/><l a="KLM" m="A320" t="Second" r="PH-SAME"/>
      <l a="DLH" m="A320" t="DLH A320"/></liveries></root>)");
    skf::gf_processScannedLiveries();
    EXPECT_TRUE(logged("==> Duplicate title 'DLH A320' (same as previous)\n"));
    EXPECT_TRUE(skf::g_regcodeTitles.contains(std::string_view("D-AAA")));
    EXPECT_FALSE(skf::g_regcodeTitles.contains(std::string_view("D-AAB")));
    EXPECT_TRUE(skf::g_regcodeTitles.contains(std::string_view("D-AAC"))); // further apart: accepted
    EXPECT_EQ(skf::g_regcodeTitles.at("PH-SAME"), "First");
    EXPECT_EQ(skf::test::readBytes("output/errors/InlineRegcodes.txt"),
              "PH-SAME 'Second' => already in use by 'First'\n");
    EXPECT_TRUE(logged("    1 in-line regcode clashes, see 'output/errors/InlineRegcodes.txt'\n"));
    const std::string offline = skf::test::readBytes("output/info/OfflineRegcodes.txt");
    EXPECT_NE(offline.find("There were errors processing the AIG-regcode file 'input/AIG-regcodes.xml', see Log.txt"),
              std::string::npos);
}

TEST_F(LiveryTablesTest, DontUseTitles) {
    skf::g_dontUseTitles.clear();
    world.writeFile("input/my_regcodes/mine.txt", "Old Paint Title\nOther Old;;\nShort\nGood;ABC123\n");
    ASSERT_TRUE(skf::gf_streamDecrypt(skf::g_aigRegcodesEncPath, skf::g_aigRegcodesXmlPath));
    skf::lf_readDontUseTitlesAig();
    skf::lf_readDontUseTitlesUser();
    EXPECT_EQ(skf::g_dontUseTitles, (std::vector<std::string>{"Retired Paint", "Old Paint Title", "Other Old"}));
    EXPECT_TRUE(logged("    1 don't use title read\n"));
    EXPECT_TRUE(logged("    2 don't use titles read from files in input/my_regcodes\n"));
}

} // namespace

namespace {

TEST_F(LiveryTablesTest, AnErrorInTheRegcodeFilesKeepsWhatWasMerged) {
    fs::remove_all("input/my_regcodes");
    world.writeFile("input/my_regcodes", "a file where the folder should be");
    skf::gf_processScannedLiveries();
    EXPECT_TRUE(logged("==> exception: ")) << log();
    EXPECT_TRUE(skf::g_regcodeTitles.contains(std::string_view("PH-AIG"))); // the AIG list's codes stay
    EXPECT_FALSE(fs::exists("input/AIG-regcodes.xml"));
}

} // namespace
