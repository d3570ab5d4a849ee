#include "airportscan/ScanLog.h"

#include <mutex>

#include "core/Files.h"

namespace skf {

namespace {

std::mutex g_scanLogMutex;
std::vector<std::string> g_scanLog;

} // namespace

void lf_scanLog(std::string line) {
    std::lock_guard lock(g_scanLogMutex);
    g_scanLog.push_back(std::move(line));
}

void gf_resetScanLog(std::size_t lines) {
    std::lock_guard lock(g_scanLogMutex);
    g_scanLog.clear();
    g_scanLog.reserve(lines);
}

bool gf_writeScanLog(const std::filesystem::path& path) {
    std::lock_guard lock(g_scanLogMutex);
    return gf_writeLines(g_scanLog, path);
}

std::vector<std::string> gf_scanLogLines() {
    std::lock_guard lock(g_scanLogMutex);
    return g_scanLog;
}

} // namespace skf
