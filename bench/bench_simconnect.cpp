// The client library's cost of one simulator frame: 1,000 AI positions sent from inside the dispatch, as the
// frame handler does, against the stand-in on a temporary socket.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/simconnect/SimConnect.h"
#include "tools/simstandin/SimStandIn.h"

namespace {

using namespace skf;

struct Frame {
    SimHandle h = 0;
    std::uint32_t count = 0;
    bool seen = false;
    std::chrono::nanoseconds spent{0};
};

void onMessage(SIMCONNECT_RECV* m, std::uint32_t, void* ctx) {
    auto* f = static_cast<Frame*>(ctx);
    if (m->dwID != SIMCONNECT_RECV_ID_EVENT_FRAME)
        return;
    auto t0 = std::chrono::steady_clock::now();
    double block[8] = {52.3, 4.76, 0, 0, 1.0, 100, 0, 140};
    for (std::uint32_t i = 0; i < f->count; ++i)
        SimConnect_SetDataOnSimObject(f->h, SIM_DEF_AI_POSITION, 100 + i, 0, 0, sizeof block, block);
    f->spent = std::chrono::steady_clock::now() - t0;
    f->seen = true;
}

void BM_FramePositions(benchmark::State& state) {
    std::string dir = (std::filesystem::temp_directory_path() / "skyfill-bench-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr)
        return state.SkipWithError("mkdtemp");
    standin::StandInConfig cfg;
    cfg.socketPath = dir + "/sim.sock";
    cfg.traceFrames = false;
    cfg.scenario.foreign.clear();
    ::setenv(SIM_SOCKET_ENV, cfg.socketPath.c_str(), 1);
    standin::SimStandIn sim(cfg);
    sim.start();
    Frame f;
    f.count = static_cast<std::uint32_t>(state.range(0));
    if (SimConnect_Open(&f.h, "bench", nullptr, 0, nullptr, 0) != SIM_OK)
        return state.SkipWithError("open");
    SimConnect_SubscribeToSystemEvent(f.h, SIM_EVENT_FRAME, "Frame");
    for (const char* v : {"Plane Latitude", "Plane Longitude", "Plane Pitch degrees", "Plane Bank degrees",
                          "Plane Heading degrees true", "Plane Altitude", "Vertical Speed", "Airspeed True"})
        SimConnect_AddToDataDefinition(f.h, SIM_DEF_AI_POSITION, v, "feet", SIMCONNECT_DATATYPE_FLOAT64);
    std::uint32_t last = 0;
    SimConnect_GetLastSentPacketID(f.h, &last);
    sim.waitForPacket(last);
    for (auto _ : state) {
        f.seen = false;
        sim.step(1);
        while (!f.seen)
            SimConnect_CallDispatch(f.h, onMessage, &f);
        state.SetIterationTime(std::chrono::duration<double>(f.spent).count());
    }
    SimConnect_Close(f.h);
    sim.stop();
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_FramePositions)->Arg(1000)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace
