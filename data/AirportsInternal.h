#pragma once
// The steps of the airport list's reader; used inside data/ only.
#include "data/Airports.h"

namespace skf {

// Appends the record of one "ap" element whose ICAO code is already checked, or logs why not.
void lf_readAirportElement(const pugi::xml_node& ap, const FixedCode<4>& icao);

// "gf_readAirports exception : {text}"
std::string lf_readAirportsErrorText(std::string_view what);

} // namespace skf
