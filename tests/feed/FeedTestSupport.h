#pragma once
// Test helpers of the feed: a valid traffic line around Amsterdam Schiphol with fields to replace, the
// traffic gate, and the records on the traffic queue.
#include "feed/TrafficQueue.h"

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

} // namespace skf::test
