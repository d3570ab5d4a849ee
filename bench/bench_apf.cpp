// Airport files: reading an airport file of 1,000 stands with 50 flights each, and finding the
// closest airport among 40,000.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "bench/BenchFolder.h"
#include "core/Codes.h"
#include "data/Airports.h"
#include "data/apf/ParkApf.h"
#include "data/apf/Stand.h"

namespace fs = std::filesystem;

namespace {

// A working folder with airports/my_simaddon/BNCH.xml.
class ApfFolder {
public:
    ApfFolder() { fs::create_directories(m_work.path() / "airports" / "my_simaddon"); }

private:
    skf::bench::BenchFolder m_work{"apf"};
};

void lf_writeBigAirportFile(const fs::path& path) {
    std::ofstream out(path, std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <meta>\n"
           "    <info name=\"version\" value=\"11.11.3\" />\n"
           "    <info name=\"copyright\" value=\"Copyright (c) the makers of Skyfill.\" />\n"
           "    <info name=\"sim\" value=\"1\" />\n  </meta>\n  <parameters>\n"
           "    <parameter name=\"airport_name\" value=\"Bench\" />\n"
           "    <parameter name=\"altitude\" value=\"100\" />\n"
           "    <parameter name=\"Qf_real\" value=\"60\" />\n    <parameter name=\"Qf_soft\" value=\"10\" />\n"
           "  </parameters>\n  <parkpositions>\n";
    const char* airlines[] = {"KLM", "DAL", "BAW", "EZY", "UAE"};
    for (int s = 0; s < 1000; ++s) {
        // 40 rows of 25 stands, 80 m apart
        const double lat = 52.0 + (s / 25) * 80.0 / 1852.0 / 60.0;
        const double lon = 4.0 + (s % 25) * 80.0 / 1852.0 / 60.0 / 0.6157;
        out << fmt::format("    <parkpos id=\"S{}\" latitude=\"{:.6f}\" longitude=\"{:.6f}\" heading=\"90.0\" "
                           "radius=\"35.0\" cargo=\"false\" ramp=\"false\">\n",
                           s + 1, lat, lon);
        for (int o = 0; o < 50; ++o) {
            const int first = (o * 7 + s) % 44;
            out << fmt::format("      <opt reg=\"PH-{}{:03}\" airl=\"{}\" type=\"A320\" day=\"{}\" hh=\"{}:{}\" "
                               "cs=\"{}{}\" />\n",
                               static_cast<char>('A' + o % 26), s, airlines[o % 5], 1 + o % 7, first, first + 3,
                               airlines[o % 5], 100 + o);
        }
        out << "    </parkpos>\n";
    }
    out << "  </parkpositions>\n</root>\n";
}

void BM_ReadAirportFile1000Stands50Flights(benchmark::State& state) {
    ApfFolder folder;
    const std::string path = "airports/my_simaddon/BNCH.xml";
    lf_writeBigAirportFile(path);
    skf::g_parkAirport.icao = skf::FixedCode<4>("BNCH");
    for (auto _ : state) {
        skf::g_stands.clear();
        const std::string error = skf::gf_readApf(path, skf::g_parkApfInfo);
        if (!error.empty() || skf::g_stands.size() != 1000) {
            state.SkipWithError("airport file not read");
            break;
        }
        benchmark::DoNotOptimize(skf::g_stands.data());
    }
    skf::g_stands.clear();
    skf::g_parkAirport = {};
}
BENCHMARK(BM_ReadAirportFile1000Stands50Flights)->Unit(benchmark::kMillisecond);

void BM_FindClosestAirportAmong40000(benchmark::State& state) {
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> latitude(-60.0, 70.0);
    std::uniform_real_distribution<double> longitude(-180.0, 180.0);
    skf::gf_resetAirports();
    skf::g_airports.reserve(40000);
    for (int i = 0; i < 40000; ++i) {
        skf::Airport a;
        a.icao = skf::FixedCode<4>(fmt::format("{}{}{:02}", static_cast<char>('A' + i / 2000),
                                               static_cast<char>('A' + (i / 100) % 20), i % 100));
        a.latitude = latitude(random);
        a.longitude = longitude(random);
        a.stands = 0; // no airport file: a neighbour costs no download here
        skf::g_airports.push_back(a);
    }
    std::sort(skf::g_airports.begin(), skf::g_airports.end(),
              [](const skf::Airport& a, const skf::Airport& b) { return a.icao < b.icao; });
    size_t next = 0;
    for (auto _ : state) {
        // just beside an airport of the table, so that there is always one within range
        const skf::Airport& target = skf::g_airports[(next++ * 7919) % skf::g_airports.size()];
        const skf::Airport* found = skf::gf_findClosestAirport(target.latitude + 0.01, target.longitude);
        benchmark::DoNotOptimize(found);
    }
    skf::gf_resetAirports();
}
BENCHMARK(BM_FindClosestAirportAmong40000)->Unit(benchmark::kMicrosecond);

} // namespace
