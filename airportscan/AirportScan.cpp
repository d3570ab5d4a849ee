#include "airportscan/AirportScan.h"

#include <atomic>
#include <deque>
#include <future>
#include <memory>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

#include "airportscan/AirportScanServices.h"
#include "airportscan/BglAirports.h"
#include "airportscan/ScanLog.h"
#include "airportscan/ScanOwnFiles.h"
#include "airportscan/ThirdpartyArchive.h"
#include "core/Files.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "core/WorkerPool.h"
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "core/WindowFields.h"
#include "sim/PackagesRoot.h"

namespace skf {

namespace fs = std::filesystem;

std::atomic<std::uint32_t> g_unrecognisedAirports{0};
const fs::path g_myThirdpartyBackupFolder = fs::path("airports") / "my_thirdparty_backup";

namespace {

constexpr std::size_t kScanLogReserve = 2048;
constexpr std::size_t kMaxPathUnits = 250;
constexpr const char* kExcludedWords[] = {"tutorials",           "aircraft",   "bushtrip",  "discovery",
                                          "point-of-interest",   "simobjects", "vcockpits", "aig-aitraffic",
                                          "justflight-aircraft", "fsltl",      "gsx-pro",   "gsx-world",
                                          "landingchallenge"};
constexpr const char* kSkippedFolders[] = {"statics", "afcad updates", "_heliports"};

std::atomic<ScanWorkerBody> g_workerBody{nullptr};
std::atomic<std::chrono::milliseconds> g_workerWait{std::chrono::seconds(10)};

bool lf_stopping() {
    return g_stopRun.load() || g_shutDown.load();
}

// UTF-16 code units of UTF-8 text: one per sequence, two for a 4-byte sequence.
std::size_t lf_utf16Units(std::string_view text) {
    std::size_t units = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0U) != 0x80U)
            ++units;
        if (c >= 0xF0U)
            ++units;
    }
    return units;
}

// Waits for a worker; returns when it ended (raising its exception, if any); throws when its wait expired.
void lf_await(std::future<void>& worker) {
    gf_awaitWorker(worker, g_workerWait.load());
}

std::future<void> lf_startWorker(WorkerPool& pool, const fs::path& path) {
    ScanWorkerBody body = g_workerBody.load();
    if (body == nullptr)
        body = &lf_processBGLfile;
    // The task owns its copy of the path: a worker whose wait expired runs on after the walk let go of it.
    return pool.submit([body, file = path](std::stop_token stop) {
        if (lf_stopping())
            return;        // its turn came after a stop: not decoded
        ++g_activeWorkers; // the body gives the slot back on every exit
        body(file, stop);
    });
}

bool lf_isSceneryCandidate(const fs::directory_entry& entry) {
    std::error_code ec;
    if (!entry.is_regular_file(ec))
        return false;
    const fs::path& p = entry.path();
    if (!gf_equalsNoCase(p.extension().string(), ".bgl"))
        return false;
    const std::string text = p.string();
    for (const char* word : kSkippedFolders) {
        if (text.find(word) != std::string::npos)
            return false;
    }
    return lf_hasAirportSection(p);
}

} // namespace

void gf_setScanWorkerBody(ScanWorkerBody body) {
    g_workerBody = body;
}

void gf_setScanWorkerWait(std::chrono::milliseconds wait) {
    g_workerWait = wait;
}

bool lf_isExcludedPath(const fs::path& path) {
    const std::string text = path.string();
    if (lf_utf16Units(text) >= kMaxPathUnits)
        return true;
    if (gf_containsNoCase(text, g_fsBaseWord.string()))
        return true;
    for (const char* word : kExcludedWords) {
        if (gf_containsNoCase(text, word))
            return true;
    }
    return false;
}

void lf_scanFolderForBgl(const fs::path& root) {
    const std::string rootText = gf_pathToUtf8(root);
    lf_scanLog(fmt::format("Scanning for {} airports in {}", "addon ", rootText));
    std::deque<std::future<void>> pending;
    // Destroyed first: a worker whose wait expired is asked to stop and joined before the walk returns, so
    // none still writes while the scan lists, copies or removes the folders it writes.
    WorkerPool pool(g_workerLimit.load());
    std::error_code ec;
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec);
    for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
        // Before each entry, not only before a worker starts: most files hold no airport, and reading their
        // headers is what a long walk spends its time on.
        if (lf_stopping())
            break;
        try {
            const fs::directory_entry& entry = *it;
            if (lf_isExcludedPath(entry.path())) {
                it.disable_recursion_pending();
                continue;
            }
            if (!lf_isSceneryCandidate(entry))
                continue;
            if (lf_stopping())
                break;
            const std::string started = gf_pathToUtf8(entry.path());
            pending.push_back(lf_startWorker(pool, entry.path()));
            if (pending.size() > static_cast<std::size_t>(pool.workers())) {
                try {
                    lf_await(pending.front());
                } catch (const std::exception& e) {
                    lf_scanLog(fmt::format("{} airports search aborted, futs inner,\n{}\n{}\n{}", "===> ", e.what(),
                                           pending.size(), started));
                }
                pending.pop_front();
            }
        } catch (const std::exception& e) {
            lf_scanLog(fmt::format("{} airports search in folder {} aborted, cause: {}", "===> ", rootText, e.what()));
        }
    }
    while (!pending.empty()) {
        try {
            lf_await(pending.front());
        } catch (const std::exception& e) {
            lf_scanLog(
                fmt::format("{} airports search in {} aborted, futs outer error: {}", "===> ", rootText, e.what()));
        }
        pending.pop_front();
    }
}

void lf_scanRootFolders(const std::vector<fs::path>& roots) {
    for (const fs::path& root : roots) {
        if (root.empty())
            continue;
        if (!gf_pathExists(root)) {
            gf_setStatus(gf_pathToUtf8(root) + " does not exist, skipped!", true);
            continue;
        }
        std::error_code ec;
        const bool folder = fs::is_directory(root, ec);
        if (ec)
            throw fs::filesystem_error("status", root, ec);
        if (!folder) {
            gf_setStatus(gf_pathToUtf8(root) + " is not a folder name, skipped!", true);
            continue;
        }
        lf_scanFolderForBgl(root);
    }
}

bool lf_scanAirportFolders(const std::vector<fs::path>& roots) {
    gf_logFlushed(
        fmt::format("The scan will search {} folder{}", roots.size(), gf_plural(std::uint64_t{roots.size()})));
    std::error_code ec;
    fs::remove(g_scanLogPath, ec);
    if (ec)
        gf_logFlushed("problems with removing previous files (maybe still open?): " + ec.message());
    g_unrecognisedAirports = 0;
    lf_scanRootFolders(roots);
    fs::create_directories(g_scanLogPath.parent_path(), ec);
    if (gf_writeScanLog(g_scanLogPath))
        gf_logFlushed(gf_pathToUtf8(g_scanLogPath) + " written");
    else
        gf_logError(fmt::format("Could not write {}", gf_pathToUtf8(g_scanLogPath)));
    gf_clearStatus();
    gf_resetScanLog(0);
    lf_checkThirdpartyAirports(lf_listThirdpartyXmlCodes());
    return gf_countDirectoryEntries(g_myThirdpartyFolder) > 0;
}

void lf_scanAndCheckAirports(const std::vector<fs::path>& roots) {
    if (g_simIs2020.load())
        gf_removeFilesFromDirectory(g_mySimaddonFolder);
    lf_emptyThirdpartyFolder();
    const bool found = lf_scanAirportFolders(roots);
    if (!gf_writeScanRecord())
        gf_logError(fmt::format("Could not write {}", gf_pathToUtf8(g_myThirdpartyRecordPath)));
    if (lf_stopping()) {
        // A close or a restart cut the scan short: the folders hold only part of the add-on airports.
        gf_logFlushed("The airport scan was stopped before its end: it runs again at the next start");
        gf_markChanged(BAND_ALL);
        return;
    }
    if (!found)
        gf_setStatus("Warning: Scan has not found any add-on airports", true);
    SCAN_AIRPORTS.set(false);
    SCAN_AIRPORTS.store();
    gf_markChanged(BAND_ALL);
}

std::vector<fs::path> lf_scanRoots() {
    std::vector<fs::path> roots;
    roots.reserve(10);
    if (g_simIs2020.load())
        roots.push_back(gf_simPackagesPath(g_officialFolderName));
    roots.push_back(gf_simPackagesPath(g_communityFolderName));
    return roots;
}

void gf_scanApfs() {
    gf_setStatus("Scanning for addon airports ...");
    gf_logFlushed(
        fmt::format("\n++++++++++++++++++++++++ airports scan {} starts +++++++++++++++++++++++++++++", "automatic "));
    if (gf_pathExists(g_tbloFolder)) {
        gf_removeFilesFromDirectory(g_tbloFolder);
    } else {
        std::error_code ec;
        fs::create_directories(g_tbloFolder, ec);
        if (ec)
            throw fs::filesystem_error("create_directory", g_tbloFolder, ec);
    }
    gf_resetScanLog(kScanLogReserve);
    lf_scanAndCheckAirports(lf_scanRoots());
    if (g_unrecognisedAirports.load() == 0) {
        std::error_code ec;
        fs::remove_all(g_tbloFolder, ec);
    }
    gf_markChanged(BAND_ALL);
    gf_logFlushed("-------------------------- airports scan ends    ----------------------------\n");
}

} // namespace skf
