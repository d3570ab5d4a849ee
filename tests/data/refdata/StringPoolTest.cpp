// String pools: ids, the empty code, and interning from many threads at once.
#include "data/StringPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using skf::StringPool;

TEST(StringPool, TheEmptyCodeIsIdZeroAndIdsAreStable) {
    StringPool pool;
    EXPECT_EQ(pool.size(), 1u);
    EXPECT_EQ(pool.intern(""), 0);
    const auto dlh = pool.intern("DLH");
    const auto dlhLower = pool.intern("dlh");
    EXPECT_EQ(dlh, 1);
    EXPECT_EQ(dlhLower, 2);            // no case folding
    EXPECT_EQ(pool.intern(" DLH"), 3); // no trimming
    EXPECT_EQ(pool.intern("DLH"), dlh);
    EXPECT_EQ(pool.name(dlh), "DLH");
    EXPECT_EQ(pool.find("dlh"), dlhLower);
    EXPECT_FALSE(pool.find("BAW").has_value());
    EXPECT_EQ(pool.name(0), "");
    EXPECT_EQ(pool.name(4), ""); // beyond the pool
    EXPECT_EQ(pool.name(65535), "");
}

TEST(StringPool, AViewStaysValidWhileTheTableGrows) {
    StringPool pool;
    const std::string_view first = pool.name(pool.intern("A320"));
    for (int i = 0; i < 20000; ++i)
        pool.intern("M" + std::to_string(i));
    EXPECT_EQ(first, "A320");
    pool.clear();
    EXPECT_EQ(pool.size(), 1u);
    EXPECT_EQ(pool.intern("B738"), 1);
}

TEST(StringPool, AFullPoolAnswersTheEmptyCodeInsteadOfWrappingAround) {
    StringPool pool;
    for (std::size_t i = 1; i < StringPool::kMaxCodes; ++i)
        pool.intern(std::to_string(i));
    EXPECT_EQ(pool.size(), StringPool::kMaxCodes);
    EXPECT_EQ(pool.intern("one too many"), 0);
    EXPECT_EQ(pool.intern("1"), 1);
    EXPECT_EQ(pool.name(65535), "65535");
}

TEST(StringPool, TheProgramPoolsAreSeparate) {
    const auto a = skf::gf_internOperator("ZZZTESTOP");
    const auto m = skf::gf_internModel("ZZZTESTMODEL");
    EXPECT_EQ(skf::gf_operatorName(a), "ZZZTESTOP");
    EXPECT_EQ(skf::gf_modelName(m), "ZZZTESTMODEL");
    EXPECT_FALSE(skf::g_modelPool.find("ZZZTESTOP").has_value());
}

// Scan workers intern while other threads read names: every code gets exactly one id, and every
// id read back names its code.
TEST(StringPoolConcurrent, ManyThreadsInternTheSameAndNewCodes) {
    StringPool pool;
    constexpr int kThreads = 8;
    constexpr int kCodes = 3001; // prime, so every stride below visits every code
    std::vector<std::vector<std::uint16_t>> ids(kThreads, std::vector<std::uint16_t>(kCodes));
    std::atomic<bool> go{false};
    std::atomic<bool> readerFailed{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load())
                std::this_thread::yield();
            for (int i = 0; i < kCodes; ++i) {
                // Every thread interns the shared codes in another order.
                const int k = (i * (2 * t + 1)) % kCodes;
                ids[t][k] = pool.intern("C" + std::to_string(k));
                const std::string_view back = pool.name(ids[t][k]);
                if (back != "C" + std::to_string(k))
                    readerFailed = true;
            }
        });
    }
    std::thread reader([&] {
        while (!go.load())
            std::this_thread::yield();
        for (int r = 0; r < 20000; ++r) {
            const auto n = pool.size();
            const std::string_view last = pool.name(static_cast<std::uint16_t>(n - 1));
            if (n > 1 && last.empty())
                readerFailed = true;
        }
    });
    go = true;
    for (auto& th : threads)
        th.join();
    reader.join();

    EXPECT_FALSE(readerFailed.load());
    EXPECT_EQ(pool.size(), static_cast<std::size_t>(kCodes) + 1);
    for (int t = 1; t < kThreads; ++t)
        EXPECT_EQ(ids[t], ids[0]);
    std::vector<bool> seen(kCodes + 1, false);
    for (const auto id : ids[0]) {
        ASSERT_GT(id, 0);
        ASSERT_LE(id, kCodes);
        EXPECT_FALSE(seen[id]);
        seen[id] = true;
    }
}
