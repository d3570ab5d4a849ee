#pragma once
// The simulator's stock aircraft: package folder name -> ICAO type designator. The
// livery scan looks up a livery's base container here (exact, case-sensitive).

#include <string>
#include <unordered_map>

namespace skf {

extern const std::unordered_map<std::string, std::string> g_stockAircraftTypes;

} // namespace skf
