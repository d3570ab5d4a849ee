// One simulator frame of the frame handler with 1,000 active AI objects: the time to send every queued
// command and the latest position of each object to the simulator.
//
// With the simulator stand-in linked in, the frame runs as in the program: inside the dispatch of a frame
// event from a stand-in on a temporary socket that holds the 1,000 objects; the time runs from the start
// of the frame handler until the dispatch has handed every send to the socket. Without the stand-in, the
// frame goes to a connection that refuses every call.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "sim/SimLink.h"
#include "sim/SimLinkInternal.h"
#include "sim/SimQueues.h"
#include "sim/SimQueuesInternal.h"

#ifdef SKYFILL_HAVE_SIMSTANDIN
#include "tools/simstandin/SimStandIn.h"
#endif

namespace {

using namespace skf;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kObjects = 1000;
constexpr std::uint32_t kFirstObject = 100;

void lf_queueOneFrame(int frame) {
    // Every object gets its position; every tenth a light change and every fiftieth a flaps change.
    for (std::uint32_t i = 0; i < kObjects; ++i) {
        AiPositionBlock block;
        block.latitude = 52.3 + i * 1e-4;
        block.longitude = 4.76 + frame * 1e-6;
        block.altitude = 1000.0 + i;
        block.heading = 1.0;
        block.airspeed = 150.0;
        gf_queuePosition(kFirstObject + i, block);
    }
    for (std::uint32_t i = 0; i < kObjects; i += 10) {
        gf_setNavLight(kFirstObject + i, static_cast<std::uint32_t>(frame & 1));
    }
    {
        std::lock_guard lock(g_simCommandMutex);
        for (std::uint32_t i = 0; i < kObjects; i += 50) {
            g_eventQueue.push_back(EventEntry{kFirstObject + i, SIM_EVENT_FLAPS_SET, 3072});
        }
    }
    gf_trySwapPositionBuffers();
}

#ifdef SKYFILL_HAVE_SIMSTANDIN

struct FrameRun {
    Clock::time_point start;
    bool done = false;
    Clock::time_point handlerEnd;
};

void lf_benchDispatch(SIMCONNECT_RECV* message, std::uint32_t, void* context) {
    if (message != nullptr && message->dwID == SIMCONNECT_RECV_ID_EVENT_FRAME) {
        auto* run = static_cast<FrameRun*>(context);
        run->start = Clock::now();
        lf_onFrame();
        run->handlerEnd = Clock::now();
        run->done = true;
    }
}

void lf_drain(SimHandle handle) {
    SimConnect_CallDispatch(
        handle, [](SIMCONNECT_RECV*, std::uint32_t, void*) {}, nullptr);
}

void BM_FrameWith1000Objects(benchmark::State& state) {
    gf_resetSimLink();
    gf_reserveSimQueues();
    g_userObjectId = 1;
    const auto folder =
        std::filesystem::temp_directory_path() / ("skyfill-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    standin::StandInConfig config;
    config.socketPath = (folder / "sim.sock").string();
    config.traceFrames = false;
    config.scenario.firstAiObjectId = kFirstObject;
    config.scenario.capacity = kObjects;
    auto standIn = std::make_unique<standin::SimStandIn>(config);
    standIn->start();
    setenv(SIM_SOCKET_ENV, config.socketPath.c_str(), 1);
    SimHandle handle = 0;
    if (gf_simFailed(SimConnect_Open(&handle, "Skyfill", nullptr, 0, nullptr, 0))) {
        state.SkipWithError("the stand-in refused the connection");
        return;
    }
    lf_setupSimConnect(handle);
    g_simConnect = handle;
    for (std::uint32_t i = 0; i < kObjects; ++i) {
        const SIMCONNECT_DATA_INITPOSITION init{52.3 + i * 1e-4, 4.76, 0.0, 0.0, 0.0, 90.0, 1, 0};
        const std::string tail = "B" + std::to_string(i);
        SimConnect_AICreateNonATCAircraft(handle, "Bench Airliner", tail.c_str(), init, SIM_REQ_CREATE);
    }
    standIn->waitUntil([&] { return standIn->callCount(SimCall::AICreateNonATCAircraft) == kObjects; });
    standIn->step(4);
    if (!standIn->waitUntil([&] { return standIn->aiObjectCount() == kObjects; })) {
        state.SkipWithError("the stand-in did not create the objects");
        return;
    }
    lf_drain(handle);

    int frame = 0;
    for (auto _ : state) {
        lf_queueOneFrame(++frame);
        standIn->step(1);
        FrameRun run;
        while (!run.done) {
            if (gf_simFailed(SimConnect_CallDispatch(handle, lf_benchDispatch, &run))) {
                state.SkipWithError("the stand-in has gone");
                return;
            }
        }
        const auto end = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - run.start).count());
        state.counters["handler_us"] += std::chrono::duration<double, std::micro>(run.handlerEnd - run.start).count();
    }
    state.SetItemsProcessed(state.iterations() * kObjects);
    state.counters["handler_us"] /= static_cast<double>(state.iterations());
    g_simConnect = 0;
    lf_closeSimConnect(handle);
    standIn->stop();
    standIn.reset();
    std::filesystem::remove_all(folder);
    gf_resetSimLink();
}

BENCHMARK(BM_FrameWith1000Objects)->UseManualTime()->Unit(benchmark::kMicrosecond);

#else

void BM_FrameWith1000Objects(benchmark::State& state) {
    gf_resetSimLink();
    gf_reserveSimQueues();
    g_userObjectId = 1;
    int frame = 0;
    for (auto _ : state) {
        state.PauseTiming();
        lf_queueOneFrame(++frame);
        state.ResumeTiming();
        benchmark::DoNotOptimize(lf_onFrame());
    }
    state.SetItemsProcessed(state.iterations() * kObjects);
    gf_resetSimLink();
}

BENCHMARK(BM_FrameWith1000Objects)->Unit(benchmark::kMicrosecond);

#endif

} // namespace
