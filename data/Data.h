#pragma once
// What the folders above use of data/: the reference data read at start-up, the downloads and the airport files.
// Headers not listed here (the *Internal.h ones and the readers' helpers) are data/'s own.
#include "data/Airports.h"          // the airport list from input/airports.enc, in one owner
#include "data/Crypto.h"            // encrypted reference data files (input/*.enc)
#include "data/Dbase.h"             // the aircraft, airline and registration database
#include "data/DbaseLookups.h"      // queries over the database: registrations, categories, wingspans
#include "data/StringPool.h"        // interned airline and model codes
#include "data/UpdateCheck.h"       // the update check of a fresh start
#include "data/ZipWriter.h"         // writing a new zip archive from memory
#include "data/apf/ApfFetch.h"      // downloads of airport files on worker threads
#include "data/apf/ApfLocate.h"     // where an airport's file lies, and its download
#include "data/apf/ApfWriter.h"     // writing airport files (scanned add-on airports, learned files)
#include "data/apf/ParkApf.h"       // the park airport's file and the closest airport of a position
#include "data/apf/ParkApfState.h"  // the park airport's state in one owner: stand table, file, values
#include "data/apf/QualityFactor.h" // the quality factor of the park airport's stands
#include "data/apf/Stand.h"         // stands of the park airport and their flight options
