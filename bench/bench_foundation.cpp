// Costs of the foundation's hot helpers: log lines, charset detection, line splitting
// and great-circle distance.
#include "bench/BenchFolder.h"
#include "core/Files.h"
#include "core/FilesInternal.h"
#include "core/Geometry.h"
#include "core/Log.h"
#include "core/Text.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

namespace {

// A scratch folder removed at exit.
std::filesystem::path benchFolder() {
    static const skf::bench::BenchFolder folder("foundation");
    return folder.path();
}

void BM_LogPlainLine(benchmark::State& state) {
    skf::gf_openLogIn(benchFolder());
    for (auto _ : state)
        skf::gf_log("EDDF    : DLH123   parked at a stand of the park airport");
    skf::gf_closeLog();
}
BENCHMARK(BM_LogPlainLine);

void BM_DetectCharset(benchmark::State& state) {
    const auto path = benchFolder() / "aircraft.cfg";
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 400; ++i)
            out << "title = \"Airbus A320 Lufthansa D-AIZ" << i << "\"\r\n";
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(skf::gf_detectCharset(path));
}
BENCHMARK(BM_DetectCharset);

void BM_SplitBufferLines(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += "stand " + std::to_string(i) + ",50.0333,8.5706,270,\r\n";
    std::vector<std::string> lines;
    for (auto _ : state) {
        lines.clear();
        skf::lf_splitBufferLines(text, lines);
        benchmark::DoNotOptimize(lines.data());
    }
}
BENCHMARK(BM_SplitBufferLines);

void BM_DistanceNm(benchmark::State& state) {
    const skf::Position a{50.0333, 8.5706};
    skf::Position b{51.4700, -0.4543};
    for (auto _ : state) {
        b.latitude += 1e-9;
        benchmark::DoNotOptimize(skf::gf_distanceNm(a, b));
    }
}
BENCHMARK(BM_DistanceNm);

} // namespace
