#pragma once
// Live traffic feed: what the rest of the program uses of it (server for RealTraffic, UDP readers, the
// queue of accepted traffic records).
//
// This build holds the feed's placeholder: no server is opened and no datagram is received, so no traffic
// ever arrives; every function does the least and reports that nothing happened.

#include "core/ProgramState.h"
#include "feed/TrafficQueue.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

namespace skf {

// A UDP reader's state that the shell touches (stop flag, datagram counter, watchdog count).
struct UdpReaderState {
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> datagrams{0};
    std::atomic<std::uint64_t> lastSeenDatagrams{0};
};

struct QnhReader : UdpReaderState {
    std::atomic<int> lastQnh{1013};
};

// The QNH in hectopascals used by the engine, 900 to 1100; 1013 after every reset. Written by the QNH
// reader and the resets; read by the engine.
inline std::atomic<int> g_qnh{1013};

// The program-wide traffic reader ("Traffic Reader").
struct TrafficReader : UdpReaderState {
    std::atomic<double> refLatitude{0.0};
    std::atomic<double> refLongitude{0.0};
    std::atomic<double> refElevation{0.0};
    std::atomic<bool> refElevationValid{false};
    std::atomic<int>& qnh = g_qnh;
    // Seconds since 1970 of the last traffic record; 0.0 until the first traffic line. Held in core
    // (g_lastTrafficTime) because the program clock reads it in professional mode.
    std::atomic<double>& lastTrafficTime = g_lastTrafficTime;
    std::atomic<bool> collectCallsigns{false};

    // The callsigns seen while collecting (copy-out under its mutex).
    void clearCallsigns();
    void addCallsign(const std::string& callsign);
    [[nodiscard]] std::set<std::string> callsigns() const;

private:
    mutable std::mutex m_callsignMutex;
    std::set<std::string> m_callsigns;
};

extern QnhReader g_qnhReader;
extern TrafficReader g_trafficReader;

// The reader watchdog's two "seen" flags (traffic, QNH).
extern std::atomic<bool> g_readerSeen[2];

inline constexpr std::uint16_t kQnhReaderPort = 49004;
inline constexpr std::uint16_t kTrafficReaderPort = 49005;

// Sends "exit" to a connected RealTraffic client and closes the sockets. May throw std::exception.
void gf_closeServer();
// Opens the listening TCP socket on port; true on success.
bool gf_openServer(const std::string& port);
// A reader thread that ended with an error reports it here (READER ERROR, restart after 15 s).
void gf_readerStopped(std::string_view readerName, std::string_view error);
// Sends the simulator time (seconds since 1970) to RealTraffic when it is connected.
void gf_sendSimTime(std::uint64_t simEpochSeconds);
// Sends the user aircraft's position to RealTraffic when it is connected.
void gf_sendUserPosition();
// Waits for RealTraffic to connect when it runs on this PC; returns at once on a stop flag.
void gf_waitForRealTraffic();
// Compares each reader's datagram counter with the last check and sets the window's reader states.
void gf_watchReaders();
// Thread bodies of the two UDP readers.
void lf_qnhReaderThread(std::uint16_t port);
void lf_trafficReaderThread(bool realTrafficLocal, std::uint16_t port);

} // namespace skf
