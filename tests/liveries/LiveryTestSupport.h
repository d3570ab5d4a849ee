#pragma once
// Test helpers of the livery scan: the sample database loaded once per test program, a tree of aircraft.cfg
// files written from text, and the program's working folders (output, output/info, input) in a WorkFolder.
#include "core/settings/ProgramPaths.h"
#include "data/Dbase.h"
#include "support/TempFolder.h"
#include "support/WorkFolder.h"

#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string>

namespace skf::test {

// The bundled sample database, read afresh (other tests of the program load databases of their own); read
// from a copy: the reader removes its plain file.
inline void loadSampleDbase() {
    TempFolder folder;
    std::filesystem::copy_file(std::filesystem::path(SKYFILL_SOURCE_DIR) / "sample" / "dbase.xml",
                               folder / "dbase.xml");
    gf_clearDbase();
    if (!gf_readDbaseXml(folder / "dbase.xml"))
        throw std::runtime_error("sample dbase not read");
}

// A working folder as the program has it when it scans: output and output/info made.
class ScanFolder : public WorkFolder {
public:
    ScanFolder() {
        loadSampleDbase();
        std::filesystem::create_directories(path() / g_infoFolder);
        gf_buildProgramPathsIn(path() / "roaming");
        std::filesystem::create_directories(g_dataFolder);
    }
    // Writes a file below the working folder, making its folders.
    void write(const std::filesystem::path& relative, const std::string& text) const {
        writeFile(path() / relative, text);
    }
    std::string read(const std::filesystem::path& relative) const { return readFile(path() / relative); }
};

} // namespace skf::test
