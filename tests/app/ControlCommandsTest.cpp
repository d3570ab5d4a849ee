#include "WindowFixture.h"

#include "app/ControlCommands.h"
#include "app/MainCycle.h"
#include "liveries/LiveryServices.h"

using namespace skf;
using namespace skf::test;

using ControlCommandsTest = WindowFixture;

TEST_F(ControlCommandsTest, CheckBoxToggleChangesStoresAndShows) {
    open();
    ASSERT_FALSE(ALWAYS_ON_TOP.value());
    ASSERT_TRUE(m_window->click(ALWAYS_ON_TOP.controlId));
    EXPECT_TRUE(ALWAYS_ON_TOP.value());
    EXPECT_TRUE(gf_controls().isChecked(ALWAYS_ON_TOP.controlId));
    EXPECT_EQ(stored("ALWAYS_ON_TOP"), "true");
    EXPECT_TRUE(m_window->alwaysOnTop());
    EXPECT_EQ(status(), "Skyfill's window will remain visible");
    m_window->click(ALWAYS_ON_TOP.controlId);
    EXPECT_FALSE(ALWAYS_ON_TOP.value());
    EXPECT_EQ(stored("ALWAYS_ON_TOP"), "false");
    EXPECT_FALSE(m_window->alwaysOnTop());
    EXPECT_EQ(status(), "");

    // Switching a collision check off warns.
    m_window->click(COLLISION_USER_AIR.controlId);
    EXPECT_EQ(stored("COLLISION_USER_AIR"), "false");
    EXPECT_EQ(status(), "Be aware, user aircraft may collide with (run through) live aircraft in the air");
    m_window->click(AIRBORNE_ONLY.controlId);
    EXPECT_EQ(status(), "Be aware, airborne live traffic only!  (greater than 300 ft above ground ...)");
    m_window->click(OBJECTID_LIST.controlId);
    EXPECT_EQ(status(), "Every minute info about all active live aircraft is written to the file "
                        "output/info/ObjectIdList.txt");
    // A check box's command ends with its handler: nothing goes on to the default procedure.
    for (const CheckBoxParameter* box : {&WEEK, &PARK_SOFT, &HELICOPTERS})
        EXPECT_TRUE(gf_mainWindowView()->onCommand(box->controlId, Notification::Clicked)) << box->key;
}

TEST_F(ControlCommandsTest, EngineWorkGoesThroughRequestsWithTheirValues) {
    open();
    (void)gf_takeNavLightsRequest();
    m_window->click(NAV_LIGHTS_WHILE_PARKED.controlId);
    EXPECT_EQ(gf_takeNavLightsRequest(), std::optional<bool>(false));
    EXPECT_FALSE(gf_takeNavLightsRequest());

    MAX_LIVE_SEL.fillCombo();
    ASSERT_TRUE(m_window->chooseText(MAX_LIVE_SEL.controlId, "10"));
    EXPECT_EQ(MAX_LIVE_SEL.value(), 10);
    EXPECT_EQ(stored("MAX_LIVE_SEL"), "10");
    EXPECT_EQ(gf_takeMaxLiveRequest(), std::optional<std::int32_t>(10));

    // AUTO_RANGE off: the manual range is back and RANGE can be chosen; on: the main cycle works it out.
    (void)gf_takeAutoRangeRequest();
    ASSERT_TRUE(AUTO_RANGE.value());
    m_window->click(AUTO_RANGE.controlId);
    EXPECT_TRUE(gf_controls().isEnabled(RANGE.controlId));
    EXPECT_FALSE(gf_controls().isEnabled(AR_ABOVE_HEIGHT.controlId));
    EXPECT_EQ(RANGE.value(), 40);
    EXPECT_FALSE(gf_takeAutoRangeRequest());
    m_window->click(AUTO_RANGE.controlId);
    EXPECT_FALSE(gf_controls().isEnabled(RANGE.controlId));
    EXPECT_TRUE(gf_controls().isEnabled(AR_ABOVE_HEIGHT.controlId));
    EXPECT_TRUE(gf_takeAutoRangeRequest());

    g_rematchRequested = false;
    MATCHING_DEPTH.fillCombo();
    const auto depths = MATCHING_DEPTH.choices;
    ASSERT_TRUE(m_window->choose(MATCHING_DEPTH.controlId, static_cast<int>(depths.size()) - 1));
    EXPECT_EQ(MATCHING_DEPTH.value(), depths.back());
    EXPECT_EQ(g_rematchRequested.exchange(false), depths.back() > MATCHING_DEPTH.defaultVal());
    ASSERT_TRUE(m_window->choose(MATCHING_DEPTH.controlId, 0));
    EXPECT_FALSE(g_rematchRequested.load());
}

TEST_F(ControlCommandsTest, ComboChoicesStoreTheirSettings) {
    open();
    MAX_FIT_FL.fillCombo();
    ASSERT_TRUE(m_window->chooseText(MAX_FIT_FL.controlId, "4.5"));
    EXPECT_EQ(MAX_FIT.value(), 8);
    EXPECT_EQ(stored("MAX_FIT"), "8");
    EXPECT_EQ(stored("MAX_FIT_FL"), "<none>");
    ASSERT_TRUE(m_window->chooseText(MAX_FIT_FL.controlId, "24.0"));
    EXPECT_EQ(MAX_FIT.value(), 47);
    ASSERT_TRUE(m_window->chooseText(MAX_FIT_FL.controlId, "0.5"));
    EXPECT_EQ(MAX_FIT.value(), 0);

    RANGE.fillCombo();
    ASSERT_TRUE(m_window->chooseText(RANGE.controlId, "100"));
    EXPECT_EQ(stored("RANGE"), "100");
    EXPECT_EQ(g_rangeMeters.load(), 185200);

    parking_percentage.fillCombo();
    ASSERT_TRUE(m_window->chooseText(parking_percentage.controlId, "50"));
    EXPECT_EQ(stored("parking_percentage"), "50");

    // Another package order is stored and takes effect with a scan; the same one changes nothing.
    AI_PACKAGE_SELECTOR.fillCombo();
    AI_PACKAGE_SELECTOR.enable();
    const std::string order = AI_PACKAGE_SELECTOR.choices.at(1);
    ASSERT_TRUE(m_window->chooseText(AI_PACKAGE_SELECTOR.controlId, order));
    EXPECT_EQ(stored("AI_PACKAGE_SELECTOR"), order);
    EXPECT_EQ(status(), "If you want to make this choice effective, you must start a Scan for liveries");
    gf_clearStatus();
    ASSERT_TRUE(m_window->chooseText(AI_PACKAGE_SELECTOR.controlId, order));
    EXPECT_EQ(status(), "");

    // A drop-down notification changes nothing.
    const std::string before = parameters();
    EXPECT_TRUE(m_window->openDropDown(RANGE.controlId));
    EXPECT_EQ(parameters(), before);
    EXPECT_NE(m_window->invalidatedBands() & BAND_MIDDLE, 0U);

    // The callsign choice is never stored; it asks for the object id.
    g_callsignList.set({"", "DLH4", "KLM9"});
    gf_fillCallsignCombo();
    g_objectIdLookupRequested = false;
    g_mainWindow.objectIdText.set("old");
    ASSERT_TRUE(m_window->chooseText(CALLSIGN_2_OBJECTID.controlId, "KLM9"));
    EXPECT_EQ(CALLSIGN_2_OBJECTID.value(), "KLM9");
    EXPECT_EQ(stored("CALLSIGN_2_OBJECTID"), "<none>");
    EXPECT_TRUE(g_objectIdLookupRequested.exchange(false));
    EXPECT_EQ(g_mainWindow.objectIdText.get(), "");
    EXPECT_TRUE(gf_controls().isEnabled(g_blockButton.controlId)); // "Unblock" is disabled
    g_callsignList.reset();
}

TEST_F(ControlCommandsTest, SimulatorSwitchForgetsLiveriesAndRestarts) {
    open();
    SIM_CHOICE.setValue("MSFS 2020");
    SIM_CHOICE.fillCombo();
    MYSIMADDON24_VERSION.setValue("1.0.0");
    std::filesystem::create_directories("output");
    { std::ofstream("output/LiveriesScanned.xml") << "<root/>"; }
    SCAN_LIVERIES.set(false);
    SCAN_LIVERIES.showCheck();
    ALL_INSTALL_PATH.set("/somewhere");

    ASSERT_TRUE(m_window->chooseText(SIM_CHOICE.controlId, SIM_CHOICE.value())); // the same: nothing
    EXPECT_FALSE(g_stopRun.load());
    EXPECT_TRUE(std::filesystem::exists("output/LiveriesScanned.xml"));

    const std::string other = SIM_CHOICE.value() == "MSFS 2020" ? "MSFS 2024" : "MSFS 2020";
    ASSERT_TRUE(m_window->chooseText(SIM_CHOICE.controlId, other));
    EXPECT_EQ(stored("SIM_CHOICE"), other);
    EXPECT_EQ(g_simIs2020.load(), other == "MSFS 2020");
    EXPECT_FALSE(std::filesystem::exists("output/LiveriesScanned.xml"));
    EXPECT_TRUE(SCAN_LIVERIES.value());
    EXPECT_TRUE(gf_controls().isChecked(SCAN_LIVERIES.controlId));
    EXPECT_EQ(stored("SCAN_AIRPORTS"), "true");
    EXPECT_EQ(ALL_INSTALL_PATH.value(), "");
    EXPECT_EQ(status(), "Switching Simulator to " + other);
    EXPECT_TRUE(g_stopRun.load());
    EXPECT_EQ(gf_exitReason(), ExitReason::NewSettings);
    EXPECT_EQ(gf_restartDelay(), 3);
    EXPECT_TRUE(gf_takeLiveryResetRequest());
    // The MSFS 2024 add-on links are fetched again for the new simulator; back to MSFS 2020 they stay.
    EXPECT_EQ(stored("MYSIMADDON24_VERSION"), "");
    MYSIMADDON24_VERSION.setValue("1.0.0");
    gf_resetStopState();
    ASSERT_TRUE(m_window->chooseText(SIM_CHOICE.controlId, "MSFS 2020"));
    EXPECT_TRUE(g_simIs2020.load());
    EXPECT_EQ(stored("MYSIMADDON24_VERSION"), "1.0.0");
}

TEST_F(ControlCommandsTest, ScanBoxRestartsDuringTheStartUpOnlyAndAnErrorInAHandlerIsLogged) {
    open();
    SCAN_LIVERIES.set(false);
    SCAN_LIVERIES.showCheck();
    g_inStartUp = false;
    m_window->click(SCAN_LIVERIES.controlId);
    EXPECT_EQ(status(), "Your liveries will be scanned at the next start of Skyfill");
    EXPECT_FALSE(g_stopRun.load());
    m_window->click(SCAN_LIVERIES.controlId); // off again
    g_inStartUp = true;
    m_window->click(SCAN_LIVERIES.controlId);
    EXPECT_EQ(status(), "Your liveries will be scanned");
    EXPECT_TRUE(g_stopRun.load());
    EXPECT_EQ(gf_exitReason(), ExitReason::NewSettings);
    EXPECT_EQ(gf_restartDelay(), 2);
    EXPECT_NE(log().find("Your liveries will be scanned"), std::string::npos);

    // A folder where the livery list should be cannot be removed: the handler's error is logged.
    gf_resetStopState();
    SIM_CHOICE.fillCombo();
    std::filesystem::create_directories("output/LiveriesScanned.xml/inside");
    const std::string other = SIM_CHOICE.value() == "MSFS 2020" ? "MSFS 2024" : "MSFS 2020";
    EXPECT_TRUE(m_window->chooseText(SIM_CHOICE.controlId, other));
    EXPECT_NE(log().find("lf_HandleWMCOMMAND exception"), std::string::npos);
}

TEST_F(ControlCommandsTest, ButtonsRaiseRequestsAndDisableThemselves) {
    open();
    g_reReadButton.enable();
    DESTINATION.enable();
    g_flushStaticButton.enable();
    g_reReadRequested = false;
    g_flushStaticRequested = false;
    ASSERT_TRUE(m_window->click(g_reReadButton.controlId));
    EXPECT_TRUE(g_reReadRequested.exchange(false));
    EXPECT_FALSE(gf_controls().isEnabled(g_reReadButton.controlId));
    EXPECT_FALSE(gf_controls().isEnabled(DESTINATION.controlId));
    ASSERT_TRUE(m_window->click(g_flushStaticButton.controlId));
    EXPECT_TRUE(g_flushStaticRequested.exchange(false));
    EXPECT_EQ(status(), "All static parked aircraft will be removed ...");

    // "tblo.zip" without the file: a message box, the command is not handled.
    g_tbloZipButton.enable();
    ASSERT_TRUE(m_window->click(g_tbloZipButton.controlId));
    EXPECT_EQ(m_window->messageBoxes(), std::vector<std::string>{"SKFL: Could not open File Explorer at tblo.zip."});

    // "cs->oid:" and "Block".
    g_csOidButton.enable();
    g_blockButton.enable();
    m_window->click(g_csOidButton.controlId);
    EXPECT_TRUE(g_callsignListRequested.exchange(false));
    EXPECT_FALSE(gf_controls().isEnabled(g_blockButton.controlId));
    g_blockButton.enable();
    CALLSIGN_2_OBJECTID.set("AFR1234");
    g_blockChanged = false;
    m_window->click(g_blockButton.controlId);
    EXPECT_EQ(stored("BLOCK_CALLSIGN"), "AFR1234");
    EXPECT_EQ(gf_controls().text(BLOCK_CALLSIGN.controlId), "AFR1234");
    EXPECT_TRUE(gf_controls().isEnabled(g_unblockButton.controlId));
    EXPECT_TRUE(g_blockChanged.exchange(false));
    EXPECT_EQ(g_callsignList.entries(), std::vector<std::string>{""});
    // The list is reset on the window's side as a whole: no choice, no object id, nothing to choose.
    EXPECT_EQ(CALLSIGN_2_OBJECTID.value(), "");
    EXPECT_EQ(gf_controls().items(CALLSIGN_2_OBJECTID.controlId), std::vector<std::string>{""});
    EXPECT_FALSE(gf_controls().isEnabled(CALLSIGN_2_OBJECTID.controlId));
    EXPECT_EQ(g_mainWindow.objectIdText.get(), "");
    m_window->click(g_unblockButton.controlId);
    EXPECT_EQ(stored("BLOCK_CALLSIGN"), "");
    EXPECT_EQ(status(), "no more blocking of live aircraft 'AFR1234'");
}

TEST_F(ControlCommandsTest, NowAnnouncesAStaticUpdateOnlyWithStandsLoaded) {
    open();
    g_nowButton.enable();
    g_staticUpdateAnnounced = false;
    m_window->click(g_nowButton.controlId);
    EXPECT_FALSE(g_staticUpdateAnnounced.load());

    g_mainWindow.standsLoaded = true;
    g_secondTick = 44;
    m_window->click(g_nowButton.controlId);
    EXPECT_TRUE(g_staticUpdateAnnounced.exchange(false));
    EXPECT_TRUE(g_parkingBusy.load());
    EXPECT_EQ(status(), "Skyfill will update static parking in 1 second ...");
    EXPECT_FALSE(gf_controls().isEnabled(MAX_FIT_FL.controlId));
    EXPECT_FALSE(gf_controls().isEnabled(g_nowButton.controlId));
    EXPECT_EQ(g_mainWindow.minutesToNextUpdate.load(), 20);
    gf_unlockParkingControls();
    m_window->pump(); // the controls follow at the window's next turn
    EXPECT_FALSE(g_parkingBusy.load());
    EXPECT_TRUE(gf_controls().isEnabled(MAX_FIT_FL.controlId));
    EXPECT_TRUE(gf_controls().isEnabled(g_nowButton.controlId));
    EXPECT_EQ(gf_secondsToNextQuarter(30), 15);
    EXPECT_EQ(gf_secondsToNextQuarter(31), 14);

    // With Initial Load Only on, "Now" is disabled; off again, it comes back as allowed.
    m_window->click(INITIAL_LOAD_ONLY.controlId);
    EXPECT_EQ(status(), "Initial Load Only: static parked aircraft are generated once, no renewal every 20 minutes");
    EXPECT_FALSE(gf_controls().isEnabled(g_nowButton.controlId));
    m_window->click(INITIAL_LOAD_ONLY.controlId);
    EXPECT_TRUE(gf_controls().isEnabled(g_nowButton.controlId));
}

TEST(AutoRangeTest, RadiusByStateAndDistance) {
    EXPECT_EQ(gf_autoRangeNm(true, 30000, 18000, 7000, 3.0), 10);
    EXPECT_EQ(gf_autoRangeNm(false, 20000, 18000, 7000, 3.0), 100);
    EXPECT_EQ(gf_autoRangeNm(false, 8000, 18000, 7000, 3.0), 40);
    EXPECT_EQ(gf_autoRangeNm(false, 1000, 18000, 7000, std::nullopt), 40);
    // Below the airport height: by the distance of the nearest park airport, each step at its lower bound.
    const std::pair<double, std::int32_t> steps[] = {{7.0, 10},  {7.4, 8},   {8.6, 10},  {10.6, 12}, {12.6, 14},
                                                     {14.6, 16}, {16.6, 18}, {18.6, 20}, {22.6, 25}, {27.6, 30},
                                                     {32.6, 35}, {36.9, 35}, {37.0, 40}};
    for (const auto& [nm, range] : steps)
        EXPECT_EQ(gf_autoRangeNm(false, 1000, 18000, 7000, nm), range) << nm;
}
