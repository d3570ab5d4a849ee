// The livery scan end to end over a Community folder with one finding of each kind: the list file and every
// report against golden files, the same list with one worker and with all, the user errors, a stop.
#include "ScanFixture.h"
#include "core/Codes.h"
#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "liveries/LiveryScan.h"
#include "liveries/LiveryServices.h"
#include "liveries/ScanReports.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;
using namespace skf;

namespace {

const fs::path kGolden = fs::path(SKYFILL_SOURCE_DIR) / "tests" / "liveries" / "golden";

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines)
        out += l + "\n";
    return out;
}

class LiveryScan : public ::testing::Test {
protected:
    void SetUp() override {
        test::writeScanFixture(work);
        g_workerLimit = 4;
        SCAN_LIVERIES.set(true);
    }
    void TearDown() override {
        g_stopRun = false;
        g_workerLimit = 2;
    }
    test::ScanFolder work;
};

// The tests of the scan's worker threads (also run under ThreadSanitizer, ./skyfill.sh tsan).
using LiveryScanConcurrent = LiveryScan;

TEST_F(LiveryScan, ReportsAndListMatchTheGoldenFiles) {
    gf_scanLiveries();
    EXPECT_FALSE(SCAN_LIVERIES.value());
    const std::pair<fs::path, const char*> files[] = {
        {g_invalidAirlineReportPath, "InvalidAirlineCodes.txt"},
        {g_invalidAircraftReportPath, "InvalidAircraftCodes.txt"},
        {g_fixesReportPath, "Fixes.txt"},
        {g_invalidCfgReportPath, "InvalidAircraftCfgFiles.txt"},
        {g_incompleteFltsimReportPath, "IncompleFltsimSections.txt"},
        {g_noFltsimReportPath, "AircraftCfgWithNoFltsimSection.txt"},
        {g_airlineModelReportPath, "AirlineModelConversions.txt"},
    };
    const bool update = std::getenv("SKYFILL_UPDATE_GOLDEN") != nullptr;
    const std::string list = joined(test::scannedLines(g_liveriesScannedPath));
    if (update) {
        for (const auto& [path, name] : files)
            test::writeBytes(kGolden / name, test::readBytes(path));
        test::writeBytes(kGolden / "LiveriesScanned.txt", list);
    }
    for (const auto& [path, name] : files)
        EXPECT_EQ(test::readBytes(path), test::readBytes(kGolden / name)) << name;
    EXPECT_EQ(list, test::readBytes(kGolden / "LiveriesScanned.txt"));
    const std::string log = work.log();
    for (const char* line : {"Automatic AIG scan found folder: 'packages/Community/aig-aitraffic-oci-beta'\n"
                             "Automatic FSLTL scan found folder: 'packages/Community/fsltl-traffic-base'\n"
                             "Automatic IVAO_MTL scan found folder: 'packages/Community/IVAO_MTL'\n"
                             "Automatic user-aitraffic scan found folder: 'packages/Community/my-user-aitraffic'\n",
                             "1 liverie found in packages/Community/IVAO_MTL\n", "15 in total\n",
                             "\nErrors:\n    2 invalid airline codes, see output/errors/InvalidAirlineCodes.txt\n"
                             "    1 invalid model code, see"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
}

// The list does not depend on the number of workers or on their timing, and a second scan in the same run
// reports only its own findings.
TEST_F(LiveryScanConcurrent, OneWorkerAndAllGiveTheSameResult) {
    std::vector<std::string> lists, incomplete;
    for (const int workers : {1, 16, 16}) {
        g_workerLimit = workers;
        SCAN_LIVERIES.set(true);
        gf_scanLiveries();
        lists.push_back(joined(test::scannedLines(g_liveriesScannedPath)));
        incomplete.push_back(test::readBytes(g_incompleteFltsimReportPath));
        EXPECT_EQ(g_activeWorkers.load(), 0);
    }
    EXPECT_EQ(lists[0], lists[1]);
    EXPECT_EQ(lists[1], lists[2]);
    EXPECT_EQ(incomplete[0], incomplete[2]);
    EXPECT_FALSE(lists[0].empty());
}

// The worker count is raised before a worker starts: it never goes below 0 nor above the limit.
TEST_F(LiveryScanConcurrent, WorkerCountStaysWithinItsLimit) {
    g_workerLimit = 2;
    std::atomic<bool> done{false};
    std::atomic<int> low{0}, high{0};
    std::thread watch([&] {
        while (!done) {
            const int n = g_activeWorkers.load();
            low = std::min(low.load(), n);
            high = std::max(high.load(), n);
        }
    });
    {
        struct Join {
            std::atomic<bool>& done;
            std::thread& watch;
            ~Join() {
                done = true;
                watch.join();
            }
        } join{done, watch};
        gf_scanLiveries();
    }
    EXPECT_GE(low.load(), 0);
    EXPECT_LE(high.load(), 2);
}

// A stop during the scan is no success: the scan stays switched on and the last list stays in place.
TEST_F(LiveryScan, AStopKeepsTheScanOnAndTheLastList) {
    work.write(g_liveriesScannedPath, "last good list");
    g_stopRun = true;
    gf_scanLiveries();
    EXPECT_TRUE(SCAN_LIVERIES.value());
    EXPECT_EQ(work.read(g_liveriesScannedPath), "last good list");
    EXPECT_TRUE(lf_scanFindings().incompleteSections.empty());
}

TEST_F(LiveryScan, PackageOrderAndPriorities) {
    // MTL first, then AIG: the IVAO package's pair wins over nothing, AIG's KLM B738 over FSLTL's (not chosen).
    AI_PACKAGE_SELECTOR.setValue("MTL, AIG");
    gf_scanLiveries();
    const std::string log = work.log();
    const auto mtl = log.find("Automatic IVAO_MTL scan found folder");
    const auto aig = log.find("Automatic AIG scan found folder");
    const auto user = log.find("Automatic user-aitraffic scan found folder");
    EXPECT_LT(mtl, aig);
    EXPECT_LT(aig, user);
    EXPECT_EQ(log.find("Automatic FSLTL scan"), std::string::npos);

    // Manual: lfolder2 and lfolder7 give priorities 1 and 2; with the pair in both, only lfolder2's stays.
    test::writeFileMakingFolders(work.path() / "manual/a/x/aircraft.cfg",
                                 "[General]\nicao_type_designator=B738\n[fltsim.0]\ntitle=first\nicao_airline=KLM\n");
    test::writeFileMakingFolders(work.path() / "manual/b/x/aircraft.cfg",
                                 "[General]\nicao_type_designator=B738\n[fltsim.0]\ntitle=second\nicao_airline=KLM\n"
                                 "[fltsim.1]\ntitle=own pair\nicao_airline=DLH\n");
    LIG_AUTOMATIC.set(false);
    lfolder2.setValue("manual/a");
    lfolder7.setValue("manual/b");
    SCAN_LIVERIES.set(true);
    gf_scanLiveries();
    lfolder2.setValue("");
    lfolder7.setValue("");
    EXPECT_EQ(joined(test::scannedLines(g_liveriesScannedPath)), "DLH|B738||own pair|\nKLM|B738||first|\n");
}

int lf_userErrorCode(const std::function<void()>& f) {
    try {
        f();
    } catch (const UserErrorException& e) {
        return std::atoi(e.what());
    }
    return 0;
}

TEST_F(LiveryScan, UserErrorsLeaveTheScanOn) {
    fs::create_directories(work.path() / "empty/Community");
    fs::create_directories(work.path() / "nothing/Community/user-aitraffic/SimObjects");
    fs::create_directories(work.path() / "folder");
    struct Case {
        bool automatic;
        const char* root;
        const char* lfolder;
        int code;
    } const cases[] = {
        {true, "empty", "", 43},   {true, "nothing", "", 143},  {false, "", "", 48},
        {false, "", "folder", 53}, {false, "", "missing", 243},
    };
    for (const Case& c : cases) {
        LIG_AUTOMATIC.set(c.automatic);
        MSFS_INSTALL_PATH.setValue(c.root);
        lfolder0.setValue(c.lfolder);
        SCAN_LIVERIES.set(true);
        EXPECT_EQ(lf_userErrorCode(gf_scanLiveries), c.code) << c.root << c.lfolder;
        EXPECT_TRUE(SCAN_LIVERIES.value());
    }
    lfolder0.setValue("");
    EXPECT_NE(work.log().find("==> lfolder0: 'missing' does not exist"), std::string::npos);
    LIG_AUTOMATIC.set(true);
    MSFS_INSTALL_PATH.setValue("nowhere"); // a Community folder that cannot be listed
    EXPECT_THROW(gf_scanLiveries(), fs::filesystem_error);
    MSFS_INSTALL_PATH.setValue("empty");
    AI_PACKAGE_SELECTOR.setValue("AIG, XYZ");
    EXPECT_THROW(gf_scanLiveries(), std::runtime_error);
}

} // namespace
