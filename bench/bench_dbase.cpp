// Reading the database: decrypt input/dbase.enc and read it, for a generated database of 200,000
// registrations. Reports MB/s of plain XML for the whole read and for the decryption alone.
#include "bench/BenchFolder.h"
#include "data/Crypto.h"
#include "data/Dbase.h"
#include "tools/skyfill-data/DbaseGenerator.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// A working folder with input/dbase.enc of 200,000 registrations, made once.
struct BenchData {
    skf::bench::BenchFolder work{"dbase"};
    const fs::path folder = work.path();
    std::size_t xmlBytes = 0;

    BenchData() {
        fs::create_directories(folder / "input");
        const auto data = skf::datagen::gf_generateData(200000);
        xmlBytes = data.dbaseXml.size();
        {
            std::ofstream out(folder / "plain.xml", std::ios::binary);
            out << data.dbaseXml;
        }
        skf::gf_streamEncrypt(skf::g_dataKey, folder / "plain.xml", folder / "input" / "dbase.enc");
        fs::remove(folder / "plain.xml");
    }
};

BenchData& lf_data() {
    static BenchData data;
    return data;
}

void BM_DbaseDecryptOnly(benchmark::State& state) {
    BenchData& d = lf_data();
    for (auto _ : state) {
        if (!skf::gf_streamDecrypt("input/dbase.enc", "input/dbase.xml"))
            throw std::runtime_error("decryption failed");
        state.PauseTiming();
        fs::remove("input/dbase.xml");
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.xmlBytes));
}

void BM_DbaseWholeRead(benchmark::State& state) {
    BenchData& d = lf_data();
    for (auto _ : state) {
        state.PauseTiming();
        skf::gf_clearDbase();
        state.ResumeTiming();
        if (!skf::gf_readDbase())
            throw std::runtime_error("read failed");
    }
    state.counters["records"] = static_cast<double>(skf::g_dbaseRecords.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.xmlBytes));
    skf::gf_clearDbase();
}

} // namespace

BENCHMARK(BM_DbaseDecryptOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
// Wall-clock time: the read shares its work with a few threads.
BENCHMARK(BM_DbaseWholeRead)->Unit(benchmark::kMillisecond)->UseRealTime();
