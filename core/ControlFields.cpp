#include "core/ControlFields.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "core/ShellState.h"
#include "core/WindowFields.h"

namespace skf {

namespace {

struct Field {
    std::atomic<bool> value{false};
    std::atomic<std::uint64_t> stamp{0}; // 0: never changed
};

constinit std::atomic<std::uint64_t> g_lastStamp{0};
constinit Field g_fields[kControlFieldCount];

// The warning boxes: the queue, and the numbers that let a caller wait for its own box. Box n (counted from
// 1) is queued when g_warningsQueued reaches n, taken by the window with g_warningsTaken and closed by the
// user when g_warningsClosed reaches n.
std::mutex g_warningMutex;
std::condition_variable g_warningClosed;
std::vector<std::string> g_warnings;
std::uint64_t g_warningsQueued = 0;
std::uint64_t g_warningsTaken = 0;
std::uint64_t g_warningsClosed = 0;
bool g_warningsShown = false;
std::thread::id g_warningThread;

std::size_t lf_index(ControlField field) {
    return static_cast<std::size_t>(field);
}

} // namespace

void gf_setControlField(ControlField field, bool value) {
    Field& f = g_fields[lf_index(field)];
    // The value first: a reader that sees the new stamp sees the new value too.
    f.value.store(value);
    f.stamp.store(g_lastStamp.fetch_add(1) + 1);
}

bool gf_controlField(ControlField field) {
    return g_fields[lf_index(field)].value.load();
}

void gf_setParkingBusy(bool busy) {
    if (!busy)
        g_mainWindow.minutesToNextUpdate = 20;
    // The field before the flag: whoever sees the flag changed finds the controls' change at the next turn.
    gf_setControlField(ControlField::ParkingBusy, busy);
    g_parkingBusy = busy;
    gf_markChanged(BAND_MIDDLE);
}

ControlFieldWatch::ControlFieldWatch() {
    for (std::size_t i = 0; i < kControlFieldCount; ++i)
        m_seen[i] = g_fields[i].stamp.load();
}

std::vector<ControlField> ControlFieldWatch::takeChanged() {
    std::vector<std::pair<std::uint64_t, ControlField>> changed;
    for (std::size_t i = 0; i < kControlFieldCount; ++i) {
        const std::uint64_t stamp = g_fields[i].stamp.load();
        if (stamp != m_seen[i]) {
            m_seen[i] = stamp;
            changed.emplace_back(stamp, static_cast<ControlField>(i));
        }
    }
    std::sort(changed.begin(), changed.end());
    std::vector<ControlField> fields;
    fields.reserve(changed.size());
    for (const auto& entry : changed)
        fields.push_back(entry.second);
    return fields;
}

void gf_requestWarningBox(const std::string& text) {
    std::lock_guard lock(g_warningMutex);
    g_warnings.push_back(text);
    ++g_warningsQueued;
}

bool gf_requestWarningBoxAndWait(const std::string& text) {
    std::unique_lock lock(g_warningMutex);
    g_warnings.push_back(text);
    const std::uint64_t mine = ++g_warningsQueued;
    // The window's own thread would wait for itself.
    if (std::this_thread::get_id() == g_warningThread)
        return false;
    g_warningClosed.wait(lock, [mine] { return g_warningsClosed >= mine || !g_warningsShown; });
    return g_warningsClosed >= mine;
}

std::vector<std::string> gf_takeWarningBoxes() {
    std::lock_guard lock(g_warningMutex);
    g_warningsTaken = g_warningsQueued;
    return std::exchange(g_warnings, {});
}

void gf_warningBoxesClosed() {
    {
        std::lock_guard lock(g_warningMutex);
        g_warningsClosed = g_warningsTaken;
    }
    g_warningClosed.notify_all();
}

void gf_setWarningBoxesShown(bool shown) {
    {
        std::lock_guard lock(g_warningMutex);
        g_warningsShown = shown;
        g_warningThread = shown ? std::this_thread::get_id() : std::thread::id{};
    }
    g_warningClosed.notify_all();
}

} // namespace skf
