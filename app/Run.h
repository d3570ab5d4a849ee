#pragma once
// The run between the start-up and closing down: engine, simulator client thread, user aircraft data,
// the link to RealTraffic and the two UDP readers.

namespace skf {

// True when the run is ready for the main cycle; false when it was stopped before.
bool lf_run();
// True when the user aircraft's position is known; false on a stop flag.
bool lf_requestUserAircraftData();

} // namespace skf
