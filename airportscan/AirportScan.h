#pragma once
// The add-on airport scan's driver and folder walk (behind gf_scanApfs of AirportScanServices.h).
//
// Runs on the start-up thread. The walk hands every scenery file with an airport section to its worker pool
// as a task of its own, at most g_workerLimit running at once; every worker is awaited (at most the wait
// time each) and, when its wait expired, asked to stop and joined before the walk returns, so no worker still
// writes while the scan lists, copies or removes the folders it writes. A file whose turn comes after a stop
// flag rose is not decoded.

#include <chrono>
#include <filesystem>
#include <stop_token>
#include <string>
#include <vector>

namespace skf {

// Beside airports/my_thirdparty: the user's files that stood in it before a scan emptied it (the scan's own
// files are removed, airportscan/ScanOwnFiles.h).
extern const std::filesystem::path g_myThirdpartyBackupFolder; // airports/my_thirdparty_backup

// The folders to scan: under MSFS 2020 the packages root's Official and Community, under MSFS 2024 its
// Community.
std::vector<std::filesystem::path> lf_scanRoots();

void lf_scanAndCheckAirports(const std::vector<std::filesystem::path>& roots);
// True when airports/my_thirdparty holds at least one entry afterwards.
bool lf_scanAirportFolders(const std::vector<std::filesystem::path>& roots);
void lf_scanRootFolders(const std::vector<std::filesystem::path>& roots);
void lf_scanFolderForBgl(const std::filesystem::path& root);

// 250 or more UTF-16 code units, or a word of the packages that hold no airports (aircraft, tutorials, ...).
bool lf_isExcludedPath(const std::filesystem::path& path);

// The body of one worker (lf_processBGLfile; tests put in their own). It must decrement g_activeWorkers
// when it ends.
using ScanWorkerBody = void (*)(const std::filesystem::path& path, std::stop_token stop);
void gf_setScanWorkerBody(ScanWorkerBody body); // nullptr: lf_processBGLfile
// How long the walk waits for one worker (10 seconds; tests shorten it).
void gf_setScanWorkerWait(std::chrono::milliseconds wait);

} // namespace skf
