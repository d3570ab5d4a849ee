#pragma once
// One scenery .bgl file of the add-on airport scan: the quick probe for an airport section, and the
// decoding of its airports into airport files (the body of one scan worker).
//
// lf_processBGLfile runs on a worker thread of its own, several at once; it reads only its own file and
// data that nobody changes during the scan (airport list, database, chosen simulator), and writes through
// the scan log, the log and the linking functions. The decoding itself is airportscan/BglDecoder.h.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "airportscan/BglDecoder.h"
#include "core/Codes.h"

namespace skf {

// True when the file's section table names an airport section (reads the header and the table only).
bool lf_hasAirportSection(const std::filesystem::path& path);

enum class ScanIcaoOutcome { Accepted, NotListed, NoAirportCode };

// A scanned ident upper-cased, and whether it is an airport of the airport list ("{} is not an airport
// supported by RealTraffic " in the scan log for 4 characters that the list lacks).
std::pair<std::string, ScanIcaoOutcome> lf_checkScanIcao(std::string text);

// Feet from the airport record's millimetres; a value outside -1,500 to 16,000 ft (no airport lies there)
// is stored as 0.
std::int32_t lf_airportAltitudeFeet(std::int32_t millimetres);

// Decodes one file: links or generates an airport file for every airport of the airport list it holds.
// Decrements g_activeWorkers on every exit. Exceptions are logged and passed on. A stop request (or a
// stop flag) ends the file before its next airport.
void lf_processBGLfile(const std::filesystem::path& path, std::stop_token stop = {});

} // namespace skf
