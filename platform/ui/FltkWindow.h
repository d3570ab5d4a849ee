#pragma once
// The FLTK backend of the main window (used when a display is present).
#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Window.h"

class Fl_Widget;
class Fl_Double_Window;

namespace skf {

class FltkMainWindow;

class FltkWindow : public WindowBackend {
public:
    explicit FltkWindow(ControlModel& controls);
    ~FltkWindow() override;

    const char* name() const override { return "fltk"; }
    bool create(const std::string& title, int x, int y, int width, int height) override;
    bool exists() const override { return m_exists.load(); }
    void setHandler(WindowHandler* handler) override { m_handler = handler; }
    int run() override;
    void quit(int code) override;
    void invalidate(std::uint32_t bands) override;
    bool position(int& x, int& y) const override;
    void move(int x, int y) override;
    WorkArea workArea(int x, int y, int width, int height) const override;
    void setAlwaysOnTop(bool onTop) override;
    bool alwaysOnTop() const override { return m_onTop; }
    MessageBoxAnswer messageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon,
                                MessageBoxButtons buttons) override;
    bool captureRgb(std::vector<std::uint8_t>& rgb, int& width, int& height) override;

    // Window thread: handles queued messages, brings the widgets up to date and lets FLTK draw
    // (waiting at most seconds). Returns false once quit() was called.
    bool step(double seconds);
    // The widget of a control (null when none), for tests.
    Fl_Widget* widget(std::uint16_t id) const;
    Fl_Double_Window* window() const;

    // Called by the widgets' callbacks.
    void onWidget(Fl_Widget* widget);
    void onWindowClose();
    void paint();

private:
    void syncWidgets();

    ControlModel& m_controls;
    WindowHandler* m_handler = nullptr;
    std::unique_ptr<FltkMainWindow> m_window;
    std::map<std::uint16_t, Fl_Widget*> m_widgets;
    std::map<std::uint16_t, std::vector<std::string>> m_shownItems;
    std::map<std::uint16_t, std::vector<std::string>> m_itemLabels; // texts of the combo boxes' menus
    std::atomic<bool> m_exists{false};
    std::atomic<bool> m_quit{false};
    std::atomic<bool> m_controlsDirty{true};
    int m_quitCode = 0;
    bool m_onTop = false;
    bool m_syncing = false;
};

} // namespace skf
