#pragma once
// The server that RealTraffic connects to as to a PSX main server: its one client, the version hand-shake,
// and the PSX lines sent to it ("Qs999=version", "Qs121=" position, "Qs123=" time, "exit").
//
// Everything runs on the start-up thread (run, main cycle, engine step), which owns both sockets, except
// gf_closeServer, which the window thread also calls when the main window closes: on that thread it only
// sends "exit" and shuts the sockets down (a blocked accept of the start-up thread ends), and leaves closing
// them to the owner. Waiting for a client polls the stop flags every quarter second.
//
// A send never waits: the engine step sends the position line, and a RealTraffic that stops reading must not
// stop the engine. A line that its side does not take is dropped and counted (logged at most once a minute);
// what the socket took only in part is sent first next time, so RealTraffic always reads whole lines; a
// client that takes nothing for the stall limit (30 s) counts as gone. Connections that were closed before
// their hand-shake (a burst of connects, a port scan) cost a look each and are counted, not served.
#include "sim/UserAircraft.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace skf {

// A client is connected. Set by a successful accept; cleared by a failed send and by gf_closeServer.
extern std::atomic<bool>& g_rtConnected;

// Opens the listening TCP socket on the port (text, as PORT_NUMBER holds it; "0": an ephemeral port), on
// the loopback address only. Throws std::runtime_error with the failing step on failure; true on success.
bool gf_openServer(const std::string& port);
// The listening port, 0 when no server is open.
[[nodiscard]] std::uint16_t gf_serverPort();
// The hand-shake: waits for RealTraffic when it runs on this PC, asks for its version once, shows the
// reader states. Returns at once on a stop flag.
void gf_waitForRealTraffic();
// The "Qs121=" line of the user aircraft's position, with its "\r\n".
[[nodiscard]] std::string gf_positionLine(const UserAircraftBlock& user);
// Sends the user aircraft's position; a lost client takes the live traffic out and is waited for here
// at the next call.
void gf_sendUserPosition();
// Sends "Qs123=" with the simulator time (seconds since 1970) in milliseconds when connected.
void gf_sendSimTime(std::uint64_t simEpochSeconds);
// Ends the link: "exit" to a connected client, then the sockets closed (by their owner) or shut down.
void gf_closeServer();

// The limits of the link: SO_SNDBUF of the client sockets accepted from now on (0: the system's) and how
// long a client may take nothing before it counts as gone. Tests make both small.
struct RealTrafficSendLimits {
    int sendBuffer = 0;
    std::chrono::milliseconds stallLimit{30000};
};
void gf_setRealTrafficSendLimits(const RealTrafficSendLimits& limits);
// Lines dropped because RealTraffic took nothing, and connections closed before their hand-shake, since the
// process started.
[[nodiscard]] std::uint64_t gf_droppedRealTrafficLines();
[[nodiscard]] std::uint64_t gf_deadRealTrafficConnections();

// Start-up thread (run, main cycle every 5 s): the traffic reader's reference: the user's position and a
// copy of the park airport, which the start-up thread owns.
void gf_refreshTrafficReference(double userLatitude, double userLongitude);

} // namespace skf
