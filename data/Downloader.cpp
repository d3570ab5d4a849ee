#include "data/Downloader.h"

#include "core/Codes.h"
#include "core/Log.h"

#include <fmt/format.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>

namespace skf {

namespace {

std::mutex g_configMutex;

DownloadConfig lf_initialConfig() {
    DownloadConfig c;
    const char* env = std::getenv("SKYFILL_DOWNLOAD_URL");
    c.baseUrl = (env && *env) ? env : std::string(kDefaultDownloadBaseUrl);
    if (c.baseUrl.back() != '/')
        c.baseUrl += '/';
    return c;
}

DownloadConfig& lf_config() {
    static DownloadConfig config = lf_initialConfig();
    return config;
}

void lf_globalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};

} // namespace

CurlHandle gf_makeCurlHandle() {
    lf_globalInit();
    return CurlHandle(curl_easy_init());
}

DownloadConfig gf_downloadConfig() {
    std::lock_guard lock(g_configMutex);
    return lf_config();
}

void gf_setDownloadConfig(DownloadConfig config) {
    if (config.baseUrl.empty())
        config.baseUrl = std::string(kDefaultDownloadBaseUrl);
    if (config.baseUrl.back() != '/')
        config.baseUrl += '/';
    std::lock_guard lock(g_configMutex);
    lf_config() = std::move(config);
}

void gf_setDownloadBaseUrl(std::string_view url) {
    DownloadConfig c = gf_downloadConfig();
    c.baseUrl = std::string(url);
    gf_setDownloadConfig(std::move(c));
}

std::string gf_downloadBaseUrl() {
    return gf_downloadConfig().baseUrl;
}

std::size_t lf_curlWrite(char* data, std::size_t size, std::size_t count, void* stream) {
    return std::fwrite(data, size, count, static_cast<std::FILE*>(stream));
}

bool gf_download(const CurlHandle& handle, std::string_view url, const std::filesystem::path& target, bool binary) {
    if (!handle)
        return false;
    const std::string urlText(url);
    std::filesystem::path part = target;
    part += ".download";
    try {
        const DownloadConfig config = gf_downloadConfig();
        std::unique_ptr<std::FILE, FileCloser> file(std::fopen(part.c_str(), binary ? "wb" : "w"));
        if (!file) {
            gf_log(fmt::format("Could not open output file: {}", target.string()));
            return false;
        }
        CURL* h = handle.get();
        curl_easy_reset(h);
        curl_easy_setopt(h, CURLOPT_URL, urlText.c_str());
        curl_easy_setopt(h, CURLOPT_USERAGENT, "SKFL");
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &lf_curlWrite);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, file.get());
        curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(config.connectTimeout.count()));
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, config.lowSpeedLimit);
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(config.lowSpeedTime.count()));

        const CURLcode rc = curl_easy_perform(h);
        long status = 0;
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
        const bool closed = std::fclose(file.release()) == 0;

        std::string failure;
        if (rc != CURLE_OK)
            failure = curl_easy_strerror(rc);
        else if (status < 200 || status > 299)
            failure = fmt::format("HTTP status {}", status);
        else if (!closed)
            failure = "could not write the downloaded file";
        if (!failure.empty()) {
            gf_log(fmt::format("Download error: '{}' for {}", failure, urlText));
            std::error_code ec;
            std::filesystem::remove(part, ec);
            return false;
        }
        std::filesystem::rename(part, target);
        return true;
    } catch (const std::exception& e) {
        gf_log(fmt::format("Downloader exception: '{}', {} => {}", e.what(), urlText, target.string()));
    }
    std::error_code ec;
    std::filesystem::remove(part, ec);
    return false;
}

bool gf_downloadDataFile(const std::filesystem::path& fileName, const std::filesystem::path& target) {
    CurlHandle handle = gf_makeCurlHandle();
    const std::string url = fmt::format("{}{}/{}", gf_downloadBaseUrl(), g_programVersion.major, fileName.string());
    const bool ok = gf_download(handle, url, target, true);
    if (ok)
        gf_log(fmt::format("Downloaded '{}' to '{}'", url, target.string()));
    else
        gf_logError(fmt::format("Downloading '{}' failed !", url));
    return ok;
}

} // namespace skf
