// Long floods against what the program keeps. A simulator (or whatever sits on its socket) sends 2,000,000
// messages of one kind, as fast as the program takes them in, through the client library and the program's own
// dispatch; a traffic reader gets 2,000,000 faulty lines with the log open. Figures: the most messages that ever
// waited in the client library, the resident memory the flood added at its peak and kept after it, and the
// bytes it wrote to the log.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench/BenchFolder.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "feed/UdpReader.h"
#include "platform/simconnect/SimConnect.h"
#include "sim/SimDispatch.h"
#include "sim/SimLink.h"
#include "sim/SimLinkInternal.h"
#include "sim/SimQueues.h"
#include "tools/simstandin/SimStandIn.h"

namespace {

using namespace skf;

constexpr std::uint64_t kFlood = 2000000;

double lf_residentMb() {
    long pages = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        long size = 0;
        if (std::fscanf(f, "%ld %ld", &size, &pages) != 2)
            pages = 0;
        std::fclose(f);
    }
    return static_cast<double>(pages) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

struct Counted {
    std::uint64_t dispatched = 0;
};

void lf_dispatchCounted(SIMCONNECT_RECV* message, std::uint32_t size, void* context) {
    ++static_cast<Counted*>(context)->dispatched;
    lf_dispatch(message, size, nullptr);
}

void BM_SimFlood(benchmark::State& state) {
    bench::BenchFolder folder("flood");
    gf_openLog();
    standin::StandInConfig cfg;
    cfg.socketPath = (folder.path() / "sim.sock").string();
    cfg.traceFrames = false;
    cfg.scenario.foreign.clear();
    ::setenv(SIM_SOCKET_ENV, cfg.socketPath.c_str(), 1);
    standin::SimStandIn sim(cfg);
    sim.start();
    const auto kind = static_cast<standin::FloodKind>(state.range(0));
    double peakGrowth = 0.0;
    double kept = 0.0;
    SimConnectionStats stats;
    for (auto _ : state) {
        gf_resetSimLink();
        gf_reserveSimQueues();
        g_userObjectId = 1;
        SimHandle handle = 0;
        if (SimConnect_Open(&handle, "Skyfill", nullptr, 0, nullptr, 0) != SIM_OK)
            return state.SkipWithError("open");
        SimConnect_SubscribeToSystemEvent(handle, SIM_EVENT_FRAME, "Frame");
        SimConnect_SubscribeToSystemEvent(handle, SIM_EVENT_OBJECT_ADDED, "ObjectAdded");
        std::uint32_t last = 0;
        SimConnect_GetLastSentPacketID(handle, &last);
        sim.waitForPacket(last);
        const double before = lf_residentMb();
        Counted counted;
        sim.flood(kind, kFlood);
        for (std::uint64_t turn = 0; sim.floodLeft() > 0 || counted.dispatched < sim.messagesSent(); ++turn) {
            SimConnect_CallDispatch(handle, lf_dispatchCounted, &counted);
            if (turn % 256 == 0)
                peakGrowth = std::max(peakGrowth, lf_residentMb() - before);
        }
        SimConnect_CallDispatch(handle, lf_dispatchCounted, &counted);
        std::vector<SimMessage> messages;
        gf_takeSimMessages(messages);
        gf_takeSimMessages(messages);
        kept = lf_residentMb() - before;
        gf_simConnectionStats(handle, stats);
        SimConnect_Close(handle);
    }
    sim.stop();
    gf_closeLog();
    state.counters["peak_queued"] = static_cast<double>(stats.peakQueuedMessages);
    state.counters["rss_peak_growth_mb"] = peakGrowth;
    state.counters["rss_kept_mb"] = kept;
    state.counters["log_bytes"] = static_cast<double>(gf_logBytesWritten());
    state.counters["added_objects"] = static_cast<double>(gf_addedObjects().size());
}
BENCHMARK(BM_SimFlood)
    ->Arg(static_cast<int>(standin::FloodKind::UnknownMessages))
    ->Arg(static_cast<int>(standin::FloodKind::Frames))
    ->Arg(static_cast<int>(standin::FloodKind::ObjectsAdded))
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_DatagramFlood(benchmark::State& state) {
    bench::BenchFolder folder("datagrams");
    gf_openLog();
    TrafficReader reader;
    reader.setReferencePosition(52.3, 4.76);
    const std::string lines[] = {
        "TFC,4800001,x52.35,4.7641,1800,-700,1,181.5,150,KLM1,B738,PH-BXA,LHR,AMS,1717000000.5,,,adsb_icao,,,160,,,5,,"
        "182,,,A3",
        "TFC,4800002,52.35,4.7641,1800,-700,1,181.5,fast,KLM2,B738,PH-BXB,LHR,AMS,1717000000.5,,,adsb_icao,,,160,,,5,"
        ",182,,,A3"};
    const double before = lf_residentMb();
    std::uint64_t n = 0;
    for (auto _ : state) {
        for (std::uint64_t i = 0; i < kFlood; ++i)
            benchmark::DoNotOptimize(reader.processLine(lines[i % 2]));
        n += kFlood;
    }
    gf_flushLog();
    state.counters["log_bytes"] = static_cast<double>(gf_logBytesWritten());
    state.counters["rss_kept_mb"] = lf_residentMb() - before;
    state.SetItemsProcessed(static_cast<std::int64_t>(n));
    gf_closeLog();
}
BENCHMARK(BM_DatagramFlood)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
