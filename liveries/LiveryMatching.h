#pragma once
// Livery matching: the choice of the installed livery (the simulator title) under which an AI aircraft is
// created, by a cascade of steps over the livery tables (LiveryTables.h), limited by MATCHING_DEPTH:
//   0 unique registration code, 1 other registration code, 2 airline and model, 3 airline on a similar
//   model, 4 generic livery ("ZZZ") of the model, 5 any airline on the model, 6 a substitute model.
// Also the titles the simulator refused (never chosen again), the title remembered per traffic id, and the
// matching summary and unmatched list in Log.txt.
//
// Everything here runs on the start-up thread, which also runs the traffic engine and the main cycle; no
// locks. A chosen title is a view into the title store of the livery tables: valid until the tables are
// cleared (between runs only). Matching never allocates a title and never blocks.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "data/StringPool.h"
#include "sim/AircraftRecords.h"

namespace skf {

struct Stand;

// FNV-1a over the four bytes of a traffic id, low byte first.
struct TrafficIdHash {
    std::size_t operator()(std::uint32_t id) const noexcept;
};

// The engine's share of the matching, one run long: written by the traffic engine on its thread (the
// start-up thread) and emptied by its reset in one assignment; it lies here because the matching reads
// it and the tables' clearing empties the titles.
struct LiveryMatchState {
    // Traffic id -> the title chosen for that aircraft (stored and erased by the traffic engine).
    std::unordered_map<std::uint32_t, std::string_view, TrafficIdHash> liveryTitleById;
    // Matching keys (gf_matchingKey) of aircraft for which no livery was found (filled and emptied by the
    // traffic engine); only printed here.
    std::unordered_set<std::string> noLiveryKeys;
};
LiveryMatchState& gf_liveryMatchState();

extern std::unordered_map<std::uint32_t, std::string_view, TrafficIdHash>& g_liveryTitleById;
extern std::unordered_set<std::string>& g_noLiveryKeys;
inline std::unordered_set<std::string>& g_unmatchedNames = g_noLiveryKeys;
// Per cascade step 0..6: how many live aircraft matched there. Never reset: it lasts the process, with the
// refused titles, in the liveries' owner (liveries/LiveryState.h), not in the run-long state above.
extern std::array<std::int32_t, 7>& g_matchStepCounts;
// The titles the simulator refused (FNV-1a over the title's bytes, looked up by view) and, for the summary, the
// "model airline" of each. They only grow, for the whole process, beside g_matchStepCounts. The set owns its
// texts: a refused title outlives every rebuild of the title store.
using FailedTitleSet = std::unordered_set<std::string, Fnv1aHash, std::equal_to<>>;
extern FailedTitleSet& g_failedLiveryTitles;
extern std::unordered_set<std::string>& g_failedLiveryKeys;

// The live cascade: on return the record's liveryTitle is the chosen title, or empty (no livery). Counts
// the step, logs the match and sets fsltlFlag.
void gf_matchLiveryForLive(FlightRecord& record);

// The parked cascade for a static aircraft on the stand: takes the stand's cargo flag into the record and
// logs its decision. True when the record carries a title on return (one it carried before included).
bool gf_matchLiveryForParked(FlightRecord& record, const Stand& stand);

// The title remembered for the traffic id, unless the simulator refused it since (the entry is then
// forgotten).
std::optional<std::string_view> gf_liveryTitleForId(std::uint32_t trafficId);

// The simulator refused to create the record's title: it is never chosen again. Shows and logs
// "{} '{}' could not be created by your Sim!" (unless a stop flag is up). From the 20th distinct refused
// title on, logs Error 81 and throws UserErrorException 81.
void gf_reportLiveryNotCreated(const FlightRecord& record);

// Whether the simulator refused the title (compared by bytes).
bool gf_isFailedLiveryTitle(std::string_view title);
std::size_t gf_failedLiveryTitleCount();

// The per-step counts and the refused pairs, to Log.txt; nothing while every count is 0.
void gf_logLiveryMatchingSummary();
// "No match found for:" and each key of g_noLiveryKeys, to Log.txt; nothing when there is none.
void gf_logUnmatchedNames();

} // namespace skf
