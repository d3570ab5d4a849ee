#include "liveries/LiveryTables.h"
#include "liveries/LiveryTablesInternal.h"

#include "core/ControlFields.h"
#include "core/Log.h"
#include "core/Random.h"
#include "core/Text.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "liveries/LiveryMatching.h"
#include "liveries/LiveryState.h"
#include "liveries/Regcodes.h"
#include "liveries/LiveryListInternal.h"

#include <fmt/format.h>

#include <algorithm>
#include <mutex>

namespace skf {

namespace {

// Every stored title once, for the look-ups of the registration-code merge (a hash look-up instead of a
// search through every title for each of some 40,000 codes).
TitleViewSet& lf_storedTitleIndex() {
    return gf_liveryState().tables.storedTitleIndex;
}

// gf_reserveMatchPools ran: a clearing of the tables keeps its room.
bool s_matchPoolsReserved = false;

void lf_reserveMatchPools() {
    g_specialLiveryTitles.reserve(4096);
    g_lightModelPool.reserve(64);
    g_buzjetModelPool.reserve(128);
    g_rotorcraftModelPool.reserve(32);
}

std::vector<std::uint16_t> lf_sortedKeys(const auto& map) {
    std::vector<std::uint16_t> ids;
    ids.reserve(map.size());
    for (const auto& entry : map)
        ids.push_back(entry.first);
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::uint16_t lf_pick(const std::vector<std::uint16_t>& pool) {
    return pool.empty() ? 0 : pool[gf_randomIndex(pool.size())];
}

// The settings switched off when no livery of their category is installed; their check boxes are usable
// only while the category has liveries (liveriesField, which the window follows).
struct CategorySwitch {
    SizeCategory category;
    CheckBoxParameter* setting;
    ControlField liveriesField;
    const char* text;
};

const std::array<CategorySwitch, 3>& lf_categorySwitches() {
    static const std::array<CategorySwitch, 3> switches{{
        {SizeCategory::Light, &LIGHT_AIRCRAFT, ControlField::LightLiveries,
         "{} temporarily switched off because you do not have light aircraft installed"},
        {SizeCategory::HighPerf, &HIGH_PERF_AIRCRAFT, ControlField::HighPerfLiveries,
         "{} temporarily switched off because you do not have High Perf aircraft installed"},
        {SizeCategory::Rotorcraft, &HELICOPTERS, ControlField::RotorLiveries,
         "{} temporarily switched off because you do not have Helicopters installed"},
    }};
    return switches;
}

} // namespace

void lf_buildLiveriesByAirlineModel(const LiveryList& list) {
    g_liveriesByAirlineModel.reserve(2048);
    std::uint16_t airline = 0;
    std::uint16_t model = 0;
    std::vector<StoredLivery> working;
    working.reserve(4048);
    IdMap<std::vector<StoredLivery>> models;
    models.reserve(128);
    const auto storeWorking = [&] {
        if (working.empty())
            return;
        std::vector<StoredLivery>& stored = models[model];
        stored.insert(stored.end(), std::make_move_iterator(working.begin()), std::make_move_iterator(working.end()));
        stored.shrink_to_fit();
        working.clear();
    };
    const auto storeModels = [&] {
        if (models.empty())
            return;
        auto& stored = g_liveriesByAirlineModel[airline];
        for (auto& [id, liveries] : models) {
            auto& into = stored[id];
            into.insert(into.end(), std::make_move_iterator(liveries.begin()), std::make_move_iterator(liveries.end()));
        }
        models.clear();
        models.reserve(128);
    };
    for (const LiveryData& livery : list) {
        if (livery.model != model) {
            storeWorking();
            model = livery.model;
        }
        if (livery.airline != airline) {
            storeWorking();
            storeModels();
            airline = livery.airline;
        }
        working.push_back({livery.title, livery.cargo});
    }
    storeWorking();
    storeModels();

    // The store is complete: from here on its texts never move, and views into them stay valid.
    TitleViewSet& index = lf_storedTitleIndex();
    index.clear();
    index.reserve(list.size());
    for (const auto& [airlineId, byModel] : g_liveriesByAirlineModel)
        for (const auto& [modelId, liveries] : byModel)
            for (const StoredLivery& livery : liveries)
                index.insert(std::string_view(livery.title));
}

void lf_buildTitlesByAirlineModel() {
    g_titlesByAirlineModel[0].reserve(2048);
    g_titlesByAirlineModel[1].reserve(256);
    for (const auto& [airline, byModel] : g_liveriesByAirlineModel) {
        std::array<IdMap<TitleViews>, 2> maps;
        for (const auto& [model, liveries] : byModel) {
            std::array<TitleViews, 2> lists;
            for (const StoredLivery& livery : liveries)
                lists[livery.cargo ? 1 : 0].emplace_back(livery.title);
            for (int kind = 0; kind < 2; ++kind) {
                if (lists[kind].empty())
                    continue;
                lists[kind].shrink_to_fit();
                maps[kind].emplace(model, std::move(lists[kind]));
            }
        }
        for (int kind = 0; kind < 2; ++kind)
            if (!maps[kind].empty())
                g_titlesByAirlineModel[kind].emplace(airline, std::move(maps[kind]));
    }
}

void lf_buildTitlesByModel() {
    struct Entry {
        std::string_view title;
        std::uint16_t model;
        bool cargo;
    };
    std::vector<Entry> entries;
    entries.reserve(17000);
    for (const auto& [airline, byModel] : g_liveriesByAirlineModel)
        for (const auto& [model, liveries] : byModel)
            for (const StoredLivery& livery : liveries)
                entries.push_back({livery.title, model, livery.cargo});
    // By model id; inside one model by title, so that the order does not hang on the hash tables.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.model != b.model ? a.model < b.model : a.title < b.title;
    });
    std::array<TitleViews, 2> lists;
    lists[0].reserve(17000);
    lists[1].reserve(17000);
    for (std::size_t i = 0; i < entries.size();) {
        const std::uint16_t model = entries[i].model;
        lists[0].clear();
        lists[1].clear();
        for (; i < entries.size() && entries[i].model == model; ++i)
            lists[entries[i].cargo ? 1 : 0].push_back(entries[i].title);
        for (int kind = 0; kind < 2; ++kind)
            if (!lists[kind].empty())
                g_titlesByModel[kind].emplace(model, TitleViews(lists[kind].begin(), lists[kind].end()));
    }
}

void lf_logCategoryModels(bool light, bool buzjets, bool rotorcraft, const std::vector<std::uint16_t>& ids) {
    std::string line = "  ";
    int onLine = 0;
    const auto writeLine = [&] {
        line.pop_back(); // the last ","
        gf_log(line);
        line = "  ";
        onLine = 0;
    };
    for (const std::uint16_t id : ids) {
        if (light)
            g_lightModelPool.push_back(id);
        else if (buzjets)
            g_buzjetModelPool.push_back(id);
        else if (rotorcraft)
            g_rotorcraftModelPool.push_back(id);
        line += gf_modelName(id);
        line += ',';
        if (++onLine == 20)
            writeLine();
    }
    if (onLine > 0)
        writeLine();
}

void lf_summarizeCategory(SizeCategory category) {
    std::uint64_t counts[2] = {0, 0};
    std::set<std::uint16_t> models;
    for (int kind = 0; kind < 2; ++kind) {
        for (const auto& [model, titles] : g_titlesByModel[kind]) {
            if (gf_modelCategory(model) != category)
                continue;
            models.insert(model);
            counts[kind] += titles.size();
        }
    }
    const std::string_view name = gf_sizeCategoryName(category);
    const auto switched = std::find_if(lf_categorySwitches().begin(), lf_categorySwitches().end(),
                                       [&](const CategorySwitch& s) { return s.category == category; });
    const bool optional = switched != lf_categorySwitches().end();
    if (counts[0] == 0 && counts[1] == 0) {
        gf_log(fmt::format("Category {}: No livery found", name));
        if (optional) {
            CheckBoxParameter& setting = *switched->setting;
            if (setting.value()) {
                setting.set(false);
                setting.store();
                setting.showCheck();
                gf_log(fmt::format(fmt::runtime(switched->text), setting.key));
            }
            gf_setControlField(switched->liveriesField, false);
        }
        return;
    }
    std::string cargo;
    if (counts[1] > 0)
        cargo = fmt::format(" and {} cargo liverie{}", counts[1], gf_plural(counts[1]));
    gf_log(fmt::format("Category {}: {} pax liverie{}{}", name, counts[0], gf_plural(counts[0]), cargo));
    if (!models.empty())
        lf_logCategoryModels(category == SizeCategory::Light, category == SizeCategory::Buzjets,
                             category == SizeCategory::Rotorcraft,
                             std::vector<std::uint16_t>(models.begin(), models.end()));
    if (optional)
        gf_setControlField(switched->liveriesField, true);
}

void lf_logGenericLiveries() {
    const auto generic = g_operatorPool.find("ZZZ");
    const auto found = generic ? g_liveriesByAirlineModel.find(*generic) : g_liveriesByAirlineModel.end();
    if (found == g_liveriesByAirlineModel.end()) {
        gf_log("No generic liveries");
        return;
    }
    const std::vector<std::uint16_t> ids = lf_sortedKeys(found->second);
    gf_log(fmt::format("{} model{} have a generic livery", ids.size(), gf_plural(std::uint64_t{ids.size()})));
    lf_logCategoryModels(false, false, false, ids);
}

void gf_processScannedLiveries() {
    if (g_liveriesProcessed) {
        gf_log("Processing scanned liveries skipped; already done in previous start-up");
        g_liveries.clear();
        return;
    }
    // A build always starts from empty tables, also after one that an error ended half-way: appending to a
    // half-built store could move titles that views already point to.
    gf_clearLiveryTables();
    g_titlesByModel[0].reserve(324);
    g_titlesByModel[1].reserve(75);
    g_regcodeTitles.reserve(36000);
    g_regcodeTitles.max_load_factor(0.7F);

    lf_readLiveriesScanned(g_liveries);
    g_mainWindow.liveryCount = g_liveries.size();
    gf_markChanged(BAND_INDICATORS);

    lf_buildLiveriesByAirlineModel(g_liveries);
    lf_buildTitlesByAirlineModel();
    lf_buildInlineRegcodes(g_liveries);
    lf_processRegcodeFiles();
    gf_log(fmt::format("{:5} registration codes", g_regcodeTitles.size()));

    lf_buildTitlesByModel();
    gf_log(fmt::format("{:5} airlines, {} pax aircraft models and {} cargo aircraft models",
                       g_liveriesByAirlineModel.size(), g_titlesByModel[0].size(), g_titlesByModel[1].size()));

    gf_buildSimilarModels();

    gf_log(" ");
    for (const SizeCategory c : {SizeCategory::Light, SizeCategory::Buzjets, SizeCategory::Large, SizeCategory::Heavy,
                                 SizeCategory::HighPerf, SizeCategory::Rotorcraft})
        lf_summarizeCategory(c);
    lf_logGenericLiveries();

    g_liveriesProcessed = true;
    gf_markChanged(BAND_ALL);
    g_liveries.clear();
}

void gf_clearLiveryTables() {
    // First the views into the title store held here; the engine has let go of its own
    // (gf_releaseLiveryViews) before.
    g_liveryTitleById.clear();
    // Member by member in the order of declaration: the title store, declared last, goes after the views.
    gf_liveryState().tables = LiveryTables{};
    if (s_matchPoolsReserved)
        lf_reserveMatchPools();
}

void gf_reserveMatchPools() {
    if (s_matchPoolsReserved)
        return;
    s_matchPoolsReserved = true;
    lf_reserveMatchPools();
}

bool gf_hasLiveryForAirlineModel(std::uint16_t airlineId, std::uint16_t modelId) {
    const auto airline = g_liveriesByAirlineModel.find(airlineId);
    return airline != g_liveriesByAirlineModel.end() && airline->second.contains(modelId);
}

LiveryQueries gf_liveryQueries() {
    LiveryQueries queries;
    queries.modelHasLivery = [](std::uint16_t model) {
        return g_titlesByModel[0].contains(model) || g_titlesByModel[1].contains(model);
    };
    queries.airlinesWithLiveries = [] { return lf_sortedKeys(g_liveriesByAirlineModel); };
    queries.hasLiveryForAirlineModel = gf_hasLiveryForAirlineModel;
    return queries;
}

std::string_view lf_storedTitle(std::string_view title) {
    const TitleViewSet& index = lf_storedTitleIndex();
    const auto found = index.find(title);
    return found == index.end() ? std::string_view{} : *found;
}

std::uint16_t lf_randomLightModel() {
    return lf_pick(g_lightModelPool);
}

std::uint16_t lf_randomBuzjetModel() {
    return lf_pick(g_buzjetModelPool);
}

std::uint16_t lf_randomRotorcraftModel() {
    return lf_pick(g_rotorcraftModelPool);
}

void gf_buildSimilarModels() {
    gf_buildSimilarModels(gf_liveryQueries());
}

} // namespace skf
