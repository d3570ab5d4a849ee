// The worker pool under load: results complete and in order, the worker limit, a stop in the middle of a run,
// a task that does not end within its wait, exceptions. Run under ThreadSanitizer as well (./skyfill.sh tsan).
#include "core/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <latch>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

namespace {

using namespace skf;
using namespace std::chrono_literals;

// Counts how many tasks run at once.
struct Concurrency {
    std::atomic<int> now{0};
    std::atomic<int> most{0};
    void enter() {
        const int n = ++now;
        for (int seen = most.load(); n > seen && !most.compare_exchange_weak(seen, n);) {
        }
    }
    void leave() { --now; }
};

// Many short tasks with a window of pending futures, as the scans queue them: every result arrives, in the
// order queued, and no more tasks run at once than the pool has workers. With a batch, tasks queued below
// it still run when they are awaited.
TEST(WorkerPoolThreads, ResultsAreCompleteAndInOrderWithinTheWorkerLimit) {
    struct Row {
        int workers;
        std::size_t batch;
        std::size_t window;
    } rows[] = {{1, 1, 2}, {2, 1, 3}, {16, 1, 17}, {2, 8, 32}, {16, 8, 5}, {3, 8, 1000}};
    for (const Row& row : rows) {
        Concurrency running;
        std::vector<std::string> results;
        {
            WorkerPool pool(row.workers, row.batch);
            std::deque<std::future<std::string>> pending;
            const auto collect = [&] {
                results.push_back(pool.await(pending.front(), kWorkerWait));
                pending.pop_front();
            };
            for (int i = 0; i < 2000; ++i) {
                pending.push_back(pool.submit([i, &running] {
                    running.enter();
                    std::string text = std::to_string(i);
                    for (int k = 0; k < (i % 7) * 50; ++k) // uneven lengths, so the tasks end out of order
                        text = std::to_string(std::hash<std::string>{}(text) % 1000);
                    running.leave();
                    return std::to_string(i);
                }));
                if (pending.size() > row.window)
                    collect();
            }
            while (!pending.empty())
                collect();
            EXPECT_LE(pool.threads(), static_cast<std::size_t>(row.workers));
        }
        ASSERT_EQ(results.size(), 2000U) << row.workers;
        for (int i = 0; i < 2000; ++i)
            ASSERT_EQ(results[static_cast<std::size_t>(i)], std::to_string(i)) << row.workers;
        EXPECT_LE(running.most.load(), row.workers);
        EXPECT_GE(running.most.load(), 1);
    }
}

// A stop in the middle of a run: the queued tasks never start, the running ones see their stop token and
// end, a task queued afterwards is refused; the pool's end joins every thread.
TEST(WorkerPoolThreads, AStopDropsQueuedTasksAndEndsRunningOnes) {
    std::atomic<int> started{0};
    std::atomic<int> endedByStop{0};
    std::latch bothRunning(2);
    std::vector<std::future<int>> futures;
    {
        WorkerPool pool(2);
        for (int i = 0; i < 10; ++i)
            futures.push_back(pool.submit([&, i](std::stop_token stop) {
                ++started;
                bothRunning.count_down();
                while (!stop.stop_requested())
                    std::this_thread::sleep_for(1ms);
                ++endedByStop;
                return i;
            }));
        bothRunning.wait();
        pool.stop();
        EXPECT_TRUE(pool.stopRequested());
        auto late = pool.submit([] { return 1; });
        EXPECT_THROW(late.get(), WorkerPoolStopped);
    }
    EXPECT_EQ(started.load(), 2);
    EXPECT_EQ(endedByStop.load(), 2);
    EXPECT_EQ(futures[0].get(), 0);
    EXPECT_EQ(futures[1].get(), 1);
    for (std::size_t i = 2; i < futures.size(); ++i)
        EXPECT_THROW(futures[i].get(), WorkerPoolStopped) << i;
}

// A task that does not end: its wait is bounded, the owner drops it (and what it gave it) and goes on with
// the other thread; the abandoned task keeps only what it owns and ends when the pool is destroyed.
TEST(WorkerPoolThreads, ATaskThatNeverEndsIsBoundedByTheWait) {
    std::atomic<bool> hungEnded{false};
    std::vector<int> later;
    {
        WorkerPool pool(2);
        {
            auto owned = std::make_shared<std::vector<int>>(1000, 7);
            auto hung = pool.submit([owned, &hungEnded](std::stop_token stop) {
                while (!stop.stop_requested())
                    std::this_thread::sleep_for(1ms);
                (*owned)[999] = 8; // the owner has let go of it long ago
                hungEnded = true;
                return owned->size();
            });
            try {
                gf_awaitWorker(hung, 20ms);
                ADD_FAILURE() << "the wait did not time out";
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "Future wait timed out after 10 seconds");
            }
        }
        for (int i = 0; i < 20; ++i) {
            auto f = pool.submit([i] { return i * i; });
            later.push_back(gf_awaitWorker(f, kWorkerWait));
        }
        EXPECT_FALSE(hungEnded.load());
    }
    EXPECT_TRUE(hungEnded.load());
    std::vector<int> want(20);
    std::iota(want.begin(), want.end(), 0);
    for (int& w : want)
        w *= w;
    EXPECT_EQ(later, want);
}

TEST(WorkerPoolThreads, ATasksExceptionGoesToItsFuture) {
    WorkerPool pool(3);
    auto failing = pool.submit([]() -> int { throw std::invalid_argument("bad file"); });
    auto fine = pool.submit([] {});
    EXPECT_THROW(gf_awaitWorker(failing, kWorkerWait), std::invalid_argument);
    EXPECT_NO_THROW(gf_awaitWorker(fine, kWorkerWait));
    EXPECT_EQ(WorkerPool(0).workers(), 1); // never a pool without a thread
}

} // namespace
