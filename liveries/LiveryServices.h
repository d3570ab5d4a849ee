#pragma once
// Livery scan and matching: what the rest of the program uses of it.
//
// This build holds the livery subsystem's placeholder: no package is scanned, the livery tables stay
// empty and no livery is ever matched.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace skf {

using LiveryTitles = std::vector<std::string>;

// airline id -> model id -> livery titles of that pair.
extern std::unordered_map<std::uint16_t, std::unordered_map<std::uint16_t, LiveryTitles>> g_liveriesByAirlineModel;
// Cleared so that the next start-up processes the scanned liveries again.
extern bool g_liveriesProcessed;
// Model id -> livery titles, passenger and cargo.
struct TitlesByModel {
    std::unordered_map<std::uint16_t, LiveryTitles> passenger;
    std::unordered_map<std::uint16_t, LiveryTitles> cargo;
};
extern TitlesByModel g_titlesByModel;
// Names that no livery matched.
extern std::unordered_set<std::string> g_unmatchedNames;

void gf_clearLiveryTables();
[[nodiscard]] bool gf_hasLiveryForAirlineModel(std::uint16_t airlineId, std::uint16_t modelId);
void gf_logLiveryMatchingSummary();
void gf_logUnmatchedNames();
// Builds the livery tables from LiveriesScanned.xml once per run. May throw UserErrorException.
void gf_processScannedLiveries();
void gf_reserveMatchPools();
// The livery scan of the installed AI packages. May throw UserErrorException.
void gf_scanLiveries();
// The ICAO type designator of an aircraft.cfg's base container, or empty text.
[[nodiscard]] std::string lf_stockModelOfBaseContainer(std::string_view aircraftCfg);

} // namespace skf
