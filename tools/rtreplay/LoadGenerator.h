#pragma once
// The replayer's load generator: a feed of N live aircraft around a position (by default Amsterdam
// Schiphol), for the whole program's measurement and for load tests. The mix is what a busy hub shows:
// overflights in cruise, descents, approaches that land and taxi in, take-offs that climb out, aircraft
// taxiing and aircraft standing at the gates; each aircraft reports every 2 to 5 seconds. Types, airlines
// and registrations come from the program's aircraft database (dbase.xml), so that every aircraft is one
// the database knows.
//
// Called by the `rtreplay` executable (--load) and by tests, on any thread; pure functions of their
// arguments (the seed makes the feed the same on every run). Never sends anything.
#include "tools/rtreplay/Replayer.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace skf::rtreplay {

// One airframe of the database: registration, operating airline (ICAO code) and type designator.
struct Airframe {
    std::string registration;
    std::string airline;
    std::string type;
};

// The airframes of a dbase.xml ("<d r=.. a=.. m=..>" under "aircrafts"), without private aircraft, military
// jets and helicopters. Throws std::runtime_error naming the file when it cannot be read or holds none.
std::vector<Airframe> readAirframes(const std::filesystem::path& dbaseXml);

// What an aircraft of the load does during the feed.
enum class LoadRole { Cruise, Descent, Approach, Departure, Taxi, Parked };

struct LoadConfig {
    int aircraft = 500;
    double seconds = 600.0; // length of the feed
    double centreLatitude = 52.3086;
    double centreLongitude = 4.7639;
    double elevationFt = -11.0;
    std::uint32_t seed = 1;
    std::uint32_t firstTrafficId = 3000001; // apart from the sample feed's ids
    double minIntervalSeconds = 2.0;
    double maxIntervalSeconds = 5.0;
    double epoch = 1717000000.0; // field 14 at offset 0 (the replayer re-bases it to now)
};

// The role of the n-th aircraft (0-based): a fixed mix of cruise 20 %, descent 15 %, approach 20 %,
// departure 10 %, taxi 15 % and parked 20 %.
[[nodiscard]] LoadRole loadRole(int n);

// The airframe of each aircraft of the load, in aircraft order (airframes repeat only when the load has more
// aircraft than there are airframes); empty when airframes is empty.
[[nodiscard]] std::vector<Airframe> loadAirframes(const LoadConfig& config, const std::vector<Airframe>& airframes);

// The feed of the load, sorted by offset; empty when airframes is empty.
[[nodiscard]] std::vector<FeedLine> generateLoad(const LoadConfig& config, const std::vector<Airframe>& airframes);

// Where an aircraft of the load stands still at the start: a parked aircraft, or a departure before it
// taxis out (degrees; the heading it stands at).
struct LoadGate {
    double latitude = 0.0;
    double longitude = 0.0;
    double heading = 0.0;
};

// The gates of the load's parked aircraft and departures, in aircraft order.
[[nodiscard]] std::vector<LoadGate> loadGates(const LoadConfig& config, const std::vector<Airframe>& airframes);

} // namespace skf::rtreplay
