// The UDP readers on loopback sockets: datagrams to records, the repeat rule, a port in use, the stop
// flag; the QNH handler and the watchdog.
#include "core/Log.h"
#include "core/StatusLine.h"
#include "core/WindowFields.h"
#include "feed/FeedTestSupport.h"
#include "feed/UdpReader.h"
#include "support/LogText.h"
#include "support/TempFolder.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace skf;
using namespace skf::test;
using namespace std::chrono_literals;

class UdpReaderThreads : public ::testing::Test {
protected:
    void SetUp() override {
        gf_openLogIn(m_folder.path());
        gf_resetFeedState();
        setTrafficGate(true);
        gf_resetStopState();
        ASSERT_EQ(m_sender.open(SocketKind::Udp), 0);
    }
    void TearDown() override {
        gf_resetFeedState();
        gf_resetStopState();
        gf_clearError();
        gf_closeLog();
    }
    std::string log() { return logTextIn(m_folder.path()); }

    TempFolder m_folder;
    Socket m_sender;
};

TEST_F(UdpReaderThreads, TenThousandDatagramsGiveExactlyTheAcceptedRecords) {
    RunningReader<TrafficReader> running;
    running.reader.setReferencePosition(kEhamLatitude, kEhamLongitude);
    const std::uint16_t port = running.waitForPort();
    ASSERT_NE(port, 0);

    std::vector<std::uint32_t> expected;
    std::vector<std::uint32_t> queued;
    constexpr int kDatagrams = 10000;
    for (int i = 0; i < kDatagrams; ++i) {
        const std::uint32_t id = 20000 + static_cast<std::uint32_t>(i);
        const bool accepted = i % 3 != 0;
        if (accepted)
            expected.push_back(id);
        ASSERT_EQ(m_sender.sendTo(port, trafficLine({{1, std::to_string(id)}, {2, accepted ? "52.35" : "55.0"}})), 0);
        // In steps of 50, so the socket's receive buffer never overflows and no datagram is lost.
        if (i % 50 == 49) {
            waitFor([&] { return running.reader.datagrams.load() == static_cast<std::uint64_t>(i + 1); });
            for (const QueuedTraffic& t : takeQueued())
                queued.push_back(t.trafficId);
        }
    }
    running.stop();
    EXPECT_EQ(running.reader.datagrams.load(), static_cast<std::uint64_t>(kDatagrams));
    EXPECT_EQ(queued, expected);
    EXPECT_NE(log().find("Traffic Reader has stopped"), std::string::npos);
    EXPECT_EQ(g_mainWindow.trafficReaderState.load(), READER_STOPPED);
    EXPECT_EQ(running.reader.boundPort.load(), 0); // a stopped reader holds no port
}

TEST_F(UdpReaderThreads, RepeatsAreSkippedOnlyWhenRealTrafficIsElsewhere) {
    for (const bool keepRepeats : {false, true}) {
        SCOPED_TRACE(keepRepeats);
        RunningReader<TrafficReader> running(keepRepeats);
        running.reader.setReferencePosition(kEhamLatitude, kEhamLongitude);
        const std::uint16_t port = running.waitForPort();
        const std::string a = trafficLine({{1, "30001"}});
        const std::string b = trafficLine({{1, "30002"}});
        for (const std::string& d : {a, a, b, a, trafficLine({{1, "30003"}})})
            ASSERT_EQ(m_sender.sendTo(port, d), 0);
        const std::uint64_t handled = keepRepeats ? 5 : 4;
        waitFor([&] { return running.reader.datagrams.load() == handled; });
        std::vector<std::uint32_t> ids;
        for (const QueuedTraffic& t : takeQueued())
            ids.push_back(t.trafficId);
        if (keepRepeats) {
            EXPECT_EQ(ids, (std::vector<std::uint32_t>{30001, 30001, 30002, 30001, 30003}));
        } else {
            EXPECT_EQ(ids, (std::vector<std::uint32_t>{30001, 30002, 30001, 30003}));
        }
    }
}

TEST_F(UdpReaderThreads, APortInUseEndsTheRunWithReaderError) {
    Socket holder;
    ASSERT_EQ(holder.open(SocketKind::Udp), 0);
    ASSERT_EQ(holder.bind(0, true), 0);
    const std::uint16_t taken = holder.localPort();
    for (const bool reasonSetBefore : {false, true}) {
        SCOPED_TRACE(reasonSetBefore);
        gf_resetStopState();
        gf_clearError();
        if (reasonSetBefore)
            gf_raiseStop(ExitReason::SimWasClosed, 0);
        RunningReader<QnhReader> running(true, taken);
        running.stop();
        EXPECT_TRUE(g_stopRun.load());
        EXPECT_EQ(gf_exitReason(), reasonSetBefore ? ExitReason::SimWasClosed : ExitReason::ReaderError);
        if (!reasonSetBefore) {
            EXPECT_EQ(gf_restartDelay(), 15);
        }
        EXPECT_NE(log().find("The QNH Reader has stopped with error: bind to stream socket failed, error: 10048 "
                             "Address already in use"),
                  std::string::npos);
        EXPECT_EQ(g_mainWindow.weatherReaderState.load(), READER_STOPPED);
    }
}

TEST_F(UdpReaderThreads, QnhDatagramsStoreTheRoundedClampedValue) {
    struct Row {
        const char* datagram;
        int stored; // 0: nothing stored
        const char* logged;
    };
    const Row rows[] = {
        {R"({"QNH": 1013.4})", 1013, ""},
        {R"({"QNH": "1009"})", 1009, ""},
        {R"({"QNH": 2992})", 1013, ""},
        {R"({"QNH": 850})", 900, ""},
        {R"({"QNH": 3250})", 1100, ""},
        {R"({"QNH": true})", 0, "no QNH {\"QNH\": true}\n"},
        {R"({"qnh": 1000})", 0, "no QNH {\"qnh\": 1000}\n"},
        {R"({"QNH": null})", 0, "no QNH {\"QNH\": null}\n"},
        {R"({"QNH": "high"})", 0, "==> QNH string parse error: high in {\"QNH\": \"high\"}\n"},
        {R"({"QNH": 1e300})", 0, "Exception narrowing_error, in {\"QNH\": 1e300}\n"},
        {R"([1013])", 0, "no QNH [1013]\n"},
        {R"({"QNH": 10)", 0, nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.datagram);
        QnhReader reader;
        g_qnh = 1;
        const std::size_t before = log().size();
        reader.processQnh(r.datagram);
        const std::string logged = log().substr(before);
        EXPECT_EQ(g_qnh.load(), r.stored == 0 ? 1 : r.stored);
        if (r.logged != nullptr) {
            EXPECT_EQ(logged, r.logged);
        } else {
            EXPECT_EQ(logged.rfind("Exception ", 0), 0U) << logged;
        }
    }
}

TEST_F(UdpReaderThreads, AnEqualQnhIsStoredAgainOnlyWhenItIs1013) {
    QnhReader reader;
    g_mainWindow.weatherReaderState = READER_STALE;
    reader.processQnh(R"({"QNH": 1020})");
    EXPECT_EQ(g_mainWindow.weatherReaderState.load(), READER_RECEIVING); // a stored QNH shows receiving
    g_qnh = 0;
    reader.processQnh(R"({"QNH": 1020})");
    EXPECT_EQ(g_qnh.load(), 0);
    reader.processQnh(R"({"QNH": 1013})");
    g_qnh = 0;
    reader.processQnh(R"({"QNH": 1013})");
    EXPECT_EQ(g_qnh.load(), 1013);
    g_qnh = 1013;
}

TEST_F(UdpReaderThreads, WatchdogTurnsStaleAndBackOnlyOnItsOwnCheck) {
    gf_resetReaderState();
    g_mainWindow.realTrafficLinkUp = true;
    g_mainWindow.weatherReaderState = READER_RECEIVING;
    g_mainWindow.trafficReaderState = READER_RECEIVING;
    g_trafficReader.lastSeenDatagrams = g_trafficReader.datagrams.load();

    g_qnhReader.datagrams += 1;
    gf_watchReaders(); // traffic unchanged: stale; QNH changed and seen: stays receiving
    EXPECT_EQ(g_mainWindow.trafficReaderState.load(), READER_STALE);
    EXPECT_EQ(g_mainWindow.weatherReaderState.load(), READER_RECEIVING);

    g_trafficReader.datagrams += 1; // a datagram alone does not turn it back
    EXPECT_EQ(g_mainWindow.trafficReaderState.load(), READER_STALE);
    g_qnhReader.datagrams += 1;
    gf_watchReaders();
    EXPECT_EQ(g_mainWindow.trafficReaderState.load(), READER_RECEIVING);

    g_mainWindow.realTrafficLinkUp = false; // states not shown: the watchdog does nothing
    gf_watchReaders();
    EXPECT_EQ(g_mainWindow.trafficReaderState.load(), READER_RECEIVING);
    g_mainWindow.resetForRestart();
}

} // namespace

namespace {

// The reader thread checks lines while the main cycle moves the reference, switches the callsign set and
// the engine takes records: every shared value is handed over whole (ThreadSanitizer runs this suite).
TEST(TrafficReaderConcurrent, LinesAreCheckedWhileTheMainCycleAndTheEngineWork) {
    using namespace skf;
    using namespace skf::test;
    TrafficReader reader;
    reader.setReferencePosition(kEhamLatitude, kEhamLongitude);
    gf_resetTrafficQueue();
    setTrafficGate(true);
    std::atomic<bool> done{false};
    std::thread mainCycle([&] {
        for (int i = 0; !done.load(); ++i) {
            reader.setReferencePosition(kEhamLatitude + (i % 2) * 0.01, kEhamLongitude);
            reader.setParkAirport(i % 3 != 0, kEhamLatitude, kEhamLongitude, -11.0);
            reader.clearCallsigns();
            reader.collectCallsigns = i % 2 == 0;
            g_stepCounter.fetch_add(1);
        }
    });
    std::thread engine([&] {
        while (!done.load())
            gf_takeTraffic([](QueuedTraffic&) {});
    });
    for (int i = 0; i < 5000; ++i)
        reader.processLine(trafficLine({{1, std::to_string(20000 + i)}, {9, "KLM" + std::to_string(i % 50)}}));
    done = true;
    mainCycle.join();
    engine.join();
    EXPECT_LE(reader.callsigns().size(), 50U);
    setTrafficGate(false);
    gf_resetTrafficQueue();
}

} // namespace
