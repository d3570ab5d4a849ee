// Fuzz target: versions.json of the download server (read, then removed) and the version texts of the
// settings (dotted or a JSON object).
// Seeds: tools/skyfill-data/versions.json.in
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "core/Codes.h"
#include "data/UpdateCheck.h"
#include "data/UpdateCheckInternal.h"
#include "fuzz/support/FuzzFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    skf::fuzz::workFolder();
    skf::test::writeBytes("versions.json", skf::fuzz::inputText(data, size));
    if (const auto root = skf::lf_readVersionsFile("versions.json")) {
        for (const char* member : {"msfs", "simaddon", "airports", "aig", "liveries", "addons", "dbase"})
            skf::lf_versionOf(*root, member);
    }
    if (std::filesystem::exists("versions.json"))
        std::abort();
    skf::gf_parseVersion(skf::fuzz::inputText(data, size));
    return 0;
}
