#pragma once
// The livery rules of one [fltsim.N] section of an aircraft.cfg: at most one livery, or report lines saying
// why there is none. Two variants: the general one, and the IVAO MTL one, whose airline comes from the title.
//
// Called by the folder walk's workers, one section at a time per thread, many threads at once. The rules read
// the database and the don't-use titles (unchanged during a scan) and write only report lines. Which section
// of a title becomes the livery is decided afterwards by the walk, in file order (lf_claimScannedTitle), so
// that the result never depends on which worker is faster.

#include "liveries/LiveryList.h"

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

namespace skf {

// The titles made into liveries during the current scan (all folders, all files), held in the liveries'
// owner (liveries/LiveryState.h); the mutex stays outside it.
extern std::set<std::string>& g_scannedTitles;
extern std::mutex g_scannedTitlesMutex;
// g_dontUseTitles as a hash set, built once the scan has loaded them (lf_indexDontUseTitles); read only
// while the workers run.
extern std::unordered_set<std::string>& g_dontUseTitleSet;
void lf_indexDontUseTitles();

// What a section gives once its rules are through: the livery, made only when its title is still free.
struct SectionLivery {
    LiveryData livery;
    bool makesLivery = true;   // false: the title is claimed, yet no livery is made (no airline)
    std::string duplicateLine; // the report line when the title was made already
};

// General variant. May drop trailing empty and "//" lines of the section. Exceptions are logged as
// "Exception in lf_procesFltSimSection: {}, file: {}" and passed on.
std::optional<SectionLivery> lf_procesFltSimSection(std::int16_t priority, std::vector<std::string>& section,
                                                    const std::string& model, const std::filesystem::path& file,
                                                    const std::filesystem::path& aircraftFolder);
// IVAO MTL variant: never cargo.
std::optional<SectionLivery> lf_procesIvaoFltSimSection(std::int16_t priority, std::vector<std::string>& section,
                                                        const std::string& model, const std::filesystem::path& file,
                                                        const std::filesystem::path& aircraftFolder);
// The record of a livery: airline and model interned, cargo = not passenger.
LiveryData lf_makeLiveryData(std::int16_t priority, const std::string& airline, const std::string& model,
                             bool passenger, const std::string& title, const std::string& regcode);

// Claims the section's title for the scan (under g_scannedTitlesMutex): true when the livery is to be kept;
// a title made already gives the section's duplicate report line and false.
bool lf_claimScannedTitle(const SectionLivery& section);

} // namespace skf
