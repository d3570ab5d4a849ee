// Stand search, option match, static-parking calculation and parking adjustment at large stand tables.
// Targets: a calculation and an adjustment at 500 stands x 50 options with 250 static aircraft under 50 ms
// each; the stand searches far below the 10 ms step.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/ProgramState.h"
#include "core/settings/Catalogue.h"
#include "data/StringPool.h"
#include "data/apf/Stand.h"
#include "traffic/EngineState.h"
#include "traffic/ParkAirport.h"
#include "traffic/ParkingAdjustment.h"
#include "traffic/StaticParking.h"
#include "traffic/Stands.h"
#include "traffic/StandsInternal.h"

namespace {

using namespace skf;

// Stands 100 m apart on a grid of 25 columns, each with `options` flights spread over the week.
void lf_buildTable(int stands, int options) {
    g_stands.clear();
    g_stands.reserve(static_cast<std::size_t>(stands));
    const std::uint16_t airline = gf_internOperator("KLM");
    const std::uint16_t model = gf_internModel("B738");
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245U + 12345U;
        return (seed >> 16) & 0x7FFF;
    };
    for (int s = 0; s < stands; ++s) {
        std::vector<StandOpt> opts;
        for (int o = 0; o < options; ++o) {
            StandOpt opt;
            opt.airline = airline;
            opt.model = model;
            opt.registration = "R" + std::to_string(s) + "-" + std::to_string(o);
            opt.callsign = "KLM" + std::to_string(s * 100 + o);
            opt.callsign2 = "KLM" + std::to_string(s * 100 + o + 50000);
            opt.day = 1 + next() % 7;
            const int first = static_cast<int>(next() % 44);
            for (int h = first; h < first + 4; ++h)
                opt.halfHours.set(static_cast<std::size_t>(h));
            opt.number = static_cast<std::uint32_t>(o + 1);
            opt.source = 1;
            opts.push_back(std::move(opt));
        }
        const double lat = 52.3 + (s / 25) * 0.0009;
        const double lon = 4.76 + (s % 25) * 0.00147;
        g_stands.emplace_back("S" + std::to_string(s), std::move(opts), lat, lon, 0.0, 30.0, false, false, false);
        g_stands.back().sid = s + 1;
    }
}

void lf_placeStatics(int count) {
    g_parkedAircraft.clear();
    for (int i = 0; i < count; ++i) {
        const Stand& stand = g_stands[static_cast<std::size_t>(i * 2)];
        ParkedAircraft a;
        a.callsign = stand.options[0].callsign + "*";
        a.firstCallsign = stand.options[0].callsign;
        a.secondCallsign = stand.options[0].callsign2;
        a.registration = stand.options[0].registration;
        a.airlineId = stand.options[0].airline;
        a.modelId = stand.options[0].model;
        a.standId = stand.sid;
        a.standLat = stand.latitude;
        a.standLon = stand.longitude;
        a.simStatus = SimStatus::active;
        a.objectId = static_cast<std::uint32_t>(1000 + i);
        a.trafficId = static_cast<std::uint32_t>(1 + i);
        a.parkTime = 3 * 48 + 18;
        g_parkedAircraft.push_back(std::move(a));
    }
}

void lf_settings() {
    RANDOM.set(false);
    MAX_PARK_SEL.set(500);
    CUSTOM_PARKING_PERCENTAGE.set(50);
    MAX_FIT.set(47);
    WEEK.set(true);
    PARK_SOFT.set(true);
    INITIAL_LOAD_ONLY.set(false);
    g_dayAndSlotNow.store(DayAndSlot{3, 20});
}

void BM_FreeStandSearch(benchmark::State& state) {
    lf_buildTable(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    FlightRecord aircraft;
    aircraft.callsign = "KLM50";
    aircraft.airlineId = gf_internOperator("DLH");
    aircraft.halfWingspanNm = 18.0 / 1852.0;
    const Stand& target = g_stands.back();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            lf_findFreeStand(target.latitude + 0.0002, target.longitude, aircraft, kStandWideNm, true));
}
BENCHMARK(BM_FreeStandSearch)->ArgsProduct({{100, 500, 1000}, {10, 50}})->Unit(benchmark::kMicrosecond);

void BM_MatchStandOption(benchmark::State& state) {
    lf_buildTable(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        FlightRecord aircraft;
        aircraft.callsign = "XYZ1";
        aircraft.airlineId = gf_internOperator("KLM");
        gf_matchStandOption(DayAndSlot{3, 20}, aircraft); // no option names it: the whole walk
        benchmark::DoNotOptimize(aircraft.firstCallsign);
    }
}
BENCHMARK(BM_MatchStandOption)->ArgsProduct({{100, 500, 1000}, {10, 50}})->Unit(benchmark::kMicrosecond);

void BM_StaticParkingCalculation(benchmark::State& state) {
    lf_settings();
    lf_buildTable(500, 50);
    lf_placeStatics(250);
    for (auto _ : state) {
        state.PauseTiming();
        for (Stand& s : g_stands) {
            s.adjacentBlocked = false;
            std::uint32_t n = 0;
            for (StandOpt& o : s.options)
                o.number = ++n;
        }
        state.ResumeTiming();
        lf_calcStaticParking();
        benchmark::DoNotOptimize(g_pendingStatic.size());
    }
    g_parkedAircraft.clear();
    g_pendingStatic.clear();
}
BENCHMARK(BM_StaticParkingCalculation)->Unit(benchmark::kMillisecond);

void BM_ParkingAdjustment(benchmark::State& state) {
    lf_settings();
    lf_buildTable(500, 50);
    for (auto _ : state) {
        state.PauseTiming();
        lf_placeStatics(250);
        state.ResumeTiming();
        gf_adjustParking();
        benchmark::DoNotOptimize(g_pendingStatic.size());
    }
    g_parkedAircraft.clear();
    g_pendingStatic.clear();
}
BENCHMARK(BM_ParkingAdjustment)->Unit(benchmark::kMillisecond);

} // namespace
