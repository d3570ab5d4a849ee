#include "tools/benchtable/BenchTable.h"

#include <fnmatch.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

namespace skf::bench {

namespace {

// Keys of a Google Benchmark run that are no figure of it.
const std::set<std::string> kRunFields = {"name",
                                          "family_index",
                                          "per_family_instance_index",
                                          "run_name",
                                          "run_type",
                                          "repetitions",
                                          "repetition_index",
                                          "threads",
                                          "iterations",
                                          "time_unit",
                                          "label",
                                          "error_occurred",
                                          "error_message",
                                          "aggregate_name",
                                          "aggregate_unit",
                                          "big_o",
                                          "rms"};

bool lf_isTime(const std::string& figure) {
    return figure == "real_time" || figure == "cpu_time";
}

double lf_secondsPer(const std::string& unit) {
    if (unit == "ns")
        return 1e-9;
    if (unit == "us")
        return 1e-6;
    if (unit == "ms")
        return 1e-3;
    if (unit == "s")
        return 1;
    return 0;
}

// The factor from a target's unit to the figure's base unit; 0 when the unit does not fit the figure.
double lf_unitScale(const std::string& figure, const std::string& unit) {
    if (lf_isTime(figure))
        return lf_secondsPer(unit);
    if (figure == "bytes_per_second") {
        const std::pair<const char*, double> units[] = {
            {"B/s", 1},        {"kB/s", 1e3},        {"MB/s", 1e6},          {"GB/s", 1e9},
            {"KiB/s", 1024.0}, {"MiB/s", 1048576.0}, {"GiB/s", 1073741824.0}};
        for (const auto& [name, scale] : units)
            if (unit == name)
                return scale;
        return 0;
    }
    if (figure == "items_per_second") {
        if (unit == "/s")
            return 1;
        if (unit == "k/s")
            return 1e3;
        if (unit == "M/s")
            return 1e6;
        return 0;
    }
    return unit.empty() ? 1 : 0;
}

int lf_rank(const std::string& figure) {
    const char* order[] = {"real_time", "cpu_time", "bytes_per_second", "items_per_second"};
    for (int i = 0; i < 4; ++i)
        if (figure == order[i])
            return i;
    return 4;
}

bool lf_matches(const std::string& pattern, const std::string& name) {
    return ::fnmatch(pattern.c_str(), name.c_str(), 0) == 0;
}

std::string lf_number(double v) {
    if (std::isnan(v))
        return "-";
    const double a = std::abs(v);
    if (a != 0 && (a >= 1e7 || a < 1))
        return fmt::format("{:.3g}", v);
    return fmt::format("{:.{}f}", v, a >= 100 ? 0 : a >= 10 ? 1 : 2);
}

// A figure in the unit a reader expects: times in the run's time unit, rates scaled to a readable unit.
std::string lf_show(const std::string& figure, double value, const std::string& timeUnit) {
    if (lf_isTime(figure)) {
        const double per = lf_secondsPer(timeUnit);
        return per > 0 ? lf_number(value / per) + " " + timeUnit : lf_number(value) + " s";
    }
    if (figure == "bytes_per_second" || figure == "items_per_second") {
        const bool bytes = figure == "bytes_per_second";
        const std::pair<double, const char*> scales[] = {
            {1e9, bytes ? "GB/s" : "G/s"}, {1e6, bytes ? "MB/s" : "M/s"}, {1e3, bytes ? "kB/s" : "k/s"}};
        for (const auto& [scale, unit] : scales)
            if (std::abs(value) >= scale)
                return lf_number(value / scale) + " " + unit;
        return lf_number(value) + (bytes ? " B/s" : " /s");
    }
    return lf_number(value);
}

} // namespace

std::vector<Target> gf_parseTargets(const std::string& text, const std::string& fileName) {
    std::vector<Target> targets;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::istringstream words(line);
        Target t;
        std::string op, value, extra;
        if (!(words >> t.benchmark) || t.benchmark.front() == '#')
            continue;
        auto fail = [&](const std::string& why) {
            throw std::runtime_error(fmt::format("{} line {}: {}: {}", fileName, number, why, line));
        };
        if (!(words >> t.figure >> op >> value))
            fail("expected BENCHMARK FIGURE <=|>= VALUE [UNIT]");
        words >> t.unit >> extra;
        if (!extra.empty())
            fail("more than a unit after the value");
        if (op == "<=")
            t.op = TargetOp::AtMost;
        else if (op == ">=")
            t.op = TargetOp::AtLeast;
        else
            fail("the comparison is neither <= nor >=");
        std::size_t used = 0;
        try {
            t.value = std::stod(value, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used != value.size() || !std::isfinite(t.value))
            fail("the value is no number");
        t.scale = lf_unitScale(t.figure, t.unit);
        if (t.scale == 0)
            fail(t.unit.empty() ? "a time or rate needs a unit" : "the unit does not fit the figure");
        targets.push_back(std::move(t));
    }
    return targets;
}

std::vector<Target> gf_readTargets(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read the targets file " + file.string());
    return gf_parseTargets(std::string(std::istreambuf_iterator<char>(in), {}), file.string());
}

std::vector<Figure> gf_parseBenchJson(const std::string& text, const std::string& fileName) {
    const nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
    if (j.is_discarded() || !j.is_object() || !j.contains("benchmarks") || !j["benchmarks"].is_array())
        throw std::runtime_error(fileName + ": not a Google Benchmark JSON result");
    std::vector<Figure> figures;
    for (const auto& run : j["benchmarks"]) {
        if (!run.is_object() || !run.contains("name") || !run["name"].is_string())
            throw std::runtime_error(fileName + ": a benchmark without a name");
        if (run.value("run_type", "iteration") != "iteration")
            continue;
        const std::string name = run["name"].get<std::string>();
        const std::string timeUnit = run.contains("time_unit") && run["time_unit"].is_string()
                                         ? run["time_unit"].get<std::string>()
                                         : std::string("ns");
        if (run.value("error_occurred", false)) {
            figures.push_back({name, "error: " + run.value("error_message", std::string()), std::nan(""), timeUnit});
            continue;
        }
        // The times and rates first, then the counters by name.
        const std::size_t first = figures.size();
        for (const auto& [key, value] : run.items()) {
            if (kRunFields.count(key) || !value.is_number())
                continue;
            double v = value.get<double>();
            if (lf_isTime(key))
                v *= lf_secondsPer(timeUnit);
            figures.push_back({name, key, v, timeUnit});
        }
        std::stable_sort(figures.begin() + static_cast<std::ptrdiff_t>(first), figures.end(),
                         [](const Figure& a, const Figure& b) { return lf_rank(a.figure) < lf_rank(b.figure); });
    }
    return figures;
}

std::vector<TableRow> gf_benchTable(const std::vector<Figure>& figures, const std::vector<Target>& targets) {
    std::vector<TableRow> rows;
    for (const auto& f : figures) {
        TableRow row{f, std::nullopt, true};
        for (const auto& t : targets) {
            if (t.figure == f.figure && lf_matches(t.benchmark, f.benchmark)) {
                row.target = t;
                const double limit = t.value * t.scale;
                row.met = t.op == TargetOp::AtMost ? f.value <= limit : f.value >= limit;
                break;
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string gf_formatBenchTable(const std::vector<TableRow>& rows, const std::vector<Target>& targets) {
    std::size_t nameWidth = 9, figureWidth = 6;
    for (const auto& r : rows) {
        nameWidth = std::max(nameWidth, r.figure.benchmark.size());
        figureWidth = std::max(figureWidth, r.figure.figure.size());
    }
    std::string out = fmt::format("{:<{}}  {:<{}}  {:>14}  {:>16}  {}\n", "benchmark", nameWidth, "figure", figureWidth,
                                  "value", "target", "");
    std::size_t missed = 0, withTarget = 0;
    for (const auto& r : rows) {
        std::string target, verdict;
        if (r.target) {
            ++withTarget;
            target = fmt::format("{} {}{}", r.target->op == TargetOp::AtMost ? "<=" : ">=", lf_number(r.target->value),
                                 r.target->unit.empty() ? "" : " " + r.target->unit);
            verdict = r.met ? "ok" : "MISSED";
            missed += r.met ? 0 : 1;
        }
        out += fmt::format("{:<{}}  {:<{}}  {:>14}  {:>16}  {}\n", r.figure.benchmark, nameWidth, r.figure.figure,
                           figureWidth, lf_show(r.figure.figure, r.figure.value, r.figure.timeUnit), target, verdict);
    }
    std::vector<std::string> notRun;
    for (const auto& t : targets) {
        bool found = false;
        for (const auto& r : rows)
            found = found || (t.figure == r.figure.figure && lf_matches(t.benchmark, r.figure.benchmark));
        if (!found)
            notRun.push_back(t.benchmark + " " + t.figure);
    }
    out += fmt::format("\n{} figures, {} with a target, {} missed", rows.size(), withTarget, missed);
    out += notRun.empty() ? "\n" : fmt::format("; targets without a result: {}\n", fmt::join(notRun, ", "));
    return out;
}

} // namespace skf::bench
