#include "core/Log.h"

#include "core/Codes.h"
#include "core/Files.h"
#include "core/RepeatedLog.h"
#include "core/StatusLine.h"
#include "core/Time.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fmt/format.h>
#include <stdexcept>
#include <system_error>

namespace skf {

std::ofstream g_logStream;
// std::mutex is constant-initialised, so it is usable before any dynamic
// initialisation has run.
std::mutex g_logMutex;

namespace {

// All under g_logMutex. Constant-initialised, so a writer that runs before the stream
// object is constructed (static initialisation of another file) drops its text instead
// of touching an unbuilt stream.
constinit bool g_logOpened = false;
constinit bool g_logHalted = false; // size limit reached or a write failed: later text is dropped
constinit bool g_writeFailed = false;
constinit std::uint64_t g_logBytes = 0;
constinit std::uint64_t g_logLimit = LOG_SIZE_LIMIT;
std::string* g_logName = nullptr; // how messages name the file: "Log.txt" in the working folder

// Checks the stream after a write (g_logMutex held). Returns the failure's text the first time a
// write fails, so that the caller reports it once the mutex is released.
std::string lf_checkWriteLocked() {
    if (g_writeFailed || g_logStream.good())
        return {};
    const int error = errno;
    g_writeFailed = true;
    g_logHalted = true;
    const std::string reason =
        error != 0 ? std::error_code(error, std::generic_category()).message() : std::string("write failed");
    return fmt::format("{} cannot be written ({}), nothing more is logged", g_logName ? *g_logName : "Log.txt", reason);
}

// Said once, where the user can see it: a log that fails cannot say it itself.
void lf_reportWriteFailure(const std::string& text) {
    if (text.empty())
        return;
    std::fputs(fmt::format("Skyfill: {}\n", text).c_str(), stderr);
    std::fflush(stderr);
    gf_showStatusOfLog(text);
}

// Writes one piece of text (g_logMutex held); the size limit counts it. Returns a failure's text
// (lf_checkWriteLocked).
std::string lf_writeLocked(std::string_view prefix, std::string_view text, std::string_view end, bool flush) {
    if (!gf_logIsOpenLocked() || g_logHalted)
        return {};
    const std::uint64_t size = prefix.size() + text.size() + end.size();
    if (g_logBytes + size > g_logLimit) {
        const std::string last = fmt::format("==> Log.txt has reached its size limit of {:g} MB for this run: "
                                             "logging stopped\n",
                                             static_cast<double>(g_logLimit) / (1024.0 * 1024.0));
        g_logStream << last;
        g_logStream.flush();
        g_logBytes += last.size();
        g_logHalted = true;
        return lf_checkWriteLocked();
    }
    g_logStream << prefix << text << end;
    g_logBytes += size;
    if (flush)
        g_logStream.flush();
    return lf_checkWriteLocked();
}

void lf_writeLine(std::string_view prefix, std::string_view text, bool flush) {
    std::string failure;
    {
        std::lock_guard lock(g_logMutex);
        failure = lf_writeLocked(prefix, text, "\n", flush);
    }
    lf_reportWriteFailure(failure);
}

} // namespace

bool gf_logIsOpenLocked() noexcept {
    return g_logOpened && g_logStream.is_open();
}

void gf_openLogIn(const std::filesystem::path& folder, std::uint64_t sizeLimit) {
    const std::filesystem::path path = folder / "Log.txt";
    // Its own failure lines are lost: the log is not open yet.
    (void)gf_saveUpto3GenerationsOf(path);
    const std::string name = folder == "." ? std::string("Log.txt") : path.string();
    {
        std::lock_guard lock(g_logMutex);
        if (g_logStream.is_open())
            g_logStream.close();
        g_logStream.clear();
        // A buffer of 64 KiB instead of the stream's 8 KiB: the write of a full buffer lands on whichever
        // caller fills it, and at 8 KiB that was one live livery match in a hundred (its 99th percentile).
        static char buffer[std::size_t{1} << 16];
        g_logStream.rdbuf()->pubsetbuf(buffer, sizeof buffer);
        g_logStream.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
        if (!g_logStream.is_open())
            throw std::runtime_error("Failed to write file " + name);
        if (g_logName == nullptr)
            g_logName = new std::string(); // lives for the process, also for writers at its exit
        *g_logName = name;
        g_logOpened = true;
        g_logHalted = false;
        g_writeFailed = false;
        g_logBytes = 0;
        g_logLimit = sizeLimit;
    }
    // Flushed at once: a disk that is full shows now, at the start, not at the first warning.
    gf_logFlushed(fmt::format("{} (utc) {} version {} for {}",
                              gf_utcTimeText(static_cast<std::int64_t>(std::time(nullptr))), "Skyfill",
                              gf_versionText(g_programVersion), "MSFS 2020/2024"));
}

void gf_openLog() {
    gf_openLogIn(".");
}

void gf_closeLog() {
    std::string failure;
    {
        std::lock_guard lock(g_logMutex);
        if (g_logOpened && g_logStream.is_open()) {
            g_logStream.flush();
            failure = lf_checkWriteLocked();
            g_logStream.close();
        }
    }
    lf_reportWriteFailure(failure);
}

void gf_log(std::string_view text) {
    lf_writeLine({}, text, false);
}

void gf_logError(std::string_view text) {
    lf_writeLine("==> ", text, true);
}

void gf_logIndented(std::string_view text) {
    lf_writeLine("          ", text, false);
}

bool gf_logText(std::string_view text) {
    std::string failure;
    bool written = false;
    {
        std::lock_guard lock(g_logMutex);
        if (gf_logIsOpenLocked() && !g_logHalted) {
            failure = lf_writeLocked({}, text, {}, false);
            written = !g_logHalted; // a block past the size limit is replaced by the last line
        }
    }
    lf_reportWriteFailure(failure);
    return written;
}

void gf_flushLog() {
    gf_reportRepeatedLogs();
    std::string failure;
    {
        std::lock_guard lock(g_logMutex);
        if (g_logOpened && g_logStream.is_open() && !g_writeFailed) {
            g_logStream.flush();
            failure = lf_checkWriteLocked();
        }
    }
    lf_reportWriteFailure(failure);
}

void gf_logFlushed(std::string_view text) {
    gf_log(text);
    gf_flushLog();
}

std::uint64_t gf_logBytesWritten() {
    std::lock_guard lock(g_logMutex);
    return g_logBytes;
}

bool gf_logStopped() {
    std::lock_guard lock(g_logMutex);
    return g_logHalted;
}

} // namespace skf
