// RealTraffic's server: listening socket, client, hand-shake and PSX lines.
#include "feed/RealTrafficServer.h"

#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "core/Time.h"
#include "core/WindowFields.h"
#include "data/apf/ParkApf.h"
#include "feed/FeedRequests.h"
#include "feed/UdpReader.h"
#include "platform/net/Socket.h"
#include "platform/ui/WindowMessages.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <fmt/format.h>
#include <mutex>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <thread>

namespace skf {

std::atomic<bool> g_rtConnected{false};

namespace {

Socket g_listenSocket;
Socket g_clientSocket;
// The thread that opened the server owns both sockets and alone closes them.
std::atomic<std::thread::id> g_serverOwner{};
// Serialises the sends of the owner and of the window thread's "exit", and the client's close. Timed: the
// window thread waits a little for a send under way instead of dropping its "exit".
std::timed_mutex g_sendMutex;
std::atomic<std::uint16_t> g_port{0};

constexpr std::size_t kReplyLimit = 16383;
constexpr auto kReplyTimeout = std::chrono::seconds(5);
constexpr int kAcceptPollMs = 250;
// A send to a reading client takes microseconds; one that takes longer is stuck on a client that no longer reads.
constexpr auto kExitSendWait = std::chrono::seconds(2);

bool lf_stopping() {
    return g_stopRun.load() || g_shutDown.load();
}
bool lf_isOwner() {
    return std::this_thread::get_id() == g_serverOwner.load();
}

void lf_showReaderStates(bool shown) {
    g_mainWindow.realTrafficLinkUp = shown;
    gf_invalidateBands(BAND_ALL);
}

// Blocks until RealTraffic connects, polling the stop flags; false when connected already, on a stop flag
// or when the listening socket fails or was shut down.
bool waitForClient() {
    if (g_rtConnected.load())
        return false;
    if (!g_listenSocket.valid())
        return false;
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
    if (g_listenSocket.accept(g_clientSocket) != 0)
        return false;
    if (const int error = g_clientSocket.setNoDelay(); error != 0) {
        if (!lf_stopping())
            gf_log(fmt::format("waitForClient interrupted: {} setsockopt failed with error {}", gf_timeOfDayText(),
                               gf_winsockErrorText(error)));
        g_clientSocket.close();
        return false;
    }
    g_rtConnected = true;
    return true;
}

// Sends one whole line; a failure closes the client (the owner) or shuts it down (another thread).
bool sendDataPacket(std::string_view line) {
    std::lock_guard lock(g_sendMutex);
    const int error = g_clientSocket.valid() ? g_clientSocket.sendAll(line) : kWsaEnotconn;
    if (error == 0)
        return true;
    if (!lf_stopping())
        gf_log(fmt::format("sendDataPacket to RealTraffic failed: {}", gf_winsockErrorText(error)));
    g_rtConnected = false;
    if (lf_isOwner())
        g_clientSocket.close();
    else
        g_clientSocket.shutdownBoth();
    if (!lf_stopping())
        gf_log("RealTraffic client socket closed");
    return false;
}

// The version reply, read to its line end (or to a whole JSON object) within 5 seconds, also when it
// arrives in pieces; empty on an error or when nothing came.
std::string lf_receiveReply() {
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
            if (!lf_stopping())
                gf_log(fmt::format("receive: {}", gf_winsockErrorText(error)));
            return {};
        }
        if (got == 0)
            break; // the client closed
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
    if (waitForClient()) {
        sendDataPacket("Qs999=version\r\n");
        lf_processRTVersion(lf_receiveReply());
        lf_showReaderStates(true);
        g_inStartUp = false;
        gf_log("RealTraffic connected");
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
    gf_invalidateBands(BAND_INDICATORS);
}

std::string gf_positionLine(const UserAircraftBlock& user) {
    constexpr double kDegreesToRadians = 0.017453292519943295;
    return fmt::format("Qs121={};{};{:.6f};{};{};{:.6f};{:.6f}\r\n", std::llround(user.pitch * 100000.0),
                       std::llround(user.bank * 100000.0), user.heading, std::llround(user.altitude * 1000.0),
                       user.groundSpeed * 1000.0, user.latitude * kDegreesToRadians,
                       user.longitude * kDegreesToRadians);
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
        g_clientSocket.close();
        g_listenSocket.close();
        g_port = 0;
        return;
    }
    // The window thread: the start-up thread may be inside a send, an accept or a receive on these
    // sockets. "exit" goes out after a send under way, unless that send is stuck; the sockets are shut
    // down, which ends the owner's wait, and stay open until the owner closes them.
    std::unique_lock lock(g_sendMutex, kExitSendWait);
    if (lock.owns_lock() && g_rtConnected.load() && g_clientSocket.valid())
        g_clientSocket.sendAll("exit\r\n");
    g_rtConnected = false;
    g_clientSocket.shutdownBoth();
    g_listenSocket.shutdownBoth();
}

void gf_refreshTrafficReference(double userLatitude, double userLongitude) {
    g_trafficReader.setReferencePosition(userLatitude, userLongitude);
    g_trafficReader.setParkAirport(!g_parkAirport.icao.empty(), g_parkAirport.latitude, g_parkAirport.longitude,
                                   g_parkAirport.altitude);
}

} // namespace skf
