#pragma once
// The benchmark table of `./skyfill.sh bench`: reads the JSON results of Google Benchmark programs and the
// targets of bench/targets.txt, and makes one table of every figure with its target and whether it is met.
// Used by the `benchtable` executable (one thread) and its tests; it never runs a benchmark itself.
//
// A target line (blank lines and lines starting with '#' are skipped):
//     BENCHMARK  FIGURE  <=|>=  VALUE  [UNIT]
// BENCHMARK is a benchmark's name as Google Benchmark reports it, '*' matching any text ("BM_Match/*");
// FIGURE is "real_time", "cpu_time", "bytes_per_second", "items_per_second" or the name of a counter the
// benchmark sets. UNIT: ns, us, ms or s for the two times (the result's own time unit is converted);
// B/s, kB/s, MB/s, GB/s, KiB/s, MiB/s or GiB/s for bytes_per_second; /s, k/s or M/s for items_per_second;
// none for a counter (the value as the counter reports it).

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace skf::bench {

enum class TargetOp { AtMost, AtLeast };

struct Target {
    std::string benchmark; // name pattern, '*' for any text
    std::string figure;
    TargetOp op = TargetOp::AtMost;
    double value = 0; // in the unit below
    std::string unit; // as written
    double scale = 1; // unit -> the figure's base unit (seconds, bytes or items per second, counter)
};

// One figure of one benchmark run, in its base unit (seconds for times).
struct Figure {
    std::string benchmark, figure;
    double value = 0;
    std::string timeUnit; // the run's own time unit, for showing times
};

struct TableRow {
    Figure figure;
    std::optional<Target> target;
    bool met = true;
};

// Reads the targets file; throws std::runtime_error naming the line that cannot be read.
std::vector<Target> gf_readTargets(const std::filesystem::path& file);
std::vector<Target> gf_parseTargets(const std::string& text, const std::string& fileName = "targets");
// The figures of one Google Benchmark JSON result (only the measured runs, not aggregates); throws
// std::runtime_error naming the file when it is no such result.
std::vector<Figure> gf_parseBenchJson(const std::string& text, const std::string& fileName = "result");
// Every figure with its first matching target.
std::vector<TableRow> gf_benchTable(const std::vector<Figure>& figures, const std::vector<Target>& targets);
// The table as text; targets that matched no figure are listed below it as not run.
std::string gf_formatBenchTable(const std::vector<TableRow>& rows, const std::vector<Target>& targets);

} // namespace skf::bench
