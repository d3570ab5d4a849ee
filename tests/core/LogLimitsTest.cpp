// What bounds the log: repeats of one kind counted, a size limit per run, and a log that cannot be written.
#include "core/Log.h"
#include "core/RepeatedLog.h"
#include "core/StatusLine.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace skf {
namespace {

using namespace std::chrono_literals;
using test::readBytes;
using test::TempFolder;

class LogLimits : public ::testing::Test {
protected:
    void SetUp() override { gf_clearError(); }
    void TearDown() override {
        gf_closeLog();
        gf_clearError();
    }
    std::string text() {
        gf_flushLog();
        return readBytes(dir / "Log.txt");
    }
    TempFolder dir;
};

TEST_F(LogLimits, RepeatsAreWrittenOnceAMinuteWithTheirCountAndTheRestByTheFlush) {
    gf_openLogIn(dir.path());
    RepeatedLog repeats("bad field");
    const auto t0 = RepeatedLog::Clock::now();
    int made = 0;
    const auto line = [&made] {
        ++made;
        return std::string("bad field: x");
    };
    EXPECT_TRUE(repeats.log(line, false, t0));
    for (int i = 1; i <= 9; ++i)
        EXPECT_FALSE(repeats.log(line, false, t0 + i * 1s));
    EXPECT_TRUE(repeats.log(line, true, t0 + 61s)); // the ten since the first
    for (int i = 0; i < 3; ++i)
        repeats.log(line, false, t0 + 62s);
    gf_reportRepeatedLogs(t0 + 100s); // not yet a minute since the last line
    gf_reportRepeatedLogs(t0 + 125s);
    gf_reportRepeatedLogs(t0 + 126s);                  // nothing left
    EXPECT_FALSE(repeats.log(line, false, t0 + 130s)); // within a minute of the last line
    repeats.reset();                                   // writes its count
    EXPECT_TRUE(repeats.log(line, false, t0 + 131s));  // a new run starts over

    EXPECT_EQ(made, 3); // a suppressed line is never formatted
    EXPECT_EQ(repeats.total(), 16U);
    const std::string log = text();
    EXPECT_NE(log.find("\nbad field: x\n==> bad field: x (10 times since the last report)\n"
                       "bad field: 3 more since the last report\nbad field: 1 more since the last report\n"
                       "bad field: x\n"),
              std::string::npos)
        << log;
}

// A count whose caller writes its own line (a full queue, dropped lines): due on the first event, then at most
// once a minute with every event since; a summary when the events stop takes what is left and restarts the
// minute, an empty one leaves it.
TEST(RepeatedCountTest, DueOnTheFirstEventThenOnceAMinuteAndASummaryTakesTheRest) {
    struct Row {
        int second;
        bool summary;                     // takeUnreported instead of count
        std::optional<std::uint64_t> due; // count: the events reported; summary: the events taken
    };
    const Row rows[] = {
        {0, false, 1},   {10, false, {}}, {59, false, {}}, {60, false, 3},   {70, true, 0},
        {80, false, {}}, {90, false, {}}, {95, true, 2},   {150, false, {}}, {155, false, 2},
    };
    RepeatedCount counter;
    const auto t0 = RepeatedCount::Clock::now();
    for (const Row& row : rows) {
        const auto now = t0 + std::chrono::seconds(row.second);
        if (row.summary)
            EXPECT_EQ(counter.takeUnreported(now), row.due.value()) << "summary at " << row.second << " s";
        else
            EXPECT_EQ(counter.count(now), row.due) << "event at " << row.second << " s";
    }
    EXPECT_EQ(counter.total(), 8U);
}

TEST_F(LogLimits, ARunStopsLoggingAtTheSizeLimitWithOneLastLine) {
    constexpr std::uint64_t kLimit = 64 * 1024;
    gf_openLogIn(dir.path(), kLimit);
    const std::string line(99, 'x');
    for (int i = 0; i < 2000; ++i) // 200 kB offered
        gf_log(line);
    EXPECT_TRUE(gf_logStopped());
    gf_logError("after the limit");
    EXPECT_FALSE(gf_logBlock([](std::ostream& out) { out << "a block\n"; }));

    const std::string log = text();
    EXPECT_LE(log.size(), kLimit + 200);
    EXPECT_EQ(log.size(), gf_logBytesWritten());
    EXPECT_TRUE(log.ends_with("\n==> Log.txt has reached its size limit of 0.0625 MB for this run: logging stopped\n"))
        << log.substr(log.size() - 200);
    EXPECT_EQ(log.find("after the limit"), std::string::npos);
    EXPECT_EQ(LOG_SIZE_LIMIT, 50U * 1024 * 1024);

    gf_openLogIn(dir.path(), kLimit); // the next run writes again
    EXPECT_FALSE(gf_logStopped());
    gf_log("next run");
    EXPECT_NE(text().find("\nnext run\n"), std::string::npos);
}

// A disk that is full (a log target that takes no byte): said once on stderr and on the status line.
TEST_F(LogLimits, ALogThatCannotBeWrittenIsReportedOnceOnStderrAndTheStatusLine) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    std::filesystem::create_symlink("/dev/full", dir / "Log.txt");
    const std::string said =
        (dir / "Log.txt").string() + " cannot be written (No space left on device), " + "nothing more is logged";
    gf_clearStatus();
    testing::internal::CaptureStderr();
    gf_openLogIn(dir.path()); // its header line is flushed at once: the write fails
    EXPECT_EQ(gf_statusSnapshot().statusText, said);
    gf_logError("first warning");
    gf_logError("second warning");
    gf_flushLog();
    gf_closeLog();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Skyfill: " + said + "\n");
    EXPECT_TRUE(gf_logStopped());

    // The next start says it again, once; an error text still takes the band (its line goes nowhere).
    testing::internal::CaptureStderr();
    gf_openLogIn(dir.path());
    gf_setError("an error while the log fails");
    gf_logError("another warning");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Skyfill: " + said + "\n");
    EXPECT_EQ(gf_statusSnapshot().errorText, "an error while the log fails");
}

} // namespace
} // namespace skf
