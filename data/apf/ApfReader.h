// Reader of the stand list of an airport file (the `parkpositions` block).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "data/apf/Stand.h"

namespace skf {

// The identity of an option read from a file.
struct OptIdentity {
    std::string callsign;  // first part of `cs`
    std::string callsign2; // second part of `cs` (after the first ':')
    uint16_t airline = 0;
    uint16_t model = 0;
};

// The `root` child of a document, or the document itself for files without one.
pugi::xml_node gf_apfTop(const pugi::xml_node& doc);

// `airl` and `type` interned: airline id in the low 16 bits, model id in the high 16 bits.
uint32_t lf_readAirlineAndType(const pugi::xml_node& opt);

// Callsign parts and (airline, model) of an `opt` element: from the database when its
// registration is known there, else from `airl` and `type`.
OptIdentity lf_readOptIdentity(const pugi::xml_node& opt);

// Reads one stand with its options and appends it to `stands`; a stand at 0/0 is logged and skipped.
void lf_readParkpos(const pugi::xml_node& parkpos, const std::string& id, uint32_t source, std::vector<Stand>& stands);

// Reads the whole stand list of a document and appends it to `stands` (g_stands by default).
// Throws UserErrorException 93 (missing or empty id) and 94 (repeated id).
void lf_readParkpositions(const pugi::xml_node& doc, std::vector<Stand>& stands);
void lf_readParkpositions(const pugi::xml_node& doc);

// Numbers the stands 1, 2, 3 ... in table order and builds their adjacency lists: b is a
// neighbour of a when 1.1 x their distance is less than the sum of their radii.
void gf_numberAndLinkStands(std::vector<Stand>& stands);

} // namespace skf
