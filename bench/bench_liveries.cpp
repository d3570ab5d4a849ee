// The livery tables and the matching: the table build at start-up for 20,000 liveries and 7,000 AIG
// registration records (target: under 300 ms), and one live match over a realistic mix of aircraft
// (target: 5 us at the 99th percentile, reported as the p99_us counter, with and without Log.txt open: each
// match writes one log line, and the log stream's buffer is written out about every 90 lines).
#include "bench/BenchFolder.h"
#include "core/Log.h"
#include "core/Random.h"
#include "core/settings/Catalogue.h"
#include "data/Crypto.h"
#include "data/Dbase.h"
#include "data/DbaseLookups.h"
#include "liveries/LiveryMatching.h"
#include "liveries/LiveryTables.h"
#include "tools/skyfill-data/DbaseGenerator.h"
#include "tools/skyfill-data/LiveryGenerator.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kLiveries = 20000;
constexpr std::size_t kAigRecords = 7000;

void lf_writeText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// A working folder with the database read, output/LiveriesScanned.xml of 20,000 liveries and
// input/AIG-regcodes.enc of 7,000 titles with their codes; made once.
struct BenchData {
    skf::bench::BenchFolder work{"liveries"};
    const fs::path folder = work.path();
    std::vector<std::string> registrations;

    BenchData() {
        fs::create_directories(folder / "input");
        fs::create_directories(folder / "output" / "info");
        skf::gf_openLogIn(folder); // matching logs every match, as in a run
        const auto data = skf::datagen::gf_generateData(100000);
        registrations = data.registrations;
        lf_writeText("input/dbase.xml", data.dbaseXml);
        if (!skf::gf_readDbaseXml("input/dbase.xml"))
            throw std::runtime_error("database not read");

        auto liveries = skf::datagen::gf_generateLiveries(kLiveries / 590 + 1);
        liveries.resize(kLiveries);
        lf_writeText("output/LiveriesScanned.xml", skf::datagen::gf_liveriesXml(liveries));

        // Every third title gets one to four registrations of the database (in the order of the list).
        std::string aig = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root><meta>"
                          "<info name=\"copyright\" value=\"c\"/><info name=\"sim\" value=\"1\"/></meta><aig>\n";
        std::size_t next = 0;
        for (std::size_t i = 0, n = 0; i < liveries.size() && n < kAigRecords; i += 2, ++n) {
            aig += "<l t=\"" + skf::datagen::detail::xmlEscape(liveries[i].title) + "\" r=\"";
            for (std::size_t k = 0; k <= n % 4; ++k)
                aig += (k ? ", " : "") + registrations[next++ % registrations.size()];
            aig += n % 17 == 0 ? "\" s=\"true\"/>\n" : "\"/>\n";
        }
        aig += "</aig></root>\n";
        lf_writeText("aig.xml", aig);
        skf::gf_streamEncrypt(skf::g_dataKey, "aig.xml", "input/AIG-regcodes.enc");
        fs::remove("aig.xml");
    }
    ~BenchData() { skf::gf_closeLog(); }
};

BenchData& lf_data() {
    static BenchData data;
    return data;
}

void lf_buildTables() {
    skf::gf_clearLiveryTables();
    skf::g_liveriesProcessed = false;
    skf::gf_processScannedLiveries();
}

void BM_LiveryTablesBuild(benchmark::State& state) {
    lf_data();
    for (auto _ : state)
        lf_buildTables();
    state.counters["registration_codes"] = static_cast<double>(skf::g_regcodeTitles.size());
}

// Aircraft as traffic brings them: registrations of the database (a part of them with a registration
// code), some with an airline the database does not give, some without registration.
std::vector<skf::FlightRecord> lf_aircraftMix(const BenchData& data) {
    std::vector<skf::FlightRecord> mix;
    for (std::size_t i = 0; i < 4000; ++i) {
        const std::string& registration = data.registrations[(i * 7919) % data.registrations.size()];
        const auto info = skf::gf_lookupRegistration(registration);
        skf::FlightRecord r;
        r.airlineId = info->airline;
        r.modelId = info->model;
        r.cargo = info->cargo ? 1 : 0;
        r.category = skf::gf_modelCategory(r.modelId);
        r.callsign = "BNC" + std::to_string(i);
        if (i % 5 != 0)
            r.registration = registration;
        if (i % 11 == 0)
            r.airlineId = skf::gf_internOperator("XYZ");
        mix.push_back(std::move(r));
    }
    return mix;
}

void BM_LiveryMatchLive(benchmark::State& state) {
    const BenchData& data = lf_data();
    lf_buildTables();
    if (state.range(0) == 0)
        skf::gf_closeLog(); // the matching alone, without the writes of its log lines
    else
        skf::gf_openLogIn(data.folder);
    skf::RANDOM.set(true);
    skf::MATCHING_DEPTH.set(4);
    std::vector<skf::FlightRecord> mix = lf_aircraftMix(data);
    std::vector<double> micros;
    micros.reserve(1 << 20);
    std::size_t i = 0;
    std::size_t matched = 0;
    for (auto _ : state) {
        skf::FlightRecord& r = mix[i++ % mix.size()];
        const auto start = std::chrono::steady_clock::now();
        skf::gf_matchLiveryForLive(r);
        const auto end = std::chrono::steady_clock::now();
        matched += r.liveryTitle.empty() ? 0 : 1;
        if (micros.size() < micros.capacity())
            micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(micros.begin(), micros.end());
    if (!micros.empty()) {
        state.counters["p50_us"] = micros[micros.size() / 2];
        state.counters["p99_us"] = micros[micros.size() * 99 / 100];
    }
    state.counters["matched_pct"] =
        100.0 * static_cast<double>(matched) / static_cast<double>(std::max<std::size_t>(i, 1));
}

} // namespace

BENCHMARK(BM_LiveryTablesBuild)->Unit(benchmark::kMillisecond)->UseRealTime();
// Argument 1: with Log.txt open, as in a run; 0: without the log.
BENCHMARK(BM_LiveryMatchLive)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);
