// The walk of one package folder: where it descends, which files it reads, how lines cut sections; and the
// removal of a previous scan's reports.
#include "LiveryTestSupport.h"
#include "data/StringPool.h"
#include "liveries/FolderWalk.h"
#include "liveries/ScanReports.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace skf;

namespace {

std::vector<std::string> titlesOf(const LiveryList& list) {
    std::vector<std::string> titles;
    for (const LiveryData& l : list)
        titles.push_back(l.title);
    return titles;
}

class FolderWalk : public ::testing::Test {
protected:
    void SetUp() override {
        lf_clearScanCollections();
        g_liveries.clear();
    }
    void TearDown() override {
        lf_clearScanCollections();
        g_liveries.clear();
    }
    void cfg(const fs::path& relative, const std::string& title, const std::string& extra = "") const {
        work.write(relative, "[General]\nicao_type_designator=B738\n[fltsim.0]\ntitle=" + title + "\n" + extra +
                                 "icao_airline=KLM\n");
    }
    test::ScanFolder work;
};

TEST_F(FolderWalk, WhereTheWalkDescendsAndWhatItReads) {
    cfg("my-airport-pack/aircraft.cfg", "top of a stop-word package");
    cfg("my-airport-pack/sub/aircraft.cfg", "below a stop-word package");
    cfg("pkg/b/AIRCRAFT.CFG", "upper case");
    cfg("pkg/a/Aircraft.Cfg", "mixed case");
    cfg("pkg/c/aircraft.cfg.bak", "backup");
    cfg("pkg/c/aircraft_old.cfg", "old");
    cfg("pkg/d/navigraph-data/aircraft.cfg", "below a stop word");
    cfg("pkg/" + std::string(248, 'x') + "/deep/aircraft.cfg", "below a long path"); // 250 bytes and more
    fs::create_directories(work.path() / "pkg/link");
    fs::create_directory_symlink(work.path() / "pkg", work.path() / "pkg/link/loop"); // ends at the path bound
    lf_searchLiveryFolder(1, "my-airport-pack");
    lf_searchLiveryFolder(2, "pkg");
    EXPECT_EQ(titlesOf(g_liveries),
              (std::vector<std::string>{"top of a stop-word package", "mixed case", "upper case"}));
}

TEST_F(FolderWalk, BracketsCutGeneralAndIvaoSectionsApart) {
    cfg("general/aircraft.cfg", "general", "ui_variation=a [b]\n");
    const std::string ivao = "c/IVAO_MTL/SimObjects/Airplanes/IVAO_B738/";
    fs::create_directories(work.path() / ivao / "texture.KLM");
    work.write(ivao + "aircraft.cfg", "[fltsim.0]\ntitle=B738 KLM 1\nui_variation=a [b]\ntexture=KLM\n"
                                      "[fltsim.1]\ntitle=B738 KLM 2\ntexture=KLM\n");
    lf_searchLiveryFolder(1, "general");
    lf_searchLiveryFolder(1, "c/IVAO_MTL");
    EXPECT_EQ(titlesOf(g_liveries), (std::vector<std::string>{"general", "B738 KLM 2"}));
    // The IVAO section cut at its '[' line has no texture line left.
    EXPECT_EQ(lf_scanFindings().incompleteSections.size(), 1u);
}

TEST_F(FolderWalk, RemovalOfThePreviousReportsStopsAtTheFirstFailure) {
    work.write(g_noFltsimReportPath, "old");
    work.write(g_invalidAirlineReportPath / "in-the-way", "a folder where a report was"); // cannot be removed
    work.write(g_fixesReportPath, "old fixes");
    work.write(g_liveriesScannedPath, "the last list");
    lf_removePreviousScanFiles();
    EXPECT_FALSE(fs::exists(g_noFltsimReportPath));
    EXPECT_TRUE(fs::exists(g_fixesReportPath));
    EXPECT_TRUE(fs::exists(g_liveriesScannedPath));
    EXPECT_NE(work.log().find("problems with removing previous files: "), std::string::npos);
}

TEST_F(FolderWalk, EqualIncompleteLinesAreWrittenOnceAndCountedTwice) {
    lf_addIncompleteSectionLine("same");
    lf_addIncompleteSectionLine("same");
    lf_writeScanReports();
    EXPECT_EQ(work.read(g_incompleteFltsimReportPath), "same\n");
    EXPECT_NE(work.log().find("    2 incomplete [fltsim.x] sections, see "), std::string::npos);
}

} // namespace
