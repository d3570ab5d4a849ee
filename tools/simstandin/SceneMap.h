#pragma once
// What is in the simulator stand-in, for a person: a plain-text map (and a small picture, PPM) of the user
// aircraft, the AI objects Skyfill created (live ones, which it moves, and static ones, which it placed once)
// and the simulator's own traffic, each with its title, ATC ID, position, altitude or "ground", heading and,
// on the ground, the nearest stand of the airport file given to the stand-in.
//
// The executable `simstandin` writes it on SIGUSR1, every --map-every seconds and when it ends (SceneMapper,
// on its main thread); tests call gf_sceneMapText on the stand-in's objects(). It only reads what the
// stand-in's public calls return and never changes the stand-in.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/simstandin/Scenario.h"
#include "tools/simstandin/SimStandIn.h"

namespace skf::standin {

struct MapStand {
    std::string name;
    double lat = 0, lon = 0;
};

// The stands of one airport file (its `parkpositions`), named by the file's name without extension.
struct MapAirport {
    std::string icao;
    std::vector<MapStand> stands;
};

// Reads the stands of an airport file; throws std::runtime_error naming the file and what is wrong with it
// (not readable XML, no stands). Stands without a name or usable position are left out.
MapAirport gf_readMapAirport(const std::filesystem::path& file);

enum class MapRole { User, Live, Static, Foreign };

// One object as the map shows it.
struct MapEntry {
    MapRole role = MapRole::User;
    SimObjectState object;
    bool onGround = false;
    double aglFt = 0;
    std::string stand; // nearest stand within kMapStandRangeM when on the ground; empty: none
    double standM = 0; // its distance in metres
};

inline constexpr double kMapStandRangeM = 250.0;

// The map's rows: user first, then live, static and the simulator's own, each by ATC ID. An AI object counts
// as live once its client has moved it more than once (Skyfill moves a live aircraft on every frame and puts
// a static one on its stand once).
std::vector<MapEntry> gf_sceneMapEntries(const std::vector<SimObjectState>& objects, const Scenario& scenario,
                                         const MapAirport* airport);
std::string gf_sceneMapText(const std::vector<SimObjectState>& objects, const Scenario& scenario,
                            const MapAirport* airport, std::uint64_t frame);
// A top view (binary PPM) of the airport's stands and the objects around them: user blue, live green (yellow
// in the air), static red, the simulator's own white, with a tick for the heading.
std::string gf_sceneMapPicture(const std::vector<MapEntry>& entries, const MapAirport* airport, int sizePx = 800);

// A --map-every value: a number of seconds, 0 or more; throws std::runtime_error naming the option otherwise.
double gf_mapSeconds(const std::string& text);

// The executable's map options and their writer.
class SceneMapper {
public:
    // Takes "--map FILE", "--map-picture FILE", "--map-every SECONDS" and "--map-airport FILE"; false for any
    // other option. value() gives the option's value (it throws when there is none).
    template <typename NextValue>
    bool option(const std::string& name, NextValue value) {
        if (name == "--map")
            textPath_ = value();
        else if (name == "--map-picture")
            picturePath_ = value();
        else if (name == "--map-every")
            everySeconds_ = gf_mapSeconds(value());
        else if (name == "--map-airport")
            airport_ = gf_readMapAirport(value());
        else
            return false;
        return true;
    }
    bool enabled() const { return !textPath_.empty() || !picturePath_.empty(); }
    // SIGUSR1 asks for a map (only when one is written).
    void catchSignal();
    // Writes the map when it is asked for or due.
    void poll(const SimStandIn& standIn, const Scenario& scenario);
    // Writes the map now (each file replaced through a temporary file); a failure goes to stderr.
    void write(const SimStandIn& standIn, const Scenario& scenario);

private:
    std::string textPath_, picturePath_;
    double everySeconds_ = 0;
    std::optional<MapAirport> airport_;
    std::chrono::steady_clock::time_point next_ = std::chrono::steady_clock::now();
};

} // namespace skf::standin
