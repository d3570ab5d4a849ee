#include "liveries/LiveryList.h"
#include "liveries/LiveryListInternal.h"

#include "core/Codes.h"
#include "core/Files.h"
#include "core/Log.h"
#include "core/Text.h"
#include "core/settings/Catalogue.h"
#include "core/settings/SettingsFile.h"
#include "data/StringPool.h"

#include <algorithm>
#include <fmt/format.h>
#include <limits>
#include <utility>
#include <vector>

namespace skf {

namespace {

// Two places, or two codes' texts (std::string_view compares like memcmp: unsigned bytes, the shorter of two
// equal prefixes first).
int lf_compareCodes(const std::vector<std::uint32_t>& places, std::string_view (*name)(std::uint16_t), std::uint16_t a,
                    std::uint16_t b) {
    if (places.empty())
        return name(a).compare(name(b));
    return places[a] < places[b] ? -1 : (places[b] < places[a] ? 1 : 0);
}

// The place of every id of the list's airlines (or models) in the byte order of their codes: a code has one id
// in its pool, so equal places are equal codes.
template <class IdOf>
std::vector<std::uint32_t> lf_codePlaces(const LiveryList& list, IdOf idOf, std::string_view (*name)(std::uint16_t)) {
    std::vector<std::uint32_t> rank(std::size_t{std::numeric_limits<std::uint16_t>::max()} + 1, 0);
    std::vector<std::pair<std::string_view, std::uint16_t>> codes;
    for (const LiveryData& livery : list) {
        std::uint32_t& seen = rank[idOf(livery)];
        if (seen == 0) {
            seen = 1;
            codes.emplace_back(name(idOf(livery)), idOf(livery));
        }
    }
    std::sort(codes.begin(), codes.end());
    for (std::size_t i = 0; i < codes.size(); ++i)
        rank[codes[i].second] = static_cast<std::uint32_t>(i);
    return rank;
}

} // namespace

int LiveryCodeOrder::airlines(std::uint16_t a, std::uint16_t b) const {
    return lf_compareCodes(airlinePlaces, &gf_operatorName, a, b);
}

int LiveryCodeOrder::models(std::uint16_t a, std::uint16_t b) const {
    return lf_compareCodes(modelPlaces, &gf_modelName, a, b);
}

LiveryCodeOrder lf_liveryCodeOrder(const LiveryList& list) {
    return {lf_codePlaces(
                list, [](const LiveryData& l) { return l.airline; }, &gf_operatorName),
            lf_codePlaces(
                list, [](const LiveryData& l) { return l.model; }, &gf_modelName)};
}

bool lf_compareLiveries(const LiveryData& a, const LiveryData& b, const LiveryCodeOrder& codes) {
    if (codes.airlines(a.airline, b.airline) < 0)
        return true;
    if (a.airline != b.airline)
        return false;
    if (codes.models(a.model, b.model) < 0)
        return true;
    if (a.model != b.model)
        return false;
    return a.title < b.title;
}

void gf_sortLiveries(LiveryList& list) {
    const LiveryCodeOrder codes = lf_liveryCodeOrder(list);
    list.sort([&codes](const LiveryData& a, const LiveryData& b) { // a stable merge sort
        return lf_compareLiveries(a, b, codes);
    });
}

std::size_t lf_removeDuplicateLiveries(LiveryList& list) {
    std::size_t removed = 0;
    auto current = list.begin();
    if (current == list.end())
        return 0;
    for (auto next = std::next(current); next != list.end();) {
        if (next->title == current->title && next->airline == current->airline && next->model == current->model &&
            next->regcode == current->regcode && next->cargo == current->cargo) {
            next = list.erase(next);
            ++removed;
        } else {
            current = next++;
        }
    }
    return removed;
}

bool lf_writeLiveriesScanned(const LiveryList& list, const std::filesystem::path& path) {
    if (list.empty())
        return true;
    pugi::xml_document document;
    MetaInfo meta;
    meta.version = gf_versionText(g_programVersion);
    meta.sim = g_simNumber.load();
    gf_writeMetaInfo(document, meta);
    pugi::xml_node root = document.child("root");
    if (!root) {
        gf_logError(fmt::format("Failed to write {}", gf_pathToUtf8(path)));
        return false;
    }
    pugi::xml_node liveries = root.append_child("liveries");
    for (const LiveryData& livery : list) {
        pugi::xml_node l = liveries.append_child("l");
        l.append_attribute("a").set_value(std::string(gf_operatorName(livery.airline)).c_str());
        l.append_attribute("m").set_value(std::string(gf_modelName(livery.model)).c_str());
        if (livery.cargo)
            l.append_attribute("c").set_value(true);
        l.append_attribute("t").set_value(livery.title.c_str());
        if (!livery.regcode.empty())
            l.append_attribute("r").set_value(livery.regcode.c_str());
    }
    // A save that fails leaves the older file in place; the caller keeps the scan switched on.
    if (!gf_saveXml(document, path)) {
        gf_logError(fmt::format("Failed to write {}", gf_pathToUtf8(path)));
        return false;
    }
    gf_log(fmt::format("{} liveries in {}", list.size(), gf_pathToUtf8(path)));
    return true;
}

namespace {

const char* lf_requiredAttribute(const pugi::xml_node& node, const char* name) {
    const pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute)
        throw UserErrorException(999, fmt::format("Missing required attribute '{}' in <{}>", name, node.name()));
    return attribute.value();
}

} // namespace

void lf_readLiveriesDocument(const pugi::xml_document& document, std::string_view pathText, LiveryList& list) {
    list.clear();
    (void)gf_readMetaInfo(document, false); // read as every data file is; none of its values is used
    const pugi::xml_node root = document.child("root");
    if (root) {
        const pugi::xml_node liveries = root.child("liveries");
        if (!liveries)
            throw UserErrorException(52, fmt::format("{} does not contain a <liveries> section", pathText));
        for (const pugi::xml_node& l : liveries.children()) {
            if (l.type() != pugi::node_element)
                continue;
            const char* airline = lf_requiredAttribute(l, "a");
            const char* model = lf_requiredAttribute(l, "m");
            const char* title = lf_requiredAttribute(l, "t");
            LiveryData livery;
            livery.title = title;
            livery.regcode = l.attribute("r").value();
            livery.airline = gf_internOperator(airline);
            livery.model = gf_internModel(model);
            livery.cargo = l.attribute("c").as_bool(false);
            list.push_back(std::move(livery));
        }
    }
    if (list.empty())
        throw UserErrorException(533, fmt::format("{} does not contain liveries", pathText));
    gf_sortLiveries(list);
    gf_log(fmt::format("{:5} liveries read from {}", list.size(), pathText));
}

void lf_readLiveriesScanned(LiveryList& list, const std::filesystem::path& path) {
    list.clear();
    const std::string pathText = gf_pathToUtf8(path);
    pugi::xml_document document;
    if (!gf_loadXml(document, path))
        throw UserErrorException(51, fmt::format("File {} not found", pathText));
    lf_readLiveriesDocument(document, pathText, list);
}

} // namespace skf
