#include "tools/simstandin/Scenario.h"

#include "core/Units.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <type_traits>
#include <sstream>
#include <stdexcept>

namespace skf::standin {

namespace {

using nlohmann::json;

[[noreturn]] void bad(const std::string& what) {
    throw std::runtime_error("scenario: " + what);
}

// An integer field must hold a whole number that fits it: a cast of 1e30 or of -1 would give a
// meaningless (or undefined) value.
template <typename T>
bool fitsInteger(const json& v) {
    if (v.is_number_unsigned())
        return v.get<std::uint64_t>() <= static_cast<std::uint64_t>(std::numeric_limits<T>::max());
    if (v.is_number_integer()) {
        const auto i = v.get<std::int64_t>();
        if constexpr (std::is_signed_v<T>)
            return i >= std::numeric_limits<T>::min() && i <= std::numeric_limits<T>::max();
        else
            return i >= 0 && static_cast<std::uint64_t>(i) <= std::numeric_limits<T>::max();
    }
    if (v.is_number_float()) {
        const double d = v.get<double>();
        return std::isfinite(d) && d == std::floor(d) && d >= static_cast<double>(std::numeric_limits<T>::min()) &&
               d <= static_cast<double>(std::numeric_limits<T>::max());
    }
    return true; // not a number: the conversion below reports the wrong type
}

template <typename T>
void take(const json& j, const char* key, T& out) {
    auto it = j.find(key);
    if (it == j.end() || it->is_null())
        return;
    if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
        if (!fitsInteger<T>(*it))
            bad(std::string("field '") + key + "' is out of range");
    }
    if constexpr (std::is_same_v<T, std::vector<std::uint32_t>>) {
        if (it->is_array())
            for (const auto& e : *it)
                if (!fitsInteger<std::uint32_t>(e))
                    bad(std::string("field '") + key + "' is out of range");
    }
    try {
        out = it->get<T>();
    } catch (const json::exception&) {
        bad(std::string("field '") + key + "' has the wrong type");
    }
}

std::optional<double> takeAlt(const json& j) {
    auto it = j.find("alt");
    if (it == j.end() || it->is_null())
        return std::nullopt;
    if (it->is_string()) {
        if (it->get<std::string>() == "ground")
            return std::nullopt;
        bad("field 'alt' must be a number of feet or \"ground\"");
    }
    if (!it->is_number())
        bad("field 'alt' must be a number of feet or \"ground\"");
    return it->get<double>();
}

void checkLatLon(double lat, double lon, const char* where) {
    if (!std::isfinite(lat) || !std::isfinite(lon) || std::fabs(lat) > 90 || std::fabs(lon) > 180)
        bad(std::string("position out of range in ") + where);
}

} // namespace

double gf_standInDistanceNm(double lat1, double lon1, double lat2, double lon2) {
    constexpr double kEarthNm = 3437.74677;
    double dlat = (lat2 - lat1) * g_degToRad, dlon = (lon2 - lon1) * g_degToRad;
    double a = std::sin(dlat / 2) * std::sin(dlat / 2) +
               std::cos(lat1 * g_degToRad) * std::cos(lat2 * g_degToRad) * std::sin(dlon / 2) * std::sin(dlon / 2);
    return 2 * kEarthNm * std::asin(std::sqrt(std::min(1.0, a)));
}

Scenario gf_parseScenario(const json& j) {
    if (!j.is_object())
        bad("the file must hold one JSON object");
    Scenario s;
    take(j, "simulator", s.simulator);
    if (s.simulator != 2020 && s.simulator != 2024)
        bad("'simulator' must be 2020 or 2024");
    if (s.simulator == 2024)
        s.version = {12, 1, 282174, 999};
    if (j.contains("version")) {
        std::vector<std::uint32_t> v;
        take(j, "version", v);
        if (v.size() != 4)
            bad("'version' must hold four numbers");
        for (std::size_t i = 0; i < 4; ++i)
            s.version[i] = v[i];
    }
    take(j, "flightRunning", s.flightRunning);
    if (auto u = j.find("user"); u != j.end()) {
        if (!u->is_object())
            bad("'user' must be an object");
        take(*u, "title", s.userTitle);
        take(*u, "atcModel", s.userAtcModel);
        take(*u, "atcId", s.userAtcId);
        take(*u, "objectId", s.userObjectId);
    }
    take(j, "firstAiObjectId", s.firstAiObjectId);
    if (s.firstAiObjectId <= s.userObjectId)
        bad("'firstAiObjectId' must be above the user's object id");
    if (auto z = j.find("zulu"); z != j.end()) {
        if (!z->is_object())
            bad("'zulu' must be an object");
        take(*z, "year", s.zuluYear);
        take(*z, "dayOfYear", s.zuluDayOfYear);
        take(*z, "seconds", s.zuluSeconds);
        if (s.zuluDayOfYear < 1 || s.zuluDayOfYear > 366 || s.zuluSeconds < 0 || s.zuluSeconds >= 86400)
            bad("'zulu' out of range");
    }
    if (auto p = j.find("path"); p != j.end()) {
        if (!p->is_array())
            bad("'path' must be an array");
        for (const auto& w : *p) {
            if (!w.is_object())
                bad("every 'path' entry must be an object");
            Waypoint wp;
            take(w, "t", wp.t);
            take(w, "lat", wp.lat);
            take(w, "lon", wp.lon);
            wp.altFt = takeAlt(w);
            take(w, "heading", wp.headingDeg);
            take(w, "jump", wp.jump);
            take(w, "phase", wp.phase);
            checkLatLon(wp.lat, wp.lon, "'path'");
            if (!s.path.empty() && wp.t < s.path.back().t)
                bad("'path' times must not go back");
            s.path.push_back(wp);
        }
    }
    if (auto a = j.find("areas"); a != j.end()) {
        if (!a->is_array())
            bad("'areas' must be an array");
        for (const auto& e : *a) {
            if (!e.is_object())
                bad("every 'areas' entry must be an object");
            GroundArea g;
            take(e, "name", g.name);
            take(e, "lat", g.lat);
            take(e, "lon", g.lon);
            take(e, "radiusNm", g.radiusNm);
            take(e, "elevationFt", g.elevationFt);
            checkLatLon(g.lat, g.lon, "'areas'");
            s.areas.push_back(g);
        }
    }
    take(j, "installedTitles", s.installedTitles);
    take(j, "capacity", s.capacity);
    take(j, "confirmFrames", s.confirmFrames);
    take(j, "staticCgFt", s.staticCgFt);
    take(j, "staticPitchDeg", s.staticPitchDeg);
    if (auto f = j.find("foreign"); f != j.end()) {
        if (!f->is_array())
            bad("'foreign' must be an array");
        for (const auto& e : *f) {
            if (!e.is_object())
                bad("every 'foreign' entry must be an object");
            ForeignAircraft a;
            take(e, "atcId", a.atcId);
            take(e, "title", a.title);
            take(e, "lat", a.lat);
            take(e, "lon", a.lon);
            a.altFt = takeAlt(e);
            take(e, "heading", a.headingDeg);
            take(e, "speedKts", a.speedKts);
            take(e, "appearAt", a.appearAt);
            take(e, "removeAt", a.removeAt);
            checkLatLon(a.lat, a.lon, "'foreign'");
            s.foreign.push_back(a);
        }
    }
    return s;
}

Scenario gf_loadScenario(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in)
        throw std::runtime_error("scenario: cannot open " + file.string());
    std::stringstream text;
    text << in.rdbuf();
    json j;
    try {
        j = json::parse(text.str());
    } catch (const json::exception& e) {
        throw std::runtime_error("scenario: " + file.string() + " is not JSON: " + e.what());
    }
    return gf_parseScenario(j);
}

Scenario gf_defaultScenario() {
    Scenario s;
    // Parked at a stand of the D pier at Amsterdam Schiphol, then taxi, take-off and a short flight.
    s.areas.push_back({"EHAM", 52.3086, 4.7639, 6.0, -11.0});
    s.path = {
        {0, 52.30800, 4.76280, std::nullopt, 235, false, "parked"},
        {600, 52.30800, 4.76280, std::nullopt, 235, false, "parked"},
        {720, 52.30560, 4.77000, std::nullopt, 180, false, "taxi"},
        {900, 52.29200, 4.77700, std::nullopt, 180, false, "taxi"},
        {960, 52.31400, 4.78000, std::nullopt, 3, false, "take-off"},
        {1000, 52.33000, 4.78100, 1500.0, 3, false, "climb"},
        {1600, 52.60000, 4.90000, 9000.0, 20, false, "flight"},
    };
    s.foreign.push_back({"AS-GEN", "Generic Airliner", 52.30900, 4.76000, std::nullopt, 90, 0, 1, -1});
    s.foreign.push_back({"PH-BXA", "Boeing 737-800 KLM", 52.31500, 4.74000, 3000.0, 40, 220, 2, -1});
    return s;
}

} // namespace skf::standin
