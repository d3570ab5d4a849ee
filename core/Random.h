#pragma once
// Random choice. Every thread has its own Mersenne twister, created and seeded on
// the thread's first use (random device, steady clock, thread id); no locks.
//
// The setting RANDOM switches random choice off: then gf_randomIndex always gives
// the first candidate and gf_shuffle keeps the order. It is read (atomically) at
// every call, so a change acts at once.

#include <cstdint>
#include <random>
#include <vector>

namespace skf {

// The current value of RANDOM.
bool gf_randomOn() noexcept;

// The calling thread's engine, for callers that draw from it directly (for example
// with their own uniform distribution). Not switched off by RANDOM.
std::mt19937& gf_randomEngine();

// 0 when RANDOM is off or n < 2; else a uniform index 0..n-1.
std::uint64_t gf_randomIndex(std::uint64_t n);

// A uniformly random order, unless RANDOM is off or there are fewer than two ids.
void gf_shuffle(std::vector<std::uint16_t>& ids);

// value +/- value * percent / 100, the sign from one random bit; the value itself
// when percent <= 0. Not switched off by RANDOM.
double gf_randomizePercent(double value, double percent);

} // namespace skf
