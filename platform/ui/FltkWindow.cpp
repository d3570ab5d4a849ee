#include "platform/ui/FltkWindow.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <climits>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace skf {

namespace {

constexpr Fl_Font TEXT_FONT = FL_HELVETICA;
constexpr int TEXT_SIZE = 13;
constexpr int CONTROL_TEXT_SIZE = 12;

class FltkPainter : public Painter {
public:
    void fillRect(int x0, int y0, int x1, int y1, Colour colour) override {
        if (x1 <= x0 || y1 <= y0)
            return;
        fl_color(colour.r, colour.g, colour.b);
        fl_rectf(x0, y0, x1 - x0, y1 - y0);
    }
    void line(int x0, int y0, int x1, int y1, Colour colour) override {
        fl_color(colour.r, colour.g, colour.b);
        fl_line_style(FL_SOLID, 1);
        fl_line(x0, y0, x1, y1);
    }
    void text(int x, int y, const std::string& text, Colour colour) override {
        fl_font(TEXT_FONT, TEXT_SIZE);
        fl_color(colour.r, colour.g, colour.b);
        // FLTK places text by its baseline: move the top-left corner down by the ascent.
        fl_draw(text.c_str(), static_cast<int>(text.size()), x, y + fl_height() - fl_descent());
    }
    Font font() const override { return Font{"Helvetica", TEXT_SIZE}; }
    int textWidth(const std::string& text) const override {
        fl_font(TEXT_FONT, TEXT_SIZE);
        return static_cast<int>(std::ceil(fl_width(text.c_str(), static_cast<int>(text.size()))));
    }
    void setClip(int x0, int y0, int x1, int y1) override {
        clearClip();
        fl_push_clip(x0, y0, std::max(x1 - x0, 0), std::max(y1 - y0, 0));
        m_clipped = true;
    }
    void clearClip() override {
        if (m_clipped)
            fl_pop_clip();
        m_clipped = false;
    }
    ~FltkPainter() override { clearClip(); }

private:
    bool m_clipped = false;
};

void lf_widgetCallback(Fl_Widget* widget, void* data);

} // namespace

class FltkMainWindow : public Fl_Double_Window {
public:
    FltkMainWindow(FltkWindow& owner, int x, int y, int w, int h, const char* title)
        : Fl_Double_Window(x, y, w, h), m_owner(owner) {
        copy_label(title);
        xclass(title);
    }

    void draw() override {
        m_owner.paint();
        // Every control is drawn again on top of the freshly painted bands.
        for (int i = 0; i < children(); ++i)
            draw_child(*child(i));
    }

    // Draws the whole client area into the current drawing surface (an off-screen image).
    void drawAll() { draw(); }

private:
    FltkWindow& m_owner;
};

namespace {

void lf_windowCallback(Fl_Widget*, void* data) {
    // Escape must not close the window; only the window's close button does.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape)
        return;
    static_cast<FltkWindow*>(data)->onWindowClose();
}

void lf_widgetCallback(Fl_Widget* widget, void* data) {
    static_cast<FltkWindow*>(data)->onWidget(widget);
}

} // namespace

FltkWindow::FltkWindow(ControlModel& controls) : m_controls(controls) {
    // Switches FLTK's thread support on before any other thread may wake the loop; the window thread (the
    // one that makes the backend) holds the lock from now on, FLTK releases it while it waits.
    Fl::lock();
    m_controls.setChangeListener([this](std::uint16_t) {
        m_controlsDirty = true;
        Fl::awake();
    });
    gf_windowQueue().setWakeup([] { Fl::awake(); });
}

FltkWindow::~FltkWindow() {
    m_controls.setChangeListener(nullptr);
    gf_windowQueue().setWakeup(nullptr);
    m_exists = false;
    if (m_window)
        m_window->hide();
    m_widgets.clear();
    m_window.reset();
}

bool FltkWindow::create(const std::string& title, int x, int y, int width, int height) {
    gf_setWindowThread();
    m_window = std::make_unique<FltkMainWindow>(*this, x, y, width, height, title.c_str());
    m_window->end();
    m_window->size_range(width, height, width, height);
    m_window->callback(lf_windowCallback, this);
    m_window->show();
    if (!m_window->shown())
        return false;
    m_window->wait_for_expose();
    Fl::flush();
    m_exists = true;
    m_controlsDirty = true;
    syncWidgets();
    if (m_onTop)
        setAlwaysOnTop(true);
    return true;
}

Fl_Widget* FltkWindow::widget(std::uint16_t id) const {
    auto it = m_widgets.find(id);
    return it == m_widgets.end() ? nullptr : it->second;
}

Fl_Double_Window* FltkWindow::window() const {
    return m_window.get();
}

void FltkWindow::syncWidgets() {
    if (!m_window)
        return;
    m_syncing = true;
    bool changed = false;
    for (std::uint16_t id : m_controls.ids()) {
        auto state = m_controls.get(id);
        if (!state || state->kind == ControlKind::Label)
            continue;
        Fl_Widget* w = widget(id);
        if (!w) {
            m_window->begin();
            switch (state->kind) {
            case ControlKind::CheckBox:
                w = new Fl_Check_Button(state->x, state->y, state->width, state->height);
                break;
            case ControlKind::Button:
                w = new Fl_Button(state->x, state->y, state->width, state->height);
                break;
            case ControlKind::EditField: {
                auto* input = new Fl_Input(state->x, state->y, state->width, state->height);
                input->when(FL_WHEN_CHANGED | FL_WHEN_ENTER_KEY_ALWAYS);
                input->textsize(CONTROL_TEXT_SIZE);
                // Edit fields show on the middle band's light blue, as the window paints them.
                input->color(fl_rgb_color(153, 204, 255));
                w = input;
                break;
            }
            case ControlKind::ComboBox: {
                auto* choice = new Fl_Choice(state->x, state->y, state->width, state->height);
                choice->textsize(CONTROL_TEXT_SIZE);
                w = choice;
                break;
            }
            case ControlKind::Label:
                break;
            }
            m_window->end();
            if (!w)
                continue;
            w->labelsize(CONTROL_TEXT_SIZE);
            w->callback(lf_widgetCallback, this);
            m_widgets[id] = w;
            changed = true;
        }
        if (w->x() != state->x || w->y() != state->y || w->w() != state->width || w->h() != state->height) {
            w->resize(state->x, state->y, state->width, state->height);
            changed = true;
        }
        if (state->enabled != (w->active() != 0)) {
            if (state->enabled)
                w->activate();
            else
                w->deactivate();
        }
        switch (state->kind) {
        case ControlKind::CheckBox: {
            auto* box = static_cast<Fl_Check_Button*>(w);
            if ((box->value() != 0) != state->checked)
                box->value(state->checked ? 1 : 0);
            break;
        }
        case ControlKind::Button:
            if (!w->label() || state->text != w->label())
                w->copy_label(state->text.c_str());
            break;
        case ControlKind::EditField: {
            auto* input = static_cast<Fl_Input*>(w);
            if (state->text != input->value())
                input->value(state->text.c_str());
            break;
        }
        case ControlKind::ComboBox: {
            auto* choice = static_cast<Fl_Choice*>(w);
            auto& shown = m_shownItems[id];
            if (shown != state->items) {
                // A menu array of our own, not add(): add() would parse the texts as menu paths and merge
                // equal ones, so the list could hold fewer items than the model and choose the wrong one.
                std::vector<std::string> labels;
                labels.reserve(state->items.size());
                for (const auto& item : state->items)
                    labels.push_back(gf_escapeLabelText(item));
                std::vector<Fl_Menu_Item> menu(labels.size() + 1, Fl_Menu_Item{});
                for (std::size_t i = 0; i < labels.size(); ++i)
                    menu[i].text = labels[i].c_str();
                choice->copy(menu.data());
                m_itemLabels[id] = std::move(labels); // the copied items point into these texts
                shown = state->items;
            }
            const int sel = state->selection;
            if (sel >= 0 && sel < choice->size() - 1) {
                if (choice->value() != sel)
                    choice->value(sel);
            } else if (choice->mvalue() != nullptr) {
                choice->value(static_cast<const Fl_Menu_Item*>(nullptr));
            }
            w->redraw();
            break;
        }
        case ControlKind::Label:
            break;
        }
    }
    m_syncing = false;
    if (changed)
        m_window->redraw();
}

void FltkWindow::onWidget(Fl_Widget* w) {
    std::uint16_t id = 0;
    for (const auto& [candidate, widget] : m_widgets) {
        if (widget == w) {
            id = candidate;
            break;
        }
    }
    if (m_syncing || id == 0)
        return;
    auto state = m_controls.get(id);
    if (!state)
        return;
    Notification code = Notification::Clicked;
    switch (state->kind) {
    case ControlKind::CheckBox:
        // FLTK has toggled the box already; the program toggles it itself, so undo FLTK's toggle.
        static_cast<Fl_Check_Button*>(w)->value(state->checked ? 1 : 0);
        code = Notification::Clicked;
        break;
    case ControlKind::Button:
        code = Notification::Clicked;
        break;
    case ControlKind::ComboBox: {
        auto* choice = static_cast<Fl_Choice*>(w);
        m_controls.setSelection(id, choice->value());
        code = Notification::SelChange;
        break;
    }
    case ControlKind::EditField: {
        auto* input = static_cast<Fl_Input*>(w);
        m_controls.setText(id, input->value());
        const bool enter =
            Fl::event() == FL_KEYBOARD && (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter);
        if (!enter)
            return;
        code = Notification::EnterKey;
        break;
    }
    case ControlKind::Label:
        return;
    }
    if (!m_handler)
        return;
    try {
        m_handler->onCommand(id, code);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "window command %u: %s\n", static_cast<unsigned>(id), e.what());
    } catch (...) {
        std::fprintf(stderr, "window command %u: unknown exception\n", static_cast<unsigned>(id));
    }
}

void FltkWindow::onWindowClose() {
    if (m_handler)
        m_handler->onClose();
}

void FltkWindow::paint() {
    // The window's background is black; the handler paints its bands over it.
    fl_color(FL_BLACK);
    fl_rectf(0, 0, m_window->w(), m_window->h());
    if (!m_handler)
        return;
    FltkPainter painter;
    m_handler->onPaint(painter);
}

bool FltkWindow::step(double seconds) {
    if (m_quit)
        return false;
    Fl::wait(seconds);
    while (!m_quit) {
        auto msg = gf_windowQueue().tryPop();
        if (!msg)
            break;
        gf_dispatchWindowMessage(*this, m_handler, *msg);
    }
    if (m_handler && !m_quit)
        m_handler->onTick();
    if (m_controlsDirty.exchange(false))
        syncWidgets();
    return !m_quit;
}

int FltkWindow::run() {
    gf_setWindowThread();
    gf_catchCloseSignals();
    bool closeSent = false;
    while (step(0.05)) {
        // A termination request counts as the window's close button.
        if (gf_takeCloseSignal() && !closeSent) {
            closeSent = true;
            onWindowClose();
        }
    }
    return m_quitCode;
}

void FltkWindow::quit(int code) {
    m_quitCode = code;
    m_quit = true;
    m_exists = false;
    if (m_window)
        m_window->hide();
    Fl::flush();
}

void FltkWindow::invalidate(std::uint32_t bands) {
    // The whole client area is painted off-screen and copied in one step, so repainting all of it
    // costs no flicker.
    if (bands != 0 && m_window)
        m_window->redraw();
}

bool FltkWindow::position(int& x, int& y) const {
    if (!m_window)
        return false;
    x = m_window->x();
    y = m_window->y();
    return true;
}

void FltkWindow::move(int x, int y) {
    if (m_window)
        m_window->position(x, y);
}

WorkArea FltkWindow::workArea(int x, int y, int width, int height) const {
    const int cx = x + width / 2;
    const int cy = y + height / 2;
    WorkArea best;
    long long bestDistance = LLONG_MAX;
    for (int n = 0; n < Fl::screen_count(); ++n) {
        int X = 0, Y = 0, W = 0, H = 0;
        Fl::screen_work_area(X, Y, W, H, n);
        const long long dx = cx < X ? X - cx : (cx >= X + W ? cx - (X + W - 1) : 0);
        const long long dy = cy < Y ? Y - cy : (cy >= Y + H ? cy - (Y + H - 1) : 0);
        const long long d = dx * dx + dy * dy;
        if (d < bestDistance) {
            bestDistance = d;
            best = WorkArea{X, Y, W, H};
        }
    }
    return best;
}

void FltkWindow::setAlwaysOnTop(bool onTop) {
    m_onTop = onTop;
    if (!m_window || !m_window->shown())
        return;
    Window xid = fl_xid(m_window.get());
    if (!xid || !fl_display)
        return;
    Atom wmState = XInternAtom(fl_display, "_NET_WM_STATE", False);
    Atom above = XInternAtom(fl_display, "_NET_WM_STATE_ABOVE", False);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = xid;
    ev.xclient.message_type = wmState;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = onTop ? 1 : 0; // _NET_WM_STATE_ADD / _REMOVE
    ev.xclient.data.l[1] = static_cast<long>(above);
    ev.xclient.data.l[2] = 0;
    ev.xclient.data.l[3] = 1; // normal application
    XSendEvent(fl_display, DefaultRootWindow(fl_display), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &ev);
    XFlush(fl_display);
}

MessageBoxAnswer FltkWindow::messageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon,
                                        MessageBoxButtons buttons) {
    fl_message_title(caption.c_str());
    switch (buttons) {
    case MessageBoxButtons::YesNo:
        return fl_choice("%s", "No", "Yes", nullptr, text.c_str()) == 1 ? MessageBoxAnswer::Yes : MessageBoxAnswer::No;
    case MessageBoxButtons::OkCancel:
        return fl_choice("%s", "Cancel", "OK", nullptr, text.c_str()) == 1 ? MessageBoxAnswer::Ok
                                                                           : MessageBoxAnswer::Cancel;
    case MessageBoxButtons::Ok:
        break;
    }
    if (icon == MessageBoxIcon::Exclamation || icon == MessageBoxIcon::Error)
        fl_alert("%s", text.c_str());
    else
        fl_message("%s", text.c_str());
    return MessageBoxAnswer::Ok;
}

bool FltkWindow::captureRgb(std::vector<std::uint8_t>& rgb, int& width, int& height) {
    if (!m_window || !m_window->shown())
        return false;
    // The client area as the window paints it, drawn off-screen: the read does not depend on other
    // windows covering this one.
    width = m_window->w();
    height = m_window->h();
    rgb.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0);
    m_window->make_current();
    Fl_Offscreen image = fl_create_offscreen(width, height);
    if (!image)
        return false;
    fl_begin_offscreen(image);
    m_window->drawAll();
    const bool ok = fl_read_image(rgb.data(), 0, 0, width, height) != nullptr;
    fl_end_offscreen();
    fl_delete_offscreen(image);
    return ok;
}

std::unique_ptr<WindowBackend> gf_makeFltkBackend(ControlModel& controls) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return nullptr;
    // FLTK ends the process when it cannot open the display: open it here and hand it over. A display
    // server that has just been started may need a moment.
    if (!fl_display) {
        Display* opened = nullptr;
        for (int attempt = 0; attempt < 20 && !opened; ++attempt) {
            opened = XOpenDisplay(nullptr);
            if (!opened)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!opened)
            return nullptr;
        fl_open_display(opened);
    }
    return std::make_unique<FltkWindow>(controls);
}

} // namespace skf
