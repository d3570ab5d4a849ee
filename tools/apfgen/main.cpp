// apfgen: writes the sample airport files of Skyfill.
//
//   apfgen <sample folder>
//
// For every airport of its table it lays out terminal gates along piers, a cargo apron, a ramp for
// general aviation and helicopter pads around the airport's reference point, and gives each stand
// flights by weekday and half hour. The result is deterministic (own pseudo-random generator, fixed
// header date), so the files can be kept in the repository and made again byte for byte.
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <numbers>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "data/apf/QualityFactor.h"
#include "data/apf/Stand.h"

namespace fs = std::filesystem;

namespace {

// xorshift64*: the same sequence on every platform.
class Rng {
public:
    explicit Rng(uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ULL + 1) {}
    uint64_t next() {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 2685821657736338717ULL;
    }
    int range(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<uint64_t>(hi - lo + 1)); }
    bool chance(int percent) { return range(1, 100) <= percent; }
    template <class T>
    const T& pick(const std::vector<T>& v) { return v[static_cast<size_t>(range(0, static_cast<int>(v.size()) - 1))]; }

private:
    uint64_t m_state;
};

struct Airline {
    std::string icao;
    std::string regPrefix;  // "PH-", "N", ...
};

struct AirportSpec {
    std::string icao;
    std::string name;
    double lat;
    double lon;
    int altitude;
    double runwayHeading;  // degrees; piers run across it
    int piers;
    int gatesPerPier;
    int cargo;
    int ramp;
    int heli;
    std::vector<Airline> airlines;  // the first ones are based here
    std::vector<Airline> cargoAirlines;
    int trafficWeek;  // RT_traffic_week, 0 = none
};

const std::vector<std::string> kNarrow = {"A320", "A321", "A20N", "A21N", "B738", "B38M", "E190", "E195", "A319", "B737"};
const std::vector<std::string> kWide = {"B77W", "A333", "B789", "A359", "B772", "A388", "B748", "A332", "B763"};
const std::vector<std::string> kFreighter = {"B744", "B77L", "B748", "A332", "B763", "MD11"};
const std::vector<std::string> kGa = {"C172", "PC12", "C25A", "BE20", "C56X", "PA28", "E55P"};
const std::vector<std::string> kHeli = {"EC35", "H145", "AS65", "EC30", "A109"};

const Airline kKlm{"KLM", "PH-"}, kTra{"TRA", "PH-"}, kEzy{"EZY", "G-"}, kBaw{"BAW", "G-"}, kAfr{"AFR", "F-"},
    kDlh{"DLH", "D-"}, kDal{"DAL", "N"}, kUal{"UAL", "N"}, kAal{"AAL", "N"}, kJbu{"JBU", "N"},
    kAua{"AUA", "OE-"}, kSwr{"SWR", "HB-"}, kEzs{"EZS", "HB-"}, kBel{"BEL", "OO-"}, kRyr{"RYR", "EI-"},
    kUae{"UAE", "A6-"}, kQfa{"QFA", "VH-"}, kVoz{"VOZ", "VH-"}, kJal{"JAL", "JA"}, kAna{"ANA", "JA"},
    kIbe{"IBE", "EC-"}, kVlg{"VLG", "EC-"}, kSia{"SIA", "9V-"}, kCpa{"CPA", "B-"}, kWzz{"WZZ", "HA-"},
    kMph{"MPH", "PH-"}, kClx{"CLX", "LX-"}, kFdx{"FDX", "N"}, kUps{"UPS", "N"}, kGti{"GTI", "N"},
    kBcs{"BCS", "D-"}, kBox{"BOX", "D-"}, kAbr{"ABR", "EI-"}, kCks{"CKS", "N"};

std::vector<AirportSpec> lf_airports() {
    return {
        {"EHAM", "Amsterdam Schiphol", 52.308601, 4.763890, -11, 60.0, 5, 12, 8, 8, 2,
         {kKlm, kTra, kEzy, kDal, kBaw, kUae, kSia}, {kMph, kClx, kFdx}, 23},
        {"EGLL", "London Heathrow", 51.470600, -0.461941, 83, 90.0, 5, 14, 6, 4, 1,
         {kBaw, kVoz, kUal, kDal, kUae, kQfa, kSia, kCpa}, {kClx, kFdx, kGti}, 23},
        {"KJFK", "John F Kennedy Intl", 40.639801, -73.778900, 13, 130.0, 6, 10, 8, 6, 2,
         {kDal, kJbu, kAal, kBaw, kAfr, kUae, kJal}, {kFdx, kUps, kCks}, 0},
        {"LFPG", "Paris Charles de Gaulle", 49.009701, 2.547800, 392, 90.0, 5, 12, 8, 6, 1,
         {kAfr, kEzy, kDlh, kDal, kUae, kJal}, {kFdx, kClx}, 0},
        {"EDDF", "Frankfurt am Main", 50.033333, 8.570556, 364, 70.0, 5, 12, 10, 6, 2,
         {kDlh, kUal, kSia, kAua, kSwr}, {kBcs, kBox, kClx}, 22},
        {"KLAX", "Los Angeles Intl", 33.942501, -118.408005, 125, 70.0, 6, 10, 6, 8, 2,
         {kUal, kDal, kAal, kQfa, kJal, kCpa}, {kFdx, kUps}, 0},
        {"LOWW", "Vienna Schwechat", 48.110298, 16.569700, 600, 110.0, 3, 10, 4, 6, 1,
         {kAua, kWzz, kDlh, kRyr}, {kAbr}, 0},
        {"EGKK", "London Gatwick", 51.148102, -0.190278, 202, 80.0, 2, 14, 0, 6, 1, {kEzy, kBaw, kVlg, kWzz}, {}, 0},
        {"KSFO", "San Francisco Intl", 37.618999, -122.375000, 13, 100.0, 4, 10, 4, 6, 1,
         {kUal, kAal, kDal, kSia, kCpa, kAna}, {kFdx}, 0},
        {"YSSY", "Sydney Kingsford Smith", -33.946098, 151.177002, 21, 160.0, 3, 10, 4, 4, 2,
         {kQfa, kVoz, kUae, kSia}, {kFdx}, 0},
        {"RJTT", "Tokyo Haneda", 35.552299, 139.779999, 35, 160.0, 4, 12, 4, 4, 1, {kJal, kAna, kDal, kUal}, {kFdx}, 0},
        {"EDDM", "Munich", 48.353802, 11.786100, 1487, 80.0, 3, 12, 4, 6, 1, {kDlh, kEzy, kUae}, {kBcs}, 0},
        {"LEMD", "Madrid Barajas", 40.471926, -3.562640, 1998, 180.0, 4, 10, 4, 6, 1, {kIbe, kVlg, kRyr, kAfr}, {kFdx}, 0},
        // bundled as local files of the simulator's add-on airports
        {"EHRD", "Rotterdam The Hague", 51.956902, 4.437220, -15, 60.0, 1, 8, 0, 10, 2, {kTra, kKlm, kEzy}, {}, 0},
        {"LSZH", "Zurich", 47.464699, 8.549170, 1416, 140.0, 3, 10, 4, 6, 2, {kSwr, kEzs, kDlh, kAua}, {kClx}, 0},
        {"EBBR", "Brussels", 50.901402, 4.484440, 184, 70.0, 2, 12, 6, 4, 1, {kBel, kRyr, kDlh, kUae}, {kAbr, kFdx}, 0},
    };
}

constexpr double kNmPerDegree = 60.0;

struct Offset {
    double north;  // metres
    double east;
};

// Position of a point given in metres along (x) and across (y) the axis of the airport.
std::pair<double, double> lf_position(const AirportSpec& a, double along, double across) {
    const double axis = a.runwayHeading * std::numbers::pi / 180.0;
    const double north = along * std::cos(axis) - across * std::sin(axis);
    const double east = along * std::sin(axis) + across * std::cos(axis);
    const double lat = a.lat + north / 1852.0 / kNmPerDegree;
    const double lon = a.lon + east / 1852.0 / (kNmPerDegree * std::cos(a.lat * std::numbers::pi / 180.0));
    return {lat, lon};
}

std::string lf_registration(Rng& rng, const Airline& airline) {
    static const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    if (airline.regPrefix == "N") {
        return fmt::format("N{}{}{}", rng.range(100, 999), letters[rng.range(0, 25)], letters[rng.range(0, 25)]);
    }
    if (airline.regPrefix == "JA") {
        return fmt::format("JA{}{}", rng.range(100, 999), letters[rng.range(0, 25)]);
    }
    if (airline.regPrefix == "B-") {
        return fmt::format("B-{}{}{}", letters[rng.range(0, 25)], letters[rng.range(0, 25)], letters[rng.range(0, 25)]);
    }
    return fmt::format("{}{}{}{}", airline.regPrefix, letters[rng.range(0, 25)], letters[rng.range(0, 25)],
                       letters[rng.range(0, 25)]);
}

struct Fleet {
    // registrations kept per airline and type so that aircraft come back on other days
    std::vector<std::pair<std::string, std::string>> aircraft;  // (airline, registration)
};

struct GenOpt {
    std::string airline;
    std::string type;
    std::string reg;
    std::string cs;
    int day;
    int first;
    int last;
    bool soft;
};

struct GenStand {
    std::string id;
    double lat;
    double lon;
    double heading;
    double radius;
    bool cargo = false;
    bool ramp = false;
    bool heli = false;
    std::vector<GenOpt> opts;
};

void lf_addFlights(Rng& rng, GenStand& stand, const std::vector<Airline>& airlines, const std::vector<std::string>& types,
                   int visitsPerWeek, int softPercent) {
    // a few aircraft use this stand again and again
    struct Regular {
        Airline airline;
        std::string type;
        std::string reg;
        int flight;
    };
    std::vector<Regular> regulars;
    const int count = rng.range(1, 3);
    for (int i = 0; i < count; ++i) {
        const Airline& al = rng.pick(airlines);
        regulars.push_back({al, rng.pick(types), lf_registration(rng, al), rng.range(10, 9899)});
    }
    for (int v = 0; v < visitsPerWeek; ++v) {
        const Regular& r = regulars[static_cast<size_t>(rng.range(0, static_cast<int>(regulars.size()) - 1))];
        GenOpt o;
        o.airline = r.airline.icao;
        o.type = r.type;
        o.reg = r.reg;
        o.day = rng.range(1, 7);
        o.first = rng.range(10, 44);  // from 05:00
        o.last = std::min(47, o.first + rng.range(0, 5));
        const int inbound = r.flight + rng.range(0, 3) * 2;
        o.cs = rng.chance(60) ? fmt::format("{}{}:{}{}", r.airline.icao, inbound, r.airline.icao, inbound + 1)
                              : fmt::format("{}{}", r.airline.icao, inbound);
        o.soft = rng.chance(softPercent);
        bool taken = false;
        for (const auto& other : stand.opts) {
            taken = taken || (other.day == o.day && other.first <= o.last + 1 && o.first <= other.last + 1);
        }
        if (!taken) {  // one aircraft at a time on a stand
            stand.opts.push_back(o);
        }
    }
}

std::vector<GenStand> lf_layout(const AirportSpec& a, Rng& rng) {
    std::vector<GenStand> stands;
    // Piers across the axis, gates on both sides.
    for (int p = 0; p < a.piers; ++p) {
        const char pier = static_cast<char>('A' + p + (p >= 8 ? 1 : 0));
        const double along = -450.0 + 300.0 * p;
        for (int g = 0; g < a.gatesPerPier; ++g) {
            const bool wide = g % 4 == 3;
            const double radius = wide ? rng.range(380, 450) / 10.0 : rng.range(300, 360) / 10.0;
            const int side = g % 2 == 0 ? 1 : -1;
            const double across = 250.0 + 80.0 * (g / 2);
            const auto [lat, lon] = lf_position(a, along + side * 60.0, across);
            GenStand s;
            s.id = fmt::format("{}{}", pier, g + 1);
            s.lat = lat;
            s.lon = lon;
            double heading = a.runwayHeading + (side > 0 ? 90.0 : 270.0);
            s.heading = std::fmod(heading, 360.0);
            s.radius = radius;
            lf_addFlights(rng, s, a.airlines, wide ? kWide : kNarrow, rng.range(6, 16), 15);
            stands.push_back(std::move(s));
        }
    }
    // Cargo apron beyond the last pier.
    for (int c = 0; c < a.cargo; ++c) {
        const auto [lat, lon] = lf_position(a, 600.0 + 300.0 * a.piers / 2.0 + 90.0 * c, 300.0);
        GenStand s;
        s.id = fmt::format("CG{}", c + 1);
        s.lat = lat;
        s.lon = lon;
        s.heading = std::fmod(a.runwayHeading + 180.0, 360.0);
        s.radius = rng.range(420, 480) / 10.0;
        s.cargo = true;
        lf_addFlights(rng, s, a.cargoAirlines, kFreighter, rng.range(3, 9), 30);
        stands.push_back(std::move(s));
    }
    // General aviation ramp on the other side of the runway.
    const std::vector<Airline> ga = {{"PVT", ""}};
    for (int r = 0; r < a.ramp; ++r) {
        const auto [lat, lon] = lf_position(a, -300.0 + 30.0 * r, -320.0);
        GenStand s;
        s.id = fmt::format("GA{}", r + 1);
        s.lat = lat;
        s.lon = lon;
        s.heading = std::fmod(a.runwayHeading + 270.0, 360.0);
        s.radius = rng.range(110, 160) / 10.0;
        s.ramp = true;
        std::vector<Airline> owners;
        for (int i = 0; i < 3; ++i) owners.push_back({"PVT", a.airlines.front().regPrefix});
        lf_addFlights(rng, s, owners, kGa, rng.range(1, 5), 60);
        stands.push_back(std::move(s));
    }
    for (int h = 0; h < a.heli; ++h) {
        const auto [lat, lon] = lf_position(a, -500.0 - 40.0 * h, -360.0);
        GenStand s;
        s.id = fmt::format("HP{}", h + 1);
        s.lat = lat;
        s.lon = lon;
        s.heading = a.runwayHeading;
        s.radius = 10.0;
        s.heli = true;
        std::vector<Airline> operators = {{"PVT", a.airlines.front().regPrefix}};
        lf_addFlights(rng, s, operators, kHeli, rng.range(1, 4), 50);
        stands.push_back(std::move(s));
    }
    return stands;
}

skf::QualityFactor lf_quality(const std::vector<GenStand>& stands) {
    std::vector<skf::Stand> table;
    for (const auto& g : stands) {
        std::vector<skf::StandOpt> opts;
        uint32_t number = 1;
        for (const auto& o : g.opts) {
            skf::StandOpt so;
            so.number = number++;
            so.day = static_cast<uint32_t>(o.day);
            so.real = o.soft ? 0 : 1;
            for (int k = o.first; k <= o.last; ++k) so.halfHours.set(static_cast<size_t>(k));
            opts.push_back(so);
        }
        table.emplace_back(g.id, std::move(opts), g.lat, g.lon, 0.0, g.radius, g.cargo, g.ramp, g.heli);
    }
    return skf::gf_qualityFactor(table);
}

void lf_param(pugi::xml_node& parameters, const char* name, const std::string& value) {
    pugi::xml_node p = parameters.append_child("parameter");
    p.append_attribute("name") = name;
    p.append_attribute("value") = value.c_str();
}

bool lf_write(const AirportSpec& a, const std::vector<GenStand>& stands, const std::string& publisher, int sim,
              const fs::path& path) {
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("root");
    pugi::xml_node meta = root.append_child("meta");
    const std::pair<const char*, std::string> infos[] = {
        {"author", "Skyfill"},
        {"version", "11.11.3"},
        {"date", "Dec 01, 2026"},
        {"copyright", "Copyright (c) the makers of Skyfill. All rights reserved."},
        {"sim", std::to_string(sim)}};
    for (const auto& [name, value] : infos) {
        pugi::xml_node info = meta.append_child("info");
        info.append_attribute("name") = name;
        info.append_attribute("value") = value.c_str();
    }
    const skf::QualityFactor qf = lf_quality(stands);
    pugi::xml_node parameters = root.append_child("parameters");
    lf_param(parameters, "airport_name", a.name);
    lf_param(parameters, "publisher", publisher);
    lf_param(parameters, "altitude", std::to_string(a.altitude));
    lf_param(parameters, "num_parkpos", std::to_string(stands.size()));
    lf_param(parameters, "Qf_real", std::to_string(qf.real));
    lf_param(parameters, "Qf_soft", std::to_string(qf.soft));
    if (a.trafficWeek != 0) {
        lf_param(parameters, "RT_traffic_week", std::to_string(a.trafficWeek));
    }
    pugi::xml_node parkpositions = root.append_child("parkpositions");
    for (const auto& s : stands) {
        pugi::xml_node p = parkpositions.append_child("parkpos");
        p.append_attribute("id") = s.id.c_str();
        p.append_attribute("latitude") = fmt::format("{:.6f}", s.lat).c_str();
        p.append_attribute("longitude") = fmt::format("{:.6f}", s.lon).c_str();
        p.append_attribute("heading") = fmt::format("{:.1f}", s.heading).c_str();
        p.append_attribute("radius") = fmt::format("{:.1f}", s.radius).c_str();
        if (s.heli) {
            p.append_attribute("heli") = "true";
        } else {
            p.append_attribute("cargo") = s.cargo ? "true" : "false";
        }
        p.append_attribute("ramp") = s.ramp ? "true" : "false";
        for (const auto& o : s.opts) {
            pugi::xml_node opt = p.append_child("opt");
            opt.append_attribute("reg") = o.reg.c_str();
            opt.append_attribute("airl") = o.airline.c_str();
            opt.append_attribute("type") = o.type.c_str();
            if (o.soft) opt.append_attribute("soft") = "true";
            opt.append_attribute("day") = o.day;
            opt.append_attribute("hh") =
                (o.first == o.last ? fmt::format("{}", o.first) : fmt::format("{}:{}", o.first, o.last)).c_str();
            opt.append_attribute("cs") = o.cs.c_str();
        }
    }
    fs::create_directories(path.parent_path());
    pugi::xml_node decl = doc.prepend_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    return doc.save_file(path.c_str(), "  ", pugi::format_default, pugi::encoding_utf8);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: apfgen <sample folder>\n";
        return 2;
    }
    const fs::path sample = argv[1];
    const fs::path archive = sample / "archive";
    const fs::path bundled = sample / "airports";
    int written = 0;
    for (const AirportSpec& a : lf_airports()) {
        uint64_t seed = 0;
        for (char c : a.icao) seed = seed * 131 + static_cast<unsigned char>(c);
        Rng rng(seed);
        const std::vector<GenStand> stands = lf_layout(a, rng);
        const std::string file = a.icao + ".xml";
        bool ok = true;
        if (a.icao == "EHRD" || a.icao == "LSZH" || a.icao == "EBBR") {
            // local files of the simulator's add-on airports, and the same in the archive
            ok = lf_write(a, stands, "simaddon", 1, bundled / "my_simaddon" / file) &&
                 lf_write(a, stands, "simaddon", 1, archive / "MSFS" / "archive" / "simaddon" / file);
        } else {
            ok = lf_write(a, stands, "stock", 1, archive / "MSFS" / "archive" / "stock" / file);
        }
        if (a.icao == "EHAM" || a.icao == "LOWW") {
            // an add-on scenery of another maker, for both simulators
            ok = ok && lf_write(a, stands, "Some Maker", 1, archive / "MSFS" / "archive" / "thirdparty" / "Some Maker" / file) &&
                 lf_write(a, stands, "Some Maker", 2, archive / "MSFS2024" / "archive" / "thirdparty" / "Some Maker" / file);
        }
        if (!ok) {
            std::cerr << "apfgen: could not write " << file << "\n";
            return 1;
        }
        std::cout << fmt::format("{} {:4} stands  {}\n", a.icao, stands.size(), a.name);
        ++written;
    }
    std::cout << written << " airports\n";
    return 0;
}
