#pragma once
// The airport list: every airport the program knows, read once at start-up from input/airports.enc.
//
// The list is held in one owner (AirportTable, reached through gf_airportTable()); g_airports and
// g_airportCodes are references into it. Owner thread: the start-up thread, which reads the list
// (gf_readAirports) before any other thread uses it; every other thread (the engine, the scans' workers, the
// window) only reads it after that, without a lock.

#include "core/Codes.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace pugi {
class xml_node;
}

namespace skf {

struct Airport {
    FixedCode<4> icao;
    FixedCode<3> iata;       // kNoIata when the airport has no IATA code
    double latitude = 0;     // degrees, north positive
    double longitude = 0;    // degrees, east positive
    float altitude = 0;      // feet
    std::int32_t stands = 0; // stands in the airport's archived airport file; 0 when none or unknown
};

// The IATA code of an airport without one.
inline const FixedCode<3> kNoIata{"XXX"};

struct AirportTable {
    // Sorted by ICAO code (bytewise). Filled once by gf_readAirports; read-only afterwards.
    std::vector<Airport> airports;
    // The ICAO codes of all records, for the fast membership test.
    std::unordered_set<FixedCode<4>> codes;
    bool loaded = false; // a read has finished: later reads return at once
};

// The airport list's one state (written by the start-up thread, see above).
AirportTable& gf_airportTable();

extern std::vector<Airport>& g_airports;
extern std::unordered_set<FixedCode<4>>& g_airportCodes;

// Decrypts input/airports.enc, reads the list, removes the plain file. Reads once: later calls
// return at once. True when the table holds at least one airport. Throws UserErrorException 88 on
// any failure (the plain file is removed then too).
bool gf_readAirports();

bool gf_isKnownAirport(const FixedCode<4>& icao);
// The airport whose ICAO code equals the first 4 characters of the text, upper-cased.
std::optional<FixedCode<4>> gf_findAirportByPrefix(std::string_view text);
// The first airport (in table order) whose code stands in the path between two hyphens, "-EHAM-",
// ignoring the case of A-Z.
std::optional<FixedCode<4>> gf_findAirportInFileName(const std::filesystem::path& path);
// "EHAM (AMS)", or "EHAM" without an IATA code (XXX or empty); "?" for an empty ICAO code.
std::string gf_airportCodeText(const Airport& airport);

// A fresh table: empty, its storage given back, the loaded flag clear, so that the next gf_readAirports
// reads again. For tests and tools; not for use while other threads read the table.
void gf_resetAirports();

} // namespace skf
