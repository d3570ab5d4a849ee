// The traffic queue between the traffic reader and the engine.
#include "feed/TrafficQueue.h"

#include "core/Log.h"
#include "core/RepeatedLog.h"
#include "feed/FeedState.h"

#include <deque>
#include <fmt/format.h>

namespace skf {

namespace {
// Guarded by g_addingStackMutex; held by the feed's owner.
std::deque<QueuedTraffic>& g_addingStack = gf_feedState().queue.addingStack;
RepeatedCount g_queueDrops;
} // namespace

bool gf_pushTraffic(QueuedTraffic&& traffic) {
    bool full = false;
    {
        std::lock_guard lock(g_addingStackMutex);
        if (!g_liveTrafficOpen)
            return false;
        traffic.point.dueStep = gf_dueStepFrom(g_stepCounter.load(std::memory_order_relaxed));
        if (g_addingStack.size() >= kTrafficQueueBound) {
            g_addingStack.pop_front();
            full = true;
        }
        g_addingStack.push_back(std::move(traffic));
    }
    if (full) {
        if (auto unreported = g_queueDrops.count())
            gf_logError(fmt::format("traffic queue full: {} oldest record{} dropped", *unreported,
                                    *unreported == 1 ? "" : "s"));
    }
    return true;
}

std::size_t gf_takeTraffic(const std::function<void(QueuedTraffic&)>& file, std::size_t maxRecords) {
    std::lock_guard lock(g_addingStackMutex);
    std::size_t taken = 0;
    while (taken < maxRecords && !g_addingStack.empty()) {
        // Popped before it is filed, so a filing that throws never files the record a second time.
        QueuedTraffic traffic = std::move(g_addingStack.front());
        g_addingStack.pop_front();
        ++taken;
        file(traffic);
    }
    return taken;
}

void gf_resetTrafficQueue() {
    std::lock_guard lock(g_addingStackMutex);
    std::deque<QueuedTraffic>().swap(g_addingStack);
}

std::size_t gf_trafficQueueSize() {
    std::lock_guard lock(g_addingStackMutex);
    return g_addingStack.size();
}

std::uint64_t gf_trafficQueueDropped() {
    return g_queueDrops.total();
}

} // namespace skf
