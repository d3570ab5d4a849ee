// apfgen: writes the sample airport files of Skyfill.
//
//   apfgen <sample folder>
//
// For every airport of its table it lays out terminal gates along piers, a cargo apron, a ramp for
// general aviation and helicopter pads around the airport's reference point, and gives each stand
// flights by weekday and half hour. The result is deterministic (own pseudo-random generator, fixed
// header date), so the files can be kept in the repository and made again byte for byte.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "core/Files.h"
#include "core/Units.h"
#include "data/apf/QualityFactor.h"
#include "data/apf/Stand.h"
#include "tools/apfgen/StandFileHead.h"

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
    const T& pick(const std::vector<T>& v) {
        return v[static_cast<size_t>(range(0, static_cast<int>(v.size()) - 1))];
    }

private:
    uint64_t m_state;
};

struct Airline {
    std::string icao;
    std::string regPrefix; // "PH-", "N", ...
};

struct AirportSpec {
    std::string icao;
    std::string name;
    double lat = 0;
    double lon = 0;
    int altitude = 0;
    int stands = 0;           // stands of the airport in the airport list
    double runwayHeading = 0; // degrees; piers run across it
    std::vector<Airline> airlines;
    std::vector<Airline> cargoAirlines;
    int trafficWeek = 0; // RT_traffic_week, 0 = none
};

const std::vector<std::string> kNarrow = {"A320", "A321", "A20N", "A21N", "B738",
                                          "B38M", "E190", "E195", "A319", "B737"};
const std::vector<std::string> kWide = {"B77W", "A333", "B789", "A359", "B772", "A388", "B748", "A332", "B763"};
const std::vector<std::string> kFreighter = {"B744", "B77L", "B748", "A332", "B763", "MD11"};
// The general aviation and helicopter types are those of the sample database's fleets, so that the database
// knows their size category (an unknown type counts as Light) and the sample liveries can show them.
const std::vector<std::string> kGa = {"C172", "PC12", "C25A", "C208", "C56X", "PA28", "E55P"};
const std::vector<std::string> kHeli = {"EC35", "EC45", "AS50", "B06", "S76"};

// Airlines by the first letter of the ICAO code (the region), then cargo airlines.
std::pair<std::vector<Airline>, std::vector<Airline>> lf_regionAirlines(char region) {
    switch (region) {
    case 'K':
    case 'P':
        return {{{"AAL", "N"}, {"DAL", "N"}, {"UAL", "N"}, {"SWA", "N"}, {"JBU", "N"}, {"ASA", "N"}, {"BAW", "G-"}},
                {{"FDX", "N"}, {"UPS", "N"}, {"GTI", "N"}}};
    case 'C':
        return {{{"ACA", "C-"}, {"WJA", "C-"}, {"DAL", "N"}, {"UAL", "N"}}, {{"FDX", "N"}, {"UPS", "N"}}};
    case 'Y':
    case 'N':
        return {{{"QFA", "VH-"}, {"VOZ", "VH-"}, {"JST", "VH-"}, {"ANZ", "ZK-"}, {"SIA", "9V-"}}, {{"QFA", "VH-"}}};
    case 'R':
        return {{{"JAL", "JA"}, {"ANA", "JA"}, {"KAL", "HL"}, {"AAR", "HL"}, {"CPA", "B-"}},
                {{"KAL", "HL"}, {"NCA", "JA"}}};
    case 'Z':
        return {{{"CCA", "B-"}, {"CES", "B-"}, {"CSN", "B-"}, {"CHH", "B-"}}, {{"CKK", "B-"}, {"CSS", "B-"}}};
    case 'V':
    case 'W':
        return {{{"CPA", "B-"}, {"SIA", "9V-"}, {"AIC", "VT-"}, {"IGO", "VT-"}, {"THA", "HS-"}, {"AXM", "9M-"}},
                {{"CPA", "B-"}, {"SQC", "9V-"}}};
    case 'O':
        return {{{"UAE", "A6-"}, {"QTR", "A7-"}, {"ETD", "A6-"}, {"SVA", "HZ-"}, {"FDB", "A6-"}}, {{"QTR", "A7-"}}};
    case 'S':
        return {{{"LAN", "CC-"}, {"TAM", "PR-"}, {"AVA", "HK-"}, {"GLO", "PR-"}, {"ARG", "LV-"}}, {{"LCO", "CC-"}}};
    case 'M':
    case 'T':
        return {{{"AMX", "XA-"}, {"VIV", "XA-"}, {"CMP", "HP-"}, {"AAL", "N"}}, {{"FDX", "N"}}};
    case 'F':
    case 'H':
    case 'D':
    case 'G':
        return {{{"SAA", "ZS-"}, {"ETH", "ET-"}, {"RAM", "CN-"}, {"KQA", "5Y-"}, {"MSR", "SU-"}}, {{"ETH", "ET-"}}};
    case 'U':
        return {{{"AFL", "RA-"}, {"SBI", "RA-"}, {"UTA", "RA-"}}, {{"ABW", "RA-"}}};
    default:
        return {{{"DLH", "D-"},
                 {"AFR", "F-"},
                 {"BAW", "G-"},
                 {"KLM", "PH-"},
                 {"EZY", "G-"},
                 {"RYR", "EI-"},
                 {"SAS", "SE-"},
                 {"IBE", "EC-"},
                 {"WZZ", "HA-"},
                 {"UAE", "A6-"}},
                {{"BCS", "D-"}, {"CLX", "LX-"}, {"FDX", "N"}, {"MPH", "PH-"}}};
    }
}

// Airports that get their own airline mix and name.
struct Tailored {
    const char* icao;
    const char* name;
    std::vector<Airline> airlines;
    int trafficWeek;
};

const std::vector<Tailored>& lf_tailored() {
    static const std::vector<Tailored> table = {
        {"EHAM",
         "Amsterdam Schiphol",
         {{"KLM", "PH-"}, {"TRA", "PH-"}, {"EZY", "G-"}, {"DAL", "N"}, {"BAW", "G-"}, {"UAE", "A6-"}},
         23},
        {"EHRD", "Rotterdam The Hague", {{"TRA", "PH-"}, {"KLM", "PH-"}, {"EZY", "G-"}}, 0},
        {"EGLL",
         "London Heathrow",
         {{"BAW", "G-"}, {"VIR", "G-"}, {"UAL", "N"}, {"DAL", "N"}, {"UAE", "A6-"}, {"QFA", "VH-"}},
         23},
        {"EGKK", "London Gatwick", {{"EZY", "G-"}, {"BAW", "G-"}, {"VLG", "EC-"}, {"WZZ", "HA-"}}, 0},
        {"EGLC", "London City", {{"BAW", "G-"}, {"KLM", "PH-"}, {"SWR", "HB-"}}, 0},
        {"EGHI", "Southampton", {{"EZY", "G-"}, {"KLM", "PH-"}}, 0},
        {"LSZH", "Zurich", {{"SWR", "HB-"}, {"EZS", "HB-"}, {"DLH", "D-"}, {"AUA", "OE-"}}, 0},
        {"LOWW", "Vienna Schwechat", {{"AUA", "OE-"}, {"WZZ", "HA-"}, {"DLH", "D-"}, {"RYR", "EI-"}}, 0},
        {"KJFK", "John F Kennedy Intl", {{"DAL", "N"}, {"JBU", "N"}, {"AAL", "N"}, {"BAW", "G-"}, {"AFR", "F-"}}, 0},
    };
    return table;
}

// The airports of the airport list (airports.xml: root > airports > ap with c, la, lo, a, s).
// The largest stand count laid out; the busiest real airports have a few hundred.
constexpr int kMaxStands = 2000;

std::vector<AirportSpec> lf_readList(const fs::path& listPath) {
    pugi::xml_document doc;
    std::vector<AirportSpec> result;
    if (const pugi::xml_parse_result loaded = doc.load_file(listPath.c_str()); !loaded) {
        std::cerr << "apfgen: could not load " << listPath << ": " << loaded.description() << "\n";
        return result;
    }
    for (const pugi::xml_node ap : doc.child("root").child("airports").children("ap")) {
        AirportSpec a;
        a.icao = ap.attribute("c").as_string();
        a.lat = ap.attribute("la").as_double();
        a.lon = ap.attribute("lo").as_double();
        a.altitude = ap.attribute("a").as_int();
        a.stands = ap.attribute("s").as_int();
        if (a.stands < 1) {
            continue;
        }
        // the code names the files: four letters or digits only
        const bool codeOk = a.icao.size() == 4 && std::all_of(a.icao.begin(), a.icao.end(), [](char c) {
                                return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
                            });
        if (!codeOk || !std::isfinite(a.lat) || !std::isfinite(a.lon) || std::abs(a.lat) > 89.0 ||
            std::abs(a.lon) > 180.0 || a.stands > kMaxStands) {
            std::cerr << "apfgen: airport '" << a.icao << "' skipped: invalid code, position or stand count\n";
            continue;
        }
        a.name = a.icao;
        auto [airlines, cargo] = lf_regionAirlines(a.icao[0]);
        a.airlines = std::move(airlines);
        a.cargoAirlines = std::move(cargo);
        for (const Tailored& t : lf_tailored()) {
            if (a.icao == t.icao) {
                a.name = t.name;
                a.airlines = t.airlines;
                a.trafficWeek = t.trafficWeek;
            }
        }
        result.push_back(std::move(a));
    }
    return result;
}

constexpr double kNmPerDegree = 60.0;

struct Offset {
    double north; // metres
    double east;
};

// Position of a point given in metres along (x) and across (y) the axis of the airport.
std::pair<double, double> lf_position(const AirportSpec& a, double along, double across) {
    const double axis = a.runwayHeading * skf::g_pi / 180.0;
    const double north = along * std::cos(axis) - across * std::sin(axis);
    const double east = along * std::sin(axis) + across * std::cos(axis);
    const double lat = a.lat + north / skf::g_nmToMetres / kNmPerDegree;
    const double lon = a.lon + east / skf::g_nmToMetres / (kNmPerDegree * std::cos(a.lat * skf::g_pi / 180.0));
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
    if (airline.regPrefix == "RA-") {
        return fmt::format("RA-{}", rng.range(10000, 99999));
    }
    if (airline.regPrefix == "HL") {
        return fmt::format("HL{}", rng.range(7000, 8399));
    }
    if (airline.regPrefix == "G-" || airline.regPrefix == "D-" || airline.regPrefix == "F-" ||
        airline.regPrefix == "C-") {
        // four letters after the prefix, as these countries register them
        return fmt::format("{}{}{}{}{}", airline.regPrefix, letters[rng.range(0, 25)], letters[rng.range(0, 25)],
                           letters[rng.range(0, 25)], letters[rng.range(0, 25)]);
    }
    return fmt::format("{}{}{}{}", airline.regPrefix, letters[rng.range(0, 25)], letters[rng.range(0, 25)],
                       letters[rng.range(0, 25)]);
}

struct Fleet {
    // registrations kept per airline and type so that aircraft come back on other days
    std::vector<std::pair<std::string, std::string>> aircraft; // (airline, registration)
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

void lf_addFlights(Rng& rng, GenStand& stand, const std::vector<Airline>& airlines,
                   const std::vector<std::string>& types, int visitsPerWeek, int softPercent) {
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
        o.first = rng.range(10, 44); // from 05:00
        o.last = std::min(47, o.first + rng.range(0, 5));
        const int inbound = r.flight + rng.range(0, 3) * 2;
        o.cs = rng.chance(60) ? fmt::format("{}{}:{}{}", r.airline.icao, inbound, r.airline.icao, inbound + 1)
                              : fmt::format("{}{}", r.airline.icao, inbound);
        o.soft = rng.chance(softPercent);
        bool taken = false;
        for (const auto& other : stand.opts) {
            taken = taken || (other.day == o.day && other.first <= o.last + 1 && o.first <= other.last + 1);
        }
        if (!taken) { // one aircraft at a time on a stand
            stand.opts.push_back(o);
        }
    }
}

std::vector<GenStand> lf_layout(const AirportSpec& a, Rng& rng) {
    // The stand count of the airport list, split into helicopter pads, a cargo apron, a general
    // aviation ramp and terminal gates on piers.
    const int total = a.stands;
    const int heli = total >= 20 ? 1 + total / 150 : (total >= 6 ? 1 : 0);
    const int cargo = total >= 20 ? total / 12 : 0;
    const int ramp = total >= 3 ? 1 + total / 10 : 0;
    const int gates = total - heli - cargo - ramp;
    const int perPier = std::max(6, static_cast<int>(std::ceil(std::sqrt(2.0 * std::max(gates, 1)))));
    const int piers = (gates + perPier - 1) / perPier;

    std::vector<GenStand> stands;
    for (int g = 0; g < gates; ++g) {
        const int p = g / perPier;
        const int k = g % perPier;
        const char pier = static_cast<char>('A' + p % 26);
        const double along = -150.0 * piers + 300.0 * p;
        const bool wide = k % 4 == 3;
        const double radius = wide ? rng.range(380, 450) / 10.0 : rng.range(300, 360) / 10.0;
        const int side = k % 2 == 0 ? 1 : -1;
        const double across = 250.0 + 80.0 * (k / 2);
        const auto [lat, lon] = lf_position(a, along + side * 60.0, across);
        GenStand s;
        s.id = p < 26 ? fmt::format("{}{}", pier, k + 1) : fmt::format("{}{}{}", pier, p / 26, k + 1);
        s.lat = lat;
        s.lon = lon;
        s.heading = std::fmod(a.runwayHeading + (side > 0 ? 90.0 : 270.0), 360.0);
        s.radius = radius;
        lf_addFlights(rng, s, a.airlines, wide ? kWide : kNarrow, rng.range(6, 16), 15);
        stands.push_back(std::move(s));
    }
    const std::vector<Airline>& freight = a.cargoAirlines.empty() ? a.airlines : a.cargoAirlines;
    for (int c = 0; c < cargo; ++c) {
        const auto [lat, lon] = lf_position(a, 150.0 * piers + 300.0 + 90.0 * (c % 12), 300.0 + 120.0 * (c / 12));
        GenStand s;
        s.id = fmt::format("CG{}", c + 1);
        s.lat = lat;
        s.lon = lon;
        s.heading = std::fmod(a.runwayHeading + 180.0, 360.0);
        s.radius = rng.range(420, 480) / 10.0;
        s.cargo = true;
        lf_addFlights(rng, s, freight, kFreighter, rng.range(3, 9), 30);
        stands.push_back(std::move(s));
    }
    const std::vector<Airline> owners = {{"PVT", a.airlines.front().regPrefix}};
    for (int r = 0; r < ramp; ++r) {
        const auto [lat, lon] = lf_position(a, -300.0 + 30.0 * (r % 20), -320.0 - 40.0 * (r / 20));
        GenStand s;
        s.id = fmt::format("GA{}", r + 1);
        s.lat = lat;
        s.lon = lon;
        s.heading = std::fmod(a.runwayHeading + 270.0, 360.0);
        s.radius = rng.range(110, 160) / 10.0;
        s.ramp = true;
        lf_addFlights(rng, s, owners, kGa, rng.range(1, 5), 60);
        stands.push_back(std::move(s));
    }
    for (int h = 0; h < heli; ++h) {
        const auto [lat, lon] = lf_position(a, -500.0 - 40.0 * h, -360.0);
        GenStand s;
        s.id = fmt::format("HP{}", h + 1);
        s.lat = lat;
        s.lon = lon;
        s.heading = a.runwayHeading;
        s.radius = 10.0;
        s.heli = true;
        lf_addFlights(rng, s, owners, kHeli, rng.range(1, 4), 50);
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
            for (int k = o.first; k <= o.last; ++k)
                so.halfHours.set(static_cast<size_t>(k));
            opts.push_back(so);
        }
        table.emplace_back(g.id, std::move(opts), g.lat, g.lon, 0.0, g.radius, g.cargo, g.ramp, g.heli);
    }
    return skf::gf_qualityFactor(table);
}

void lf_param(pugi::xml_node& parameters, const char* name, const std::string& value) {
    skf::tools::gf_appendStandFileParameter(parameters, name, value);
}

bool lf_write(const AirportSpec& a, const std::vector<GenStand>& stands, const std::string& publisher, int sim,
              const fs::path& path) {
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("root");
    skf::tools::gf_appendStandFileMeta(root, sim);
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
            if (o.soft)
                opt.append_attribute("soft") = "true";
            opt.append_attribute("day") = o.day;
            opt.append_attribute("hh") =
                (o.first == o.last ? fmt::format("{}", o.first) : fmt::format("{}:{}", o.first, o.last)).c_str();
            opt.append_attribute("cs") = o.cs.c_str();
        }
    }
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec); // a failure shows in the save
    // through a temporary file: an interrupted run never leaves a cut file behind
    return skf::gf_saveXml(doc, path);
}

int lf_main(int argc, char** argv) {
    // apfgen <airports.xml> <sample folder>    the bundled files and the archive the tests serve
    // apfgen --all <airports.xml> <folder>     the archive of every airport of the list with stands
    const bool all = argc == 4 && std::string(argv[1]) == "--all";
    if (argc != 3 && !all) {
        std::cerr << "usage: apfgen [--all] <airports.xml> <output folder>\n";
        return 2;
    }
    const fs::path listPath = argv[all ? 2 : 1];
    const fs::path out = argv[all ? 3 : 2];
    const std::vector<AirportSpec> list = lf_readList(listPath);
    if (list.empty()) {
        std::cerr << "apfgen: no airports with stands in " << listPath << "\n";
        return 1;
    }
    const fs::path archive = all ? out : out / "archive";
    const std::vector<std::string> bundled = {"EHRD", "EGLC", "EGHI", "LSZH"};
    const std::vector<std::string> stock = {"EHAM", "EGKK", "LOWW", "KJFK"};
    const std::vector<std::string> thirdparty = {"EHAM", "LOWW"};
    const auto listed = [](const std::vector<std::string>& v, const std::string& icao) {
        return std::find(v.begin(), v.end(), icao) != v.end();
    };
    int written = 0;
    for (AirportSpec a : list) {
        const bool isBundled = listed(bundled, a.icao);
        if (!all && !isBundled && !listed(stock, a.icao)) {
            continue;
        }
        uint64_t seed = 0;
        for (char c : a.icao)
            seed = seed * 131 + static_cast<unsigned char>(c);
        Rng rng(seed);
        a.runwayHeading = rng.range(0, 179);
        const std::vector<GenStand> stands = lf_layout(a, rng);
        const std::string file = a.icao + ".xml";
        bool ok = lf_write(a, stands, "stock", 1, archive / "MSFS" / "archive" / "stock" / file);
        if (isBundled) {
            // the simulator's own add-on airport: a local file, and the same in the archive
            ok = ok && lf_write(a, stands, "simaddon", 1, archive / "MSFS" / "archive" / "simaddon" / file);
            if (!all) {
                ok = ok && lf_write(a, stands, "simaddon", 1, out / "airports" / "my_simaddon" / file);
            }
        }
        if (listed(thirdparty, a.icao)) {
            // an add-on scenery of another maker, for both simulators
            ok = ok &&
                 lf_write(a, stands, "Some Maker", 1,
                          archive / "MSFS" / "archive" / "thirdparty" / "Some Maker" / file) &&
                 lf_write(a, stands, "Some Maker", 2,
                          archive / "MSFS2024" / "archive" / "thirdparty" / "Some Maker" / file);
        }
        if (!ok) {
            std::cerr << "apfgen: could not write " << file << "\n";
            return 1;
        }
        if (!all) {
            std::cout << fmt::format("{} {:4} stands  {}\n", a.icao, stands.size(), a.name);
        }
        ++written;
    }
    std::cout << written << " airports\n";
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    try {
        return lf_main(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "apfgen: " << e.what() << "\n";
        return 1;
    }
}
