#pragma once
// Test helper: a bounded, repeatable set of damaged copies of a valid input for the robustness tests
// of the readers of outside input.
#include <cstddef>
#include <random>
#include <string>
#include <vector>

namespace skf::test {

// The sample itself, every truncation of it (every length when it is short, else about 200 evenly spread lengths),
// `flips` copies with a few random bytes changed, and copies with awkward texts (huge numbers, NaN,
// negative values, a very long string, deep nesting) put at random places. Same seed, same list.
inline std::vector<std::string> mutationsOf(const std::string& sample, unsigned seed = 1, int flips = 150,
                                            const std::string& nestOpen = "<a>") {
    std::vector<std::string> out{sample}; // the intact sample first, as a check of the harness
    const std::size_t step = sample.size() <= 400 ? 1 : sample.size() / 200;
    for (std::size_t n = 0; n < sample.size(); n += step)
        out.push_back(sample.substr(0, n));
    if (sample.empty())
        return out;

    std::mt19937 rng(seed);
    auto anyPos = [&](std::size_t size) { return std::uniform_int_distribution<std::size_t>(0, size)(rng); };
    for (int i = 0; i < flips; ++i) {
        std::string s = sample;
        const int count = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < count; ++k)
            s[anyPos(s.size() - 1)] = static_cast<char>(rng() & 0xFF);
        out.push_back(std::move(s));
    }

    std::string nesting;
    for (int i = 0; i < 20000; ++i)
        nesting += nestOpen;
    const std::vector<std::string> awkward{"99999999999999999999999",
                                           "-99999999999999999999999",
                                           "1e309",
                                           "-1e309",
                                           "NaN",
                                           "nan",
                                           "inf",
                                           "-1",
                                           "-2147483649",
                                           "4294967296",
                                           "0x7fffffff",
                                           std::string(100000, 'A'),
                                           std::string(1, '\0'),
                                           "\xff\xfe\xef\xbb\xbf",
                                           "\"",
                                           nesting};
    for (const std::string& text : awkward) {
        for (int k = 0; k < 3; ++k) {
            std::string s = sample;
            s.insert(anyPos(s.size()), text);
            out.push_back(std::move(s));
        }
    }
    // Numbers replaced by awkward ones where the sample holds digits.
    for (const std::string& text : awkward) {
        if (text.size() > 30)
            continue;
        std::string s = sample;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] >= '0' && s[i] <= '9' && (rng() % 3 == 0)) {
                std::size_t j = i;
                while (j < s.size() && ((s[j] >= '0' && s[j] <= '9') || s[j] == '.'))
                    ++j;
                s.replace(i, j - i, text);
                i += text.size();
            }
        }
        out.push_back(std::move(s));
    }
    return out;
}

} // namespace skf::test
