// The server for RealTraffic against the traffic replayer on loopback: hand-shake, editions, PSX lines,
// the lost client and its return, and the ways a blocked wait for the client ends.
#include "core/Log.h"
#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "core/WindowFields.h"
#include "feed/FeedRequests.h"
#include "feed/FeedState.h"
#include "feed/RealTrafficServer.h"
#include "feed/RealTrafficServerInternal.h"
#include "feed/UdpReader.h"
#include "platform/net/Socket.h"
#include "sim/SimLinkState.h"
#include "sim/SimQueues.h"
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

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', from)) {
        lines.push_back(text.substr(from, at - from));
        from = at + 1;
    }
    if (from < text.size())
        lines.push_back(text.substr(from));
    return lines;
}

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
        gf_resetFeedState();
    }
    void TearDown() override {
        gf_closeServer();
        gf_resetFeedState();
        g_realTrafficLocal = false;
        g_shutDown = false;
        gf_resetStopState();
        gf_clearError();
        gf_resetSimLinkState();
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

// RealTraffic stops reading: a position line never waits on it. The lines it does not take are dropped and
// counted (one log line for the lot), and once it has taken nothing for the stall limit it counts as gone.
TEST_F(RealTrafficServerThreads, AClientThatStopsReadingNeverHoldsTheSenderAndIsDeclaredLost) {
    gf_setRealTrafficSendLimits({4096, 300ms});
    ASSERT_TRUE(gf_openServer("0"));
    Socket client;
    ASSERT_EQ(client.open(SocketKind::Tcp), 0);
    ASSERT_EQ(client.setReceiveBuffer(2048), 0);
    ASSERT_EQ(client.connectLoopback(gf_serverPort()), 0);
    ASSERT_EQ(client.sendAll("{\"version\":\"9.0\"}\n"), 0); // its version reply; it never reads a byte
    gf_waitForRealTraffic();
    ASSERT_TRUE(g_rtConnected.load());

    // Far more lines than both buffers hold; a send that waited for the reader would hang here for good.
    int sends = 0;
    while (gf_droppedRealTrafficLines() < 50 && sends < 100000) {
        gf_sendUserPosition();
        ++sends;
    }
    EXPECT_EQ(gf_droppedRealTrafficLines(), 50U);
    EXPECT_TRUE(g_rtConnected.load()); // dropped lines alone do not lose it
    EXPECT_EQ(gf_takeLiveTrafficRemovals(), 0U);
    const std::string dropped = "to RealTraffic dropped: it takes nothing in";
    EXPECT_EQ(countStartingWith(splitLines(log()), "1 line " + dropped), 1U);

    for (int i = 0; i < 2000 && g_rtConnected.load(); ++i) {
        gf_sendUserPosition();
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_FALSE(g_rtConnected.load());
    EXPECT_EQ(gf_takeLiveTrafficRemovals(), 1U);
    const std::string text = log();
    EXPECT_NE(text.find("sendDataPacket to RealTraffic failed: 10060"), std::string::npos);
    EXPECT_NE(text.find("RealTraffic gone? Wait for RealTraffic to re-connect ..."), std::string::npos);
    EXPECT_EQ(text.find(dropped, text.find(dropped) + 1), std::string::npos); // within the minute: one line
    gf_setRealTrafficSendLimits({});
}

// A burst of connections opened and closed before RealTraffic comes: each is found closed at a look, and
// RealTraffic behind them is served; the closed ones are counted in the log instead of being served.
TEST_F(RealTrafficServerThreads, ABurstOfClosedConnectionsIsPassedOverAndRealTrafficIsServed) {
    ASSERT_TRUE(gf_openServer("0"));
    constexpr int kBurst = 200;
    for (int i = 0; i < kBurst; ++i) {
        Socket burst; // closed again at the end of the loop's body
        ASSERT_EQ(burst.open(SocketKind::Tcp), 0);
        ASSERT_EQ(burst.connectLoopback(gf_serverPort()), 0);
    }
    Replayer replayer(replayerConfig());
    replayer.start();
    for (int i = 0; i < 10000 && replayer.connections() == 0; ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(replayer.connections(), 1);

    const auto start = std::chrono::steady_clock::now();
    gf_waitForRealTraffic();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s); // served one by one, they took many minutes
    EXPECT_TRUE(g_rtConnected.load());
    EXPECT_EQ(g_mainWindow.realTrafficEditionText.get(), "RT stnd edition: 9.0");
    EXPECT_EQ(gf_deadRealTrafficConnections(), static_cast<std::uint64_t>(kBurst));
    EXPECT_EQ(countStartingWith(replayer.received(), "Qs999=version"), 1U);

    const std::vector<std::string> lines = splitLines(log());
    EXPECT_EQ(countStartingWith(lines, "RealTraffic connected"), 1U);
    EXPECT_EQ(countStartingWith(lines, "No RealTraffic version received?"), 0U);
    EXPECT_EQ(countStartingWith(lines, "sendDataPacket"), 0U);
    int counted = 0, countLines = 0;
    for (const std::string& line : lines) {
        const auto at = line.find(" to the RealTraffic server closed before the hand-shake");
        if (at == std::string::npos)
            continue;
        ++countLines;
        counted += std::atoi(line.c_str());
    }
    EXPECT_EQ(counted, kBurst);
    EXPECT_LE(countLines, 2); // the first one at once, the rest when RealTraffic was served
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

// Within 0.0001 degrees of 0,0 in both latitude and longitude the user's position counts as unknown; just off
// it in either, it is sent.
TEST_F(RealTrafficServerThreads, OnlyAPositionOff0_0IsSent) {
    ASSERT_TRUE(gf_openServer("0"));
    Replayer replayer(replayerConfig());
    replayer.start();
    gf_waitForRealTraffic();
    ASSERT_TRUE(g_rtConnected.load());
    struct Row {
        double latitude, longitude;
        bool sent;
    };
    std::vector<std::string> expected;
    for (const Row& r : {Row{0.0001, -0.0001, false}, Row{-0.00011, 0.0, true}, Row{0.0, 0.00011, true},
                         Row{-0.00005, 0.0001, false}}) {
        UserAircraftBlock user;
        user.latitude = r.latitude;
        user.longitude = r.longitude;
        g_userAircraft.setBlock(user);
        gf_sendUserPosition();
        if (r.sent) {
            const std::string line = gf_positionLine(user);
            expected.push_back(line.substr(0, line.size() - 2));
        }
    }
    gf_sendSimTime(1717000000); // behind every position line on the one connection
    ASSERT_TRUE(replayer.waitForLine("Qs123=", 5s));
    std::vector<std::string> positions;
    for (const std::string& line : replayer.received())
        if (line.rfind("Qs121=", 0) == 0)
            positions.push_back(line);
    EXPECT_EQ(positions, expected);
    replayer.stop();
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
