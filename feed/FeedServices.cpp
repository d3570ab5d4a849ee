// Placeholder of the live traffic feed: no server, no readers, no traffic.
#include "feed/FeedServices.h"

#include "core/ProgramState.h"
#include "core/StatusLine.h"

#include <fmt/format.h>

namespace skf {

QnhReader g_qnhReader;
TrafficReader g_trafficReader;
std::atomic<bool> g_readerSeen[2] = {true, true};

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

void gf_closeServer() {} // no server was opened

bool gf_openServer(const std::string&) // no server: nothing listens
{
    return false;
}

// Whoever reports a reader's end with an error ends the run; the first stop trigger names the reason.
void gf_readerStopped(std::string_view readerName, std::string_view error) {
    gf_setStatus(fmt::format("The {} has stopped with error: {}", readerName, error), true);
    gf_raiseStop(ExitReason::ReaderError, 15);
}

void gf_sendSimTime(std::uint64_t) {} // no client to send to

void gf_sendUserPosition() {} // no client to send to

void gf_waitForRealTraffic() {} // no server: nothing to wait for

void gf_watchReaders() {} // no reader runs

void lf_qnhReaderThread(std::uint16_t) {}

void lf_trafficReaderThread(bool, std::uint16_t) {}

} // namespace skf
