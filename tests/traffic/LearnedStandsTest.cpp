// The learned stand file: what is written, where, and that it is read and merged again.
#include "traffic/LearnedStands.h"

#include <filesystem>

#include "core/settings/ProgramPaths.h"
#include "data/apf/ApfLearned.h"
#include "data/apf/ParkApf.h"
#include "traffic/Stands.h"
#include "traffic/TrafficFixture.h"

namespace skf::test {
namespace {

class LearnedStandsTest : public TrafficTest {
protected:
    void SetUp() override {
        TrafficTest::SetUp();
        g_parkAirport.icao = IcaoCode("EHAM");
        g_parkApfInfo = ParkApfInfo{"Schiphol", "My Publisher", -11};
        g_handmadeApf = false;
        g_learnedApfPath = g_learnedFolder / "thirdparty" / "My Publisher" / "EHAM.xml";
    }
    void TearDown() override { TrafficTest::TearDown(); }
    // A1: schedule options only; A2: a learned option and a disabled one; A3: radius learned; A4: manual.
    static std::vector<Stand> table() {
        std::vector<Stand> stands = {
            makeStand("A1", 0.0, 30.0, {makeOpt("KLM", "B738", "PH-BXA", "KLM1", "", 1, {10})}),
            makeStand("A2", 100.0, 30.0,
                      {makeOpt("KLM", "B789", "PH-BHA", "KLM2", "KLM3", 2, {20, 21}, 0),
                       makeOpt("DLH", "A333", "D-AIKA", "DLH4", "", 2, {5}, 0)}),
            makeStand("A3", 200.0, 30.0),
            makeStand("A4", 300.0, 30.0),
        };
        numberStands(stands);
        stands[1].options[1].number = 0; // disabled by a placement pass
        stands[2].radius = 12.0 / 1852.0;
        stands[2].radiusChanged = true;
        stands[3].manual = true;
        return stands;
    }
};

TEST_F(LearnedStandsTest, OnlyLearnedOptionsAndChangedStandsAreWritten) {
    struct Case {
        bool handmade;
        std::vector<std::string> ids;
        std::size_t optionsOfA2;
    };
    for (const Case& c : {Case{false, {"A2", "A3", "A4"}, 1}, Case{true, {"A1", "A2", "A3", "A4"}, 2}}) {
        g_handmadeApf = c.handmade;
        const Apf apf = lf_learnedApf(table());
        std::vector<std::string> ids;
        for (const Stand& s : apf.stands)
            ids.push_back(s.id);
        EXPECT_EQ(ids, c.ids);
        EXPECT_EQ(apf.stands[c.handmade ? 1 : 0].options.size(), c.optionsOfA2);
        EXPECT_EQ(apf.icao, IcaoCode("EHAM"));
        if (c.handmade) {
            EXPECT_NE(apf.Qf_real, 0);
        }
    }
}

TEST_F(LearnedStandsTest, WrittenUnderThePublishersFolderAndMergedAtTheNextVisit) {
    g_stands = table();
    g_learnedUpdates = 3;
    ASSERT_TRUE(lf_saveLearnedStands());
    ASSERT_TRUE(std::filesystem::exists(g_learnedApfPath));
    EXPECT_NE(log().find("' saved with 3 updates"), std::string::npos);
    const std::string text = WorkFolder::readFile(g_learnedApfPath);
    EXPECT_NE(text.find("PH-BHA"), std::string::npos);
    EXPECT_EQ(text.find("PH-BXA"), std::string::npos); // schedule option
    EXPECT_EQ(text.find("D-AIKA"), std::string::npos); // disabled option

    // The next visit: the airport file's stands without what was learned.
    std::vector<Stand> fresh = {makeStand("A1", 0.0, 30.0), makeStand("A2", 100.0, 30.0), makeStand("A3", 200.0, 30.0)};
    numberStands(fresh);
    g_stands = fresh;
    lf_readLearned(g_learnedApfPath, g_parkApfInfo);
    const auto a2 = std::find_if(g_stands.begin(), g_stands.end(), [](const Stand& s) { return s.id == "A2"; });
    ASSERT_NE(a2, g_stands.end());
    ASSERT_EQ(a2->options.size(), 1U);
    EXPECT_EQ(a2->options[0].registration, "PH-BHA");
    EXPECT_EQ(a2->options[0].callsign2, "KLM3");
    EXPECT_TRUE(a2->options[0].halfHours.test(21));
    const auto a3 = std::find_if(g_stands.begin(), g_stands.end(), [](const Stand& s) { return s.id == "A3"; });
    ASSERT_NE(a3, g_stands.end());
    EXPECT_NEAR(a3->radius * 1852.0, 12.0, 0.06);
}

TEST_F(LearnedStandsTest, AFailedWriteIsLoggedAndNoPathWritesNothing) {
    g_stands = table();
    WorkFolder::writeFile(g_learnedFolder / "thirdparty", "a file where the folder should be");
    EXPECT_FALSE(lf_saveLearnedStands());
    EXPECT_NE(log().find("EHAM.xml' did not succeed"), std::string::npos);
    g_learnedApfPath.clear();
    EXPECT_FALSE(lf_saveLearnedStands());
}

} // namespace
} // namespace skf::test
