#pragma once
// Test helpers of the feed: a valid traffic line around Amsterdam Schiphol with fields to replace, the
// traffic gate, and the records on the traffic queue.
#include "feed/FeedState.h"
#include "feed/TrafficQueue.h"
#include "feed/UdpReader.h"

#include <chrono>
#include <thread>

#include <map>
#include <string>
#include <vector>

namespace skf::test {

inline constexpr double kEhamLatitude = 52.3086;
inline constexpr double kEhamLongitude = 4.7639;

// Fields 0 to 28 of an airborne KLM Boeing 737 on final at Schiphol, with the given fields replaced.
inline std::string trafficLine(const std::map<int, std::string>& replaced = {}, int extraFields = 0) {
    std::vector<std::string> fields{
        "RTTFC",  "4737046", "52.3512", "4.7641",       "1800", "-700", "",          "181.5", "150", "KLM1234", "B738",
        "PH-BXA", "LHR",     "AMS",     "1717000000.5", "",     "",     "adsb_icao", "",      "",    "160",     "",
        "",       "5",       "",        "182",          "",     "",     "A3"};
    for (const auto& [index, text] : replaced)
        fields.at(static_cast<std::size_t>(index)) = text;
    for (int i = 0; i < extraFields; ++i)
        fields.emplace_back("x");
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i)
        line += (i == 0 ? "" : ",") + fields[i];
    return line;
}

inline void setTrafficGate(bool open) {
    std::lock_guard lock(g_addingStackMutex);
    g_liveTrafficOpen = open;
}

inline std::vector<QueuedTraffic> takeQueued() {
    std::vector<QueuedTraffic> out;
    while (gf_takeTraffic([&](QueuedTraffic& t) { out.push_back(std::move(t)); }) > 0) {
    }
    return out;
}

// Waits (without a time limit of its own: the test's timeout guards it) until the condition holds.
template <typename Condition>
void waitFor(Condition condition) {
    while (!condition())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// A reader object on a thread of its own, on an ephemeral loopback port.
template <typename Reader>
class RunningReader {
public:
    explicit RunningReader(bool keepRepeats = true, std::uint16_t port = 0) {
        m_thread = std::thread([this, keepRepeats, port] { reader.runThread({port, true, keepRepeats}); });
    }
    ~RunningReader() { stop(); }
    void stop() {
        reader.stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    std::uint16_t waitForPort() {
        waitFor([&] { return reader.boundPort.load() != 0 || !m_thread.joinable(); });
        return reader.boundPort.load();
    }
    Reader reader;

private:
    std::thread m_thread;
};

} // namespace skf::test
