#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/settings/Catalogue.h"

namespace skf {
namespace {

template <class V>
std::vector<std::string> keysOf(const V& registry) {
  std::vector<std::string> keys;
  for (const auto* p : registry) keys.push_back(p->key);
  return keys;
}

TEST(SettingsCatalogue, RegistriesHoldTheKeysInFileOrder) {
  EXPECT_EQ(keysOf(g_boolParams), (std::vector<std::string>{"RANDOM"}));
  EXPECT_EQ(keysOf(g_checkBoxParams),
            (std::vector<std::string>{"ALWAYS_ON_TOP", "OBJECTID_LIST", "NAV_LIGHTS_WHILE_PARKED", "AEROWINX",
                                      "GUID_CHANGES", "SCAN_LIVERIES", "LIG_AUTOMATIC", "LIG_PRIORITIZE",
                                      "SCAN_AIRPORTS", "LIGHT_AIRCRAFT", "HELICOPTERS", "HIGH_PERF_AIRCRAFT",
                                      "AUTO_RANGE", "AIRBORNE_ONLY", "COLLISION_USER_GND", "COLLISION_USER_AIR",
                                      "COLLISION_LIVE_PARKED_GND", "STRAIGHT_PBS_ONLY", "INITIAL_LOAD_ONLY", "WEEK",
                                      "PARK_SOFT"}));
  EXPECT_EQ(keysOf(g_intParams),
            (std::vector<std::string>{"MAIN_WINDOW_X", "MAIN_WINDOW_Y", "LAST_EPOCH_TIME:",
                                      "CUSTOM_PARKING_PERCENTAGE", "HOLDING_THRESHOLD_METERS", "MAX_HOLDING_MINUTES",
                                      "AIRP_HEIGHT", "MAX_FIT"}));
  EXPECT_EQ(keysOf(g_choiceIntParams),
            (std::vector<std::string>{"MATCHING_DEPTH", "RANGE", "AR_ABOVE_HEIGHT", "MAX_PARK_SEL", "MAX_LIVE_SEL",
                                      "AIRP_RANGE", "AIRP_HEIGHT"}));
  EXPECT_EQ(keysOf(g_stringParams),
            (std::vector<std::string>{"PROGRAM_VERSION", "MSFS_INSTALL_PATH", "PORT_NUMBER", "lfolder0", "lfolder1",
                                      "lfolder2", "lfolder3", "lfolder4", "lfolder5", "lfolder6", "lfolder7",
                                      "lfolder8", "lfolder9", "AIG_VERSION", "DBASE_VERSION", "AIRPORTS_VERSION",
                                      "LIV_SCAN_VERSION", "ADDONS_SCAN_VERSION", "MYSIMADDON24_VERSION",
                                      "MSFS_2024_INSTALL_PATH", "AI_PACKAGE_SELECTOR", "DESTINATION"}));
  EXPECT_EQ(keysOf(g_controlStringParams), (std::vector<std::string>{"BLOCK_CALLSIGN", "SIM_CHOICE"}));
  // AIRP_HEIGHT is one record in two registries.
  EXPECT_EQ(g_intParams[6], static_cast<IntParameter*>(g_choiceIntParams[6]));
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
  EXPECT_EQ(pairs, (std::vector<std::string>{"AIG, FSLTL", "FSLTL, AIG", "AIG, JF", "JF, AIG", "AIG, MTL",
                                              "MTL, AIG", "FSLTL, JF", "JF, FSLTL", "FSLTL, MTL", "MTL, FSLTL",
                                              "JF, MTL", "MTL, JF"}));
  EXPECT_EQ(std::vector<std::string>(c.begin() + 60, c.end()),
            (std::vector<std::string>{"AIG", "FSLTL", "JF", "MTL"}));
}

}  // namespace
}  // namespace skf
