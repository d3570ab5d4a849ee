#pragma once
// Figures of the aircraft movement that more than one of its files uses: the step's units and the speeds and
// attitudes that separate taxiing from taking off and bound the flare. Each file keeps its own thresholds beside
// the code that reads them. Pitch follows the simulator's sign: negative is nose up.

#include <cstdint>

namespace skf {

// Engine steps per hour (one step is 10 ms): a leg of d NM at v kn lasts d * kStepsPerHour / v steps.
inline constexpr double kStepsPerHour = 360000.0;
// Engine steps per minute: a vertical speed in ft/min over it is the altitude change per step (ft).
inline constexpr double kStepsPerMinute = 6000.0;
// Ground speed (kn) from which an aircraft on the ground rolls for take-off rather than taxis.
inline constexpr double kTakeOffRollKn = 43.0;
// How many steps (50 s) a departure may fall behind the feed's due steps while it takes off: the lead limit of a
// take-off, within which it catches up.
inline constexpr std::int32_t kTakeOffLeadSteps = 5000;
// The flare's greatest nose-up pitch (rad, 4 degrees nose up): the flare never raises the nose further.
inline constexpr double kFlareMaxNoseUpRad = -0.06981317007977318;

} // namespace skf
