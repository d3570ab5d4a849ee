#pragma once
// Downloads from the maker's download server through libcurl's easy interface.

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
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

// Where and how downloads go. The start-up sets the base URL from the settings; tests point it at
// the download-server stand-in and shorten the timeouts.
struct DownloadConfig {
    // The server's address followed by "/downloads/" (always ends in "/").
    std::string baseUrl;
    // A server that does not accept the connection within this time fails the download.
    std::chrono::seconds connectTimeout{20};
    // A transfer slower than lowSpeedLimit bytes per second for lowSpeedTime is aborted, so a
    // stalled server cannot hold the start-up forever.
    long lowSpeedLimit = 1;
    std::chrono::seconds lowSpeedTime{30};
};

// The built-in base URL; the environment variable SKYFILL_DOWNLOAD_URL overrides it at start.
inline constexpr std::string_view kDefaultDownloadBaseUrl = "https://downloads.skyfill.example/downloads/";

DownloadConfig gf_downloadConfig();
void gf_setDownloadConfig(DownloadConfig config);
// Sets the base URL alone (a "/" is appended when missing); an empty text restores the default.
void gf_setDownloadBaseUrl(std::string_view url);
std::string gf_downloadBaseUrl();

// libcurl write callback: writes size * count bytes to the FILE* given as write data and returns
// the number of elements written, so that a short write fails the transfer.
std::size_t lf_curlWrite(char* data, std::size_t size, std::size_t count, void* stream);

// Copies the body of one URL into the target file. The body goes to a temporary file beside the
// target that replaces the target only when the whole body arrived with an HTTP 2xx status; on any
// failure the earlier target (if any) is left untouched. True only for a complete copy.
// binary=false is text mode, which on this platform stores the body unchanged as well.
// Logs "Could not open output file: {}", "Download error: '{}' for {}" or
// "Downloader exception: '{}', {} => {}"; never throws.
bool gf_download(const CurlHandle& handle, std::string_view url, const std::filesystem::path& target, bool binary);

// Fetches a reference data file of the running program's major version:
// URL = base URL + major + "/" + file name. Logs "Downloaded '{}' to '{}'" or
// "Downloading '{}' failed !".
bool gf_downloadDataFile(const std::filesystem::path& fileName, const std::filesystem::path& target);

} // namespace skf
