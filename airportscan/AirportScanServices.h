#pragma once
// Add-on airport scan: what the rest of the program uses of it.
//
// gf_scanApfs runs on the start-up thread, once per start while SCAN_AIRPORTS is on: it walks the
// simulator's package folders for scenery files with airports, links or generates their airport files
// (airports/my_simaddon, airports/my_thirdparty), writes output/info/AirportsScanLog.txt, archives the
// airports of other publishers that it cannot place into tblo/tblo.zip and switches SCAN_AIRPORTS off
// (the start-up shows the check box). Its workers have all ended when it returns.

#include <atomic>
#include <cstdint>

namespace skf {

// The number of add-on airports of other publishers that the scan could not place (the entries archived
// in the TBLO folder). Written by the scan on the start-up thread; read by anyone.
extern std::atomic<std::uint32_t> g_unrecognisedAirports;

// The add-on airport scan; stops early on a stop flag.
void gf_scanApfs();

} // namespace skf
