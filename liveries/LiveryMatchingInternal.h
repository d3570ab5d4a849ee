#pragma once
// The match state's reset; used inside liveries/ and by the tests only.
#include "liveries/LiveryMatching.h"

namespace skf {

// Forgets the refused titles and zeroes the step counts: for tests only (the program keeps both for the
// whole process).
void lf_resetMatchingState();

} // namespace skf
