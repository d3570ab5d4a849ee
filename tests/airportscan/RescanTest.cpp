// A rescan of the add-on airports: the earlier scan's own files are replaced without a word, the user's
// files in airports/my_thirdparty are moved into the backup and none is lost; the record the rescan goes by.
#include "ScanFixture.h"

#include <map>

#include "airportscan/AirportScan.h"
#include "airportscan/ScanOwnFiles.h"
#include "core/ShellState.h"
#include "tools/bglgen/SampleCommunity.h"

namespace {

using namespace skf;
namespace fs = std::filesystem;

class RescanTest : public test::CommunityScanFixture {
protected:
    void SetUp() override {
        CommunityScanFixture::SetUp();
        bgl::gf_writeSampleCommunity(community, 2020);
        // Lisbon is not in the archive: generated, recognised by its publisher and archived for the maker,
        // with no link file beside it.
        g_thirdparties20 = {{"Northwind Scenery", {"EGLL161", "EGKK95"}}};
    }
    void scan() {
        gf_resetScanLog(64);
        lf_scanAndCheckAirports({community});
    }
    static std::map<std::string, std::string> folder(const fs::path& path) {
        std::map<std::string, std::string> files;
        if (fs::exists(path))
            for (const auto& entry : fs::directory_iterator(path))
                files[entry.path().filename().string()] = read(entry.path());
        return files;
    }
};

std::size_t count(const std::string& text, const std::string& word) {
    std::size_t n = 0;
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
        ++n;
    return n;
}

} // namespace

TEST_F(RescanTest, TheScansOwnFilesAreReplacedAndOnlyTheUsersAreMovedAside) {
    scan();
    const auto firstScan = folder(g_myThirdpartyFolder);
    ASSERT_TRUE(firstScan.count("EGKK.txt") && firstScan.count("LPPT.xml") && firstScan.count("EGPH.xml"));
    EXPECT_NE(work.log().find("LPPT copied to tblo/LPPT.xml"), std::string::npos) << work.log();
    EXPECT_EQ(count(scanLogFile(), "moved to"), 0U);

    // Before the rescan the user adds a file of their own and edits one that the scan wrote.
    const std::string edited = read(g_myThirdpartyFolder / "EGPH.xml") + "<!-- my stands -->\n";
    test::WorkFolder::writeFile(g_myThirdpartyFolder / "EGPH.xml", edited);
    test::WorkFolder::writeFile(g_myThirdpartyFolder / "MYOW.xml", "<root/>");
    scan();
    EXPECT_EQ(folder(g_myThirdpartyFolder), firstScan);
    const std::string log = scanLogFile();
    EXPECT_EQ(count(log, "moved to"), 2U) << log;
    EXPECT_NE(log.find("airports/my_thirdparty/MYOW.xml moved to airports/my_thirdparty_backup/MYOW.xml"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("airports/my_thirdparty/EGPH.xml moved to airports/my_thirdparty_backup/EGPH.xml"),
              std::string::npos)
        << log;
    EXPECT_EQ(folder(g_myThirdpartyBackupFolder),
              (std::map<std::string, std::string>{{"EGPH.xml", edited}, {"MYOW.xml", "<root/>"}}));

    // A third scan with nothing changed moves nothing; a new user file of a backed-up name keeps the older
    // backup; a file the same as its backup is simply moved again.
    test::WorkFolder::writeFile(g_myThirdpartyFolder / "MYOW.xml", "<root>second</root>");
    test::WorkFolder::writeFile(g_myThirdpartyFolder / "EGPH.xml", edited);
    scan();
    EXPECT_EQ(folder(g_myThirdpartyFolder), firstScan);
    EXPECT_EQ(count(scanLogFile(), "moved to"), 2U) << scanLogFile();
    EXPECT_EQ(folder(g_myThirdpartyBackupFolder),
              (std::map<std::string, std::string>{
                  {"EGPH.xml", edited}, {"MYOW.xml", "<root/>"}, {"MYOW.1.xml", "<root>second</root>"}}));
    scan();
    EXPECT_EQ(count(scanLogFile(), "moved to"), 0U) << scanLogFile();

    // No link file beside a generated one is no failure of a status query.
    EXPECT_EQ(work.log().find("exists("), std::string::npos) << work.log();
    EXPECT_EQ(g_activeWorkers.load(), 0);
}

TEST_F(RescanTest, WithoutItsRecordEveryFileIsTheUsers) {
    scan();
    const auto firstScan = folder(g_myThirdpartyFolder);
    fs::remove(g_myThirdpartyRecordPath);
    scan();
    EXPECT_EQ(count(scanLogFile(), "moved to"), firstScan.size());
    EXPECT_EQ(folder(g_myThirdpartyBackupFolder), firstScan);
    EXPECT_EQ(folder(g_myThirdpartyFolder), firstScan);
}

TEST(ScanRecordTest, OnlyWellFormedLinesNameTheScansOwnFiles) {
    const std::string d(64, 'a');
    const std::string e = std::string(63, '0') + "f";
    const std::map<std::string, std::string> want{{"EGKK.txt", d}, {"EGPH.xml", e}, {"my file.xml", d}};
    const std::string text = d + " EGKK.txt\n" + e + " EGPH.xml\r\n" + d + " my file.xml\n" + std::string(63, 'a') +
                             " short.xml\n" +                        // digest too short
                             std::string(64, 'A') + " upper.xml\n" + // not as written
                             d + " ..\n" + d + " ../up.xml\n" + d + " a\\b.xml\n" + d + "\tTAB.xml\n" +
                             std::string("\0", 1) + d.substr(1) + " nul.xml\n" + "\n\n" + d;
    EXPECT_EQ(gf_parseScanRecord(text), want);
    EXPECT_TRUE(gf_parseScanRecord("").empty());
}

TEST_F(RescanTest, AScanCutShortByAStopRunsAgainAtTheNextStart) {
    SCAN_AIRPORTS.set(true);
    g_shutDown = true;
    scan();
    EXPECT_TRUE(SCAN_AIRPORTS.value());
    const std::string log = work.log();
    EXPECT_NE(log.find("The airport scan was stopped before its end: it runs again at the next start"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("Scan has not found any add-on airports"), std::string::npos) << log;
    g_shutDown = false;
    scan();
    EXPECT_FALSE(SCAN_AIRPORTS.value());
    EXPECT_TRUE(fs::exists(g_myThirdpartyFolder / "EGPH.xml"));
}
