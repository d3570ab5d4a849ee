#pragma once
// Stand look-ups, the free-stand search of a parking live aircraft, and the learning of stand options from
// live aircraft seen at stands. The per-stand option search of the static placement is in StandSearch.h.
//
// Called on the engine thread only (the 10 ms step, the once-a-second work, the static-parking driver):
// nothing here takes a lock, and nothing here talks to the simulator or removes an aircraft.
// Option lists are addressed by index or number, never through a reference kept across an insertion.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ProgramState.h"
#include "data/apf/Stand.h"
#include "sim/AircraftRecords.h"
#include "sim/UserStand.h"

namespace skf {

// One static aircraft that the option search wants on a stand.
struct StaticPlacement {
    std::int32_t standId = 0;
    std::uint32_t offset = 0; // half hours the search looked back from now
    std::uint16_t airline = 0;
    std::uint16_t model = 0;
    std::string firstCallsign;
    std::string secondCallsign;
    std::string registration;
    std::uint8_t staysOn = 0; // still at the stand in the next half hour
};

// A live aircraft parked at a stand, as the parking adjustment counts it.
struct ParkedLiveEntry {
    std::string callsign;
    std::int32_t standId = 0;
    std::int32_t minutes = 0; // since its last contact with the stand
    friend bool operator<(const ParkedLiveEntry& a, const ParkedLiveEntry& b) {
        if (a.callsign != b.callsign)
            return a.callsign < b.callsign;
        if (a.standId != b.standId)
            return a.standId < b.standId;
        return a.minutes < b.minutes;
    }
};

// Why a stay at a stand is learned (the kind of lf_addRealStandOption).
inline constexpr std::int32_t kStandArrived = 0;      // arrived, or parked there at the respawn test
inline constexpr std::int32_t kStandFoundAtSpawn = 1; // found standing at the stand when created
inline constexpr std::int32_t kStandLeaving = 2;      // leaves the stand
inline constexpr std::int32_t kStandLeavingFar = 3;   // seen far from the stand it stood on

// The last half hour already learned of a stay: weekday 1..7, half hour 0..47, option number.
struct StandStayMark {
    std::uint32_t day = 0;
    std::uint32_t slot = 0;
    std::uint32_t number = 0;
};

// Placements waiting for their creation slot (consumed from the back).
extern std::vector<StaticPlacement>& g_pendingStatic; // in the engine state (EngineState.h)
// The live aircraft parked at stands, filled by the parked-live collection of the removals.
extern std::vector<ParkedLiveEntry>& g_parkedLive;
// The fit (half hours looked back) reached by the last real and the last soft placement pass; the soft
// one is -1 after a real pass.
extern std::int32_t& g_fitReal;
extern std::int32_t& g_fitSoft;

// Search radii of the free-stand search (nautical miles): 20 m, and 55 m when widened (kStandWideNm,
// sim/UserStand.h, which also bounds the stand under the user aircraft).
inline constexpr double kStandNearNm = 0.010799136069114472;

// The week half hour of a weekday and half hour (day x 48 + slot); the park time of a parked aircraft.
std::int32_t gf_weekSlot(DayAndSlot now) noexcept;
// The weekday before and after (7 before 1, 1 after 7).
std::int32_t gf_dayBefore(std::int32_t day) noexcept;
std::int32_t gf_dayAfter(std::int32_t day) noexcept;
// (day, slot - offset), going back over midnight into the day before.
DayAndSlot gf_slotsBack(DayAndSlot now, std::int32_t offset) noexcept;

// The stand's name; "sid==0?" for 0, "sid==?" for a negative or unknown id.
std::string gf_standName(std::int32_t sid);
// A static placement was planned here: the stand and its neighbours are taken for this calculation.
void gf_markStandUsed(Stand& stand);

// A live aircraft takes the stand it parks on or stands on at its creation: it keeps the stand's position,
// heading, id and cargo mark, and the stand is marked occupied so that no second arrival is sent to it.
void gf_takeStand(ParkedAircraft& aircraft, const Stand& stand);
// What a release does to the stand's occupied mark. A stand the aircraft already left was freed then and may
// be another aircraft's by now: forgetting it must leave the mark alone.
enum class StandMark : std::uint8_t { keep, free };
// The aircraft forgets its stand (position, heading, id, cargo mark); StandMark::free also frees the stand.
void gf_releaseStand(ParkedAircraft& aircraft, StandMark mark);

// Copies the two callsign parts of today's option of the arriving aircraft's flight into it.
void gf_matchStandOption(DayAndSlot now, FlightRecord& aircraft);

// Extends the learned option `number` over the half hours from `last` to now; false when the gap is
// too long or a new option could not be added.
bool gf_extendStandStay(DayAndSlot now, std::vector<StandOpt>& options, std::uint32_t number, StandStayMark& last,
                        const FlightRecord& aircraft, std::string_view registration, bool complete);

// Whether the stand has an option of the aircraft's flight at the given time or within the last fit.
bool gf_standHasFlightOf(DayAndSlot now, std::int32_t sid, const FlightRecord& aircraft);

} // namespace skf
