#include "WindowFixture.h"

#include <atomic>

#include "app/ShellThreads.h"
#include "liveries/LiveryServices.h"

using namespace skf;
using namespace skf::test;

namespace {

struct Expected {
    std::uint16_t id;
    ControlKind kind;
    int x;
    int y; // top of the control
    int width;
    int height;
};

// Every control of the window: id, kind and place (check boxes 2 px below their row, combo boxes 5 px above).
const std::vector<Expected> kControls = {
    {0x8015, ControlKind::ComboBox, 5, 114, 105, 21},    {0x8014, ControlKind::EditField, 111, 119, 1200, 16},
    {0x801E, ControlKind::CheckBox, 5, 149, 12, 12},     {0x801F, ControlKind::CheckBox, 217, 149, 12, 12},
    {0x8016, ControlKind::ComboBox, 323, 142, 175, 21},  {0x8020, ControlKind::CheckBox, 536, 149, 12, 12},
    {0x8003, ControlKind::CheckBox, 748, 149, 12, 12},   {0x8022, ControlKind::CheckBox, 5, 177, 12, 12},
    {0x8024, ControlKind::Button, 217, 175, 80, 20},     {0x8007, ControlKind::CheckBox, 652, 177, 12, 12},
    {0x8006, ControlKind::CheckBox, 748, 177, 12, 12},   {0x8028, ControlKind::ComboBox, 217, 198, 40, 21},
    {0x8029, ControlKind::CheckBox, 323, 205, 12, 12},   {0x802A, ControlKind::CheckBox, 430, 205, 12, 12},
    {0x802B, ControlKind::CheckBox, 536, 205, 12, 12},   {0x8008, ControlKind::CheckBox, 652, 205, 12, 12},
    {0x8005, ControlKind::CheckBox, 748, 205, 12, 12},   {0x8032, ControlKind::ComboBox, 217, 226, 50, 21},
    {0x8033, ControlKind::CheckBox, 323, 233, 12, 12},   {0x8034, ControlKind::ComboBox, 455, 226, 70, 21},
    {0x8035, ControlKind::CheckBox, 572, 233, 12, 12},   {0x8042, ControlKind::CheckBox, 217, 289, 12, 12},
    {0x8041, ControlKind::CheckBox, 323, 289, 12, 12},   {0x8043, ControlKind::CheckBox, 430, 289, 12, 12},
    {0x803C, ControlKind::EditField, 107, 259, 100, 16}, {0x803D, ControlKind::Button, 223, 257, 60, 20},
    {0x803E, ControlKind::Button, 305, 257, 60, 20},     {0x803F, ControlKind::ComboBox, 375, 254, 100, 21},
    {0x8040, ControlKind::Button, 576, 257, 60, 20},     {0x804F, ControlKind::Button, 111, 313, 45, 20},
    {0x8050, ControlKind::ComboBox, 323, 310, 55, 21},   {0x8051, ControlKind::ComboBox, 536, 310, 55, 21},
    {0x8047, ControlKind::EditField, 217, 343, 50, 16},  {0x8048, ControlKind::ComboBox, 353, 338, 45, 21},
    {0x8049, ControlKind::ComboBox, 566, 338, 70, 21},   {0x8057, ControlKind::CheckBox, 652, 317, 12, 12},
    {0x8053, ControlKind::CheckBox, 5, 373, 12, 12},     {0x8055, ControlKind::CheckBox, 71, 373, 12, 12},
    {0x8054, ControlKind::CheckBox, 151, 373, 12, 12},   {0x8052, ControlKind::ComboBox, 323, 366, 50, 21},
    {0x8056, ControlKind::ComboBox, 566, 366, 60, 21},   {0x8046, ControlKind::Button, 758, 341, 90, 20},
    {0x8059, ControlKind::Button, 758, 369, 90, 20},
};

} // namespace

using MainWindowTest = WindowFixture;

TEST_F(MainWindowTest, EveryControlExistsWithItsIdKindPlaceAndInitialState) {
    open();
    EXPECT_EQ(m_window->title(), "Skyfill");
    EXPECT_EQ(m_window->width(), 880);
    EXPECT_EQ(m_window->height(), 516);
    ASSERT_EQ(gf_controls().ids().size(), kControls.size());
    int checks = 0, combos = 0, edits = 0, buttons = 0;
    for (const Expected& e : kControls) {
        SCOPED_TRACE(e.id);
        auto c = gf_controls().get(e.id);
        ASSERT_TRUE(c);
        EXPECT_EQ(c->kind, e.kind);
        EXPECT_EQ(c->x, e.x);
        EXPECT_EQ(c->y, e.y);
        EXPECT_EQ(c->width, e.width);
        EXPECT_EQ(c->height, e.height);
        switch (e.kind) {
        case ControlKind::CheckBox:
            ++checks;
            EXPECT_TRUE(c->enabled);
            break;
        case ControlKind::ComboBox:
            ++combos;
            break;
        case ControlKind::EditField:
            ++edits;
            EXPECT_FALSE(c->enabled);
            break;
        case ControlKind::Button:
            ++buttons;
            EXPECT_FALSE(c->enabled);
            EXPECT_FALSE(c->text.empty());
            break;
        case ControlKind::Label:
            break;
        }
    }
    EXPECT_EQ(checks, 21);
    EXPECT_EQ(combos, 12);
    EXPECT_EQ(edits, 3);
    EXPECT_EQ(buttons, 7);
    // Check marks follow the settings' values.
    for (CheckBoxParameter* box : g_checkBoxParams)
        EXPECT_EQ(gf_controls().isChecked(box->controlId), box->value());
    EXPECT_EQ(gf_controls().text(0x8046), "Re-read");
    EXPECT_EQ(gf_controls().text(0x803E), "cs->oid:");
    // The combo boxes of fixed choices have their entries, with the current value selected.
    for (IntChoiceParameter* choice : {&MATCHING_DEPTH, &RANGE, &AR_ABOVE_HEIGHT, &MAX_PARK_SEL, &MAX_LIVE_SEL,
                                       &AIRP_RANGE, &AIRP_HEIGHT, &parking_percentage}) {
        SCOPED_TRACE(choice->key);
        const auto items = gf_controls().items(choice->controlId);
        ASSERT_EQ(items.size(), choice->choices.size());
        EXPECT_EQ(items.front(), std::to_string(choice->choices.front()));
        EXPECT_EQ(gf_controls().selectedText(choice->controlId), std::to_string(choice->value()));
    }
    EXPECT_EQ(gf_controls().items(CALLSIGN_2_OBJECTID.controlId), std::vector<std::string>{""});
    SIM_CHOICE.fillCombo();
    EXPECT_EQ(gf_controls().items(0x8015), (std::vector<std::string>{"MSFS 2020", "MSFS 2024"}));
    EXPECT_EQ(gf_controls().selectedText(0x8015), SIM_CHOICE.value());
}

TEST_F(MainWindowTest, UnreadableSettingsFileIsSavedAsBackupAndWindowOpensAtDefault) {
    std::filesystem::remove(g_dataFolder / "parameters.xml.bak"); // no good copy to fall back on
    { std::ofstream(g_parametersPath) << "this is not <xml"; }
    open();
    EXPECT_NE(log().find("failed to load ("), std::string::npos);
    EXPECT_NE(log().find("Saved as " + (g_dataFolder / "parameters0.xml").string() + " and removed"),
              std::string::npos);
    EXPECT_EQ(readFile(g_dataFolder / "parameters0.xml"), "this is not <xml");
    EXPECT_FALSE(std::filesystem::exists(g_parametersPath));
    int x = 0, y = 0;
    ASSERT_TRUE(m_window->position(x, y));
    EXPECT_EQ(x, 400);
    EXPECT_EQ(y, 20);
}

TEST_F(MainWindowTest, UnreadableSettingsFileGivesWayToTheLastGoodCopyAndItsPosition) {
    MAIN_WINDOW_X.set(300);
    MAIN_WINDOW_Y.set(200);
    gf_saveParameters(false);
    MAIN_WINDOW_X.set(MAIN_WINDOW_X.defaultVal());
    MAIN_WINDOW_Y.set(MAIN_WINDOW_Y.defaultVal());
    { std::ofstream(g_parametersPath) << "<root><parameters><parameter name=\"MAIN_"; } // cut
    open();
    EXPECT_NE(log().find("Saved as " + (g_dataFolder / "parameters0.xml").string() +
                         "; the settings come from the last good copy " +
                         (g_dataFolder / "parameters.xml.bak").string()),
              std::string::npos);
    EXPECT_EQ(readFile(g_dataFolder / "parameters0.xml"), "<root><parameters><parameter name=\"MAIN_");
    EXPECT_EQ(readFile(g_parametersPath), readFile(g_dataFolder / "parameters.xml.bak"));
    int x = 0, y = 0;
    ASSERT_TRUE(m_window->position(x, y));
    EXPECT_EQ(x, 300);
    EXPECT_EQ(y, 200);
}

TEST_F(MainWindowTest, StoredPositionAtALimitOrOffScreenIsBroughtBack) {
    MAIN_WINDOW_X.set(-30000);
    MAIN_WINDOW_Y.set(5000);
    gf_saveParameters(false);
    open();
    int x = 0, y = 0;
    ASSERT_TRUE(m_window->position(x, y));
    EXPECT_EQ(x, 400);       // limit: back to the default
    EXPECT_EQ(y, 1024 - 48); // off the work area: 48 pixels inside it
    EXPECT_EQ(stored("MAIN_WINDOW_X"), "400");
    EXPECT_EQ(stored("MAIN_WINDOW_Y"), "976");
}

TEST_F(MainWindowTest, AStoredTopEdgeAtALimitIsBroughtBackToTheDefault) {
    MAIN_WINDOW_Y.set(-30000);
    gf_saveParameters(false);
    open();
    int x = 0, y = 0;
    ASSERT_TRUE(m_window->position(x, y));
    EXPECT_EQ(x, 400);
    EXPECT_EQ(y, 20);
    EXPECT_EQ(stored("MAIN_WINDOW_Y"), "20");
}

TEST_F(MainWindowTest, CloseButtonStopsTheRunAndTheFirstExitReasonStays) {
    open();
    gf_setStartUpFunction([] {});
    gf_raiseStop(ExitReason::NewSettings, 3);
    m_window->close();
    EXPECT_EQ(status(), "Close window button clicked, closing Skyfill ...");
    EXPECT_TRUE(g_shutDown.load());
    EXPECT_TRUE(g_stopRun.load());
    EXPECT_EQ(gf_exitReason(), ExitReason::NewSettings);
    EXPECT_EQ(gf_restartDelay(), 3);
    EXPECT_FALSE(m_window->quitRequested()); // closing down ends the loop, not the close button

    gf_resetStopState();
    m_window->close();
    EXPECT_EQ(gf_exitReason(), ExitReason::UserClosedSim);
    gf_setStartUpFunction(nullptr);
}

TEST_F(MainWindowTest, EndMessageSavesThePlacementAndQuitsWithTheExitCode) {
    open();
    m_window->move(700, 300);
    g_exitCode = 1;
    gf_postWindowMessage(WM_APP_CLOSED);
    m_window->pump();
    EXPECT_TRUE(m_window->quitRequested());
    EXPECT_EQ(m_window->quitCode(), 1);
    EXPECT_EQ(stored("MAIN_WINDOW_X"), "700");
    EXPECT_EQ(stored("MAIN_WINDOW_Y"), "300");
    g_exitCode = 0;
}

// A start and a close leave every stored window setting as it was, the default position among them.
TEST_F(MainWindowTest, StartAndCloseKeepEveryStoredWindowSetting) {
    const std::pair<int, int> positions[] = {{400, 20}, {0, 0}, {-500, 20}, {1200, 970}};
    for (const auto& [x, y] : positions) {
        SCOPED_TRACE(::testing::Message() << x << "," << y);
        MAIN_WINDOW_X.set(x);
        MAIN_WINDOW_Y.set(y);
        ALWAYS_ON_TOP.set(true);
        gf_saveParameters(false);
        const std::string before = parameters();
        open();
        int shownX = 0, shownY = 0;
        ASSERT_TRUE(m_window->position(shownX, shownY));
        EXPECT_EQ(shownX, x);
        EXPECT_EQ(shownY, y);
        gf_postWindowMessage(WM_APP_CLOSED);
        m_window->pump();
        ASSERT_TRUE(m_window->quitRequested());
        EXPECT_EQ(parameters(), before);
        ASSERT_TRUE(m_window->position(shownX, shownY)); // the closed window still knows where it was
        EXPECT_EQ(shownX, x);
        m_window->setHandler(nullptr);
        gf_setMainWindowBackend(nullptr);
        gf_controls().clear();
        m_window = std::make_unique<HeadlessWindow>(gf_controls());
    }
    ALWAYS_ON_TOP.set(false);
}

TEST_F(MainWindowTest, StartMessageStartsTheRegisteredStartUpAndLeavesTheLiveryTablesToIt) {
    open();
    std::atomic<int> runs{0};
    gf_setStartUpFunction([&] { ++runs; });
    gf_requestLiveryReset();
    g_liveriesProcessed = true;
    gf_postWindowMessage(WM_APP_START);
    m_window->pump();
    EXPECT_TRUE(gf_joinShellThreads(std::chrono::seconds(10)));
    EXPECT_EQ(runs.load(), 1);
    EXPECT_TRUE(g_liveriesProcessed);         // the window never touches the tables
    EXPECT_TRUE(gf_takeLiveryResetRequest()); // the start-up thread takes the request
    g_liveriesProcessed = false;
    gf_setStartUpFunction(nullptr);
}

TEST_F(MainWindowTest, StatusErrorIsLoggedAndRefusedTextsAreNot) {
    gf_setError("150: No install path detected");
    gf_setStatus("dropped", true);
    gf_setStatus("kept in the log", true); // still refused
    gf_clearError();
    gf_setStatus("after the error", true);
    const std::string text = log();
    EXPECT_NE(text.find("Error 150: No install path detected"), std::string::npos);
    EXPECT_EQ(text.find("dropped"), std::string::npos);
    EXPECT_EQ(text.find("kept in the log"), std::string::npos);
    EXPECT_NE(text.find("after the error"), std::string::npos);
}
