#pragma once
// The stand under the user aircraft, looked up in the park airport's stand table (data/apf/). Engine thread:
// the stand table is the engine's.
#include <string>

namespace skf {

struct UserAircraftState;

// The farthest a stand's centre may lie from the aircraft that stands on it (nautical miles): 55 m. Also the
// widened radius of the engine's free-stand search.
inline constexpr double kStandWideNm = 0.029697624190064796;

// The name of the stand within 55 m under the user aircraft on the ground; empty when none, when the user
// aircraft is airborne or when the stand table is empty. A position within 1e-8 degrees of the last one asked
// gives the last answer without walking the table.
std::string gf_standNameAt(const UserAircraftState& user);
// Forgets the last answer of gf_standNameAt (a new or emptied stand table).
void gf_clearStandNameCache();

} // namespace skf
