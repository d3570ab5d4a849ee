#pragma once
// The world of the simulator stand-in: which simulator it names itself, the user aircraft's path, flat ground
// areas, the installed AI titles, the AI capacity and the foreign traffic. Read from a JSON scenario file:
//
// {
//   "simulator": 2020,                         2020 ("KittyHawk") or 2024 ("SunRise")
//   "version": [11, 0, 282174, 999],
//   "flightRunning": true,                     a flight runs from the start
//   "user": { "title": "...", "atcModel": "...", "atcId": "...", "objectId": 1 },
//   "firstAiObjectId": 100,                    object ids handed out from here on
//   "zulu": { "year": 2024, "dayOfYear": 160, "seconds": 43200 },
//   "path": [ { "t": 0, "lat": .., "lon": .., "alt": "ground" | feet, "heading": deg, "phase": "parked" },
//             { "t": 60, ..., "jump": true } ],  "jump": the aircraft is put there at t (a teleport)
//   "areas": [ { "name": "EHAM", "lat": .., "lon": .., "radiusNm": 5, "elevationFt": -11 } ],
//   "installedTitles": [ "title", ... ],       "*" installs every title
//   "capacity": 1000, "confirmFrames": 3, "staticCgFt": 7.5, "staticPitchDeg": -0.5,
//   "foreign": [ { "atcId": "AS-GEN", "title": "..", "lat": .., "lon": .., "alt": "ground" | feet,
//                  "heading": deg, "speedKts": 0, "appearAt": 2, "removeAt": 30 } ]
// }
// Every field is optional; a file that is not JSON or has a field of the wrong type is refused with a clear
// message (std::runtime_error).

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace skf::standin {

struct Waypoint {
    double t = 0;                // seconds of flight time
    double lat = 0, lon = 0;     // degrees
    std::optional<double> altFt; // empty: on the ground
    double headingDeg = 0;
    bool jump = false; // put there at t instead of moving there
    std::string phase;
};

struct GroundArea {
    std::string name;
    double lat = 0, lon = 0, radiusNm = 0, elevationFt = 0;
};

struct ForeignAircraft {
    std::string atcId;
    std::string title = "Foreign Airliner";
    double lat = 0, lon = 0;
    std::optional<double> altFt; // empty: on the ground
    double headingDeg = 0;
    double speedKts = 0;
    double appearAt = 0;  // seconds of flight time
    double removeAt = -1; // negative: never
};

struct Scenario {
    int simulator = 2020;
    std::array<std::uint32_t, 4> version{11, 0, 282174, 999};
    bool flightRunning = true;
    std::string userTitle = "Airbus A320 Neo Asobo";
    std::string userAtcModel = "A320";
    std::string userAtcId = "ASXGS";
    std::uint32_t userObjectId = 1;
    std::uint32_t firstAiObjectId = 100;
    int zuluYear = 2024, zuluDayOfYear = 160;
    double zuluSeconds = 43200;
    std::vector<Waypoint> path;
    std::vector<GroundArea> areas;
    std::vector<std::string> installedTitles{"*"};
    std::uint32_t capacity = 1000;
    std::uint32_t confirmFrames = 3;
    double staticCgFt = 7.5;
    double staticPitchDeg = -0.5;
    std::vector<ForeignAircraft> foreign;
};

Scenario gf_parseScenario(const nlohmann::json& j);
Scenario gf_loadScenario(const std::filesystem::path& file);
// A scenario with the user aircraft parked at a stand of Amsterdam Schiphol (EHAM), used when none is given.
Scenario gf_defaultScenario();

// Great-circle distance in nautical miles.
double gf_standInDistanceNm(double lat1, double lon1, double lat2, double lon2);

} // namespace skf::standin
