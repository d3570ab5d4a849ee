#pragma once
// Test helper: a fresh temporary folder removed at the end of the test, and small
// byte-exact file helpers.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>

namespace skf::test {

class TempFolder {
public:
    TempFolder() {
        static std::atomic<int> counter{0};
        std::random_device rd;
        m_path = std::filesystem::temp_directory_path() / ("skyfill-test-" + std::to_string(getpid()) + "-" +
                                                           std::to_string(counter++) + "-" + std::to_string(rd()));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(std::string_view name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

inline void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("writeBytes: cannot create " + path.string());
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes the text, making the folders above the file first; a file that cannot be written is left as it is
// (the test's own checks then fail).
inline void writeFileMakingFolders(const std::filesystem::path& path, std::string_view text) {
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// The names the tests use: the whole file byte for byte, and a file written with its folders.
inline std::string readFile(const std::filesystem::path& path) {
    return readBytes(path);
}
inline void writeFile(const std::filesystem::path& path, std::string_view text) {
    writeFileMakingFolders(path, text);
}

// Changes the working folder for the life of the object.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::filesystem::path& path) : m_old(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~WorkingFolder() {
        std::error_code ec;
        std::filesystem::current_path(m_old, ec);
    }

private:
    std::filesystem::path m_old;
};

} // namespace skf::test
