#pragma once
// The stock model of a base container; used inside liveries/ and by the tests and fuzz targets only.
#include "liveries/LiveryServices.h"

namespace skf {

// The ICAO type designator of an aircraft.cfg's base container, or empty text.
[[nodiscard]] std::string lf_stockModelOfBaseContainer(std::string_view aircraftCfg);

} // namespace skf
