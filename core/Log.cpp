#include "core/Log.h"

#include "core/Codes.h"
#include "core/Files.h"
#include "core/Time.h"

#include <ctime>
#include <fmt/format.h>
#include <stdexcept>

namespace skf {

std::ofstream g_logStream;
// std::mutex is constant-initialised, so it is usable before any dynamic
// initialisation has run.
std::mutex g_logMutex;

namespace {

// Set under g_logMutex once the stream is open. Constant-initialised, so a writer
// that runs before the stream object is constructed (static initialisation of
// another file) drops its text instead of touching an unbuilt stream.
constinit bool g_logOpened = false;

} // namespace

bool gf_logIsOpenLocked() noexcept {
    return g_logOpened && g_logStream.is_open();
}

namespace {

void lf_writeLine(std::string_view prefix, std::string_view text, bool flush) {
    std::lock_guard lock(g_logMutex);
    if (!gf_logIsOpenLocked())
        return;
    g_logStream << prefix << text << '\n';
    if (flush && g_logStream.is_open())
        g_logStream.flush();
}

} // namespace

void gf_openLogIn(const std::filesystem::path& folder) {
    const std::filesystem::path path = folder / "Log.txt";
    // Its own failure lines are lost: the log is not open yet.
    (void)gf_saveUpto3GenerationsOf(path);
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
            throw std::runtime_error("Failed to write file " +
                                     (folder == "." ? std::string("Log.txt") : path.string()));
        g_logOpened = true;
    }
    gf_log(fmt::format("{} (utc) {} version {} for {}", gf_utcTimeText(static_cast<std::int64_t>(std::time(nullptr))),
                       "Skyfill", gf_versionText(g_programVersion), "MSFS 2020/2024"));
}

void gf_openLog() {
    gf_openLogIn(".");
}

void gf_closeLog() {
    std::lock_guard lock(g_logMutex);
    if (g_logOpened && g_logStream.is_open())
        g_logStream.close();
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

void gf_flushLog() {
    std::lock_guard lock(g_logMutex);
    if (g_logOpened && g_logStream.is_open())
        g_logStream.flush();
}

void gf_logFlushed(std::string_view text) {
    gf_log(text);
    gf_flushLog();
}

} // namespace skf
