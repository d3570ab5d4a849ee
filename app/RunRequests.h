#pragma once
// Requests that the window's handlers (main thread) raise and the main cycle on the start-up thread takes
// by exchange, so each request is carried out exactly once. Window handlers never touch engine data.

#include <atomic>
#include <cstdint>

#include "core/ShellState.h"

namespace skf {

// Into the shell's state (app/ShellRunState.h); the last three are reset at every restart.
extern std::atomic<bool>& g_reReadRequested;         // "Re-read": re-read my_park_airports.txt
extern std::atomic<bool>& g_flushStaticRequested;    // "Flush static": remove every static aircraft
extern std::atomic<bool>& g_callsignListRequested;   // "cs->oid:": refill the live callsign list
extern std::atomic<bool>& g_rematchRequested;        // MATCHING_DEPTH grew: forget unmatched names
extern std::atomic<bool>& g_objectIdLookupRequested; // new choice in CALLSIGN_2_OBJECTID
extern std::atomic<bool>& g_blockChanged;            // BLOCK_CALLSIGN changed
extern std::atomic<bool>& g_staticUpdateAnnounced;   // gf_announceStaticUpdate: static update due

// g_selectedObjectId (the object id of the live aircraft chosen in CALLSIGN_2_OBJECTID): core/ShellState.h.

} // namespace skf
