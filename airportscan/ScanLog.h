#pragma once
// The airport scan log: the lines of one add-on airport scan, written to output/info/AirportsScanLog.txt
// at the end of the walk and then emptied.
//
// Appended from any thread (the scan's workers, the publisher lookup, the walk on the start-up thread)
// under its own mutex; written and emptied by the scan driver on the start-up thread under the same
// mutex. Never touches Log.txt.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace skf {

// Appends one line (while a ScanLogBatch lives on this thread: to the batch).
void lf_scanLog(std::string line);

// Keeps the lines that its thread writes together: they are appended at once when it ends (also on an
// exception), so the lines of one airport are not interleaved with those of other workers. Nests: an inner
// batch adds to the outer one.
class ScanLogBatch {
public:
    ScanLogBatch();
    ~ScanLogBatch();
    ScanLogBatch(const ScanLogBatch&) = delete;
    ScanLogBatch& operator=(const ScanLogBatch&) = delete;

private:
    std::vector<std::string> m_lines;
    std::vector<std::string>* m_outer;
};

// Empties the log and reserves room for `lines` lines (start of a scan).
void gf_resetScanLog(std::size_t lines);

// Writes every line followed by "\n" to the file (replacing it); false when it cannot be written.
bool gf_writeScanLog(const std::filesystem::path& path);

// A copy of the lines (tests, the driver's checks).
std::vector<std::string> gf_scanLogLines();

} // namespace skf
