// The scan of a generated Community folder into link files, airport files, the scan log and the TBLO
// archive; the walk's workers.
#include "ScanFixture.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <string_view>
#include <thread>

#include <sys/inotify.h>
#include <unistd.h>

#include "airportscan/AirportScan.h"
#include "airportscan/AirportScanServices.h"
#include "airportscan/BglAirports.h"
#include "core/ShellState.h"
#include "data/ZipArchive.h"
#include "core/Files.h"
#include "tools/bglgen/BglWriter.h"
#include "tools/bglgen/SampleCommunity.h"

namespace {

using namespace skf;
namespace fs = std::filesystem;

class AirportScanTest : public test::CommunityScanFixture {
protected:
    void TearDown() override {
        gf_setScanWorkerBody(nullptr);
        gf_setScanWorkerWait(std::chrono::seconds(10));
        CommunityScanFixture::TearDown();
    }
};

// The tests with several workers also run under ThreadSanitizer (./skyfill.sh tsan).
using AirportScanConcurrent = AirportScanTest;

TEST_F(AirportScanConcurrent, SampleCommunityIsScannedIntoLinksGeneratedFilesAndTheArchive) {
    bgl::gf_writeSampleCommunity(community, 2020);
    // A file the user put into the folder that the scan empties is moved aside, not lost.
    test::WorkFolder::writeFile(g_myThirdpartyFolder / "MYOWN.xml", "<root/>");
    SCAN_AIRPORTS.set(true);
    lf_scanAndCheckAirports({work.path() / "Packages" / "Official", community});

    EXPECT_EQ(read(g_myThirdpartyFolder / "EGKK.txt"), "archive/thirdparty/Northwind%20Scenery/EGKK.xml\n");
    EXPECT_EQ(read(g_myThirdpartyFolder / "LPPT.txt"), "archive/thirdparty/Harbourlight/LPPT.xml\n");
    EXPECT_EQ(read(g_mySimaddonFolder / "LSZH.txt"), "archive/simaddon/LSZH.xml\n");
    EXPECT_FALSE(fs::exists(g_myThirdpartyFolder / "EGKK.xml")); // fewer stands than archived
    EXPECT_FALSE(fs::exists(g_myThirdpartyFolder / "LPPT.xml")); // archived into tblo, its link serves
    const std::string egph = read(g_myThirdpartyFolder / "EGPH.xml");
    EXPECT_NE(egph.find(R"(value="Community/egph-edinburgh-freeware/scenery/EGPH-airport.bgl")"), std::string::npos);
    EXPECT_NE(egph.find(R"(<parameter name="num_parkpos" value="16")"), std::string::npos);
    EXPECT_NE(egph.find(R"(<parameter name="altitude" value="136")"), std::string::npos);
    EXPECT_EQ(read(g_myThirdpartyBackupFolder / "MYOWN.xml"), "<root/>");

    // The whole scan log, in the order of the lines of each airport (the order of the files varies).
    std::vector<std::string> lines;
    std::string log = scanLogFile();
    for (std::size_t at; (at = log.find(community.string())) != std::string::npos;)
        log.replace(at, community.string().size(), "<C>");
    for (std::size_t from = 0, to; (to = log.find('\n', from)) != std::string::npos; from = to + 1)
        lines.push_back(log.substr(from, to - from));
    std::vector<std::string> want{
        "airports/my_thirdparty/MYOWN.xml moved to airports/my_thirdparty_backup/MYOWN.xml",
        "Scanning for addon  airports in <C>",
        "",
        "Try to find publisher in: <C>/hl-lppt-lisbon/scenery/hl/lppt/LPPT.bgl",
        "<C>/hl-lppt-lisbon/manifest.json found",
        "from manifest.json: manufacturer 'Harbourlight' => publisher 'Harbourlight'",
        "thirdparty airport LPPT linked to archive/thirdparty/Harbourlight/LPPT.xml",
        "===> LPPT has 92 parkpos while archived one has 84",
        "Generated LPPT.xml: 92 positions, of which 2 helipads",
        "ZZZZ is not an airport supported by RealTraffic ",
        "",
        "Try to find publisher in: <C>/microsoft-airport-lszh-zurich/scenery/lszh/LSZH.bgl",
        "from filename => publisher simaddon",
        "simaddon airport LSZH linked to archive/simaddon/LSZH.xml",
        "",
        "Try to find publisher in: <C>/northwind-scenery-egkk-gatwick/scenery/northwind/EGKK-airport.bgl",
        "publisher 'Northwind Scenery' found",
        "thirdparty airport EGKK linked to archive/thirdparty/Northwind%20Scenery/EGKK.xml",
        "",
        "Try to find publisher in: <C>/egph-edinburgh-freeware/scenery/EGPH-airport.bgl",
        "===> No publisher found",
        "===> EGPH has 16 parkpos while archived one has 0",
        "Generated EGPH.xml: 16 positions, of which 1 helipad",
    };
    // Each airport's lines stand together. The files come in any order: an airport's block may end the log.
    for (const char* first : {"Try to find publisher in: <C>/hl-lppt", "Try to find publisher in: <C>/egph"}) {
        const auto at =
            std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(first); });
        ASSERT_GE(lines.end() - at, 4) << log;
        const auto wantAt =
            std::find_if(want.begin(), want.end(), [&](const std::string& l) { return l.starts_with(first); });
        EXPECT_TRUE(std::equal(at, at + 4, wantAt)) << log;
    }
    std::sort(lines.begin(), lines.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(lines, want) << log;

    ZipArchive zip;
    ASSERT_TRUE(zip.open(g_tbloFolder / g_tbloZipName));
    ASSERT_EQ(zip.entryCount(), 1);
    EXPECT_EQ(zip.entryName(0), "LPPT.xml");
    EXPECT_EQ(gf_countDirectoryEntries(g_tbloFolder), 1U);
    EXPECT_EQ(g_unrecognisedAirports.load(), 1U);
    EXPECT_FALSE(SCAN_AIRPORTS.value());
    const std::string mainLog = work.log();
    EXPECT_NE(mainLog.find((work.path() / "Packages" / "Official").string() + " does not exist, skipped!"),
              std::string::npos);
    EXPECT_NE(mainLog.find("\n! Mail tblo/tblo.zip to "), std::string::npos);
    EXPECT_EQ(g_activeWorkers.load(), 0);
}

// The scan starts from an empty tblo folder: an archive or airport file of an earlier scan is not sent again.
TEST_F(AirportScanTest, TheScanEmptiesTheTbloFolderFirst) {
    bgl::gf_writeSampleCommunity(community, 2020);
    MSFS_INSTALL_PATH.set((work.path() / "Packages").string());
    test::WorkFolder::writeFile(g_tbloFolder / "EGLC.xml", "<root/>");
    gf_scanApfs();
    EXPECT_FALSE(fs::exists(g_tbloFolder / "EGLC.xml"));
    ZipArchive zip;
    ASSERT_TRUE(zip.open(g_tbloFolder / g_tbloZipName));
    ASSERT_EQ(zip.entryCount(), 1);
    EXPECT_EQ(zip.entryName(0), "LPPT.xml");
    EXPECT_EQ(gf_countDirectoryEntries(g_tbloFolder), 1U);
    MSFS_INSTALL_PATH.set("");
}

TEST_F(AirportScanTest, UnderMsfs2024TheNewerRecordIsLinkedByItsFileStem) {
    setSimulator(2024);
    bgl::gf_writeSampleCommunity(community, 2024);
    lf_scanAndCheckAirports({community});
    EXPECT_EQ(read(g_myThirdpartyFolder / "EGLL.txt"), "archive/thirdparty/Northwind%20Scenery/EGLL.xml\n");
    const std::string log = scanLogFile();
    EXPECT_NE(log.find("Non complying airport has ICAO code 'EGLL' as BGL stem"), std::string::npos) << log;
}

TEST_F(AirportScanTest, ALinkFileThatCannotBeWrittenLeavesTheAirportGenerated) {
    bgl::gf_writeSampleCommunity(community, 2020);
    // A folder in the link file's place: the link cannot be written.
    fs::create_directories(g_myThirdpartyFolder / "EGKK.txt" / "in-the-way");
    lf_scanAndCheckAirports({community});
    EXPECT_NE(scanLogFile().find("===> Writing link file " + (g_myThirdpartyFolder / "EGKK.txt").string() +
                                 " did not succeed"),
              std::string::npos);
    EXPECT_EQ(scanLogFile().find("thirdparty airport EGKK linked"), std::string::npos);
    EXPECT_TRUE(fs::exists(g_myThirdpartyFolder / "EGKK.xml"));
}

TEST_F(AirportScanTest, ExcludedAndSkippedPathsAreNotDecoded) {
    bgl::File f;
    bgl::Airport a;
    a.ident = "EDDF";
    a.parkings = {bgl::Parking{12, 9, 1, 20.0F, 10.0F, 50.03, 8.57, {}}};
    f.airports = {a};
    const std::string bluefin = "bluefinsim-eddf";
    bgl::gf_writeBglFile(f, community / "some-Aircraft-pack" / "EDDF.bgl"); // excluded word, any case
    bgl::gf_writeBglFile(f, community / bluefin / "statics" / "EDDF.bgl");  // skipped folder
    bgl::gf_writeBglFile(f, community / bluefin / "Statics" / "EDDF.BGL");  // case-sensitive: decoded
    lf_scanFolderForBgl(community);
    EXPECT_EQ(read(g_myThirdpartyFolder / "EDDF.txt"), "archive/thirdparty/Bluefin%20Simworks/EDDF.xml\n");
    const std::string log = test::ScanFixture::scanLog();
    EXPECT_EQ(log.find("some-Aircraft-pack"), std::string::npos);
    EXPECT_EQ(log.find("/statics/"), std::string::npos);
    EXPECT_NE(log.find("/Statics/EDDF.BGL"), std::string::npos);

    EXPECT_FALSE(lf_isExcludedPath("/x/" + std::string(246, 'a'))); // 249 code units
    EXPECT_TRUE(lf_isExcludedPath("/x/" + std::string(247, 'a')));
    EXPECT_TRUE(lf_isExcludedPath("/Packages/Official/fs-base-genericairports/a.bgl"));
}

TEST(AirportAltitude, PlausibleElevationsAreKeptInFeet) {
    struct Case {
        std::int32_t millimetres;
        std::int32_t feet;
    } cases[] = {
        {-3000, -10},     {-7000, -23},     // below -20 ft: kept (the Dead Sea's airfields lie far lower)
        {4000000, 13123}, {4267200, 14000}, // above 10,000 ft: kept (high Andean and Tibetan airports)
        {-457200, -1500}, {-457500, 0},     // the bounds themselves
        {4876800, 16000}, {4877200, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lf_airportAltitudeFeet(c.millimetres), c.feet) << c.millimetres;
}

// Worker bodies of the walk tests.
std::atomic<int> g_running{0};
std::atomic<int> g_maxRunning{0};
std::atomic<int> g_started{0};
std::atomic<bool> g_ended{false};

void countingBody(const fs::path&, std::stop_token) {
    const int now = ++g_running;
    ++g_started;
    for (int seen = g_maxRunning.load(); now > seen && !g_maxRunning.compare_exchange_weak(seen, now);) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    --g_running;
    --g_activeWorkers;
}

void hangingBody(const fs::path&, std::stop_token stop) {
    ++g_started;
    while (!stop.stop_requested())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    g_ended = true;
    --g_activeWorkers;
}

void writeAirportFiles(const fs::path& folder, int n) {
    bgl::File f;
    bgl::Airport a;
    a.ident = "EDDF";
    f.airports = {a};
    for (int i = 0; i < n; ++i)
        bgl::gf_writeBglFile(f, folder / ("ap" + std::to_string(i) + ".bgl"));
}

TEST_F(AirportScanConcurrent, WalkRunsAtMostTheWorkerLimitAtOnce) {
    writeAirportFiles(community, 5);
    g_maxRunning = 0;
    g_started = 0;
    gf_setScanWorkerBody(&countingBody);
    lf_scanFolderForBgl(community);
    EXPECT_EQ(g_started.load(), 5);
    EXPECT_LE(g_maxRunning.load(), 2);
    EXPECT_EQ(g_activeWorkers.load(), 0);
}

TEST_F(AirportScanConcurrent, AWorkerWhoseWaitExpiredIsStoppedAndJoinedBeforeTheWalkReturns) {
    writeAirportFiles(community, 1);
    g_started = 0;
    g_ended = false;
    gf_setScanWorkerBody(&hangingBody);
    gf_setScanWorkerWait(std::chrono::milliseconds(20));
    lf_scanFolderForBgl(community);
    EXPECT_TRUE(g_ended.load());
    EXPECT_EQ(g_activeWorkers.load(), 0);
    EXPECT_NE(test::ScanFixture::scanLog().find("aborted, futs outer error: Future wait timed out after 10 seconds"),
              std::string::npos);
}

// How many .bgl files in folder were opened while f ran (the kernel's file events, not the walk's word).
int lf_bglFilesOpenedDuring(const fs::path& folder, const std::function<void()>& f) {
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    EXPECT_GE(fd, 0);
    EXPECT_GE(inotify_add_watch(fd, folder.c_str(), IN_OPEN), 0);
    f();
    int opened = 0;
    alignas(inotify_event) char buffer[64 * 1024];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            EXPECT_EQ(event->mask & IN_Q_OVERFLOW, 0U);
            if ((event->mask & IN_ISDIR) == 0 && event->len > 0 && std::string_view(event->name).ends_with(".bgl"))
                ++opened;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    ::close(fd);
    return opened;
}

// A close while the walk meets thousands of scenery files without airports: the walk ends before it reads
// the next file, not after the whole folder.
TEST_F(AirportScanTest, AStopEndsTheWalkBeforeTheNextFileIsRead) {
    constexpr int kFiles = 1000;
    const fs::path scenery = community / "landmarks-pack" / "scenery";
    const bgl::File noAirport;
    for (int i = 0; i < kFiles; ++i)
        bgl::gf_writeBglFile(noAirport, scenery / ("obj" + std::to_string(i) + ".bgl"));
    const struct {
        bool stopped;
        int opened;
    } rows[] = {{false, kFiles}, {true, 0}};
    for (const auto& row : rows) {
        g_stopRun = row.stopped;
        EXPECT_EQ(lf_bglFilesOpenedDuring(scenery, [&] { lf_scanFolderForBgl(community); }), row.opened)
            << "stopped: " << row.stopped;
    }
    g_stopRun = false;
}

// The one worker slot is held by a worker that runs until the stop flag rises: the files queued behind it
// are not decoded once the flag is up, and the walk ends.
void bodyUntilStopRun(const fs::path&, std::stop_token) {
    ++g_started;
    while (!g_stopRun.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    --g_activeWorkers;
}

TEST_F(AirportScanConcurrent, StopFlagsEndTheWaitForAWorkerSlot) {
    writeAirportFiles(community, 3);
    g_started = 0;
    gf_setScanWorkerBody(&bodyUntilStopRun);
    g_workerLimit = 1;
    std::thread stopper([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        g_stopRun = true;
    });
    lf_scanFolderForBgl(community);
    stopper.join();
    EXPECT_LE(g_started.load(), 1);
    EXPECT_EQ(g_activeWorkers.load(), 0);
}

} // namespace
