#pragma once
// The findings of a livery scan: what the aircraft.cfg readers find wrong or correct is collected here while
// the scan runs and written at its end into the report files of output/errors and output/info, with one
// summary line per report in Log.txt.
//
// The collectors are part of the scan's state in the liveries' owner (liveries/LiveryState.h). The adders are
// called from the scan workers, several at once; each collector has a mutex of its own, taken only for the
// append (never together with another lock). The scan steps (removal, don't-use titles, database corrections,
// writing, emptying) run on the start-up thread; since a worker whose wait timed out may still append, they
// too hold a collector's mutex while they touch it (the emptying under g_scannedTitlesMutex, which no adder
// holds). Nothing here reads an aircraft.cfg.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace skf {

struct ScanCollector; // liveries/LiveryState.h

// The collectors, references into the scan's state; each report's lines, in the order the workers added them.
extern ScanCollector& g_invalidAirlineLines;    // output/errors/InvalidAirlineCodes.txt
extern ScanCollector& g_invalidModelLines;      // output/errors/InvalidAircraftCodes.txt
extern ScanCollector& g_fixLines;               // output/errors/Fixes.txt
extern ScanCollector& g_invalidCfgLines;        // output/errors/InvalidAircraftCfgFiles.txt
extern ScanCollector& g_incompleteSectionLines; // output/errors/IncompleFltsimSections.txt
extern ScanCollector& g_noFltsimFiles;          // output/info/AircraftCfgWithNoFltsimSection.txt
// output/info/AirlineModelConversions.txt; start-up thread only, no mutex.
extern std::vector<std::string>& g_conversionLines;

// ---- Adders (any scan worker)

// "{:12} in {} " of (code, file path), followed by the detail.
void lf_addInvalidAirlineLine(std::string_view code, const std::filesystem::path& file, std::string_view detail);
// "{:16} in {}" of (code, file path).
void lf_addInvalidModelLine(std::string_view code, const std::filesystem::path& file);
void lf_addFixLine(std::string line);
void lf_addInvalidCfgLine(std::string line);
void lf_addIncompleteSectionLine(std::string line);
// One aircraft.cfg without any [fltsim.N] section.
void lf_addNoFltsimFile(const std::filesystem::path& file);

// ---- Scan steps (start-up thread, in this order)

// Removes the previous scan's report files and then the folder output/errors; the first removal that fails
// ends the removal with a log line. LiveriesScanned.xml is not removed: it stays until a finished scan
// replaces it, so a scan that is stopped or finds nothing leaves the last good list in place.
void lf_removePreviousScanFiles();
// Reloads the titles that a scan must skip (AIG list, then the user's regcode files); failures are logged.
void lf_loadDontUseTitles();
// Corrects cargo flag, airline and model of the scanned liveries whose regcode the database knows, with
// one conversions-report line per change.
void lf_applyDbaseToLiveries();
// Writes the report files and their summary lines. Throws std::filesystem::filesystem_error when
// output/errors cannot be made.
void lf_writeScanReports();
// Writes output/errors/Fixes.txt (arrival order); failures are logged.
void lf_writeFixesReport();
// Empties every collector, the scanned titles and the don't-use titles.
void lf_clearScanCollections();

// ---- For tests: a copy of what is collected so far
struct ScanFindings {
    std::vector<std::string> invalidAirline, invalidModel, fixes, invalidCfg, incompleteSections, noFltsim, conversions;
};
ScanFindings lf_scanFindings();

} // namespace skf
