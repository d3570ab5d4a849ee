// Fuzz target: the registration database's XML (input/dbase.xml after the decryption). Every wingspan
// read is a positive number, and the plain file is gone afterwards.
// Seeds: sample/dbase.xml
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>

#include "data/Dbase.h"
#include "fuzz/support/FuzzFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    skf::fuzz::workFolder();
    skf::gf_clearDbase();
    skf::test::writeBytes("dbase.xml", skf::fuzz::inputText(data, size));
    try {
        skf::gf_readDbaseXml("dbase.xml");
    } catch (const std::exception&) {
        // the reader's own error for a damaged database
    }
    for (const auto& [code, half] : skf::g_halfWingspanByCode)
        if (!std::isfinite(half) || half <= 0)
            std::abort();
    if (!std::isfinite(skf::g_maxHalfWingspan) || std::filesystem::exists("dbase.xml"))
        std::abort();
    return 0;
}
