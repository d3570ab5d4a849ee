#include <gtest/gtest.h>

#include <FL/Fl_Choice.H>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <thread>

#include "platform/ui/HeadlessWindow.h"
#include "platform/ui/SingleInstance.h"

using namespace skf;

namespace {

struct Recorder : WindowHandler {
    std::vector<std::pair<std::uint16_t, Notification>> commands;
    std::vector<std::uint32_t> messages;
    int closes = 0;
    void onPaint(Painter& p) override {
        p.fillRect(0, 0, 10, 10, Colour{1, 2, 3});
        p.text(3, 455, "hello", Colour{255, 255, 0});
    }
    bool onCommand(std::uint16_t id, Notification code) override {
        commands.emplace_back(id, code);
        return true;
    }
    void onClose() override { ++closes; }
    void onMessage(const WindowMessage& m) override { messages.push_back(m.message); }
};

ControlState lf_control(std::uint16_t id, ControlKind kind, bool enabled = true) {
    ControlState c;
    c.id = id;
    c.kind = kind;
    c.enabled = enabled;
    return c;
}

} // namespace

TEST(HeadlessWindowTest, DriverSendsOnlyUserInputAsCommands) {
    ControlModel model;
    HeadlessWindow win(model);
    Recorder rec;
    win.setHandler(&rec);
    ASSERT_TRUE(win.create("Skyfill", 400, 20, 880, 516));
    model.create(lf_control(1, ControlKind::CheckBox));
    model.create(lf_control(2, ControlKind::ComboBox));
    model.create(lf_control(3, ControlKind::EditField));
    model.create(lf_control(4, ControlKind::Button, false));
    model.setItems(2, {"a", "b"});

    // Program changes: no commands.
    model.setChecked(1, true);
    model.setSelection(2, 1);
    model.setText(3, "x");
    EXPECT_TRUE(rec.commands.empty());

    EXPECT_TRUE(win.click(1));
    EXPECT_TRUE(model.isChecked(1)); // the box does not toggle by itself
    EXPECT_FALSE(win.click(4));      // disabled
    EXPECT_FALSE(win.click(3));      // not clickable
    EXPECT_TRUE(win.choose(2, 0));
    EXPECT_EQ(model.selection(2), 0);
    EXPECT_FALSE(win.choose(2, 5));
    EXPECT_TRUE(win.type(3, "eddf"));
    EXPECT_TRUE(win.pressEnter(3));
    EXPECT_EQ(model.text(3), "eddf");
    win.close();
    ASSERT_EQ(rec.commands.size(), 3U);
    EXPECT_EQ(rec.commands[0], std::make_pair(std::uint16_t{1}, Notification::Clicked));
    EXPECT_EQ(rec.commands[1], std::make_pair(std::uint16_t{2}, Notification::SelChange));
    EXPECT_EQ(rec.commands[2], std::make_pair(std::uint16_t{3}, Notification::EnterKey));
    EXPECT_EQ(rec.closes, 1);

    const auto& list = win.paint();
    ASSERT_EQ(list.size(), 2U);
    ASSERT_TRUE(win.findText("hello"));
    EXPECT_EQ(win.findText("hello")->y0, 455);
    EXPECT_EQ(win.findText("hello")->colour, (Colour{255, 255, 0}));
}

TEST(HeadlessWindowThreads, PostedMessagesAndMessageBoxesFromOtherThreads) {
    gf_windowQueue().clear();
    ControlModel model;
    HeadlessWindow win(model);
    Recorder rec;
    win.setHandler(&rec);
    win.create("Skyfill", 0, 0, 880, 516);
    gf_setMainWindowBackend(&win);
    win.setMessageBoxAnswer(MessageBoxAnswer::Yes);

    MessageBoxAnswer answer = MessageBoxAnswer::Ok;
    std::thread worker([&] {
        gf_postWindowMessage(WM_APP_START);
        answer = gf_messageBox("Could not open", "SKFL", MessageBoxIcon::Exclamation, MessageBoxButtons::YesNo);
        gf_postWindowMessage(WM_APP_CLOSED, 7);
    });
    std::thread loop([&] {
        // The window thread: runs until the close message asks it to quit.
        struct Quitter : Recorder {
            HeadlessWindow* w = nullptr;
            void onMessage(const WindowMessage& m) override {
                Recorder::onMessage(m);
                if (m.message == WM_APP_CLOSED)
                    w->quit(static_cast<int>(m.wParam));
            }
        } quitter;
        quitter.w = &win;
        win.setHandler(&quitter);
        EXPECT_EQ(win.run(), 7);
        EXPECT_EQ(quitter.messages, (std::vector<std::uint32_t>{WM_APP_START, WM_APP_CLOSED}));
        win.setHandler(&rec);
    });
    worker.join();
    loop.join();
    EXPECT_EQ(answer, MessageBoxAnswer::Yes);
    EXPECT_EQ(win.messageBoxes(), std::vector<std::string>{"SKFL: Could not open"});
    gf_setMainWindowBackend(nullptr);
    // Without a window the answer is the safe one.
    EXPECT_EQ(gf_messageBox("t", "c", MessageBoxIcon::Question, MessageBoxButtons::YesNo), MessageBoxAnswer::No);
}

TEST(HeadlessWindowTest, TerminationRequestBeforeTheLoopClosesTheWindowOnce) {
    struct Closer : Recorder {
        HeadlessWindow* window = nullptr;
        void onClose() override {
            Recorder::onClose();
            window->quit(3);
        }
    };
    gf_windowQueue().clear();
    ControlModel model;
    HeadlessWindow win(model);
    Closer handler;
    handler.window = &win;
    win.setHandler(&handler);
    ASSERT_TRUE(win.create("Skyfill", 0, 0, 880, 516));
    // The request comes while the window is still being set up: it is kept until the loop runs.
    gf_catchCloseSignals();
    ASSERT_EQ(std::raise(SIGTERM), 0);
    EXPECT_EQ(win.run(), 3);
    EXPECT_EQ(handler.closes, 1);
    EXPECT_FALSE(gf_takeCloseSignal()); // taken by the loop
}

TEST(MenuTextTest, EscapedItemsShowAsTheyAre) {
    const std::vector<std::string> texts = {"MSFS 2020", "AIG/FSLTL",   "a_b",   "_x",
                                            "R&D",       "back\\slash", "@home", "x|y"};
    Fl_Choice choice(0, 0, 100, 20);
    for (const auto& t : texts)
        choice.add(gf_escapeMenuText(t).c_str(), 0, nullptr, nullptr, 0);
    ASSERT_EQ(choice.size() - 1, static_cast<int>(texts.size()));
    // Slash, underscore and backslash come out as typed; & and @ are kept doubled for the drawing.
    EXPECT_STREQ(choice.menu()[1].label(), "AIG/FSLTL");
    EXPECT_STREQ(choice.menu()[2].label(), "a_b");
    EXPECT_STREQ(choice.menu()[3].label(), "_x");
    EXPECT_STREQ(choice.menu()[4].label(), "R&&D");
    EXPECT_STREQ(choice.menu()[5].label(), "back\\slash");
    EXPECT_STREQ(choice.menu()[6].label(), "@@home");
    EXPECT_STREQ(choice.menu()[7].label(), "x|y");
}

TEST(MenuTextTest, LabelTextsKeepTheirShortcutAndSymbolMarks) {
    EXPECT_EQ(gf_escapeLabelText("R&D @home a/b_c"), "R&&D @@home a/b_c");
    EXPECT_EQ(gf_escapeLabelText("a\tb"), "a b");
    EXPECT_EQ(gf_escapeLabelText(""), "");
}

TEST(SingleInstanceTest, SecondProcessIsRefused) {
    const std::string name = "Local\\$SKFL-test-" + std::to_string(::getpid()) + "$";
    EXPECT_EQ(gf_instanceLockPath(name).filename().string().find('\\'), std::string::npos);
    ASSERT_EQ(gf_acquireSingleInstance(name), InstanceLock::Acquired);
    EXPECT_EQ(gf_acquireSingleInstance(name), InstanceLock::Acquired);
    // Another process (flock(1)) cannot take the lock while this one holds it.
    const std::string cmd = "flock -n '" + gf_instanceLockPath(name).string() + "' true";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 0);
    std::filesystem::remove(gf_instanceLockPath(name));
}
