#pragma once
// Thin RAII wrapper of libzip for writing a new archive from data in memory (tblo.zip of the add-on
// airport scan). libzip writes the archive to a temporary file beside the target and renames it when the
// archive is closed, so a failed close never leaves a cut archive. Called on the airport scan's thread; one
// thread per object. It never reads an archive back (ZipArchive does).

#include <filesystem>
#include <span>
#include <string>

struct zip;

namespace skf {

class ZipWriter {
public:
    ZipWriter() = default;
    ~ZipWriter(); // discards an archive that was not closed
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Creates a new archive (an existing file is replaced at close). False (and lastError()) on failure.
    bool open(const std::filesystem::path& path);
    // Adds an entry; the data is read only at close(), so it must stay alive until then.
    bool addData(const std::string& name, std::span<const char> data);
    // Writes the archive; false (and lastError()) on failure.
    bool close();

    [[nodiscard]] const std::string& lastError() const { return m_lastError; }

private:
    zip* m_zip = nullptr;
    std::string m_lastError;
};

} // namespace skf
