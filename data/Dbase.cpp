#include "data/Dbase.h"
#include "data/DbaseInternal.h"
#include "core/Files.h"

#include "core/Codes.h"
#include "core/Log.h"
#include "core/Text.h"
#include "core/Units.h"
#include "core/WorkerPool.h"
#include "data/Crypto.h"
#include "core/settings/ProgramPaths.h"

#include <cmath>
#include <fmt/format.h>
#include <pugixml.hpp>

#include <algorithm>
#include <bit>
#include <cstring>
#include <deque>
#include <stdexcept>
#include <system_error>

namespace skf {

namespace {
DbaseTables s_dbase;
} // namespace

// Bound to members of tables of static storage: constant initialisation, valid before any constructor runs.
std::vector<DbaseRecord>& g_dbaseRecords = s_dbase.dbaseRecords;
std::set<std::string>& g_modelCodes = s_dbase.modelCodes;
std::set<std::string>& g_cargoModelCodes = s_dbase.cargoModelCodes;
std::set<std::uint16_t>& g_cargoModelIds = s_dbase.cargoModelIds;
std::set<std::uint16_t>& g_heavyModelIds = s_dbase.heavyModelIds;
std::set<std::uint16_t>& g_largeModelIds = s_dbase.largeModelIds;
std::set<std::uint16_t>& g_buzjetModelIds = s_dbase.buzjetModelIds;
std::set<std::uint16_t>& g_highPerfModelIds = s_dbase.highPerfModelIds;
std::set<std::uint16_t>& g_rotorcraftModelIds = s_dbase.rotorcraftModelIds;
std::set<std::string>& g_airlineCodes = s_dbase.airlineCodes;
std::set<std::string>& g_cargoOperatorCodes = s_dbase.cargoOperatorCodes;
std::set<std::uint16_t>& g_cargoOperatorIds = s_dbase.cargoOperatorIds;
std::set<std::string>& g_simaddonAirports = s_dbase.simaddonAirports;
std::vector<std::vector<std::string>>& g_publisherNames = s_dbase.publisherNames;
std::vector<std::vector<std::string>>& g_similarTypes = s_dbase.similarTypes;
std::map<std::string, double>& g_halfWingspanByCode = s_dbase.halfWingspanByCode;
std::array<double, kHalfWingspanSlots>& g_halfWingspans = s_dbase.halfWingspans;
double& g_maxHalfWingspan = s_dbase.maxHalfWingspan;
std::map<std::string, std::string>& g_modelFixes = s_dbase.modelFixes;
std::vector<PublisherAirports>& g_thirdparties20 = s_dbase.thirdparties20;
std::vector<PublisherAirports>& g_thirdparties24 = s_dbase.thirdparties24;
std::unordered_map<std::uint16_t, std::vector<std::uint16_t>>& g_similarModelsWithLiveries =
    s_dbase.similarModelsWithLiveries;
std::unordered_map<std::uint16_t, std::unordered_map<std::uint16_t, std::vector<std::uint16_t>>>&
    g_similarModelsByAirline = s_dbase.similarModelsByAirline;

DbaseTables& gf_dbaseTables() {
    return s_dbase;
}

namespace {

// Calls f(piece) for every trimmed piece of a comma list, empty pieces too (an empty text is one empty piece).
template <class F>
void lf_forEachPiece(std::string_view text, F&& f) {
    std::size_t start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        f(gf_trimPiece(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start)));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
}

// One required list section into a set of codes (UserErrorException 61 when it is missing or
// yields no code at all).
void lf_readCodeListSection(const pugi::xml_document& doc, const char* section, std::set<std::string>& codes,
                            const char* element, const char* attribute) {
    const pugi::xml_node root = doc.child("root");
    if (!root)
        throw UserErrorException(61, std::string("XML root missing: ") + "root");
    const pugi::xml_node sec = root.child(section);
    if (!sec)
        throw UserErrorException(61, std::string("Missing section: ") + section);
    bool any = false;
    for (const pugi::xml_node e : sec.children(element)) {
        const std::string_view text = e.attribute(attribute).value();
        if (text.empty())
            continue;
        for (std::string& word : gf_split(text, ',')) {
            codes.insert(std::move(word));
            any = true;
        }
    }
    if (!any)
        throw UserErrorException(61, fmt::format("In XML file section [{}], element [{}], attribute [{}] is empty.",
                                                 section, element, attribute));
}

void lf_readCodeListSection(const pugi::xml_document& doc, const char* section, std::set<std::string>& codes,
                            const char* element) {
    lf_readCodeListSection(doc, section, codes, element, "types");
}

void lf_readCodeListSectionCodes(const pugi::xml_document& doc, const char* section, std::set<std::string>& codes,
                                 const char* element) {
    lf_readCodeListSection(doc, section, codes, element, "codes");
}

void lf_readThirdparties(const pugi::xml_document& doc, const char* section, std::vector<PublisherAirports>& list,
                         const char* element) {
    const pugi::xml_node sec = doc.child("root").child(section);
    for (const pugi::xml_node e : sec.children(element)) {
        PublisherAirports entry;
        entry.publisher = e.attribute("pub").value();
        const std::string_view arpts = e.attribute("arpts").value();
        if (!arpts.empty())
            entry.airports = lf_splitCommaList(arpts);
        list.push_back(std::move(entry));
    }
}

void lf_internIds(const std::set<std::string>& codes, std::set<std::uint16_t>& ids) {
    ids.clear();
    for (const std::string& code : codes)
        ids.insert(gf_internModel(code));
}

void lf_readSimilarTypes(const pugi::xml_document& doc) {
    const pugi::xml_node sec = doc.child("root").child("similar_types");
    if (!sec)
        return;
    g_similarTypes.reserve(64);
    for (const pugi::xml_node e : sec.children("similar")) {
        std::vector<std::string> words = gf_split(e.attribute("types").value(), ',');
        std::sort(words.begin(), words.end());
        g_similarTypes.push_back(std::move(words));
    }
    g_similarTypes.shrink_to_fit();
}

void lf_readPublishers(const pugi::xml_document& doc) {
    const pugi::xml_node sec = doc.child("root").child("publishers");
    if (!sec)
        return;
    g_publisherNames.reserve(640);
    std::vector<std::string> texts;
    for (const pugi::xml_node e : sec.children("pub"))
        texts.emplace_back(e.attribute("names").value());
    std::sort(texts.begin(), texts.end());
    texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
    for (const std::string& t : texts)
        g_publisherNames.push_back(lf_splitCommaList(t));
    g_publisherNames.shrink_to_fit();
    gf_log(fmt::format("{:5} publishers", g_publisherNames.size()));
}

void lf_readWingspans(const pugi::xml_document& doc) {
    const pugi::xml_node sec = doc.child("root").child("wingspans");
    if (!sec)
        return;
    for (const pugi::xml_node e : sec.children("wingspan")) {
        const std::string type = e.attribute("type").value();
        if (type.empty() || !g_modelCodes.contains(type)) {
            gf_logError(fmt::format("wingspan model {} is not valid, skipped", type));
            continue;
        }
        const double half = e.attribute("meters").as_double() * 0.5 * g_metresToNm;
        // No number, NaN, infinite or not above zero: no wingspan (0 means "no entry" in the table).
        if (!std::isfinite(half) || half <= 0) {
            gf_logError(fmt::format("wingspan of model {} is not valid, skipped", type));
            continue;
        }
        g_halfWingspanByCode.emplace(type, half); // the first entry of a type wins
        g_maxHalfWingspan = std::max(g_maxHalfWingspan, half);
    }
    for (const auto& [code, half] : g_halfWingspanByCode)
        lf_storeHalfWingspan(code, half);
}

void lf_readFixes(const pugi::xml_document& doc) {
    const pugi::xml_node sec = doc.child("root").child("fixes");
    if (!sec)
        return;
    for (const pugi::xml_node e : sec.children("fx")) {
        const std::string wro = e.attribute("wro").value();
        const std::string cor = e.attribute("cor").value();
        if (cor.empty() || !g_modelCodes.contains(cor)) {
            gf_logError(fmt::format("wrong fix {} -> {}, the latter is not valid", wro, cor));
            continue;
        }
        if (!g_modelFixes.emplace(wro, cor).second)
            gf_logError(fmt::format("wrong part of fix: '{}', already exists, skipped", wro));
    }
    gf_log(fmt::format("{:5} fixes", g_modelFixes.size()));
}

// The first 16 bytes of a registration as two big-endian numbers (zero-padded), so that most
// comparisons are two integer compares instead of a string compare.
struct RegistrationKey {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
};

std::uint64_t lf_bigEndian(const unsigned char* bytes) {
    std::uint64_t v = 0;
    std::memcpy(&v, bytes, sizeof v);
    if constexpr (std::endian::native == std::endian::little)
        v = __builtin_bswap64(v);
    return v;
}

RegistrationKey lf_keyOf(std::string_view r) {
    unsigned char bytes[16] = {};
    std::memcpy(bytes, r.data(), std::min<std::size_t>(r.size(), 16));
    return {lf_bigEndian(bytes), lf_bigEndian(bytes + 8)};
}

// Orders by registration, bytewise, a proper prefix first.
template <class T>
bool lf_keyLess(const T& x, const T& y, std::string_view xr, std::string_view yr) {
    if (x.key.high != y.key.high)
        return x.key.high < y.key.high;
    if (x.key.low != y.key.low)
        return x.key.low < y.key.low;
    return xr < yr; // equal first 16 bytes: only longer registrations can still differ
}

// A record as read, before sorting; the registration text stays in the XML document.
struct PendingRecord {
    std::uint64_t high = 0; // the first 8 bytes of the registration, big-endian, zero-padded
    const char* registration = "";
    std::uint32_t length = 0;
    std::uint16_t airline = 0;
    std::uint16_t model = 0;
    std::uint16_t operatorId = 0;
    bool cargo = false;
    std::string_view text() const { return {registration, length}; }
};

// A record in the sort: the first 8 key bytes and what a record needs besides its text.
struct SortItem {
    std::uint64_t high;
    std::uint32_t index; // of the record as read
    std::uint16_t airline;
    std::uint16_t model;
    std::uint16_t operatorId;
    bool cargo;
    bool shortText; // at most 8 bytes: `high` holds the whole text
};

// The records sorted by registration: a stable radix sort of small items by their first 8 key
// bytes, where passes over bytes that are the same in every record are skipped; runs with the
// same first 8 bytes are then ordered by the rest of their registrations. Records with equal
// registrations keep their order in the file.
std::vector<SortItem> lf_sortedItems(const std::vector<PendingRecord>& records) {
    const std::size_t n = records.size();
    std::vector<SortItem> items(n);
    std::array<std::array<std::uint32_t, 256>, 8> counts{};
    for (std::size_t i = 0; i < n; ++i) {
        const PendingRecord& r = records[i];
        items[i] = {r.high, static_cast<std::uint32_t>(i), r.airline, r.model, r.operatorId, r.cargo, r.length <= 8};
        for (std::size_t pass = 0; pass < 8; ++pass)
            ++counts[pass][(r.high >> (8 * pass)) & 0xFF];
    }
    std::vector<SortItem> buffer(n);
    for (std::size_t pass = 0; pass < 8 && n > 1; ++pass) {
        auto& count = counts[pass];
        if (count[(items[0].high >> (8 * pass)) & 0xFF] == n)
            continue; // every record has the same byte here
        std::uint32_t offset = 0;
        for (std::uint32_t& c : count) {
            const std::uint32_t here = c;
            c = offset;
            offset += here;
        }
        for (const SortItem& it : items)
            buffer[count[(it.high >> (8 * pass)) & 0xFF]++] = it;
        items.swap(buffer);
    }
    for (std::size_t i = 0; i < n;) {
        std::size_t j = i + 1;
        bool longer = !items[i].shortText;
        while (j < n && items[j].high == items[i].high) {
            longer = longer || !items[j].shortText;
            ++j;
        }
        if (longer) // the same first 8 bytes and longer texts: order by the rest
            std::stable_sort(items.begin() + static_cast<std::ptrdiff_t>(i),
                             items.begin() + static_cast<std::ptrdiff_t>(j),
                             [&records](const SortItem& x, const SortItem& y) {
                                 return records[x.index].text() < records[y.index].text();
                             });
        i = j;
    }
    return items;
}

// A small direct-mapped cache in front of a pool for codes of up to 8 bytes: the registrations
// repeat a few hundred codes hundreds of thousands of times.
class CodeCache {
public:
    explicit CodeCache(StringPool& pool) : m_pool(pool), m_slots(1u << 12) {}
    std::uint16_t intern(const char* code) {
        // Up to 8 bytes of the code, packed; codes hold no NUL byte, so the zero fill keeps
        // lengths apart. Longer codes go to the pool. (Packed by shifts: no round trip through
        // memory on the way to the table.)
        std::uint64_t packed = 0;
        std::size_t length = 0;
        for (; length < 8 && code[length] != '\0'; ++length)
            packed |= static_cast<std::uint64_t>(static_cast<unsigned char>(code[length])) << (8 * length);
        if (length == 0)
            return 0; // the empty code is always id 0
        if (length == 8 && code[8] != '\0')
            return m_pool.intern(code);
        Slot& slot = m_slots[(packed * 0x9E3779B97F4A7C15ULL) >> 52];
        if (slot.used && slot.code == packed)
            return slot.id;
        slot = {packed, m_pool.intern(std::string_view(code, length)), true};
        return slot.id;
    }

private:
    struct Slot {
        std::uint64_t code = 0;
        std::uint16_t id = 0;
        bool used = false;
    };
    StringPool& m_pool;
    std::vector<Slot> m_slots;
};

// The XML library's reading of a boolean attribute: true when it begins with 1, t, T, y or Y.
bool lf_asBool(const char* text) {
    const char c = text[0];
    return c == '1' || c == 't' || c == 'T' || c == 'y' || c == 'Y';
}

// What one `d` element holds, as texts of the document: registration, airline, model, operator
// and cargo (empty texts for missing attributes; the first of a name counts, as for a lookup by
// name), with the first 8 bytes of the registration and its length.
struct RawRecord {
    const char* values[5];
    std::uint64_t high;
    std::uint32_t length;
};

void lf_readRawRecord(const pugi::xml_node& e, RawRecord& raw) {
    static const char kEmpty[] = "";
    for (const char*& v : raw.values)
        v = kEmpty;
    unsigned seen = 0;
    for (pugi::xml_attribute a = e.first_attribute(); a; a = a.next_attribute()) {
        const char* name = a.name();
        if (name[0] == '\0' || name[1] != '\0')
            continue;
        unsigned slot = 5;
        switch (name[0]) {
        case 'r':
            slot = 0;
            break;
        case 'a':
            slot = 1;
            break;
        case 'm':
            slot = 2;
            break;
        case 'o':
            slot = 3;
            break;
        case 'c':
            slot = 4;
            break;
        default:
            break;
        }
        if (slot < 5 && !(seen & (1u << slot))) {
            seen |= 1u << slot;
            raw.values[slot] = a.value();
        }
    }
    // The first 8 key bytes and the length in one pass over the text.
    const char* r = raw.values[0];
    std::uint64_t high = 0;
    std::uint32_t length = 0;
    for (; length < 8 && r[length] != '\0'; ++length)
        high |= static_cast<std::uint64_t>(static_cast<unsigned char>(r[length])) << (56 - 8 * length);
    if (length == 8)
        length += static_cast<std::uint32_t>(std::strlen(r + 8));
    raw.high = high;
    raw.length = length;
}

// The elements of the record section in blocks, with what each holds.
struct RawBlock {
    std::vector<pugi::xml_node> elements;
    std::vector<RawRecord> raw;
};

void lf_readRawBlock(RawBlock& block) {
    block.raw.resize(block.elements.size());
    for (std::size_t i = 0; i < block.elements.size(); ++i)
        lf_readRawRecord(block.elements[i], block.raw[i]);
}

// Reads the attributes of all elements, in blocks in document order. The walk over the elements hands each
// full block to a pool of up to three workers, which only read the document and their own block; the last
// block is read here. The pool is joined before the blocks go, whatever way this ends.
std::deque<RawBlock> lf_readRawRecords(const pugi::xml_node& sec) {
    constexpr std::size_t kBlockElements = 16384;
    std::deque<RawBlock> blocks; // a block never moves once there
    std::vector<std::future<void>> read;
    WorkerPool pool(std::min(3, gf_hardwareWorkers() - 1));
    RawBlock current;
    current.elements.reserve(kBlockElements);
    for (pugi::xml_node e = sec.child("d"); e; e = e.next_sibling("d")) {
        current.elements.push_back(e);
        if (current.elements.size() == kBlockElements) {
            RawBlock& full = blocks.emplace_back(std::move(current));
            try {
                read.push_back(pool.submit([&full] { lf_readRawBlock(full); }));
            } catch (const std::system_error&) {
                lf_readRawBlock(full); // no thread to be had: read here
            }
            current = RawBlock();
            current.elements.reserve(kBlockElements);
        }
    }
    lf_readRawBlock(blocks.emplace_back(std::move(current)));
    for (std::future<void>& f : read)
        gf_awaitWorker(f, kWorkerWait);
    return blocks;
}

void lf_readRecords(const pugi::xml_document& doc) {
    const pugi::xml_node sec = doc.child("root").child("dbase");
    std::vector<PendingRecord> pending;
    {
        const std::deque<RawBlock> blocks = lf_readRawRecords(sec);
        std::size_t count = 0;
        for (const RawBlock& block : blocks)
            count += block.raw.size();
        CodeCache operators(g_operatorPool);
        CodeCache models(g_modelPool);
        pending.reserve(std::max<std::size_t>(60000, count));
        for (const RawBlock& block : blocks) {
            for (const RawRecord& r : block.raw) {
                PendingRecord rec;
                rec.high = r.high;
                rec.registration = r.values[0];
                rec.length = r.length;
                // Airline, model, operator in this order, whatever the order of the attributes,
                // and the records in document order: new codes get their ids in this order.
                rec.airline = operators.intern(r.values[1]);
                rec.model = models.intern(r.values[2]);
                rec.operatorId = operators.intern(r.values[3]);
                rec.cargo = lf_asBool(r.values[4]);
                pending.push_back(rec);
            }
        }
    }
    const std::vector<SortItem> items = lf_sortedItems(pending);
    const auto same = [&pending](const SortItem& x, const SortItem& y) {
        if (x.high != y.high || x.shortText != y.shortText)
            return false;
        return x.shortText || pending[x.index].text() == pending[y.index].text();
    };

    // One record per registration (the first of equal ones in the sorted order).
    std::size_t unique = 0;
    for (std::size_t i = 0; i < items.size(); ++i)
        unique += i == 0 || !same(items[i - 1], items[i]);
    const bool hadRecords = !g_dbaseRecords.empty();
    g_dbaseRecords.reserve(g_dbaseRecords.size() + unique);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const SortItem& it = items[i];
        if (i > 0 && same(items[i - 1], it))
            continue;
        DbaseRecord& rec = g_dbaseRecords.emplace_back();
        if (it.shortText) { // the key holds the text: no second visit to the document
            char text[8];
            std::size_t length = 0;
            for (; length < 8; ++length) {
                text[length] = static_cast<char>(it.high >> (56 - 8 * length));
                if (text[length] == '\0')
                    break;
            }
            rec.registration.assign(text, length);
        } else {
            rec.registration.assign(pending[it.index].text());
        }
        rec.airline = it.airline;
        rec.model = it.model;
        rec.operatorId = it.operatorId;
        rec.cargo = it.cargo;
    }
    pending = {};
    if (hadRecords) // records read before: merge them into the order
        lf_sortDbaseRecords();
    g_dbaseRecords.shrink_to_fit();
    gf_logFlushed(fmt::format("{:5} dbase records read", g_dbaseRecords.size()));
}

} // namespace

std::vector<std::string> lf_splitCommaList(std::string_view text) {
    std::vector<std::string> pieces;
    lf_forEachPiece(text, [&](std::string_view p) { pieces.emplace_back(p); });
    return pieces;
}

void lf_sortDbaseRecords() {
    std::vector<DbaseRecord>& records = g_dbaseRecords;
    const auto less = [](const DbaseRecord& x, const DbaseRecord& y) { return x.registration < y.registration; };
    if (std::is_sorted(records.begin(), records.end(), less)) {
        const auto last = std::unique(records.begin(), records.end(), [](const DbaseRecord& x, const DbaseRecord& y) {
            return x.registration == y.registration;
        });
        records.erase(last, records.end());
        return;
    }
    struct Indexed {
        RegistrationKey key;
        std::uint32_t index = 0;
    };
    std::vector<Indexed> keys;
    keys.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        keys.push_back({lf_keyOf(records[i].registration), static_cast<std::uint32_t>(i)});
    // Stable, so that of a repeated registration the file's first record stays, as in a sorted file.
    std::stable_sort(keys.begin(), keys.end(), [&](const Indexed& x, const Indexed& y) {
        return lf_keyLess(x, y, records[x.index].registration, records[y.index].registration);
    });
    std::vector<DbaseRecord> sorted;
    sorted.reserve(records.size());
    for (const Indexed& k : keys) {
        DbaseRecord& r = records[k.index];
        if (!sorted.empty() && sorted.back().registration == r.registration)
            continue; // one record per registration
        sorted.push_back(std::move(r));
    }
    records = std::move(sorted);
}

void lf_storeHalfWingspan(const std::string& code, double halfSpan) {
    const std::uint16_t id = gf_internModel(code);
    try {
        g_halfWingspans.at(id) = halfSpan;
    } catch (const std::out_of_range& e) {
        gf_logError(fmt::format("wsp fill what: {}", e.what()));
    }
}

namespace {

// Reads the sections of a parsed (or failed) document and removes the plain file.
bool lf_readDocument(const pugi::xml_document& doc, const pugi::xml_parse_result& parsed,
                     const std::filesystem::path& xmlPath) {
    if (!parsed) {
        // Never run on an empty database: the caller stops the start-up on false.
        gf_logError(fmt::format("'{}' not read because of {}", xmlPath.string(), parsed.description()));
        gf_removeIfExists(xmlPath);
        return false;
    }
    try {
        lf_readCodeListSection(doc, "aircrafts", g_modelCodes, "aircraft");
        gf_log(fmt::format("\n{:5} ICAO model codes", g_modelCodes.size()));
        lf_readCodeListSection(doc, "cargo_types", g_cargoModelCodes, "cargo_type");

        gf_internModel("");
        for (const std::string& code : g_modelCodes)
            gf_internModel(code);
        for (const std::string& code : g_cargoModelCodes)
            g_cargoModelIds.insert(gf_internModel(code));

        std::set<std::string> heavy, large, buzjet, highPerf, rotorcraft;
        lf_readCodeListSection(doc, "heavy", heavy, "hvy");
        lf_readCodeListSection(doc, "large", large, "lar");
        lf_readCodeListSection(doc, "buzjet", buzjet, "bzj");
        lf_readCodeListSection(doc, "high_performance", highPerf, "hpf");
        lf_readCodeListSection(doc, "rotorcraft", rotorcraft, "rot");
        lf_internIds(heavy, g_heavyModelIds);
        lf_internIds(large, g_largeModelIds);
        lf_internIds(buzjet, g_buzjetModelIds);
        lf_internIds(highPerf, g_highPerfModelIds);
        lf_internIds(rotorcraft, g_rotorcraftModelIds);

        lf_readSimilarTypes(doc);

        lf_readCodeListSectionCodes(doc, "ICAO_airlines", g_airlineCodes, "ICAO");
        gf_log(fmt::format("{:5} ICAO airline codes", g_airlineCodes.size()));
        lf_readCodeListSectionCodes(doc, "cargo_operators", g_cargoOperatorCodes, "ICAO");
        gf_log(fmt::format("{:5} cargo operators", g_cargoOperatorCodes.size()));

        gf_internOperator("");
        for (const std::string& code : g_airlineCodes)
            gf_internOperator(code);
        for (const std::string& code : g_cargoOperatorCodes)
            gf_internOperator(code);
        for (const std::string& code : g_cargoOperatorCodes)
            g_cargoOperatorIds.insert(gf_internOperator(code));

        lf_readPublishers(doc);
        lf_readWingspans(doc);
        lf_readFixes(doc);
        lf_readCodeListSection(doc, "simaddons20", g_simaddonAirports, "simaddon20", "arpts");
        g_thirdparties20.reserve(600);
        lf_readThirdparties(doc, "thirdparties20", g_thirdparties20, "thirdpartie20");
        g_thirdparties24.reserve(300);
        lf_readThirdparties(doc, "thirdparties24", g_thirdparties24, "thirdpartie24");
        lf_readRecords(doc);
    } catch (...) {
        gf_removeIfExists(xmlPath);
        throw;
    }
    gf_removeIfExists(xmlPath);
    return true;
}

} // namespace

bool gf_readDbaseXml(const std::filesystem::path& xmlPath) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = gf_loadXml(doc, xmlPath);
    return lf_readDocument(doc, parsed, xmlPath);
}

bool gf_readDbase() {
    // The plain file is written as always, but parsed from the decrypted text in memory rather
    // than read back from disk. A damaged file is moved aside for the next start to download again.
    PlainText plain;
    if (const auto problem = gf_decryptDataFile(g_dbaseEncPath, g_dbaseXmlPath, &plain))
        throw std::runtime_error(*problem);
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer_inplace(plain.data.get(), plain.size);
    return lf_readDocument(doc, parsed, g_dbaseXmlPath);
}

void gf_clearDbase() {
    s_dbase = DbaseTables{};
    g_operatorPool.clear();
    g_modelPool.clear();
}

} // namespace skf
