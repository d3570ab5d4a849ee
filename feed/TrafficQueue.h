#pragma once
// The traffic queue: accepted live-traffic reports on their way from the traffic reader to the engine.
//
// The "Traffic Reader" thread pushes one QueuedTraffic per accepted traffic line (gf_pushTraffic); the
// engine step (start-up thread) takes at most two off the front every 10 ms (gf_takeTraffic) and files
// them while the queue's mutex is held; the engine's reset empties it (gf_resetTrafficQueue). The main
// cycle opens and closes the traffic gate (g_liveTrafficOpen) under the same mutex: while the gate is
// closed pushed reports are dropped. Every access is under g_addingStackMutex; nothing here blocks
// longer than one push or one filing of two records, and nothing here logs while holding the mutex.
//
// The queue is bounded: the engine files 200 records a second, so a record that waited behind
// kTrafficQueueBound others would be far past its due step when filed. Past the bound the oldest records
// are dropped and counted; the count is logged at most once a minute.
#include "feed/StreamPoint.h"
#include "sim/AircraftRecords.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>

namespace skf {

// One accepted live-traffic report.
struct QueuedTraffic {
    TrafficRecord record;        // airline id 0, model id of the type designator, codes, callsign, registration
    StreamPoint point;           // position and motion; dueStep is set when it is queued
    double timestamp = 0.0;      // seconds since 1970, as the report gives it
    std::uint32_t trafficId = 0; // above 10000
};

// Guards the traffic queue and the gate. Lock order: taken alone, or before the engine's own locks while
// it files records (never while holding the SimConnect command mutex).
extern std::mutex g_addingStackMutex;
// The traffic gate; guarded by g_addingStackMutex. Written by the main cycle, the run and closing down.
extern bool& g_liveTrafficOpen;

// 30 seconds of the engine's intake (2 records a step).
inline constexpr std::size_t kTrafficQueueBound = 6000;

// Traffic reader: when the gate is open, sets the record's due step to the step counter + 3000 and
// appends it, dropping the oldest record when the queue is full; false (record dropped) when the gate is
// closed.
bool gf_pushTraffic(QueuedTraffic&& traffic);

// Engine step: takes at most maxRecords records off the front and hands each to file, under the mutex,
// oldest first; returns how many it took. file must not take g_addingStackMutex.
std::size_t gf_takeTraffic(const std::function<void(QueuedTraffic&)>& file, std::size_t maxRecords = 2);

// Engine reset: empties the queue (under the mutex), releasing its memory.
void gf_resetTrafficQueue();

// Records now queued; records dropped at the bound since the start of the process.
[[nodiscard]] std::size_t gf_trafficQueueSize();
[[nodiscard]] std::uint64_t gf_trafficQueueDropped();

} // namespace skf
