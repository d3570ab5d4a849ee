#pragma once
// What the fuzz targets of the live traffic feed run on one input; the robustness tests run the same.
// A broken promise of the readers (a queued record that is not finite, a QNH outside 900..1100) traps.
#include "feed/TrafficQueue.h"
#include "feed/UdpReader.h"

#include <cmath>
#include <mutex>
#include <string_view>

namespace skf::fuzz {

// One datagram on the traffic port, read by a traffic reader around Schiphol with the gate open.
inline LineOutcome readTrafficLine(std::string_view datagram) {
    static TrafficReader reader;
    static std::once_flag once;
    std::call_once(once, [] {
        reader.setReferencePosition(52.3086, 4.7639);
        reader.setParkAirport(true, 52.3086, 4.7639, -11.0);
        std::lock_guard lock(g_addingStackMutex);
        g_liveTrafficOpen = true;
    });
    const LineOutcome outcome = reader.processLine(datagram);
    gf_takeTraffic([](QueuedTraffic& t) {
        const StreamPoint& p = t.point;
        const bool finite = std::isfinite(p.latitude) && std::isfinite(p.longitude) && std::isfinite(p.altitude) &&
                            std::isfinite(p.groundSpeed) && std::isfinite(p.track) && std::isfinite(p.verticalSpeed) &&
                            std::isfinite(p.trueAirspeed) && std::isfinite(t.timestamp) &&
                            (!p.bank || std::isfinite(*p.bank)) && (!p.trueHeading || std::isfinite(*p.trueHeading));
        if (!finite || t.trafficId <= 10000 || (t.record.callsign.empty() && t.record.registration.empty()))
            __builtin_trap();
    });
    return outcome;
}

// One datagram on the QNH port.
inline int readQnhDatagram(std::string_view datagram) {
    static QnhReader reader;
    reader.processQnh(datagram);
    const int qnh = g_qnh.load();
    if (qnh != 1013 && (qnh < 900 || qnh > 1100))
        __builtin_trap();
    return qnh;
}

} // namespace skf::fuzz
