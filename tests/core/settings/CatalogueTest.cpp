#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <string>
#include <vector>

#include "core/Random.h"
#include "core/settings/Catalogue.h"

namespace skf {
namespace {

template <class V>
std::vector<std::string> keysOf(const V& registry) {
    std::vector<std::string> keys;
    for (const auto* p : registry)
        keys.push_back(p->key);
    return keys;
}

TEST(SettingsCatalogue, RegistriesHoldTheKeysInFileOrder) {
    EXPECT_EQ(keysOf(g_boolParams), (std::vector<std::string>{"RANDOM"}));
    EXPECT_EQ(keysOf(g_checkBoxParams), (std::vector<std::string>{"ALWAYS_ON_TOP",
                                                                  "OBJECTID_LIST",
                                                                  "NAV_LIGHTS_WHILE_PARKED",
                                                                  "AEROWINX",
                                                                  "GUID_CHANGES",
                                                                  "SCAN_LIVERIES",
                                                                  "LIG_AUTOMATIC",
                                                                  "LIG_PRIORITIZE",
                                                                  "SCAN_AIRPORTS",
                                                                  "LIGHT_AIRCRAFT",
                                                                  "HELICOPTERS",
                                                                  "HIGH_PERF_AIRCRAFT",
                                                                  "AUTO_RANGE",
                                                                  "AIRBORNE_ONLY",
                                                                  "COLLISION_USER_GND",
                                                                  "COLLISION_USER_AIR",
                                                                  "COLLISION_LIVE_PARKED_GND",
                                                                  "STRAIGHT_PBS_ONLY",
                                                                  "INITIAL_LOAD_ONLY",
                                                                  "WEEK",
                                                                  "PARK_SOFT"}));
    EXPECT_EQ(keysOf(g_intParams), (std::vector<std::string>{"MAIN_WINDOW_X", "MAIN_WINDOW_Y", "LAST_EPOCH_TIME:",
                                                             "CUSTOM_PARKING_PERCENTAGE", "HOLDING_THRESHOLD_METERS",
                                                             "MAX_HOLDING_MINUTES", "AIRP_HEIGHT", "MAX_FIT"}));
    EXPECT_EQ(keysOf(g_choiceIntParams),
              (std::vector<std::string>{"MATCHING_DEPTH", "RANGE", "AR_ABOVE_HEIGHT", "MAX_PARK_SEL", "MAX_LIVE_SEL",
                                        "AIRP_RANGE", "AIRP_HEIGHT"}));
    EXPECT_EQ(keysOf(g_stringParams), (std::vector<std::string>{"PROGRAM_VERSION",
                                                                "MSFS_INSTALL_PATH",
                                                                "PORT_NUMBER",
                                                                "lfolder0",
                                                                "lfolder1",
                                                                "lfolder2",
                                                                "lfolder3",
                                                                "lfolder4",
                                                                "lfolder5",
                                                                "lfolder6",
                                                                "lfolder7",
                                                                "lfolder8",
                                                                "lfolder9",
                                                                "AIG_VERSION",
                                                                "DBASE_VERSION",
                                                                "AIRPORTS_VERSION",
                                                                "LIV_SCAN_VERSION",
                                                                "ADDONS_SCAN_VERSION",
                                                                "MYSIMADDON24_VERSION",
                                                                "MSFS_2024_INSTALL_PATH",
                                                                "AI_PACKAGE_SELECTOR",
                                                                "DESTINATION"}));
    EXPECT_EQ(keysOf(g_controlStringParams), (std::vector<std::string>{"BLOCK_CALLSIGN", "SIM_CHOICE"}));
    // AIRP_HEIGHT is one record in two registries.
    EXPECT_EQ(g_intParams[6], static_cast<IntParameter*>(g_choiceIntParams[6]));
}

TEST(SettingsCatalogue, TheRandomHelpersObeyTheRandomSetting) {
    EXPECT_TRUE(gf_randomOn());
    RANDOM.set(false);
    EXPECT_FALSE(gf_randomOn());
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(gf_randomIndex(10), 0u);
    RANDOM.set(true);
    EXPECT_TRUE(gf_randomOn());
}

TEST(SettingsCatalogue, AiPackageOrdersAreEveryOrderingOfEverySubset) {
    const auto& c = AI_PACKAGE_SELECTOR.choices;
    ASSERT_EQ(c.size(), 64u);
    EXPECT_EQ(std::set<std::string>(c.begin(), c.end()).size(), 64u);
    EXPECT_EQ(c[0], AI_PACKAGE_SELECTOR.defaultVal());
    EXPECT_EQ(c[0], "AIG, FSLTL, JF, MTL");
    EXPECT_EQ(c[1], "AIG, FSLTL, MTL, JF");
    EXPECT_EQ(c[2], "AIG, JF, FSLTL, MTL");
    EXPECT_EQ(c[23], "MTL, JF, FSLTL, AIG");
    EXPECT_EQ(c[24], "AIG, FSLTL, JF");
    EXPECT_EQ(c[25], "AIG, JF, FSLTL");
    EXPECT_EQ(c[26], "FSLTL, AIG, JF");
    const std::vector<std::string> pairs(c.begin() + 48, c.begin() + 60);
    EXPECT_EQ(pairs,
              (std::vector<std::string>{"AIG, FSLTL", "FSLTL, AIG", "AIG, JF", "JF, AIG", "AIG, MTL", "MTL, AIG",
                                        "FSLTL, JF", "JF, FSLTL", "FSLTL, MTL", "MTL, FSLTL", "JF, MTL", "MTL, JF"}));
    EXPECT_EQ(std::vector<std::string>(c.begin() + 60, c.end()),
              (std::vector<std::string>{"AIG", "FSLTL", "JF", "MTL"}));
}

} // namespace
} // namespace skf

namespace skf {
namespace {

struct Expected {
    const char* key;
    long long def, min, max; // bools: 0/1; texts: unused
    unsigned id;             // 0: no control
    int row;
};

long long numericDefault(const Parameter* p) {
    if (auto* b = dynamic_cast<const BoolParameter*>(p))
        return b->defaultVal();
    if (auto* i = dynamic_cast<const IntParameter*>(p))
        return i->defaultVal();
    return 0;
}

void expectRecord(const Parameter* p, const Expected& e) {
    SCOPED_TRACE(e.key);
    EXPECT_EQ(p->key, e.key);
    if (auto* i = dynamic_cast<const IntParameter*>(p)) {
        EXPECT_EQ(i->defaultVal(), e.def);
        EXPECT_EQ(i->minValue, e.min);
        EXPECT_EQ(i->maxValue, e.max);
        EXPECT_EQ(i->value(), e.def);
    } else {
        EXPECT_EQ(numericDefault(p), e.def);
    }
    auto* c = dynamic_cast<const ParameterControl*>(p);
    if (e.id == 0) {
        EXPECT_EQ(c, nullptr);
    } else {
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->controlId, e.id);
        EXPECT_EQ(c->row, e.row);
    }
}

TEST(SettingsCatalogue, EveryBoolAndIntRecordHasItsDefaultLimitsAndControl) {
    const std::vector<Expected> bools{
        {"RANDOM", 1, 0, 0, 0, 0},
        {"ALWAYS_ON_TOP", 0, 0, 0, 0x8003, 147},
        {"OBJECTID_LIST", 0, 0, 0, 0x8007, 175},
        {"NAV_LIGHTS_WHILE_PARKED", 1, 0, 0, 0x8006, 175},
        {"AEROWINX", 0, 0, 0, 0x8008, 203},
        {"GUID_CHANGES", 1, 0, 0, 0x8005, 203},
        {"SCAN_LIVERIES", 1, 0, 0, 0x801E, 147},
        {"LIG_AUTOMATIC", 1, 0, 0, 0x801F, 147},
        {"LIG_PRIORITIZE", 1, 0, 0, 0x8020, 147},
        {"SCAN_AIRPORTS", 1, 0, 0, 0x8022, 175},
        {"LIGHT_AIRCRAFT", 1, 0, 0, 0x8029, 203},
        {"HELICOPTERS", 1, 0, 0, 0x802A, 203},
        {"HIGH_PERF_AIRCRAFT", 1, 0, 0, 0x802B, 203},
        {"AUTO_RANGE", 1, 0, 0, 0x8033, 231},
        {"AIRBORNE_ONLY", 0, 0, 0, 0x8035, 231},
        {"COLLISION_USER_GND", 1, 0, 0, 0x8042, 287},
        {"COLLISION_USER_AIR", 1, 0, 0, 0x8041, 287},
        {"COLLISION_LIVE_PARKED_GND", 0, 0, 0, 0x8043, 287},
        {"STRAIGHT_PBS_ONLY", 0, 0, 0, 0x8057, 315},
        {"INITIAL_LOAD_ONLY", 0, 0, 0, 0x8053, 371},
        {"WEEK", 0, 0, 0, 0x8055, 371},
        {"PARK_SOFT", 0, 0, 0, 0x8054, 371},
    };
    std::vector<const Parameter*> records(g_boolParams.begin(), g_boolParams.end());
    records.insert(records.end(), g_checkBoxParams.begin(), g_checkBoxParams.end());
    ASSERT_EQ(records.size(), bools.size());
    for (std::size_t i = 0; i < bools.size(); ++i)
        expectRecord(records[i], bools[i]);

    const std::vector<Expected> ints{
        {"MAIN_WINDOW_X", 400, -30000, 30000, 0, 0},
        {"MAIN_WINDOW_Y", 20, -30000, 30000, 0, 0},
        {"LAST_EPOCH_TIME:", 0, 0, 2147483647, 0, 0},
        {"CUSTOM_PARKING_PERCENTAGE", -1, -1, 100, 0, 0},
        {"HOLDING_THRESHOLD_METERS", 250, 10, 4000, 0, 0},
        {"MAX_HOLDING_MINUTES", 20, 1, 60, 0, 0},
        {"AIRP_HEIGHT", 18000, 2000, 48000, 0x8049, 343},
        {"MAX_FIT", 47, 0, 47, 0, 0},
        {"MATCHING_DEPTH", 4, 1, 4, 0x8028, 203},
        {"RANGE", 40, 2, 100, 0x8032, 231},
        {"AR_ABOVE_HEIGHT", 48000, 18000, 48000, 0x8034, 231},
        {"MAX_PARK_SEL", 500, 0, 500, 0x8050, 315},
        {"MAX_LIVE_SEL", 500, 0, 500, 0x8051, 315},
        {"AIRP_RANGE", 20, 5, 30, 0x8048, 343},
        {"AIRP_HEIGHT", 18000, 2000, 48000, 0x8049, 343},
    };
    std::vector<const Parameter*> intRecords(g_intParams.begin(), g_intParams.end());
    intRecords.insert(intRecords.end(), g_choiceIntParams.begin(), g_choiceIntParams.end());
    ASSERT_EQ(intRecords.size(), ints.size());
    for (std::size_t i = 0; i < ints.size(); ++i)
        expectRecord(intRecords[i], ints[i]);

    expectRecord(&parking_percentage, {"parking_percentage", 30, 0, 100, 0x8052, 371});
}

TEST(SettingsCatalogue, ChoiceListsAreAscendingAndComplete) {
    using V = std::vector<std::int32_t>;
    EXPECT_EQ(AIRP_HEIGHT.choices, (V{2000, 4000, 6000, 8000, 10000, 12000, 14000, 16000, 18000, 36000, 48000}));
    EXPECT_EQ(MATCHING_DEPTH.choices, (V{1, 2, 3, 4}));
    EXPECT_EQ(RANGE.choices, (V{2, 3, 4, 5, 6, 8, 10, 12, 14, 16, 18, 20, 25, 30, 35, 40, 50, 65, 80, 100}));
    EXPECT_EQ(AR_ABOVE_HEIGHT.choices,
              (V{18000, 21000, 24000, 27000, 30000, 33000, 36000, 39000, 42000, 45000, 48000}));
    EXPECT_EQ(MAX_PARK_SEL.choices, (V{0, 10, 25, 50, 75, 100, 500}));
    EXPECT_EQ(MAX_LIVE_SEL.choices, MAX_PARK_SEL.choices);
    EXPECT_EQ(AIRP_RANGE.choices, (V{5, 10, 15, 20, 25, 30}));
    ASSERT_EQ(parking_percentage.choices.size(), 21u);
    EXPECT_EQ(parking_percentage.choices.front(), 0);
    EXPECT_EQ(parking_percentage.choices[1], 5);
    EXPECT_EQ(parking_percentage.choices.back(), 100);
    EXPECT_EQ(MAX_FIT_FL.choices,
              (std::vector<float>{0.5f, 1, 1.5f, 2, 2.5f, 3, 3.5f, 4, 4.5f, 5, 6, 7, 8, 9, 10, 12, 15, 18, 21, 24}));
    EXPECT_EQ(MAX_FIT_FL.defaultVal(), 24.0f);
    EXPECT_EQ(MAX_FIT_FL.minValue, 0.5f);
    EXPECT_EQ(MAX_FIT_FL.maxValue, 24.0f);
    EXPECT_EQ(MAX_FIT_FL.controlId, 0x8056);
    EXPECT_EQ(SIM_CHOICE.choices, (std::vector<std::string>{"MSFS 2020", "MSFS 2024"}));
    EXPECT_EQ(SIM_CHOICE.defaultVal(), "MSFS 2020");
}

TEST(SettingsCatalogue, TextRecordsButtonsAndRecordsOutsideTheRegistries) {
    EXPECT_EQ(PORT_NUMBER.defaultVal(), "10747");
    for (auto* p : g_stringParams) {
        if (p != &PORT_NUMBER && p != &AI_PACKAGE_SELECTOR) {
            EXPECT_EQ(p->defaultVal(), "") << p->key;
        }
    }
    EXPECT_EQ(AI_PACKAGE_SELECTOR.controlId, 0x8016);
    EXPECT_EQ(AI_PACKAGE_SELECTOR.row, 147);
    EXPECT_EQ(DESTINATION.controlId, 0x8047);
    EXPECT_EQ(DESTINATION.row, 343);
    EXPECT_EQ(BLOCK_CALLSIGN.controlId, 0x803C);
    EXPECT_EQ(BLOCK_CALLSIGN.row, 259);
    EXPECT_EQ(SIM_CHOICE.controlId, 0x8015);
    EXPECT_EQ(SIM_CHOICE.row, 119);
    EXPECT_EQ(ALL_INSTALL_PATH.controlId, 0x8014);
    EXPECT_EQ(ALL_INSTALL_PATH.row, 119);
    EXPECT_EQ(CALLSIGN_2_OBJECTID.controlId, 0x803F);
    EXPECT_EQ(CALLSIGN_2_OBJECTID.row, 259);
    EXPECT_EQ(CALLSIGN_2_OBJECTID.defaultVal(), "");
    EXPECT_EQ(&CALLSIGN_2_OBJECTID.entries, &g_callsignList);
    EXPECT_EQ(gf_findRegisteredParameter("ALL_INSTALL_PATH"), nullptr);
    EXPECT_EQ(gf_findRegisteredParameter("parking_percentage"), nullptr);
    EXPECT_EQ(gf_findRegisteredParameter("MAX_FIT_FL"), nullptr);
    EXPECT_EQ(gf_findRegisteredParameter("CALLSIGN_2_OBJECTID"), nullptr);
    EXPECT_EQ(gf_findRegisteredParameter("LAST_EPOCH_TIME:"), &LAST_EPOCH_TIME);

    const std::vector<std::tuple<const CommandButton*, std::string, unsigned, int>> buttons{
        {&g_flushStaticButton, "Flush static", 0x8059, 369},
        {&g_tbloZipButton, "tblo.zip", 0x8024, 175},
        {&g_unblockButton, "Unblock", 0x803D, 257},
        {&g_csOidButton, "cs->oid:", 0x803E, 257},
        {&g_blockButton, "Block", 0x8040, 257},
        {&g_nowButton, "Now", 0x804F, 313},
        {&g_reReadButton, "Re-read", 0x8046, 341}};
    for (const auto& [b, label, id, row] : buttons) {
        EXPECT_EQ(b->key, label);
        EXPECT_EQ(b->controlId, id);
        EXPECT_EQ(b->row, row);
    }
    // 21 check boxes, 12 combo boxes, 3 edit fields and 7 buttons: 43 controls with distinct ids.
    const auto controls = gf_allControlRecords();
    std::set<unsigned> ids;
    for (auto* c : controls)
        ids.insert(c->controlId);
    EXPECT_EQ(controls.size(), 43u);
    EXPECT_EQ(ids.size(), 43u);

    EXPECT_EQ(g_airportParameterKeys,
              (std::array<std::string_view, 8>{"RANGE", "AUTO_RANGE", "INITIAL_LOAD_ONLY", "PARK_SOFT",
                                               "parking_percentage", "MAX_FIT", "WEEK", "MAX_LIVE_SEL"}));
    EXPECT_EQ(g_rangeNm.load(), 40.0);
    EXPECT_EQ(g_rangeMeters.load(), 74080);
}

} // namespace
} // namespace skf
