#pragma once
// Test helper: a fresh temporary folder that is the working folder while the object lives, with
// Log.txt opened in it. The previous working folder is restored and the folder removed afterwards.
#include "core/Log.h"
#include "support/LogText.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <string>

namespace skf::test {

class WorkFolder {
public:
    WorkFolder() : m_working(m_folder.path()) { gf_openLogIn(m_folder.path()); }
    ~WorkFolder() { gf_closeLog(); }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const std::filesystem::path& path() const { return m_folder.path(); }

    // The log written so far.
    std::string log() const { return logTextIn(path()); }

    static std::string readFile(const std::filesystem::path& p) { return readBytes(p); }
    static void writeFile(const std::filesystem::path& p, const std::string& text) { writeFileMakingFolders(p, text); }

private:
    // Declared in this order: the working folder is given back before the folder is removed.
    TempFolder m_folder;
    WorkingFolder m_working;
};

} // namespace skf::test
