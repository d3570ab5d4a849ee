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

// The program-wide livery list (start-up thread).
extern LiveryList g_liveries;

// True when a sorts before b: by airline code, then (same airline) model code, then (same pair) title,
// each compared bytewise as unsigned bytes, a prefix first.
bool lf_compareLiveries(const LiveryData& a, const LiveryData& b);

// Stable sort of the list by lf_compareLiveries.
void gf_sortLiveries(LiveryList& list = g_liveries);

// On a sorted list: removes every record equal to the one kept before it in title, airline, model,
// regcode and cargo flag (the priority is not compared). Returns the number removed.
std::size_t lf_removeDuplicateLiveries(LiveryList& list = g_liveries);

// Writes the list (with the data-file header) to the file through a temporary file. An empty list
// writes nothing and is no failure. False when the file could not be written: "Failed to write {}" is
// logged and an older file stays as it was.
[[nodiscard]] bool lf_writeLiveriesScanned(const LiveryList& list = g_liveries,
                                           const std::filesystem::path& path = g_liveriesScannedPath);

// Replaces the list by the file's records, sorted. Throws UserErrorException: 51 the file cannot be
// loaded, 52 root without <liveries>, 533 no record, 999 a record without a, m or t.
void lf_readLiveriesScanned(LiveryList& list = g_liveries, const std::filesystem::path& path = g_liveriesScannedPath);

// The reading of an already loaded document (pathText names the file in messages); the same errors as
// lf_readLiveriesScanned except 51.
void lf_readLiveriesDocument(const pugi::xml_document& document, std::string_view pathText, LiveryList& list);

} // namespace skf
