#include "core/StatusLine.h"

#include <atomic>
#include <mutex>
#include <utility>

#include "core/Log.h"
#include "core/WindowFields.h"

namespace skf {

namespace {

std::mutex g_statusMutex;
std::string g_statusText;
std::string g_errorText;
std::int32_t g_statusStamp = 0;
std::atomic<std::int32_t> g_secondCounter{0};

// gf_setError writes its log line while it holds the status mutex: a log failure found by that line
// waits here until the mutex is released (the same thread, so no lock).
thread_local bool t_holdsStatusMutex = false;
thread_local std::string t_deferredLogStatus;

void lf_postRepaint() {
    gf_markChanged(BAND_STATUS);
}

} // namespace

void gf_setStatus(const std::string& text, bool alsoLog) {
    {
        std::lock_guard lock(g_statusMutex);
        if (!g_errorText.empty())
            return;
        g_statusText = text;
        if (text.empty()) {
            g_statusStamp = 0;
        } else {
            const std::int32_t counter = g_secondCounter.load();
            g_statusStamp = counter < 1 ? 1 : counter;
        }
    }
    if (alsoLog && !text.empty())
        gf_log(text);
    lf_postRepaint();
}

void gf_clearStatus() {
    {
        std::lock_guard lock(g_statusMutex);
        if (!g_errorText.empty())
            return;
        g_statusText.clear();
        g_statusStamp = 0;
    }
    lf_postRepaint();
}

void gf_setError(const std::string& text) {
    {
        std::lock_guard lock(g_statusMutex);
        g_statusText.clear();
        g_statusStamp = 0;
        g_errorText = text;
        t_holdsStatusMutex = true;
        try {
            gf_log("Error " + text);
        } catch (...) {
            t_holdsStatusMutex = false;
            throw;
        }
        t_holdsStatusMutex = false;
    }
    lf_postRepaint();
    if (!t_deferredLogStatus.empty())
        gf_setStatus(std::exchange(t_deferredLogStatus, {}));
}

void gf_showStatusOfLog(const std::string& text) {
    if (t_holdsStatusMutex) {
        t_deferredLogStatus = text;
        return;
    }
    gf_setStatus(text);
}

void gf_clearError() {
    {
        std::lock_guard lock(g_statusMutex);
        g_errorText.clear();
        g_statusText.clear();
        g_statusStamp = 0;
    }
    lf_postRepaint();
}

StatusSnapshot gf_statusSnapshot() {
    std::lock_guard lock(g_statusMutex);
    return StatusSnapshot{g_statusText, g_errorText, g_statusStamp};
}

void gf_statusSecondTick() {
    const std::int32_t counter = g_secondCounter.fetch_add(1) + 1;
    bool cleared = false;
    {
        std::lock_guard lock(g_statusMutex);
        if (g_errorText.empty() && g_statusStamp >= 1 && counter - g_statusStamp >= STATUS_EXPIRY_SECONDS) {
            g_statusText.clear();
            g_statusStamp = 0;
            cleared = true;
        }
    }
    if (cleared)
        lf_postRepaint();
}

std::int32_t gf_statusSecondCounter() {
    return g_secondCounter.load();
}

void gf_setStatusSecondCounter(std::int32_t value) {
    g_secondCounter.store(value);
}

} // namespace skf
