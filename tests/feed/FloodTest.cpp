// Floods of faulty datagrams and simulator messages against what the program keeps: the log gets the first
// line of each kind of fault in full and nothing more within the minute, and neither the client library, the
// link's lists nor the sim-message queue grow with the flood. Long floods are measured in bench/bench_flood.cpp.
#ifdef SKYFILL_HAVE_SIMSTANDIN

#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/StatusLine.h"
#include "feed/FeedTestSupport.h"
#include "feed/UdpReader.h"
#include "sim/SimDispatch.h"
#include "sim/SimLink.h"
#include "sim/SimLinkInternal.h"
#include "sim/SimLinkState.h"
#include "sim/SimQueues.h"
#include "support/LogText.h"
#include "support/SimStandInHarness.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

namespace skf {
namespace {

using namespace skf::test;

// The program's own dispatch fed by the client library from a stand-in that floods it.
class FloodedLink {
public:
    FloodedLink() {
        EXPECT_EQ(SimConnect_Open(&m_handle, "Skyfill", nullptr, 0, nullptr, 0), SIM_OK);
        SimConnect_SubscribeToSystemEvent(m_handle, SIM_EVENT_FRAME, "Frame");
        SimConnect_SubscribeToSystemEvent(m_handle, SIM_EVENT_OBJECT_ADDED, "ObjectAdded");
        std::uint32_t last = 0;
        SimConnect_GetLastSentPacketID(m_handle, &last);
        EXPECT_TRUE(m_sim.sim->waitForPacket(last));
    }
    ~FloodedLink() { SimConnect_Close(m_handle); }

    // Floods and dispatches until every message the stand-in sent was handed to lf_dispatch.
    void flood(standin::FloodKind kind, std::uint64_t count) {
        m_sim.sim->flood(kind, count);
        waitFor([&] {
            SimConnect_CallDispatch(m_handle, &FloodedLink::dispatch, this);
            return m_sim.sim->floodLeft() == 0 && m_dispatched == m_sim.sim->messagesSent();
        });
        SimConnect_CallDispatch(m_handle, &FloodedLink::dispatch, this); // the flood is over: storage given back
    }
    SimConnectionStats stats() const {
        SimConnectionStats s;
        EXPECT_TRUE(gf_simConnectionStats(m_handle, s));
        return s;
    }

private:
    static void dispatch(SIMCONNECT_RECV* message, std::uint32_t size, void* self) {
        ++static_cast<FloodedLink*>(self)->m_dispatched;
        lf_dispatch(message, size, nullptr);
    }
    StandInHarness m_sim;
    SimHandle m_handle = 0;
    std::uint64_t m_dispatched = 0;
};

struct Flood {
    const char* name;
    std::function<void()> send; // sends the whole flood
    std::string firstLine;      // the one line of the flood in the log ("": none)
    std::function<void()> checkMemory = [] {};
};

class Floods : public ::testing::Test {
protected:
    void SetUp() override {
        gf_openLogIn(m_folder.path());
        gf_resetStopState();
        gf_resetSimLinkState();
        gf_reserveSimQueues();
        g_userObjectId = 1;
        g_simIs2020 = true;
    }
    void TearDown() override {
        gf_resetSimLinkState();
        gf_clearError();
        gf_closeLog();
    }
    TempFolder m_folder;
};

TEST_F(Floods, EachKindLogsItsFirstLineOnceAndHoldsNoMoreMemory) {
    constexpr std::uint64_t kMessages = 100000;
    const auto repeat = [](std::uint64_t n, const std::function<void()>& one) {
        for (std::uint64_t i = 0; i < n; ++i)
            one();
    };
    // At most one pump's worth of the smallest messages ever waits in the client library, and its receive buffer
    // keeps no more than its bound once the flood is over.
    const auto boundedLibrary = [](FloodedLink& link) {
        const SimConnectionStats s = link.stats();
        EXPECT_LE(s.peakQueuedMessages, (SIM_PUMP_BYTES + 65536) / (SIM_WIRE_HEADER + sizeof(SIMCONNECT_RECV)));
        EXPECT_LE(s.receiveBufferCapacity, SIM_KEPT_BUFFER_BYTES);
        EXPECT_EQ(s.queuedMessages, 0U);
    };
    TrafficReader traffic;
    traffic.setReferencePosition(kEhamLatitude, kEhamLongitude);
    QnhReader qnh;
    const Flood floods[] = {
        {"bad numeric field", [&] { repeat(kMessages, [&] {
                                        traffic.processLine(trafficLine({{2, "x52"}}));
                                    }); },
         "exception in processLineSub: lat:x52"},
        {"two kinds alternating",
         [&] {
             repeat(kMessages / 2, [&] {
                 traffic.processLine(trafficLine({{8, "fast"}}));
                 traffic.processLine(trafficLine({{20, "slow"}}));
             });
         },
         "exception in processLineSub: gs:fast\nexception in processLineSub: TAS incorrectslow"},
        {"bad QNH datagrams", [&] { repeat(kMessages, [&] { qnh.processQnh(R"({"QNH": true})"); }); },
         R"(no QNH {"QNH": true})"},
        {"over-long datagrams",
         [&] {
             RunningReader<QnhReader> running;
             Socket sender;
             ASSERT_EQ(sender.open(SocketKind::Udp), 0);
             const std::uint16_t port = running.waitForPort();
             for (int i = 0; i < 20; ++i)
                 ASSERT_EQ(sender.sendTo(port, std::string(kReceiveBufferSize, '{')), 0);
             ASSERT_EQ(sender.sendTo(port, R"({"QNH": 1013})"), 0); // behind every over-long one
             waitFor([&] { return running.reader.datagrams.load() == 1; });
         },
         "buffer overrun: 16384 bytes"},
        {"unknown simulator message ids",
         [&] {
             FloodedLink link;
             link.flood(standin::FloodKind::UnknownMessages, kMessages);
             boundedLibrary(link);
         },
         "! Unknown Dispatch dwID 99"},
        {"frames",
         [&] {
             FloodedLink link;
             link.flood(standin::FloodKind::Frames, kMessages);
             boundedLibrary(link);
         },
         ""},
        {"short range data",
         [&] {
             FloodedLink link;
             link.flood(standin::FloodKind::ShortRangeData, kMessages);
             boundedLibrary(link);
         },
         "SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE"},
        {"objects added that never show up in range data",
         [&] {
             FloodedLink link;
             link.flood(standin::FloodKind::ObjectsAdded, kMessages);
             boundedLibrary(link);
         },
         "4096 objects added but never seen in range data: the oldest is forgotten",
         [] {
             // The newest are kept: one of the program's own objects shows up within a range request or two.
             ASSERT_EQ(gf_addedObjects().size(), kMaxAddedObjects);
             EXPECT_EQ(gf_addedObjects().back(), 1000000U + kMessages - 1);
         }},
        {"sim messages the engine does not take",
         [&] { repeat(kMaxSimMessages + 1000, [] { gf_pushSimMessage(SimMessage{}); }); },
         "==> sim messages dropped: 16384 wait for the engine already",
         [] {
             std::vector<SimMessage> taken;
             gf_takeSimMessages(taken);
             EXPECT_EQ(taken.size(), kMaxSimMessages);
             gf_takeSimMessages(taken); // the flood's storage goes back on the way
             gf_takeSimMessages(taken);
             EXPECT_LE(taken.capacity(), kSimMessagesKept);
             std::lock_guard lock(g_simMessageMutex);
             EXPECT_LE(g_simMessages.capacity(), kSimMessagesKept);
         }},
    };
    for (const Flood& f : floods) {
        SCOPED_TRACE(f.name);
        const std::size_t before = logTextIn(m_folder.path()).size();
        f.send();
        const std::string added = logTextIn(m_folder.path()).substr(before);
        // Beside the flood's own lines only those of connecting and disconnecting.
        std::string flood;
        std::istringstream lines(added);
        for (std::string line; std::getline(lines, line);) {
            if (!line.ends_with(" connected") && !line.ends_with(" disconnected") && !line.ends_with(" has stopped"))
                flood += line + "\n";
        }
        EXPECT_EQ(flood, f.firstLine.empty() ? "" : f.firstLine + "\n");
        f.checkMemory();
    }
}

} // namespace
} // namespace skf

#endif
