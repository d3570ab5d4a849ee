#include "airportscan/BglAirports.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include <fmt/format.h>
#include <gsl/narrow>

#include "airportscan/AirportLinking.h"
#include "airportscan/PublisherLookup.h"
#include "airportscan/ScanLog.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "core/Text.h"
#include "data/Airports.h"

namespace skf {

namespace fs = std::filesystem;

namespace {

constexpr std::int32_t kLowestAirportFeet = -1500;
constexpr std::int32_t kHighestAirportFeet = 16000;

void lf_writeNotes(const std::vector<BglNote>& notes) {
    for (const BglNote& note : notes) {
        switch (note.kind) {
        case BglNote::Kind::ScanLog:
            lf_scanLog(note.text);
            break;
        case BglNote::Kind::LogWarning:
            gf_logError(note.text);
            break;
        case BglNote::Kind::LogPlain:
            gf_logFlushed(note.text);
            break;
        }
    }
}

// The publisher of the file, looked up once for all its airports (the lines are written for each).
class PublisherCache {
public:
    explicit PublisherCache(const fs::path& path) : m_path(path) {}
    const PublisherLookup& get() {
        if (!m_lookup)
            m_lookup = lf_lookupPublisher(m_path);
        return *m_lookup;
    }

private:
    const fs::path& m_path;
    std::optional<PublisherLookup> m_lookup;
};

void lf_processAirportRecord(const BglWords& words, const BglAirportRecord& record, const FixedCode<4>& icao,
                             const fs::path& path, PublisherCache& publisher) {
    Apf apf;
    apf.icao = icao;
    int archived = 0;
    const bool linked = lf_linkAirport(apf, archived, path, publisher.get());
    if (!g_simIs2020.load() && linked)
        return;
    const BglAirportStands decoded = gf_decodeBglAirport(words, record, apf.BGLpath);
    apf.altitude = lf_airportAltitudeFeet(decoded.altitudeMm);
    apf.airport_name.clear();
    lf_writeNotes(decoded.notes);
    apf.stands.reserve(decoded.stands.size());
    for (const BglStand& s : decoded.stands)
        apf.stands.emplace_back(s.id, std::vector<StandOpt>{}, s.latitude, s.longitude, s.heading, s.radiusMetres,
                                s.cargo, s.ramp, s.heli);
    if (decoded.error)
        throw std::out_of_range(*decoded.error);
    const auto count = static_cast<std::int64_t>(apf.stands.size());
    const bool moreThanArchived = archived < count && apf.publisher != "simaddon";
    if (moreThanArchived)
        lf_scanLog(fmt::format("===> {} has {} parkpos while archived one has {}", icao.view(), count, archived));
    if (!linked || moreThanArchived)
        lf_generateAirportFile(apf, decoded.helipadCounter);
}

bool lf_stopping(const std::stop_token& stop) {
    return stop.stop_requested() || g_stopRun.load() || g_shutDown.load();
}

void lf_decodeFile(const fs::path& path, const std::stop_token& stop) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return;
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const BglWords words(bytes);
    const BglRecords found = gf_scanBglRecords(words);
    lf_writeNotes(found.notes);
    PublisherCache publisher(path);
    for (const BglAirportRecord& record : found.records) {
        if (lf_stopping(stop))
            return;
        const ScanLogBatch batch; // the lines of one airport stay together
        if (record.id == kBglNewAirportId) {
            if (!g_simIs2020.load())
                lf_reportNotRecognisedAirport(path);
            continue;
        }
        if (!record.ident)
            continue;
        const auto [code, outcome] = lf_checkScanIcao(*record.ident);
        if (outcome == ScanIcaoOutcome::Accepted)
            lf_processAirportRecord(words, record, FixedCode<4>(code), path, publisher);
    }
    if (found.error)
        throw std::out_of_range(*found.error);
}

} // namespace

bool lf_hasAirportSection(const fs::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return false;
    const std::streamoff end = in.tellg();
    if (end < 0)
        return false;
    const auto size = static_cast<std::uint64_t>(end);
    if (size < kBglHeaderSize + 1)
        return false;
    // The header and at most the section table that fits in the file.
    std::vector<unsigned char> head(kBglHeaderSize);
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size())))
        return false;
    const std::uint32_t count = std::uint32_t{head[20]} | (std::uint32_t{head[21]} << 8) |
                                (std::uint32_t{head[22]} << 16) | (std::uint32_t{head[23]} << 24);
    const std::uint64_t table =
        std::min<std::uint64_t>(std::uint64_t{count} * kBglSectionEntrySize, size - kBglHeaderSize);
    head.resize(kBglHeaderSize + static_cast<std::size_t>(table));
    in.read(reinterpret_cast<char*>(head.data() + kBglHeaderSize), static_cast<std::streamsize>(table));
    head.resize(kBglHeaderSize + static_cast<std::size_t>(in.gcount()));
    return gf_bglHasAirportSection(head, size);
}

std::pair<std::string, ScanIcaoOutcome> lf_checkScanIcao(std::string text) {
    if (text.size() != 3 && text.size() != 4)
        return {std::move(text), ScanIcaoOutcome::NoAirportCode};
    gf_toUpper(text);
    if (text.size() == 3)
        return {std::move(text), ScanIcaoOutcome::NoAirportCode};
    const FixedCode<4> code(text);
    if (gf_isKnownAirport(code))
        return {std::move(text), ScanIcaoOutcome::Accepted};
    lf_scanLog(fmt::format("{} is not an airport supported by RealTraffic ", text));
    return {std::move(text), ScanIcaoOutcome::NotListed};
}

std::int32_t lf_airportAltitudeFeet(std::int32_t millimetres) {
    const auto feet = gsl::narrow<std::int32_t>(std::round(static_cast<double>(millimetres) * 3.2808399 / 1000.0));
    return feet < kLowestAirportFeet || feet > kHighestAirportFeet ? 0 : feet;
}

void lf_processBGLfile(const fs::path& path, std::stop_token stop) {
    struct SlotGuard {
        ~SlotGuard() { --g_activeWorkers; }
    } slot;
    try {
        lf_decodeFile(path, stop);
    } catch (const std::exception& e) {
        gf_logError(fmt::format("Exception in lf_processBGLfile (std::ex): {} \x97 {}", gf_pathToUtf8(path), e.what()));
        throw;
    } catch (...) {
        gf_logError(fmt::format("Exception in lf_processBGLfile: {}", gf_pathToUtf8(path)));
        throw;
    }
}

} // namespace skf
