// benchtable TARGETS RESULT.json...: prints one table of every benchmark figure of the Google Benchmark JSON
// results against the targets file (see BenchTable.h). Exit code 1 when a target is missed or a file cannot be
// read, 0 otherwise.
#include "tools/benchtable/BenchTable.h"

#include <fstream>
#include <iostream>
#include <iterator>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: benchtable TARGETS RESULT.json...\n";
        return 2;
    }
    try {
        const auto targets = skf::bench::gf_readTargets(argv[1]);
        std::vector<skf::bench::Figure> figures;
        for (int i = 2; i < argc; ++i) {
            std::ifstream in(argv[i], std::ios::binary);
            if (!in)
                throw std::runtime_error(std::string("cannot read ") + argv[i]);
            auto more = skf::bench::gf_parseBenchJson(std::string(std::istreambuf_iterator<char>(in), {}), argv[i]);
            figures.insert(figures.end(), more.begin(), more.end());
        }
        const auto rows = skf::bench::gf_benchTable(figures, targets);
        std::cout << skf::bench::gf_formatBenchTable(rows, targets);
        for (const auto& r : rows)
            if (!r.met)
                return 1;
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "benchtable: " << e.what() << "\n";
        return 1;
    }
}
