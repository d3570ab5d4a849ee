// One simulator frame of the frame handler with 1,000 active AI objects: the time to send every queued
// command and the latest position of each object to the simulator.
//
// With the simulator stand-in linked in, the frame goes to a stand-in on a temporary socket (the real
// client library, the real socket); without it, to a connection that refuses every call.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "sim/SimLink.h"
#include "sim/SimQueues.h"

#ifdef SKYFILL_HAVE_SIMSTANDIN
#include "tools/simstandin/SimStandIn.h"
#endif

namespace {

using namespace skf;

constexpr std::uint32_t kObjects = 1000;
constexpr std::uint32_t kFirstObject = 100;

void lf_queueOneFrame() {
  // Every object gets its position; every tenth a light change and every fiftieth a flaps change.
  for (std::uint32_t i = 0; i < kObjects; ++i) {
    AiPositionBlock block;
    block.latitude = 52.3 + i * 1e-4;
    block.longitude = 4.76 + i * 1e-4;
    block.altitude = 1000.0 + i;
    block.heading = 1.0;
    block.airspeed = 150.0;
    gf_queuePosition(kFirstObject + i, block);
  }
  for (std::uint32_t i = 0; i < kObjects; i += 10) {
    gf_setNavLight(kFirstObject + i, 1);
  }
  {
    std::lock_guard lock(g_simCommandMutex);
    for (std::uint32_t i = 0; i < kObjects; i += 50) {
      g_eventQueue.push_back(EventEntry{kFirstObject + i, SIM_EVENT_FLAPS_SET, 3072});
    }
  }
  gf_trySwapPositionBuffers();
}

void BM_FrameWith1000Objects(benchmark::State& state) {
  gf_resetSimLink();
  gf_reserveSimQueues();
  g_userObjectId = 1;
#ifdef SKYFILL_HAVE_SIMSTANDIN
  const auto folder = std::filesystem::temp_directory_path() / ("skyfill-bench-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(folder);
  standin::StandInConfig config;
  config.socketPath = (folder / "sim.sock").string();
  config.traceFrames = false;
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
#endif
  for (auto _ : state) {
    state.PauseTiming();
#ifdef SKYFILL_HAVE_SIMSTANDIN
    // Take in what the stand-in answered to the previous frame, untimed.
    SimConnect_CallDispatch(handle, [](SIMCONNECT_RECV*, std::uint32_t, void*) {}, nullptr);
#endif
    lf_queueOneFrame();
    state.ResumeTiming();
    benchmark::DoNotOptimize(lf_onFrame());
  }
  state.SetItemsProcessed(state.iterations() * kObjects);
#ifdef SKYFILL_HAVE_SIMSTANDIN
  g_simConnect = 0;
  lf_closeSimConnect(handle);
  standIn->stop();
  standIn.reset();
  std::filesystem::remove_all(folder);
#endif
  gf_resetSimLink();
}

BENCHMARK(BM_FrameWith1000Objects)->Unit(benchmark::kMicrosecond);

} // namespace
