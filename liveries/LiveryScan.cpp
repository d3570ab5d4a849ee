#include "liveries/LiveryScan.h"

#include "core/Codes.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "data/UpdateCheck.h"
#include "liveries/FolderWalk.h"
#include "liveries/LiveryList.h"
#include "liveries/LiveryListInternal.h"
#include "liveries/LiveryServices.h"
#include "liveries/ScanReports.h"
#include "sim/PackagesRoot.h"

#include <algorithm>
#include <fmt/format.h>
#include <initializer_list>
#include <stdexcept>
#include <unordered_map>

namespace fs = std::filesystem;

namespace skf {

namespace {

constexpr std::int16_t kMaxPriority = 10;
constexpr std::string_view kProgramName = "Skyfill";

bool lf_stopFlagSet() {
    return g_stopRun.load() || g_shutDown.load();
}

// The first Community entry (name order) whose name holds one of the texts and not "_CVT_".
void lf_findPackage(const fs::path& community, FolderList& folders, std::initializer_list<std::string_view> texts,
                    std::string_view family) {
    for (const fs::directory_entry& entry : lf_sortedDirectoryEntries(community, true)) {
        const std::string name = entry.path().filename().string();
        if (gf_contains(name, "_CVT_"))
            continue;
        if (std::none_of(texts.begin(), texts.end(), [&](std::string_view t) { return gf_contains(name, t); }))
            continue;
        gf_logFlushed(fmt::format("Automatic {} scan found folder: '{}'", family, lf_pathText(entry.path())));
        folders.push_back(entry.path());
        return;
    }
}

// Keeps of every airline-and-model pair only the liveries of the best package (smallest priority number).
void lf_keepBestPackages() {
    std::unordered_map<std::uint32_t, std::int16_t> best;
    const auto key = [](const LiveryData& l) { return (std::uint32_t{l.airline} << 16) | l.model; };
    for (const LiveryData& livery : g_liveries) {
        auto [it, added] = best.emplace(key(livery), livery.priority);
        if (!added)
            it->second = std::min(it->second, livery.priority);
    }
    g_liveries.remove_if([&](const LiveryData& l) { return l.priority > best.at(key(l)); });
}

void lf_repaintScanBands() {
    gf_markChanged(BAND_MIDDLE | BAND_INDICATORS);
}

FolderScanResult lf_scanFolders(const FolderList& folders);

} // namespace

void lf_findAigPackage(const fs::path& community, FolderList& folders) {
    lf_findPackage(community, folders, {"aig-aitraffic-oci"}, "AIG");
}

void lf_findFsltlPackage(const fs::path& community, FolderList& folders) {
    lf_findPackage(community, folders, {"fsltl-traffic-base"}, "FSLTL");
}

void lf_findJfPackage(const fs::path& community, FolderList& folders) {
    lf_findPackage(community, folders, {"justflight-aircraft-traffic-fleet", "justflight-fstraffic-module"}, "JF");
}

void lf_findMtlPackage(const fs::path& community, FolderList& folders) {
    lf_findPackage(community, folders, {"IVAO_MTL"}, "IVAO_MTL");
}

void lf_findUserAiTrafficPackage(const fs::path& community, FolderList& folders) {
    lf_findPackage(community, folders, {"user-aitraffic"}, "user-aitraffic");
}

void lf_findAutomaticPackages(const fs::path& community, FolderList& folders) {
    if (!AI_PACKAGE_SELECTOR.indexOfCurrent())
        throw std::runtime_error(fmt::format("{} not set", AI_PACKAGE_SELECTOR.key));
    using Finder = void (*)(const fs::path&, FolderList&);
    static const std::unordered_map<std::string, Finder> finders{{"AIG", &lf_findAigPackage},
                                                                 {"FSLTL", &lf_findFsltlPackage},
                                                                 {"JF", &lf_findJfPackage},
                                                                 {"MTL", &lf_findMtlPackage}};
    for (const std::string& name : gf_split(AI_PACKAGE_SELECTOR.value(), ','))
        finders.at(name)(community, folders);
    lf_findUserAiTrafficPackage(community, folders);
}

void lf_checkLiveryFolderParameters(FolderList& folders) {
    for (const StringParameter* setting : g_liveryFolderParams) {
        const std::string value = setting->value();
        if (value.empty())
            continue;
        const fs::path path(value);
        std::error_code ec;
        if (!fs::exists(path, ec)) {
            gf_logError(fmt::format("{}: '{}' does not exist", setting->key, lf_pathText(path)));
            throw UserErrorException(
                243, fmt::format("the path pointed to by parameter '{}' does not exist, see Log.txt!", setting->key));
        }
        folders.push_back(path);
    }
}

FolderScanResult lf_scanLiveryFolders(const FolderList& folders) {
    try {
        return lf_scanFolders(folders);
    } catch (...) {
        // A scan that fails half-way leaves nothing behind for the next scan of this run.
        g_liveries.clear();
        lf_clearScanCollections();
        throw;
    }
}

namespace {

FolderScanResult lf_scanFolders(const FolderList& folders) {
    g_liveries.clear();
    lf_removePreviousScanFiles();
    lf_loadDontUseTitles();

    std::int16_t priority = 0;
    std::size_t total = 0;
    for (const fs::path& folder : folders) {
        if (folder.empty())
            continue;
        std::error_code ec;
        const fs::file_status status = fs::status(folder, ec);
        if (!fs::exists(status)) {
            gf_log(lf_pathText(folder) + " does not exist, skipped!");
            continue;
        }
        if (!fs::is_directory(status)) {
            gf_log(lf_pathText(folder) + " is not a folder name, skipped!");
            continue;
        }
        if (priority < kMaxPriority)
            ++priority;
        if (lf_stopFlagSet())
            return FolderScanResult::Stopped;
        const std::size_t before = g_liveries.size();
        lf_searchLiveryFolder(priority, folder);
        const std::size_t found = g_liveries.size() - before;
        const std::string where = "found in " + lf_pathText(folder);
        if (found == 0)
            gf_log(fmt::format("No liveries {}", where));
        else
            gf_log(fmt::format("{} liverie{} {}", found, gf_plural(std::uint64_t{found}), where));
        total += found;
    }
    if (lf_stopFlagSet()) {
        g_liveries.clear();
        lf_clearScanCollections();
        return FolderScanResult::Stopped;
    }
    if (total == 0) {
        lf_clearScanCollections();
        g_mainWindow.liveryCount = 0;
        gf_markChanged(BAND_INDICATORS);
        return FolderScanResult::NoLiveries;
    }
    if (folders.size() > 1)
        gf_log(fmt::format("{} in total", total));

    lf_applyDbaseToLiveries();
    if (LIG_PRIORITIZE.value())
        lf_keepBestPackages();
    gf_sortLiveries();
    lf_removeDuplicateLiveries();
    const bool written = lf_writeLiveriesScanned();
    g_liveries.clear();
    if (!written) {
        lf_clearScanCollections();
        throw std::runtime_error(fmt::format("{} could not be written", lf_pathText(g_liveriesScannedPath)));
    }
    lf_writeScanReports();
    lf_clearScanCollections();
    gf_clearStatus();
    return FolderScanResult::Liveries;
}

} // namespace

void gf_scanLiveries() {
    if (lf_stopFlagSet())
        return; // the run ends anyway (a production run, a closed window): the scan stays switched on
    gf_setStatus(fmt::format("Scanning {}for liveries ...", LIG_PRIORITIZE.value() ? "prioritized " : ""));
    const bool automatic = LIG_AUTOMATIC.value();
    gf_log(fmt::format("\n++++++++++++++++++++++++ liveries scan {} starts ++++++++++++++++++++++++++++++++",
                       automatic ? "automatic" : "manual"));

    FolderList folders;
    folders.reserve(kMaxPriority);
    if (automatic) {
        const fs::path community = gf_simPackagesPath(g_communityFolderName);
        if (!community.empty())
            lf_findAutomaticPackages(community, folders);
    } else {
        lf_checkLiveryFolderParameters(folders);
    }
    if (folders.empty()) {
        if (automatic) {
            throw UserErrorException(43, "Automatic scan has not found any AI packages, choose a different "
                                         "selection (or go to Manual mode, see Manual 5.2)");
        }
        (void)gf_openManual();
        (void)gf_openParametersFolder();
        throw UserErrorException(
            48, fmt::format("Exit {} first!   Then set one or more lfolder parameters to your liveries, see Manual 5.2",
                            kProgramName));
    }

    switch (lf_scanLiveryFolders(folders)) {
    case FolderScanResult::NoLiveries:
        if (!automatic)
            throw UserErrorException(53, "no liveries found");
        throw UserErrorException(143, "Automatic scan has not found any liveries, choose a different selection, or "
                                      "switch off automatic and set lfolder parameter(-s)");
    case FolderScanResult::Stopped:
        // Not a success: the scan stays switched on and the last LiveriesScanned.xml stays in place.
        gf_log("liveries scan stopped before its end");
        break;
    case FolderScanResult::Liveries:
        SCAN_LIVERIES.set(false);
        SCAN_LIVERIES.store();
        lf_repaintScanBands();
        break;
    }
    gf_logFlushed("\n++++++++++++++++++++++++ liveries scan ends ++++++++++++++++++++++++++++++++\n");
}

} // namespace skf
