#pragma once
// A stand-in for the maker's download server: an HTTP server on 127.0.0.1 at an ephemeral port that
// serves one folder below the URL prefix "/downloads/", records every request, and can be told to
// fail a path in the ways a real server fails.

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace skf {

class DownloadServer {
public:
    enum class Fault {
        None,
        NotFound,      // 404
        ServerError,   // 500
        CutBody,       // announces the whole length, sends half of the body, closes the connection
        StalledBody,   // announces the whole length, sends the headers and then no byte of the body
        EndlessBody,   // a body without a length that trickles a few bytes every 50 ms and never ends
        SlowBody,      // announces the whole length, then sends 8 bytes every 100 ms
        HugeBody,      // a body without a length that comes as fast as it can and never ends
        HugeAnnounced, // announces 2 GiB and sends them as fast as it can
        HtmlPage,      // a 200 with an HTML page instead of the file (a captive portal or a hosting error page)
        RedirectLoop,  // a 302 to the same path
        HeldBody,      // announces the whole length, then sends nothing until release() is called
    };

    struct Request {
        std::string path;      // the URL path, e.g. "/downloads/11/airports.enc"
        std::string userAgent; // the User-Agent header ("" when none)
    };

    // root: the folder served; "/downloads/a/b" answers with root/a/b.
    explicit DownloadServer(std::filesystem::path root);
    ~DownloadServer();
    DownloadServer(const DownloadServer&) = delete;
    DownloadServer& operator=(const DownloadServer&) = delete;

    // Binds 127.0.0.1 on the given port (0 = an ephemeral one) and serves on a thread of its own.
    // Returns false when the port cannot be bound.
    bool start(int port = 0);
    // Stops serving; a stalled answer is released at once.
    void stop();

    int port() const { return m_port; }
    // "http://127.0.0.1:{port}/downloads/"
    std::string baseUrl() const;

    // Makes every request of this URL path (e.g. "/downloads/versions.json") answer with the fault.
    void setFault(const std::string& urlPath, Fault fault);
    void clearFaults();
    // Lets every HeldBody answer (those waiting and those to come) deliver its body.
    void release();

    // The requests received so far, in order of arrival.
    std::vector<Request> requests() const;
    void clearRequests();

private:
    void handle(const std::string& path, const std::string& userAgent, void* response);
    bool waitWhileStalled(std::chrono::seconds limit);
    // Waits up to `limit`; true when the server is stopping (or, with untilReleased, when released).
    bool pause(std::chrono::milliseconds limit, bool untilReleased = false);
    bool stopping() const;

    std::filesystem::path m_root;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_stopCv;
    bool m_stopping = false;
    bool m_released = false;
    std::map<std::string, Fault> m_faults;
    std::vector<Request> m_requests;
};

} // namespace skf
