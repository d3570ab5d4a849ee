#pragma once
// The livery list: one LiveryData record per installed livery, as a livery scan found it, and its file
// output/LiveriesScanned.xml, which hands the result of one scan over to every later start-up.
//
// Called on the start-up thread only: the scan sorts, de-duplicates and writes the list at its end, the
// livery tables read it back at every start-up. No lock: scan workers never touch the list themselves.
// The list never owns pool codes: airline and model are ids of g_operatorPool and g_modelPool.

#include <cstdint>
#include <filesystem>
#include <list>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "core/settings/ProgramPaths.h"

namespace skf {

struct LiveryData {
    std::string title;         // the simulator creates an aircraft by this title
    std::string regcode;       // from atc_id; empty when the livery has none
    std::uint16_t airline = 0; // g_operatorPool id; 0 = no airline
    std::uint16_t model = 0;   // g_modelPool id; 0 = no model
    std::int16_t priority = 0; // 1..10 by package folder; 0 when read back from the file
    bool cargo = false;

    friend bool operator==(const LiveryData&, const LiveryData&) = default;
};

using LiveryList = std::list<LiveryData>;

// The program-wide livery list (start-up thread), held in the liveries' owner (liveries/LiveryState.h).
extern LiveryList& g_liveries;

// Stable sort of the list by lf_compareLiveries.
void gf_sortLiveries(LiveryList& list = g_liveries);

} // namespace skf
