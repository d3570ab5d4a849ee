#pragma once
// The stand search steps; used inside traffic/ and by the tests only.
#include "traffic/Stands.h"

namespace skf {

// The free stand a live aircraft at (lat, lon) parks on, or null; learns the radius of a stand found
// too small for it.
Stand* lf_findFreeStand(double latitude, double longitude, const FlightRecord& aircraft, double radiusNm,
                        bool preferOption);

// Learns the aircraft's stay at the stand (its airline and model become the database's).
void lf_addRealStandOption(std::int32_t sid, FlightRecord& aircraft, std::int32_t kind);

// Whether a parked aircraft or a pending placement already carries the option's flight.
bool lf_parkedNameTaken(const std::vector<ParkedAircraft>& parked, const StandOpt& option);
bool lf_placementNameTaken(const std::vector<StaticPlacement>& pending, const StandOpt& option);

// Drops the options read from the airport file's schedule and those disabled by a placement pass.
void lf_dropUnusedOptions(std::vector<StandOpt>& options);

} // namespace skf
