#include "data/Downloader.h"

#include "core/Codes.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "data/Crypto.h"

#include <fmt/format.h>
#include <pugixml.hpp>

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

// The write data of a transfer: the file and what it may still take. A body without Content-Length
// passes CURLOPT_MAXFILESIZE_LARGE, so its size is counted here.
struct BodySink {
    std::FILE* file = nullptr;
    std::uint64_t written = 0;
    std::uint64_t maxBytes = 0;
    bool tooLarge = false;
};

std::size_t lf_boundedWrite(char* data, std::size_t size, std::size_t count, void* userData) {
    auto& sink = *static_cast<BodySink*>(userData);
    const std::uint64_t bytes = static_cast<std::uint64_t>(size) * count;
    if (bytes > sink.maxBytes - sink.written) {
        sink.tooLarge = true;
        return 0; // fails the transfer with CURLE_WRITE_ERROR
    }
    const std::size_t n = lf_curlWrite(data, size, count, sink.file);
    sink.written += static_cast<std::uint64_t>(n) * size;
    return n;
}

bool lf_stopRequested(const std::atomic<bool>* abort) {
    return g_stopRun.load() || g_shutDown.load() || (abort != nullptr && abort->load());
}

// libcurl calls this about once a second also while nothing arrives, so a close or a stop ends even a
// stalled transfer within a second.
int lf_transferProgress(void* clientData, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return lf_stopRequested(static_cast<const std::atomic<bool>*>(clientData)) ? 1 : 0;
}

constexpr std::string_view kStoppedText = "stopped: the program is closing or the run ends";
constexpr std::string_view kTooLargeText = "Maximum file size exceeded";

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

bool gf_download(const CurlHandle& handle, std::string_view url, const std::filesystem::path& target, bool binary,
                 DownloadKind kind, const DownloadChecks& checks) {
    if (!handle)
        return false;
    const std::string urlText(url);
    std::filesystem::path part = target;
    part += ".download";
    try {
        const DownloadConfig config = gf_downloadConfig();
        const DownloadLimits& limits = config.limitsOf(kind);
        std::unique_ptr<std::FILE, FileCloser> file(std::fopen(part.c_str(), binary ? "wb" : "w"));
        if (!file) {
            gf_log(fmt::format("Could not open output file: {}", target.string()));
            return false;
        }
        BodySink sink{file.get(), 0, limits.maxBytes, false};
        CURL* h = handle.get();
        curl_easy_reset(h);
        curl_easy_setopt(h, CURLOPT_URL, urlText.c_str());
        curl_easy_setopt(h, CURLOPT_USERAGENT, "SKFL");
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &lf_boundedWrite);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
        curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(config.connectTimeout.count()));
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, config.lowSpeedLimit);
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(config.lowSpeedTime.count()));
        curl_easy_setopt(h, CURLOPT_TIMEOUT, static_cast<long>(limits.totalTime.count()));
        curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &lf_transferProgress);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(checks.abort));

        // A stop raised before the transfer would otherwise still wait for the first progress call.
        const CURLcode rc = lf_stopRequested(checks.abort) ? CURLE_ABORTED_BY_CALLBACK : curl_easy_perform(h);
        long status = 0;
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
        const bool closed = std::fclose(file.release()) == 0;

        std::string failure;
        if (sink.tooLarge)
            failure = fmt::format("{} ({} bytes)", kTooLargeText, limits.maxBytes);
        else if (rc == CURLE_ABORTED_BY_CALLBACK)
            failure = kStoppedText;
        else if (rc != CURLE_OK)
            failure = curl_easy_strerror(rc);
        else if (status < 200 || status > 299)
            failure = fmt::format("HTTP status {}", status);
        else if (!closed)
            failure = "could not write the downloaded file";
        else if (checks.acceptBody)
            failure = checks.acceptBody(part);
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

std::string gf_checkDataFile(const std::filesystem::path& file) {
    std::filesystem::path plainFile = file;
    plainFile += ".check.xml";
    PlainText plain;
    const std::optional<DecryptFailure> failure = gf_streamDecryptChecked(file, plainFile, plain);
    gf_removeIfExists(plainFile);
    if (failure && failure->damaged)
        return "not a data file: it does not decrypt";
    // Not the file's fault (a full disk for the check's plain file): said as it is, not as a bad download.
    if (failure)
        return fmt::format("the check of the data file failed: {}", failure->text);
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(plain.data.get(), plain.size);
    if (!parsed)
        return fmt::format("not a data file: its XML does not parse ({})", parsed.description());
    if (!doc.document_element())
        return "not a data file: no XML document";
    return {};
}

bool gf_downloadDataFile(const std::filesystem::path& fileName, const std::filesystem::path& target) {
    CurlHandle handle = gf_makeCurlHandle();
    const std::string url = fmt::format("{}{}/{}", gf_downloadBaseUrl(), g_programVersion.major, fileName.string());
    DownloadChecks checks;
    checks.acceptBody = &gf_checkDataFile;
    const bool ok = gf_download(handle, url, target, true, DownloadKind::DataFile, checks);
    if (ok)
        gf_log(fmt::format("Downloaded '{}' to '{}'", url, target.string()));
    else
        gf_logError(fmt::format("Downloading '{}' failed !", url));
    return ok;
}

} // namespace skf
