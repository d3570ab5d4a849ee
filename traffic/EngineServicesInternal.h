#pragma once
// The engine's step; used inside traffic/ and by the tests only.
#include "traffic/EngineServices.h"

namespace skf {

// The engine's 10 ms step.
void lf_handleAddingStack();

} // namespace skf
