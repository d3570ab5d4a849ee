// The program from the start message to its end, in-process: headless window, the download-server
// stand-in, a program folder of its own and a cycle clock without real waits.
#include "app/ClosingDown.h"
#include "app/MainWindow.h"
#include "app/ProcessEntry.h"
#include "app/ShellRunState.h"
#include "app/ShellThreads.h"
#include "app/StartUp.h"
#include "app/WindowRequests.h"
#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "core/settings/Catalogue.h"
#include "data/Airports.h"
#include "data/Crypto.h"
#include "data/Dbase.h"
#include "data/Downloader.h"
#include "liveries/LiveryTables.h"
#include "platform/ui/HeadlessWindow.h"
#include "support/FastCycleClock.h"
#include "support/ProgramFolder.h"
#include "support/ZipMaker.h"
#include "tools/dlserver/DownloadServer.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <mutex>
#include <set>
#include <thread>

namespace {

namespace fs = std::filesystem;
using skf::DownloadServer;

std::string countOf(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1))
        ++n;
    return std::to_string(n);
}

class ShellThreadsEndToEnd : public ::testing::Test {
protected:
    // One AI package with one livery, so that the livery scan of a first start finds something.
    static void installAiPackage(const fs::path& community) {
        const fs::path aircraft = community / "user-aitraffic" / "SimObjects" / "Airplanes" / "B738";
        fs::create_directories(aircraft);
        std::ofstream(aircraft / "aircraft.cfg")
            << "[General]\nicao_type_designator=B738\n[fltsim.0]\ntitle=KLM 737\nicao_airline=KLM\n";
    }
    std::list<skf::test::ScopedEnv> env; // put back after the test
    void SetUp() override {
        const fs::path sample = fs::path(SKYFILL_SOURCE_DIR) / "sample";
        if (!fs::exists(sample / "dbase.xml"))
            GTEST_SKIP() << "no sample reference data in " << sample;
        const fs::path root = folder.root();
        env.emplace_back("XDG_CONFIG_HOME", (root / "roaming").string());
        env.emplace_back("XDG_DATA_HOME", (root / "local").string());
        env.emplace_back("SKYFILL_OPEN_COMMAND", "true");
        env.emplace_back("SKYFILL_SIMCONNECT_SOCKET", (root / "no-simulator.sock").string());
        // A Steam packages folder, so that the packages root is found.
        fs::create_directories(root / "roaming" / "Microsoft Flight Simulator" / "Packages" / "Community");
        fs::create_directories(root / "roaming" / "Microsoft Flight Simulator" / "Packages" / "Official");
        installAiPackage(root / "roaming" / "Microsoft Flight Simulator" / "Packages" / "Community");

        // The download server with the program's data files.
        srv = root / "srv";
        fs::create_directories(srv / "11");
        skf::gf_streamEncrypt(skf::g_dataKey, sample / "airports.xml", srv / "11" / "airports.enc");
        skf::gf_streamEncrypt(skf::g_dataKey, sample / "AIG-regcodes.xml", srv / "11" / "AIG-regcodes.enc");
        skf::gf_streamEncrypt(skf::g_dataKey, sample / "dbase.xml", srv / "11" / "dbase.enc");
        std::ofstream(srv / "versions.json")
            << R"({"msfs":{"major":11,"minor":11,"patch":3},"airports":{"major":1,"minor":0,"patch":0},)"
            << R"("aig":{"major":1,"minor":0,"patch":0},"liveries":{"major":1,"minor":0,"patch":0},)"
            << R"("addons":{"major":1,"minor":0,"patch":0},"dbase":{"major":1,"minor":0,"patch":0}})";
        // The livery list of an earlier scan: the livery tables are built from it at every start-up.
        fs::create_directories(root / "output");
        fs::copy_file(sample / "LiveriesScanned.xml", root / "output" / "LiveriesScanned.xml");
        server = std::make_unique<DownloadServer>(srv);
        ASSERT_TRUE(server->start());
        skf::gf_setDownloadBaseUrl(server->baseUrl());

        skf::gf_setCycleClock(&clock);
        clock.onSleep([this] {
            const std::string text = skf::gf_statusSnapshot().statusText;
            {
                std::lock_guard lock(statusMutex);
                statusTexts.insert(text);
            }
            ++sleeps;
            // The fast clock counts a restart down in milliseconds: a test that closes during the countdown holds
            // it (bounded) until the close has arrived.
            for (int i = 0;
                 i < 5000 && holdCountdown.load() && text.starts_with("Restarting after") && !skf::g_shutDown.load();
                 ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
        freshStart();
        for (skf::StringParameter* path : {static_cast<skf::StringParameter*>(&skf::MSFS_INSTALL_PATH),
                                           static_cast<skf::StringParameter*>(&skf::MSFS_2024_INSTALL_PATH),
                                           static_cast<skf::StringParameter*>(&skf::ALL_INSTALL_PATH)})
            path->set("");
        skf::g_productionMode = false;
        skf::gf_setStartUpFunction(skf::lf_startUpSKFL);
        skf::gf_controls().clear();
    }

    // The state of a new process: each test, and each run of a test that plays a new start, begins so.
    static void freshStart() {
        skf::gf_resetStopState();
        skf::gf_resetShellRunState();
        skf::gf_resetShellSharedState();
        skf::gf_clearLiveryTables(); // built at every first start-up of a process
        skf::g_liveriesProcessed = false;
        skf::gf_clearDbase();
        skf::g_liveriesProcessed = false;
        skf::gf_resetAirports();
        skf::gf_clearError();
        skf::gf_clearStatus();
    }

    void TearDown() override {
        if (!server)
            return; // skipped
        skf::gf_joinProgramThreads();
        skf::gf_setStartUpFunction(nullptr);
        clock.onSleep(nullptr);
        skf::gf_setCycleClock(nullptr);
        server->stop();
        skf::gf_setDownloadBaseUrl("");
        skf::gf_resetStopState();
        skf::g_productionMode = false;
        skf::gf_clearError();
    }

    // Runs the program (process entry after the single-instance check) on this thread until it quits.
    // watch runs on a thread of its own meanwhile; it may close the window through closeWindow().
    int runProgram(bool production, const std::function<void()>& watch = {}) {
        skf::HeadlessWindow backend(skf::gf_controls());
        if (whileBox)
            backend.whileMessageBox(whileBox);
        skf::CommandLine commandLine;
        commandLine.productionSwitchSeen = production;
        commandLine.productionSwitchValue = production;
        window = &backend;
        std::thread watcher;
        if (watch)
            watcher = std::thread(watch);
        const int code = skf::lf_runApplication(commandLine, backend);
        if (watcher.joinable())
            watcher.join();
        window = nullptr;
        messageBoxes = backend.messageBoxes();
        stayedOnTop = backend.alwaysOnTop();
        return code;
    }

    // The user closes the window (the headless window takes SIGTERM as its close button). The window's loop
    // is woken at once: it looks for the signal every 100 ms, while this clock runs a countdown of seconds
    // in a few milliseconds.
    static void closeWindow() {
        std::raise(SIGTERM);
        skf::gf_windowQueue().post(skf::WindowMessage{});
    }

    // Waits (bounded) until the log holds the text n times.
    bool waitForLog(const std::string& text, int n = 1) {
        for (int i = 0; i < 3000; ++i) {
            if (std::stoi(countOf(folder.log(), text)) >= n)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    bool sawStatus(const std::string& text) {
        std::lock_guard lock(statusMutex);
        return statusTexts.contains(text);
    }

    int requestsOf(const std::string& path) const {
        int n = 0;
        for (const auto& r : server->requests())
            n += r.path == path ? 1 : 0;
        return n;
    }

    skf::test::ProgramFolder folder{"skf_e2e"};
    skf::test::FastCycleClock clock;
    fs::path srv;
    std::unique_ptr<DownloadServer> server;
    std::mutex statusMutex;
    std::set<std::string> statusTexts;
    std::vector<std::string> messageBoxes;
    std::function<void(const std::string&)> whileBox; // on the window thread while a message box is up
    bool stayedOnTop = false;
    std::atomic<int> sleeps{0};
    std::atomic<bool> holdCountdown{false};
    skf::HeadlessWindow* window = nullptr; // while runProgram runs: the user's input goes through playAsUser
};

TEST_F(ShellThreadsEndToEnd, FirstStartWithoutDataFilesDownloadsAndReadsThem) {
    ASSERT_FALSE(fs::exists("input/dbase.enc"));
    EXPECT_EQ(runProgram(true), 0);
    EXPECT_TRUE(fs::exists("input/dbase.enc"));
    EXPECT_TRUE(fs::exists("input/airports.enc"));
    EXPECT_TRUE(fs::exists("input/AIG-regcodes.enc"));
    EXPECT_FALSE(fs::exists("input/dbase.xml")); // the plain files do not stay
    EXPECT_EQ(requestsOf("/downloads/11/dbase.enc"), 1);
    const std::string log = folder.log();
    EXPECT_NE(log.find("dbase updated to 1.0.0"), std::string::npos);
    EXPECT_NE(log.find("Exiting: USER CLOSED SIM"), std::string::npos);
    EXPECT_EQ(skf::DBASE_VERSION.value(), "1.0.0");
    // The working folders are there.
    for (const char* f :
         {"output/info", "output/errors", "airports/learned/stock", "airports/my_thirdparty", "input/my_regcodes"})
        EXPECT_TRUE(fs::is_directory(f)) << f;
}

// A versions.json whose body never ends holds the start-up in its update check; closing the window ends the
// download at once and the program ends normally, without touching the data files.
TEST_F(ShellThreadsEndToEnd, ClosingTheWindowDuringADownloadThatNeverEndsEndsTheProgram) {
    server->setFault("/downloads/versions.json", DownloadServer::Fault::EndlessBody);
    const int code = runProgram(false, [&] {
        for (int i = 0; i < 3000 && requestsOf("/downloads/versions.json") == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(requestsOf("/downloads/versions.json"), 1);
        closeWindow();
    });
    EXPECT_EQ(code, 0);
    const std::string log = folder.log();
    EXPECT_NE(log.find("Downloading version info from my web site failed!"), std::string::npos);
    EXPECT_NE(log.find("Exiting: USER CLOSED SIM"), std::string::npos);
    EXPECT_EQ(requestsOf("/downloads/11/dbase.enc"), 0);
    EXPECT_FALSE(fs::exists("versions.json"));
}

// A new version whose folder cannot be shown: the user closes the warning box before the run stops for the
// new version, and the program ends only after that.
TEST_F(ShellThreadsEndToEnd, TheNewVersionWarningIsClosedBeforeTheStop) {
    const skf::test::ScopedEnv opener("SKYFILL_OPEN_COMMAND", "/no/such/opener");
    std::ofstream(srv / "versions.json") << R"({"msfs":{"major":11,"minor":12,"patch":0}})";
    skf::test::makeZip(srv / "release" / "setup_Skyfill_d_v11.12.0.zip", {{"setup.exe", "MZ-new-installer"}});
    std::vector<bool> stoppedWhileUp;
    whileBox = [&](const std::string&) { stoppedWhileUp.push_back(skf::g_stopRun.load() || skf::g_shutDown.load()); };
    EXPECT_EQ(runProgram(false), 0);
    EXPECT_EQ(messageBoxes, std::vector<std::string>{"SKFL: Could not open File Explorer at new version"});
    EXPECT_EQ(stoppedWhileUp, std::vector<bool>{false});
    const std::string log = folder.log();
    EXPECT_NE(log.find("Exiting: NEW VERSION"), std::string::npos);
    EXPECT_NE(log.find("Opening file explorer at the new version failed?"), std::string::npos);
}

TEST_F(ShellThreadsEndToEnd, ProductionRunEndsWithZeroAfterTheDataFiles) {
    fs::create_directories("input");
    for (const char* f : {"airports.enc", "AIG-regcodes.enc", "dbase.enc"})
        fs::copy_file(srv / "11" / f, fs::path("input") / f);
    skf::g_liveriesProcessed = true; // tables of an earlier run, which the window asked to build again
    skf::gf_requestLiveryReset();
    EXPECT_EQ(runProgram(true), 0);
    EXPECT_FALSE(skf::gf_takeLiveryResetRequest());
    const std::string log = folder.log();
    EXPECT_NE(log.find("msfs version up-to-date"), std::string::npos);
    EXPECT_NE(log.find("Exiting: USER CLOSED SIM"), std::string::npos);
    // The livery tables of the sample list, with the registration codes of the sample AIG list.
    EXPECT_NE(log.find("liveries read from output/LiveriesScanned.xml"), std::string::npos);
    EXPECT_NE(log.find("registration codes"), std::string::npos);
    EXPECT_NE(log.find("Category Large: "), std::string::npos);
    EXPECT_NE(log.find("models have a generic livery"), std::string::npos);
    // No RealTraffic detection and no run in production mode.
    EXPECT_EQ(log.find("detected at this PC"), std::string::npos);
    EXPECT_EQ(skf::g_exitCode.load(), 0);
    EXPECT_EQ(skf::gf_runningShellThreads(), 0);
}

TEST_F(ShellThreadsEndToEnd, ProductionRunNeedsNoSimulatorPackages) {
    fs::remove_all(folder.root() / "roaming" / "Microsoft Flight Simulator");
    EXPECT_EQ(runProgram(true), 0);
    const std::string log = folder.log();
    EXPECT_NE(log.find("==> 150: No install path detected."), std::string::npos);
    EXPECT_NE(log.find("Exiting: USER CLOSED SIM"), std::string::npos);
}

TEST_F(ShellThreadsEndToEnd, FailedProductionRunEndsAtOnceWithOne) {
    server->setFault("/downloads/11/dbase.enc", DownloadServer::Fault::NotFound);
    EXPECT_EQ(runProgram(true), 1); // no data file: SYSTEM ERROR, and nobody to wait for
    const std::string log = folder.log();
    EXPECT_NE(log.find("Exiting: SYSTEM ERROR"), std::string::npos);
    EXPECT_FALSE(skf::gf_statusSnapshot().errorText.empty());

    // A user error (started from another folder) likewise, and the run is stopped as at every end: closing
    // down's own resets of the settings are no changes of the user's to log.
    freshStart();
    fs::remove_all("docs");
    const std::string destinationLines = countOf(folder.log(), "DESTINATION=");
    EXPECT_EQ(runProgram(true), 1);
    EXPECT_TRUE(skf::g_stopRun.load());
    EXPECT_NE(skf::gf_statusSnapshot().errorText.find("41: Skyfill must be run"), std::string::npos);
    EXPECT_EQ(countOf(folder.log(), "Exiting: SYSTEM ERROR"), "2");
    EXPECT_EQ(countOf(folder.log(), "DESTINATION="), destinationLines);
}

TEST_F(ShellThreadsEndToEnd, SystemErrorKeepsTheErrorLineUntilTheUserCloses) {
    fs::remove_all("docs"); // started from the wrong folder
    std::string errorWhileRunning;
    bool stoppedWhileWaiting = true;
    const int code = runProgram(false, [&] {
        for (int i = 0; i < 3000 && skf::gf_statusSnapshot().errorText.empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(waitForLog("Exiting: SYSTEM ERROR"));
        // Closing down waits for the user: the error line stays.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        errorWhileRunning = skf::gf_statusSnapshot().errorText;
        // A user error does not stop the run: the first stop is the user's (a close, new settings).
        stoppedWhileWaiting = skf::g_stopRun.load();
        closeWindow();
    });
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(stoppedWhileWaiting);
    EXPECT_NE(errorWhileRunning.find("41: Skyfill must be run from the Skyfill folder!"), std::string::npos);
    EXPECT_FALSE(fs::exists("output/info")); // nothing was loaded
    EXPECT_EQ(requestsOf("/downloads/versions.json"), 0);
}

TEST_F(ShellThreadsEndToEnd, NewSettingsRestartsInPlaceAfterTheCountdown) {
    std::thread::id firstRun;
    const int code = runProgram(false, [&] {
        // The first run waits for the simulator; a setting changes.
        ASSERT_TRUE(waitForLog("detected at this PC"));
        skf::gf_raiseStop(skf::ExitReason::NewSettings, 3);
        // The restart runs the start-up again, up to the wait for the simulator; then the user closes.
        ASSERT_TRUE(waitForLog("detected at this PC", 2));
        closeWindow();
    });
    EXPECT_EQ(code, 0);
    const std::string log = folder.log();
    EXPECT_NE(log.find("Exiting: NEW SETTINGS"), std::string::npos);
    EXPECT_NE(log.find("Restarting after 3 seconds"), std::string::npos);
    EXPECT_NE(log.find("Restart countdown finished"), std::string::npos);
    EXPECT_NE(log.find("Exiting: USER CLOSED SIM"), std::string::npos);
    EXPECT_TRUE(sawStatus("Restarting after 3 seconds"));
    EXPECT_TRUE(sawStatus("Restarting after 2 seconds"));
    EXPECT_TRUE(sawStatus("Restarting after 1 second"));
    // The restart does not ask the download server again.
    EXPECT_EQ(requestsOf("/downloads/versions.json"), 1);
    EXPECT_EQ(countOf(log, "Exiting: "), "2");
}

TEST_F(ShellThreadsEndToEnd, ClosingDuringTheRestartCountdownEndsTheProgram) {
    const int code = runProgram(false, [&] {
        ASSERT_TRUE(waitForLog("detected at this PC"));
        holdCountdown = true;
        skf::gf_raiseStop(skf::ExitReason::ReaderError, 15);
        ASSERT_TRUE(waitForLog("Restarting after 15 seconds"));
        closeWindow();
    });
    EXPECT_EQ(code, 0);
    const std::string log = folder.log();
    EXPECT_EQ(log.find("Restart countdown finished"), std::string::npos);
    EXPECT_EQ(countOf(log, "Exiting: "), "1");
    // After a reader error the restart would not scan again.
    EXPECT_FALSE(skf::SCAN_LIVERIES.value());
    EXPECT_FALSE(skf::SCAN_AIRPORTS.value());
}

TEST_F(ShellThreadsEndToEnd, NewFlightEndsAfterTheNotice) {
    const int code = runProgram(false, [&] {
        ASSERT_TRUE(waitForLog("detected at this PC"));
        skf::gf_raiseStop(skf::ExitReason::NewFlight, 45);
    });
    EXPECT_EQ(code, 0);
    const std::string log = folder.log();
    EXPECT_NE(log.find("Exiting: NEW FLIGHT"), std::string::npos);
    EXPECT_NE(log.find("New flight detected, Skyfill will close, please restart manually ..."), std::string::npos);
    EXPECT_EQ(log.find("Restarting after"), std::string::npos);
    EXPECT_EQ(skf::DESTINATION.value(), ""); // emptied at the end of every run
}

TEST_F(ShellThreadsEndToEnd, WindowStaysOnTopAsSetBeforeTheRun) {
    skf::ALWAYS_ON_TOP.set(true);
    const int code = runProgram(false, [&] {
        ASSERT_TRUE(waitForLog("detected at this PC"));
        // The run's first wait (for the simulator) comes after the window's stay-on-top state is set.
        for (int i = 0; i < 3000 && sleeps.load() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        closeWindow();
    });
    skf::ALWAYS_ON_TOP.set(false);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(stayedOnTop);
}

TEST_F(ShellThreadsEndToEnd, CommunityFolderNameIsRemovedFromTheEndOnly) {
    EXPECT_EQ(skf::gf_withoutCommunityFolder("/games/msfs/Community"), "/games/msfs");
    EXPECT_EQ(skf::gf_withoutCommunityFolder("/Community/games/Community"), "/Community/games");
    EXPECT_EQ(skf::gf_withoutCommunityFolder("/Community/games"), "/Community/games");
    EXPECT_EQ(skf::gf_withoutCommunityFolder("D:\\MSFS\\Community"), "D:\\MSFS");
    EXPECT_EQ(skf::gf_withoutCommunityFolder("/games/MyCommunity"), "/games/MyCommunity");
}

// Error 150, then the user types the Community folder and presses Enter: the wait after SYSTEM ERROR ends
// and the run restarts after its delay, as the status line says.
TEST_F(ShellThreadsEndToEnd, CommunityPathTypedAfterError150RestartsTheRun) {
    fs::remove_all(folder.root() / "roaming" / "Microsoft Flight Simulator");
    const fs::path packages = folder.root() / "msfs";
    installAiPackage(packages / "Community");
    const int code = runProgram(false, [&] {
        if (!waitForLog("Exiting: SYSTEM ERROR")) {
            ADD_FAILURE() << "no SYSTEM ERROR";
            return closeWindow();
        }
        EXPECT_NE(skf::gf_statusSnapshot().errorText.find("150: No install path detected."), std::string::npos);
        // A data file set aside meanwhile is fetched by the restart's update check.
        fs::rename("input/AIG-regcodes.enc", "input/AIG-regcodes.enc.bad");
        window->playAsUser([&](skf::HeadlessWindow& w) {
            EXPECT_TRUE(w.type(skf::ALL_INSTALL_PATH.controlId, (packages / "Community").string()));
            EXPECT_TRUE(w.pressEnter(skf::ALL_INSTALL_PATH.controlId));
        });
        EXPECT_TRUE(waitForLog("detected at this PC")) << "no restart";
        closeWindow();
    });
    EXPECT_EQ(code, 0);
    const std::string log = folder.log();
    EXPECT_NE(log.find("Exiting: NEW SETTINGS"), std::string::npos);
    EXPECT_NE(log.find("Restarting after 3 seconds"), std::string::npos);
    EXPECT_NE(log.find("Restart countdown finished"), std::string::npos);
    EXPECT_NE(log.find("Exiting: USER CLOSED SIM"), std::string::npos);
    EXPECT_EQ(log.find("User closed Skyfill"), std::string::npos);
    EXPECT_TRUE(sawStatus("Restarting after 1 second"));
    EXPECT_EQ(skf::ALL_INSTALL_PATH.value(), packages.string());
    EXPECT_EQ(requestsOf("/downloads/versions.json"), 2);
    EXPECT_EQ(requestsOf("/downloads/11/AIG-regcodes.enc"), 2);
    EXPECT_EQ(requestsOf("/downloads/11/dbase.enc"), 1);
}

// A data file in input/ that is cut, has a changed byte or bytes after its end: the start fails naming the
// file and the cause, the file is moved aside, and the next start downloads it again and runs.
TEST_F(ShellThreadsEndToEnd, ADamagedDataFileIsSetAsideAndTheNextStartDownloadsItAgain) {
    ASSERT_EQ(runProgram(true), 0); // the first start fetches the data files
    const auto cut = [](std::string s) { return s.substr(0, s.size() - 20); };
    const auto changed = [](std::string s) {
        s[s.size() / 2] = static_cast<char>(s[s.size() / 2] ^ 0x10);
        return s;
    };
    const auto lengthened = [](std::string s) { return s + "more"; };
    for (const std::string name : {"airports.enc", "dbase.enc", "AIG-regcodes.enc"}) {
        for (const std::function<std::string(std::string)>& damage :
             std::vector<std::function<std::string(std::string)>>{cut, changed, lengthened}) {
            const fs::path file = fs::path("input") / name;
            const std::string bad = damage(skf::test::readBytes(file));
            skf::test::writeBytes(file, bad);
            const std::string text = "input/" + name + " could not be decrypted (damaged): moved to input/" + name +
                                     ".bad, it is downloaded again at the next start";
            freshStart();
            if (name == "AIG-regcodes.enc") {
                // Read by the livery tables, which go on without it.
                EXPECT_EQ(skf::gf_decryptDataFile(file, "input/AIG-regcodes.xml"), text);
            } else {
                EXPECT_EQ(runProgram(true), 1) << name; // SYSTEM ERROR
                EXPECT_NE(skf::gf_statusSnapshot().errorText.find(text), std::string::npos)
                    << skf::gf_statusSnapshot().errorText;
            }
            EXPECT_FALSE(fs::exists(file));
            EXPECT_EQ(skf::test::readBytes(file.string() + ".bad"), bad);

            const int downloads = requestsOf("/downloads/11/" + name);
            freshStart();
            EXPECT_EQ(runProgram(true), 0) << name;
            EXPECT_EQ(requestsOf("/downloads/11/" + name), downloads + 1);
            EXPECT_EQ(skf::gf_decryptDataFile(file, "input/check.xml"), std::nullopt);
        }
    }
    EXPECT_EQ(folder.log().find("not loaded: File was not found"), std::string::npos);
}

} // namespace
