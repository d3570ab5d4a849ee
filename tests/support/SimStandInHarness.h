#pragma once
// Test helpers: a simulator stand-in on a temporary socket (SKYFILL_SIMCONNECT_SOCKET points at it while the
// harness lives) and a small client that collects received messages.

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/simconnect/SimConnect.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
#include "tools/simstandin/SimStandIn.h"

namespace skf::test {

using SimTempDir = TempFolder;

// The stand-in on a socket of its own, tracing in memory, ticking only when told to.
class StandInHarness {
public:
    explicit StandInHarness(standin::StandInConfig cfg = {}) {
        cfg.socketPath = (dir_.path() / "sim.sock").string();
        cfg.traceInMemory = true;
        cfg.traceFrames = false;
        if (cfg.tracePath.empty())
            cfg.tracePath = (dir_.path() / "trace.jsonl").string();
        socketEnv_.emplace(SIM_SOCKET_ENV, cfg.socketPath);
        sim = std::make_unique<standin::SimStandIn>(cfg);
        sim->start();
    }
    ~StandInHarness() { sim->stop(); }
    StandInHarness(const StandInHarness&) = delete;
    StandInHarness& operator=(const StandInHarness&) = delete;
    const std::filesystem::path& dir() const { return dir_.path(); }

    std::unique_ptr<standin::SimStandIn> sim;

private:
    SimTempDir dir_;
    std::optional<ScopedEnv> socketEnv_; // the client library finds the stand-in's socket through it
};

// One received message, copied out of the client library.
struct ReceivedMessage {
    std::vector<std::uint64_t> words;
    std::uint32_t size = 0;
    const SIMCONNECT_RECV* recv() const { return reinterpret_cast<const SIMCONNECT_RECV*>(words.data()); }
    template <typename T>
    const T& as() const {
        return *static_cast<const T*>(recv());
    }
    std::uint32_t id() const { return recv()->dwID; }
};

// A client connection that collects what it receives.
class SimTestClient {
public:
    SimTestClient() = default;
    ~SimTestClient() { close(); }
    SimTestClient(const SimTestClient&) = delete;
    SimTestClient& operator=(const SimTestClient&) = delete;

    SimResult open(const char* name = "Skyfill") { return SimConnect_Open(&handle, name, nullptr, 0, nullptr, 0); }
    void close() {
        if (handle != 0)
            SimConnect_Close(handle);
        handle = 0;
    }
    // Takes in every message that has arrived; returns the last dispatch result.
    SimResult pump() {
        for (;;) {
            SIMCONNECT_RECV* p = nullptr;
            std::uint32_t n = 0;
            SimResult r = SimConnect_GetNextDispatch(handle, &p, &n);
            if (r != SIM_OK)
                return r;
            ReceivedMessage m;
            m.size = n;
            m.words.assign((n + 7) / 8 + 1, 0);
            std::memcpy(m.words.data(), p, n);
            received.push_back(std::move(m));
        }
    }
    // Pumps until pred() holds; false after the timeout (a generous guard, not a measured time).
    bool waitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            SimResult r = pump();
            if (pred())
                return true;
            if (gf_simFailed(r) || std::chrono::steady_clock::now() > deadline)
                return pred();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    std::vector<const ReceivedMessage*> of(std::uint32_t dwID) const {
        std::vector<const ReceivedMessage*> v;
        for (const auto& m : received)
            if (m.id() == dwID)
                v.push_back(&m);
        return v;
    }
    std::size_t count(std::uint32_t dwID) const { return of(dwID).size(); }
    // Exceptions received, as codes.
    std::vector<const SIMCONNECT_RECV_EXCEPTION*> exceptions() const {
        std::vector<const SIMCONNECT_RECV_EXCEPTION*> v;
        for (const auto* m : of(SIMCONNECT_RECV_ID_EXCEPTION))
            v.push_back(&m->as<SIMCONNECT_RECV_EXCEPTION>());
        return v;
    }
    std::uint32_t lastPacket() const {
        std::uint32_t id = 0;
        SimConnect_GetLastSentPacketID(handle, &id);
        return id;
    }

    SimHandle handle = 0;
    std::vector<ReceivedMessage> received;
};

} // namespace skf::test
