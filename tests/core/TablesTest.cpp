#include "core/Random.h"
#include "core/SizeCategory.h"
#include "core/StockAircraftTypes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace skf {
namespace {

TEST(SizeCategoryTables, EveryCategoryInEveryTable) {
    for (std::int32_t c = 0; c <= 5; ++c) {
        EXPECT_NO_THROW((void)g_flareSteps.at(c));
        EXPECT_NO_THROW((void)g_touchdownSteps.at(c));
        EXPECT_NO_THROW((void)g_rotationSteps.at(c));
        EXPECT_NO_THROW((void)g_climbPitchSteps.at(c));
        EXPECT_NO_THROW((void)g_turnRates.at(c));
        EXPECT_NO_THROW((void)g_takeoffPitches.at(c));
        EXPECT_NO_THROW((void)g_climbPitches.at(c));
        EXPECT_EQ(g_flareSteps.at(c) != g_touchdownSteps.at(c), c == 2) << c; // only Large differs
    }
    EXPECT_EQ(g_flareSteps.size(), 6u);
    const auto r = SizeCategory::Rotorcraft;
    EXPECT_EQ(g_flareSteps.at(r) + g_touchdownSteps.at(r) + g_rotationSteps.at(r) + g_climbPitchSteps.at(r), 400);
    EXPECT_EQ(g_flareSteps.at(SizeCategory::Large), 400);
    EXPECT_EQ(g_touchdownSteps.at(SizeCategory::Large), 350);
    EXPECT_DOUBLE_EQ(g_turnRates.at(SizeCategory::Light), 0.002617993877991494);
    // Turn rates at 100 steps a second, in degrees a second.
    const double perSecond[] = {15, 10, 7, 5, 10, 20};
    for (std::int32_t c = 0; c <= 5; ++c)
        EXPECT_NEAR(g_turnRates.at(c) * 100 * 57.29577951308232, perSecond[c], 1e-9);
    EXPECT_EQ(gf_sizeCategoryName(SizeCategory::Buzjets), "Buzjets");
    EXPECT_EQ(gf_sizeCategoryName(static_cast<SizeCategory>(6)), "???");
}

TEST(SizeCategoryTables, MissingCategoryFailsWithTheMapText) {
    for (std::int32_t bad : {-1, 6, 100}) {
        try {
            (void)g_climbPitches.at(bad);
            ADD_FAILURE() << bad;
        } catch (const std::out_of_range& e) {
            EXPECT_STREQ(e.what(), "invalid unordered_map<K, T> key");
        }
        EXPECT_THROW((void)g_flareSteps.at(bad), std::out_of_range);
    }
}

TEST(SizeCategoryTables, HeavyPitchesMovedByTheirPercentage) {
    std::set<double> takeoff, climb;
    for (int i = 0; i < 200; ++i) {
        takeoff.insert(gf_randomizePercent(g_takeoffPitches.at(SizeCategory::Heavy), 2.5));
        climb.insert(gf_randomizePercent(g_climbPitches.at(SizeCategory::Heavy), 5.0));
    }
    EXPECT_EQ(takeoff, (std::set<double>{-5.125, -4.875}));
    EXPECT_EQ(climb, (std::set<double>{-13.125, -11.875}));
}

TEST(StockAircraft, ExactCaseSensitiveLookup) {
    EXPECT_EQ(g_stockAircraftTypes.size(), 30u);
    const std::string baseContainer = "..\\Asobo_A320_NEO";
    EXPECT_EQ(g_stockAircraftTypes.at(baseContainer.substr(3)), "A20N");
    EXPECT_FALSE(g_stockAircraftTypes.contains("asobo_a320_neo"));
    EXPECT_EQ(g_stockAircraftTypes.at("Asobo_Savage_Cub"), g_stockAircraftTypes.at("Asobo_Savage_ShockUltra"));
    EXPECT_EQ(g_stockAircraftTypes.at("Asobo_DA40_TDI"), "DA40");
    EXPECT_EQ(g_stockAircraftTypes.at("Asobo_DA40_NG"), "DA40");
    EXPECT_EQ(g_stockAircraftTypes.at("Asobo_C152_Aerobat"), "C152");
    EXPECT_EQ(g_stockAircraftTypes.at("Asobo_C172sp_classic"), "C172");
    EXPECT_EQ(g_stockAircraftTypes.at("Asobo_C172sp_AS1000"), "C172");
    EXPECT_EQ(g_stockAircraftTypes.at("FlyByWire_A320_NEO"), "A20N");
    for (const auto& [folder, type] : g_stockAircraftTypes)
        EXPECT_TRUE(type.size() >= 2 && type.size() <= 4) << folder;
}

} // namespace
} // namespace skf
