// The park airport's file and the closest airport of a position.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/Codes.h"
#include "data/Airports.h"

namespace skf {

// The park airport (empty ICAO: none). Set by the traffic engine when it opens a park airport;
// gf_readApf sets its elevation from the airport file. This and the values below are held by the park
// airport's owner (data/apf/ParkApfState.h), on the engine's thread.
extern Airport& g_parkAirport;

// The first airport of the list with this code, or nullptr.
const Airport* gf_findListedAirport(const FixedCode<4>& icao);

// What the park airport's file header said.
struct ParkApfInfo {
    std::string airportName;
    std::string publisher;
    int32_t altitude = -1; // feet
};

extern ParkApfInfo& g_parkApfInfo;

// The learned file of the open park airport, mapped once when its airport file was read; the
// learned save writes to this very path so that the next read finds it. Empty: none (also after
// a read that failed).
extern std::filesystem::path& g_learnedApfPath;

// The file's RT_traffic_week (0 when absent); shown in the main window.
extern std::atomic<int32_t>& g_rtTrafficWeek;

// The park airport's file was read; the traffic engine and the window test it, closing the park
// airport clears it.
extern std::atomic<bool>& g_parkStandsLoaded;

// The elevation (feet) of the airport around which the live traffic reader accepts traffic, and
// whether it is valid. Set by gf_readApf; read by the feed's traffic reader.
extern std::atomic<double>& g_trafficReferenceElevation;
extern std::atomic<bool>& g_trafficReferenceElevationValid;

// The closest airport of the list within 5 NM of a position, looking at the stands of a close
// neighbour; nullptr when there is none.
const Airport* gf_findClosestAirport(double latitude, double longitude);

// For the engine, which must not wait on the network: true when the files that gf_findClosestAirport
// would download for this position (two close airports' archived files) are at hand; else their downloads
// run on workers (ApfFetch.h) and the engine asks again later.
bool gf_closestAirportFilesAtHand(double latitude, double longitude);
// The same for gf_readApf of the park airport (g_parkAirport).
bool gf_parkFileAtHand();

// Reads the park airport's file (local path or archive path) into g_stands with its learned data
// merged in. Returns an error text, empty on success; throws UserErrorException (65, 93, 94).
std::string gf_readApf(std::string_view path, ParkApfInfo& info);

// The distance (NM) of the airport's stand closest to a position and its id; 100.0 when none.
double gf_readDestApfForClosestStand(const FixedCode<4>& icao, double latitude, double longitude, std::string& standId);

} // namespace skf
