#pragma once
// The parking adjustment (every 20 minutes, or "Now"): static aircraft whose schedule ended go, new ones
// come, one about to leave is placed again under its departure callsign, and the parked total (live and
// static) is brought to the wanted count. And the parked limit applied when a live aircraft parks.
//
// Called on the engine thread only: the adjustment from the main cycle, the limit from the live aircraft's
// arrival and spawn at a stand. Removals go through removeAircraftFromSim; new aircraft are only queued
// as pending placements, placed one per creation slot of the engine step.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/ProgramState.h"
#include "sim/AircraftRecords.h"
#include "traffic/Stands.h"

namespace skf {

// A static aircraft the adjustment keeps.
struct KeptStatic {
    std::string callsign;
    std::string firstCallsign;
    std::string secondCallsign;
    std::string registration;
    std::uint16_t airline = 0;
    std::uint16_t model = 0;
    std::int32_t parkTime = 0; // week half hour (day x 48 + slot)
    std::uint32_t offset = 0;
    std::int32_t standId = 0;
    std::uint8_t leaving = 0;
};

struct PlannedRemoval {
    std::string callsign;
    std::int32_t standId = 0;
};

// In the engine state (EngineState.h).
extern std::vector<KeptStatic>& g_keptStatics;
extern std::vector<PlannedRemoval>& g_plannedRemovals;

// Empties the kept statics, the planned removals and the parked-live list.
void gf_clearAdjustmentLists();

void gf_adjustParking();
// Decides for every active static aircraft: kept, replaced by a placement, or removed.
void lf_reconcileStatics(DayAndSlot now);
// Keeps the aircraft (the placement goes) when the placement's time is not later than its park time.
void lf_keepOrReplaceStatic(const ParkedAircraft& aircraft, DayAndSlot now, std::size_t placement);
// A live aircraft parked (extra 0) or was spawned at a stand (extra 1): keeps the parked total.
void gf_enforceMaxPark(std::uint8_t extra);
// (traffic id, seconds parked) of the active parked live aircraft, longest first.
void lf_liveParkedTimes(std::vector<std::pair<std::uint32_t, std::int64_t>>& out);
void lf_removeLongestParkedLive(std::size_t count);

// Half hours from a week half hour to now (0..335).
std::int32_t gf_halfHoursSince(std::int32_t weekSlot, DayAndSlot now) noexcept;

// Erases the static records whose creation was withdrawn or which never reached the simulator.
void gf_eraseCancelledStatics();

} // namespace skf
