#include "tools/dlserver/DownloadServer.h"

#include <httplib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace skf {

namespace {

constexpr const char* kPrefix = "/downloads/";

// The file below root for a URL path, or an empty path when the URL leaves the served folder.
std::filesystem::path lf_fileOf(const std::filesystem::path& root, const std::string& urlPath) {
    const std::string prefix(kPrefix);
    if (urlPath.compare(0, prefix.size(), prefix) != 0)
        return {};
    const std::filesystem::path rel = std::filesystem::path(urlPath.substr(prefix.size())).lexically_normal();
    if (rel.empty() || rel.is_absolute() || *rel.begin() == "..")
        return {};
    return root / rel;
}

bool lf_readWhole(const std::filesystem::path& file, std::string& body) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return false;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    body.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

} // namespace

DownloadServer::DownloadServer(std::filesystem::path root)
    : m_root(std::move(root)), m_server(std::make_unique<httplib::Server>()) {
    m_server->Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        handle(req.path, req.get_header_value("User-Agent"), &res);
    });
}

DownloadServer::~DownloadServer() {
    stop();
}

bool DownloadServer::start(int port) {
    if (m_thread.joinable())
        return true;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = false;
    }
    if (port == 0)
        m_port = m_server->bind_to_any_port("127.0.0.1");
    else
        m_port = m_server->bind_to_port("127.0.0.1", port) ? port : -1;
    if (m_port <= 0)
        return false;
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // Serving starts on the thread; a stop() before that would be lost, so wait for it (a server
    // that never starts is given up after a few seconds).
    for (int waited = 0; !m_server->is_running(); ++waited) {
        if (waited == 5000) {
            stop();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void DownloadServer::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_stopCv.notify_all();
    if (m_thread.joinable()) {
        m_server->stop();
        m_thread.join();
    }
}

std::string DownloadServer::baseUrl() const {
    return "http://127.0.0.1:" + std::to_string(m_port) + kPrefix;
}

void DownloadServer::setFault(const std::string& urlPath, Fault fault) {
    std::lock_guard lock(m_mutex);
    if (fault == Fault::None)
        m_faults.erase(urlPath);
    else
        m_faults[urlPath] = fault;
}

void DownloadServer::clearFaults() {
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

void DownloadServer::release() {
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
    }
    m_stopCv.notify_all();
}

bool DownloadServer::pause(std::chrono::milliseconds limit, bool untilReleased) {
    std::unique_lock lock(m_mutex);
    return m_stopCv.wait_for(lock, limit, [&] { return m_stopping || (untilReleased && m_released); });
}

bool DownloadServer::stopping() const {
    std::lock_guard lock(m_mutex);
    return m_stopping;
}

std::vector<DownloadServer::Request> DownloadServer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void DownloadServer::clearRequests() {
    std::lock_guard lock(m_mutex);
    m_requests.clear();
}

bool DownloadServer::waitWhileStalled(std::chrono::seconds limit) {
    std::unique_lock lock(m_mutex);
    m_stopCv.wait_for(lock, limit, [this] { return m_stopping; });
    return false;
}

void DownloadServer::handle(const std::string& path, const std::string& userAgent, void* response) {
    auto& res = *static_cast<httplib::Response*>(response);
    Fault fault = Fault::None;
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back({path, userAgent});
        if (auto it = m_faults.find(path); it != m_faults.end())
            fault = it->second;
    }
    if (fault == Fault::NotFound) {
        res.status = 404;
        res.set_content("not found", "text/plain");
        return;
    }
    if (fault == Fault::ServerError) {
        res.status = 500;
        res.set_content("server error", "text/plain");
        return;
    }
    if (fault == Fault::RedirectLoop) {
        res.set_redirect(path, 302);
        return;
    }
    if (fault == Fault::HtmlPage) {
        res.status = 200;
        res.set_content("<!DOCTYPE html>\n<html><head><title>Account suspended</title></head>"
                        "<body><h1>This account has been suspended</h1></body></html>\n",
                        "text/html");
        return;
    }
    if (fault == Fault::EndlessBody || fault == Fault::HugeBody) {
        // Ends only when the client goes or the server stops.
        const bool huge = fault == Fault::HugeBody;
        res.set_chunked_content_provider("application/octet-stream",
                                         [this, huge](std::size_t, httplib::DataSink& sink) {
                                             const std::string chunk(huge ? 65536 : 16, 'x');
                                             if ((!huge && pause(std::chrono::milliseconds(50))) || stopping())
                                                 return false;
                                             return sink.write(chunk.data(), chunk.size());
                                         });
        return;
    }
    if (fault == Fault::HugeAnnounced) {
        constexpr std::size_t kTwoGiB = std::size_t{2} << 30;
        res.set_content_provider(kTwoGiB, "application/octet-stream",
                                 [this](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                     const std::string chunk(std::min<std::size_t>(65536, length), '\0');
                                     (void)offset;
                                     return !stopping() && sink.write(chunk.data(), chunk.size());
                                 });
        return;
    }
    auto body = std::make_shared<std::string>();
    const std::filesystem::path file = lf_fileOf(m_root, path);
    if (file.empty() || !lf_readWhole(file, *body)) {
        res.status = 404;
        res.set_content("not found", "text/plain");
        return;
    }
    res.status = 200;
    if (fault == Fault::None) {
        res.set_content(*body, "application/octet-stream");
        return;
    }
    if (fault == Fault::SlowBody || fault == Fault::HeldBody) {
        const bool held = fault == Fault::HeldBody;
        res.set_content_provider(
            body->size(), "application/octet-stream",
            [this, body, held](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                if (held ? !pause(std::chrono::seconds(60), true) || stopping() : pause(std::chrono::milliseconds(100)))
                    return false;
                const std::size_t n = held ? body->size() - offset : std::min<std::size_t>(8, body->size() - offset);
                return sink.write(body->data() + offset, n);
            });
        return;
    }
    // Announce the whole body, deliver only its first half (cut), or nothing of it (stalled).
    const bool stall = fault == Fault::StalledBody;
    const std::size_t half = stall ? 0 : body->size() / 2;
    res.set_content_provider(body->size(), "application/octet-stream",
                             [this, body, half, stall](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                 if (offset < half) {
                                     sink.write(body->data() + offset, half - offset);
                                     return true;
                                 }
                                 if (stall)
                                     waitWhileStalled(std::chrono::seconds(60));
                                 return false; // ends the connection before the announced length
                             });
}

} // namespace skf
