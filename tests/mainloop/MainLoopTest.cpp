// The program in its main cycle, in-process: the headless window, the simulator stand-in (faster than real time) with
// the user parked at Schiphol, the download-server stand-in with the built downloads (data files and the
// airport archive) and a cycle clock without real waits. What the window shows there, its controls and
// its status line, after the start-up, after a restart for new settings, and when the simulator has quit
// and the program is started again; the park band with its counters.
#include "app/ClosingDown.h"
#include "app/MainWindow.h"
#include "app/WindowRequests.h"
#include "app/ProcessEntry.h"
#include "app/ShellRunState.h"
#include "app/ShellThreads.h"
#include "app/StartUp.h"
#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "core/Codes.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "data/Airports.h"
#include "data/Dbase.h"
#include "data/Downloader.h"
#include "liveries/LiveryTables.h"
#include "platform/ui/HeadlessWindow.h"
#include "support/FastCycleClock.h"
#include "support/ProgramFolder.h"
#include "support/ScopedEnv.h"
#include "tools/dlserver/DownloadServer.h"
#include "tools/simstandin/SimStandIn.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <future>
#include <list>
#include <optional>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kBuild = SKYFILL_BINARY_DIR;

// What the window shows at one moment: its controls and what it paints.
struct Screen {
    std::vector<skf::DisplayItem> painted;
    std::string status;
    std::string error;

    std::string textAt(int x, int y) const {
        for (const auto& item : painted)
            if (item.kind == skf::DisplayItem::Kind::Text && item.x0 == x && item.y0 == y)
                return item.text;
        return "<none>";
    }
    std::optional<skf::Colour> colourAt(int x, int y) const {
        for (const auto& item : painted)
            if (item.kind == skf::DisplayItem::Kind::Text && item.x0 == x && item.y0 == y)
                return item.colour;
        return std::nullopt;
    }
    bool hasRect(int x0, int y0, int x1, int y1, skf::Colour colour) const {
        for (const auto& item : painted)
            if (item.kind == skf::DisplayItem::Kind::Rect && item.x0 == x0 && item.y0 == y0 && item.x1 == x1 &&
                item.y1 == y1 && item.colour == colour)
                return true;
        return false;
    }
};

// The fast cycle clock, except that a wait of 400 ms or more takes 30 ms of real time: the waits that give
// other threads time to end (closing down gives the SimClient thread 500 ms) still give them some.
class PacedCycleClock final : public skf::CycleClock {
public:
    TimePoint now() override { return m_fast.now(); }
    void sleepUntil(TimePoint target) override {
        if (target - m_fast.now() >= std::chrono::milliseconds(400))
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        m_fast.sleepUntil(target);
    }

private:
    skf::test::FastCycleClock m_fast;
};

class MainLoopEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kBuild / "downloads" / "versions.json") || !fs::exists(kBuild / "bin" / "scenarios"))
            GTEST_SKIP() << "stand-in data not built";
        const fs::path root = folder.root();
        env.emplace_back("XDG_CONFIG_HOME", (root / "roaming").string());
        env.emplace_back("XDG_DATA_HOME", (root / "local").string());
        env.emplace_back("SKYFILL_OPEN_COMMAND", "true");
        env.emplace_back("SKYFILL_RT_TRAFFIC_PORT", "0");
        env.emplace_back("SKYFILL_RT_QNH_PORT", "0");

        fs::create_directories(root / "roaming" / "Microsoft Flight Simulator" / "Packages" / "Official");
        const fs::path aircraft = root / "roaming" / "Microsoft Flight Simulator" / "Packages" / "Community" /
                                  "user-aitraffic" / "SimObjects" / "Airplanes" / "B738";
        fs::create_directories(aircraft);
        std::ofstream(aircraft / "aircraft.cfg")
            << "[General]\nicao_type_designator=B738\n[fltsim.0]\ntitle=KLM 737\nicao_airline=KLM\n";
        for (const auto& entry : fs::recursive_directory_iterator(kBuild / "Skyfill")) {
            const fs::path target = root / fs::relative(entry.path(), kBuild / "Skyfill");
            const std::string name = entry.path().filename().string();
            if (entry.is_directory())
                fs::create_directories(target);
            else if (name != "skyfill" && !(name.rfind("Log", 0) == 0 && entry.path().extension() == ".txt"))
                fs::copy_file(entry.path(), target, fs::copy_options::skip_existing);
        }
        // Settings of an earlier start of this version: no static aircraft, so that the park airport's update
        // is over at once and the parking controls are free.
        fs::create_directories(root / "roaming" / "Skyfill");
        std::ofstream(root / "roaming" / "Skyfill" / "parameters.xml")
            << "<root><parameters><parameter name=\"PROGRAM_VERSION\" value=\""
            << skf::gf_versionText(skf::g_programVersion)
            << "\"/><parameter name=\"MAX_PARK_SEL\" value=\"0\"/></parameters></root>\n";
        server = std::make_unique<skf::DownloadServer>(kBuild / "downloads");
        ASSERT_TRUE(server->start());
        skf::gf_setDownloadBaseUrl(server->baseUrl());
        skf::gf_setCycleClock(&clock);
        startSimulator();
        freshStart();
        skf::g_productionMode = false;
        skf::gf_setStartUpFunction(skf::lf_startUpSKFL);
        skf::gf_controls().clear();
    }

    void TearDown() override {
        if (!server)
            return;
        skf::gf_joinProgramThreads();
        skf::gf_setStartUpFunction(nullptr);
        skf::gf_setCycleClock(nullptr);
        if (sim)
            stopSimulator();
        server->stop();
        skf::gf_setDownloadBaseUrl("");
        skf::gf_resetStopState();
        skf::gf_clearError();
        if (HasFailure())
            std::cerr << folder.log();
        while (!env.empty())
            env.pop_back(); // the latest first, so that each puts back what was there before it
    }

    // The simulator, on a socket of its own each time it starts.
    void startSimulator() {
        skf::standin::StandInConfig config;
        config.socketPath = (folder.root() / ("sim" + std::to_string(++simStarts) + ".sock")).string();
        env.emplace_back("SKYFILL_SIMCONNECT_SOCKET", config.socketPath);
        config.scenario = skf::standin::gf_loadScenario((kBuild / "bin" / "scenarios" / "default.json").string());
        config.realTime = false; // paced by the test, faster than real time
        config.traceInMemory = true;
        config.traceFrames = false;
        config.traceMoves = false;
        sim = std::make_unique<skf::standin::SimStandIn>(config);
        sim->start();
        // About twenty times real time: a second of the simulator's data every 50 ms.
        pacer = std::jthread([this](std::stop_token stop) {
            while (!stop.stop_requested()) {
                sim->step(1);
                std::this_thread::sleep_for(std::chrono::microseconds(1600));
            }
        });
    }

    void stopSimulator() {
        pacer = {};
        sim->stop();
    }

    // The state of a new process.
    static void freshStart() {
        skf::gf_resetStopState();
        skf::gf_resetShellRunState();
        skf::gf_resetShellSharedState();
        skf::gf_clearLiveryTables();
        skf::g_liveriesProcessed = false;
        skf::gf_clearDbase();
        skf::gf_resetAirports();
        skf::gf_clearError();
        skf::gf_clearStatus();
        skf::lf_resetForRestart(); // the simulator link and the window's fields as a new process has them
    }

    // Runs the program on this thread until it quits; watch runs beside it.
    int runProgram(const std::function<void()>& watch) {
        skf::HeadlessWindow backend(skf::gf_controls());
        window = &backend;
        std::thread watcher([&] {
            watch();
            if (HasFailure())
                std::raise(SIGTERM); // the user closes the window of a run that went wrong
        });
        const int code = skf::lf_runApplication(skf::CommandLine{}, backend);
        watcher.join();
        window = nullptr;
        return code;
    }

    static bool waitFor(const std::function<bool()>& condition, std::chrono::seconds limit = 50s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }

    // The main cycle runs (the callsign list may be asked for) and the park airport is open with its stands.
    bool waitForMainCycle() {
        const bool reached = waitFor([] {
            return skf::gf_controls().isEnabled(skf::g_csOidButton.controlId) &&
                   skf::g_mainWindow.standsLoaded.load() && !skf::g_parkingBusy.load();
        });
        if (!reached)
            ADD_FAILURE() << "cs->oid " << skf::gf_controls().isEnabled(skf::g_csOidButton.controlId)
                          << ", stands loaded " << skf::g_mainWindow.standsLoaded.load() << ", parking busy "
                          << skf::g_parkingBusy.load() << ", static " << skf::g_mainWindow.staticCount.load();
        return reached;
    }

    // What the window shows now, painted on the window thread.
    Screen screen() {
        // One turn of the window's loop first: what the run decided about the controls is applied there.
        auto turned = std::make_shared<std::promise<void>>();
        auto turn = turned->get_future();
        window->playAsUser([turned](skf::HeadlessWindow&) { turned->set_value(); });
        if (turn.wait_for(10s) != std::future_status::ready)
            return Screen{};
        auto done = std::make_shared<std::promise<Screen>>();
        auto result = done->get_future();
        window->playAsUser([done](skf::HeadlessWindow& w) {
            Screen s;
            s.painted = w.paint();
            const auto status = skf::gf_statusSnapshot();
            s.status = status.statusText;
            s.error = status.errorText;
            done->set_value(std::move(s));
        });
        if (result.wait_for(10s) != std::future_status::ready)
            return Screen{};
        return result.get();
    }

    // The window in the main cycle beside a running flight at the park airport.
    void expectMainCycleWindow(const char* moment) {
        SCOPED_TRACE(moment);
        const Screen s = screen();
        const auto& controls = skf::gf_controls();
        EXPECT_EQ(s.error, "");
        EXPECT_TRUE(s.status.find("Restarting") == std::string::npos) << s.status;
        // The controls the run enables, and the lists it fills.
        EXPECT_TRUE(controls.isEnabled(skf::g_csOidButton.controlId));
        EXPECT_EQ(controls.items(skf::CALLSIGN_2_OBJECTID.controlId), std::vector<std::string>{""});
        EXPECT_TRUE(controls.isEnabled(skf::SIM_CHOICE.controlId));
        EXPECT_EQ(controls.selectedText(skf::SIM_CHOICE.controlId), skf::SIM_CHOICE.value());
        EXPECT_EQ(controls.selectedText(skf::RANGE.controlId), std::to_string(skf::RANGE.value()));
        EXPECT_EQ(controls.selectedText(skf::MAX_PARK_SEL.controlId), std::to_string(skf::MAX_PARK_SEL.value()));
        EXPECT_EQ(controls.selectedText(skf::parking_percentage.controlId),
                  std::to_string(skf::parking_percentage.value()));
        EXPECT_FALSE(controls.isEnabled(skf::g_blockButton.controlId)); // nothing chosen to block
        // The parking controls are free: the park airport's update is done.
        for (const std::uint16_t id : {skf::g_reReadButton.controlId, skf::DESTINATION.controlId,
                                       skf::g_flushStaticButton.controlId, skf::parking_percentage.controlId})
            EXPECT_TRUE(controls.isEnabled(id)) << std::hex << id;
        // Indicators: the simulator runs a flight with a known aircraft; RealTraffic is not needed here.
        EXPECT_TRUE(s.hasRect(397, 30, 426, 113, skf::kLime));
        EXPECT_NE(s.textAt(5, 35), "MSFS");
        EXPECT_NE(s.textAt(5, 63), "<none>");
        EXPECT_FALSE(s.hasRect(425, 30, 454, 113, skf::kBlack)); // the start-up is over
        EXPECT_NE(s.textAt(5, 91), "# liveries: ...");
        // The park band: the airport, its stands and counters; no static aircraft are wanted (max park 0).
        EXPECT_EQ(s.textAt(5, 399), "EHAM (AMS)");
        EXPECT_EQ(s.colourAt(5, 399), skf::kLime);
        EXPECT_EQ(s.textAt(5, 427), fmt::format("# stands: {:3}", skf::g_mainWindow.standCount.load()));
        EXPECT_GT(skf::g_mainWindow.standCount.load(), 0U);
        EXPECT_EQ(s.textAt(111, 427), fmt::format("parked live: {:3}", skf::g_mainWindow.parkedLiveCount.load()));
        EXPECT_EQ(s.textAt(430, 427), "<none>"); // no static aircraft wanted
        EXPECT_EQ(s.textAt(708, 427), "no max park live");
        EXPECT_EQ(s.colourAt(171, skf::MAX_PARK_SEL.row), skf::kYellow);
    }

    std::string log() const { return folder.log(); }

    skf::test::ProgramFolder folder{"skf_mainloop"};
    std::list<skf::test::ScopedEnv> env;
    PacedCycleClock clock;
    std::unique_ptr<skf::DownloadServer> server;
    std::unique_ptr<skf::standin::SimStandIn> sim;
    std::jthread pacer; // steps sim
    int simStarts = 0;
    skf::HeadlessWindow* window = nullptr;
};

TEST_F(MainLoopEndToEnd, TheWindowInTheMainCycleAfterStartRestartAndTheSimulatorsReturn) {
    // The first start, then a restart for new settings; then the simulator quits.
    int code = runProgram([&] {
        ASSERT_TRUE(waitForMainCycle()) << "the first start did not reach the main cycle";
        expectMainCycleWindow("after the start-up");
        skf::gf_raiseStop(skf::ExitReason::NewSettings, 3);
        ASSERT_TRUE(waitFor([] { return !skf::gf_controls().isEnabled(skf::g_csOidButton.controlId); }));
        ASSERT_TRUE(waitForMainCycle()) << "the restart did not reach the main cycle";
        expectMainCycleWindow("after the restart for new settings");
        EXPECT_EQ(log().find("Exiting: SIMCONNECT ERROR"), std::string::npos); // the restart found the simulator
        const std::size_t restartEnd = log().size();
        sim->quit();
        // The quit ends the run, whether its quit or a request that failed on the way came first. A failed
        // request restarts the program, which then waits for the simulator: the user closes it.
        ASSERT_TRUE(waitFor([&] { return log().find("Exiting: ", restartEnd) != std::string::npos; }));
        if (log().find("Exiting: SIMCONNECT ERROR", restartEnd) != std::string::npos) {
            ASSERT_TRUE(waitFor([&] { return log().find("Waiting for MSFS", restartEnd) != std::string::npos; }));
            std::raise(SIGTERM);
        }
    });
    EXPECT_EQ(code, 0);
    EXPECT_NE(log().find("Exiting: NEW SETTINGS"), std::string::npos);
    const std::string first = log();
    const std::string quitEnd = first.substr(first.find("Exiting: ", first.find("Exiting: NEW SETTINGS") + 1));
    EXPECT_TRUE(quitEnd.starts_with("Exiting: SIM WAS CLOSED") || quitEnd.starts_with("Exiting: SIMCONNECT ERROR"))
        << quitEnd;

    // The simulator comes back and the program is started again.
    stopSimulator();
    startSimulator();
    freshStart();
    skf::gf_controls().clear();
    code = runProgram([&] {
        ASSERT_TRUE(waitForMainCycle()) << "the start after the simulator's return did not reach the main cycle";
        expectMainCycleWindow("after the simulator came back");
        std::raise(SIGTERM); // the user closes the window
    });
    EXPECT_EQ(code, 0);
    EXPECT_NE(log().find("Exiting: USER CLOSED SIM"), std::string::npos);
}

} // namespace
