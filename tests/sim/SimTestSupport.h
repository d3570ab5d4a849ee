#pragma once
// Shared helpers of the simulator-link tests: the common temporary folder, file and environment helpers.
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"
