// The traffic replayer: TCP client of Skyfill's server, UDP sender of the feed.
#include "tools/rtreplay/Replayer.h"

#include "core/Units.h"
#include "platform/net/Socket.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fmt/format.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace skf::rtreplay {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> lf_fields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t begin = 0;
    for (;;) {
        const auto comma = line.find(',', begin);
        fields.push_back(line.substr(begin, comma == std::string::npos ? std::string::npos : comma - begin));
        if (comma == std::string::npos)
            return fields;
        begin = comma + 1;
    }
}

std::string lf_join(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        line += fields[i];
    }
    return line;
}

std::optional<double> lf_number(std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc())
        return std::nullopt;
    return value;
}

// The damages of a malformed line, in turn.
std::string lf_damaged(const std::string& line, std::uint64_t n) {
    auto fields = lf_fields(line);
    switch (n % 5) {
    case 0:
        fields.resize(std::min<std::size_t>(fields.size(), 12));
        break; // cut short
    case 1:
        if (fields.size() > 2)
            fields[2] = "nan";
        break;
    case 2:
        if (fields.size() > 1)
            fields[1] = "abc";
        break;
    case 3:
        return R"({"type":"status","clients":1})";
    default:
        if (fields.size() > 12)
            fields[12] = "EHAM"; // an origin of four characters
        break;
    }
    return lf_join(fields);
}

} // namespace

std::vector<FeedLine> readFeedText(std::string_view text, const std::string& name) {
    std::vector<FeedLine> feed;
    std::istringstream in{std::string(text)};
    std::string row;
    int number = 0;
    while (std::getline(in, row)) {
        ++number;
        if (!row.empty() && row.back() == '\r')
            row.pop_back();
        const auto start = row.find_first_not_of(" \t");
        if (start == std::string::npos || row[start] == '#')
            continue;
        const auto gap = row.find_first_of(" \t", start);
        const auto offset =
            gap == std::string::npos ? std::nullopt : lf_number(std::string_view(row).substr(start, gap - start));
        const auto lineStart = gap == std::string::npos ? std::string::npos : row.find_first_not_of(" \t", gap);
        if (!offset || !std::isfinite(*offset) || *offset < 0.0 || lineStart == std::string::npos)
            throw std::runtime_error(fmt::format("{}:{}: expected \"<offset seconds> <traffic line>\"", name, number));
        feed.push_back({*offset, row.substr(lineStart)});
    }
    std::stable_sort(feed.begin(), feed.end(),
                     [](const FeedLine& a, const FeedLine& b) { return a.offset < b.offset; });
    return feed;
}

std::vector<FeedLine> readFeedFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return readFeedText(text, path.string());
}

Replayer::Replayer(ReplayerConfig config) : m_config(std::move(config)) {
    if (!(m_config.speed > 0.0))
        m_config.speed = 1.0;
}

Replayer::~Replayer() {
    stop();
}

void Replayer::start() {
    m_stop = false;
    if (m_config.connect)
        m_client = std::thread([this] { clientThread(); });
    m_feed = std::thread([this] { feedThread(); });
}

void Replayer::stop() {
    m_stop = true;
    m_changed.notify_all();
    if (m_client.joinable())
        m_client.join();
    if (m_feed.joinable())
        m_feed.join();
}

void Replayer::dropConnection(bool comeBack) {
    m_comeBack = comeBack;
    m_dropRequested = true;
}

std::vector<std::string> Replayer::received() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

bool Replayer::waitForLine(std::string_view prefix, std::chrono::milliseconds limit, std::size_t count) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] {
        return static_cast<std::size_t>(std::count_if(m_received.begin(), m_received.end(), [&](const std::string& l) {
                   return l.rfind(prefix, 0) == 0;
               })) >= count;
    });
}

std::vector<Clock::time_point> Replayer::receiveTimes(std::string_view prefix) const {
    std::lock_guard lock(m_mutex);
    std::vector<Clock::time_point> times;
    for (std::size_t i = 0; i < m_received.size(); ++i)
        if (m_received[i].rfind(prefix, 0) == 0)
            times.push_back(m_receivedAt[i]);
    return times;
}

bool Replayer::sleepUntil(Clock::time_point when) {
    while (!m_stop.load()) {
        const auto now = Clock::now();
        if (now >= when)
            return true;
        std::this_thread::sleep_for(std::min<Clock::duration>(when - now, std::chrono::milliseconds(20)));
    }
    return false;
}

void Replayer::clientThread() {
    bool wanted = true;
    while (!m_stop.load()) {
        if (!wanted) {
            if (m_comeBack.load()) {
                wanted = true;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
        }
        Socket socket;
        if (socket.open(SocketKind::Tcp) != 0 || socket.connectLoopback(m_config.serverPort) != 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        socket.setReceiveTimeout(50);
        m_connected = true;
        ++m_connections;
        std::string pending;
        char buffer[4096];
        while (!m_stop.load()) {
            if (m_dropRequested.exchange(false)) {
                wanted = m_comeBack.load();
                break;
            }
            const long got = socket.receive(buffer, sizeof buffer);
            if (got < 0) {
                const int error = static_cast<int>(-got);
                if (error == kWsaEwouldblock || error == kWsaEtimedout || error == kWsaEintr)
                    continue;
                break;
            }
            if (got == 0)
                break; // the server closed
            pending.append(buffer, static_cast<std::size_t>(got));
            for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
                std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                handleLine(line, socket);
            }
        }
        socket.close();
        m_connected = false;
        if (!m_config.reconnect) {
            wanted = false;
            m_comeBack = false;
        }
        // A closed server comes back for the next run: try again after a pause.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

void Replayer::handleLine(const std::string& line, Socket& socket) {
    {
        std::lock_guard lock(m_mutex);
        m_received.push_back(line);
        m_receivedAt.push_back(Clock::now());
        if (line.rfind("Qs121=", 0) == 0) {
            std::vector<double> values;
            std::string_view rest = std::string_view(line).substr(6);
            while (!rest.empty()) {
                const auto semicolon = rest.find(';');
                values.push_back(lf_number(rest.substr(0, semicolon)).value_or(0.0));
                rest = semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
            }
            if (values.size() == 7)
                m_userPosition = std::make_pair(values[5] * g_radToDeg, values[6] * g_radToDeg);
        }
    }
    m_changed.notify_all();
    if (line != "Qs999=version")
        return;
    const std::string reply =
        fmt::format(R"({{"level":{},"version":"{}"}})", m_config.professional ? 2 : 1, m_config.version) + "\r\n";
    if (!m_config.replyInPieces) {
        socket.sendAll(reply);
        return;
    }
    const std::size_t third = reply.size() / 3;
    socket.sendAll(std::string_view(reply).substr(0, third));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    socket.sendAll(std::string_view(reply).substr(third, third));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    socket.sendAll(std::string_view(reply).substr(2 * third));
}

std::string Replayer::transform(const std::string& line, int loop) const {
    auto fields = lf_fields(line);
    if (fields.size() < 15)
        return line;
    if (loop > 0) {
        if (const auto id = lf_number(fields[1]))
            fields[1] = std::to_string(static_cast<std::uint64_t>(*id) + static_cast<std::uint64_t>(loop) * 1000000U);
    }
    if (m_config.recentre) {
        std::optional<std::pair<double, double>> user;
        {
            std::lock_guard lock(m_mutex);
            user = m_userPosition;
        }
        const auto latitude = lf_number(fields[2]);
        const auto longitude = lf_number(fields[3]);
        if (user && latitude && longitude) {
            fields[2] = fmt::format("{:.5f}", *latitude - m_config.centreLatitude + user->first);
            fields[3] = fmt::format("{:.5f}", *longitude - m_config.centreLongitude + user->second);
        }
    }
    if (m_config.rebaseTime) {
        const auto now = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
        fields[14] = fmt::format("{:.2f}", now);
    }
    return lf_join(fields);
}

void Replayer::sendUdp(std::uint16_t port, std::string_view datagram) {
    std::lock_guard lock(m_udpMutex);
    Socket socket;
    if (socket.open(SocketKind::Udp) == 0)
        socket.sendTo(port, datagram);
}

void Replayer::sendTraffic(std::string_view line) {
    sendUdp(m_config.trafficPort, line);
    ++m_trafficSent;
}

void Replayer::sendQnh(std::string_view json) {
    sendUdp(m_config.qnhPort, json);
}

void Replayer::feedThread() {
    Socket socket;
    if (socket.open(SocketKind::Udp) != 0)
        return;
    const auto& feed = m_config.feed;
    const auto qnhInterval = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(std::max(m_config.qnhIntervalSeconds, 0.1)));
    auto nextQnh = Clock::now();
    const auto sendQnhWhenDue = [&] {
        if (m_config.qnh > 0 && Clock::now() >= nextQnh) {
            socket.sendTo(m_config.qnhPort, fmt::format(R"({{"QNH": {}}})", m_config.qnh));
            nextQnh = Clock::now() + qnhInterval;
        }
    };
    std::uint64_t sent = 0;
    for (int loop = 0; !m_stop.load(); ++loop) {
        const auto start = Clock::now();
        for (std::size_t i = 0; i < feed.size() && !m_stop.load(); ++i) {
            const std::size_t group = m_config.burstSize > 1 ? i - i % static_cast<std::size_t>(m_config.burstSize) : i;
            const auto due = start + std::chrono::duration_cast<Clock::duration>(
                                         std::chrono::duration<double>(feed[group].offset / m_config.speed));
            while (Clock::now() < due && !m_stop.load()) {
                sendQnhWhenDue();
                sleepUntil(m_config.qnh > 0 ? std::min(due, nextQnh) : due);
            }
            ++sent;
            std::string line = transform(feed[i].line, loop);
            if (m_config.malformedEvery > 0 && sent % static_cast<std::uint64_t>(m_config.malformedEvery) == 0)
                line = lf_damaged(line, sent / static_cast<std::uint64_t>(m_config.malformedEvery));
            const int times =
                m_config.repeatEvery > 0 && sent % static_cast<std::uint64_t>(m_config.repeatEvery) == 0 ? 2 : 1;
            for (int t = 0; t < times; ++t) {
                socket.sendTo(m_config.trafficPort, line);
                ++m_trafficSent;
            }
        }
        if (!m_config.loop || feed.empty())
            break;
        // The next round starts a few seconds after the last line.
        sleepUntil(Clock::now() + std::chrono::milliseconds(static_cast<int>(2000 / m_config.speed)));
    }
    while (!m_stop.load() && m_config.qnh > 0) {
        sendQnhWhenDue();
        sleepUntil(nextQnh);
    }
}

} // namespace skf::rtreplay
