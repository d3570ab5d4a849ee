#pragma once
// Log.txt: one program-wide log in the working folder, written from any thread.
//
// Three line kinds: a plain line (gf_log), a warning or error line with "==> " that
// is flushed at once (gf_logError), and a continuation line indented by ten blanks
// (gf_logIndented). Writers before gf_openLog (also during static initialisation)
// drop their text silently.
//
// Block writers (tables, banners, lines built from pieces) lock g_logMutex
// themselves, test gf_logIsOpenLocked(), write to g_logStream and unlock; or use
// gf_logBlock. g_logMutex is the innermost lock: take no other lock while holding it.

#include <filesystem>
#include <fstream>
#include <mutex>
#include <string_view>
#include <utility>

namespace skf {

extern std::ofstream g_logStream;
extern std::mutex g_logMutex;

// Moves the older logs down one generation (Log.txt -> Log0.txt -> Log00.txt ->
// Log000.txt), opens Log.txt in the working folder (truncated, binary, LF line ends)
// and writes the header line. Throws std::runtime_error("Failed to write file
// Log.txt") when it cannot be opened.
void gf_openLog();

// The same in another folder (tests, tools). The error text names the path as given.
void gf_openLogIn(const std::filesystem::path& folder);

// Flushes and closes the log; later writes are dropped. For tests and tools.
void gf_closeLog();

void gf_log(std::string_view text);
void gf_logError(std::string_view text);
void gf_logIndented(std::string_view text);
// gf_log, then the log flushed at once: for lines that must be on disk even if the program ends right after
// (scan steps, found folders, the ends of long jobs).
void gf_logFlushed(std::string_view text);

// Flushes the log when it is open (the periodic and closing-down flushes).
void gf_flushLog();

// Whether the log is open; call it with g_logMutex held. Safe also during static
// initialisation, before g_logStream itself has been constructed.
bool gf_logIsOpenLocked() noexcept;

// Runs f(g_logStream) under g_logMutex when the log is open; f must not take any
// other lock. Returns whether f ran.
template <class F>
bool gf_logBlock(F&& f) {
    std::lock_guard lock(g_logMutex);
    if (!gf_logIsOpenLocked())
        return false;
    std::forward<F>(f)(static_cast<std::ostream&>(g_logStream));
    return true;
}

} // namespace skf
