#pragma once
// Requests that the window's handlers (main thread) raise and the main cycle on the start-up thread takes
// by exchange, so each request is carried out exactly once. Window handlers never touch engine data.

#include <atomic>
#include <cstdint>

#include "core/ShellState.h"

namespace skf {

inline std::atomic<bool> g_reReadRequested{false};         // "Re-read": re-read my_park_airports.txt
inline std::atomic<bool> g_flushStaticRequested{false};    // "Flush static": remove every static aircraft
inline std::atomic<bool> g_callsignListRequested{false};   // "cs->oid:": refill the live callsign list
inline std::atomic<bool> g_objectIdLookupRequested{false}; // new choice in CALLSIGN_2_OBJECTID
inline std::atomic<bool> g_blockChanged{false};            // BLOCK_CALLSIGN changed
inline std::atomic<bool> g_rematchRequested{false};        // MATCHING_DEPTH grew: forget unmatched names
inline std::atomic<bool> g_staticUpdateAnnounced{false};   // gf_announceStaticUpdate: static update due

// g_selectedObjectId (the object id of the live aircraft chosen in CALLSIGN_2_OBJECTID): core/ShellState.h.

} // namespace skf
