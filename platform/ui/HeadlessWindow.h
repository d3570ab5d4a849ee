#pragma once
// The window without a display: the same controls (the ControlModel), the same messages and painting,
// with a display list of what was painted and a driver that plays the user (tests).
//
// The thread that calls the driver and pump() is the window thread.
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Window.h"

namespace skf {

// Without a font the width of a text is taken as this many pixels a character (Helvetica 13 averages 6 to 7).
inline constexpr int kHeadlessCharWidth = 6;
int gf_headlessTextWidth(const std::string& text);

struct DisplayItem {
    enum class Kind { Rect, Line, Text };
    Kind kind = Kind::Rect;
    int x0 = 0;
    int y0 = 0;
    int x1 = 0; // Rect: right edge (excluded); Line: end point; Text: right edge of its clip
    int y1 = 0; // Text: bottom edge of its clip
    std::string text;
    Font font;
    Colour colour;
};

class HeadlessWindow : public WindowBackend {
public:
    explicit HeadlessWindow(ControlModel& controls);
    ~HeadlessWindow() override;

    const char* name() const override { return "headless"; }
    bool create(const std::string& title, int x, int y, int width, int height) override;
    bool exists() const override { return m_exists.load(); }
    void setHandler(WindowHandler* handler) override { m_handler = handler; }
    int run() override;
    void quit(int code) override;
    void invalidate(std::uint32_t bands) override;
    bool position(int& x, int& y) const override;
    void move(int x, int y) override;
    WorkArea workArea(int x, int y, int width, int height) const override;
    void setAlwaysOnTop(bool onTop) override { m_onTop = onTop; }
    bool alwaysOnTop() const override { return m_onTop; }
    MessageBoxAnswer messageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon,
                                MessageBoxButtons buttons) override;
    bool captureRgb(std::vector<std::uint8_t>& rgb, int& width, int& height) override;

    // Driver: user input. Each returns false (and does nothing) when the control does not exist, is
    // disabled or is of the wrong kind.
    bool click(std::uint16_t id);
    bool choose(std::uint16_t id, int index);
    bool chooseText(std::uint16_t id, const std::string& item);
    bool openDropDown(std::uint16_t id);
    bool type(std::uint16_t id, const std::string& text); // replaces the field's text
    bool pressEnter(std::uint16_t id);
    void close(); // the window's close button
    // Any thread: queues input that run() plays on the window thread (the user of a test whose window
    // loop runs on a thread of its own).
    void playAsUser(std::function<void(HeadlessWindow&)> input);

    // Handles every queued message; returns how many.
    int pump();
    // Paints the whole window now and returns the display list.
    const std::vector<DisplayItem>& paint();
    const std::vector<DisplayItem>& displayList() const { return m_display; }
    std::optional<DisplayItem> findText(const std::string& text) const;
    std::vector<DisplayItem> textsAt(int x, int y) const;

    std::string title() const { return m_title; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    bool quitRequested() const { return m_quit.load(); }
    int quitCode() const { return m_quitCode.load(); }
    std::uint32_t invalidatedBands() const { return m_invalid; }

    // Message boxes: the answer given, and the texts shown ("caption: text").
    void setMessageBoxAnswer(MessageBoxAnswer answer) { m_answer = answer; }
    std::vector<std::string> messageBoxes() const;
    // Runs on the window thread while a box is up ("caption: text"), before the user's answer: what the
    // program does meanwhile can be looked at there. Set before the loop runs.
    void whileMessageBox(std::function<void(const std::string&)> look) { m_whileBox = std::move(look); }

    // Work area reported for every rectangle (default 0,0 1280x1024).
    void setWorkArea(const WorkArea& area) { m_workArea = area; }

private:
    bool command(std::uint16_t id, Notification code);

    ControlModel& m_controls;
    WindowHandler* m_handler = nullptr;
    std::atomic<bool> m_exists{false};
    std::atomic<bool> m_quit{false};
    std::atomic<int> m_quitCode{0};
    std::string m_title;
    int m_x = 0;
    int m_y = 0;
    int m_width = 0;
    int m_height = 0;
    bool m_onTop = false;
    std::uint32_t m_invalid = 0;
    std::vector<DisplayItem> m_display;
    MessageBoxAnswer m_answer = MessageBoxAnswer::Ok;
    std::mutex m_inputMutex;
    std::vector<std::function<void(HeadlessWindow&)>> m_inputs;
    mutable std::mutex m_boxMutex;
    std::vector<std::string> m_boxes;
    std::function<void(const std::string&)> m_whileBox;
    WorkArea m_workArea{0, 0, 1280, 1024};
};

} // namespace skf
