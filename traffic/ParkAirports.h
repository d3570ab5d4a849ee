#pragma once
// The park-airport list: the airports at which static parking may open while the user flies, each with
// the stand the user parks at (kept free of static aircraft). Read from airports/my_park_airports.txt and
// the add-on folder airports/my_thirdparty; entries learned at run time are written back to the file.
//
// Called on the start-up thread, which also runs the engine (start-up read, main cycle, "Re-read" and
// destination requests); the window never touches the list. The file is only ever replaced whole,
// through a temporary file, and never when its current lines could not be read.
#include <cstdint>
#include <list>
#include <optional>
#include <string>
#include <vector>

#include "core/Codes.h"

namespace skf {

struct ParkAirport {
    std::string reservedStand; // may be empty
    double latitude = 0.0;     // degrees, from the airport list
    double longitude = 0.0;
    double distance = 0.0; // NM from the user, 0 until computed
    IcaoCode icao;
};

extern std::list<ParkAirport>& g_parkAirports; // in the engine state (EngineState.h)
// The park airport's reserved stand in force (a stand name of the table, or empty).
extern std::string& g_reservedStand;

inline constexpr const char* kParkAirportsFileName = "my_park_airports.txt";
inline constexpr std::size_t kParkAirportsWarnAbove = 3000;

// Reads the file into the list (emptied first), then the add-on folder airports. False when a line named
// an unknown airport or held a malformed code (the reading ends at a malformed code).
bool gf_readMyParkAirports();
// Writes the list's first entry into the file (replacing the line of its airport), sorted and unique.
void gf_saveMyParkAirports();
// "Re-read": reads the file again and, with checkReserved, applies a changed reserved stand of the park
// airport. The message for the status line goes to `message`; false when the file could not be read.
bool gf_checkParkAirportsFile(bool checkReserved, std::string& message);
// Puts the airport first; a new one is also written to the file.
void gf_addParkAirport(const IcaoCode& icao, double latitude, double longitude);
// The user parks on `standName` at the park airport: when the first entry is the park airport with another
// reserved stand, it takes this one and the file is saved. True when it changed.
bool gf_reserveUserStand(const std::string& standName);
// The distance (NM) from the user aircraft to the first entry; none for an empty list.
std::optional<double> gf_nearestParkAirportNm();

} // namespace skf
