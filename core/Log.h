#pragma once
// Log.txt: one program-wide log in the working folder, written from any thread.
//
// Three line kinds: a plain line (gf_log), a warning or error line with "==> " that
// is flushed at once (gf_logError), and a continuation line indented by ten blanks
// (gf_logIndented). Writers before gf_openLog (also during static initialisation)
// drop their text silently.
//
// The log of one run is bounded: once LOG_SIZE_LIMIT bytes are written, one last
// line says that logging stopped and every later line is dropped, so that a peer
// that floods us with faults cannot fill the disk. A log that cannot be written
// (full disk, a target that refuses writes) is reported once on stderr and on the
// status line; the program goes on without it.
//
// Block writers (tables, banners, lines built from pieces) use gf_logBlock, which
// writes the whole block as one piece. g_logMutex is the innermost lock: take no
// other lock while holding it.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>

namespace skf {

// What one run may write to Log.txt (a generous multiple of a busy day's log).
inline constexpr std::uint64_t LOG_SIZE_LIMIT = 50ULL * 1024 * 1024;

extern std::ofstream g_logStream;
extern std::mutex g_logMutex;

// Moves the older logs down one generation (Log.txt -> Log0.txt -> Log00.txt ->
// Log000.txt), opens Log.txt in the working folder (truncated, binary, LF line ends)
// and writes the header line. Throws std::runtime_error("Failed to write file
// Log.txt") when it cannot be opened.
void gf_openLog();

// The same in another folder (tests, tools). The error text names the path as given.
// sizeLimit replaces LOG_SIZE_LIMIT (tests).
void gf_openLogIn(const std::filesystem::path& folder, std::uint64_t sizeLimit = LOG_SIZE_LIMIT);

// Flushes and closes the log; later writes are dropped. For tests and tools.
void gf_closeLog();

void gf_log(std::string_view text);
void gf_logError(std::string_view text);
void gf_logIndented(std::string_view text);
// gf_log, then the log flushed at once: for lines that must be on disk even if the program ends right after
// (scan steps, found folders, the ends of long jobs).
void gf_logFlushed(std::string_view text);

// Flushes the log when it is open (the periodic and closing-down flushes); first writes the counts of
// repeated lines whose report is due (gf_reportRepeatedLogs).
void gf_flushLog();

// Whether the log is open; call it with g_logMutex held. Safe also during static
// initialisation, before g_logStream itself has been constructed.
bool gf_logIsOpenLocked() noexcept;

// Bytes written to Log.txt since it was opened (its size limit counts them), and whether writing has
// stopped (size limit reached or a failed write).
std::uint64_t gf_logBytesWritten();
bool gf_logStopped();

// Writes text (whole lines, each ending in '\n') as one piece; false when the log is not open or
// has stopped.
bool gf_logText(std::string_view text);

// Runs f on a stream whose text is then written as one piece (gf_logText); f runs only when the
// log is open and may take locks of its own. Returns whether the text was written.
template <class F>
bool gf_logBlock(F&& f) {
    {
        std::lock_guard lock(g_logMutex);
        if (!gf_logIsOpenLocked())
            return false;
    }
    std::ostringstream block;
    std::forward<F>(f)(static_cast<std::ostream&>(block));
    return gf_logText(block.view());
}

} // namespace skf
