#include "liveries/ScanReports.h"

#include "core/Files.h"
#include "core/Log.h"
#include "core/Text.h"
#include "core/settings/ProgramPaths.h"
#include "data/Crypto.h"
#include "data/DbaseLookups.h"
#include "data/StringPool.h"
#include "liveries/Regcodes.h"
#include "liveries/LiveryList.h"
#include "liveries/LiveryState.h"
#include "liveries/SectionRules.h"

#include <algorithm>
#include <fmt/format.h>
#include <mutex>
#include <system_error>

namespace fs = std::filesystem;

namespace skf {

namespace {

LiveryScanState& lf_scan() {
    return gf_liveryState().scan;
}

bool lf_isEmpty(ScanCollector& collector) {
    std::lock_guard lock(collector.mutex);
    return collector.lines.empty();
}

// Sorts (and, when asked, de-duplicates) the collector, makes the folder and writes the file; the number of
// lines collected, or 0 when there were none (nothing written).
std::size_t lf_writeSorted(ScanCollector& collector, const fs::path& path, bool unique, bool makeErrorsFolder) {
    std::lock_guard lock(collector.mutex);
    const std::size_t collected = collector.lines.size();
    if (collected == 0)
        return 0;
    std::sort(collector.lines.begin(), collector.lines.end());
    if (unique)
        collector.lines.erase(std::unique(collector.lines.begin(), collector.lines.end()), collector.lines.end());
    if (makeErrorsFolder)
        fs::create_directories(g_errorsFolder); // throws when output/errors cannot be made
    (void)gf_writeLines(collector.lines, path);
    return collected;
}

std::string lf_flagText(bool flag) {
    return flag ? "true" : "false";
}

} // namespace

void lf_addInvalidAirlineLine(std::string_view code, const fs::path& file, std::string_view detail) {
    g_invalidAirlineLines.add(fmt::format("{:12} in {} ", code, file.string()) + std::string(detail));
}

void lf_addInvalidModelLine(std::string_view code, const fs::path& file) {
    g_invalidModelLines.add(fmt::format("{:16} in {}", code, file.string()));
}

void lf_addFixLine(std::string line) {
    g_fixLines.add(std::move(line));
}

void lf_addInvalidCfgLine(std::string line) {
    g_invalidCfgLines.add(std::move(line));
}

void lf_addIncompleteSectionLine(std::string line) {
    g_incompleteSectionLines.add(std::move(line));
}

void lf_addNoFltsimFile(const fs::path& file) {
    g_noFltsimFiles.add(file.string());
}

void lf_removePreviousScanFiles() {
    const fs::path* const files[] = {
        &g_noFltsimReportPath, &g_inlineRegcodesReportPath, &g_invalidAirlineReportPath,  &g_invalidAircraftReportPath,
        &g_fixesReportPath,    &g_invalidCfgReportPath,     &g_incompleteFltsimReportPath};
    try {
        for (const fs::path* file : files)
            fs::remove(*file);
        fs::remove(g_errorsFolder);
    } catch (const std::exception& e) {
        gf_log(fmt::format("problems with removing previous files: {}", e.what()));
    }
}

void lf_loadDontUseTitles() {
    try {
        g_dontUseTitles.clear();
        if (gf_streamDecrypt(g_aigRegcodesEncPath, g_aigRegcodesXmlPath)) {
            lf_readDontUseTitlesAig();
            gf_removeIfExists(g_aigRegcodesXmlPath);
        }
        if (gf_countDirectoryEntries(g_myRegcodesFolder) > 0)
            lf_readDontUseTitlesUser();
    } catch (const std::exception& e) {
        gf_logError(fmt::format("exception: {}", e.what()));
    }
    lf_indexDontUseTitles();
}

void lf_applyDbaseToLiveries() {
    for (LiveryData& livery : g_liveries) {
        if (livery.regcode.empty())
            continue;
        const auto record = gf_lookupRegistration(livery.regcode);
        if (!record)
            continue;
        if (livery.cargo != record->cargo) {
            g_conversionLines.push_back(fmt::format("'{}' {} cargo {} => {}", livery.title, livery.regcode,
                                                    lf_flagText(livery.cargo), lf_flagText(record->cargo)));
            livery.cargo = record->cargo;
        }
        const std::uint16_t airline =
            gf_operatorName(record->operatorId).empty() ? record->airline : record->operatorId;
        if (airline != livery.airline) {
            g_conversionLines.push_back(fmt::format("'{}' {} airl {} => {}", livery.title, livery.regcode,
                                                    gf_operatorName(livery.airline), gf_operatorName(airline)));
            livery.airline = airline;
        }
        if (record->model != livery.model) {
            g_conversionLines.push_back(fmt::format("'{}' {} model {} => {}", livery.title, livery.regcode,
                                                    gf_modelName(livery.model), gf_modelName(record->model)));
            livery.model = record->model;
        }
    }
}

void lf_writeFixesReport() {
    try {
        fs::create_directories(g_fixesReportPath.parent_path());
        const std::vector<std::string> lines = g_fixLines.copy();
        if (!gf_writeLines(lines, g_fixesReportPath))
            gf_log(fmt::format("Error writing file {}: {}", g_fixesReportPath.string(), "the file was not written"));
    } catch (const std::exception& e) {
        gf_log(fmt::format("Error writing file {}: {}", g_fixesReportPath.string(), e.what()));
    }
}

void lf_writeScanReports() {
    const bool noErrors = lf_isEmpty(g_invalidAirlineLines) && lf_isEmpty(g_invalidModelLines) &&
                          lf_isEmpty(g_fixLines) && lf_isEmpty(g_invalidCfgLines) &&
                          lf_isEmpty(g_incompleteSectionLines);
    gf_log(noErrors ? "\nNo errors" : "\nErrors:");

    if (const auto n = lf_writeSorted(g_invalidAirlineLines, g_invalidAirlineReportPath, false, true))
        gf_log(fmt::format("{:5} invalid airline code{}, see {}", n, gf_plural(std::uint64_t{n}),
                           g_invalidAirlineReportPath.string()));
    if (const auto n = lf_writeSorted(g_invalidModelLines, g_invalidAircraftReportPath, false, true))
        gf_log(fmt::format("{:5} invalid model code{}, see {}", n, gf_plural(std::uint64_t{n}),
                           g_invalidAircraftReportPath.string()));
    if (!lf_isEmpty(g_fixLines)) {
        lf_writeFixesReport();
        gf_log(fmt::format("{:5} fixes, see {}", g_fixLines.copy().size(), g_fixesReportPath.string()));
    }
    if (const auto n = lf_writeSorted(g_invalidCfgLines, g_invalidCfgReportPath, false, true))
        gf_log(fmt::format("{:5} invalid aircraft.cfg files, see {}", n, g_invalidCfgReportPath.string()));
    if (const auto n = lf_writeSorted(g_incompleteSectionLines, g_incompleteFltsimReportPath, true, true))
        gf_log(fmt::format("{:5} incomplete [fltsim.x] sections, see {}", n, g_incompleteFltsimReportPath.string()));

    gf_log("\nInformation:");
    if (const auto n = lf_writeSorted(g_noFltsimFiles, g_noFltsimReportPath, false, false))
        gf_log(fmt::format("{:5} empty aircraft.cfg files, see {}", n, g_noFltsimReportPath.string()));
    if (!g_conversionLines.empty()) {
        (void)gf_writeLines(g_conversionLines, g_airlineModelReportPath);
        gf_log(fmt::format("{:5} liveries updated with real live data from dbase, see {}", g_conversionLines.size(),
                           g_airlineModelReportPath.string()));
    }
}

void lf_clearScanCollections() {
    // A worker adds under a collector's mutex alone, never under this one: no lock is taken in the other order.
    std::lock_guard lock(g_scannedTitlesMutex);
    lf_scan() = LiveryScanState{};
}

ScanFindings lf_scanFindings() {
    return {g_invalidAirlineLines.copy(),    g_invalidModelLines.copy(), g_fixLines.copy(), g_invalidCfgLines.copy(),
            g_incompleteSectionLines.copy(), g_noFltsimFiles.copy(),     g_conversionLines};
}

} // namespace skf
