#pragma once
// Linking scanned add-on airports to the airport files of the maker's archive, and generating airport
// files from the scenery when the archive has none (or fewer stands).
//
// Called by the airport scan's workers, several at once. Reads the database's archive lists and the
// airport list (unchanged during a scan); writes link files and airport files in airports/my_simaddon and
// airports/my_thirdparty, each through a temporary file and a rename, so two workers that write the same
// airport never leave a mixed file. Its steps go to the airport scan log.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "airportscan/PublisherLookup.h"
#include "core/Codes.h"
#include "data/apf/ApfWriter.h"

namespace skf {

// "archive/simaddon/ICAO.xml" when the simaddons table holds the airport, else absent (with its line).
std::optional<std::string> lf_simaddonArchivePath(const FixedCode<4>& icao);

// "archive/thirdparty/{publisher, blanks as %20}/ICAO.xml" when the selected simulator's thirdparties list
// holds the airport under the publisher (the archived stand count then set), else absent (with its line).
std::optional<std::string> lf_thirdpartyArchivePath(const std::string& publisher, const FixedCode<4>& icao,
                                                    int& archivedStands);

// Fills the path and publisher fields of the airport and writes its link file when the archive has it.
// True when linked. A link file that cannot be written is reported and the airport is not linked.
bool lf_linkAirport(Apf& apf, int& archivedStands, const std::filesystem::path& bglPath,
                    const PublisherLookup& publisher);
bool lf_linkAirport(Apf& apf, int& archivedStands, const std::filesystem::path& bglPath);

// Writes the airport file of a scanned airport (nothing when it has no stand); `helipadCounter` is 1 + the
// number of helipads.
void lf_generateAirportFile(Apf& apf, int helipadCounter);

// The text from its first "Community" on (case-sensitive), or the text unchanged.
std::string lf_cutToCommunity(std::string_view text);

// An airport record of the newer kind under MSFS 2024: reported, and linked when its code can be found.
void lf_reportNotRecognisedAirport(const std::filesystem::path& bglPath);

// The code of such an airport: the file stem, the manifest's title, or a "-ICAO-" in the path.
std::optional<FixedCode<4>> lf_findIcaoOfNonComplyingAirport(const std::filesystem::path& bglPath);

} // namespace skf
