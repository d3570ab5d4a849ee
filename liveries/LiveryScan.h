#pragma once
// The livery scan driver: which package folders are scanned and in which order (found in the Community
// folder by the AI package order of AI_PACKAGE_SELECTOR, or the ten lfolder settings), their priority
// numbers, the walk of each folder, the best-package rule of LIG_PRIORITIZE, and the hand-over to the
// livery list file and the reports. gf_scanLiveries (LiveryServices.h) is its entry.
//
// Runs on the start-up thread only; the stop flags are read between folders.

#include <filesystem>
#include <vector>

namespace skf {

using FolderList = std::vector<std::filesystem::path>;

// Community folder finders; each appends at most one entry (the first in name order whose name holds the
// package's text and not "_CVT_").
void lf_findAigPackage(const std::filesystem::path& community, FolderList& folders);
void lf_findFsltlPackage(const std::filesystem::path& community, FolderList& folders);
void lf_findJfPackage(const std::filesystem::path& community, FolderList& folders);
void lf_findMtlPackage(const std::filesystem::path& community, FolderList& folders);
void lf_findUserAiTrafficPackage(const std::filesystem::path& community, FolderList& folders);
// The finders of AI_PACKAGE_SELECTOR's names in its order, then the user-aitraffic finder. Throws
// std::runtime_error when the setting holds no valid choice.
void lf_findAutomaticPackages(const std::filesystem::path& community, FolderList& folders);
// The non-empty lfolder settings in order; UserErrorException 243 for a path where nothing exists.
void lf_checkLiveryFolderParameters(FolderList& folders);

enum class FolderScanResult {
    Liveries,   // LiveriesScanned.xml and the reports are written
    Stopped,    // a stop flag ended the scan; nothing was written
    NoLiveries, // the folders hold no livery
};
// Scans the folders in order (priority 1 for the first folder, up to 10) and writes the results.
FolderScanResult lf_scanLiveryFolders(const FolderList& folders);

} // namespace skf
