// Stands of the park airport and their flight options (stand schedules).
#pragma once

#include <atomic>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/ProgramState.h"
#include "core/Units.h"

namespace skf {

// The 48 half hours of a day: bit k stands for k x 30 minutes after midnight.
using HalfHourBits = std::bitset<48>;

// One flight that is known to use a stand on a given day and given half hours.
struct StandOpt {
    uint16_t airline = 0;     // id in the operator pool
    uint16_t model = 0;       // id in the model pool
    std::string registration; // options without one are never written to files
    std::string callsign;     // first callsign part (before ':' in the file)
    std::string callsign2;    // second callsign part; empty when there is none
    HalfHourBits halfHours;
    uint32_t number = 0; // option number within the stand, from 1; 0 = disabled
    uint32_t day = 0;    // 1 = Monday .. 7 = Sunday
    uint32_t source = 0; // 1 read from the airport file, 0 learned
    uint32_t real = 1;   // 1 observed flight, 0 soft flight
    uint8_t cpl = 0;     // the stay is complete (carried from the traffic engine to the file)
};

// One parking position of the park airport.
struct Stand {
    std::vector<StandOpt> options;
    std::string id;
    std::vector<int32_t> adjacent; // sids of neighbouring stands
    double latitude = 0.0;         // degrees
    double longitude = 0.0;        // degrees
    double heading = 0.0;          // radians
    double radius = 0.0;           // nautical miles
    int32_t sid = 0;               // 1-based number in table order
    bool manual = false;           // added by hand
    bool radiusChanged = false;    // radius changed by learning
    bool cargoChanged = false;     // cargo flag changed by learning
    // Run-time state of the traffic engine; never read from or written to files.
    bool staticUsed = false;
    bool occupied = false;
    bool excluded = false;
    bool adjacentBlocked = false;
    bool cargo = false;
    bool ramp = false;
    bool heli = false;

    Stand() { adjacent.reserve(8); }
    // The heading is in radians, the radius in metres (kept in nautical miles); the three kind
    // flags are taken as given.
    Stand(std::string standId, std::vector<StandOpt> opts, double lat, double lon, double headingRad,
          double radiusMetres, bool isCargo, bool isRamp, bool isHeli)
        : options(std::move(opts)), id(std::move(standId)), latitude(lat), longitude(lon), heading(headingRad),
          radius(radiusMetres * g_metresToNm), cargo(isCargo), ramp(isRamp), heli(isHeli) {
        adjacent.reserve(8);
    }
};

// The stand table of the park airport, ordered by sid; held by the park airport's owner
// (data/apf/ParkApfState.h). Only the engine's thread (the start-up thread) reads and writes it.
extern std::vector<Stand>& g_stands;

// The stand with this numeric id, or null (ids below 1, unknown ids, no table). Engine thread.
Stand* gf_findStand(std::int32_t sid);
// Marks the stand occupied or free; an unknown id changes nothing. Also called by the simulator link when
// it takes a live aircraft out (on the engine's thread). Engine thread.
void gf_setStandOccupied(std::int32_t sid, bool occupied);

// Number of options learned in this run; the main window shows it. Held by the park airport's owner.
extern std::atomic<uint32_t>& g_learnedUpdates;

// Adds a learned option for one half hour. Returns the new option number, or nothing when the
// registration is empty or the same flight (registration, day, half hours) is already there.
// A slot of 48 or more throws std::out_of_range("invalid bitset position").
std::optional<uint32_t> gf_addStandOpt(std::vector<StandOpt>& options, uint16_t airline, uint16_t model, uint32_t day,
                                       int slot, std::string_view callsign, std::string_view registration, uint8_t cpl);

// The callsign without the one trailing '_' that marks a callsign the feed made unique.
std::string_view gf_callsignWithoutUniqueMark(std::string_view callsign);

// The (first) option with this number, or null.
StandOpt* gf_standOptByNumber(std::vector<StandOpt>& options, uint32_t number);

// Records a callsign on the option with this number.
void gf_findStandOpt(std::vector<StandOpt>& options, uint32_t number, std::string_view callsign);

// Sets the half hours taken from the back of `slots` in the option with this number.
bool updateOptions(std::vector<StandOpt>& options, std::vector<int>& slots, uint32_t number);

// The same across midnight: number1 is the previous day's option, number2 today's.
bool updateOptionsWrapped(std::vector<StandOpt>& options, std::vector<int>& slots, uint32_t number1, uint32_t number2);

// n half-hour slots counted back from now (current slot first); slot 0 is preceded by 47.
std::vector<int> gf_halfHoursBack(DayAndSlot now, int n);
void gf_pushHalfHoursBack(std::vector<int>& slots, int n, DayAndSlot now);

// Sets a bit of a half-hour set; a position outside 0..47 throws std::out_of_range
// ("invalid bitset position").
void gf_setHalfHour(HalfHourBits& bits, int slot);

} // namespace skf
