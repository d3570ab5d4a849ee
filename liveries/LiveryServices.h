#pragma once
// Livery scan and matching: what the rest of the program uses of it.
//
// The livery list (LiveryList.h), the livery tables (LiveryTables.h) and the matching (LiveryMatching.h)
// have headers of their own, and so has the scan (LiveryScan.h); this one gathers them for the program's
// callers with the scan's entry.

#include <string>
#include <string_view>

#include "liveries/LiveryList.h"
#include "liveries/LiveryMatching.h"
#include "liveries/LiveryTables.h"

namespace skf {

// The livery scan of the installed AI packages. May throw UserErrorException. Touches no window control:
// the start-up closes the package choice around it and shows SCAN_LIVERIES's new value.
void gf_scanLiveries();

} // namespace skf
