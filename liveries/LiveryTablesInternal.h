#pragma once
// The steps of building the livery tables; used inside liveries/ and by the tests only.
#include "liveries/LiveryTables.h"

namespace skf {

// The stored view of a title text equal to the given one; empty when no scanned livery has it.
std::string_view lf_storedTitle(std::string_view title);

// A model of the pool at gf_randomIndex (RANDOM off: the first); 0 for an empty pool.
std::uint16_t lf_randomLightModel();
std::uint16_t lf_randomBuzjetModel();
std::uint16_t lf_randomRotorcraftModel();

// The steps of the build, for tests and benchmarks.
void lf_buildLiveriesByAirlineModel(const LiveryList& list);
void lf_buildTitlesByAirlineModel();
void lf_buildTitlesByModel();
void lf_summarizeCategory(SizeCategory category);
void lf_logCategoryModels(bool light, bool buzjets, bool rotorcraft, const std::vector<std::uint16_t>& ids);
void lf_logGenericLiveries();

} // namespace skf
