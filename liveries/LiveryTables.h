#pragma once
// The livery tables: built once per process from LiveriesScanned.xml (LiveryList.h) for the matching
// cascade (LiveryMatching.h). The title store owns every title text; every other table holds views into
// it. Keys are the 16-bit ids of g_operatorPool (airline) and g_modelPool (model).
//
// The tables are held in the liveries' owner (LiveryState, liveries/LiveryState.h); the global names below are
// references into it. Built, read and cleared on the start-up thread only; no locks. Clearing happens only between
// runs: the main window asks for it (gf_requestLiveryReset) and the start-up thread carries it out before the next
// start-up, so no view survives a rebuild. Never called from the window or SimClient threads.

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/SizeCategory.h"
#include "data/DbaseLookups.h"
#include "data/StringPool.h"
#include "liveries/LiveryList.h"

namespace skf {

// FNV-1a over the two bytes of an id, low byte first.
struct IdHash {
    std::size_t operator()(std::uint16_t id) const noexcept {
        std::uint64_t h = 14695981039346656037ULL;
        h = (h ^ (id & 0xFFu)) * 1099511628211ULL;
        h = (h ^ (id >> 8)) * 1099511628211ULL;
        return static_cast<std::size_t>(h);
    }
};

// Texts compared by length and bytes, hashed by FNV-1a (Fnv1aHash of StringPool.h).
using TitleViewSet = std::unordered_set<std::string_view, Fnv1aHash>;

struct StoredLivery {
    std::string title;
    bool cargo = false;
};
template <class V>
using IdMap = std::unordered_map<std::uint16_t, V, IdHash>;
using TitleViews = std::vector<std::string_view>;
using RegcodeTitleMap = std::unordered_map<std::string, std::string_view, Fnv1aHash, std::equal_to<>>;

// The title store: airline id -> model id -> liveries (airline 0: liveries without airline).
extern IdMap<IdMap<std::vector<StoredLivery>>>& g_liveriesByAirlineModel;
// [0 passenger, 1 cargo]: airline id -> model id -> titles of that kind.
extern std::array<IdMap<IdMap<TitleViews>>, 2>& g_titlesByAirlineModel;
// [0 passenger, 1 cargo]: model id -> titles of every airline.
extern std::array<IdMap<TitleViews>, 2>& g_titlesByModel;
// Registration code -> title.
extern RegcodeTitleMap& g_regcodeTitles;
// Every code of a special livery; the codes of special liveries that have exactly one code.
extern std::set<std::string, std::less<>>& g_specialRegcodes;
extern std::set<std::string, std::less<>>& g_uniqueRegcodes;
// The titles of special liveries (avoided by the random pick), and their hash index.
extern TitleViews& g_specialLiveryTitles;
extern TitleViewSet& g_specialLiveryTitleSet;
// Models of the category with at least one livery, ascending by id.
extern std::vector<std::uint16_t>& g_lightModelPool;
extern std::vector<std::uint16_t>& g_buzjetModelPool;
extern std::vector<std::uint16_t>& g_rotorcraftModelPool;
// The tables were built in this process; cleared with the tables so that the next start-up builds them.
extern bool& g_liveriesProcessed;

// At every start-up, after the livery scan: reads LiveriesScanned.xml and builds the tables (once per
// process), logs the summary and empties the livery list. Throws the UserErrorException of the reading.
void gf_processScannedLiveries();

// Empties the tables (one assignment, which also lowers g_liveriesProcessed), after the title per traffic id. Between
// runs only, once the engine let go of its views into the title store (its aircraft and queued creations:
// gf_releaseLiveryViews, called by the start-up before it clears or builds the tables).
void gf_clearLiveryTables();

// Once per process: room for the special titles and the three pools.
void gf_reserveMatchPools();

// The title store holds the airline and, under it, the model.
[[nodiscard]] bool gf_hasLiveryForAirlineModel(std::uint16_t airlineId, std::uint16_t modelId);

// What the similar-model tables of the database ask of these tables.
LiveryQueries gf_liveryQueries();

// Fills the database's similar-model tables from the installed liveries (these tables' answers), once the
// tables are built; logs "{:5} similar model definitions".
void gf_buildSimilarModels();

} // namespace skf
