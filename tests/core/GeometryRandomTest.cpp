#include "core/Geometry.h"
#include "core/Random.h"
#include "core/settings/Catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <set>
#include <thread>

namespace skf {
namespace {

constexpr Position LHR{51.4700, -0.4543};
constexpr Position JFK{40.6413, -73.7781};
constexpr Position SYD{-33.9399, 151.1753};
constexpr Position LAX{33.9416, -118.4085};
constexpr Position CDG{49.0097, 2.5479};
constexpr Position ZRH{47.4581, 8.5555};

double deg(double radians) {
    return radians * 180.0 / std::numbers::pi;
}

TEST(Geometry, DistancesOfCityPairs) {
    // Published great-circle distances, within half a percent (the sphere is not the ellipsoid).
    struct Pair {
        Position a, b;
        double nm;
    };
    for (const auto& p :
         {Pair{LHR, JFK, 2991.0}, Pair{SYD, LAX, 6507.0}, Pair{LHR, CDG, 188.0}, Pair{ZRH, CDG, 258.0}}) {
        EXPECT_NEAR(gf_distanceNm(p.a, p.b), p.nm, p.nm * 0.005);
        EXPECT_DOUBLE_EQ(gf_distanceNm(p.a, p.b), gf_distanceNm(p.b, p.a));
        EXPECT_DOUBLE_EQ(gf_distanceNm(p.a.latitude, p.a.longitude, p.b.latitude, p.b.longitude),
                         gf_distanceNm(p.a, p.b));
    }
    EXPECT_EQ(gf_distanceNm(ZRH, ZRH), 0.0);
    EXPECT_NEAR(gf_distanceNm({0, 0}, {0, 1}), 60.0, 1e-9);
    EXPECT_NEAR(gf_distanceNm({0, 0}, {1, 0}), 60.0, 1e-9);
    EXPECT_NEAR(gf_distanceNm({0, 0}, {0, 180}), 10800.0, 1e-6);
}

TEST(Geometry, AntipodesGiveHalfTheCircumference) {
    // Rounding can push the haversine term a hair above 1 for antipodal points.
    for (int lat = -89; lat <= 89; lat += 4) {
        for (int lon = -180; lon < 180; lon += 7) {
            const double d = gf_distanceNm({double(lat), double(lon)}, {double(-lat), double(lon + 180)});
            ASSERT_TRUE(std::isfinite(d)) << lat << "," << lon;
            EXPECT_NEAR(d, 10800.0, 1e-3); // the haversine is coarse near the antipode
        }
    }
    const auto p = gf_destinationPoint({89.9999, 0.0}, 0.0, g_feetPerNm * 10800.0);
    EXPECT_TRUE(std::isfinite(p.latitude) && std::isfinite(p.longitude));
}

TEST(Geometry, InitialBearings) {
    EXPECT_NEAR(gf_bearing({0, 0}, {1, 0}), 0.0, 1e-12);
    EXPECT_NEAR(gf_bearing({0, 0}, {0, 1}), std::numbers::pi / 2, 1e-12);
    EXPECT_NEAR(gf_bearing({0, 0}, {0, -1}), 3 * std::numbers::pi / 2, 1e-12);
    EXPECT_NEAR(deg(gf_bearing(LHR, JFK)), 287.9, 0.2);
    EXPECT_NEAR(deg(gf_bearing(JFK, LHR)), 51.4, 0.2);
    EXPECT_NEAR(deg(gf_bearing(SYD, LAX)), 61.0, 0.2);
    EXPECT_NEAR(deg(gf_bearing(LHR, CDG)), 140.9, 0.2);
}

TEST(Geometry, DestinationPointsAndRoundTrips) {
    const auto p = gf_destinationPoint({0, 0}, std::numbers::pi / 2, g_feetPerNm * 60);
    EXPECT_NEAR(p.latitude, 0.0, 1e-9);
    EXPECT_NEAR(p.longitude, 1.0, 1e-9);

    const auto east = gf_destinationPoint({10, 179.9}, std::numbers::pi / 2, g_feetPerNm * 12);
    EXPECT_LT(east.longitude, -179.5);
    EXPECT_GE(east.longitude, -180.0);

    for (const auto& [a, b] : {std::pair{LHR, JFK}, {SYD, LAX}, {ZRH, CDG}, {JFK, SYD}}) {
        const auto q = gf_destinationPoint(a, gf_bearing(a, b), gf_distanceNm(a, b) * g_feetPerNm);
        EXPECT_LT(gf_distanceNm(q, b), 0.01); // within 60 feet after thousands of miles
    }
}

class RandomSwitchOff : public ::testing::Test {
protected:
    void SetUp() override { RANDOM.set(false); }
    void TearDown() override { RANDOM.set(true); }
};

TEST_F(RandomSwitchOff, FirstCandidateAndOrderKept) {
    EXPECT_FALSE(gf_randomOn());
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(gf_randomIndex(5), 0u);
    std::vector<std::uint16_t> ids{3, 1, 2};
    for (int i = 0; i < 50; ++i)
        gf_shuffle(ids);
    EXPECT_EQ(ids, (std::vector<std::uint16_t>{3, 1, 2}));
    // Not switched off: the percentage change.
    std::set<double> seen;
    for (int i = 0; i < 200; ++i)
        seen.insert(gf_randomizePercent(100, 10));
    EXPECT_EQ(seen, (std::set<double>{90.0, 110.0}));
}

TEST(RandomSwitchOn, UniformChoicesInRange) {
    EXPECT_TRUE(gf_randomOn()); // RANDOM's default
    EXPECT_EQ(gf_randomIndex(0), 0u);
    EXPECT_EQ(gf_randomIndex(1), 0u);
    std::vector<int> counts(5, 0);
    for (int i = 0; i < 5000; ++i) {
        const auto k = gf_randomIndex(5);
        ASSERT_LT(k, 5u);
        ++counts[k];
    }
    for (int c : counts)
        EXPECT_GT(c, 800); // expected 1000 each
    const std::uint64_t huge = (std::uint64_t{1} << 40) + 3;
    for (int i = 0; i < 100; ++i)
        EXPECT_LT(gf_randomIndex(huge), huge);

    std::vector<std::uint16_t> one{7};
    gf_shuffle(one);
    EXPECT_EQ(one, std::vector<std::uint16_t>{7});
    std::vector<std::uint16_t> ids(20);
    for (std::uint16_t i = 0; i < 20; ++i)
        ids[i] = i;
    auto shuffled = ids;
    bool changed = false;
    for (int i = 0; i < 5 && !changed; ++i) {
        gf_shuffle(shuffled);
        changed = shuffled != ids;
    }
    EXPECT_TRUE(changed);
    auto sorted = shuffled;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, ids); // a permutation

    EXPECT_EQ(gf_randomizePercent(100, 0), 100.0);
    EXPECT_EQ(gf_randomizePercent(100, -5), 100.0);
}

TEST(RandomSwitchOn, SwitchIsReadAtEveryCall) {
    RANDOM.set(false);
    EXPECT_EQ(gf_randomIndex(1000), 0u);
    RANDOM.set(true);
    bool nonZero = false;
    for (int i = 0; i < 20 && !nonZero; ++i)
        nonZero = gf_randomIndex(1000) != 0;
    EXPECT_TRUE(nonZero);
}

// Each thread has its own engine: no data race, and threads do not draw the same numbers.
TEST(RandomThreads, EnginesPerThread) {
    constexpr int kThreads = 8;
    std::vector<std::vector<std::uint32_t>> draws(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &draws] {
            for (int i = 0; i < 1000; ++i) {
                (void)gf_randomIndex(17);
                std::vector<std::uint16_t> ids{1, 2, 3, 4};
                gf_shuffle(ids);
                (void)gf_randomizePercent(10.0, 5.0);
            }
            for (int i = 0; i < 8; ++i)
                draws[static_cast<std::size_t>(t)].push_back(gf_randomEngine()());
        });
    }
    for (auto& th : threads)
        th.join();
    std::set<std::vector<std::uint32_t>> distinct(draws.begin(), draws.end());
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kThreads));
}

// RANDOM switched from one thread while others choose: each call sees one value.
TEST(RandomThreads, SwitchChangedWhileChoosing) {
    std::atomic<bool> done{false};
    std::thread toggler([&] {
        for (int i = 0; i < 2000; ++i)
            RANDOM.set(i % 2 == 0);
        done = true;
    });
    std::vector<std::thread> choosers;
    for (int t = 0; t < 4; ++t) {
        choosers.emplace_back([&] {
            while (!done.load()) {
                ASSERT_LT(gf_randomIndex(3), 3u);
                std::vector<std::uint16_t> ids{1, 2, 3};
                gf_shuffle(ids);
                ASSERT_EQ(ids.size(), 3u);
            }
        });
    }
    toggler.join();
    for (auto& th : choosers)
        th.join();
    RANDOM.set(true);
}

} // namespace
} // namespace skf
