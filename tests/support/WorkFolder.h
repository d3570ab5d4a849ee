#pragma once
// Test helper: a fresh temporary folder that is the working folder while the object lives, with
// Log.txt opened in it. The previous working folder is restored and the folder removed afterwards.
#include "core/Log.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace skf::test {

class WorkFolder {
public:
    WorkFolder()
    {
        std::random_device rd;
        m_path = std::filesystem::temp_directory_path() /
                 ("skyfill-test-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
        std::filesystem::create_directories(m_path);
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(m_path);
        gf_openLogIn(m_path);
    }
    ~WorkFolder()
    {
        gf_closeLog();
        std::error_code ec;
        std::filesystem::current_path(m_previous, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

    // The log written so far.
    std::string log() const
    {
        gf_flushLog();
        return readFile(m_path / "Log.txt");
    }

    static std::string readFile(const std::filesystem::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void writeFile(const std::filesystem::path& p, const std::string& text)
    {
        if (p.has_parent_path())
            std::filesystem::create_directories(p.parent_path());
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out << text;
    }

private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;
};

} // namespace skf::test
