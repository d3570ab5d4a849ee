#pragma once
// The checks of one RealTraffic traffic line (one UDP datagram, comma-separated fields) and what becomes
// of it. The line itself is read by TrafficReader::processLine (feed/UdpReader.h) on the "Traffic Reader"
// thread; this header names the outcomes and the non-aircraft filter, which have no state.
#include "core/RepeatedLog.h"

#include <string_view>

namespace skf {

// What became of one datagram on the traffic port.
enum class LineOutcome {
    Queued,         // accepted and pushed onto the traffic queue
    GateClosed,     // accepted, but the traffic gate was closed
    Dropped,        // dropped without a log line (out of range, not wanted)
    Refused,        // a field could not be read: one "exception in processLineSub: {}" log line, repeats of
                    // one kind of fault counted (RepeatedLog)
    Vehicle,        // holds " VEH": ignored before it is split
    NotTrafficLine, // too few fields or JSON: counted, logged at most once a minute
};

// The fields a traffic line must have (0 to 28).
inline constexpr std::size_t kTrafficLineFields = 29;

// The non-aircraft filter: false for an empty or "null" type, for the ADS-B emitter categories of
// gliders, lighter-than-air, ultralights and vehicles, and (with a category given) for types longer than
// four characters or pseudo types such as "BALL" or "GRND".
[[nodiscard]] bool gf_isAircraftType(std::string_view type, std::string_view category);

// The counted log lines of one traffic reader's refused lines, one kind per fault.
[[nodiscard]] RepeatedLogSet gf_trafficLineFaultLogs();

} // namespace skf
