// Fuzz target: the airport list (input/airports.enc): the input is the plain XML, encrypted with the
// program's key before the read. Every airport read has a usable position; a failure is error 88, and the
// plain file is gone afterwards.
// Seeds: sample/airports.xml
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/Codes.h"
#include "data/Airports.h"
#include "data/Crypto.h"
#include "fuzz/support/FuzzFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    skf::fuzz::workFolder();
    skf::test::writeBytes("plain.xml", skf::fuzz::inputText(data, size));
    std::filesystem::create_directories("input");
    skf::gf_streamEncrypt(skf::g_dataKey, "plain.xml", "input/airports.enc");
    skf::gf_resetAirports();
    try {
        skf::gf_readAirports();
        for (const skf::Airport& a : skf::g_airports)
            if (!std::isfinite(a.latitude) || std::fabs(a.latitude) > 90 || !std::isfinite(a.longitude) ||
                std::fabs(a.longitude) > 180 || !std::isfinite(a.altitude))
                std::abort();
    } catch (const skf::UserErrorException& e) {
        if (std::string(e.what()).rfind("88: ", 0) != 0)
            std::abort();
    }
    if (std::filesystem::exists("input/airports.xml"))
        std::abort();
    return 0;
}
