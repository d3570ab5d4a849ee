// RealTraffic's server: listening socket, client, hand-shake and PSX lines.
#include "feed/RealTrafficServer.h"
#include "feed/RealTrafficServerInternal.h"

#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "core/Time.h"
#include "core/Units.h"
#include "core/WindowFields.h"
#include "data/apf/ParkApf.h"
#include "core/RepeatedLog.h"
#include "feed/FeedRequests.h"
#include "feed/FeedState.h"
#include "feed/UdpReader.h"
#include "platform/net/Socket.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <fmt/format.h>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <thread>

namespace skf {

namespace {

// The server's link, held by the feed's owner (feed/FeedState.h).
RealTrafficLink& s_link = gf_feedState().server;
Socket& g_listenSocket = s_link.listenSocket;
Socket& g_clientSocket = s_link.clientSocket;
// The thread that opened the server owns both sockets and alone closes them.
std::atomic<std::thread::id>& g_serverOwner = s_link.owner;
// Serialises the sends of the owner and of the window thread's "exit", the client's close and the two fields
// below. Held only for sends that never wait, so the window thread's "exit" never waits long for it.
std::mutex& g_sendMutex = s_link.sendMutex;
// The part of a line that the socket took only in part: sent before anything else.
std::string& g_unsentTail = s_link.unsentTail;
// Since when the client has taken nothing (a line was dropped and nothing was taken since).
std::optional<std::chrono::steady_clock::time_point>& g_stalledSince = s_link.stalledSince;
std::atomic<std::uint16_t>& g_port = s_link.port;

std::atomic<int> g_clientSendBuffer{0};
std::atomic<std::chrono::milliseconds::rep> g_stallLimitMs{30000};
RepeatedCount g_droppedLines;
RepeatedCount g_deadConnections;

constexpr std::size_t kReplyLimit = 16383;
constexpr auto kReplyTimeout = std::chrono::seconds(5);
constexpr int kAcceptPollMs = 250;

// Drops what a previous client left unsent (g_sendMutex held).
void lf_forgetUnsentLocked() {
    g_unsentTail.clear();
    g_stalledSince.reset();
}

void lf_logDeadConnections(std::uint64_t count) {
    if (count > 0 && !g_stopRun.load() && !g_shutDown.load())
        gf_log(fmt::format("{} connection{} to the RealTraffic server closed before the hand-shake", count,
                           gf_plural(count)));
}

// A connection that was gone before it was served: counted, and logged at most once a minute.
void lf_countDeadConnection() {
    if (const auto report = g_deadConnections.count())
        lf_logDeadConnections(*report);
}

bool lf_transientAcceptError(int error) {
    // A connection reset while it waited in the queue, or a signal: the next one may be fine.
    return error == kWsaEconnaborted || error == kWsaEconnreset || error == kWsaEintr || error == kWsaEwouldblock;
}

bool lf_stopping() {
    return g_stopRun.load() || g_shutDown.load();
}
bool lf_isOwner() {
    return std::this_thread::get_id() == g_serverOwner.load();
}

void lf_showReaderStates(bool shown) {
    g_mainWindow.realTrafficLinkUp = shown;
    gf_markChanged(BAND_ALL);
}

// Blocks until RealTraffic connects, polling the stop flags; false when connected already, on a stop flag
// or when the listening socket fails or was shut down. Connections already closed by their peer are
// counted and passed over.
bool waitForClient() {
    if (g_rtConnected.load())
        return false;
    if (!g_listenSocket.valid())
        return false;
    for (;;) {
        for (;;) {
            if (lf_stopping())
                return false;
            const int ready = g_listenSocket.waitReadable(kAcceptPollMs);
            if (ready < 0)
                return false;
            if (ready > 0)
                break;
        }
        if (lf_stopping())
            return false;
        if (const int error = g_listenSocket.accept(g_clientSocket); error != 0) {
            if (!lf_transientAcceptError(error))
                return false;
            lf_countDeadConnection();
            continue;
        }
        if (g_clientSocket.peerClosed()) {
            g_clientSocket.close();
            lf_countDeadConnection();
            continue;
        }
        break;
    }
    if (const int error = g_clientSocket.setNoDelay(); error != 0) {
        if (!lf_stopping())
            gf_log(fmt::format("waitForClient interrupted: {} setsockopt failed with error {}", gf_timeOfDayText(),
                               gf_winsockErrorText(error)));
        g_clientSocket.close();
        return false;
    }
    if (const int bytes = g_clientSendBuffer.load(); bytes > 0)
        g_clientSocket.setSendBuffer(bytes);
    lf_logDeadConnections(g_deadConnections.takeUnreported());
    {
        std::lock_guard lock(g_sendMutex);
        lf_forgetUnsentLocked();
    }
    g_rtConnected = true;
    return true;
}

// Closes the client after a failure (the owner) or shuts it down (another thread); g_sendMutex held.
void lf_dropClientLocked() {
    g_rtConnected = false;
    lf_forgetUnsentLocked();
    if (lf_isOwner())
        g_clientSocket.close();
    else
        g_clientSocket.shutdownBoth();
}

// One send that never waits; the error of a failed one. The rest of a line taken in part is kept for the
// next send; a line not taken at all is dropped and counted; a client that has taken nothing for the stall
// limit fails with a time-out. g_sendMutex held.
int lf_sendLineLocked(std::string_view line) {
    if (!g_clientSocket.valid())
        return kWsaEnotconn;
    bool tookSome = false;
    if (!g_unsentTail.empty()) {
        const long sent = g_clientSocket.sendNow(g_unsentTail);
        if (sent < 0)
            return static_cast<int>(-sent);
        g_unsentTail.erase(0, static_cast<std::size_t>(sent));
        tookSome = sent > 0;
    }
    bool dropped = !g_unsentTail.empty();
    if (!dropped) {
        const long sent = g_clientSocket.sendNow(line);
        if (sent < 0)
            return static_cast<int>(-sent);
        dropped = sent == 0;
        tookSome = tookSome || sent > 0;
        if (sent > 0 && static_cast<std::size_t>(sent) < line.size())
            g_unsentTail.assign(line.substr(static_cast<std::size_t>(sent)));
    }
    const auto now = std::chrono::steady_clock::now();
    if (tookSome)
        g_stalledSince.reset();
    if (!dropped)
        return 0;
    if (!g_stalledSince)
        g_stalledSince = now;
    else if (now - *g_stalledSince >= std::chrono::milliseconds(g_stallLimitMs.load()))
        return kWsaEtimedout;
    if (const auto report = g_droppedLines.count(); report && !lf_stopping())
        gf_log(fmt::format("{} line{} to RealTraffic dropped: it takes nothing in", *report, gf_plural(*report)));
    return 0;
}

// Sends one whole line; a failure closes the client (the owner) or shuts it down (another thread).
bool sendDataPacket(std::string_view line) {
    std::lock_guard lock(g_sendMutex);
    const int error = lf_sendLineLocked(line);
    if (error == 0)
        return true;
    if (!lf_stopping())
        gf_log(fmt::format("sendDataPacket to RealTraffic failed: {}", gf_winsockErrorText(error)));
    lf_dropClientLocked();
    if (!lf_stopping())
        gf_log("RealTraffic client socket closed");
    return false;
}

// The version reply, read to its line end (or to a whole JSON object) within 5 seconds, also when it
// arrives in pieces; empty on an error or when nothing came. closed: the client closed or reset the
// connection before its reply was whole.
std::string lf_receiveReply(bool& closed) {
    closed = false;
    std::string reply;
    std::array<char, kReplyLimit + 1> buffer{};
    g_clientSocket.setReceiveTimeout(250);
    const auto deadline = std::chrono::steady_clock::now() + kReplyTimeout;
    while (std::chrono::steady_clock::now() < deadline && !lf_stopping()) {
        const long got = g_clientSocket.receive(buffer.data(), kReplyLimit + 1 - reply.size());
        if (got < 0) {
            const int error = static_cast<int>(-got);
            if (error == kWsaEwouldblock || error == kWsaEtimedout || error == kWsaEintr)
                continue;
            closed = error == kWsaEconnreset || error == kWsaEconnaborted;
            if (!closed && !lf_stopping())
                gf_log(fmt::format("receive: {}", gf_winsockErrorText(error)));
            return {};
        }
        if (got == 0) {
            closed = true; // the client closed
            break;
        }
        reply.append(buffer.data(), static_cast<std::size_t>(got));
        if (reply.size() > kReplyLimit) {
            if (!lf_stopping())
                gf_log(fmt::format("receive: buffer overrun: {}", reply.size()));
            return {};
        }
        if (reply.find('\n') != std::string::npos || nlohmann::json::accept(reply))
            break;
    }
    g_clientSocket.setReceiveTimeout(0);
    return reply;
}

std::uint16_t lf_portNumber(const std::string& text) {
    std::uint16_t port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size())
        throw std::runtime_error(fmt::format("getaddrinfo failed with error {}", kWsaEinval));
    return port;
}

} // namespace

bool gf_openServer(const std::string& port) {
    {
        std::lock_guard lock(g_sendMutex);
        g_listenSocket.close();
        g_clientSocket.close();
        g_rtConnected = false;
        lf_forgetUnsentLocked();
        g_port = 0;
    }
    g_serverOwner = std::this_thread::get_id();
    const std::uint16_t number = lf_portNumber(port);
    const auto fail = [](std::string text) {
        g_listenSocket.close();
        throw std::runtime_error(std::move(text));
    };
    if (const int error = g_listenSocket.open(SocketKind::Tcp); error != 0)
        fail("socket failed with error " + gf_winsockErrorText(error));
    if (g_listenSocket.setReuseAddress() != 0)
        fail("setsockopt(SO_REUSEADDR) failed");
    // RealTraffic runs on this PC whenever the server exists: nothing else is let in.
    if (const int error = g_listenSocket.bind(number, true); error != 0)
        fail("Bind failed at port " + port + " with error " + gf_winsockErrorText(error));
    if (const int error = g_listenSocket.listen(); error != 0)
        fail("listen failed with error " + gf_winsockErrorText(error));
    g_port = g_listenSocket.localPort();
    return true;
}

std::uint16_t gf_serverPort() {
    return g_port.load();
}

void gf_waitForRealTraffic() {
    if (!g_realTrafficLocal.load())
        return;
    gf_setStatus("Waiting for RealTraffic to connect to Skyfill ...", true);
    gf_flushLog();
    gf_resetReaderState();
    g_simEpochSeconds = 0.0; // the simulator time is taken afresh once RealTraffic is there
    while (waitForClient()) {
        bool closed = !sendDataPacket("Qs999=version\r\n");
        const std::string reply = closed ? std::string() : lf_receiveReply(closed);
        if (closed) {
            if (lf_stopping())
                break;
            // Gone before it answered: not RealTraffic (or not any more); the next client is waited for.
            {
                std::lock_guard lock(g_sendMutex);
                lf_dropClientLocked();
            }
            lf_countDeadConnection();
            continue;
        }
        lf_processRTVersion(reply);
        lf_showReaderStates(true);
        g_inStartUp = false;
        gf_log("RealTraffic connected");
        break;
    }
    gf_clearStatus();
}

void lf_processRTVersion(std::string_view reply) {
    if (reply.empty()) {
        gf_setStatus("No RealTraffic version received?", true);
        g_rtProfessional = false;
        return;
    }
    try {
        const nlohmann::json document = nlohmann::json::parse(reply);
        if (document.is_object()) {
            const bool professional = document.value("level", 1) == 2;
            g_rtProfessional = professional;
            g_mainWindow.realTrafficEditionText.set(fmt::format("RT {} edition: {}", professional ? "prof" : "stnd",
                                                                document.value("version", std::string())));
        } else {
            g_rtProfessional = false;
            g_mainWindow.realTrafficEditionText.clear();
        }
    } catch (const std::exception& e) {
        g_rtProfessional = false;
        g_mainWindow.realTrafficEditionText.clear();
        gf_log(fmt::format("{}: JSON parse failed: {}", "lf_processRTVersion", e.what()));
    }
    gf_markChanged(BAND_INDICATORS);
}

std::string gf_positionLine(const UserAircraftBlock& user) {
    return fmt::format("Qs121={};{};{:.6f};{};{};{:.6f};{:.6f}\r\n", std::llround(user.pitch * 100000.0),
                       std::llround(user.bank * 100000.0), user.heading, std::llround(user.altitude * 1000.0),
                       user.groundSpeed * 1000.0, user.latitude * g_degToRad, user.longitude * g_degToRad);
}

void gf_sendUserPosition() {
    if (!g_realTrafficLocal.load())
        return;
    const UserAircraftBlock user = g_userAircraft.get().block;
    if (std::fabs(user.latitude) <= 0.0001 && std::fabs(user.longitude) <= 0.0001)
        return;
    if (!g_rtConnected.load()) {
        if (gf_exitReason() != ExitReason::NotYetSet)
            return;
        if (!waitForClient())
            return;
        lf_showReaderStates(true);
        gf_setStatus(fmt::format("{} RealTraffic re-connected", gf_timeOfDayText()), true);
        gf_flushLog();
        gf_clearStatus();
        return;
    }
    if (sendDataPacket(gf_positionLine(user)))
        return;
    lf_showReaderStates(false);
    if (!g_shutDown.load())
        gf_requestLiveTrafficRemoval();
    gf_resetReaderState();
    g_simEpochSeconds = 0.0;
    gf_setStatus(fmt::format("{} RealTraffic gone? Wait for RealTraffic to re-connect ...", gf_timeOfDayText()), true);
    gf_flushLog(); // the link's changes show in the log at once
}

void gf_sendSimTime(std::uint64_t simEpochSeconds) {
    if (g_rtConnected.load() && simEpochSeconds >= 1)
        sendDataPacket(fmt::format("Qs123={}\r\n", static_cast<std::int64_t>(simEpochSeconds) * 1000));
}

void gf_closeServer() {
    if (lf_isOwner()) {
        if (g_rtConnected.load())
            sendDataPacket("exit\r\n");
        std::lock_guard lock(g_sendMutex);
        g_rtConnected = false; // the next run does its hand-shake again
        lf_forgetUnsentLocked();
        g_clientSocket.close();
        g_listenSocket.close();
        g_port = 0;
        return;
    }
    // The window thread: the start-up thread may be inside a send, an accept or a receive on these
    // sockets. "exit" goes out after a send under way (when the client takes it at once); the sockets are
    // shut down, which ends the owner's wait, and stay open until the owner closes them.
    std::lock_guard lock(g_sendMutex);
    if (g_rtConnected.load() && g_clientSocket.valid() && g_unsentTail.empty())
        g_clientSocket.sendNow("exit\r\n");
    g_rtConnected = false;
    g_clientSocket.shutdownBoth();
    g_listenSocket.shutdownBoth();
}

void gf_setRealTrafficSendLimits(const RealTrafficSendLimits& limits) {
    g_clientSendBuffer = limits.sendBuffer;
    g_stallLimitMs = limits.stallLimit.count();
}

std::uint64_t gf_droppedRealTrafficLines() {
    return g_droppedLines.total();
}

std::uint64_t gf_deadRealTrafficConnections() {
    return g_deadConnections.total();
}

void gf_refreshTrafficReference(double userLatitude, double userLongitude) {
    g_trafficReader.setReferencePosition(userLatitude, userLongitude);
    g_trafficReader.setParkAirport(!g_parkAirport.icao.empty(), g_parkAirport.latitude, g_parkAirport.longitude,
                                   g_parkAirport.altitude);
}

} // namespace skf
