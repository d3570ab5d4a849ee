#pragma once
// What the folders above use of liveries/: the livery scan, its tables and the matching. Headers not listed here
// (the scan's steps and the *Internal.h ones) are liveries/'s own.
#include "liveries/LiveryMatching.h" // the choice of an installed livery for an AI aircraft
#include "liveries/LiveryServices.h" // starting the livery scan
#include "liveries/LiveryState.h"    // the liveries' state in one owner: scan, livery list, tables, tallies
#include "liveries/LiveryTables.h"   // the livery tables built from LiveriesScanned.xml
