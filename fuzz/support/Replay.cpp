// The replay of a fuzz target outside libFuzzer, run by ctest as "fuzz.<reader>": the target's
// LLVMFuzzerTestOneInput over every file of the folders (or files) named on the command line, and over
// damaged copies of each one of them up to 16 KiB (tests/support/Mutations.h). A crash, a leak or
// undefined behaviour shows in the sanitizer builds; an escaping exception or a failed check ends the
// run with exit code 1 and the input's name.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/Mutations.h"
#include "support/TempFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMutatedUpTo = 16 * 1024;

bool lf_run(const std::string& input, const std::string& name) {
    try {
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: exception escaped: %s\n", name.c_str(), e.what());
    } catch (...) {
        std::fprintf(stderr, "%s: exception of no standard type escaped\n", name.c_str());
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg = argv[i];
        if (fs::is_directory(arg)) {
            for (const auto& entry : fs::recursive_directory_iterator(arg))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        } else if (fs::is_regular_file(arg)) {
            files.push_back(arg);
        }
    }
    // A target without seeds still gets the empty input and damaged copies of a small mixed text.
    std::vector<std::pair<std::string, std::string>> inputs;
    for (const fs::path& file : files)
        inputs.emplace_back(file.string(), skf::test::readBytes(file));
    if (inputs.empty())
        inputs.emplace_back("(no seeds)", "EHAM 1 -2.5e3\r\n<a b=\"c\"/>{\"k\":[1]}\n");
    int failed = 0;
    std::size_t runs = 0;
    for (const auto& [name, input] : inputs) {
        const fs::path file = name;
        if (!lf_run(input, file.string()))
            ++failed;
        ++runs;
        if (input.size() > kMutatedUpTo)
            continue;
        int copy = 0;
        for (const std::string& damaged : skf::test::mutationsOf(input, 1, 40)) {
            if (!lf_run(damaged, file.string() + " (damaged copy " + std::to_string(copy) + ")"))
                ++failed;
            ++copy;
            ++runs;
        }
    }
    std::printf("%zu inputs from %zu files, %d failed\n", runs, inputs.size(), failed);
    return failed == 0 ? 0 : 1;
}
