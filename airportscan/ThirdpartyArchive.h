#pragma once
// The check of the airport files that the scan generated for other publishers' add-on airports, and the
// TBLO archive (tblo/tblo.zip) of those worth adding to the maker's archive.
//
// Runs on the start-up thread after the scan's workers have all ended (nothing else writes
// airports/my_thirdparty or tblo/ meanwhile). Writes Log.txt, the TBLO folder, the main window's count of
// unplaced airports and its "tblo.zip" button.

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "core/Codes.h"

namespace skf {

// The manufacturer or creator name that never stands for a publisher.
inline constexpr std::string_view kExcludedCreator = "Unknown";
// Where the user mails tblo.zip.
inline constexpr std::string_view kMakerMailAddress = "support@skyfill.example";

// The codes of the files in airports/my_thirdparty named ICAO.xml (extension in any case, 4-character
// stem), in folder order; empty when the folder does not exist. A stem of other characters than letters and
// digits raises the FixedCode error.
std::vector<FixedCode<4>> lf_listThirdpartyXmlCodes();

// Copies every recognised file of a listed airport into the TBLO folder, packs it into tblo/tblo.zip and
// asks the user to mail it; sets g_unrecognisedAirports.
void lf_checkThirdpartyAirports(const std::vector<FixedCode<4>>& codes);

// The airport file names its publisher, or a manufacturer or creator of 4 or more characters other than
// kExcludedCreator.
bool gf_isRecognisedApf(const std::filesystem::path& path);
bool lf_creatorIsExcluded(std::string_view text);

// Packs the regular files of the TBLO folder into the archive; true when at least one file was added and
// the archive was written.
bool gf_zipFolder(const std::filesystem::path& archive);

// A whole file, or absent when it cannot be read.
std::optional<std::vector<char>> lf_readFileBytes(const std::filesystem::path& path);

} // namespace skf
