// Fuzz target: parameters.xml, loaded as at the start of the program; every number must end inside its
// range, and the file left behind must load again.
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "core/settings/SettingsFile.h"
#include "fuzz/support/FuzzFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool paths = [] {
        const std::filesystem::path config = skf::fuzz::workFolder() / "config";
        std::filesystem::create_directories(config);
        skf::gf_buildProgramPathsIn(config);
        std::filesystem::create_directories(skf::g_dataFolder);
        return true;
    }();
    (void)paths;
    skf::fuzz::workFolder();
    for (auto* p : skf::g_intParams)
        p->set(p->defaultVal());
    skf::test::writeBytes(skf::g_parametersPath, skf::fuzz::inputText(data, size));
    skf::gf_loadParameters();
    for (auto* p : skf::g_intParams)
        if (p->value() != p->clamp(p->value()))
            std::abort();
    pugi::xml_document doc;
    if (!doc.load_file(skf::g_parametersPath.c_str()))
        std::abort();
    return 0;
}
