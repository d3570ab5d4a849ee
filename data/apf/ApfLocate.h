// Where the airport file of an airport lies, and its download from the archive.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/Codes.h"

namespace skf {

std::string gf_apfFileName(const FixedCode<4>& icao);          // "EHAM.xml"
std::filesystem::path gf_apfXmlName(const FixedCode<4>& icao); // EHAM.xml
std::filesystem::path gf_apfTxtName(const FixedCode<4>& icao); // EHAM.txt

// True when the airport has an airport file anywhere: a local file or link file, or stands in
// the download archive (the airport list gives it one or more stands).
bool gf_apfExists(const FixedCode<4>& icao);

// The path of the airport file: a local path beginning with "airports", an archive path
// ("archive/stock/EHAM.xml" and the like), or the empty text when there is none.
std::string gf_locateApf(const FixedCode<4>& icao);

// The address an archive path is fetched from (MSFS 2024 paths below "/downloads/MSFS2024/"
// unless the path is shared by both simulators).
std::string gf_apfDownloadUrl(std::string_view archivePath);

} // namespace skf
