#pragma once
// The walk of one package folder of the livery scan: every aircraft.cfg below it is read as a task of the
// walk's worker pool (at most g_workerLimit at once), cut into [fltsim.N] sections and turned into
// liveries, which are appended to g_liveries in the order the files were found.
//
// The walk runs on the start-up thread and is the only writer of g_liveries; the workers share nothing but
// the report collectors. Folders are listed sorted by name, so the result does not depend on the file
// system's order. A worker that is not done 10 seconds after it is awaited keeps running on its pool thread
// with its own copy of its arguments; its liveries are dropped, and the walk's end waits for it.

#include "liveries/SectionRules.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace skf {

// The entries of a folder sorted by file name (bytewise). A folder that cannot be entered for lack of
// permission, or that vanished, has no entries unless strict; any other error (and, when strict, those too)
// throws std::filesystem::filesystem_error.
std::vector<std::filesystem::directory_entry> lf_sortedDirectoryEntries(const std::filesystem::path& folder,
                                                                        bool strict = false);

// Walks the folder and appends its liveries to g_liveries; failures are logged and do not leave it.
void lf_searchLiveryFolder(std::int16_t priority, const std::filesystem::path& folder);

// The workers: the section results of one aircraft.cfg (general and IVAO MTL files).
std::vector<SectionLivery> lf_searchLiveriesinFile(std::int16_t priority, const std::filesystem::path& file);
std::vector<SectionLivery> lf_searchLiveriesinIVAOFile(std::int16_t priority, const std::filesystem::path& file);

// Cuts the lines (moved into the sections) into sections and applies the section rules to each.
std::vector<SectionLivery> lf_searchFltsimSections(std::int16_t priority, std::vector<std::string> lines,
                                                   const std::string& model, const std::filesystem::path& file,
                                                   const std::filesystem::path& aircraftFolder);
std::vector<SectionLivery> lf_searchIvaoFltsimSections(std::int16_t priority, std::vector<std::string> lines,
                                                       const std::string& model, const std::filesystem::path& file,
                                                       const std::filesystem::path& aircraftFolder);

// The path as UTF-8 text for log lines.
std::string lf_pathText(const std::filesystem::path& path);

} // namespace skf
