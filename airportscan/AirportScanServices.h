#pragma once
// Add-on airport scan: what the rest of the program uses of it.
//
// This build holds the scan's placeholder: no scenery is scanned and no airport file is written.

#include <atomic>
#include <cstdint>

namespace skf {

// Add-on airports of other publishers that the scan could not place.
extern std::atomic<std::uint32_t> g_unrecognisedAirports;

// The add-on airport scan; stops early on a stop flag.
void gf_scanApfs();

} // namespace skf
