// The livery scan over a generated Community folder of about 20,000 aircraft.cfg files (warm cache: the folder
// is scanned once before the timing), by worker count. Reports aircraft.cfg files per second.
// For the two-core figure run it as: taskset -c 0,1 build/bench/bench_livery_scan
#include "bench/BenchFolder.h"
#include "core/ShellState.h"
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "data/Dbase.h"
#include "liveries/LiveryServices.h"
#include "tools/communitygen/CommunityGenerator.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

struct BenchData {
    skf::bench::BenchFolder work{"liveries"};
    const fs::path folder = work.path();
    int files = 0;

    BenchData() {
        fs::create_directories(folder / "output" / "info");
        fs::copy_file(fs::path(SKYFILL_SOURCE_DIR) / "sample" / "dbase.xml", folder / "dbase.xml");
        if (!skf::gf_readDbaseXml(folder / "dbase.xml"))
            throw std::runtime_error("sample dbase not read");
        skf::tools::CommunityOptions options;
        options.seed = 20000;
        options.files = 20000;
        files = skf::tools::gf_generateCommunity(folder / "packages" / "Community", options).aircraftCfgFiles;
        skf::gf_buildProgramPathsIn(folder / "roaming");
        fs::create_directories(skf::g_dataFolder);
        skf::MSFS_INSTALL_PATH.setValue("packages");
        skf::SIM_CHOICE.setValue(skf::SIM_CHOICE.choices.front());
        scan(8); // warm the cache
    }
    static void scan(int workers) {
        skf::g_workerLimit = workers;
        skf::SCAN_LIVERIES.set(true);
        skf::gf_scanLiveries();
    }
};

BenchData& data() {
    static BenchData d;
    return d;
}

// CPU seconds of the whole process (every thread), user and system.
double lf_processCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_LiveryScan(benchmark::State& state) {
    BenchData& d = data();
    const double cpuBefore = lf_processCpuSeconds();
    for (auto _ : state)
        BenchData::scan(static_cast<int>(state.range(0)));
    // All threads' CPU per scan: on a busy machine the wall time says little, this says what the scan costs.
    const double cpuPerScan = (lf_processCpuSeconds() - cpuBefore) / static_cast<double>(state.iterations());
    state.counters["cpu_s/scan"] = cpuPerScan;
    state.counters["cpu_us_per_file"] = cpuPerScan * 1e6 / static_cast<double>(d.files);
    state.counters["files/s"] = benchmark::Counter(
        static_cast<double>(d.files) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LiveryScan)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
