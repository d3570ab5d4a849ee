// The server for RealTraffic against the traffic replayer on loopback: hand-shake, editions, PSX lines,
// the lost client and its return, and the ways a blocked wait for the client ends.
#include "core/Log.h"
#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "core/WindowFields.h"
#include "feed/FeedRequests.h"
#include "feed/RealTrafficServer.h"
#include "feed/UdpReader.h"
#include "platform/net/Socket.h"
#include "support/LogText.h"
#include "support/TempFolder.h"
#include "tools/rtreplay/Replayer.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace skf;
using namespace skf::test;
using namespace std::chrono_literals;
using rtreplay::Replayer;
using rtreplay::ReplayerConfig;

std::size_t countStartingWith(const std::vector<std::string>& lines, std::string_view prefix) {
    return static_cast<std::size_t>(
        std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

class RealTrafficServerThreads : public ::testing::Test {
protected:
    void SetUp() override {
        gf_openLogIn(m_folder.path());
        gf_resetStopState();
        g_realTrafficLocal = true;
        g_inStartUp = true;
        UserAircraftBlock user;
        user.latitude = 52.308;
        user.longitude = 4.7628;
        user.heading = 1.570796;
        user.groundSpeed = 250.0;
        user.altitude = 35000.0;
        user.pitch = 0.05;
        g_userAircraft.setBlock(user);
        gf_takeLiveTrafficRemovals();
    }
    void TearDown() override {
        gf_closeServer();
        gf_takeLiveTrafficRemovals();
        g_realTrafficLocal = false;
        g_shutDown = false;
        gf_resetStopState();
        gf_clearError();
        g_userAircraft.reset();
        g_mainWindow.resetForRestart();
        gf_closeLog();
    }
    std::string log() { return logTextIn(m_folder.path()); }

    ReplayerConfig replayerConfig(bool professional = false) {
        ReplayerConfig config;
        config.serverPort = gf_serverPort();
        config.professional = professional;
        config.version = "9.0";
        config.qnh = 0;
        return config;
    }

    TempFolder m_folder;
};

TEST_F(RealTrafficServerThreads, HandshakeTakesTheEditionAndSendsThePsxLines) {
    struct Row {
        bool professional;
        bool inPieces;
        const char* edition;
    };
    for (const Row& r : {Row{false, false, "RT stnd edition: 9.0"}, Row{true, false, "RT prof edition: 9.0"},
                         Row{true, true, "RT prof edition: 9.0"}}) {
        SCOPED_TRACE(r.edition);
        ASSERT_TRUE(gf_openServer("0"));
        ReplayerConfig config = replayerConfig(r.professional);
        config.replyInPieces = r.inPieces;
        Replayer replayer(config);
        replayer.start();
        gf_waitForRealTraffic();

        EXPECT_TRUE(g_rtConnected.load());
        EXPECT_EQ(g_rtProfessional.load(), r.professional);
        EXPECT_EQ(g_mainWindow.realTrafficEditionText.get(), r.edition);
        EXPECT_TRUE(g_mainWindow.realTrafficLinkUp.load());
        EXPECT_FALSE(g_inStartUp.load());
        EXPECT_NE(log().find("RealTraffic connected"), std::string::npos);

        gf_sendUserPosition();
        gf_sendSimTime(0); // no time line for time 0
        gf_sendSimTime(1717000000);
        gf_closeServer();
        EXPECT_FALSE(g_rtConnected.load()); // the next run asks for the version again
        ASSERT_TRUE(replayer.waitForLine("exit", 5s));
        const auto lines = replayer.received();
        EXPECT_EQ(lines,
                  (std::vector<std::string>{"Qs999=version",
                                            gf_positionLine(g_userAircraft.get().block)
                                                .substr(0, gf_positionLine(g_userAircraft.get().block).size() - 2),
                                            "Qs123=1717000000000", "exit"}));
        replayer.stop();
    }
}

TEST(PositionLine, ValuesAreScaledAndWrittenAsRealTrafficReadsThem) {
    struct Row {
        double pitch, bank, heading, altitude, groundSpeed, latitudeRad, longitudeRad;
        const char* line;
    };
    const double toDegrees = 57.29577951308232;
    for (const Row& r :
         {Row{0, 0, 1.570796, 0, 0, 0.5, 0.1, "Qs121=0;0;1.570796;0;0;0.500000;0.100000\r\n"},
          Row{0.05, -0.1, 0, 35000, 250, 0.9, -0.05,
              "Qs121=5000;-10000;0.000000;35000000;250000;0.900000;-0.050000\r\n"},
          Row{-0.000004, 0, 6.2, 12.3456, 0.0625, 0.91, 0.08, "Qs121=0;0;6.200000;12346;62.5;0.910000;0.080000\r\n"}}) {
        UserAircraftBlock user;
        user.pitch = r.pitch;
        user.bank = r.bank;
        user.heading = r.heading;
        user.altitude = r.altitude;
        user.groundSpeed = r.groundSpeed;
        user.latitude = r.latitudeRad * toDegrees;
        user.longitude = r.longitudeRad * toDegrees;
        EXPECT_EQ(gf_positionLine(user), r.line);
    }
}

TEST_F(RealTrafficServerThreads, ALostClientTakesTheTrafficOutAndComesBackWithoutASecondHandshake) {
    ASSERT_TRUE(gf_openServer("0"));
    Replayer replayer(replayerConfig());
    replayer.start();
    gf_waitForRealTraffic();
    ASSERT_TRUE(g_rtConnected.load());

    replayer.dropConnection(true);
    // The first send after the peer closed may still succeed; one of the next ones fails.
    for (int i = 0; i < 1000 && g_rtConnected.load(); ++i) {
        gf_sendUserPosition();
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_FALSE(g_rtConnected.load());
    EXPECT_EQ(gf_takeLiveTrafficRemovals(), 1U);
    EXPECT_FALSE(g_mainWindow.realTrafficLinkUp.load());
    EXPECT_NE(log().find("RealTraffic gone? Wait for RealTraffic to re-connect ..."), std::string::npos);

    gf_sendUserPosition(); // waits here until the replayer is back
    EXPECT_TRUE(g_rtConnected.load());
    EXPECT_TRUE(g_mainWindow.realTrafficLinkUp.load());
    EXPECT_NE(log().find("RealTraffic re-connected"), std::string::npos);
    const std::size_t before = countStartingWith(replayer.received(), "Qs121=");
    gf_sendUserPosition();
    EXPECT_TRUE(replayer.waitForLine("Qs121=", 5s, before + 1));
    while (replayer.connections() < 2) // counted just after the replayer's connect returns
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(countStartingWith(replayer.received(), "Qs999=version"), 1U);
    replayer.stop();
}

TEST_F(RealTrafficServerThreads, AWaitForTheClientEndsOnClosingTheWindowOrAStopFlag) {
    for (const bool fromWindow : {true, false}) {
        SCOPED_TRACE(fromWindow);
        gf_resetStopState();
        g_shutDown = false;
        ASSERT_TRUE(gf_openServer("0"));
        std::thread other([fromWindow] {
            std::this_thread::sleep_for(200ms);
            if (fromWindow) {
                g_shutDown = true;
                gf_closeServer(); // on this thread only a shutdown: the owner still waits in it
            } else {
                gf_raiseStop(ExitReason::SimWasClosed);
            }
        });
        gf_waitForRealTraffic(); // returns instead of waiting for ever
        other.join();
        EXPECT_FALSE(g_rtConnected.load());
        EXPECT_TRUE(g_inStartUp.load());
        gf_closeServer();
        EXPECT_EQ(gf_serverPort(), 0);
    }
}

TEST_F(RealTrafficServerThreads, NothingIsSentOrAwaitedWithoutAUsablePosition) {
    ASSERT_TRUE(gf_openServer("0"));
    UserAircraftBlock nowhere;
    nowhere.latitude = 0.00005;
    nowhere.longitude = 0.00005;
    g_userAircraft.setBlock(nowhere);
    gf_sendUserPosition(); // not connected, yet no wait
    EXPECT_FALSE(g_rtConnected.load());
    g_realTrafficLocal = false;
    gf_waitForRealTraffic(); // RealTraffic not on this PC: no wait
    EXPECT_FALSE(g_rtConnected.load());
}

TEST_F(RealTrafficServerThreads, APortInUseIsRefusedWithTheBindError) {
    Socket holder;
    ASSERT_EQ(holder.open(SocketKind::Tcp), 0);
    ASSERT_EQ(holder.bind(0, true), 0);
    ASSERT_EQ(holder.listen(), 0);
    const std::string port = std::to_string(holder.localPort());
    try {
        gf_openServer(port);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Bind failed at port " + port + " with error 10048 Address already in use");
    }
    EXPECT_THROW(gf_openServer("ten"), std::runtime_error);
}

TEST_F(RealTrafficServerThreads, VersionRepliesGiveTheEditionOrItsFailure) {
    struct Row {
        const char* reply;
        bool professional;
        const char* edition;
        const char* logged;
    };
    for (const Row& r : {Row{R"({"level":2,"version":"9.0"})", true, "RT prof edition: 9.0", ""},
                         Row{R"({"version":"9.0"})", false, "RT stnd edition: 9.0", ""},
                         Row{R"({"level":1})", false, "RT stnd edition: ", ""}, Row{"[2]", false, "", ""},
                         Row{"RealTraffic 9", false, "", "lf_processRTVersion: JSON parse failed: "},
                         Row{R"({"level":"2"})", false, "", "lf_processRTVersion: JSON parse failed: "},
                         Row{"", false, "", "No RealTraffic version received?"}}) {
        SCOPED_TRACE(r.reply);
        g_rtProfessional = !r.professional;
        g_mainWindow.realTrafficEditionText.set("old");
        gf_clearStatus();
        const std::size_t before = log().size();
        lf_processRTVersion(r.reply);
        EXPECT_EQ(g_rtProfessional.load(), r.professional);
        if (*r.reply != '\0') {
            EXPECT_EQ(g_mainWindow.realTrafficEditionText.get(), r.edition);
        }
        EXPECT_EQ(log().substr(before).rfind(r.logged, 0), 0U) << log().substr(before);
    }
}

} // namespace
