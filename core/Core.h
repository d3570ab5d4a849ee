#pragma once
// What the folders above use of core/: the program-wide helpers, state and settings. Headers not listed here
// (the *Internal.h ones) are core/'s own.
#include "core/Codes.h"                  // FixedCode (airport and airline codes) and other small value types
#include "core/ControlFields.h"          // what the lower layers decide about the window's controls
#include "core/Files.h"                  // reading text files, charset detection, replacing a file safely
#include "core/Geometry.h"               // great-circle distances, bearings and positions
#include "core/Log.h"                    // Log.txt, written from any thread
#include "core/ProgramState.h"           // stop flags, exit reason and other program-wide state
#include "core/Random.h"                 // random choice, one generator per thread
#include "core/RepeatedLog.h"            // repeated events counted, logged at most once a minute
#include "core/RingQueue.h"              // a double-ended queue that keeps its storage
#include "core/ShellState.h"             // run-time state of the application shell that lower layers read
#include "core/SizeCategory.h"           // size categories of aircraft and their manoeuvre figures
#include "core/StatusLine.h"             // the status line at the foot of the main window
#include "core/StockAircraftTypes.h"     // the simulator's stock aircraft and their type designators
#include "core/Text.h"                   // text helpers: trimming, splitting, UTF-8 and UTF-16
#include "core/Time.h"                   // time texts, weekday and half hour, half-hour sets
#include "core/Units.h"                  // degrees and radians, nautical miles and metres
#include "core/WindowFields.h"           // the main window's display fields
#include "core/settings/Catalogue.h"     // every setting as its global parameter record
#include "core/settings/Parameters.h"    // parameter records: key, default, limits, current value
#include "core/settings/ProgramPaths.h"  // the program's folder and file names
#include "core/settings/SettingsFile.h"  // parameters.xml and the data-file header
#include "core/settings/VersionUpdate.h" // the settings start: loading parameters.xml after an update
