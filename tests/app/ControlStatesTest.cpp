// What the lower layers decide about the window's controls reaches them at the window's next turn, in the
// order it was decided: the parking lock around a static-parking calculation, the park airport's stands, the
// live callsign list, a learned file's per-airport settings and the warning boxes.
#include <chrono>
#include <map>
#include <thread>
#include <vector>

#include "WindowFixture.h"
#include "app/ControlCommands.h"
#include "app/ControlStates.h"
#include "core/ControlFields.h"
#include "data/apf/ApfFixture.h"
#include "traffic/EngineServices.h"
#include "traffic/EngineState.h"
#include "traffic/ParkAirport.h"

namespace skf::test {
namespace {

class ControlStatesTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        open();
        g_nowAllowed = true;
        gf_bindEngineThread();
    }
    void TearDown() override {
        gf_engineState() = EngineState{};
        g_parkingBusy = false;
        WindowFixture::TearDown();
    }
    static bool enabled(const ParameterControl& control) { return control.isEnabled(); }
};

const ParameterControl* const kParkingControls[] = {&parking_percentage,  &MAX_FIT_FL,     &MAX_PARK_SEL,
                                                    &MAX_LIVE_SEL,        &WEEK,           &PARK_SOFT,
                                                    &g_flushStaticButton, &g_reReadButton, &g_nowButton};

TEST_F(ControlStatesTest, DecisionsReachTheControlsAtTheNextTurnInTheirOrder) {
    using F = ControlField;
    const struct {
        const char* what;
        std::vector<std::pair<F, bool>> changes; // in this order, between two turns of the window
        std::map<const ParameterControl*, bool> expected;
    } rows[] = {
        {"a calculation locks", {{F::ParkingBusy, true}}, {{&parking_percentage, false}, {&g_nowButton, false}}},
        {"and unlocks", {{F::ParkingBusy, false}}, {{&MAX_FIT_FL, true}, {&g_reReadButton, true}}},
        {"locked and unlocked between two turns",
         {{F::ParkingBusy, true}, {F::ParkingBusy, false}},
         {{&WEEK, true}, {&g_flushStaticButton, true}}},
        {"an unlock, then the park airport released",
         {{F::ParkingBusy, false}, {F::ParkStands, false}},
         {{&g_flushStaticButton, false}, {&g_nowButton, false}, {&parking_percentage, true}}},
        {"released, then an unlock",
         {{F::ParkStands, false}, {F::ParkingBusy, false}},
         {{&g_flushStaticButton, true}, {&g_nowButton, true}}},
        {"stands loaded", {{F::ParkStands, true}}, {{&g_flushStaticButton, true}}},
        {"callsigns listed",
         {{F::LiveCallsigns, true}},
         {{&CALLSIGN_2_OBJECTID, true}, {&g_blockButton, true}, {&g_unblockButton, false}}},
        {"the list emptied",
         {{F::LiveCallsigns, false}},
         {{&CALLSIGN_2_OBJECTID, false}, {&g_blockButton, false}, {&g_unblockButton, true}}},
        {"a learned first load only", {{F::AirportLoadOnly, true}}, {{&g_nowButton, false}}},
        {"and without it", {{F::AirportLoadOnly, false}}, {{&g_nowButton, true}}},
        {"a destination may be typed", {{F::Destination, true}}, {{&DESTINATION, true}}},
        {"no helicopter liveries",
         {{F::RotorLiveries, false}, {F::LightLiveries, true}},
         {{&HELICOPTERS, false}, {&LIGHT_AIRCRAFT, true}}},
        {"the tblo archive made", {{F::TbloArchive, true}}, {{&g_tbloZipButton, true}}},
    };
    for (const auto& row : rows) {
        g_unblockButton.enable();
        for (const auto& [field, value] : row.changes)
            gf_setControlField(field, value);
        m_window->pump();
        for (const auto& [control, on] : row.expected)
            EXPECT_EQ(enabled(*control), on) << row.what << " " << std::hex << control->controlId;
    }
}

TEST_F(ControlStatesTest, AStaticParkingCalculationThatEndsUnlocksAtTheNextTurn) {
    gf_announceStaticUpdate(); // "Now"
    EXPECT_TRUE(g_parkingBusy.load());
    m_window->pump();
    for (const ParameterControl* control : kParkingControls)
        EXPECT_FALSE(enabled(*control)) << std::hex << control->controlId;
    g_mainWindow.minutesToNextUpdate = 3;
    gf_updateStaticParking(false); // nothing left to place: the calculation is over
    EXPECT_FALSE(g_parkingBusy.load());
    EXPECT_EQ(g_mainWindow.minutesToNextUpdate.load(), 20);
    m_window->pump();
    for (const ParameterControl* control : kParkingControls)
        EXPECT_TRUE(enabled(*control)) << std::hex << control->controlId;
}

TEST_F(ControlStatesTest, TheLiveCallsignListOpensAndClosesItsControls) {
    LiveAircraft a;
    a.callsign = "KLM12";
    a.simStatus = SimStatus::active;
    a.phase = FlightPhase::flying;
    for (const bool any : {true, false, true}) {
        g_liveAircraft.clear();
        if (any)
            g_liveAircraft.push_back(a);
        g_unblockButton.enable();
        gf_fillLiveCallsignList();
        m_window->pump();
        EXPECT_EQ(enabled(CALLSIGN_2_OBJECTID), any);
        EXPECT_EQ(enabled(g_blockButton), any);
        EXPECT_EQ(enabled(g_unblockButton), !any);
    }
    gf_resetLiveCallsignList();
    m_window->pump();
    EXPECT_FALSE(enabled(CALLSIGN_2_OBJECTID));
    EXPECT_FALSE(enabled(g_blockButton));
}

TEST_F(ControlStatesTest, AWarningBoxShowsAtTheNextTurn) {
    gf_setMainWindowBackend(m_window.get());
    gf_requestWarningBox("Could not open local folder with Manual");
    EXPECT_TRUE(m_window->messageBoxes().empty());
    m_window->pump();
    EXPECT_EQ(m_window->messageBoxes(), std::vector<std::string>{"SKFL: Could not open local folder with Manual"});

    // Asked for just before the end: the window takes no more turns once it quits, so it shows the box first.
    gf_requestWarningBox("Could not open File Explorer at new version");
    lf_onClosedMessage();
    EXPECT_TRUE(m_window->quitRequested());
    EXPECT_EQ(m_window->messageBoxes().back(), "SKFL: Could not open File Explorer at new version");
}

// A caller that waits for its box goes on once the user closed it; it does not wait without a window loop that
// shows boxes, nor on the window's own thread, and stops waiting when the loop ends.
TEST_F(ControlStatesTest, AWaitingWarningGoesOnOnceTheBoxIsClosed) {
    gf_setMainWindowBackend(m_window.get());
    const auto shown = [this] { return m_window->messageBoxes().size(); };
    EXPECT_FALSE(gf_requestWarningBoxAndWait("no loop yet")); // returns at once; the box waits for the window
    m_window->pump();
    EXPECT_EQ(shown(), 1U);

    gf_setWarningBoxesShown(true); // this thread runs the window's loop
    EXPECT_FALSE(gf_requestWarningBoxAndWait("on the window's thread"));
    m_window->pump();
    EXPECT_EQ(shown(), 2U);

    bool closed = false;
    std::thread caller([&] { closed = gf_requestWarningBoxAndWait("from another thread"); });
    for (int i = 0; i < 5000 && shown() < 3; ++i) {
        m_window->pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    caller.join();
    EXPECT_TRUE(closed);
    EXPECT_EQ(m_window->messageBoxes().back(), "SKFL: from another thread");

    closed = true;
    std::thread late([&] { closed = gf_requestWarningBoxAndWait("as the loop ends"); });
    gf_setWarningBoxesShown(false);
    late.join();
    EXPECT_FALSE(closed);
    m_window->pump(); // taken by the next window
}

// ---- A learned file's per-airport settings

const std::string kLocal = "airports/my_simaddon/EHAM.xml";
const std::string kLearned = "airports/learned/my_simaddon/EHAM.xml";

std::string lf_airportFile() {
    return "<?xml version=\"1.0\"?>\n<root>\n" + lf_meta() + R"(  <parameters>
    <parameter name="airport_name" value="Amsterdam Schiphol"/>
    <parameter name="publisher" value="simaddon"/>
    <parameter name="altitude" value="-11"/>
    <parameter name="Qf_real" value="63"/>
    <parameter name="Qf_soft" value="12"/>
  </parameters>
  <parkpositions>
    <parkpos id="A1" latitude="52.300000" longitude="4.760000" heading="90.0" radius="30.0"/>
  </parkpositions>
</root>
)";
}

std::string lf_learnedFile(std::string_view parameters) {
    return "<?xml version=\"1.0\"?>\n<root>\n" + lf_meta("11.11.3", false) + "  <parameters>\n" +
           std::string(parameters) + "  </parameters>\n  <parkpositions>\n  </parkpositions>\n</root>\n";
}

class LearnedControlsTest : public ApfTest {
protected:
    static std::string lf_read() {
        g_stands.clear();
        const std::string error = gf_readApf(kLocal, g_parkApfInfo);
        gf_applyControlStates(); // the window's next turn
        return error;
    }
};

TEST_F(LearnedControlsTest, LearnedSettingsReachTheirControlsAndTheRangeMode) {
    gf_applyControlStates(); // what earlier tests left
    ControlModel& controls = gf_controls();
    controls.clear();
    ControlState now;
    now.id = g_nowButton.controlId;
    now.kind = ControlKind::Button;
    controls.create(now);
    ControlState week;
    week.id = WEEK.controlId;
    week.kind = ControlKind::CheckBox;
    controls.create(week);
    ControlState flush;
    flush.id = g_flushStaticButton.controlId;
    flush.kind = ControlKind::Button;
    flush.enabled = false;
    controls.create(flush);
    g_nowAllowed = true;
    (void)gf_takeAutoRangeRequest();

    lf_writeFile(kLocal, lf_airportFile());
    lf_writeFile(kLearned, lf_learnedFile(R"(    <parameter name="airport_name" value="Amsterdam Schiphol"/>
    <parameter name="AUTO_RANGE" value="true"/>
    <parameter name="WEEK" value="true"/>
    <parameter name="INITIAL_LOAD_ONLY" value="true"/>
)"));
    EXPECT_EQ(lf_read(), "");
    EXPECT_TRUE(gf_takeAutoRangeRequest()); // the range mode applied: the automatic range is asked for
    EXPECT_TRUE(controls.isChecked(WEEK.controlId));
    EXPECT_FALSE(controls.isEnabled(g_nowButton.controlId)); // no "Now" while only the first load counts
    EXPECT_TRUE(controls.isEnabled(g_flushStaticButton.controlId));
    EXPECT_EQ(gf_statusSnapshot().statusText, ""); // the same airport name

    lf_writeFile(kLearned, lf_learnedFile("    <parameter name=\"INITIAL_LOAD_ONLY\" value=\"false\"/>\n"));
    EXPECT_EQ(lf_read(), "");
    EXPECT_TRUE(controls.isEnabled(g_nowButton.controlId)); // back to what the shell allows
    EXPECT_FALSE(gf_takeAutoRangeRequest());                // no AUTO_RANGE in the file: the range mode stays
    controls.clear();
}

TEST_F(LearnedControlsTest, ALearnedManualRangeLeavesTheStatusLineAlone) {
    gf_applyControlStates();
    lf_writeFile(kLocal, lf_airportFile());
    lf_writeFile(kLearned, lf_learnedFile("    <parameter name=\"AUTO_RANGE\" value=\"false\"/>\n"));
    g_stands.clear();
    EXPECT_EQ(gf_readApf(kLocal, g_parkApfInfo), "");
    gf_setStatus("a message that follows the read"); // say "no stands found"
    gf_applyControlStates();
    EXPECT_EQ(gf_statusSnapshot().statusText, "a message that follows the read");
    EXPECT_FALSE(gf_takeAutoRangeRequest());
}

} // namespace
} // namespace skf::test
