#pragma once
// Test helper: a fresh program folder (with docs/) in the temporary folder, made the working folder while
// the object lives; the log goes to its Log.txt and the settings file to its roaming/Skyfill folder.
#include "core/Log.h"
#include "core/settings/ProgramPaths.h"
#include "support/LogText.h"

#include <unistd.h>

#include <filesystem>
#include <string>

namespace skf::test {

class ProgramFolder {
public:
    explicit ProgramFolder(const std::string& name) {
        namespace fs = std::filesystem;
        m_previous = fs::current_path();
        m_root = fs::temp_directory_path() / (name + "_" + std::to_string(::getpid()));
        fs::remove_all(m_root);
        fs::create_directories(m_root / "docs");
        fs::create_directories(m_root / "roaming" / "Skyfill");
        fs::current_path(m_root);
        gf_openLogIn(m_root);
        gf_buildProgramPathsIn(m_root / "roaming");
    }
    ~ProgramFolder() {
        gf_closeLog();
        std::error_code ec;
        std::filesystem::current_path(m_previous, ec);
        std::filesystem::remove_all(m_root, ec);
    }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    const std::filesystem::path& root() const { return m_root; }

    // The log as written so far.
    std::string log() const { return logTextIn(m_root); }

private:
    std::filesystem::path m_previous;
    std::filesystem::path m_root;
};

} // namespace skf::test
