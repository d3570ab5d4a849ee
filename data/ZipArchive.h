#pragma once
// Thin RAII wrapper of libzip for reading archives: the installer and add-on link packages of the update
// check, read on its download thread, and the archives the tests look into. One thread per object; it
// never writes an archive (ZipWriter does, with the opening shared through gf_openZip).

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

struct zip;

namespace skf {

class ZipArchive {
public:
    ZipArchive() = default;
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;
    ZipArchive(ZipArchive&& other) noexcept;
    ZipArchive& operator=(ZipArchive&& other) noexcept;

    // Opens the archive read-only, without a consistency check. False (and lastError() set) on failure.
    bool open(const std::filesystem::path& path);
    void close();
    [[nodiscard]] bool isOpen() const { return m_zip != nullptr; }

    [[nodiscard]] std::int64_t entryCount() const;
    [[nodiscard]] std::string entryName(std::int64_t index) const;

    // Streams the content of one entry to sink in chunks of at most chunkSize bytes. Returns 0 on success,
    // else a non-zero libzip error code (or -1 when the sink refused a chunk).
    int readEntry(std::int64_t index, std::size_t chunkSize,
                  const std::function<bool(std::span<const char>)>& sink) const;
    // Reads a whole entry into text. Returns 0 on success, else as readEntry.
    int readEntry(std::int64_t index, std::string& out) const;

    [[nodiscard]] const std::string& lastError() const { return m_lastError; }

private:
    zip* m_zip = nullptr;
    mutable std::string m_lastError;
};

// zip_open with libzip's flags; on failure nullptr, with libzip's text of the failure in error.
zip* gf_openZip(const std::filesystem::path& path, int flags, std::string& error);

} // namespace skf
