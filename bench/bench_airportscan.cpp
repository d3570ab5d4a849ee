// Add-on airport scan: decoding speed of scenery files, a warm scan of 10,000 scenery files, and a file of
// 2,000 airports (time and manifest reads).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <string>
#include <thread>

#include "airportscan/AirportScan.h"
#include "bench/BenchFolder.h"
#include "airportscan/BglAirports.h"
#include "airportscan/BglDecoder.h"
#include "airportscan/PublisherLookup.h"
#include "airportscan/ScanLog.h"
#include "core/Log.h"
#include "core/ShellState.h"
#include "core/settings/ProgramPaths.h"
#include "data/Airports.h"
#include "data/Dbase.h"
#include "tools/bglgen/BglWriter.h"

namespace {

namespace fs = std::filesystem;
using namespace skf;

bgl::Airport lf_airport(const std::string& ident, int parkings) {
    bgl::Airport a;
    a.ident = ident;
    a.latitude = 50.0;
    a.longitude = 8.0;
    for (int i = 0; i < parkings; ++i)
        a.parkings.push_back(bgl::Parking{12U + static_cast<unsigned>(i % 26),
                                          9,
                                          static_cast<unsigned>(i / 26 + 1),
                                          20.0F,
                                          90.0F,
                                          50.0 + i * 1e-4,
                                          8.0 + i * 1e-4,
                                          {"DLH"}});
    a.helipadsAfter = {bgl::Helipad{50.01, 8.01, 20.0F}};
    return a;
}

std::string lf_ident(int i) {
    std::string s = "AA00";
    s[0] = static_cast<char>('A' + i / 260 % 26);
    s[1] = static_cast<char>('A' + i / 10 % 26);
    s[2] = static_cast<char>('0' + i % 10);
    return s;
}

// Arg 0: a file of airports only (400 airports of 120 parkings, the hardest case); arg 1: a file as
// scenery packages ship them, mostly other sections with an airport section of 20 airports.
void BM_DecodeBgl(benchmark::State& state) {
    bgl::File f;
    const bool dense = state.range(0) == 0;
    f.otherSections = dense ? 4 : 40;
    f.otherRecords = dense ? 2 : 60;
    f.otherRecordWords = 256;
    for (int i = 0; i < (dense ? 400 : 20); ++i)
        f.airports.push_back(lf_airport(lf_ident(i), 120));
    const std::string bytes = bgl::gf_writeBgl(f);
    const std::span<const unsigned char> span(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    for (auto _ : state) {
        const BglWords words(span);
        const BglRecords found = gf_scanBglRecords(words);
        std::size_t stands = 0;
        for (const auto& r : found.records)
            stands += gf_decodeBglAirport(words, r, "bench.bgl").stands.size();
        benchmark::DoNotOptimize(stands);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_DecodeBgl)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A working folder with its log and a small airport list, for the scans.
struct ScanFolder {
    ScanFolder() {
        gf_openLogIn(root);
        gf_buildProgramPathsIn(root / "roaming");
        gf_resetAirports();
        for (int i = 0; i < 2000; ++i) {
            Airport a;
            a.icao = FixedCode<4>(lf_ident(i));
            g_airports.push_back(a);
            g_airportCodes.insert(a.icao);
        }
        g_workerLimit = static_cast<int>(std::max(2U, std::thread::hardware_concurrency()));
    }
    ~ScanFolder() { gf_closeLog(); }
    skf::bench::BenchFolder work{"scan"};
    const fs::path root = work.path();
};

void BM_ScanTenThousandFilesWarm(benchmark::State& state) {
    ScanFolder folder;
    const fs::path community = folder.root / "Community";
    bgl::File objects;
    objects.otherSections = 2;
    const std::string objectBytes = bgl::gf_writeBgl(objects);
    for (int p = 0; p < 100; ++p) {
        const fs::path package = community / ("pkg" + std::to_string(p)) / "scenery";
        fs::create_directories(package);
        for (int i = 0; i < 100; ++i) {
            if (i == 0 && p % 10 == 0) {
                bgl::File f;
                f.airports = {lf_airport(lf_ident(p), 60)};
                bgl::gf_writeBglFile(f, package / "airport.bgl");
            } else {
                std::ofstream(package / ("objects" + std::to_string(i) + ".bgl"), std::ios::binary) << objectBytes;
            }
        }
        std::ofstream(community / ("pkg" + std::to_string(p)) / "manifest.json") << R"({"creator":"Someone"})";
    }
    lf_scanFolderForBgl(community); // warm the file-system cache
    for (auto _ : state) {
        gf_resetScanLog(2048);
        lf_scanFolderForBgl(community);
    }
    state.counters["files"] = 10000;
}
BENCHMARK(BM_ScanTenThousandFilesWarm)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FileOfTwoThousandAirports(benchmark::State& state) {
    ScanFolder folder;
    bgl::File f;
    for (int i = 0; i < 2000; ++i)
        f.airports.push_back(lf_airport(lf_ident(i), 20));
    const fs::path file = folder.root / "Community" / "big-package" / "scenery" / "big.bgl";
    bgl::gf_writeBglFile(f, file);
    std::ofstream(folder.root / "Community" / "big-package" / "manifest.json") << R"({"creator":"Someone"})";
    std::uint64_t reads = 0;
    for (auto _ : state) {
        gf_resetScanLog(2048);
        const std::uint64_t before = g_manifestReads.load();
        ++g_activeWorkers; // lf_processBGLfile gives the slot back
        lf_processBGLfile(file);
        reads = g_manifestReads.load() - before;
    }
    state.counters["manifest_reads_per_file"] = static_cast<double>(reads);
}
BENCHMARK(BM_FileOfTwoThousandAirports)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
