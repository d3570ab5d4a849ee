#pragma once
// Fuzz target helper: the state the park airport's file is read against (the sample airport list and
// database, the settings the airport files touch), built once in the run's working folder. The park
// airport is EGLC; its file is airports/my_simaddon/EGLC.xml, its learned file
// airports/learned/my_simaddon/EGLC.xml.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "core/Codes.h"
#include "data/Airports.h"
#include "data/Crypto.h"
#include "data/Dbase.h"
#include "data/apf/ParkApf.h"
#include "data/apf/Stand.h"
#include "fuzz/support/FuzzFolder.h"

namespace skf::fuzz {

inline constexpr std::string_view kParkFile = "airports/my_simaddon/EGLC.xml";
inline constexpr std::string_view kLearnedFile = "airports/learned/my_simaddon/EGLC.xml";

inline void prepareParkAirport() {
    static const bool ready = [] {
        namespace fs = std::filesystem;
        workFolder();
        const fs::path sample = fs::path(SKYFILL_SOURCE_DIR) / "sample";
        fs::create_directories("input");
        gf_streamEncrypt(g_dataKey, sample / "airports.xml", "input/airports.enc");
        gf_readAirports();
        fs::copy_file(sample / "dbase.xml", "dbase.xml", fs::copy_options::overwrite_existing);
        gf_readDbaseXml("dbase.xml");
        for (const char* folder : {"airports/learned/stock", "airports/learned/my_simaddon", "airports/my_simaddon",
                                   "airports/my_thirdparty"})
            fs::create_directories(folder);
        const auto icao = gf_findAirportByPrefix("EGLC");
        if (!icao)
            std::abort();
        for (const Airport& a : g_airports)
            if (a.icao == *icao)
                g_parkAirport = a;
        return true;
    }();
    (void)ready;
    workFolder();
}

// Reads the park airport's file; every stand read must have a usable position and size.
inline void readParkAirportChecked() {
    g_stands.clear();
    g_parkApfInfo = {};
    try {
        gf_readApf(kParkFile, g_parkApfInfo);
    } catch (const UserErrorException&) {
        // the reader's own error for a broken airport file
    }
    for (const Stand& s : g_stands)
        if (!std::isfinite(s.latitude) || std::fabs(s.latitude) > 90 || !std::isfinite(s.longitude) ||
            std::fabs(s.longitude) > 180 || !std::isfinite(s.radius) || s.radius < 0 || !std::isfinite(s.heading))
            std::abort();
}

} // namespace skf::fuzz
