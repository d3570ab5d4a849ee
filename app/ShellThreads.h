#pragma once
// The threads the shell starts: the start-up thread (one per run; a restart starts the next one while the
// last one ends) and the two UDP reader threads of each run. They are kept here so that the process can
// join them before its globals are destroyed.

#include <chrono>
#include <functional>
#include <string>

namespace skf {

// Starts body on a new thread kept in the shell's list; threads that ended meanwhile are joined first.
void gf_startShellThread(const std::string& name, std::function<void()> body);

// Waits at most timeout for every shell thread to end and joins those that ended; returns true when all
// did. Threads still running are left detached (and logged), so the caller never hangs.
bool gf_joinShellThreads(std::chrono::milliseconds timeout);

// Number of shell threads not yet ended (for tests).
int gf_runningShellThreads();

} // namespace skf
