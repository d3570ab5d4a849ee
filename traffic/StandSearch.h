#pragma once
// The per-stand option search that feeds the static placement: for each stand not yet taken in this
// calculation, an option whose half hours hold the searched time becomes a StaticPlacement.
//
// Called on the engine thread by the static-parking calculation and the parking adjustment. Reads the
// static parked aircraft, the pending placements and the parked live aircraft; never removes or creates
// an aircraft. An option found in use is disabled (number 0) until the options are numbered again.
#include <cstdint>
#include <vector>

#include "core/ProgramState.h"
#include "traffic/Stands.h"

namespace skf {

// One search pass at (now - offset half hours); kind 1 real options, 0 soft; mode 1 only options of the
// searched day, 0 of any day. Appends to `out` and marks each stand that got a placement used.
void lf_searchStands(DayAndSlot now, std::int32_t kind, std::int32_t mode, std::int32_t offset,
                     std::vector<StaticPlacement>& out);

// Whether the option may be placed on the stand at the searched day and half hour.
bool lf_optionEligible(const StandOpt& option, std::int32_t kind, std::int32_t mode, std::int32_t day,
                       std::int32_t slot, const Stand& stand);

} // namespace skf
