#pragma once
// The two UDP readers of RealTraffic's streams ("Traffic Reader" on port 49005, "QNH Reader" on 49004),
// their shared receive loop, and the watchdog that shows whether datagrams keep arriving.
//
// Each reader object lives for the whole process (g_trafficReader, g_qnhReader, in the feed's owner,
// feed/FeedState.h); its thread (started
// detached by the run) only borrows it. The reader thread is the only user of its socket, buffer and last
// datagram; the other threads touch only the atomics and the small locked values below: the start-up
// thread (run, main cycle, closing down, hand-shake) sets the stop flag and the reference values and reads
// the counters; the engine reads g_qnh; the window reads the window fields. A reader never blocks longer
// than its one-second receive time-out before it sees its stop flag.
#include "core/ProgramState.h"
#include "core/RepeatedLog.h"
#include "feed/TrafficLine.h"
#include "platform/net/Socket.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace skf {

// The QNH in hectopascals used by the engine, 900 to 1100; 1013 after every reset. Written by the QNH
// reader and the resets; read by the engine. Held by the feed's owner (feed/FeedState.h).
extern std::atomic<int>& g_qnh;

inline constexpr std::uint16_t kQnhReaderPort = 49004;
inline constexpr std::uint16_t kTrafficReaderPort = 49005;
inline constexpr std::size_t kReceiveBufferSize = 16384;

// Environment variables that move a reader to another port ("0": an ephemeral one, published in the
// reader's boundPort), so that programs run side by side on one machine (tests, the traffic replayer's
// runs) never compete for RealTraffic's fixed ports. Unset or unreadable: the given port.
inline constexpr const char* kTrafficPortVariable = "SKYFILL_RT_TRAFFIC_PORT";
inline constexpr const char* kQnhPortVariable = "SKYFILL_RT_QNH_PORT";
[[nodiscard]] std::uint16_t gf_readerPort(const char* environmentName, std::uint16_t port);

class UdpReader {
public:
    explicit UdpReader(std::string_view name) : m_name(name), m_overruns("buffer overrun") {}
    virtual ~UdpReader() = default;
    UdpReader(const UdpReader&) = delete;
    UdpReader& operator=(const UdpReader&) = delete;

    std::atomic<bool> stop{false};                   // set by closing down, cleared by the resets
    std::atomic<std::uint64_t> datagrams{0};         // datagrams handed to the handler
    std::atomic<std::uint64_t> lastSeenDatagrams{0}; // the count at the watchdog's last check
    std::atomic<std::uint16_t> boundPort{0};         // the port bound by the running thread, 0 when none

    [[nodiscard]] std::string_view name() const { return m_name; }

    struct Options {
        std::uint16_t port = 0;   // 0: an ephemeral port, published in boundPort
        bool loopbackOnly = true; // bind 127.0.0.1, else every interface
        bool keepRepeats = true;  // hand on a datagram equal to the one before
    };
    // The whole reader thread: socket, bind, states, receive loop until the stop flag; an error ends the run
    // through gf_readerStopped. With RealTraffic on this PC ("local") the reader binds 127.0.0.1 and keeps
    // repeats; with RealTraffic on another PC it binds every interface and skips a datagram repeated.
    void runThread(Options options);

protected:
    // The datagram, valid during the call only.
    virtual void handleDatagram(std::string_view datagram) = 0;
    // The loop ended because the stop flag was set.
    virtual void stopped() = 0;
    // Window states when the socket is bound, and when the thread ends.
    virtual void showReceiving() = 0;
    virtual void showStopped() = 0;

private:
    void receiveLoop(bool keepRepeats, std::uint64_t generation);
    [[nodiscard]] bool toStop(std::uint64_t generation) const;

    std::string m_name;
    // A run started while the thread of the previous run still waits in its receive (its stop flag was
    // lowered again by the restart reset before it looked) takes over: the new thread counts up the
    // generation, the old one sees it and ends, and the new one waits for it before it opens its socket.
    std::atomic<std::uint64_t> m_generation{0};
    std::mutex m_runMutex;
    Socket m_socket;
    std::array<char, kReceiveBufferSize + 1> m_buffer{};
    std::string m_lastDatagram;
    RepeatedLog m_overruns; // over-long datagrams
};

// The QNH reader: JSON datagrams with the member "QNH".
class QnhReader : public UdpReader {
public:
    QnhReader()
        : UdpReader("QNH Reader"), m_faults{"no QNH", "QNH string parse error", "Exception in a QNH datagram"} {}
    std::atomic<int> lastQnh{1013};

    // The handler, public for the tests and the fuzz target.
    void processQnh(std::string_view datagram);

protected:
    void handleDatagram(std::string_view datagram) override { processQnh(datagram); }
    void stopped() override;
    void showReceiving() override;
    void showStopped() override;

private:
    enum Fault : std::size_t { kNoQnh, kParseError, kException }; // the order of m_faults
    RepeatedLogSet m_faults;                                      // faulty datagrams, counted per kind
};

// Where the traffic reader accepts traffic: the user's position (every 5 s by the main cycle) and the park
// airport's position (a copy made on the start-up thread, which owns the park airport).
struct TrafficReference {
    double latitude = 0.0;
    double longitude = 0.0;
    bool parkAirportSet = false;
    double parkLatitude = 0.0;
    double parkLongitude = 0.0;
    double parkElevation = 0.0; // feet
};

// The program-wide traffic reader ("Traffic Reader").
class TrafficReader : public UdpReader {
public:
    TrafficReader() : UdpReader("Traffic Reader"), m_refusals(gf_trafficLineFaultLogs()) { m_fields.reserve(64); }

    std::atomic<int>& qnh = g_qnh;
    // Seconds since 1970 of the last traffic record; 0.0 until the first traffic line. Held in core
    // (g_lastTrafficTime) because the program clock reads it in professional mode.
    std::atomic<double>& lastTrafficTime = g_lastTrafficTime;
    std::atomic<bool> collectCallsigns{false};

    // The reference, copied in and out whole under a small mutex, so a line never sees half of it.
    void setReferencePosition(double latitude, double longitude);
    void setParkAirport(bool set, double latitude, double longitude, double elevation);
    [[nodiscard]] TrafficReference reference() const;

    // The callsigns seen while collecting (copy-out under its mutex).
    void clearCallsigns();
    void addCallsign(const std::string& callsign);
    [[nodiscard]] std::set<std::string> callsigns() const;

    // The datagram handler: checks one traffic line and queues it when accepted (reader thread; public for
    // the tests, the fuzz target and the benchmark, which call it on their own reader object).
    LineOutcome processLine(std::string_view datagram);

protected:
    void handleDatagram(std::string_view datagram) override;
    void stopped() override;
    void showReceiving() override;
    void showStopped() override;

private:
    LineOutcome processLineSub(std::string_view datagram);

    mutable std::mutex m_referenceMutex;
    TrafficReference m_reference;
    mutable std::mutex m_callsignMutex;
    std::set<std::string> m_callsigns;
    std::vector<std::string_view> m_fields; // views into the datagram, reused for every line
    RepeatedLogSet m_refusals;              // refused lines, counted per fault
};

// Held by the feed's owner (feed/FeedState.h).
extern QnhReader& g_qnhReader;
extern TrafficReader& g_trafficReader;

// The watchdog's two "seen" flags, QNH first, traffic second: the reader's state was shown as receiving.
extern std::atomic<bool> (&g_readerSeen)[2];

// A reader thread that ended with an error reports it here: status and log "The {} has stopped with
// error: {}"; the first stop trigger sets READER ERROR with a restart after 15 s.
void gf_readerStopped(std::string_view readerName, std::string_view error);
// Main cycle: compares each reader's datagram counter with the last check and sets the window's states.
void gf_watchReaders();
// The reset of the readers' state by the hand-shake and the lost-client path: stop flags clear, QNH
// counters 0, last QNH 1013, last traffic time 0, callsign set empty, both seen flags set.
void gf_resetReaderState();

// Thread bodies of the two UDP readers.
void gf_qnhReaderThread(std::uint16_t port);
void gf_trafficReaderThread(bool realTrafficLocal, std::uint16_t port);

} // namespace skf
