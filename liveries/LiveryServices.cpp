// Placeholder of the livery subsystem: nothing is scanned, the tables stay empty, nothing is matched.
#include "liveries/LiveryServices.h"

namespace skf {

std::unordered_map<std::uint16_t, std::unordered_map<std::uint16_t, LiveryTitles>> g_liveriesByAirlineModel;
bool g_liveriesProcessed = false;
TitlesByModel g_titlesByModel;
std::unordered_set<std::string> g_unmatchedNames;

void gf_clearLiveryTables() {
    g_liveriesByAirlineModel.clear();
    g_titlesByModel.passenger.clear();
    g_titlesByModel.cargo.clear();
}

bool gf_hasLiveryForAirlineModel(std::uint16_t airlineId, std::uint16_t modelId) {
    const auto airline = g_liveriesByAirlineModel.find(airlineId);
    return airline != g_liveriesByAirlineModel.end() && airline->second.contains(modelId);
}

void gf_logLiveryMatchingSummary() {} // nothing was matched

void gf_logUnmatchedNames() {} // nothing was looked up

void gf_processScannedLiveries() {} // no tables built

void gf_reserveMatchPools() {}

void gf_scanLiveries() {} // no package scanned

std::string lf_stockModelOfBaseContainer(std::string_view) {
    return {};
}

} // namespace skf
