#pragma once
// The steps of reading and writing the scanned livery list; used inside liveries/ and by the tests only.
#include "liveries/LiveryList.h"

#include <cstdint>
#include <vector>

namespace skf {

// How lf_compareLiveries compares two airline codes, or two model codes: by their texts in the pools, or by
// their places in the byte order of the codes of one list (lf_liveryCodeOrder), which is the same order
// without a look-up in the pool (and its lock) per comparison. The sort of a list takes the places.
struct LiveryCodeOrder {
    std::vector<std::uint32_t> airlinePlaces; // by airline id; empty: the texts are compared
    std::vector<std::uint32_t> modelPlaces;   // by model id; empty: the texts are compared

    // Negative, 0 or positive as the first code sorts before, with or after the second.
    int airlines(std::uint16_t a, std::uint16_t b) const;
    int models(std::uint16_t a, std::uint16_t b) const;
};

// The places of the codes of every airline and model the list holds.
LiveryCodeOrder lf_liveryCodeOrder(const LiveryList& list);

// True when a sorts before b: by airline code, then (same airline) model code, then (same pair) title,
// each compared bytewise as unsigned bytes, a prefix first. The codes are compared as `codes` says; by
// default by their texts.
bool lf_compareLiveries(const LiveryData& a, const LiveryData& b, const LiveryCodeOrder& codes = {});

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
