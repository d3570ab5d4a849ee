#pragma once
// The traffic replayer: a stand-in for RealTraffic, the traffic program that connects to Skyfill's server.
// It connects to the TCP server as a PSX client, answers "Qs999=version" with its version JSON (standard
// or professional edition), records every line it receives ("Qs121=", "Qs123=", "exit"), and sends traffic
// lines over UDP from a feed file of lines with time offsets (at real pace or faster, optionally re-centred
// on the user position that "Qs121=" reports, timestamps re-based to now) and QNH datagrams. It can drop the
// connection and come back, repeat lines, send bursts and malformed lines.
//
// A library (tests run it on threads of their own) and the small executable `rtreplay` (runs beside
// Skyfill). Everything goes to 127.0.0.1 only. The public calls are safe from any thread.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace skf {
class Socket;
}

namespace skf::rtreplay {

// One line of a feed file: seconds from the start of the feed, and the traffic line.
struct FeedLine {
    double offset = 0.0;
    std::string line;
};

// A feed file: one "<offset seconds> <traffic line>" per line; blank lines and lines that begin with '#'
// are skipped. Throws std::runtime_error naming the file and line number of a line without an offset.
std::vector<FeedLine> readFeedText(std::string_view text, const std::string& name = "feed");
std::vector<FeedLine> readFeedFile(const std::filesystem::path& path);

struct ReplayerConfig {
    std::uint16_t serverPort = 10747; // Skyfill's TCP server (PORT_NUMBER)
    std::uint16_t trafficPort = 49005;
    std::uint16_t qnhPort = 49004;
    bool connect = true;   // connect to the server at all
    bool reconnect = true; // come back after the server or the replayer dropped the connection
    bool professional = false;
    std::string version = "9.0.240";
    bool replyInPieces = false;      // the version reply in three sends, apart by 50 ms
    double speed = 1.0;              // 2.0: twice real pace
    bool loop = true;                // start the feed again after its last line (with fresh traffic ids)
    bool recentre = false;           // move the feed to the user position of the last "Qs121=" line
    double centreLatitude = 52.3086; // the feed's own centre (degrees), moved onto the user position
    double centreLongitude = 4.7639;
    bool rebaseTime = true; // field 14 becomes now
    int qnh = 1013;         // hPa; 0: no QNH datagrams
    double qnhIntervalSeconds = 10.0;
    int repeatEvery = 0;    // every n-th line is sent twice in a row
    int malformedEvery = 0; // every n-th line is damaged (cycling through damages)
    int burstSize = 0;      // lines are sent in groups of this size at the group's first offset
    std::vector<FeedLine> feed;
};

class Replayer {
public:
    explicit Replayer(ReplayerConfig config);
    ~Replayer();
    Replayer(const Replayer&) = delete;
    Replayer& operator=(const Replayer&) = delete;

    void start();
    void stop();

    // Drops the TCP connection now (as when RealTraffic is closed); with comeBack it connects again.
    void dropConnection(bool comeBack = true);

    // Sends one traffic line or QNH datagram now, as it is.
    void sendTraffic(std::string_view line);
    void sendQnh(std::string_view json);

    [[nodiscard]] bool connected() const { return m_connected.load(); }
    [[nodiscard]] int connections() const { return m_connections.load(); }
    [[nodiscard]] std::uint64_t trafficSent() const { return m_trafficSent.load(); }
    // The lines received from Skyfill, without their line ends, in order.
    [[nodiscard]] std::vector<std::string> received() const;
    // Waits until a received line starts with the prefix (at most the limit); true when one did.
    bool waitForLine(std::string_view prefix, std::chrono::milliseconds limit, std::size_t count = 1) const;
    // Receive times of the lines that start with the prefix.
    [[nodiscard]] std::vector<std::chrono::steady_clock::time_point> receiveTimes(std::string_view prefix) const;

    // The line as sent at the given feed position (re-centred, time re-based, traffic id of the loop).
    [[nodiscard]] std::string transform(const std::string& line, int loop) const;

private:
    void clientThread();
    void feedThread();
    void handleLine(const std::string& line, Socket& socket);
    bool sleepUntil(std::chrono::steady_clock::time_point when);
    void sendUdp(std::uint16_t port, std::string_view datagram);

    ReplayerConfig m_config;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_connected{false};
    std::atomic<int> m_connections{0};
    std::atomic<bool> m_dropRequested{false};
    std::atomic<bool> m_comeBack{true};
    std::atomic<std::uint64_t> m_trafficSent{0};
    std::thread m_client;
    std::thread m_feed;

    mutable std::mutex m_mutex; // guards the fields below
    mutable std::condition_variable m_changed;
    std::vector<std::string> m_received;
    std::vector<std::chrono::steady_clock::time_point> m_receivedAt;
    std::optional<std::pair<double, double>> m_userPosition; // degrees, from "Qs121="
    std::mutex m_udpMutex;
};

} // namespace skf::rtreplay
