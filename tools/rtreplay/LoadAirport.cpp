#include "tools/rtreplay/LoadAirport.h"

#include "core/Files.h"
#include "core/Units.h"
#include "data/apf/QualityFactor.h"
#include "data/apf/Stand.h"
#include "tools/apfgen/StandFileHead.h"

#include <cmath>
#include <fmt/format.h>
#include <map>
#include <pugixml.hpp>
#include <set>
#include <stdexcept>

namespace skf::rtreplay {

namespace {

constexpr double kMetresPerDegree = g_nmToMetres * 60.0;
// Every stand takes the largest airliner (an A380's half span is 40 m).
constexpr double kRadiusMetres = 40.0;
// The grid: rows of stands 100 m apart, rows 130 m apart. Two stands are neighbours when 1.1 times their
// distance is less than their radii added, so radii of at most 45 m keep every stand free of neighbours.
constexpr int kStandsPerRow = 25;
constexpr double kAlongMetres = 100.0;
constexpr double kAcrossMetres = 130.0;
// The grid starts east of the load's terminal area (up to 900 m east of the centre), centred north-south.
constexpr double kFirstEastMetres = 1100.0;
// The day's four stays: each airframe of a stand stands there twice a day for six hours.
constexpr int kStaysPerDay = 4;
constexpr int kHalfHoursPerStay = 12;
// Above the load's callsigns (100 .. 9099), below the four digits' end.
constexpr int kFirstFlightNumber = 9100;
constexpr int kLastFlightNumber = 9999;

std::string lf_rowName(int row) {
    const auto letter = [](int n) { return static_cast<char>('A' + n % 26); };
    return row < 26 ? std::string(1, letter(row)) : fmt::format("{}{}", letter(row / 26 - 1), letter(row));
}

} // namespace

std::vector<LoadStand> loadAirportStands(const LoadConfig& load, const LoadAirportConfig& airport,
                                         const std::vector<Airframe>& airframes) {
    std::set<std::string> flown;
    for (const Airframe& frame : loadAirframes(load, airframes))
        flown.insert(frame.registration);
    std::vector<Airframe> spare;
    std::set<std::string> seen;
    for (const Airframe& frame : airframes)
        if (!flown.contains(frame.registration) && seen.insert(frame.registration).second)
            spare.push_back(frame);
    if (airport.stands < 0 || spare.size() < 2 * static_cast<std::size_t>(airport.stands))
        throw std::runtime_error(fmt::format("{} stands need {} airframes that the load does not fly, there are {}",
                                             airport.stands, 2 * airport.stands, spare.size()));

    std::map<std::string, int> nextNumber; // by airline
    const auto flightNumber = [&](const std::string& airline) {
        int& next = nextNumber.try_emplace(airline, kFirstFlightNumber).first->second;
        if (next + 1 > kLastFlightNumber)
            throw std::runtime_error(fmt::format("airline {} runs out of flight numbers", airline));
        next += 2;
        return next - 2;
    };
    const int rows = (airport.stands + kStandsPerRow - 1) / kStandsPerRow;
    const double firstNorth = -kAcrossMetres * (rows - 1) / 2.0;
    const double metresPerDegreeEast = kMetresPerDegree * std::cos(load.centreLatitude * g_pi / 180.0);
    std::vector<LoadStand> stands;
    for (int n = 0; n < airport.stands; ++n) {
        const int row = n / kStandsPerRow;
        const int column = n % kStandsPerRow;
        LoadStand stand;
        stand.id = fmt::format("{}{}", lf_rowName(row), column + 1);
        stand.latitude = load.centreLatitude + (firstNorth + kAcrossMetres * row) / kMetresPerDegree;
        stand.longitude = load.centreLongitude + (kFirstEastMetres + kAlongMetres * column) / metresPerDegreeEast;
        stand.heading = row % 2 == 0 ? 0.0 : 180.0;
        stand.radiusMetres = kRadiusMetres;
        const Airframe* regulars[2] = {&spare[2 * static_cast<std::size_t>(n)],
                                       &spare[2 * static_cast<std::size_t>(n) + 1]};
        // Each stay keeps its flight numbers on every day.
        int numbers[kStaysPerDay];
        for (int stay = 0; stay < kStaysPerDay; ++stay)
            numbers[stay] = flightNumber(regulars[stay % 2]->airline);
        for (int day = 1; day <= 7; ++day) {
            for (int stay = 0; stay < kStaysPerDay; ++stay) {
                const Airframe& frame = *regulars[stay % 2];
                stand.flights.push_back({frame, day, stay * kHalfHoursPerStay, (stay + 1) * kHalfHoursPerStay - 1,
                                         fmt::format("{}{}", frame.airline, numbers[stay]),
                                         fmt::format("{}{}", frame.airline, numbers[stay] + 1)});
            }
        }
        stands.push_back(std::move(stand));
    }
    int gate = 0;
    for (const LoadGate& g : loadGates(load, airframes)) {
        LoadStand stand;
        stand.id = fmt::format("GT{}", ++gate);
        stand.latitude = g.latitude;
        stand.longitude = g.longitude;
        stand.heading = g.heading;
        stand.radiusMetres = kRadiusMetres;
        stands.push_back(std::move(stand));
    }
    return stands;
}

void writeLoadAirport(const LoadAirportConfig& airport, const std::vector<LoadStand>& stands,
                      const std::filesystem::path& path) {
    // The quality factor counts the real flights' days and half hours.
    std::vector<Stand> table;
    for (const LoadStand& s : stands) {
        std::vector<StandOpt> options;
        for (const LoadStandFlight& f : s.flights) {
            StandOpt option;
            option.number = static_cast<std::uint32_t>(options.size() + 1);
            option.day = static_cast<std::uint32_t>(f.day);
            for (int h = f.first; h <= f.last; ++h)
                option.halfHours.set(static_cast<std::size_t>(h));
            options.push_back(std::move(option));
        }
        table.emplace_back(s.id, std::move(options), s.latitude, s.longitude, 0.0, s.radiusMetres, false, false, false);
    }
    const QualityFactor quality = gf_qualityFactor(table);

    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("root");
    tools::gf_appendStandFileMeta(root, 1);
    pugi::xml_node parameters = root.append_child("parameters");
    const std::pair<const char*, std::string> values[] = {{"airport_name", airport.name},
                                                          {"publisher", "stock"},
                                                          {"altitude", std::to_string(airport.altitudeFt)},
                                                          {"num_parkpos", std::to_string(stands.size())},
                                                          {"Qf_real", std::to_string(quality.real)},
                                                          {"Qf_soft", std::to_string(quality.soft)}};
    for (const auto& [name, value] : values)
        tools::gf_appendStandFileParameter(parameters, name, value);
    pugi::xml_node positions = root.append_child("parkpositions");
    for (const LoadStand& s : stands) {
        pugi::xml_node p = positions.append_child("parkpos");
        p.append_attribute("id") = s.id.c_str();
        p.append_attribute("latitude") = fmt::format("{:.6f}", s.latitude).c_str();
        p.append_attribute("longitude") = fmt::format("{:.6f}", s.longitude).c_str();
        p.append_attribute("heading") = fmt::format("{:.1f}", s.heading).c_str();
        p.append_attribute("radius") = fmt::format("{:.1f}", s.radiusMetres).c_str();
        p.append_attribute("cargo") = "false";
        p.append_attribute("ramp") = "false";
        for (const LoadStandFlight& f : s.flights) {
            pugi::xml_node opt = p.append_child("opt");
            opt.append_attribute("reg") = f.airframe.registration.c_str();
            opt.append_attribute("airl") = f.airframe.airline.c_str();
            opt.append_attribute("type") = f.airframe.type.c_str();
            opt.append_attribute("day") = f.day;
            opt.append_attribute("hh") = fmt::format("{}:{}", f.first, f.last).c_str();
            opt.append_attribute("cs") = fmt::format("{}:{}", f.callsign, f.callsign2).c_str();
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec); // a failure shows in the save
    if (!gf_saveXml(doc, path))
        throw std::runtime_error(fmt::format("cannot write {}", path.string()));
}

} // namespace skf::rtreplay
