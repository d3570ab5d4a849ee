#pragma once
// The working folder of a benchmark program: a fresh folder below the system's temporary folder, named after
// the benchmark and the process, entered at once. Made once per program (or per benchmark) on the thread that
// runs the benchmarks; at its end it gives back the previous working folder and removes the folder with all
// the benchmark wrote. It never writes a file of its own.
#include <unistd.h>

#include <filesystem>
#include <string>

namespace skf::bench {

class BenchFolder {
public:
    explicit BenchFolder(const std::string& name)
        : m_previous(std::filesystem::current_path()),
          m_path(std::filesystem::temp_directory_path() /
                 ("skyfill-bench-" + name + "-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(m_path);
        std::filesystem::current_path(m_path);
    }
    ~BenchFolder() {
        std::error_code ec;
        std::filesystem::current_path(m_previous, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_previous;
    std::filesystem::path m_path;
};

} // namespace skf::bench
