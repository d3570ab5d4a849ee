// The client library on its own: handles, socket path, wire frames.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/simconnect/SimConnect.h"
#include "platform/simconnect/SimWire.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

using namespace skf;

namespace {

using skf::test::ScopedEnv;

// A listening socket of a simulator played by the test, in a folder of its own; gone with the object.
struct PeerSocket {
    std::string dir = "/tmp/skyfill-client-test-XXXXXX";
    std::string path;
    int listener = -1;

    explicit PeerSocket(int backlog) {
        if (::mkdtemp(dir.data()) == nullptr)
            throw std::runtime_error("no temporary folder");
        path = dir + "/sim.sock";
        listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listener, backlog) != 0)
            throw std::runtime_error("cannot listen on " + path);
    }
    ~PeerSocket() {
        ::close(listener);
        ::unlink(path.c_str());
        ::rmdir(dir.c_str());
    }
    PeerSocket(const PeerSocket&) = delete;
    PeerSocket& operator=(const PeerSocket&) = delete;
};

} // namespace

TEST(SimConnectHandle, ZeroAndUnknownHandlesFailEveryCall) {
    std::uint32_t id = 7;
    EXPECT_EQ(SimConnect_GetLastSentPacketID(0, &id), SIM_E_HANDLE);
    EXPECT_EQ(id, 0u);
    auto proc = [](SIMCONNECT_RECV*, std::uint32_t, void*) {};
    for (SimHandle h : {SimHandle{0}, SimHandle{424242}}) {
        EXPECT_EQ(SimConnect_CallDispatch(h, proc, nullptr), SIM_E_HANDLE);
        SIMCONNECT_RECV* m = nullptr;
        std::uint32_t n = 0;
        EXPECT_EQ(SimConnect_GetNextDispatch(h, &m, &n), SIM_E_HANDLE);
        EXPECT_EQ(SimConnect_AIRemoveObject(h, 5, SIM_REQ_REMOVE), SIM_E_HANDLE);
        EXPECT_EQ(SimConnect_AICreateNonATCAircraft(h, "t", "CS1", {}, SIM_REQ_CREATE), SIM_E_HANDLE);
        double block[8] = {};
        EXPECT_EQ(SimConnect_SetDataOnSimObject(h, SIM_DEF_AI_POSITION, 100, 0, 0, sizeof block, block), SIM_E_HANDLE);
        EXPECT_EQ(SimConnect_Close(h), SIM_E_HANDLE);
    }
}

TEST(SimConnectHandle, OpenFailsWithoutASimulator) {
    ScopedEnv env(SIM_SOCKET_ENV, "/nonexistent-folder/skyfill/sim.sock");
    SimHandle h = 99;
    EXPECT_EQ(SimConnect_Open(&h, "Skyfill", nullptr, 0, nullptr, 0), SIM_E_FAIL);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(SimConnect_Open(nullptr, "Skyfill", nullptr, 0, nullptr, 0), SIM_E_INVALIDARG);
    EXPECT_EQ(SimConnect_Open(&h, nullptr, nullptr, 0, nullptr, 0), SIM_E_INVALIDARG);
}

TEST(SimConnectHandle, SocketPathFromTheEnvironment) {
    {
        ScopedEnv env(SIM_SOCKET_ENV, "/run/x/sim.sock");
        EXPECT_EQ(gf_simConnectSocketPath(), "/run/x/sim.sock");
    }
    ScopedEnv none(SIM_SOCKET_ENV, nullptr);
    {
        // Only a folder of this user that others cannot reach (RuntimeFolderTest has the refused ones).
        skf::test::TempFolder runtime;
        std::filesystem::permissions(runtime.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
        ScopedEnv rt("XDG_RUNTIME_DIR", runtime.path().string());
        EXPECT_EQ(gf_simConnectSocketPath(), (runtime.path() / "skyfill-simconnect.sock").string());
    }
    ScopedEnv rt("XDG_RUNTIME_DIR", nullptr);
    EXPECT_EQ(gf_simConnectSocketPath(), "/tmp/skyfill-" + std::to_string(::getuid()) + "/simconnect.sock");
}

TEST(SimConnectWire, FramesSplitFromAStream) {
    std::vector<std::byte> stream;
    {
        SimWireWriter a(stream, static_cast<std::uint32_t>(SimCall::AIRemoveObject), 5);
        a.u32(123).u32(SIM_REQ_REMOVE).finish();
    }
    {
        SimWireWriter b(stream, static_cast<std::uint32_t>(SimCall::MapClientEventToSimEvent), 6);
        b.u32(SIM_EVENT_GEAR_SET).str("GEAR_SET").f64(2.5).finish();
    }
    // Half of the second frame has not arrived yet.
    std::vector<std::byte> buffer(stream.begin(), stream.end() - 5);
    std::vector<SimWireFrame> frames;
    ASSERT_TRUE(gf_simWireSplit(buffer, frames));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].packetId, 5u);
    SimWireReader r(frames[0].payload.data(), frames[0].payload.size());
    EXPECT_EQ(r.u32(), 123u);
    EXPECT_EQ(r.u32(), SIM_REQ_REMOVE);
    EXPECT_TRUE(r.atEnd());
    buffer.insert(buffer.end(), stream.end() - 5, stream.end());
    ASSERT_TRUE(gf_simWireSplit(buffer, frames));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_TRUE(buffer.empty());
    SimWireReader r2(frames[1].payload.data(), frames[1].payload.size());
    EXPECT_EQ(r2.u32(), SIM_EVENT_GEAR_SET);
    EXPECT_EQ(r2.str(), "GEAR_SET");
    EXPECT_EQ(r2.f64(), 2.5);
    EXPECT_FALSE(r2.failed());
    // Reading past the end gives zeros and marks the reader failed.
    EXPECT_EQ(r2.u32(), 0u);
    EXPECT_TRUE(r2.failed());
    EXPECT_EQ(gf_simCallFromName("MapClientEventToSimEvent"), SimCall::MapClientEventToSimEvent);
    EXPECT_FALSE(gf_simCallFromName("Nothing"));
}

TEST(SimConnectWire, CorruptLengthsAreRefused) {
    for (std::uint32_t len : {0u, 7u, SIM_WIRE_MAX_FRAME + 1}) {
        std::vector<std::byte> buffer(16);
        std::memcpy(buffer.data(), &len, 4);
        std::vector<SimWireFrame> frames;
        EXPECT_FALSE(gf_simWireSplit(buffer, frames)) << len;
        EXPECT_TRUE(frames.empty());
    }
    // A string whose count runs past the payload.
    std::vector<std::byte> payload(4);
    std::uint32_t n = 1000;
    std::memcpy(payload.data(), &n, 4);
    SimWireReader r(payload.data(), payload.size());
    EXPECT_EQ(r.str(), "");
    EXPECT_TRUE(r.failed());
}

TEST(SimConnectMessages, DataBlockStartsAtDwData) {
    alignas(8) std::byte buf[64] = {};
    auto* m = reinterpret_cast<SIMCONNECT_RECV_SIMOBJECT_DATA*>(buf);
    m->dwSize = 56;
    EXPECT_EQ(reinterpret_cast<const std::byte*>(gf_simDataBlock(m)) - buf, 40);
    EXPECT_EQ(gf_simDataBlockSize(m), 16u);
    m->dwSize = 12;
    EXPECT_EQ(gf_simDataBlockSize(m), 0u);
    EXPECT_EQ(gf_simDataBlockSize(nullptr), 0u);
}

// A peer on the socket that answers the hello with something else is not taken for a simulator.
TEST(SimConnectHandle, OpenRefusesAPeerThatIsNoSimulator) {
    PeerSocket sim(4);
    const int listener = sim.listener;
    const std::string& path = sim.path;
    std::thread peer([&] {
        for (int i = 0; i < 2; ++i) {
            int fd = ::accept(listener, nullptr, nullptr);
            char buf[256];
            [[maybe_unused]] auto got = ::recv(fd, buf, sizeof buf, 0);
            if (i == 0) {
                const char text[] = "HTTP/1.1 400 Bad Request\r\n\r\n";
                [[maybe_unused]] auto sent = ::send(fd, text, sizeof text - 1, MSG_NOSIGNAL);
            }
            ::close(fd); // the second peer just hangs up
        }
    });
    ScopedEnv env(SIM_SOCKET_ENV, path.c_str());
    SimHandle h = 5;
    EXPECT_EQ(SimConnect_Open(&h, "Skyfill", nullptr, 0, nullptr, 0), SIM_E_FAIL);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(SimConnect_Open(&h, "Skyfill", nullptr, 0, nullptr, 0), SIM_E_FAIL);
    peer.join();
}

// A simulator that sends messages shorter than the structs their kinds name: the fields it left out read as
// zeros (an empty application name, no versions), never as bytes beyond the message.
TEST(SimConnectMessages, ShortMessagesReadAsZerosBeyondTheirEnd) {
    PeerSocket sim(1);
    const int listener = sim.listener;
    const std::string& path = sim.path;
    const std::uint32_t kinds[] = {SIMCONNECT_RECV_ID_EXCEPTION,      SIMCONNECT_RECV_ID_OPEN,
                                   SIMCONNECT_RECV_ID_EVENT,          SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE,
                                   SIMCONNECT_RECV_ID_EVENT_FILENAME, SIMCONNECT_RECV_ID_EVENT_FRAME,
                                   SIMCONNECT_RECV_ID_SIMOBJECT_DATA, SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE};
    int peerFd = -1;
    std::thread peer([&] {
        peerFd = ::accept(listener, nullptr, nullptr);
        char buf[256];
        [[maybe_unused]] auto got = ::recv(peerFd, buf, sizeof buf, 0);
        std::vector<std::byte> out;
        {
            SimWireWriter ack(static_cast<std::uint32_t>(SimReply::HelloAck), 0);
            ack.u32(1);
            const auto& f = ack.frame();
            out.insert(out.end(), f.begin(), f.end());
        }
        for (std::uint32_t kind : kinds) {
            // Only the common head: none of the fields of the kind itself.
            SIMCONNECT_RECV head{12, 1, kind};
            SimWireWriter m(static_cast<std::uint32_t>(SimReply::Message), 0);
            m.raw(&head, sizeof head);
            const auto& f = m.frame();
            out.insert(out.end(), f.begin(), f.end());
        }
        [[maybe_unused]] auto sent = ::send(peerFd, out.data(), out.size(), MSG_NOSIGNAL);
    });
    ScopedEnv env(SIM_SOCKET_ENV, path.c_str());
    SimHandle h = 0;
    ASSERT_EQ(SimConnect_Open(&h, "Skyfill", nullptr, 0, nullptr, 0), SIM_OK);
    peer.join();
    struct Seen {
        std::size_t count = 0;
        bool allZero = true;
    } seen;
    for (int i = 0; i < 2000 && seen.count < std::size(kinds); ++i) {
        ASSERT_EQ(SimConnect_CallDispatch(
                      h,
                      [](SIMCONNECT_RECV* m, std::uint32_t size, void* context) {
                          auto& s = *static_cast<Seen*>(context);
                          ++s.count;
                          EXPECT_EQ(size, 12u);
                          // Every byte after the head, as far as the largest message struct reaches.
                          const auto* bytes = reinterpret_cast<const unsigned char*>(m);
                          for (std::size_t b = sizeof(SIMCONNECT_RECV); b < sizeof(SIMCONNECT_RECV_OPEN); ++b) {
                              s.allZero = s.allZero && bytes[b] == 0;
                          }
                          if (m->dwID == SIMCONNECT_RECV_ID_OPEN) {
                              const auto* open = static_cast<const SIMCONNECT_RECV_OPEN*>(m);
                              s.allZero =
                                  s.allZero && open->szApplicationName[0] == '\0' && open->dwApplicationBuildMinor == 0;
                          }
                      },
                      &seen),
                  SIM_OK);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(seen.count, std::size(kinds));
    EXPECT_TRUE(seen.allZero);
    SimConnect_Close(h);
    ::close(peerFd);
}

// The simulator sees the Close call before the connection ends; and when the simulator hangs up, the dispatch
// reports it gone instead of reading the end of the stream as data.
TEST(SimConnectHandle, TheSimulatorSeesTheCloseAndAHangUpEndsTheLink) {
    PeerSocket sim(2);
    const int listener = sim.listener;
    const std::string& path = sim.path;
    std::vector<std::uint32_t> firstKinds; // the calls of the first connection, up to its end
    std::thread peer([&] {
        for (int i = 0; i < 2; ++i) {
            int fd = ::accept(listener, nullptr, nullptr);
            std::vector<std::byte> in(256);
            const auto got = ::recv(fd, in.data(), in.size(), 0);
            in.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
            SimWireWriter ack(static_cast<std::uint32_t>(SimReply::HelloAck), 0);
            ack.u32(1);
            const auto& frame = ack.frame();
            [[maybe_unused]] auto sent = ::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL);
            if (i == 0) {
                std::byte buf[256];
                for (auto n = ::recv(fd, buf, sizeof buf, 0); n > 0; n = ::recv(fd, buf, sizeof buf, 0))
                    in.insert(in.end(), buf, buf + n);
                std::vector<SimWireFrame> frames;
                gf_simWireSplit(in, frames);
                for (const SimWireFrame& f : frames)
                    firstKinds.push_back(f.kind);
            }
            ::close(fd); // the second simulator hangs up at once
        }
    });
    ScopedEnv env(SIM_SOCKET_ENV, path.c_str());
    SimHandle first = 0;
    ASSERT_EQ(SimConnect_Open(&first, "Skyfill", nullptr, 0, nullptr, 0), SIM_OK);
    EXPECT_EQ(SimConnect_Close(first), SIM_OK);
    SimHandle second = 0;
    ASSERT_EQ(SimConnect_Open(&second, "Skyfill", nullptr, 0, nullptr, 0), SIM_OK);
    peer.join();
    EXPECT_EQ(firstKinds, (std::vector<std::uint32_t>{static_cast<std::uint32_t>(SimCall::Hello),
                                                      static_cast<std::uint32_t>(SimCall::Close)}));
    SimResult result = SIM_OK;
    for (int i = 0; i < 2000 && result == SIM_OK; ++i) {
        result = SimConnect_CallDispatch(
            second, [](SIMCONNECT_RECV*, std::uint32_t, void*) {}, nullptr);
        if (result == SIM_OK)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(result, SIM_E_GONE);
    SimConnect_Close(second);
}
