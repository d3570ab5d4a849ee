#pragma once
// Log lines that a peer can make us repeat without end (malformed datagrams, bad fields, unknown simulator
// messages): each kind of line is counted, and written at most once per interval with its count. The first
// occurrence is written in full; a count left over when the repeats stop is written by the periodic log
// flush (gf_flushLog calls gf_reportRepeatedLogs).
//
// Any thread may log through one object. Each object has a short mutex of its own, which is never held while
// the log is written. Objects register themselves for the periodic report while they live; a global object
// may log during static initialisation of other files.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skf {

// A count of repeated events whose report is due on the first event, then at most once per interval (a full
// queue, datagrams that are no traffic lines): the caller writes its own line with the count. Any thread may
// count; a short mutex of its own, never held by a caller.
class RepeatedCount {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kReportInterval = std::chrono::minutes(1);

    // Counts one event; returns the events not yet reported when a report is due, else nothing.
    std::optional<std::uint64_t> count(Clock::time_point now = Clock::now());
    // The events not yet reported, now taken as reported (for a summary when the repeats end); 0 leaves the
    // interval as it was.
    std::uint64_t takeUnreported(Clock::time_point now = Clock::now());
    // The events not yet reported when their report is due (an interval after the last), taken as reported;
    // else nothing.
    std::optional<std::uint64_t> takeQuiet(Clock::time_point now);
    // Starts over: the next event is reported at once. Returns the events not yet reported.
    std::uint64_t restart();
    // Every event counted since the object was made.
    [[nodiscard]] std::uint64_t total() const;

private:
    mutable std::mutex m_mutex;
    std::uint64_t m_total = 0;
    std::uint64_t m_unreported = 0;
    bool m_reported = false;
    Clock::time_point m_lastReport{};
};

class RepeatedLog {
public:
    using Clock = RepeatedCount::Clock;
    static constexpr Clock::duration kReportInterval = RepeatedCount::kReportInterval;

    // kind names these lines in the periodic report ("exception in processLineSub: lat"); it must outlive the
    // object (a literal).
    explicit RepeatedLog(std::string_view kind);
    ~RepeatedLog();
    RepeatedLog(const RepeatedLog&) = delete;
    RepeatedLog& operator=(const RepeatedLog&) = delete;

    // Counts one occurrence. When a line is due (the first occurrence, then at most once per interval),
    // writes makeText() as a plain line, or as a warning line ("==> ") when warning is set, with the count
    // when it is above 1; returns whether it wrote. makeText is called only then, so a flood costs no
    // formatting.
    template <class MakeText>
    bool log(MakeText&& makeText, bool warning = false, Clock::time_point now = Clock::now()) {
        const std::optional<std::uint64_t> due = count(now);
        if (!due)
            return false;
        write(makeText(), *due, warning);
        return true;
    }

    // Counts one occurrence; returns the occurrences not yet reported when a line is due, else nothing.
    std::optional<std::uint64_t> count(Clock::time_point now = Clock::now()) { return m_count.count(now); }
    // Every occurrence counted since the object was made.
    [[nodiscard]] std::uint64_t total() const { return m_count.total(); }
    // Starts over (a new run): the next occurrence is logged in full again. A count not yet written is
    // written first.
    void reset();

private:
    friend void gf_reportRepeatedLogs(Clock::time_point now);
    static void write(const std::string& text, std::uint64_t count, bool warning);

    std::string_view m_kind;
    RepeatedCount m_count;
    // The registry of living objects (intrusive, under the registry's mutex).
    RepeatedLog* m_previous = nullptr;
    RepeatedLog* m_next = nullptr;
};

// A fixed set of kinds, one RepeatedLog each, indexed in the order of their names (the faults of one reader).
class RepeatedLogSet {
public:
    RepeatedLogSet(std::initializer_list<std::string_view> kinds) {
        m_logs.reserve(kinds.size());
        for (const std::string_view kind : kinds)
            m_logs.push_back(std::make_unique<RepeatedLog>(kind));
    }
    RepeatedLog& operator[](std::size_t index) { return *m_logs.at(index); }
    [[nodiscard]] std::size_t size() const { return m_logs.size(); }

private:
    std::vector<std::unique_ptr<RepeatedLog>> m_logs;
};

// Writes one line "{kind}: {n} more since the last report" for every kind whose repeats stopped with
// occurrences not yet written and whose last line is an interval old or more.
void gf_reportRepeatedLogs(RepeatedLog::Clock::time_point now = RepeatedLog::Clock::now());

} // namespace skf
