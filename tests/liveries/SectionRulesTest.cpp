// The livery rules of one [fltsim.N] section, general and IVAO MTL, as a table of real section shapes.
#include "LiveryTestSupport.h"
#include "data/StringPool.h"
#include "liveries/Regcodes.h"
#include "liveries/ScanReports.h"
#include "liveries/SectionRules.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace skf;

namespace {

struct RuleCase {
    const char* what;
    const char* model;
    std::vector<std::string> lines;
    const char* airline; // nullptr: no livery
    const char* regcode;
    bool cargo;
    std::size_t reportLines; // incomplete-section and invalid-airline lines
};

class SectionRules : public ::testing::Test {
protected:
    void SetUp() override {
        lf_clearScanCollections();
        g_dontUseTitles = {"Do not use me"};
        lf_indexDontUseTitles();
    }
    void TearDown() override { lf_clearScanCollections(); }
    static std::size_t reportLines() {
        const ScanFindings f = lf_scanFindings();
        return f.incompleteSections.size() + f.invalidAirline.size();
    }
    test::ScanFolder work;
};

TEST_F(SectionRules, GeneralSections) {
    const RuleCase cases[] = {
        {"4-letter code ending in X", "B738", {"[fltsim.0]", "title=a", "icao_airline=KLMX"}, "KLM", "", false, 0},
        {"cargo parking",
         "B738",
         {"[fltsim.0]", "title=b", "icao_airline=KLMC", "atc_parking_types=cargo"},
         "KLM",
         "",
         true,
         0},
        {"cargo and gate",
         "B738",
         {"[fltsim.0]", "title=c", "icao_airline=KLM", "atc_parking_types=CARGO , GATE"},
         "KLM",
         "",
         false,
         0},
        {"RFO", "B738", {"[fltsim.0]", "title=d", "icao_airline=RFO"}, nullptr, "", false, 0},
        {"light without airline", "C172", {"[fltsim.0]", "title=club plane"}, "PVT", "", false, 1},
        {"light with unknown registration",
         "C172",
         {"[fltsim.0]", "title=e", "atc_id=QX-QQQQ"},
         "PVT",
         "QX-QQQQ",
         false,
         1},
        {"heavy with a known registration",
         "B77W",
         {"[fltsim.0]", "title=f", "atc_id=G-MRIE"},
         "BAW",
         "G-MRIE",
         false,
         1},
        {"heavy without anything", "B77W", {"[fltsim.0]", "title=g"}, nullptr, "", false, 2},
        {"stub", "B738", {"[fltsim.0]", "title=KLM-STUB", "icao_airline=KLM", "atc_id=PH-BXA"}, "ZZZ", "", false, 0},
        {"registration before a ';'",
         "B738",
         {"[fltsim.0]", "title=h", "icao_airline=KLM", "atc_id=PH-BXA;PH-BXB"},
         "KLM",
         "PH-BXA",
         false,
         0},
        {"two registrations",
         "B738",
         {"[fltsim.0]", "title=i", "icao_airline=KLM", "atc_id=PH-BXA, PH-BXB"},
         "KLM",
         "",
         false,
         0},
        {"registration too long",
         "B738",
         {"[fltsim.0]", "title=j", "icao_airline=KLM", "atc_id=PH-BXAAAAAAAAAA"},
         "KLM",
         "",
         false,
         1},
        {"don't-use title", "B738", {"[fltsim.0]", "title=Do not use me", "icao_airline=KLM"}, nullptr, "", false, 0},
        {"Fenix title", "B738", {"[fltsim.0]", "icao_airline=KLM", "title=FenixA320 KLM"}, nullptr, "", false, 0},
        {"title twice", "B738", {"[fltsim.0]", "title=k", "icao_airline=KLM", "title=l"}, nullptr, "", false, 1},
        {"commented airline twice",
         "B738",
         {"[fltsim.0]", "title=m", "icao_airline=KLM", "//icao_airline=DLH", "x=1"},
         nullptr,
         "",
         false,
         1},
        {"trailing comment lines",
         "B738",
         {"[fltsim.0]", "title=n", "icao_airline=KLM", "//icao_airline=DLH", ""},
         "KLM",
         "",
         false,
         0},
    };
    for (const RuleCase& c : cases) {
        lf_clearScanCollections();
        g_dontUseTitles = {"Do not use me"};
        lf_indexDontUseTitles();
        std::vector<std::string> lines = c.lines;
        const auto result = lf_procesFltSimSection(3, lines, c.model, "p/x/aircraft.cfg", "p/x");
        EXPECT_EQ(reportLines(), c.reportLines) << c.what;
        if (!c.airline) {
            EXPECT_TRUE(!result || !result->makesLivery) << c.what;
            continue;
        }
        ASSERT_TRUE(result && result->makesLivery) << c.what;
        EXPECT_EQ(gf_operatorName(result->livery.airline), c.airline) << c.what;
        EXPECT_EQ(gf_modelName(result->livery.model), c.model) << c.what;
        EXPECT_EQ(result->livery.regcode, c.regcode) << c.what;
        EXPECT_EQ(result->livery.cargo, c.cargo) << c.what;
        EXPECT_EQ(result->livery.priority, 3) << c.what;
    }
}

TEST_F(SectionRules, IvaoSectionsTakeTheAirlineFromTheTitle) {
    const fs::path plain = work.path() / "IVAO_B738";
    const fs::path wFolder = work.path() / "IVAO_B738WLfa";
    fs::create_directories(plain / "texture.KLM");
    fs::create_directories(wFolder / "texture.KLM");
    const struct {
        fs::path folder;
        const char* title;
        const char* airline;
    } cases[] = {
        {plain, "B738 KLM", "KLM"},      {plain, "b738KLM 2", "KLM"},      {plain, "B738 klm", nullptr},
        {wFolder, "B738W KLM 3", "KLM"}, {wFolder, "B738 KLM 4", nullptr}, {plain, "Boeing KLM", nullptr},
        {plain, "B738 QQQ", nullptr},
    };
    for (const auto& c : cases) {
        std::vector<std::string> lines{"[fltsim.0]", std::string("title=") + c.title, "texture=KLM"};
        const auto result = lf_procesIvaoFltSimSection(1, lines, "B738", c.folder / "aircraft.cfg", c.folder);
        if (c.airline) {
            ASSERT_TRUE(result) << c.title;
            EXPECT_EQ(gf_operatorName(result->livery.airline), c.airline) << c.title;
            EXPECT_FALSE(result->livery.cargo);
        } else {
            EXPECT_FALSE(result) << c.title;
        }
    }
    std::vector<std::string> noTexture{"[fltsim.0]", "title=B738 KLM 5"};
    EXPECT_FALSE(lf_procesIvaoFltSimSection(1, noTexture, "B738", plain / "aircraft.cfg", plain));
    const ScanFindings f = lf_scanFindings();
    EXPECT_EQ(f.invalidAirline.size(), 2u); // QQQ, and klm as written
    EXPECT_EQ(f.incompleteSections.size(), 3u);
}

// The first file (in walk order) that makes a title keeps it; the later one is reported.
TEST_F(SectionRules, TitlesAreClaimedOnce) {
    std::vector<std::string> lines{"[fltsim.0]", "title=same", "icao_airline=KLM"};
    auto first = lf_procesFltSimSection(1, lines, "B738", "a/aircraft.cfg", "a");
    auto second = lf_procesFltSimSection(2, lines, "B738", "b/aircraft.cfg", "b");
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(lf_claimScannedTitle(*first));
    EXPECT_FALSE(lf_claimScannedTitle(*second));
    EXPECT_EQ(lf_scanFindings().incompleteSections,
              std::vector<std::string>{"b [fltsim.0] title 'same' already exists"});
}

} // namespace
