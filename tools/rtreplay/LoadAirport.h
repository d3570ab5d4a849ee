#pragma once
// The park airport of the generated load: a stand file (the airport-file format Skyfill downloads) with
// stands for both kinds of its traffic, so that the whole program can be measured with its full live and
// static load.
// - A stand at every gate where a live aircraft of the load stands still (parked aircraft, departures before
//   they taxi out), without flights: Skyfill shows a live aircraft that stands still only on a stand.
// - A grid of stands east of the load's terminal area that can all be filled with static aircraft at any time of
//   the week, far enough apart that none is another's neighbour; each is shared by two airframes of the
//   database that the load does not fly, one after the other, all day on every day, under daily flight
//   numbers above the load's callsigns. A static aircraft thus never shares a registration or a callsign
//   with a live one (which would make it go as a twin).
//
// Called by the `rtreplay` executable (--park-airport) and by tests, on any thread. The airport-file
// writer needs the database's pools only for the quality factor; it reads no global state otherwise.
#include "tools/rtreplay/LoadGenerator.h"

#include <filesystem>
#include <string>
#include <vector>

namespace skf::rtreplay {

struct LoadAirportConfig {
    int stands = 400; // of the grid, for static aircraft; the gates come on top
    std::string name = "Amsterdam Schiphol";
    int altitudeFt = -11;
};

// One flight of a stand: an airframe at the stand on a weekday (1 = Monday .. 7) over the half hours
// first..last, arriving as callsign and leaving as callsign2.
struct LoadStandFlight {
    Airframe airframe;
    int day = 1;
    int first = 0;
    int last = 47;
    std::string callsign;
    std::string callsign2;
};

struct LoadStand {
    std::string id;
    double latitude = 0.0;  // degrees
    double longitude = 0.0; // degrees
    double heading = 0.0;   // degrees
    double radiusMetres = 0.0;
    std::vector<LoadStandFlight> flights;
};

// The grid's stands, then the gates' (ids "GT1", "GT2", ...). Throws std::runtime_error when the airframes that the
// load leaves (those of `airframes` not in loadAirframes(load, airframes)) are fewer than two per stand.
[[nodiscard]] std::vector<LoadStand> loadAirportStands(const LoadConfig& load, const LoadAirportConfig& airport,
                                                       const std::vector<Airframe>& airframes);

// Writes the stands as an airport file (through a temporary file); throws std::runtime_error naming the
// file when it cannot be written.
void writeLoadAirport(const LoadAirportConfig& airport, const std::vector<LoadStand>& stands,
                      const std::filesystem::path& path);

} // namespace skf::rtreplay
