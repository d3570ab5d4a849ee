// The benchmark table: Google Benchmark JSON results and a targets file, read and compared.
#include <gtest/gtest.h>

#include <algorithm>

#include "tools/benchtable/BenchTable.h"

using namespace skf::bench;

namespace {

// Shaped as Google Benchmark 1.7 writes it: two runs, one with counters and a rate, an aggregate, an error.
constexpr const char* kResult = R"({
  "context": {"date": "2026-12-07", "num_cpus": 8},
  "benchmarks": [
    {"name": "BM_Read", "run_name": "BM_Read", "run_type": "iteration", "repetitions": 1, "iterations": 16,
     "real_time": 42.5, "cpu_time": 41.0, "time_unit": "ms", "bytes_per_second": 2.1e8, "records": 200000},
    {"name": "BM_Match/1", "run_name": "BM_Match/1", "run_type": "iteration", "iterations": 1000,
     "real_time": 800.0, "cpu_time": 790.0, "time_unit": "ns", "p99_us": 6.5, "label": "with log"},
    {"name": "BM_Match/1_mean", "run_type": "aggregate", "aggregate_name": "mean", "real_time": 1.0,
     "time_unit": "ns"},
    {"name": "BM_Broken", "run_type": "iteration", "error_occurred": true, "error_message": "no data",
     "real_time": 0, "time_unit": "ns"}
  ]
})";

TEST(BenchTable, FiguresMeetOrMissTheirTargets) {
    const auto targets = gf_parseTargets("# comment\n\n"
                                         "BM_Read    real_time         <= 50   ms\n"
                                         "BM_Read    bytes_per_second  >= 200  MB/s\n"
                                         "BM_Match/* p99_us            <= 5\n"
                                         "BM_Match/* cpu_time          <= 1    us\n"
                                         "BM_Engine  real_time         <= 1    ms\n");
    const auto figures = gf_parseBenchJson(kResult);
    const auto rows = gf_benchTable(figures, targets);
    struct Expect {
        const char* benchmark;
        const char* figure;
        bool hasTarget;
        bool met;
    };
    const Expect expected[] = {
        {"BM_Read", "real_time", true, true},        // 42.5 ms <= 50 ms
        {"BM_Read", "cpu_time", false, true},        // no target: shown only
        {"BM_Read", "bytes_per_second", true, true}, // 210 MB/s >= 200 MB/s
        {"BM_Read", "records", false, true},         // a counter
        {"BM_Match/1", "cpu_time", true, true},      // 790 ns <= 1 us: units converted
        {"BM_Match/1", "p99_us", true, false},       // 6.5 > 5
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(std::string(e.benchmark) + " " + e.figure);
        auto it = std::find_if(rows.begin(), rows.end(), [&](const TableRow& r) {
            return r.figure.benchmark == e.benchmark && r.figure.figure == e.figure;
        });
        ASSERT_NE(it, rows.end());
        EXPECT_EQ(it->target.has_value(), e.hasTarget);
        EXPECT_EQ(it->met, e.met);
    }
    // Aggregates are left out; an error shows as a row of its own.
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const TableRow& r) { return r.figure.benchmark == "BM_Match/1_mean"; }),
              0);
    EXPECT_EQ(
        std::count_if(rows.begin(), rows.end(), [](const TableRow& r) { return r.figure.figure == "error: no data"; }),
        1);

    const std::string table = gf_formatBenchTable(rows, targets);
    EXPECT_NE(table.find("42.5 ms"), std::string::npos) << table;
    EXPECT_NE(table.find("210 MB/s"), std::string::npos) << table;
    EXPECT_NE(table.find("MISSED"), std::string::npos) << table;
    EXPECT_NE(table.find("1 missed; targets without a result: BM_Engine real_time"), std::string::npos) << table;
}

TEST(BenchTable, BadInputIsRefusedWithItsPlace) {
    const std::pair<const char*, const char*> targets[] = {
        {"BM_A real_time <= 5", "line 1: a time or rate needs a unit"},
        {"\nBM_A real_time < 5 ms", "line 2: the comparison is neither"},
        {"BM_A real_time <= five ms", "the value is no number"},
        {"BM_A real_time <= 5 MB/s", "the unit does not fit"},
        {"BM_A counter <= 5 ms", "the unit does not fit"},
        {"BM_A real_time <= 5 ms extra", "more than a unit"},
        {"BM_A real_time", "expected BENCHMARK FIGURE"},
    };
    for (const auto& [text, why] : targets) {
        try {
            (void)gf_parseTargets(text, "bench/targets.txt");
            ADD_FAILURE() << "accepted: " << text;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).rfind("bench/targets.txt line", 0), 0u) << e.what();
        }
    }
    for (const char* json : {"", "[]", "{\"benchmarks\": 3}", "{\"benchmarks\": [{\"real_time\": 1}]}", "{"})
        EXPECT_THROW((void)gf_parseBenchJson(json, "x.json"), std::runtime_error) << json;
}

} // namespace
