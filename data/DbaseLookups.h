#pragma once
// Queries over the database (data/Dbase.h): registrations, model categories and wingspans,
// known codes, similar models, scenery publishers.

#include "core/SizeCategory.h"
#include "data/Dbase.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skf {

// The spellings of a registration to try, in order: for 5 or more characters, not starting with
// 'N' and without '-': "DA-IKA", then "D-AIKA"; always last the registration itself.
std::vector<std::string> gf_registrationVariants(std::string_view registration);

// The airline, model, operator and cargo flag of the first variant found; empty for an empty or
// unknown registration.
std::optional<DbaseInfo> gf_lookupRegistration(std::string_view registration);

// The operator code of the registration's record; empty when not found or without operator.
std::string_view gf_operatorOfRegistration(std::string_view registration);

// The first registration of the table (in table order) shorter than 6 characters that occurs
// inside the text.
std::optional<std::string> gf_findShortRegistrationIn(std::string_view text);

// Large, else Heavy, else Buzjets, else Rotorcraft, else HighPerf, else Light.
SizeCategory gf_modelCategory(std::uint16_t modelId);
// gf_modelCategory of the code's id; the code is interned (a new code is Light).
SizeCategory gf_modelCategoryByName(std::string_view modelCode);

bool gf_isKnownModelCode(std::string_view modelCode);
bool gf_isKnownAirlineCode(std::string_view airlineCode);

// Half the wingspan of a model in nautical miles; 0 when the model has no wingspan entry.
// An id of 2700 or more logs "hwsp: {} what: {}" and gives 35.0.
double gf_halfWingspan(std::uint16_t modelId);

// What the similar-model tables need to know of the installed liveries (the livery tables own
// the answers and pass them in: liveries' gf_buildSimilarModels()).
struct LiveryQueries {
    // The model has at least one installed livery (passenger or cargo).
    std::function<bool(std::uint16_t modelId)> modelHasLivery;
    // The airline ids that have any livery, ascending.
    std::function<std::vector<std::uint16_t>()> airlinesWithLiveries;
    // The airline has a livery for the model (gf_hasLiveryForAirlineModel of the livery tables).
    std::function<bool(std::uint16_t airlineId, std::uint16_t modelId)> hasLiveryForAirlineModel;
};

// Fills g_similarModelsWithLiveries and g_similarModelsByAirline and logs
// "{:5} similar model definitions". With a query missing, nothing counts as installed.
void gf_buildSimilarModels(const LiveryQueries& queries);

// The similar models with a livery of the airline for a model it has no livery of; shuffled in
// place (when RANDOM is on) and returned; the shared empty list when none.
// The key holds the airline id in its low 16 bits and the model id in its high 16 bits.
const std::vector<std::uint16_t>& gf_similarModels(std::uint32_t airlineModel);
const std::vector<std::uint16_t>& gf_similarModels(std::uint16_t airlineId, std::uint16_t modelId);

// True when the text is empty or occurs in the path's UTF-8 text, ASCII letters compared
// case-insensitively.
bool gf_pathContainsNoCase(const std::filesystem::path& path, std::string_view text);

// The publisher (first name of its group) of the first group one of whose non-empty names occurs
// in the path, as is or ignoring case. An empty name matches no path.
std::optional<std::string> gf_findPublisherInPath(const std::filesystem::path& path);

// True when the text starts with the code; the rest is read as a decimal number into `number`.
// A rest that is no number logs "{name} {code} {text} invalid number" (the code as 20 blanks when
// empty) and still gives true.
bool gf_matchCodeNumberName(std::string_view name, std::string_view code, int& number, std::string_view text);

} // namespace skf
