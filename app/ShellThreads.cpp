#include "app/ShellThreads.h"

#include "core/Log.h"

#include <fmt/format.h>

#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace skf {

namespace {

struct ShellThread {
    std::string name;
    std::thread thread;
    bool done = false;
};

// Never destroyed: a thread left running after the bounded join may still touch them while the
// process ends.
std::mutex& g_threadsMutex = *new std::mutex;
std::condition_variable& g_threadsDone = *new std::condition_variable;
std::list<ShellThread>& g_threads = *new std::list<ShellThread>;

// Joins and forgets the threads that ended. Called with the lock held; the joins do not block, as the
// thread has left its body (only its return is pending).
std::list<ShellThread> lf_takeEnded() {
    std::list<ShellThread> ended;
    for (auto it = g_threads.begin(); it != g_threads.end();) {
        auto next = std::next(it);
        if (it->done)
            ended.splice(ended.end(), g_threads, it);
        it = next;
    }
    return ended;
}

void lf_joinAll(std::list<ShellThread>& ended) {
    for (auto& t : ended)
        if (t.thread.joinable())
            t.thread.join();
}

} // namespace

void gf_startShellThread(const std::string& name, std::function<void()> body) {
    std::list<ShellThread> ended;
    std::lock_guard lock(g_threadsMutex);
    ended = lf_takeEnded();
    g_threads.push_back(ShellThread{name, {}, false});
    ShellThread* entry = &g_threads.back();
    entry->thread = std::thread([entry, body = std::move(body)] {
        try {
            body();
        } catch (const std::exception& e) {
            gf_logError(fmt::format("Exception in {}: {}", entry->name, e.what()));
        } catch (...) {
            gf_logError(fmt::format("Exception in {}: unknown", entry->name));
        }
        // Once done is seen (under the lock), this thread touches nothing of ours any more.
        std::lock_guard doneLock(g_threadsMutex);
        entry->done = true;
        g_threadsDone.notify_all();
    });
    // Joining the ended threads here is safe: they no longer take the lock.
    lf_joinAll(ended);
}

bool gf_joinShellThreads(std::chrono::milliseconds timeout) {
    std::unique_lock lock(g_threadsMutex);
    const bool all = g_threadsDone.wait_for(lock, timeout, [] {
        for (const auto& t : g_threads)
            if (!t.done)
                return false;
        return true;
    });
    std::list<ShellThread> ended = lf_takeEnded();
    // A thread that is still running is detached; its record stays, as the thread writes into it.
    for (auto& t : g_threads) {
        if (!t.thread.joinable())
            continue;
        gf_logError(fmt::format("Thread {} did not end in time", t.name));
        t.thread.detach();
    }
    lock.unlock();
    lf_joinAll(ended);
    return all;
}

int gf_runningShellThreads() {
    std::lock_guard lock(g_threadsMutex);
    int n = 0;
    for (const auto& t : g_threads)
        n += t.done ? 0 : 1;
    return n;
}

} // namespace skf
