#pragma once
// The liveries' state, in one owner (LiveryState, reached through gf_liveryState()): the livery scan's working
// state, the livery list it hands over, the livery tables the matching reads, and the matching's tallies of the whole
// process. The global names (g_liveries, g_scannedTitles, g_dontUseTitles, g_dontUseTitleSet,
// the report collectors g_invalidAirlineLines ... g_conversionLines, g_liveriesByAirlineModel,
// g_titlesByAirlineModel, g_titlesByModel, g_regcodeTitles, g_specialRegcodes, g_uniqueRegcodes,
// g_specialLiveryTitles, g_specialLiveryTitleSet, the three model pools, g_regcodeMessages, g_liveriesProcessed,
// g_matchStepCounts, g_failedLiveryTitles, g_failedLiveryKeys) are references into it.
//
// Owner thread: the start-up thread, which also runs the traffic engine and the main cycle. It runs the scan's
// preparation, its folder walk and its end, builds and clears the tables between runs, and matches liveries in
// the engine's step. The one part another thread touches is the scan's: while a folder walk runs, its pool
// workers read dontUseTitleSet (filled before they start, unchanged until the walk has ended);
// scannedTitles is claimed under g_scannedTitlesMutex (liveries/SectionRules.h), which stays outside the owner
// since a mutex cannot be assigned. The walk's workers add report lines to the collectors, each under its own
// mutex, which the collector's assignment takes too.
//
// Each part is reset by one assignment of a new part (the scan by lf_clearScanCollections, the tables by
// gf_clearLiveryTables, the tallies by lf_resetMatchingState), a test fixture by gf_liveryState() = LiveryState{}.
// Views into the title store: the engine's (gf_releaseLiveryViews) and g_liveryTitleById go before the tables;
// inside the tables, the store is the last member, so an assignment replaces every view before the texts.
#include <array>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "data/StringPool.h"
#include "liveries/LiveryList.h"
#include "liveries/LiveryMatching.h"
#include "liveries/LiveryTables.h"

namespace skf {

// The lines of one report of a scan (ScanReports.h), added by the walk's workers: each collector has a mutex of
// its own, taken for one append or one step of the start-up thread.
struct ScanCollector {
    std::mutex mutex;
    std::vector<std::string> lines;

    ScanCollector() = default;
    ScanCollector(const ScanCollector&) = delete;
    // Takes the lines under this collector's mutex: the assignment of a new scan state empties it so.
    ScanCollector& operator=(const ScanCollector& other) {
        std::lock_guard lock(mutex);
        lines = other.lines;
        return *this;
    }

    void add(std::string line) {
        std::lock_guard lock(mutex);
        lines.push_back(std::move(line));
    }
    std::vector<std::string> copy() {
        std::lock_guard lock(mutex);
        return lines;
    }
};

// What one livery scan works with; emptied at the scan's end and when it fails or is stopped.
struct LiveryScanState {
    std::set<std::string> scannedTitles;             // g_scannedTitles, under g_scannedTitlesMutex
    std::vector<std::string> dontUseTitles;          // g_dontUseTitles
    std::unordered_set<std::string> dontUseTitleSet; // g_dontUseTitleSet: read by the walk's workers
    // The findings for the report files (ScanReports.h).
    ScanCollector invalidAirlineLines;        // g_invalidAirlineLines
    ScanCollector invalidModelLines;          // g_invalidModelLines
    ScanCollector fixLines;                   // g_fixLines
    ScanCollector invalidCfgLines;            // g_invalidCfgLines
    ScanCollector incompleteSectionLines;     // g_incompleteSectionLines
    ScanCollector noFltsimFiles;              // g_noFltsimFiles
    std::vector<std::string> conversionLines; // g_conversionLines: start-up thread only
};

// The livery tables (liveries/LiveryTables.h), built once per process and cleared between runs only.
struct LiveryTables {
    bool liveriesProcessed = false;            // g_liveriesProcessed
    std::vector<std::string> regcodeMessages;  // g_regcodeMessages: the lines of OfflineRegcodes.txt
    std::vector<std::uint16_t> lightModelPool; // g_lightModelPool
    std::vector<std::uint16_t> buzjetModelPool;
    std::vector<std::uint16_t> rotorcraftModelPool;
    std::set<std::string, std::less<>> specialRegcodes; // g_specialRegcodes
    std::set<std::string, std::less<>> uniqueRegcodes;  // g_uniqueRegcodes
    // Views into the title store below.
    TitleViews specialLiveryTitles;                               // g_specialLiveryTitles
    TitleViewSet specialLiveryTitleSet;                           // g_specialLiveryTitleSet
    RegcodeTitleMap regcodeTitles;                                // g_regcodeTitles
    std::array<IdMap<TitleViews>, 2> titlesByModel;               // g_titlesByModel
    std::array<IdMap<IdMap<TitleViews>>, 2> titlesByAirlineModel; // g_titlesByAirlineModel
    TitleViewSet storedTitleIndex; // every stored title once, for the registration-code merge
    // The title store, last: assigned after every view into it.
    IdMap<IdMap<std::vector<StoredLivery>>> liveriesByAirlineModel; // g_liveriesByAirlineModel
};

// The matching's tallies; they last the whole process (the summary in Log.txt covers every run).
struct LiveryMatchTally {
    std::array<std::int32_t, 7> stepCounts{};   // g_matchStepCounts
    FailedTitleSet failedTitles;                // g_failedLiveryTitles
    std::unordered_set<std::string> failedKeys; // g_failedLiveryKeys: "model airline" of each refused title
};

struct LiveryState {
    // g_liveries, the hand-over from a scan to the table build: found by the walk, sorted and written by the
    // scan's end; read back and emptied by the table build at every start-up.
    LiveryList liveries;
    LiveryScanState scan;
    LiveryTables tables;
    LiveryMatchTally tally;
};

// The liveries' one state (start-up thread, see above).
LiveryState& gf_liveryState();

} // namespace skf
