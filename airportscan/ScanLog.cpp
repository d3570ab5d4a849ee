#include "airportscan/ScanLog.h"

#include <iterator>
#include <mutex>

#include "core/Files.h"

namespace skf {

namespace {

std::mutex g_scanLogMutex;
std::vector<std::string> g_scanLog;
thread_local std::vector<std::string>* t_batch = nullptr;

} // namespace

void lf_scanLog(std::string line) {
    if (t_batch != nullptr) {
        t_batch->push_back(std::move(line));
        return;
    }
    std::lock_guard lock(g_scanLogMutex);
    g_scanLog.push_back(std::move(line));
}

ScanLogBatch::ScanLogBatch() : m_outer(t_batch) {
    t_batch = &m_lines;
}

ScanLogBatch::~ScanLogBatch() {
    t_batch = m_outer;
    if (m_outer != nullptr) {
        m_outer->insert(m_outer->end(), std::make_move_iterator(m_lines.begin()),
                        std::make_move_iterator(m_lines.end()));
        return;
    }
    std::lock_guard lock(g_scanLogMutex);
    g_scanLog.insert(g_scanLog.end(), std::make_move_iterator(m_lines.begin()), std::make_move_iterator(m_lines.end()));
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
