#include "data/Airports.h"
#include "data/AirportsInternal.h"
#include "core/Files.h"

#include "core/Log.h"
#include "data/Crypto.h"
#include "core/settings/ProgramPaths.h"

#include <cmath>
#include <fmt/format.h>
#include <pugixml.hpp>

#include <algorithm>
#include <stdexcept>

namespace skf {

namespace {

AirportTable s_table;

char lf_upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

} // namespace

// Bound to members of a state of static storage: constant initialisation, valid before any constructor runs.
std::vector<Airport>& g_airports = s_table.airports;
std::unordered_set<FixedCode<4>>& g_airportCodes = s_table.codes;

AirportTable& gf_airportTable() {
    return s_table;
}

std::string lf_readAirportsErrorText(std::string_view what) {
    return fmt::format("{} exception : {}", "gf_readAirports", what);
}

void lf_readAirportElement(const pugi::xml_node& ap, const FixedCode<4>& icao) {
    const pugi::xml_attribute i = ap.attribute("i");
    const pugi::xml_attribute la = ap.attribute("la");
    const pugi::xml_attribute lo = ap.attribute("lo");
    const pugi::xml_attribute a = ap.attribute("a");
    const pugi::xml_attribute s = ap.attribute("s");
    if (!la || !lo) {
        gf_logError(fmt::format("Missing latLons for airport '{}'", icao.view()));
        return;
    }
    if (!a) {
        gf_logError(fmt::format("Missing alt for airport '{}'", icao.view()));
        return;
    }
    if (!s)
        gf_logError(fmt::format("Missing stands for airport '{}'", icao.view()));
    const double latitude = la.as_double();
    const double longitude = lo.as_double();
    const float altitude = a.as_float();
    // NaN, infinite or beyond the poles / the date line: no usable position.
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || std::fabs(latitude) > 90 ||
        std::fabs(longitude) > 180 || !std::isfinite(altitude)) {
        gf_logError(fmt::format("Invalid latLon or alt for airport '{}'", icao.view()));
        return;
    }
    Airport rec;
    rec.icao = icao;
    rec.stands = s.as_int();
    rec.altitude = altitude;
    rec.latitude = latitude;
    rec.longitude = longitude;
    try {
        rec.iata = i ? FixedCode<3>(i.value()) : kNoIata;
        g_airports.push_back(rec);
        g_airportCodes.insert(icao);
    } catch (const std::exception& e) {
        gf_log(fmt::format("Error storing airport '{}' '{}': {}", icao.view(), i.value(), e.what()));
    }
}

bool gf_readAirports() {
    if (s_table.loaded)
        return !g_airports.empty();
    const std::filesystem::path& encPath = g_airportsEncPath;
    const std::filesystem::path& xmlPath = g_airportsXmlPath;
    // A missing or damaged file is named as such (a damaged one is moved aside, for the next start to
    // download it again), not as the plain file that was never written.
    if (const auto problem = gf_decryptDataFile(encPath, xmlPath)) {
        gf_logError(lf_readAirportsErrorText(*problem));
        throw UserErrorException(88, *problem);
    }
    try {
        // A read after a failed one starts afresh instead of adding the same airports again.
        g_airports.clear();
        g_airportCodes.clear();
        if (g_airports.capacity() < 15000)
            g_airports.reserve(15000);
        pugi::xml_document doc;
        const pugi::xml_parse_result parsed = gf_loadXml(doc, xmlPath);
        if (!parsed) {
            gf_removeIfExists(xmlPath);
            throw std::runtime_error(fmt::format("{} not loaded: {}", xmlPath.string(), parsed.description()));
        }
        const pugi::xml_node airports = doc.child("root").child("airports");
        if (!airports) {
            gf_removeIfExists(xmlPath);
            throw std::runtime_error("Missing <airports> root in: " + xmlPath.string());
        }
        for (const pugi::xml_node ap : airports.children("ap")) {
            const FixedCode<4> icao(ap.attribute("c").value()); // a bad code fails the whole read
            lf_readAirportElement(ap, icao);
        }
        std::sort(g_airports.begin(), g_airports.end(),
                  [](const Airport& x, const Airport& y) { return x.icao < y.icao; });
        gf_log(fmt::format("{:5} airports read", g_airports.size()));
        gf_removeIfExists(xmlPath);
        g_airports.shrink_to_fit();
    } catch (const std::exception& e) {
        gf_removeIfExists(xmlPath);
        throw UserErrorException(88, e.what());
    }
    s_table.loaded = true;
    return !g_airports.empty();
}

bool gf_isKnownAirport(const FixedCode<4>& icao) {
    return g_airportCodes.contains(icao);
}

std::optional<FixedCode<4>> gf_findAirportByPrefix(std::string_view text) {
    if (text.size() < 4)
        return std::nullopt;
    char code[4];
    for (std::size_t k = 0; k < 4; ++k)
        code[k] = lf_upper(text[k]);
    const std::string_view wanted(code, 4);
    for (const Airport& a : g_airports)
        if (!a.icao.empty() && a.icao.view() == wanted)
            return a.icao;
    return std::nullopt;
}

std::optional<FixedCode<4>> gf_findAirportInFileName(const std::filesystem::path& path) {
    std::string text = path.string();
    for (char& c : text)
        c = lf_upper(c);
    // Every "-XXXX-" in the text that is a known code; the first in table order is the smallest.
    std::optional<FixedCode<4>> found;
    for (std::size_t p = text.find('-'); p != std::string::npos && p + 5 < text.size(); p = text.find('-', p + 1)) {
        if (text[p + 5] != '-')
            continue;
        const std::string_view candidate(text.data() + p + 1, 4);
        bool valid = true;
        for (char c : candidate)
            valid = valid && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'));
        if (!valid)
            continue;
        const FixedCode<4> code(candidate);
        if (g_airportCodes.contains(code) && (!found || code < *found))
            found = code;
    }
    return found;
}

std::string gf_airportCodeText(const Airport& airport) {
    std::string text = airport.icao.empty() ? std::string("?") : airport.icao.str();
    if (!airport.iata.empty() && airport.iata != kNoIata) // an empty record has no IATA code either
        text += fmt::format(" ({})", airport.iata.view());
    return text;
}

void gf_resetAirports() {
    s_table = AirportTable{};
}

} // namespace skf
