#pragma once
// Static parking at the park airport: reading its stand file into the stand table, the wanted number of
// static aircraft, the placement passes of widening fit, and the placing of one static aircraft per
// creation slot of the engine step.
//
// Called on the engine thread only (the static-parking driver, the parking adjustment, the engine step's
// creation slot). Never waits: a calculation is bounded by the stands x options x MAX_FIT, and aircraft are
// handed to the simulator one at a time through the static creation queue.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/ProgramState.h"
#include "traffic/Stands.h"

namespace skf {

// Reads the park airport's stand file into the stand table; the error text, empty on success.
std::string lf_readParkedFile();
// One full calculation of the static placements.
void lf_calcStaticParking();
// The wanted number of static aircraft (also shown in the window).
std::int64_t gf_wantedStaticCount();
// The pass sequence: real today, real any day (WEEK), soft today (PARK_SOFT), soft any day (both).
void lf_collectPlacements(DayAndSlot now, std::int64_t wanted, std::int64_t already);
void lf_runPlacementPass(DayAndSlot now, std::int64_t wanted, std::int64_t already, std::int32_t kind,
                         std::int32_t mode);
// Searches offsets 0..MAX_FIT until `wanted` stands are used; false when MAX_FIT was passed.
bool lf_fitPass(DayAndSlot now, std::int32_t kind, std::int32_t mode, std::int64_t wanted,
                std::vector<StaticPlacement>& out);
// The reserved stand and the stand under the user aircraft are never used for static aircraft.
void lf_markExcludedStands();
// Now (weekday and half hour), logged.
DayAndSlot lf_logDayAndHour();
// Places the last pending placement: its record, its livery and its queued creation.
void lf_addStaticAircraft();
// Every trailing '_' removed and one '*' added (unless there is one).
std::string lf_staticCallsign(std::string_view text);

// Pending placements waiting for creation, and their removal for one stand (a live aircraft parks there).
std::uint64_t gf_pendingStaticCount();
void gf_dropPendingStaticAt(std::int32_t sid);

// The next static traffic id (1..9999, never one in use); tests set the counter.
std::uint32_t lf_nextStaticId();
void gf_setStaticIdCounter(std::uint32_t value);

} // namespace skf
