#include "tools/simstandin/SceneMap.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <stdexcept>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "core/Files.h"
#include "core/Units.h"

namespace skf::standin {

namespace {

std::atomic<bool> g_mapRequested{false};

void lf_onMapSignal(int) {
    g_mapRequested = true;
}

const char* lf_roleName(MapRole role) {
    switch (role) {
    case MapRole::User:
        return "user";
    case MapRole::Live:
        return "live";
    case MapRole::Static:
        return "static";
    case MapRole::Foreign:
        return "sim-own";
    }
    return "?";
}

double lf_groundFt(const Scenario& s, double lat, double lon) {
    for (const auto& a : s.areas)
        if (gf_standInDistanceNm(lat, lon, a.lat, a.lon) <= a.radiusNm)
            return a.elevationFt;
    return 0.0;
}

double lf_headingDeg(double radians) {
    double deg = std::fmod(radians * 180.0 / g_pi, 360.0);
    return deg < 0 ? deg + 360.0 : deg;
}

// A number attribute, NaN when it is missing or not wholly a number.
double lf_attributeNumber(const pugi::xml_node& node, const char* name) {
    const char* text = node.attribute(name).as_string();
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    return end == text || *end != '\0' ? std::numeric_limits<double>::quiet_NaN() : value;
}

} // namespace

MapAirport gf_readMapAirport(const std::filesystem::path& file) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_file(file.c_str());
    if (!parsed)
        throw std::runtime_error(
            fmt::format("airport file {}: not readable as XML ({})", file.string(), parsed.description()));
    MapAirport airport;
    airport.icao = file.stem().string();
    for (const auto& p : doc.select_nodes("//parkpositions/parkpos")) {
        const pugi::xml_node n = p.node();
        MapStand s;
        s.name = n.attribute("id").as_string();
        s.lat = lf_attributeNumber(n, "latitude");
        s.lon = lf_attributeNumber(n, "longitude");
        if (s.name.empty() || !std::isfinite(s.lat) || !std::isfinite(s.lon) || std::abs(s.lat) > 90 ||
            std::abs(s.lon) > 180)
            continue;
        airport.stands.push_back(std::move(s));
    }
    if (airport.stands.empty())
        throw std::runtime_error(fmt::format("airport file {}: no stand with a name and a position", file.string()));
    return airport;
}

double gf_mapSeconds(const std::string& text) {
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(seconds) || seconds < 0)
        throw std::runtime_error("--map-every needs a number of seconds (0 or more), not '" + text + "'");
    return seconds;
}

std::vector<MapEntry> gf_sceneMapEntries(const std::vector<SimObjectState>& objects, const Scenario& scenario,
                                         const MapAirport* airport) {
    std::vector<MapEntry> entries;
    entries.reserve(objects.size());
    for (const auto& o : objects) {
        MapEntry e;
        e.object = o;
        switch (o.kind) {
        case ObjectKind::User:
            e.role = MapRole::User;
            break;
        case ObjectKind::Foreign:
            e.role = MapRole::Foreign;
            break;
        case ObjectKind::Ai:
            e.role = o.positionSets > 1 ? MapRole::Live : MapRole::Static;
            break;
        }
        e.aglFt = o.altFt - lf_groundFt(scenario, o.lat, o.lon);
        // An AI object's reference point rests its static CG above the ground.
        e.onGround = e.aglFt <= (o.kind == ObjectKind::Ai ? o.staticCgFt : 0.0) + 0.5;
        if (e.onGround && airport) {
            double best = std::numeric_limits<double>::max();
            for (const auto& s : airport->stands) {
                const double m = gf_standInDistanceNm(o.lat, o.lon, s.lat, s.lon) * g_nmToMetres;
                if (m < best) {
                    best = m;
                    e.stand = s.name;
                }
            }
            if (best > kMapStandRangeM)
                e.stand.clear();
            else
                e.standM = best;
        }
        entries.push_back(std::move(e));
    }
    std::stable_sort(entries.begin(), entries.end(), [](const MapEntry& a, const MapEntry& b) {
        if (a.role != b.role)
            return a.role < b.role;
        return a.object.atcId < b.object.atcId;
    });
    return entries;
}

std::string gf_sceneMapText(const std::vector<SimObjectState>& objects, const Scenario& scenario,
                            const MapAirport* airport, std::uint64_t frame) {
    const auto entries = gf_sceneMapEntries(objects, scenario, airport);
    std::size_t count[4] = {};
    for (const auto& e : entries)
        ++count[static_cast<int>(e.role)];
    std::string out = fmt::format("Simulator stand-in at frame {} ({:.1f} s): {} user aircraft, {} live, {} static "
                                  "AI objects, {} of the simulator's own\n",
                                  frame, static_cast<double>(frame) / 30.0, count[0], count[1], count[2], count[3]);
    if (airport)
        out += fmt::format("Airport {}: {} stands; on the ground the nearest stand within {:.0f} m is shown\n",
                           airport->icao, airport->stands.size(), kMapStandRangeM);
    else
        out += "No airport file: positions only\n";
    out += fmt::format("\n{:<8} {:>6} {:<10} {:>10} {:>11} {:>9} {:>4}  {:<14} {}\n", "role", "id", "atc id", "lat",
                       "lon", "altitude", "hdg", "stand", "title");
    for (const auto& e : entries) {
        const auto& o = e.object;
        const std::string alt = e.onGround ? std::string("ground") : fmt::format("{:.0f} ft", o.altFt);
        const std::string stand = e.stand.empty() ? std::string("-") : fmt::format("{} ({:.0f} m)", e.stand, e.standM);
        out +=
            fmt::format("{:<8} {:>6} {:<10} {:>10.6f} {:>11.6f} {:>9} {:>4.0f}  {:<14} {}\n", lf_roleName(e.role), o.id,
                        o.atcId.empty() ? "-" : o.atcId, o.lat, o.lon, alt, lf_headingDeg(o.heading), stand, o.title);
    }
    return out;
}

std::string gf_sceneMapPicture(const std::vector<MapEntry>& entries, const MapAirport* airport, int sizePx) {
    const int n = std::max(sizePx, 64);
    std::vector<unsigned char> px(static_cast<std::size_t>(n) * n * 3, 0);
    auto put = [&](int x, int y, unsigned char r, unsigned char g, unsigned char b) {
        if (x < 0 || y < 0 || x >= n || y >= n)
            return;
        auto* p = &px[(static_cast<std::size_t>(y) * n + x) * 3];
        p[0] = r;
        p[1] = g;
        p[2] = b;
    };
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            put(x, y, 28, 44, 32);

    // The frame: the airport's stands, else every object, with a margin; at least 0.5 NM across.
    double minLat = 90, maxLat = -90, minLon = 180, maxLon = -180;
    auto widen = [&](double lat, double lon) {
        minLat = std::min(minLat, lat);
        maxLat = std::max(maxLat, lat);
        minLon = std::min(minLon, lon);
        maxLon = std::max(maxLon, lon);
    };
    if (airport)
        for (const auto& s : airport->stands)
            widen(s.lat, s.lon);
    else
        for (const auto& e : entries)
            widen(e.object.lat, e.object.lon);
    if (minLat > maxLat)
        widen(0, 0);
    const double midLat = (minLat + maxLat) / 2, midLon = (minLon + maxLon) / 2;
    const double cosLat = std::max(std::cos(midLat * g_pi / 180.0), 0.01);
    // Half the frame in degrees of latitude; longitude is scaled by cos(latitude) so that the view is square.
    const double half = std::max({(maxLat - minLat) / 2, (maxLon - minLon) * cosLat / 2, 0.25 / 60.0}) * 1.1;
    auto toPx = [&](double lat, double lon, int& x, int& y) {
        x = static_cast<int>(std::lround(((lon - midLon) * cosLat / half + 1) / 2 * (n - 1)));
        y = static_cast<int>(std::lround((1 - (lat - midLat) / half) / 2 * (n - 1)));
        return x >= 0 && y >= 0 && x < n && y < n;
    };
    auto disc = [&](int cx, int cy, int r, unsigned char red, unsigned char green, unsigned char blue) {
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx)
                if (dx * dx + dy * dy <= r * r)
                    put(cx + dx, cy + dy, red, green, blue);
    };
    int x = 0, y = 0;
    if (airport)
        for (const auto& s : airport->stands)
            if (toPx(s.lat, s.lon, x, y))
                disc(x, y, 2, 120, 120, 120);
    for (const auto& e : entries) {
        if (!toPx(e.object.lat, e.object.lon, x, y))
            continue;
        unsigned char c[3] = {220, 220, 220};
        if (e.role == MapRole::User)
            c[0] = 60, c[1] = 140, c[2] = 255;
        else if (e.role == MapRole::Live && e.onGround)
            c[0] = 60, c[1] = 220, c[2] = 60;
        else if (e.role == MapRole::Live)
            c[0] = 255, c[1] = 220, c[2] = 0;
        else if (e.role == MapRole::Static)
            c[0] = 230, c[1] = 60, c[2] = 60;
        disc(x, y, 4, c[0], c[1], c[2]);
        for (int i = 5; i <= 11; ++i)
            put(x + static_cast<int>(std::lround(i * std::sin(e.object.heading))),
                y - static_cast<int>(std::lround(i * std::cos(e.object.heading))), c[0], c[1], c[2]);
    }
    std::string out = fmt::format("P6\n{} {}\n255\n", n, n);
    out.append(reinterpret_cast<const char*>(px.data()), px.size());
    return out;
}

void SceneMapper::catchSignal() {
    if (enabled())
        std::signal(SIGUSR1, lf_onMapSignal);
}

void SceneMapper::poll(const SimStandIn& standIn, const Scenario& scenario) {
    if (!enabled())
        return;
    const auto now = std::chrono::steady_clock::now();
    const bool due = everySeconds_ > 0 && now >= next_;
    if (!g_mapRequested.exchange(false) && !due)
        return;
    write(standIn, scenario);
    if (everySeconds_ > 0)
        next_ = now + std::chrono::milliseconds(static_cast<long long>(everySeconds_ * 1000));
}

void SceneMapper::write(const SimStandIn& standIn, const Scenario& scenario) {
    if (!enabled())
        return;
    const auto objects = standIn.objects();
    const MapAirport* airport = airport_ ? &*airport_ : nullptr;
    auto save = [](const std::string& path, const std::string& bytes) {
        std::error_code error;
        if (!gf_replaceFile(
                path, [&](std::ostream& out) { out << bytes; }, error))
            std::cerr << "simstandin: cannot write the map " << path << ": " << error.message() << "\n";
    };
    if (!textPath_.empty())
        save(textPath_, gf_sceneMapText(objects, scenario, airport, standIn.frameCount()));
    if (!picturePath_.empty())
        save(picturePath_, gf_sceneMapPicture(gf_sceneMapEntries(objects, scenario, airport), airport));
}

} // namespace skf::standin
