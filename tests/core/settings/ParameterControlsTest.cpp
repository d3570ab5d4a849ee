#include "SettingsFixture.h"
#include "core/settings/SettingsFile.h"

namespace skf {
namespace {

class ParameterControls : public test::SettingsTest {
protected:
    ControlModel& model = gf_controls();
    void createCombos() {
        for (auto* p : g_choiceIntParams)
            p->createCombo(5, 50, 200);
        parking_percentage.createCombo(323, 50, 200);
        MAX_FIT_FL.createCombo(566, 60, 300);
        AI_PACKAGE_SELECTOR.createCombo(323, 175, 300);
        SIM_CHOICE.createCombo(5, 105, 80);
        CALLSIGN_2_OBJECTID.createCombo(375, 100, 300);
    }
};

TEST_F(ParameterControls, RecordsCreateTheirControlsWithTheirStartStates) {
    AEROWINX.set(true);
    AEROWINX.create(652);
    GUID_CHANGES.set(false);
    GUID_CHANGES.create(748);
    g_reReadButton.create(758, 90);
    BLOCK_CALLSIGN.createEdit(107, 100);
    RANGE.createCombo(217, 50, 200);

    auto box = model.get(AEROWINX.controlId);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->kind, ControlKind::CheckBox);
    EXPECT_EQ(box->x, 652);
    EXPECT_EQ(box->y, 205);
    EXPECT_EQ(box->width, 12);
    EXPECT_EQ(box->height, 12);
    EXPECT_TRUE(box->checked);
    EXPECT_TRUE(box->enabled);
    EXPECT_FALSE(model.isChecked(GUID_CHANGES.controlId));

    auto button = model.get(g_reReadButton.controlId);
    ASSERT_TRUE(button);
    EXPECT_EQ(button->kind, ControlKind::Button);
    EXPECT_EQ(button->text, "Re-read");
    EXPECT_EQ(button->y, 341);
    EXPECT_EQ(button->height, 20);
    EXPECT_FALSE(button->enabled);

    auto edit = model.get(BLOCK_CALLSIGN.controlId);
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->kind, ControlKind::EditField);
    EXPECT_EQ(edit->height, 16);
    EXPECT_FALSE(edit->enabled);
    BLOCK_CALLSIGN.enable();
    EXPECT_TRUE(BLOCK_CALLSIGN.isEnabled());

    auto combo = model.get(RANGE.controlId);
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->y, 226);
    EXPECT_TRUE(RANGE.hasControl());
    EXPECT_FALSE(MAX_PARK_SEL.hasControl());
}

TEST_F(ParameterControls, TheAiPackageComboSelectsTheExactEntry) {
    createCombos();
    AI_PACKAGE_SELECTOR.set("AIG, FSLTL");
    AI_PACKAGE_SELECTOR.fillCombo();
    ASSERT_EQ(model.items(AI_PACKAGE_SELECTOR.controlId).size(), 64u);
    EXPECT_EQ(model.selectedText(AI_PACKAGE_SELECTOR.controlId), "AIG, FSLTL");
    EXPECT_EQ(AI_PACKAGE_SELECTOR.indexOfCurrent(), std::optional<std::size_t>(48));
    AI_PACKAGE_SELECTOR.set("AIG");
    AI_PACKAGE_SELECTOR.fillCombo();
    EXPECT_EQ(model.selection(AI_PACKAGE_SELECTOR.controlId), 60);
    AI_PACKAGE_SELECTOR.set("AIG, XYZ");
    EXPECT_EQ(AI_PACKAGE_SELECTOR.indexOfCurrent(), std::nullopt);
    AI_PACKAGE_SELECTOR.fillCombo();
    EXPECT_EQ(model.selection(AI_PACKAGE_SELECTOR.controlId), -1); // refilled, nothing matches
}

TEST_F(ParameterControls, IntChoiceCombosShowTheirChoicesAndSelectOnlyAChoice) {
    createCombos();
    AIRP_HEIGHT.fillCombo();
    EXPECT_EQ(model.items(AIRP_HEIGHT.controlId).front(), "2000");
    EXPECT_EQ(model.selectedText(AIRP_HEIGHT.controlId), "18000");
    AIRP_HEIGHT.set(7000); // between two choices: showing it keeps the selection
    gf_showIntParameter(AIRP_HEIGHT);
    EXPECT_EQ(model.selectedText(AIRP_HEIGHT.controlId), "18000");
    AIRP_HEIGHT.fillCombo(); // a refilled list has no selection until a choice is selected
    EXPECT_EQ(model.selection(AIRP_HEIGHT.controlId), -1);
    AIRP_HEIGHT.set(36000);
    gf_showIntParameter(AIRP_HEIGHT);
    EXPECT_EQ(model.selectedText(AIRP_HEIGHT.controlId), "36000");

    MAX_FIT_FL.fillCombo();
    EXPECT_EQ(model.items(MAX_FIT_FL.controlId).front(), "0.5");
    EXPECT_EQ(model.selectedText(MAX_FIT_FL.controlId), "24.0");

    // Records without a control: nothing happens, a show logs the missing control.
    gf_controls().clear();
    EXPECT_NO_THROW(RANGE.fillCombo());
    gf_showStringParameter(DESTINATION);
    EXPECT_NE(logText().find("GetDlgItem failed for ID 32839\n"), std::string::npos);
}

TEST_F(ParameterControls, SetRangeClampsSelectsAndRefreshesTheRadius) {
    createCombos();
    RANGE.fillCombo();
    gf_setRange(500);
    EXPECT_EQ(RANGE.value(), 100);
    EXPECT_EQ(model.selectedText(RANGE.controlId), "100");
    EXPECT_EQ(g_rangeNm.load(), 100.0);
    EXPECT_EQ(g_rangeMeters.load(), 185200);
    gf_setRange(7);
    EXPECT_EQ(RANGE.value(), 7);
    EXPECT_EQ(model.selectedText(RANGE.controlId), "100");
    EXPECT_EQ(g_rangeNm.load(), 7.0);
    EXPECT_EQ(g_rangeMeters.load(), 12964);
    gf_setRange(1);
    EXPECT_EQ(RANGE.value(), 2);
    EXPECT_FALSE(std::filesystem::exists(g_parametersPath)); // not stored
    gf_setRange(40);
}

TEST_F(ParameterControls, MaxFitStepsBetweenHalfHoursAndHours) {
    createCombos();
    MAX_FIT_FL.fillCombo();
    const std::vector<std::pair<int, float>> table{
        {-5, 0.5f}, {0, 0.5f}, {1, 1},   {2, 1.5f}, {3, 2},   {4, 2.5f}, {5, 3},   {6, 3.5f}, {7, 4},   {8, 4.5f},
        {9, 5},     {10, 6},   {11, 6},  {12, 7},   {14, 8},  {16, 9},   {18, 10}, {19, 10},  {20, 11}, {21, 11},
        {22, 12},   {25, 12},  {26, 15}, {31, 15},  {32, 18}, {38, 21},  {43, 21}, {44, 24},  {47, 24}, {100, 24}};
    for (const auto& [index, hours] : table)
        EXPECT_EQ(gf_maxFitLevel(index), hours) << index;

    MAX_FIT.set(20);
    gf_selectMaxFitChoice();
    EXPECT_EQ(MAX_FIT_FL.value(), 11.0f);
    EXPECT_EQ(model.selectedText(MAX_FIT_FL.controlId), "24.0"); // 11 is no choice
    MAX_FIT.set(8);
    gf_selectMaxFitChoice();
    EXPECT_EQ(model.selectedText(MAX_FIT_FL.controlId), "4.5");

    // Every choice maps to a half-hour count that maps back to it.
    for (float h : MAX_FIT_FL.choices)
        EXPECT_EQ(gf_maxFitLevel(gf_maxFitFromHours(h)), h) << h;
    EXPECT_EQ(gf_maxFitFromHours(4.5f), 8);
    EXPECT_EQ(gf_maxFitFromHours(24.0f), 47);
    EXPECT_EQ(gf_maxFitFromHours(0.5f), 0);
    EXPECT_EQ(gf_maxFitFromHours(99.0f), 47);
}

TEST_F(ParameterControls, TheLoadSetsCheckMarksAndShowsChoicesAndTexts) {
    createCombos();
    for (auto* p : g_checkBoxParams)
        p->create(5);
    BLOCK_CALLSIGN.createEdit(107, 100);
    for (auto* p : g_choiceIntParams)
        p->fillCombo();
    SIM_CHOICE.fillCombo();
    test::writeFile(g_parametersPath, R"(<root><parameters>
<parameter name="WEEK" value="true"/><parameter name="AUTO_RANGE" value="false"/>
<parameter name="RANGE" value="65"/><parameter name="BLOCK_CALLSIGN" value="DLH123"/>
<parameter name="SIM_CHOICE" value="MSFS 2024"/></parameters></root>)");
    gf_loadParameters();
    EXPECT_TRUE(model.isChecked(WEEK.controlId));
    EXPECT_FALSE(model.isChecked(AUTO_RANGE.controlId));
    EXPECT_TRUE(model.isChecked(LIG_AUTOMATIC.controlId));
    EXPECT_EQ(model.selectedText(RANGE.controlId), "65");
    EXPECT_EQ(model.text(BLOCK_CALLSIGN.controlId), "DLH123");
    EXPECT_EQ(model.selectedText(SIM_CHOICE.controlId), "MSFS 2024");
    gf_updateSimChoice();
    EXPECT_FALSE(g_simIs2020.load());
    EXPECT_EQ(g_simNumber.load(), 2);
    SIM_CHOICE.set("MSFS 2020");
    gf_updateSimChoice();
    EXPECT_TRUE(g_simIs2020.load());
    EXPECT_EQ(g_simNumber.load(), 1);
}

TEST_F(ParameterControls, TheCallsignComboShowsTheSharedList) {
    createCombos();
    g_callsignList.set({"", "BAW12", "DLH4"});
    CALLSIGN_2_OBJECTID.set("DLH4");
    gf_fillCallsignCombo();
    EXPECT_EQ(model.items(CALLSIGN_2_OBJECTID.controlId), (std::vector<std::string>{"", "BAW12", "DLH4"}));
    EXPECT_EQ(model.selection(CALLSIGN_2_OBJECTID.controlId), 2);
    g_callsignList.reset();
    CALLSIGN_2_OBJECTID.set("");
    gf_fillCallsignCombo();
    EXPECT_EQ(model.items(CALLSIGN_2_OBJECTID.controlId), (std::vector<std::string>{""}));
    EXPECT_EQ(model.selection(CALLSIGN_2_OBJECTID.controlId), 0);
}

TEST_F(ParameterControls, RestoringTheGlobalValuesStoresAndShowsThem) {
    createCombos();
    for (auto* p : {&AUTO_RANGE, &INITIAL_LOAD_ONLY, &PARK_SOFT, &WEEK})
        p->create(5);
    for (auto* p : g_choiceIntParams)
        p->fillCombo();
    parking_percentage.fillCombo();
    MAX_FIT_FL.fillCombo();
    gf_loadParameters();

    gf_saveAirportParameters();
    g_savedAirportParameters.maxLiveSel = 50;
    g_savedAirportParameters.maxFit = 99;
    g_savedAirportParameters.range = 500;
    g_savedAirportParameters.parkingPercentage = 45;
    g_savedAirportParameters.autoRange = false;
    g_savedAirportParameters.week = true;
    MAX_LIVE_SEL.set(10);
    gf_restoreGlobalParameters();

    EXPECT_EQ(MAX_LIVE_SEL.value(), 50);
    EXPECT_EQ(model.selectedText(MAX_LIVE_SEL.controlId), "50");
    EXPECT_EQ(MAX_FIT.value(), 47);
    EXPECT_EQ(MAX_FIT_FL.value(), 24.0f);
    EXPECT_EQ(RANGE.value(), 100);
    EXPECT_EQ(g_rangeMeters.load(), 185200);
    EXPECT_EQ(parking_percentage.value(), 45);
    EXPECT_EQ(model.selectedText(parking_percentage.controlId), "45");
    EXPECT_FALSE(AUTO_RANGE.value());
    EXPECT_FALSE(model.isChecked(AUTO_RANGE.controlId));
    EXPECT_TRUE(model.isEnabled(RANGE.controlId));
    EXPECT_FALSE(model.isEnabled(AR_ABOVE_HEIGHT.controlId));
    EXPECT_TRUE(model.isChecked(WEEK.controlId));

    const auto& doc = loadParameters();
    EXPECT_EQ(gf_readIntParameter(doc, "MAX_LIVE_SEL"), 50);
    EXPECT_EQ(gf_readIntParameter(doc, "MAX_FIT"), 47);
    EXPECT_EQ(gf_readIntParameter(doc, "RANGE"), 100);
    EXPECT_EQ(gf_readIntParameter(doc, "parking_percentage"), 45);
    EXPECT_EQ(gf_readBoolParameter(doc, "AUTO_RANGE"), false);
    EXPECT_EQ(gf_readBoolParameter(doc, "WEEK"), true);
    gf_setRange(40);

    // The next start ignores the stored parking_percentage.
    parking_percentage.set(30);
    gf_loadParameters();
    EXPECT_EQ(parking_percentage.value(), 30);
}

} // namespace
} // namespace skf
