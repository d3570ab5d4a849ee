#include "core/Random.h"

#include "core/settings/Catalogue.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

namespace skf {

namespace {

std::uint32_t lf_threadIdHash() {
    const auto h = std::hash<std::thread::id>{}(std::this_thread::get_id());
    // 64-bit FNV-1a over the low four bytes of the id's hash.
    std::uint64_t f = 14695981039346656037ULL;
    for (int i = 0; i < 4; ++i) {
        f ^= (h >> (8 * i)) & 0xFF;
        f *= 1099511628211ULL;
    }
    return static_cast<std::uint32_t>(f);
}

std::mt19937 lf_seededEngine() {
    std::random_device device;
    const auto ns = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
    std::seed_seq seq{static_cast<std::uint32_t>(device()), static_cast<std::uint32_t>(ns),
                      static_cast<std::uint32_t>(ns >> 32), lf_threadIdHash()};
    return std::mt19937(seq);
}

} // namespace

bool gf_randomOn() noexcept {
    return RANDOM.value();
}

std::mt19937& gf_randomEngine() {
    thread_local std::mt19937 engine = lf_seededEngine();
    return engine;
}

std::uint64_t gf_randomIndex(std::uint64_t n) {
    if (n < 2 || !gf_randomOn())
        return 0;
    return std::uniform_int_distribution<std::uint64_t>(0, n - 1)(gf_randomEngine());
}

void gf_shuffle(std::vector<std::uint16_t>& ids) {
    if (ids.size() < 2 || !gf_randomOn())
        return;
    auto& engine = gf_randomEngine();
    for (std::size_t i = 1; i < ids.size(); ++i) {
        const auto j = std::uniform_int_distribution<std::size_t>(0, i)(engine);
        if (j != i)
            std::swap(ids[i], ids[j]);
    }
}

double gf_randomizePercent(double value, double percent) {
    const auto bits = gf_randomEngine()();
    const double sign = (bits & 1U) == 0 ? 1.0 : -1.0;
    return value + sign * (percent > 0 ? value * percent / 100.0 : 0.0);
}

} // namespace skf
