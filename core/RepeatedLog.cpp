#include "core/RepeatedLog.h"

#include "core/Log.h"

#include <fmt/format.h>
#include <utility>
#include <vector>

namespace skf {

namespace {

// Constant-initialised, so that global objects of other files may register during static initialisation.
constinit std::mutex s_registryMutex;
constinit RepeatedLog* s_registryHead = nullptr;

} // namespace

RepeatedLog::RepeatedLog(std::string_view kind) : m_kind(kind) {
    std::lock_guard lock(s_registryMutex);
    m_next = s_registryHead;
    if (s_registryHead != nullptr)
        s_registryHead->m_previous = this;
    s_registryHead = this;
}

RepeatedLog::~RepeatedLog() {
    std::lock_guard lock(s_registryMutex);
    if (m_previous != nullptr)
        m_previous->m_next = m_next;
    else
        s_registryHead = m_next;
    if (m_next != nullptr)
        m_next->m_previous = m_previous;
}

std::optional<std::uint64_t> RepeatedCount::count(Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    ++m_total;
    ++m_unreported;
    if (m_reported && now - m_lastReport < kReportInterval)
        return std::nullopt;
    m_reported = true;
    m_lastReport = now;
    return std::exchange(m_unreported, 0);
}

std::uint64_t RepeatedCount::takeUnreported(Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    if (m_unreported == 0)
        return 0;
    m_reported = true;
    m_lastReport = now;
    return std::exchange(m_unreported, 0);
}

std::optional<std::uint64_t> RepeatedCount::takeQuiet(Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    if (m_unreported == 0 || now - m_lastReport < kReportInterval)
        return std::nullopt;
    m_lastReport = now;
    return std::exchange(m_unreported, 0);
}

std::uint64_t RepeatedCount::restart() {
    std::lock_guard lock(m_mutex);
    m_reported = false;
    return std::exchange(m_unreported, 0);
}

std::uint64_t RepeatedCount::total() const {
    std::lock_guard lock(m_mutex);
    return m_total;
}

void RepeatedLog::reset() {
    const std::uint64_t unreported = m_count.restart();
    if (unreported > 0)
        gf_log(fmt::format("{}: {} more since the last report", m_kind, unreported));
}

void RepeatedLog::write(const std::string& text, std::uint64_t count, bool warning) {
    const std::string line = count > 1 ? fmt::format("{} ({} times since the last report)", text, count) : text;
    if (warning)
        gf_logError(line);
    else
        gf_log(line);
}

void gf_reportRepeatedLogs(RepeatedLog::Clock::time_point now) {
    std::vector<std::string> lines;
    {
        std::lock_guard lock(s_registryMutex);
        for (RepeatedLog* r = s_registryHead; r != nullptr; r = r->m_next) {
            if (const auto quiet = r->m_count.takeQuiet(now))
                lines.push_back(fmt::format("{}: {} more since the last report", r->m_kind, *quiet));
        }
    }
    for (const std::string& line : lines)
        gf_log(line);
}

} // namespace skf
