#pragma once
// The learned stand file of the park airport: what the program learned there (stand options of live
// aircraft, radii found too small, cargo changes, stands added by hand), written when the park airport is
// released and merged into its stands by the airport-file reader at the next visit.
//
// Called on the engine thread (closing the park airport) or, at the end of a run, on the start-up thread.
// Never changes the stand table; the file is replaced through a temporary file, so a failed write leaves
// the previous learned file whole.
#include <vector>

#include "data/apf/ApfWriter.h"

namespace skf {

// The learned-file record of the stand table: for an ordinary airport file only the stands with learned
// options or changes (schedule and disabled options left out); for a handmade file every stand.
Apf lf_learnedApf(const std::vector<Stand>& stands);

// Writes the park airport's learned file to the path found when its airport file was read; reports
// through the log only. False when nothing could be written.
bool lf_saveLearnedStands();

} // namespace skf
