// libFuzzer target of the park airports file reader (my_park_airports.txt): any bytes, read as the
// file's lines against a small airport list, must give a list of known airports and no crash.
// Seeds: tests/traffic/seeds/my_park_airports.txt
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Files.h"
#include "core/FilesInternal.h"
#include "data/Airports.h"
#include "traffic/ParkAirports.h"
#include "traffic/ParkAirportsInternal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace skf;
    if (g_airports.empty()) {
        for (const char* icao : {"EDDF", "EHAM", "EHRD", "LFPG"}) {
            Airport a;
            a.icao = IcaoCode(icao);
            g_airports.push_back(a);
        }
    }
    std::vector<std::string> lines;
    lf_splitBufferLines(std::string_view(reinterpret_cast<const char*>(data), size), lines);
    g_parkAirports.clear();
    lf_readParkAirportLines(lines);
    for (const ParkAirport& p : g_parkAirports) {
        const bool listed =
            std::any_of(g_airports.begin(), g_airports.end(), [&](const Airport& a) { return a.icao == p.icao; });
        if (!listed)
            __builtin_trap();
    }
    g_parkAirports.clear();
    return 0;
}
