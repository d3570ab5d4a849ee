#include "app/ShellThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

TEST(ShellThreads, JoinsEndedThreadsAndBoundsTheWaitForOthers) {
    std::atomic<int> ran{0};
    for (int i = 0; i < 4; ++i)
        skf::gf_startShellThread("worker", [&ran] { ++ran; });
    skf::gf_startShellThread("thrower", [] { throw std::runtime_error("boom"); }); // logged, not fatal
    EXPECT_TRUE(skf::gf_joinShellThreads(std::chrono::seconds(30)));
    EXPECT_EQ(ran.load(), 4);
    EXPECT_EQ(skf::gf_runningShellThreads(), 0);

    // A thread that does not end in time is left behind instead of blocking the caller.
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    skf::gf_startShellThread("stuck", [&] {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return release; });
    });
    EXPECT_FALSE(skf::gf_joinShellThreads(std::chrono::milliseconds(20)));
    EXPECT_EQ(skf::gf_runningShellThreads(), 1);
    {
        std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    // The detached thread still reports its end; the next start forgets it.
    while (skf::gf_runningShellThreads() != 0)
        std::this_thread::yield();
    skf::gf_startShellThread("next", [] {});
    EXPECT_TRUE(skf::gf_joinShellThreads(std::chrono::seconds(30)));
}

} // namespace
