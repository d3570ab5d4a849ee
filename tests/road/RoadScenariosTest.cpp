// The whole program on the road, as a user runs it: the built Skyfill, headless, in a program folder, home
// and runtime folder of its own, beside the simulator stand-in (in real time), the download-server
// stand-in and the traffic replayer with a generated load around Schiphol. Each scenario disturbs the run
// the way the outside world does (the simulator quits, RealTraffic goes and comes back, the feed sends
// garbage, the user closes the window) and checks what the stand-in holds, Log.txt and the files left.
#include "core/Codes.h"
#include "tools/dlserver/DownloadServer.h"
#include "tools/rtreplay/LoadGenerator.h"
#include "tools/rtreplay/Replayer.h"
#include "tools/simstandin/SimStandIn.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <array>
#include <csignal>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using skf::DownloadServer;

const fs::path kBuild = SKYFILL_BINARY_DIR;
constexpr std::array<const char*, 2> kSimulators{"Microsoft Flight Simulator", "Microsoft Flight Simulator 2024"};

std::string lf_read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int lf_count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// True when nothing on this machine holds the port on 127.0.0.1 for that kind of socket.
bool lf_portFree(int kind, std::uint16_t port) {
    const int fd = ::socket(AF_INET, kind, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool free = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return free;
}

// Three free ports in a row below the ephemeral range (server, traffic, QNH), apart from RealTraffic's own,
// so that the scenarios never meet another run of the program on this machine.
std::uint16_t lf_freePorts() {
    for (int i = 0; i < 2000; ++i) {
        const auto base = static_cast<std::uint16_t>(20000 + (::getpid() * 7 + i * 3) % 12000);
        if (lf_portFree(SOCK_STREAM, base) && lf_portFree(SOCK_DGRAM, base + 1) && lf_portFree(SOCK_DGRAM, base + 2))
            return base;
    }
    return 0;
}

// Log.txt and its generations: an earlier run's, which a fresh start must not take over.
bool lf_isLogGeneration(const fs::path& path) {
    const std::string name = path.filename().string();
    return name.rfind("Log", 0) == 0 && path.extension() == ".txt";
}

class RoadScenario : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kBuild / "Skyfill" / "skyfill") || !fs::exists(kBuild / "bin" / "scenarios" / "default.json") ||
            !fs::exists(kBuild / "downloads" / "versions.json"))
            GTEST_SKIP() << "program or stand-in data not built";
        m_dir = fs::temp_directory_path() / ("skyfill-road-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        // The program folder; the program itself is linked, never written. Made first: the listing may name a
        // file of the folder's top before any of its sub-folders.
        fs::create_directories(program());
        for (const auto& entry : fs::recursive_directory_iterator(kBuild / "Skyfill")) {
            const fs::path target = program() / fs::relative(entry.path(), kBuild / "Skyfill");
            if (entry.is_directory())
                fs::create_directories(target);
            else if (entry.path().filename() == "skyfill")
                fs::create_hard_link(entry.path(), target);
            else if (!lf_isLogGeneration(entry.path()))
                fs::copy_file(entry.path(), target);
        }
        // A home with the stand-in's packages (their AI liveries are linked, never written) and RealTraffic.
        for (const char* sim : kSimulators) {
            const fs::path packages = m_dir / "config" / sim / "Packages";
            for (const char* sub : {"Community", "Official", "Official2024"})
                fs::create_directories(packages / sub);
            const fs::path built = kBuild / "standin-home" / "config" / sim / "Packages" / "Community";
            if (fs::exists(built))
                fs::copy(built, packages / "Community",
                         fs::copy_options::recursive | fs::copy_options::create_hard_links |
                             fs::copy_options::skip_existing);
        }
        fs::create_directories(m_dir / "config" / "InsideSystems");
        std::ofstream(m_dir / "config" / "InsideSystems" / "RealTraffic.jar").put('\n');
        for (const char* sub : {"data", "home", "run"})
            fs::create_directories(m_dir / sub);
        fs::permissions(m_dir / "run", fs::perms::owner_all, fs::perm_options::replace);
        // Settings of an earlier start of this version: the program's server on a port of its own.
        m_port = lf_freePorts();
        ASSERT_NE(m_port, 0);
        fs::create_directories(m_dir / "config" / "Skyfill");
        std::ofstream(m_dir / "config" / "Skyfill" / "parameters.xml")
            << "<root><parameters><parameter name=\"PROGRAM_VERSION\" value=\""
            << skf::gf_versionText(skf::g_programVersion) << "\"/><parameter name=\"PORT_NUMBER\" value=\"" << m_port
            << "\"/></parameters></root>\n";

        m_server = std::make_unique<DownloadServer>(kBuild / "downloads");
        ASSERT_TRUE(m_server->start());
        startSimulator();
        m_airframes = skf::rtreplay::readAirframes(fs::path(SKYFILL_SOURCE_DIR) / "sample" / "dbase.xml");
    }

    void TearDown() override {
        if (m_dir.empty())
            return;
        if (running())
            ::kill(m_pid, SIGKILL);
        waitForExit(10s);
        m_replayer.reset();
        if (m_sim)
            m_sim->stop();
        if (m_server)
            m_server->stop();
        if (HasFailure())
            std::cerr << "Log.txt:\n"
                      << log() << "\nLog0.txt (the run before):\n"
                      << lf_read(program() / "Log0.txt") << "\nprogram output:\n"
                      << lf_read(m_dir / "out.txt") << "\n";
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    fs::path program() const { return m_dir / "Skyfill"; }
    std::string log() const { return lf_read(program() / "Log.txt"); }

    void startSimulator() {
        skf::standin::StandInConfig config;
        config.socketPath = (m_dir / "sim.sock").string();
        config.scenario = skf::standin::gf_loadScenario((kBuild / "bin" / "scenarios" / "default.json").string());
        config.realTime = true;
        config.traceInMemory = true;
        config.traceFrames = false;
        config.traceMoves = false;
        m_sim = std::make_unique<skf::standin::SimStandIn>(config);
        m_sim->start();
    }

    // RealTraffic with a load of live aircraft around Schiphol, changed by adjust.
    void startReplayer(const std::function<void(skf::rtreplay::ReplayerConfig&)>& adjust = {}) {
        skf::rtreplay::LoadConfig load;
        load.aircraft = 60;
        load.seconds = 300.0;
        skf::rtreplay::ReplayerConfig config;
        config.serverPort = m_port;
        config.trafficPort = static_cast<std::uint16_t>(m_port + 1);
        config.qnhPort = static_cast<std::uint16_t>(m_port + 2);
        config.feed = skf::rtreplay::generateLoad(load, m_airframes);
        if (adjust)
            adjust(config);
        m_replayer = std::make_unique<skf::rtreplay::Replayer>(config);
        m_replayer->start();
    }

    // Runs the built program in the background, as the user starts it (a new process each time).
    void startSkyfill() {
        ++m_runs;
        m_rcFile = m_dir / ("rc" + std::to_string(m_runs));
        const fs::path pidFile = m_dir / ("pid" + std::to_string(m_runs));
        const std::string command =
            "( (cd '" + program().string() + "' && exec env -u DISPLAY HOME='" + (m_dir / "home").string() +
            "' XDG_RUNTIME_DIR='" + (m_dir / "run").string() + "' XDG_CONFIG_HOME='" + (m_dir / "config").string() +
            "' XDG_DATA_HOME='" + (m_dir / "data").string() + "' SKYFILL_SIMCONNECT_SOCKET='" + m_sim->socketPath() +
            "' SKYFILL_DOWNLOAD_URL='" + m_server->baseUrl() +
            "' SKYFILL_RT_TRAFFIC_PORT=" + std::to_string(m_port + 1) +
            " SKYFILL_RT_QNH_PORT=" + std::to_string(m_port + 2) + " SKYFILL_OPEN_COMMAND=true ./skyfill) >> '" +
            (m_dir / "out.txt").string() + "' 2>&1 & echo $! > '" + pidFile.string() + "'; wait $!; echo $? > '" +
            m_rcFile.string() + "') &";
        ASSERT_EQ(std::system(command.c_str()), 0);
        ASSERT_TRUE(waitFor([&] { return std::atoi(lf_read(pidFile).c_str()) > 1; }, 10s));
        m_pid = std::atoi(lf_read(pidFile).c_str());
    }

    bool running() const { return m_pid > 1 && lf_read(m_rcFile).empty(); }

    // The program's exit code once it has ended; false when it is still running after the limit.
    bool waitForExit(std::chrono::seconds limit) {
        return waitFor([&] { return !lf_read(m_rcFile).empty(); }, limit);
    }
    int exitCode() const { return std::atoi(lf_read(m_rcFile).c_str()); }

    // The user closes the window (the headless window takes SIGTERM as its close button).
    void closeWindow() const { ::kill(m_pid, SIGTERM); }

    static bool waitFor(const std::function<bool()>& condition, std::chrono::seconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(100ms);
        }
        return true;
    }

    bool waitForAircraft(std::size_t count, std::chrono::seconds limit = 300s) {
        return waitFor([&] { return m_sim->aiObjectCount() >= count || !running(); }, limit) &&
               m_sim->aiObjectCount() >= count;
    }

    // Every file the runs left is whole: no temporary file of a replacement, every XML file parses.
    void expectNoCutFile() const {
        for (const fs::path& root : {program(), m_dir / "config" / "Skyfill", m_dir / "data"}) {
            if (!fs::exists(root))
                continue;
            for (const auto& entry : fs::recursive_directory_iterator(root)) {
                const std::string name = entry.path().filename().string();
                EXPECT_FALSE(name.ends_with(".tmp")) << entry.path();
                if (entry.is_regular_file() && entry.path().extension() == ".xml") {
                    pugi::xml_document doc;
                    EXPECT_TRUE(doc.load_file(entry.path().c_str())) << entry.path();
                }
            }
        }
    }

    // Closes the window and checks that the program ends at once and cleanly; its AI objects go with its
    // connection, as the simulator removes a client's objects.
    void closeAndExpectCleanEnd() {
        closeWindow();
        ASSERT_TRUE(waitForExit(60s)) << "the program did not end after its window was closed";
        EXPECT_EQ(exitCode(), 0);
        EXPECT_EQ(m_sim->aiObjectCount(), 0U);
        EXPECT_TRUE(m_sim->waitUntil([&] { return m_sim->connectionCount() == 0; }, 5000ms));
        EXPECT_NE(log().find("Exiting: USER CLOSED SIM"), std::string::npos);
        expectNoCutFile();
    }

    // After a run ended with a restart reason: the countdown ends, the next run opens a connection of its
    // own to the simulator, fills it and sends RealTraffic the position again, and no run fails after it.
    void expectRestartIntoAWorkingRun(const std::string& reason) {
        ASSERT_TRUE(waitFor([&] { return log().find("Exiting: " + reason) != std::string::npos || !running(); }, 300s))
            << "the run did not end with " << reason;
        ASSERT_TRUE(running());
        ASSERT_TRUE(waitFor([&] { return log().find("Restart countdown finished") != std::string::npos; }, 60s));
        ASSERT_TRUE(waitFor([&] { return m_sim->openCount() >= 2 || !running(); }, 60s))
            << "the restarted run never opened a connection to the simulator";
        EXPECT_TRUE(m_sim->waitUntil([&] { return m_sim->connectionCount() == 1; }, 10000ms))
            << m_sim->connectionCount() << " connections, " << m_sim->openCount() << " opened";
        const std::size_t positions = m_replayer->receiveTimes("Qs121=").size();
        ASSERT_TRUE(waitForAircraft(5)) << "the restarted run did not fill the simulator";
        EXPECT_TRUE(m_replayer->waitForLine("Qs121=", 60000ms, positions + 1));
        ASSERT_TRUE(running());
        const std::string text = log();
        EXPECT_EQ(lf_count(text, "Exiting: "), 1) << "a run after the restart ended";
        EXPECT_EQ(text.find("SimConnect request", text.find("Restart countdown finished")), std::string::npos);
        closeAndExpectCleanEnd();
    }

    fs::path m_dir;
    std::unique_ptr<DownloadServer> m_server;
    std::unique_ptr<skf::standin::SimStandIn> m_sim;
    std::unique_ptr<skf::rtreplay::Replayer> m_replayer;
    std::vector<skf::rtreplay::Airframe> m_airframes;
    std::uint16_t m_port = 0;
    int m_runs = 0;
    int m_pid = 0;
    fs::path m_rcFile;
};

// The window is closed at several moments of a run: each time every thread ends, the program leaves no
// object in the simulator and no cut file.
TEST_F(RoadScenario, ClosingTheWindowAtAnyMomentEndsEveryThreadAndLeavesNothing) {
    startReplayer();
    struct Moment {
        const char* name;
        std::function<bool()> reached;
    };
    const std::vector<Moment> moments{
        {"during the start-up", [&] { return fs::exists(program() / "Log.txt"); }},
        {"RealTraffic connected", [&] { return m_replayer->waitForLine("Qs121=", 0ms); }},
        {"live aircraft in the simulator", [&] { return m_sim->aiObjectCount() >= 5; }},
    };
    for (const Moment& moment : moments) {
        SCOPED_TRACE(moment.name);
        startSkyfill();
        ASSERT_TRUE(waitFor([&] { return moment.reached() || !running(); }, 300s));
        ASSERT_TRUE(running());
        closeAndExpectCleanEnd();
        // The next run may begin at any moment again: RealTraffic's earlier lines do not count.
        m_replayer.reset();
        startReplayer();
    }
}

// The simulator quits mid-run: the program ends with SIM WAS CLOSED; the next start, once the simulator is
// back, fills it again.
TEST_F(RoadScenario, TheSimulatorQuitsMidRunAndTheNextStartFillsItAgain) {
    startReplayer();
    startSkyfill();
    ASSERT_TRUE(waitForAircraft(5));
    m_sim->quit();
    ASSERT_TRUE(waitForExit(60s)) << "the program did not end when the simulator quit";
    EXPECT_NE(log().find("Exiting: SIM WAS CLOSED"), std::string::npos);
    EXPECT_EQ(m_sim->aiObjectCount(), 0U);
    expectNoCutFile();

    // The simulator is started again (a new process on the same socket), and then the program.
    m_sim->stop();
    startSimulator();
    startSkyfill();
    ASSERT_TRUE(waitForAircraft(5));
    closeAndExpectCleanEnd();
}

// RealTraffic is closed mid-run and started again: the program takes the new connection and its traffic.
TEST_F(RoadScenario, RealTrafficDisappearsAndComesBack) {
    startReplayer();
    startSkyfill();
    ASSERT_TRUE(waitForAircraft(5));
    m_replayer.reset(); // RealTraffic is closed
    std::this_thread::sleep_for(5s);
    ASSERT_TRUE(running());
    startReplayer(); // and started again
    ASSERT_TRUE(m_replayer->waitForLine("Qs121=", 120000ms)) << "the program never took RealTraffic back";
    ASSERT_TRUE(running());
    EXPECT_TRUE(waitForAircraft(5));
    closeAndExpectCleanEnd();
}

// The feed sends damaged lines, repeats, bursts and datagrams that are no traffic line at all: nothing
// crashes, the damaged lines are counted and dropped, the good ones still become aircraft.
TEST_F(RoadScenario, GarbageFromTheFeedIsDroppedAndCounted) {
    startReplayer([](skf::rtreplay::ReplayerConfig& config) {
        config.malformedEvery = 3;
        config.repeatEvery = 7;
        config.burstSize = 40;
    });
    startSkyfill();
    ASSERT_TRUE(waitForAircraft(5));
    const std::string oversized(60000, 'x');
    const std::string binary("\0\xff\x01,\x80,,,\n", 9);
    for (int i = 0; i < 200; ++i)
        for (const std::string& datagram :
             {oversized, binary, std::string(), std::string(40, ','), std::string("TFC,") + std::string(2000, '9')})
            m_replayer->sendTraffic(datagram);
    std::this_thread::sleep_for(10s);
    ASSERT_TRUE(running());
    const std::string text = log();
    EXPECT_GT(lf_count(text, "exception in processLineSub"), 0);
    EXPECT_GT(lf_count(text, "on the traffic port dropped: no traffic line"), 0);
    closeAndExpectCleanEnd();
}

// The traffic reader finds its port held by another program: the run ends with READER ERROR and restarts;
// the port is free again by then, and the restarted run talks to the simulator and RealTraffic as the first.
TEST_F(RoadScenario, AReaderErrorRestartsIntoAWorkingRun) {
    const int holder = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0); // not inherited by the program
    ASSERT_GE(holder, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(m_port + 1));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(holder, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    startReplayer();
    startSkyfill();
    // The run connects to the simulator; its traffic reader fails, and closing down ends the connection at
    // once, well before the restart (the log says why only when it is flushed, after the countdown).
    const bool connected = waitFor([&] { return m_sim->connectionCount() == 1 || !running(); }, 300s);
    const bool ended = connected && waitFor([&] { return m_sim->connectionCount() == 0 || !running(); }, 120s);
    ::close(holder);
    ASSERT_TRUE(ended) << "the run did not end while the traffic port was held";
    expectRestartIntoAWorkingRun("READER ERROR");
    EXPECT_NE(log().find("The Traffic Reader has stopped with error: bind to stream socket failed"), std::string::npos);
}

// The simulator refuses a request mid-run: the run ends with SIMCONNECT ERROR and restarts into a working run
// on a new connection.
TEST_F(RoadScenario, ASimConnectErrorRestartsIntoAWorkingRun) {
    startReplayer();
    startSkyfill();
    ASSERT_TRUE(waitForAircraft(5));
    ASSERT_TRUE(m_sim->failNextCalls(skf::SimCall::RequestDataOnSimObject, 1));
    expectRestartIntoAWorkingRun("SIMCONNECT ERROR");
}

} // namespace
