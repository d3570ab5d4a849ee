#pragma once
// The thread that owns a piece of state (the engine's, the simulator link's SimClient side), checked in
// debug builds and in the sanitizer builds (SKYFILL_THREAD_CHECKS): an entry point of the owner calls
// check(), and a call from any other thread stops the program with the entry point's name, since such a
// call races with the owner and corrupts its containers without a sign. The owner binds the calling
// thread at its start and at its reset; while unbound nothing is checked (a test may drive the owner from
// whichever thread it runs on). In other builds every call is empty.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#if !defined(NDEBUG) && !defined(SKYFILL_THREAD_CHECKS)
#define SKYFILL_THREAD_CHECKS 1
#endif

namespace skf {

class ThreadOwner {
public:
    // Makes the calling thread the owner.
    void bind() noexcept {
#ifdef SKYFILL_THREAD_CHECKS
        m_owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
#endif
    }
    // No owner: nothing is checked until the next bind.
    void release() noexcept {
#ifdef SKYFILL_THREAD_CHECKS
        m_owner.store(std::thread::id{}, std::memory_order_relaxed);
#endif
    }
    // Stops the program when a thread other than the bound owner enters `where`.
    void check([[maybe_unused]] const char* where) const noexcept {
#ifdef SKYFILL_THREAD_CHECKS
        const std::thread::id owner = m_owner.load(std::memory_order_relaxed);
        if (owner != std::thread::id{} && owner != std::this_thread::get_id()) {
            std::fprintf(stderr, "%s called off its owning thread\n", where);
            std::abort();
        }
#endif
    }

private:
#ifdef SKYFILL_THREAD_CHECKS
    std::atomic<std::thread::id> m_owner{};
#endif
};

} // namespace skf
