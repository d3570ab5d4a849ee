#include "platform/ui/WindowMessages.h"

#include <chrono>

namespace skf {

void WindowMessageQueue::post(const WindowMessage& msg) {
    std::function<void()> wakeup;
    {
        std::lock_guard lock(m_mutex);
        if (msg.message == WM_APP_STATUS_PAINT) {
            if (m_statusPending)
                return;
            m_statusPending = true;
            m_queue.push_back(msg);
        } else if (msg.message == WM_APP_INVALIDATE) {
            const auto bands = static_cast<std::uint32_t>(msg.wParam);
            if ((m_pendingBands | bands) == m_pendingBands && m_pendingBands != 0)
                return;
            const bool queued = m_pendingBands != 0;
            m_pendingBands |= bands;
            if (!queued)
                m_queue.push_back(WindowMessage{WM_APP_INVALIDATE, 0, 0});
        } else {
            m_queue.push_back(msg);
        }
        wakeup = m_wakeup;
    }
    m_cv.notify_all();
    if (wakeup)
        wakeup();
}

std::optional<WindowMessage> WindowMessageQueue::tryPop() {
    std::lock_guard lock(m_mutex);
    if (m_queue.empty())
        return std::nullopt;
    WindowMessage msg = m_queue.front();
    m_queue.pop_front();
    if (msg.message == WM_APP_STATUS_PAINT)
        m_statusPending = false;
    if (msg.message == WM_APP_INVALIDATE) {
        msg.wParam = m_pendingBands;
        m_pendingBands = 0;
    }
    return msg;
}

std::optional<WindowMessage> WindowMessageQueue::waitPop(int timeoutMs) {
    {
        std::unique_lock lock(m_mutex);
        m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !m_queue.empty(); });
    }
    return tryPop();
}

std::size_t WindowMessageQueue::size() const {
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

void WindowMessageQueue::clear() {
    std::lock_guard lock(m_mutex);
    m_queue.clear();
    m_pendingBands = 0;
    m_statusPending = false;
}

void WindowMessageQueue::setWakeup(std::function<void()> wakeup) {
    std::lock_guard lock(m_mutex);
    m_wakeup = std::move(wakeup);
}

WindowMessageQueue& gf_windowQueue() {
    static WindowMessageQueue queue;
    return queue;
}

void gf_postWindowMessage(std::uint32_t message, std::uint64_t wParam, std::int64_t lParam) {
    gf_windowQueue().post(WindowMessage{message, wParam, lParam});
}

void gf_invalidateBands(std::uint32_t bands) {
    if (bands == 0)
        return;
    gf_windowQueue().post(WindowMessage{WM_APP_INVALIDATE, bands, 0});
}

} // namespace skf
