// The live traffic feed's reading of traffic lines on one core, and the traffic queue's memory and drop
// count under a feed faster than the engine takes it.
//
// Lines: a realistic mix around Schiphol (accepted airborne reports, reports out of range, ground reports
// at and away from the park airport, malformed lines), through the whole check of a traffic reader with the
// traffic gate open; the target is at least 1,000,000 lines a second. Queue: 400 records a second for ten
// minutes of feed, replayed as fast as it goes, while the engine takes two records every 10 ms step.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "feed/TrafficQueue.h"
#include "feed/UdpReader.h"

namespace {

using namespace skf;

std::string lf_line(std::uint32_t id, const char* latitude, const char* altitude, const char* speed,
                    const char* origin = "LHR") {
    return "TFC," + std::to_string(id) + "," + latitude + ",4.7641," + altitude + ",-700,1,181.5," + speed +
           ",KLM1234,B738,PH-BXA," + origin + ",AMS,1717000000.5,,,adsb_icao,,,160,,,5,,182,,,A3";
}

std::vector<std::string> lf_mix() {
    std::vector<std::string> lines;
    for (std::uint32_t i = 0; i < 1000; ++i) {
        const std::uint32_t id = 4800000 + i;
        switch (i % 20) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
            lines.push_back(lf_line(id, "55.1", "35000", "460"));
            break; // out of range
        case 5:
        case 6:
            lines.push_back(lf_line(id, "52.3090", "0", "14", ""));
            break; // on the ground here
        case 7:
            lines.push_back(lf_line(id, "52.6000", "0", "12"));
            break; // on the ground elsewhere
        case 8:
            lines.push_back(lf_line(id, "nan", "1800", "150"));
            break; // malformed
        case 9:
            lines.push_back("TFC," + std::to_string(id) + ",52.3,4.7");
            break; // no traffic line
        default:
            lines.push_back(lf_line(id, "52.3512", "1800", "150"));
            break; // accepted airborne
        }
    }
    return lines;
}

void lf_setGate(bool open) {
    std::lock_guard lock(g_addingStackMutex);
    g_liveTrafficOpen = open;
}

void BM_TrafficLines(benchmark::State& state) {
    const std::vector<std::string> lines = lf_mix();
    TrafficReader reader;
    reader.setReferencePosition(52.3086, 4.7639);
    reader.setParkAirport(true, 52.3086, 4.7639, -11.0);
    lf_setGate(true);
    std::size_t i = 0;
    std::size_t queued = 0;
    for (auto _ : state) {
        queued += reader.processLine(lines[i]) == LineOutcome::Queued ? 1 : 0;
        if (++i == lines.size()) {
            i = 0;
            gf_takeTraffic([](QueuedTraffic&) {}, kTrafficQueueBound); // the engine's share, roughly
        }
    }
    lf_setGate(false);
    gf_resetTrafficQueue();
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.counters["accepted_share"] =
        static_cast<double>(queued) / static_cast<double>(std::max<std::int64_t>(state.iterations(), 1));
}
BENCHMARK(BM_TrafficLines);

void BM_QueueUnderFastFeed(benchmark::State& state) {
    const std::string line = lf_line(4800001, "52.3512", "1800", "150");
    TrafficReader reader;
    reader.setReferencePosition(52.3086, 4.7639);
    constexpr int kSteps = 60000;      // ten minutes of 10 ms engine steps
    constexpr int kRecordsPerStep = 4; // 400 records a second
    std::size_t peak = 0;
    std::uint64_t dropped = 0;
    for (auto _ : state) {
        gf_resetTrafficQueue();
        lf_setGate(true);
        const std::uint64_t droppedBefore = gf_trafficQueueDropped();
        for (int step = 0; step < kSteps; ++step) {
            for (int k = 0; k < kRecordsPerStep; ++k)
                reader.processLine(line);
            gf_takeTraffic([](QueuedTraffic&) {});
            peak = std::max(peak, gf_trafficQueueSize());
        }
        dropped = gf_trafficQueueDropped() - droppedBefore;
        lf_setGate(false);
    }
    gf_resetTrafficQueue();
    state.counters["peak_records"] = static_cast<double>(peak);
    state.counters["peak_bytes_approx"] = static_cast<double>(peak * sizeof(QueuedTraffic));
    state.counters["dropped"] = static_cast<double>(dropped);
}
BENCHMARK(BM_QueueUnderFastFeed)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
