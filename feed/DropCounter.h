#pragma once
// A count of dropped inputs that is logged at most once a minute (full traffic queue, datagrams on the
// traffic port that are no traffic lines). Any thread may count; the thread that counts also reports,
// outside any other lock. Never blocks beyond a short mutex of its own.
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>

namespace skf {

class DropCounter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kReportInterval = std::chrono::minutes(1);

    // Counts one drop. Returns the drops not yet reported when a report is due (the first drop, then at
    // most once per interval), else nothing.
    std::optional<std::uint64_t> count(Clock::time_point now = Clock::now()) {
        std::lock_guard lock(m_mutex);
        ++m_total;
        ++m_unreported;
        if (m_reported && now - m_lastReport < kReportInterval)
            return std::nullopt;
        m_reported = true;
        m_lastReport = now;
        return std::exchange(m_unreported, 0);
    }

    // The drops not yet reported, now reported (for a summary when the dropping ends).
    std::uint64_t takeUnreported(Clock::time_point now = Clock::now()) {
        std::lock_guard lock(m_mutex);
        if (m_unreported == 0)
            return 0;
        m_reported = true;
        m_lastReport = now;
        return std::exchange(m_unreported, 0);
    }

    [[nodiscard]] std::uint64_t total() const {
        std::lock_guard lock(m_mutex);
        return m_total;
    }

private:
    mutable std::mutex m_mutex;
    std::uint64_t m_total = 0;
    std::uint64_t m_unreported = 0;
    bool m_reported = false;
    Clock::time_point m_lastReport{};
};

} // namespace skf
