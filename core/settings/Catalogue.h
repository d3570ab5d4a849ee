#pragma once
// Every setting of the program as its global parameter record, the six registries that make
// parameters.xml, and the values derived from the settings.
//
// The records are built during static initialisation, in one translation unit, in the order of the
// registries; nothing in another translation unit may touch them during its own static initialisation.
// Readers read `current` (atomic scalars; text copies through LockedText) from any thread.

#include <array>
#include <atomic>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/settings/Parameters.h"

namespace skf {

// ---- Registry 1: bool records without a control
extern BoolParameter RANDOM;

// ---- Registry 2: check boxes
extern CheckBoxParameter ALWAYS_ON_TOP;
extern CheckBoxParameter OBJECTID_LIST;
extern CheckBoxParameter NAV_LIGHTS_WHILE_PARKED;
extern CheckBoxParameter AEROWINX;
extern CheckBoxParameter GUID_CHANGES;
extern CheckBoxParameter SCAN_LIVERIES;
extern CheckBoxParameter LIG_AUTOMATIC;
extern CheckBoxParameter LIG_PRIORITIZE;
extern CheckBoxParameter SCAN_AIRPORTS;
extern CheckBoxParameter LIGHT_AIRCRAFT;
extern CheckBoxParameter HELICOPTERS;
extern CheckBoxParameter HIGH_PERF_AIRCRAFT;
extern CheckBoxParameter AUTO_RANGE;
extern CheckBoxParameter AIRBORNE_ONLY;
extern CheckBoxParameter COLLISION_USER_GND;
extern CheckBoxParameter COLLISION_USER_AIR;
extern CheckBoxParameter COLLISION_LIVE_PARKED_GND;
extern CheckBoxParameter STRAIGHT_PBS_ONLY;
extern CheckBoxParameter INITIAL_LOAD_ONLY;
extern CheckBoxParameter WEEK;
extern CheckBoxParameter PARK_SOFT;

// ---- Registry 3: plain ints (AIRP_HEIGHT, a choice record, stands here as well)
extern IntParameter MAIN_WINDOW_X;
extern IntParameter MAIN_WINDOW_Y;
extern IntParameter LAST_EPOCH_TIME; // key "LAST_EPOCH_TIME:" (the colon belongs to the key)
extern IntParameter CUSTOM_PARKING_PERCENTAGE;
extern IntParameter HOLDING_THRESHOLD_METERS;
extern IntParameter MAX_HOLDING_MINUTES;
extern IntParameter MAX_FIT;

// ---- Registry 4: int choices
extern IntChoiceParameter MATCHING_DEPTH;
extern IntChoiceParameter RANGE;
extern IntChoiceParameter AR_ABOVE_HEIGHT;
extern IntChoiceParameter MAX_PARK_SEL;
extern IntChoiceParameter MAX_LIVE_SEL;
extern IntChoiceParameter AIRP_RANGE;
extern IntChoiceParameter AIRP_HEIGHT;

// ---- Registry 5: text records
extern StringParameter PROGRAM_VERSION;
extern StringParameter MSFS_INSTALL_PATH;
extern StringParameter PORT_NUMBER;
extern StringParameter lfolder0;
extern StringParameter lfolder1;
extern StringParameter lfolder2;
extern StringParameter lfolder3;
extern StringParameter lfolder4;
extern StringParameter lfolder5;
extern StringParameter lfolder6;
extern StringParameter lfolder7;
extern StringParameter lfolder8;
extern StringParameter lfolder9;
extern StringParameter AIG_VERSION;
extern StringParameter DBASE_VERSION;
extern StringParameter AIRPORTS_VERSION;
extern StringParameter LIV_SCAN_VERSION;
extern StringParameter ADDONS_SCAN_VERSION;
extern StringParameter MYSIMADDON24_VERSION;
extern StringParameter MSFS_2024_INSTALL_PATH;
extern ComboParameter AI_PACKAGE_SELECTOR;
extern EditParameter DESTINATION;

// ---- Registry 6: text records with a control
extern EditParameter BLOCK_CALLSIGN;
extern ComboParameter SIM_CHOICE;

// ---- In no registry: never loaded from parameters.xml, never written by a full save
extern EditParameter ALL_INSTALL_PATH;        // packages root of the chosen simulator
extern IntChoiceParameter parking_percentage; // target of the static parking; per airport
extern FloatChoiceParameter MAX_FIT_FL;       // MAX_FIT shown in hours
extern SharedListParameter CALLSIGN_2_OBJECTID;

// ---- Command buttons (key = label)
extern CommandButton g_flushStaticButton; // "Flush static"
extern CommandButton g_tbloZipButton;     // "tblo.zip"
extern CommandButton g_unblockButton;     // "Unblock"
extern CommandButton g_csOidButton;       // "cs->oid:"
extern CommandButton g_blockButton;       // "Block"
extern CommandButton g_nowButton;         // "Now"
extern CommandButton g_reReadButton;      // "Re-read"

// The ten extra livery folders lfolder0 .. lfolder9, in order.
extern const std::array<StringParameter*, 10> g_liveryFolderParams;

// ---- The six registries, in the order of parameters.xml
extern const std::vector<BoolParameter*> g_boolParams;           // 1
extern const std::vector<CheckBoxParameter*> g_checkBoxParams;   // 2
extern const std::vector<IntParameter*> g_intParams;             // 3
extern const std::vector<IntChoiceParameter*> g_choiceIntParams; // 4
extern const std::vector<StringParameter*> g_stringParams;       // 5
extern const std::vector<EditParameter*> g_controlStringParams;  // 6

// Every record that owns a control, check boxes, combo boxes, edit fields and buttons alike.
std::vector<ParameterControl*> gf_allControlRecords();
// Looks a record up by key in the six registries (first match in file order); nullptr when unknown.
Parameter* gf_findRegisteredParameter(std::string_view key);

// ---- Per-airport settings (also carried by the airport stand files), in this order:
// RANGE, AUTO_RANGE, INITIAL_LOAD_ONLY, PARK_SOFT, parking_percentage, MAX_FIT, WEEK, MAX_LIVE_SEL.
extern const std::array<std::string_view, 8> g_airportParameterKeys;

// The global values of the per-airport settings, saved before an airport file applies its own
// (written and restored on the traffic engine's thread).
struct SavedAirportParameters {
    std::int32_t maxLiveSel = 500;
    std::int32_t maxFit = 47;
    std::int32_t range = 40;
    std::int32_t parkingPercentage = 30;
    bool autoRange = true;
    bool initialLoadOnly = false;
    bool parkSoft = false;
    bool week = false;
};
extern SavedAirportParameters g_savedAirportParameters;
// Saves the current values of the eight per-airport settings into g_savedAirportParameters.
void gf_saveAirportParameters();

// ---- Derived values
// The traffic radius: RANGE in nautical miles and in metres (RANGE x 1852); set by gf_setRange.
extern std::atomic<double> g_rangeNm;
extern std::atomic<std::int32_t> g_rangeMeters;
// The chosen simulator as a number, 1 for MSFS 2020, 2 for MSFS 2024 (with g_simIs2020 of
// core/ProgramState.h); set from SIM_CHOICE by the start-up's control preparation and the simulator switch.
extern std::atomic<std::int32_t> g_simNumber;
// Sets g_simIs2020 and g_simNumber from SIM_CHOICE's current value.
void gf_updateSimChoice();

// The choice texts of SIM_CHOICE.
inline constexpr std::string_view g_msfs2020Text = "MSFS 2020";
inline constexpr std::string_view g_msfs2024Text = "MSFS 2024";

// Builds the 64 orderings of the AI packages AIG, FSLTL, JF, MTL (the choices of AI_PACKAGE_SELECTOR).
std::vector<std::string> gf_aiPackageOrders();

} // namespace skf
