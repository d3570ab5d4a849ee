// The settings catalogue: every parameter record with its key, default, limits or choices, control id
// and row, and the six registries. Definition order is construction order: each choice list before the
// record that copies it, RANGE before the radius globals, every record before the registries.

#include "core/settings/Catalogue.h"

#include <algorithm>
#include <cstddef>

#include "core/ProgramState.h"

namespace skf {

std::vector<std::string> gf_aiPackageOrders() {
    static constexpr std::array<const char*, 4> base{"AIG", "FSLTL", "JF", "MTL"};
    std::vector<std::string> result;
    result.reserve(64);
    for (std::size_t size = base.size(); size >= 1; --size) {
        // Subsets of this size in lexicographic order of their members (by the base order):
        // a selection mask whose first `size` positions are set, walked by prev_permutation.
        std::vector<bool> chosen(base.size(), false);
        std::fill(chosen.begin(), chosen.begin() + static_cast<std::ptrdiff_t>(size), true);
        do {
            std::vector<std::size_t> members;
            for (std::size_t i = 0; i < base.size(); ++i)
                if (chosen[i])
                    members.push_back(i);
            // Orderings of one subset in lexicographic order by the base order.
            do {
                std::string text;
                for (std::size_t i = 0; i < members.size(); ++i) {
                    if (i > 0)
                        text += ", ";
                    text += base[members[i]];
                }
                result.push_back(std::move(text));
            } while (std::next_permutation(members.begin(), members.end()));
        } while (std::prev_permutation(chosen.begin(), chosen.end()));
    }
    return result;
}

namespace {

std::vector<std::int32_t> lf_steps(std::int32_t first, std::int32_t last, std::int32_t step) {
    std::vector<std::int32_t> v;
    for (std::int32_t x = first; x <= last; x += step)
        v.push_back(x);
    return v;
}

// Choice lists, built before the records that copy them.
const std::vector<std::int32_t> kAirpHeightChoices{2000,  4000,  6000,  8000,  10000, 12000,
                                                   14000, 16000, 18000, 36000, 48000};
const std::vector<std::int32_t> kMatchingDepthChoices{1, 2, 3, 4};
const std::vector<std::int32_t> kRangeChoices{2,  3,  4,  5,  6,  8,  10, 12, 14, 16,
                                              18, 20, 25, 30, 35, 40, 50, 65, 80, 100};
const std::vector<std::int32_t> kArAboveHeightChoices = lf_steps(18000, 48000, 3000);
const std::vector<std::int32_t> kMaxSelChoices{0, 10, 25, 50, 75, 100, 500}; // MAX_LIVE_SEL and MAX_PARK_SEL
const std::vector<std::int32_t> kAirpRangeChoices{5, 10, 15, 20, 25, 30};
const std::vector<std::string> kAiPackageChoices = gf_aiPackageOrders();
const std::vector<std::string> kSimChoices{std::string(g_msfs2020Text), std::string(g_msfs2024Text)};
const std::vector<std::int32_t> kParkingPercentageChoices = lf_steps(0, 100, 5);
const std::vector<float> kMaxFitChoices{0.5f, 1.0f, 1.5f, 2.0f, 2.5f,  3.0f,  3.5f,  4.0f,  4.5f,  5.0f,
                                        6.0f, 7.0f, 8.0f, 9.0f, 10.0f, 12.0f, 15.0f, 18.0f, 21.0f, 24.0f};

} // namespace

// ---- Registry 1
BoolParameter RANDOM("RANDOM", true);

// ---- Registry 2
CheckBoxParameter ALWAYS_ON_TOP("ALWAYS_ON_TOP", false, 0x8003, 147);
CheckBoxParameter OBJECTID_LIST("OBJECTID_LIST", false, 0x8007, 175);
CheckBoxParameter NAV_LIGHTS_WHILE_PARKED("NAV_LIGHTS_WHILE_PARKED", true, 0x8006, 175);
CheckBoxParameter AEROWINX("AEROWINX", false, 0x8008, 203);
CheckBoxParameter GUID_CHANGES("GUID_CHANGES", true, 0x8005, 203);
CheckBoxParameter SCAN_LIVERIES("SCAN_LIVERIES", true, 0x801E, 147);
CheckBoxParameter LIG_AUTOMATIC("LIG_AUTOMATIC", true, 0x801F, 147);
CheckBoxParameter LIG_PRIORITIZE("LIG_PRIORITIZE", true, 0x8020, 147);
CheckBoxParameter SCAN_AIRPORTS("SCAN_AIRPORTS", true, 0x8022, 175);
CheckBoxParameter LIGHT_AIRCRAFT("LIGHT_AIRCRAFT", true, 0x8029, 203);
CheckBoxParameter HELICOPTERS("HELICOPTERS", true, 0x802A, 203);
CheckBoxParameter HIGH_PERF_AIRCRAFT("HIGH_PERF_AIRCRAFT", true, 0x802B, 203);
CheckBoxParameter AUTO_RANGE("AUTO_RANGE", true, 0x8033, 231);
CheckBoxParameter AIRBORNE_ONLY("AIRBORNE_ONLY", false, 0x8035, 231);
CheckBoxParameter COLLISION_USER_GND("COLLISION_USER_GND", true, 0x8042, 287);
CheckBoxParameter COLLISION_USER_AIR("COLLISION_USER_AIR", true, 0x8041, 287);
CheckBoxParameter COLLISION_LIVE_PARKED_GND("COLLISION_LIVE_PARKED_GND", false, 0x8043, 287);
CheckBoxParameter STRAIGHT_PBS_ONLY("STRAIGHT_PBS_ONLY", false, 0x8057, 315);
CheckBoxParameter INITIAL_LOAD_ONLY("INITIAL_LOAD_ONLY", false, 0x8053, 371);
CheckBoxParameter WEEK("WEEK", false, 0x8055, 371);
CheckBoxParameter PARK_SOFT("PARK_SOFT", false, 0x8054, 371);

// ---- Registry 3
IntParameter MAIN_WINDOW_X("MAIN_WINDOW_X", 400, -30000, 30000);
IntParameter MAIN_WINDOW_Y("MAIN_WINDOW_Y", 20, -30000, 30000);
IntParameter LAST_EPOCH_TIME("LAST_EPOCH_TIME:", 0, 0, 2147483647);
IntParameter CUSTOM_PARKING_PERCENTAGE("CUSTOM_PARKING_PERCENTAGE", -1, -1, 100);
IntParameter HOLDING_THRESHOLD_METERS("HOLDING_THRESHOLD_METERS", 250, 10, 4000);
IntParameter MAX_HOLDING_MINUTES("MAX_HOLDING_MINUTES", 20, 1, 60);
IntChoiceParameter AIRP_HEIGHT("AIRP_HEIGHT", 18000, kAirpHeightChoices, 0x8049, 343);
IntParameter MAX_FIT("MAX_FIT", 47, 0, 47);

// ---- Registry 4
IntChoiceParameter MATCHING_DEPTH("MATCHING_DEPTH", 4, kMatchingDepthChoices, 0x8028, 203);
IntChoiceParameter RANGE("RANGE", 40, kRangeChoices, 0x8032, 231);
IntChoiceParameter AR_ABOVE_HEIGHT("AR_ABOVE_HEIGHT", 48000, kArAboveHeightChoices, 0x8034, 231);
IntChoiceParameter MAX_PARK_SEL("MAX_PARK_SEL", 500, kMaxSelChoices, 0x8050, 315);
IntChoiceParameter MAX_LIVE_SEL("MAX_LIVE_SEL", 500, kMaxSelChoices, 0x8051, 315);
IntChoiceParameter AIRP_RANGE("AIRP_RANGE", 20, kAirpRangeChoices, 0x8048, 343);

// ---- Registry 5
StringParameter PROGRAM_VERSION("PROGRAM_VERSION", "");
StringParameter MSFS_INSTALL_PATH("MSFS_INSTALL_PATH", "");
StringParameter PORT_NUMBER("PORT_NUMBER", "10747");
StringParameter lfolder0("lfolder0", "");
StringParameter lfolder1("lfolder1", "");
StringParameter lfolder2("lfolder2", "");
StringParameter lfolder3("lfolder3", "");
StringParameter lfolder4("lfolder4", "");
StringParameter lfolder5("lfolder5", "");
StringParameter lfolder6("lfolder6", "");
StringParameter lfolder7("lfolder7", "");
StringParameter lfolder8("lfolder8", "");
StringParameter lfolder9("lfolder9", "");
StringParameter AIG_VERSION("AIG_VERSION", "");
StringParameter DBASE_VERSION("DBASE_VERSION", "");
StringParameter AIRPORTS_VERSION("AIRPORTS_VERSION", "");
StringParameter LIV_SCAN_VERSION("LIV_SCAN_VERSION", "");
StringParameter ADDONS_SCAN_VERSION("ADDONS_SCAN_VERSION", "");
StringParameter MYSIMADDON24_VERSION("MYSIMADDON24_VERSION", "");
StringParameter MSFS_2024_INSTALL_PATH("MSFS_2024_INSTALL_PATH", "");
ComboParameter AI_PACKAGE_SELECTOR("AI_PACKAGE_SELECTOR", "AIG, FSLTL, JF, MTL", kAiPackageChoices, 0x8016, 147);
EditParameter DESTINATION("DESTINATION", "", 0x8047, 343);

// ---- Registry 6
EditParameter BLOCK_CALLSIGN("BLOCK_CALLSIGN", "", 0x803C, 259);
ComboParameter SIM_CHOICE("SIM_CHOICE", std::string(g_msfs2020Text), kSimChoices, 0x8015, 119);

// ---- In no registry
EditParameter ALL_INSTALL_PATH("ALL_INSTALL_PATH", "", 0x8014, 119);
IntChoiceParameter parking_percentage("parking_percentage", 30, kParkingPercentageChoices, 0x8052, 371);
FloatChoiceParameter MAX_FIT_FL("MAX_FIT_FL", 24.0f, kMaxFitChoices, 0x8056, 371);
SharedListParameter CALLSIGN_2_OBJECTID("CALLSIGN_2_OBJECTID", g_callsignList, 0x803F, 259);

// ---- Command buttons
CommandButton g_flushStaticButton("Flush static", 0x8059, 369);
CommandButton g_tbloZipButton("tblo.zip", 0x8024, 175);
CommandButton g_unblockButton("Unblock", 0x803D, 257);
CommandButton g_csOidButton("cs->oid:", 0x803E, 257);
CommandButton g_blockButton("Block", 0x8040, 257);
CommandButton g_nowButton("Now", 0x804F, 313);
CommandButton g_reReadButton("Re-read", 0x8046, 341);

const std::array<StringParameter*, 10> g_liveryFolderParams{&lfolder0, &lfolder1, &lfolder2, &lfolder3, &lfolder4,
                                                            &lfolder5, &lfolder6, &lfolder7, &lfolder8, &lfolder9};

// ---- Derived values (RANGE is built above)
std::atomic<double> g_rangeNm{static_cast<double>(RANGE.value())};
std::atomic<std::int32_t> g_rangeMeters{RANGE.value() * 1852};
std::atomic<std::int32_t> g_simNumber{1};

const std::array<std::string_view, 8> g_airportParameterKeys{
    RANGE.key,   AUTO_RANGE.key, INITIAL_LOAD_ONLY.key, PARK_SOFT.key, parking_percentage.key,
    MAX_FIT.key, WEEK.key,       MAX_LIVE_SEL.key};
SavedAirportParameters g_savedAirportParameters;

// ---- The six registries, last
const std::vector<BoolParameter*> g_boolParams{&RANDOM};
const std::vector<CheckBoxParameter*> g_checkBoxParams{&ALWAYS_ON_TOP,
                                                       &OBJECTID_LIST,
                                                       &NAV_LIGHTS_WHILE_PARKED,
                                                       &AEROWINX,
                                                       &GUID_CHANGES,
                                                       &SCAN_LIVERIES,
                                                       &LIG_AUTOMATIC,
                                                       &LIG_PRIORITIZE,
                                                       &SCAN_AIRPORTS,
                                                       &LIGHT_AIRCRAFT,
                                                       &HELICOPTERS,
                                                       &HIGH_PERF_AIRCRAFT,
                                                       &AUTO_RANGE,
                                                       &AIRBORNE_ONLY,
                                                       &COLLISION_USER_GND,
                                                       &COLLISION_USER_AIR,
                                                       &COLLISION_LIVE_PARKED_GND,
                                                       &STRAIGHT_PBS_ONLY,
                                                       &INITIAL_LOAD_ONLY,
                                                       &WEEK,
                                                       &PARK_SOFT};
const std::vector<IntParameter*> g_intParams{
    &MAIN_WINDOW_X,       &MAIN_WINDOW_Y, &LAST_EPOCH_TIME, &CUSTOM_PARKING_PERCENTAGE, &HOLDING_THRESHOLD_METERS,
    &MAX_HOLDING_MINUTES, &AIRP_HEIGHT,   &MAX_FIT};
const std::vector<IntChoiceParameter*> g_choiceIntParams{&MATCHING_DEPTH, &RANGE,      &AR_ABOVE_HEIGHT, &MAX_PARK_SEL,
                                                         &MAX_LIVE_SEL,   &AIRP_RANGE, &AIRP_HEIGHT};
const std::vector<StringParameter*> g_stringParams{&PROGRAM_VERSION,
                                                   &MSFS_INSTALL_PATH,
                                                   &PORT_NUMBER,
                                                   &lfolder0,
                                                   &lfolder1,
                                                   &lfolder2,
                                                   &lfolder3,
                                                   &lfolder4,
                                                   &lfolder5,
                                                   &lfolder6,
                                                   &lfolder7,
                                                   &lfolder8,
                                                   &lfolder9,
                                                   &AIG_VERSION,
                                                   &DBASE_VERSION,
                                                   &AIRPORTS_VERSION,
                                                   &LIV_SCAN_VERSION,
                                                   &ADDONS_SCAN_VERSION,
                                                   &MYSIMADDON24_VERSION,
                                                   &MSFS_2024_INSTALL_PATH,
                                                   &AI_PACKAGE_SELECTOR,
                                                   &DESTINATION};
const std::vector<EditParameter*> g_controlStringParams{&BLOCK_CALLSIGN, &SIM_CHOICE};

std::vector<ParameterControl*> gf_allControlRecords() {
    std::vector<ParameterControl*> v;
    for (auto* p : g_checkBoxParams)
        v.push_back(p);
    for (auto* p : g_choiceIntParams)
        v.push_back(p);
    v.push_back(&parking_percentage);
    v.push_back(&MAX_FIT_FL);
    for (EditParameter* p : {static_cast<EditParameter*>(&AI_PACKAGE_SELECTOR), &DESTINATION, &BLOCK_CALLSIGN,
                             static_cast<EditParameter*>(&SIM_CHOICE), &ALL_INSTALL_PATH})
        v.push_back(p);
    v.push_back(&CALLSIGN_2_OBJECTID);
    for (auto* p : {&g_flushStaticButton, &g_tbloZipButton, &g_unblockButton, &g_csOidButton, &g_blockButton,
                    &g_nowButton, &g_reReadButton})
        v.push_back(p);
    return v;
}

Parameter* gf_findRegisteredParameter(std::string_view key) {
    for (auto* p : g_boolParams)
        if (p->key == key)
            return p;
    for (auto* p : g_checkBoxParams)
        if (p->key == key)
            return p;
    for (auto* p : g_intParams)
        if (p->key == key)
            return p;
    for (auto* p : g_choiceIntParams)
        if (p->key == key)
            return p;
    for (auto* p : g_stringParams)
        if (p->key == key)
            return p;
    for (auto* p : g_controlStringParams)
        if (p->key == key)
            return p;
    return nullptr;
}

void gf_saveAirportParameters() {
    g_savedAirportParameters.maxLiveSel = MAX_LIVE_SEL.value();
    g_savedAirportParameters.maxFit = MAX_FIT.value();
    g_savedAirportParameters.range = RANGE.value();
    g_savedAirportParameters.parkingPercentage = parking_percentage.value();
    g_savedAirportParameters.autoRange = AUTO_RANGE.value();
    g_savedAirportParameters.initialLoadOnly = INITIAL_LOAD_ONLY.value();
    g_savedAirportParameters.parkSoft = PARK_SOFT.value();
    g_savedAirportParameters.week = WEEK.value();
}

void gf_updateSimChoice() {
    const bool is2020 = SIM_CHOICE.current == g_msfs2020Text;
    g_simIs2020.store(is2020);
    g_simNumber.store(is2020 ? 1 : 2);
}

} // namespace skf
