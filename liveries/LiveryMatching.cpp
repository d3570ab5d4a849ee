#include "liveries/LiveryMatching.h"
#include "liveries/LiveryMatchingInternal.h"

#include "core/Codes.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "core/Random.h"
#include "core/settings/Catalogue.h"
#include "data/DbaseLookups.h"
#include "data/apf/Stand.h"
#include "liveries/LiveryState.h"
#include "liveries/LiveryTables.h"
#include "liveries/LiveryTablesInternal.h"

#include <fmt/format.h>

#include <algorithm>

namespace skf {

namespace {
LiveryMatchState s_matchState;
} // namespace

// Bound to members of a state of static storage: constant initialisation, valid before any constructor runs.
std::unordered_map<std::uint32_t, std::string_view, TrafficIdHash>& g_liveryTitleById = s_matchState.liveryTitleById;
std::unordered_set<std::string>& g_noLiveryKeys = s_matchState.noLiveryKeys;

LiveryMatchState& gf_liveryMatchState() {
    return s_matchState;
}

std::size_t TrafficIdHash::operator()(std::uint32_t id) const noexcept {
    std::uint64_t h = 14695981039346656037ULL;
    for (int i = 0; i < 4; ++i)
        h = (h ^ ((id >> (8 * i)) & 0xFFu)) * 1099511628211ULL;
    return static_cast<std::size_t>(h);
}

namespace {

constexpr std::string_view kIndent = "          ";

// The airline of the registration's database entry, when that entry names an operator.
struct DbaseAirline {
    bool known = false;
    std::uint16_t airline = 0;
};

DbaseAirline lf_dbaseAirline(const FlightRecord& record) {
    const auto info = gf_lookupRegistration(record.registration);
    if (!info || gf_operatorName(info->operatorId).empty())
        return {};
    return {true, info->airline};
}

std::uint16_t lf_genericAirline() {
    return gf_internOperator("ZZZ"); // not cached: the pools may be rebuilt
}

bool lf_isPvt(std::uint16_t airline) {
    return gf_operatorName(airline) == "PVT";
}

bool lf_isFailed(std::string_view title) {
    return g_failedLiveryTitles.find(title) != g_failedLiveryTitles.end();
}

bool lf_isSpecial(std::string_view title) {
    return g_specialLiveryTitleSet.contains(title);
}

void lf_pickLiveryTitle(FlightRecord& record, const TitleViews& list) {
    if (list.empty())
        return;
    const std::size_t n = list.size();
    for (int draw = 0; draw < 5; ++draw) {
        record.liveryTitle = list[gf_randomIndex(n)];
        if (!lf_isSpecial(record.liveryTitle))
            return;
    }
    std::size_t plain = 0;
    for (const std::string_view title : list)
        plain += lf_isSpecial(title) ? 0 : 1;
    if (plain == 0)
        return; // all special: the last draw stays
    std::size_t wanted = gf_randomIndex(plain);
    for (const std::string_view title : list) {
        if (lf_isSpecial(title))
            continue;
        if (wanted-- == 0) {
            record.liveryTitle = title;
            return;
        }
    }
}

bool lf_lookupRegcodeTitle(FlightRecord& record) {
    if (record.registration.empty())
        return false;
    const auto found = g_regcodeTitles.find(std::string_view(record.registration));
    record.liveryTitle = found == g_regcodeTitles.end() ? std::string_view{} : found->second;
    return !record.liveryTitle.empty();
}

bool lf_pickFromAirlineModel(FlightRecord& record, std::uint16_t airline, std::uint16_t model, int kind) {
    const auto byAirline = g_titlesByAirlineModel[kind].find(airline);
    if (byAirline == g_titlesByAirlineModel[kind].end())
        return false;
    const auto byModel = byAirline->second.find(model);
    if (byModel == byAirline->second.end())
        return false;
    lf_pickLiveryTitle(record, byModel->second);
    return !record.liveryTitle.empty();
}

// A passenger aircraft never takes a cargo livery; a cargo aircraft falls back to passenger liveries.
bool lf_matchAirlineModel(FlightRecord& record, std::uint16_t airline, std::uint16_t model) {
    if (lf_pickFromAirlineModel(record, airline, model, record.cargo ? 1 : 0))
        return true;
    return record.cargo && lf_pickFromAirlineModel(record, airline, model, 0);
}

bool lf_matchModel(FlightRecord& record, std::uint16_t model) {
    const auto& table = g_titlesByModel[record.cargo ? 1 : 0];
    const auto found = table.find(model);
    if (found == table.end())
        return false;
    lf_pickLiveryTitle(record, found->second);
    return !record.liveryTitle.empty();
}

bool lf_matchSimilarModel(FlightRecord& record, std::uint16_t airline, std::uint16_t model) {
    for (const std::uint16_t similar : gf_similarModels(airline, model)) {
        if (gf_modelCategory(similar) != record.category)
            continue;
        if (lf_matchAirlineModel(record, airline, similar))
            return true;
    }
    return false;
}

bool lf_assignLivery(FlightRecord& record, int step) {
    if (lf_isFailed(record.liveryTitle)) {
        record.liveryTitle = {};
        return false;
    }
    ++g_matchStepCounts[static_cast<std::size_t>(step)];
    gf_log(fmt::format("{}{} ={}= {}", kIndent, gf_aircraftText(record), step, record.liveryTitle));
    record.fsltlFlag = record.liveryTitle.find("FSLTL_") != std::string_view::npos ? 1 : 0;
    return true;
}

// The end of both cascades: generic livery, any airline on the model, a substitute model.
void lf_matchGenericOrOtherModel(FlightRecord& record, int& step, int depth) {
    if (depth == 4 && record.liveryTitle.empty() && lf_matchAirlineModel(record, lf_genericAirline(), record.modelId)) {
        step = 4;
        return;
    }
    if (!record.liveryTitle.empty())
        return;
    if (record.category != SizeCategory::Light && record.category != SizeCategory::Buzjets &&
        record.category != SizeCategory::Rotorcraft)
        return;
    if (depth >= 3 && !lf_isPvt(record.airlineId) &&
        lf_matchAirlineModel(record, lf_genericAirline(), record.modelId)) {
        step = 4;
        return;
    }
    if (lf_matchModel(record, record.modelId)) {
        step = 5;
        return;
    }
    const auto similar = g_similarModelsWithLiveries.find(record.modelId);
    if (similar != g_similarModelsWithLiveries.end()) {
        gf_shuffle(similar->second);
        for (const std::uint16_t m : similar->second) {
            if (lf_matchModel(record, m)) {
                step = 6;
                return;
            }
        }
        return;
    }
    std::uint16_t candidate = 0;
    switch (gf_modelCategory(record.modelId)) {
    case SizeCategory::Light:
        candidate = lf_randomLightModel();
        break;
    case SizeCategory::Buzjets:
        candidate = lf_randomBuzjetModel();
        break;
    case SizeCategory::Rotorcraft:
        candidate = lf_randomRotorcraftModel();
        break;
    default:
        return;
    }
    if (candidate != 0 && lf_matchModel(record, candidate))
        step = 6;
}

// A title found for a parked aircraft: refused ones are cleared and do not count.
bool lf_goodParkedTitle(FlightRecord& record) {
    if (record.liveryTitle.empty())
        return false;
    if (lf_isFailed(record.liveryTitle)) {
        record.liveryTitle = {};
        return false;
    }
    return true;
}

bool lf_parkedMatch(FlightRecord& record, int step) {
    gf_log(fmt::format("{}{} ={}= {}", kIndent, gf_aircraftText(record), step, record.liveryTitle));
    return true;
}

} // namespace

void gf_matchLiveryForLive(FlightRecord& record) {
    const int depth = MATCHING_DEPTH.value();
    record.liveryTitle = {};
    if (lf_lookupRegcodeTitle(record) &&
        lf_assignLivery(record, g_uniqueRegcodes.contains(record.registration) ? 0 : 1))
        return;
    if (depth < 2)
        return;
    const std::uint16_t model = record.modelId;
    if (lf_isPvt(record.airlineId) && lf_matchAirlineModel(record, lf_genericAirline(), model) &&
        lf_assignLivery(record, 4))
        return;
    const bool hasAirline = !gf_operatorName(record.airlineId).empty();
    if (hasAirline && lf_matchAirlineModel(record, record.airlineId, model) && lf_assignLivery(record, 2))
        return;
    const DbaseAirline dbase = lf_dbaseAirline(record); // only now: most aircraft matched above
    if (dbase.known && lf_matchAirlineModel(record, dbase.airline, model) && lf_assignLivery(record, 2))
        return;
    if (depth < 3)
        return;
    if (hasAirline && lf_matchSimilarModel(record, record.airlineId, model) && lf_assignLivery(record, 3))
        return;
    if (dbase.known && lf_matchSimilarModel(record, dbase.airline, model) && lf_assignLivery(record, 3))
        return;
    int step = 0;
    lf_matchGenericOrOtherModel(record, step, depth);
    if (!record.liveryTitle.empty())
        (void)lf_assignLivery(record, step);
}

bool gf_matchLiveryForParked(FlightRecord& record, const Stand& stand) {
    if (!record.liveryTitle.empty()) {
        gf_log(fmt::format("{}{} =s= {}", kIndent, gf_aircraftText(record), record.liveryTitle));
        return true;
    }
    const int depth = MATCHING_DEPTH.value();
    record.cargo = stand.cargo ? 1 : 0;
    if (lf_lookupRegcodeTitle(record) && lf_goodParkedTitle(record))
        return lf_parkedMatch(record, g_uniqueRegcodes.contains(record.registration) ? 0 : 1);
    record.liveryTitle = {};
    if (depth >= 2) {
        const std::uint16_t model = record.modelId;
        if (lf_isPvt(record.airlineId) && lf_matchAirlineModel(record, lf_genericAirline(), model) &&
            lf_goodParkedTitle(record))
            return lf_parkedMatch(record, 4);
        if (lf_matchAirlineModel(record, record.airlineId, model) && lf_goodParkedTitle(record))
            return lf_parkedMatch(record, 2);
        const DbaseAirline dbase = lf_dbaseAirline(record);
        if (dbase.known && lf_matchAirlineModel(record, dbase.airline, model) && lf_goodParkedTitle(record))
            return lf_parkedMatch(record, 2);
        if (depth >= 3) {
            for (const std::uint16_t m : gf_similarModels(record.airlineId, model))
                if (lf_matchAirlineModel(record, record.airlineId, m) && lf_goodParkedTitle(record))
                    return lf_parkedMatch(record, 3);
            if (dbase.known)
                for (const std::uint16_t m : gf_similarModels(dbase.airline, model))
                    if (lf_matchAirlineModel(record, dbase.airline, m) && lf_goodParkedTitle(record))
                        return lf_parkedMatch(record, 3);
            int step = 0;
            lf_matchGenericOrOtherModel(record, step, depth);
            if (lf_goodParkedTitle(record))
                return lf_parkedMatch(record, step);
        }
    }
    gf_log(fmt::format("{:8}: {} no livery match ...", stand.id, gf_aircraftText3(record)));
    return false;
}

std::optional<std::string_view> gf_liveryTitleForId(std::uint32_t trafficId) {
    const auto found = g_liveryTitleById.find(trafficId);
    if (found == g_liveryTitleById.end())
        return std::nullopt;
    if (!lf_isFailed(found->second))
        return found->second;
    g_liveryTitleById.erase(found);
    return std::nullopt;
}

void gf_reportLiveryNotCreated(const FlightRecord& record) {
    if (!g_stopRun.load() && !g_shutDown.load())
        gf_setStatus(fmt::format("{} '{}' could not be created by your Sim!", record.callsign, record.liveryTitle),
                     true);
    g_failedLiveryTitles.emplace(record.liveryTitle);
    g_failedLiveryKeys.insert(fmt::format("{} {}", gf_modelName(record.modelId), gf_operatorName(record.airlineId)));
    if (g_failedLiveryTitles.size() >= 20) {
        constexpr std::string_view kMessage = "There are too many liveries that could not be created!";
        gf_log(fmt::format("\n{}Error 81, {}\n", "===> ", kMessage));
        throw UserErrorException(81, fmt::format("{}, see Log.txt", kMessage));
    }
}

bool gf_isFailedLiveryTitle(std::string_view title) {
    return lf_isFailed(title);
}

std::size_t gf_failedLiveryTitleCount() {
    return g_failedLiveryTitles.size();
}

void lf_resetMatchingState() {
    gf_liveryState().tally = LiveryMatchTally{};
}

void gf_logLiveryMatchingSummary() {
    if (std::all_of(g_matchStepCounts.begin(), g_matchStepCounts.end(), [](std::int32_t n) { return n <= 0; }))
        return;
    gf_logBlock([](std::ostream& out) {
        out << gf_bannerLine(100, 0, true, false, "live traffic livery matching summary") << '\n';
        out << "Matches at step: " << '\n';
        for (std::size_t step = 0; step < g_matchStepCounts.size(); ++step)
            out << fmt::format("  {}: {}", step, g_matchStepCounts[step]) << '\n';
        if (!g_failedLiveryKeys.empty()) {
            out << "\nCould not be created" << '\n';
            for (const std::string& key : g_failedLiveryKeys)
                out << "  " << key << '\n';
        }
        out << gf_bannerLine(100, 0, false, true, "") << '\n';
    });
}

void gf_logUnmatchedNames() {
    if (g_noLiveryKeys.empty())
        return;
    gf_logBlock([](std::ostream& out) {
        out << "\nNo match found for:\n";
        for (const std::string& key : g_noLiveryKeys)
            out << key << '\n';
        out << '\n';
    });
}

} // namespace skf
