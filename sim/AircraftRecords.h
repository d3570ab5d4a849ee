#pragma once
// The aircraft record family: the common head filled from a traffic line, the flight record with its
// per-category flight values, and the static parked aircraft with its state towards the simulator.
// A live aircraft (traffic engine) begins with a ParkedAircraft.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/SizeCategory.h"
#include "data/StringPool.h"

namespace skf {

enum class SimStatus : std::uint32_t {
    buffer = 0,          // known to the program only
    adding2sim = 1,      // creation queued or sent
    active = 2,          // confirmed and driven by the program
    liveryrespawn = 3,   // being removed to be created again with another livery
    removingfromsim = 4, // removal queued or sent
};

enum class FlightPhase : std::uint32_t {
    pushing_back = 0,
    pushed_back = 1,
    taxi = 2,
    take_off = 3,
    flying = 4,
    parking = 5,
    parked = 6,
    birth = 7,
};

// Three-character airport code, not terminated; first byte 0 = none.
using RouteCode = std::array<char, 3>;

struct TrafficRecord {
    std::uint16_t airlineId = 0;
    std::uint16_t modelId = 0;
    RouteCode origin{};
    RouteCode destination{};
    std::uint8_t flag = 0;
    std::string callsign;       // also the tail number given to the simulator, echoed back as ATC ID
    std::string firstCallsign;  // flight arriving at a stand
    std::string secondCallsign; // flight leaving the stand
    std::string registration;

    TrafficRecord() = default;
    TrafficRecord(const TrafficRecord&) = default;
    TrafficRecord& operator=(const TrafficRecord&) = default;
    // A move leaves the four strings of the source empty.
    TrafficRecord(TrafficRecord&& other) noexcept;
    TrafficRecord& operator=(TrafficRecord&& other) noexcept;
};

struct FlightRecord : TrafficRecord {
    double halfWingspanNm = 0.0;
    double staticCgFt = 0.0;
    double staticPitchRad = 0.0;
    double takeOffPitch = 0.0;    // radians
    double climbPitch = 0.0;      // radians
    double nominalTurnRate = 0.0; // radians per engine step
    double turnRate = 0.0;
    double maxClimbRate = 0.0;   // feet per step
    double taxiSpeed = 0.0;      // knots
    std::uint32_t trafficId = 0; // above 10000 live, 1..9999 static
    SizeCategory category = SizeCategory::Large;
    std::string_view liveryTitle; // view into the title store of the livery tables
    std::uint32_t flarePitchSteps = 0;
    std::uint32_t onGroundSlots = 0;
    std::uint32_t takeOffPitchSteps = 0;
    std::uint32_t climbPitchSteps = 0;
    std::uint8_t cargo = 0;
    std::uint8_t fsltlFlag = 0;
};

struct ParkedAircraft : FlightRecord {
    std::uint32_t objectId = 0; // 0 until the simulator confirmed the creation
    double standLat = 0.0;
    double standLon = 0.0;
    double standHeading = 0.0;
    double parkTime = 0.0;
    std::int32_t standId = 0; // below 1: no stand
    SimStatus simStatus = SimStatus::buffer;
    std::uint32_t throttleIndex = 5; // 5: none sent yet
    std::uint32_t flapsIndex = 4;
    std::uint8_t standCargo = 0;
    std::uint8_t removeWhenAdded = 0;
    std::uint8_t erase = 0;
    std::uint8_t eraseCreationCancelled = 0;

    ParkedAircraft() = default;
    ParkedAircraft(FlightRecord&& record, std::int32_t standId_, double lat, double lon, double heading,
                   std::uint8_t cargo_);
};

// Live traffic ids are above this value; static parked aircraft use 1..9999.
inline constexpr std::uint32_t kLiveTrafficIdBase = 10000;

FlightRecord gf_makeFlightRecord(TrafficRecord record);

// gf_sizeCategoryName: core/SizeCategory.h
const std::string& gf_flightPhaseName(FlightPhase phase);
const std::string& gf_simStatusName(SimStatus status);

// A route code as three characters: blanks for "none", a short code padded with blanks.
std::string gf_routeCodeText(const RouteCode& code);
std::string gf_airlineTypeLabel(std::pair<std::uint16_t, std::uint16_t> ids);
std::string gf_airlineTypeLabel(const TrafficRecord& record);
std::string gf_routeLabel(const TrafficRecord& record);
std::string gf_callsignPadded(const TrafficRecord& record);
std::string gf_aircraftIdText(const TrafficRecord& record);
std::string gf_aircraftText(const TrafficRecord& record);
std::string gf_aircraftText3(const TrafficRecord& record);
std::string gf_matchingKey(const TrafficRecord& record);
std::optional<std::string> gf_airlineFromCallsign(std::string_view callsign);
bool gf_isUsableCallsign(const TrafficRecord& record);

// Builds a route code from text (up to three characters); empty text gives "none".
RouteCode gf_routeCode(std::string_view text);

} // namespace skf
