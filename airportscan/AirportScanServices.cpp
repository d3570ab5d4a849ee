// Placeholder of the add-on airport scan: nothing is scanned, nothing written.
#include "airportscan/AirportScanServices.h"

namespace skf {

std::atomic<std::uint32_t> g_unrecognisedAirports{0};

void gf_scanApfs() {}

} // namespace skf
