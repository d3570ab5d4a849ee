// The UDP readers' thread, receive loop and watchdog.
#include "feed/UdpReader.h"
#include "feed/UdpReaderInternal.h"

#include "core/Log.h"
#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "core/WindowFields.h"

#include <charconv>
#include <cstdlib>
#include <fmt/format.h>
#include <stdexcept>

namespace skf {

namespace {

constexpr int kQnhSeen = 0;
constexpr int kTrafficSeen = 1;

bool lf_stopping() {
    return g_stopRun.load() || g_shutDown.load();
}

void lf_logConnected(std::string_view name) {
    gf_logIndented(fmt::format("{} connected", name));
}
void lf_logDisconnected(std::string_view name) {
    gf_logIndented(fmt::format("{} disconnected", name));
}

} // namespace

bool UdpReader::toStop(std::uint64_t generation) const {
    return stop.load() || m_generation.load() != generation;
}

void UdpReader::runThread(Options options) {
    const std::uint64_t generation = m_generation.fetch_add(1) + 1;
    std::lock_guard run(m_runMutex);
    if (m_generation.load() != generation)
        return; // a later run has taken over already
    try {
        if (const int error = m_socket.open(SocketKind::Udp); error != 0)
            throw std::runtime_error(fmt::format("failed to create the socket, error: {}", gf_winsockErrorText(error)));
        if (const int error = m_socket.bind(options.port, options.loopbackOnly); error != 0)
            throw std::runtime_error(
                fmt::format("bind to stream socket failed, error: {}", gf_winsockErrorText(error)));
        boundPort = m_socket.localPort();
        showReceiving();
        lf_logConnected(m_name);
        receiveLoop(options.keepRepeats, generation);
    } catch (const std::exception& e) {
        gf_readerStopped(m_name, e.what());
    } catch (...) {
        gf_readerStopped(m_name, "Unknown exception");
    }
    // The guard of every way out.
    try {
        m_socket.close();
        boundPort = 0;
        showStopped();
        lf_logDisconnected(m_name);
    } catch (...) {
    }
}

void UdpReader::receiveLoop(bool keepRepeats, std::uint64_t generation) {
    if (const int error = m_socket.setReceiveTimeout(1000); error != 0)
        throw std::runtime_error(fmt::format("receive error: {}", gf_winsockErrorText(error)));
    int failure = 0;
    while (!toStop(generation)) {
        const long got = m_socket.receive(m_buffer.data(), kReceiveBufferSize);
        if (got < 0) {
            const int error = static_cast<int>(-got);
            if (error == kWsaEintr || error == kWsaEwouldblock || error == kWsaEtimedout)
                continue;
            failure = error;
            break;
        }
        if (got == 0)
            continue;
        const auto length = static_cast<std::size_t>(got);
        if (length >= kReceiveBufferSize) {
            if (!lf_stopping())
                m_overruns.log([length] { return fmt::format("buffer overrun: {} bytes", length); });
            continue;
        }
        m_buffer[length] = '\0';
        const std::string_view datagram(m_buffer.data(), length);
        if (!keepRepeats) {
            // RealTraffic on another PC may send a datagram twice in a row; the repeat is skipped.
            if (datagram == m_lastDatagram)
                continue;
            m_lastDatagram.assign(datagram);
        }
        datagrams.fetch_add(1);
        handleDatagram(datagram);
    }
    if (failure != 0 && !toStop(generation))
        throw std::runtime_error(fmt::format("receive error: {}", gf_winsockErrorText(failure)));
    m_socket.close();
    stopped();
}

// ---- QNH reader --------------------------------------------------------------------

void QnhReader::stopped() {
    gf_log("QNH Reader has stopped");
}

void QnhReader::showReceiving() {
    g_mainWindow.weatherReaderState = READER_RECEIVING;
    gf_markChanged(BAND_INDICATORS);
}

void QnhReader::showStopped() {
    g_mainWindow.weatherReaderState = READER_STOPPED;
    gf_markChanged(BAND_INDICATORS);
}

// ---- Traffic reader ----------------------------------------------------------------

void TrafficReader::setReferencePosition(double latitude, double longitude) {
    std::lock_guard lock(m_referenceMutex);
    m_reference.latitude = latitude;
    m_reference.longitude = longitude;
}

void TrafficReader::setParkAirport(bool set, double latitude, double longitude, double elevation) {
    std::lock_guard lock(m_referenceMutex);
    m_reference.parkAirportSet = set;
    m_reference.parkLatitude = set ? latitude : 0.0;
    m_reference.parkLongitude = set ? longitude : 0.0;
    m_reference.parkElevation = set ? elevation : 0.0;
}

TrafficReference TrafficReader::reference() const {
    std::lock_guard lock(m_referenceMutex);
    return m_reference;
}

void TrafficReader::clearCallsigns() {
    std::lock_guard lock(m_callsignMutex);
    m_callsigns.clear();
}

void TrafficReader::addCallsign(const std::string& callsign) {
    std::lock_guard lock(m_callsignMutex);
    m_callsigns.insert(callsign);
}

std::set<std::string> TrafficReader::callsigns() const {
    std::lock_guard lock(m_callsignMutex);
    return m_callsigns;
}

void TrafficReader::handleDatagram(std::string_view datagram) {
    processLine(datagram);
}

void TrafficReader::stopped() {
    g_mainWindow.trafficReaderState = READER_STOPPED;
    gf_markChanged(BAND_INDICATORS);
    gf_log("Traffic Reader has stopped");
}

void TrafficReader::showReceiving() {
    g_mainWindow.trafficReaderState = READER_RECEIVING;
    g_mainWindow.weatherReaderState = READER_RECEIVING;
    gf_markChanged(BAND_INDICATORS);
}

void TrafficReader::showStopped() {
    g_mainWindow.trafficReaderState = READER_STOPPED;
    g_mainWindow.weatherReaderState = READER_STOPPED;
    gf_markChanged(BAND_INDICATORS);
}

// ---- Shared services ---------------------------------------------------------------

void gf_readerStopped(std::string_view readerName, std::string_view error) {
    gf_setStatus(fmt::format("The {} has stopped with error: {}", readerName, error), true);
    gf_raiseStop(ExitReason::ReaderError, 15);
}

void gf_watchReaders() {
    if (!g_mainWindow.realTrafficLinkUp.load())
        return;
    struct Watched {
        UdpReader& reader;
        std::atomic<std::int32_t>& state;
        std::atomic<bool>& seen;
    };
    const Watched watched[] = {{g_qnhReader, g_mainWindow.weatherReaderState, g_readerSeen[kQnhSeen]},
                               {g_trafficReader, g_mainWindow.trafficReaderState, g_readerSeen[kTrafficSeen]}};
    for (const Watched& w : watched) {
        const std::uint64_t count = w.reader.datagrams.load();
        const bool changed = count != w.reader.lastSeenDatagrams.exchange(count);
        if (!changed) {
            w.state = READER_STALE;
            w.seen = false;
            gf_markChanged(BAND_INDICATORS);
        } else if (!w.seen.exchange(true)) {
            w.state = READER_RECEIVING;
            gf_markChanged(BAND_INDICATORS);
        }
    }
}

void gf_resetReaderState() {
    g_trafficReader.lastTrafficTime = 0.0;
    g_trafficReader.clearCallsigns();
    g_trafficReader.stop = false;
    g_qnhReader.lastQnh = 1013;
    g_qnhReader.stop = false;
    g_qnhReader.datagrams = 0;
    g_qnhReader.lastSeenDatagrams = 0;
    g_readerSeen[kQnhSeen] = true;
    g_readerSeen[kTrafficSeen] = true;
}

std::uint16_t gf_readerPort(const char* environmentName, std::uint16_t port) {
    const char* text = std::getenv(environmentName);
    if (text == nullptr || *text == '\0')
        return port;
    std::uint16_t chosen = 0;
    const std::string_view view(text);
    const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), chosen);
    return error == std::errc() && end == view.data() + view.size() ? chosen : port;
}

void gf_qnhReaderThread(std::uint16_t port) {
    lf_qnhReaderThread(port);
}

void gf_trafficReaderThread(bool realTrafficLocal, std::uint16_t port) {
    lf_trafficReaderThread(realTrafficLocal, port);
}

void lf_qnhReaderThread(std::uint16_t port) {
    const bool local = g_realTrafficLocal.load();
    g_qnhReader.runThread({gf_readerPort(kQnhPortVariable, port), local, local});
}

void lf_trafficReaderThread(bool realTrafficLocal, std::uint16_t port) {
    g_trafficReader.runThread({gf_readerPort(kTrafficPortVariable, port), realTrafficLocal, realTrafficLocal});
}

} // namespace skf
