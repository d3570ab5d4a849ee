#include "data/DbaseLookups.h"

#include "core/Log.h"
#include "core/Random.h"
#include "core/Text.h"
#include "data/DbaseInternal.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace skf {

namespace {

const std::vector<std::uint16_t> g_noSimilarModels;

const DbaseRecord* lf_findRecord(std::string_view registration) {
    const auto it = std::lower_bound(
        g_dbaseRecords.begin(), g_dbaseRecords.end(), registration,
        [](const DbaseRecord& r, std::string_view reg) { return std::string_view(r.registration) < reg; });
    if (it != g_dbaseRecords.end() && it->registration == registration)
        return &*it;
    return nullptr;
}

} // namespace

std::vector<std::string> gf_registrationVariants(std::string_view registration) {
    std::vector<std::string> variants;
    if (registration.size() >= 5 && registration[0] != 'N' && registration.find('-') == std::string_view::npos) {
        variants.push_back(fmt::format("{}-{}", registration.substr(0, 2), registration.substr(2)));
        variants.push_back(fmt::format("{}-{}", registration.substr(0, 1), registration.substr(1)));
    }
    variants.emplace_back(registration);
    return variants;
}

std::optional<DbaseInfo> gf_lookupRegistration(std::string_view registration) {
    if (registration.empty())
        return std::nullopt;
    for (const std::string& v : gf_registrationVariants(registration))
        if (const DbaseRecord* r = lf_findRecord(v))
            return DbaseInfo{r->airline, r->model, r->operatorId, r->cargo};
    return std::nullopt;
}

std::string_view gf_operatorOfRegistration(std::string_view registration) {
    const auto info = gf_lookupRegistration(registration);
    if (!info)
        return {};
    return gf_operatorName(info->operatorId);
}

std::optional<std::string> gf_findShortRegistrationIn(std::string_view text) {
    for (const DbaseRecord& r : g_dbaseRecords)
        if (r.registration.size() < 6 && !r.registration.empty() && text.find(r.registration) != std::string_view::npos)
            return r.registration;
    return std::nullopt;
}

SizeCategory gf_modelCategory(std::uint16_t modelId) {
    if (g_largeModelIds.contains(modelId))
        return SizeCategory::Large;
    if (g_heavyModelIds.contains(modelId))
        return SizeCategory::Heavy;
    if (g_buzjetModelIds.contains(modelId))
        return SizeCategory::Buzjets;
    if (g_rotorcraftModelIds.contains(modelId))
        return SizeCategory::Rotorcraft;
    if (g_highPerfModelIds.contains(modelId))
        return SizeCategory::HighPerf;
    return SizeCategory::Light;
}

SizeCategory gf_modelCategoryByName(std::string_view modelCode) {
    return gf_modelCategory(gf_internModel(modelCode));
}

bool gf_isKnownModelCode(std::string_view modelCode) {
    return !modelCode.empty() && g_modelCodes.find(std::string(modelCode)) != g_modelCodes.end();
}

bool gf_isKnownAirlineCode(std::string_view airlineCode) {
    return !airlineCode.empty() && g_airlineCodes.find(std::string(airlineCode)) != g_airlineCodes.end();
}

double gf_halfWingspan(std::uint16_t modelId) {
    try {
        return g_halfWingspans.at(modelId);
    } catch (const std::out_of_range& e) {
        gf_logError(fmt::format("hwsp: {} what: {}", modelId, e.what()));
        gf_flushLog();
        return 35.0;
    }
}

void gf_buildSimilarModels(const LiveryQueries& queries) {
    g_similarModelsWithLiveries.clear();
    g_similarModelsByAirline.clear();
    const auto modelHasLivery = [&](const std::string& code) {
        return queries.modelHasLivery && queries.modelHasLivery(gf_internModel(code));
    };

    // 1. "key,similar1,similar2..." for every position of every list, similar models with liveries only.
    std::set<std::string> texts;
    for (const std::vector<std::string>& list : g_similarTypes) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            std::string text = list[i];
            for (std::size_t j = 0; j < list.size(); ++j)
                if (j != i && modelHasLivery(list[j]))
                    text += "," + list[j];
            if (text.find(',') != std::string::npos)
                texts.insert(std::move(text));
        }
    }
    // 2. key id -> similar ids; an earlier list of a key stays.
    for (const std::string& text : texts) {
        const std::vector<std::string> codes = lf_splitCommaList(text);
        const std::uint16_t key = gf_internModel(codes.front());
        std::vector<std::uint16_t> ids;
        for (std::size_t k = 1; k < codes.size(); ++k)
            ids.push_back(gf_internModel(codes[k]));
        g_similarModelsWithLiveries.emplace(key, std::move(ids));
    }
    // 3. per airline with liveries: for the models it lacks, the similar ones it has.
    if (queries.airlinesWithLiveries && queries.hasLiveryForAirlineModel) {
        for (const std::uint16_t airline : queries.airlinesWithLiveries()) {
            std::unordered_map<std::uint16_t, std::vector<std::uint16_t>> byModel;
            for (const auto& [model, similar] : g_similarModelsWithLiveries) {
                if (queries.hasLiveryForAirlineModel(airline, model))
                    continue;
                std::vector<std::uint16_t> kept;
                for (const std::uint16_t s : similar)
                    if (queries.hasLiveryForAirlineModel(airline, s))
                        kept.push_back(s);
                if (!kept.empty())
                    byModel.emplace(model, std::move(kept));
            }
            if (!byModel.empty())
                g_similarModelsByAirline.emplace(airline, std::move(byModel));
        }
    }
    gf_log(fmt::format("{:5} similar model definitions", g_similarModelsWithLiveries.size()));
}

const std::vector<std::uint16_t>& gf_similarModels(std::uint32_t airlineModel) {
    const auto airline = static_cast<std::uint16_t>(airlineModel & 0xFFFFu);
    const auto model = static_cast<std::uint16_t>(airlineModel >> 16);
    const auto a = g_similarModelsByAirline.find(airline);
    if (a == g_similarModelsByAirline.end())
        return g_noSimilarModels;
    const auto m = a->second.find(model);
    if (m == a->second.end())
        return g_noSimilarModels;
    gf_shuffle(m->second);
    return m->second;
}

const std::vector<std::uint16_t>& gf_similarModels(std::uint16_t airlineId, std::uint16_t modelId) {
    return gf_similarModels(static_cast<std::uint32_t>(airlineId) | (static_cast<std::uint32_t>(modelId) << 16));
}

bool gf_pathContainsNoCase(const std::filesystem::path& path, std::string_view text) {
    return gf_containsNoCase(path.string(), text);
}

std::optional<std::string> gf_findPublisherInPath(const std::filesystem::path& path) {
    const std::string text = path.string();
    for (const std::vector<std::string>& group : g_publisherNames) {
        for (const std::string& name : group) {
            if (name.empty())
                continue; // an empty name would match every path
            if (text.find(name) != std::string::npos || gf_containsNoCase(text, name))
                return group.front();
        }
    }
    return std::nullopt;
}

bool gf_matchCodeNumberName(std::string_view name, std::string_view code, int& number, std::string_view text) {
    if (text.substr(0, code.size()) != code || text.size() < code.size())
        return false;
    const std::string_view rest = text.substr(code.size());
    int value = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (ec != std::errc() || end != rest.data() + rest.size()) {
        gf_logError(fmt::format("{} {} {} {}", name, code.empty() ? std::string(20, ' ') : std::string(code), text,
                                "invalid number"));
        return true;
    }
    number = value;
    return true;
}

} // namespace skf
