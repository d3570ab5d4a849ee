#pragma once
// Downloads from the maker's download server through libcurl's easy interface.
//
// Called on the start-up thread (update check), on the engine's thread (airport files read outside the
// run) and on the airport-file fetch workers (data/apf/ApfFetch.h). Every transfer is bounded: a connect
// time, a low-speed time, a total time and a size limit of its file kind; a raised stop flag (g_stopRun,
// g_shutDown) or the caller's abort flag ends it at once. A failed download never touches the target.

#include <curl/curl.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace skf {

// An easy handle owned together with curl_easy_cleanup as its deleter.
struct CurlEasyCleanup {
    void operator()(CURL* h) const noexcept { curl_easy_cleanup(h); }
};
using CurlHandle = std::unique_ptr<CURL, CurlEasyCleanup>;

// A new easy handle (empty when libcurl cannot make one).
CurlHandle gf_makeCurlHandle();

// What is fetched; each kind has its own size and time limits.
enum class DownloadKind : std::uint8_t {
    VersionList, // versions.json
    DataFile,    // input/*.enc
    AirportFile, // archived airport files
    Archive,     // the installer archive, the add-on link package
    Document,    // the release notes
};
inline constexpr std::size_t kDownloadKinds = 5;

struct DownloadLimits {
    // A body larger than this is refused (announced or not).
    std::uint64_t maxBytes = 0;
    // The whole transfer, connect included, must end within this time.
    std::chrono::seconds totalTime{0};
};

// Where and how downloads go. The start-up sets the base URL from the settings; tests point it at
// the download-server stand-in and shorten the limits.
struct DownloadConfig {
    // The server's address followed by "/downloads/" (always ends in "/").
    std::string baseUrl;
    // A server that does not accept the connection within this time fails the download.
    std::chrono::seconds connectTimeout{20};
    // A transfer slower than lowSpeedLimit bytes per second for lowSpeedTime is aborted, so that a
    // stalled or trickling server cannot hold a download until its total time.
    long lowSpeedLimit = 512;
    std::chrono::seconds lowSpeedTime{30};
    // By DownloadKind. Generous multiples of the largest such file the server holds.
    std::array<DownloadLimits, kDownloadKinds> limits{{
        {std::uint64_t{1} << 20, std::chrono::seconds(60)},   // versions.json: a few hundred bytes
        {std::uint64_t{256} << 20, std::chrono::minutes(15)}, // data files: tens of MB at most
        {std::uint64_t{64} << 20, std::chrono::minutes(2)},   // airport files: a few MB at most
        {std::uint64_t{1} << 30, std::chrono::minutes(60)},   // archives: tens of MB
        {std::uint64_t{64} << 20, std::chrono::minutes(5)},   // documents: a few MB
    }};

    const DownloadLimits& limitsOf(DownloadKind kind) const { return limits[static_cast<std::size_t>(kind)]; }
    DownloadLimits& limitsOf(DownloadKind kind) { return limits[static_cast<std::size_t>(kind)]; }
};

// The built-in base URL; the environment variable SKYFILL_DOWNLOAD_URL overrides it at start.
inline constexpr std::string_view kDefaultDownloadBaseUrl = "https://downloads.skyfill.example/downloads/";

DownloadConfig gf_downloadConfig();
void gf_setDownloadConfig(DownloadConfig config);
// Sets the base URL alone (a "/" is appended when missing); an empty text restores the default.
void gf_setDownloadBaseUrl(std::string_view url);
std::string gf_downloadBaseUrl();

// What a caller adds to a download.
struct DownloadChecks {
    // Looks at the complete body (its temporary file) before it replaces the target: empty when it
    // may, else why not (the download then fails with that text and the target stays as it was).
    std::function<std::string(const std::filesystem::path& body)> acceptBody;
    // Raised by the caller to end the transfer at once (besides the program's stop flags).
    const std::atomic<bool>* abort = nullptr;
};

// libcurl write callback: writes size * count bytes to the FILE* given as write data and returns
// the number of elements written, so that a short write fails the transfer.
std::size_t lf_curlWrite(char* data, std::size_t size, std::size_t count, void* stream);

// Copies the body of one URL into the target file. The body goes to a temporary file beside the
// target that replaces the target only when the whole body arrived with an HTTP 2xx status, within
// the limits of its kind, and was accepted by checks.acceptBody; on any failure the earlier target
// (if any) is left untouched. True only for a complete copy. Redirects are not followed.
// binary=false is text mode, which on this platform stores the body unchanged as well.
// Logs "Could not open output file: {}", "Download error: '{}' for {}" or
// "Downloader exception: '{}', {} => {}"; never throws.
bool gf_download(const CurlHandle& handle, std::string_view url, const std::filesystem::path& target, bool binary,
                 DownloadKind kind, const DownloadChecks& checks = {});

// Fetches a reference data file of the running program's major version:
// URL = base URL + major + "/" + file name. The file replaces the target only when it decrypts with the
// program's key and its plain text is an XML document. Logs "Downloaded '{}' to '{}'" or
// "Downloading '{}' failed !".
bool gf_downloadDataFile(const std::filesystem::path& fileName, const std::filesystem::path& target);

// Why a downloaded data file (encrypted) is not one: empty when it decrypts and its XML parses. A check that
// could not write its plain file beside it (a full disk) says so with the system's reason: that is no
// fault of the file.
std::string gf_checkDataFile(const std::filesystem::path& file);

} // namespace skf
