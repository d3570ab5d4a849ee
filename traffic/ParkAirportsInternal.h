#pragma once
// The steps of reading the park airports; used inside traffic/ and by the tests only.
#include "traffic/ParkAirports.h"

namespace skf {

// Reads the file into the list (emptied first), then the add-on folder airports. False when a line named
// an unknown airport or held a malformed code (the reading ends at a malformed code).
bool lf_readMyParkAirports();

// The same for the lines of the file, appended to the list.
bool lf_readParkAirportLines(const std::vector<std::string>& lines);
void lf_addThirdpartyParkAirports();

} // namespace skf
