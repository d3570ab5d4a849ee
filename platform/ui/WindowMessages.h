#pragma once
// Messages posted to the main window from any thread, and repaint requests of the window's bands.
//
// The queue is our own and unbounded (the toolkit's own queue drops messages when it is full). Repaint
// requests are coalesced: a pending request of the same kind is not queued twice, so nothing grows while
// no window runs.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "platform/ui/WindowBands.h"

namespace skf {

// Private window messages.
inline constexpr std::uint32_t WM_APP_START = 0x8001;        // start the start-up thread
inline constexpr std::uint32_t WM_APP_CLOSED = 0x8002;       // save the placement, quit with the exit code
inline constexpr std::uint32_t WM_APP_STATUS_PAINT = 0x8060; // repaint the status band
inline constexpr std::uint32_t WM_APP_INVALIDATE = 0x8100;   // repaint the bands in wParam (Band bits)

struct WindowMessage {
    std::uint32_t message = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
};

class WindowMessageQueue {
public:
    void post(const WindowMessage& msg);
    std::optional<WindowMessage> tryPop();
    // Waits at most timeoutMs for a message.
    std::optional<WindowMessage> waitPop(int timeoutMs);
    std::size_t size() const;
    void clear();
    // Called (outside the lock) after each post, e.g. to wake the toolkit's event loop.
    void setWakeup(std::function<void()> wakeup);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<WindowMessage> m_queue;
    std::uint32_t m_pendingBands = 0;
    bool m_statusPending = false;
    std::function<void()> m_wakeup;
};

// The main window's queue.
WindowMessageQueue& gf_windowQueue();

// Any thread: post a message to the main window.
void gf_postWindowMessage(std::uint32_t message, std::uint64_t wParam = 0, std::int64_t lParam = 0);
// Any thread: ask for a repaint of the given bands (Band bits).
void gf_invalidateBands(std::uint32_t bands);

} // namespace skf
