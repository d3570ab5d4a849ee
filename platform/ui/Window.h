#pragma once
// The main window, behind one interface with two backends:
//  - FLTK, a real window, used when a display is present;
//  - headless, used by tests and when there is no display; it has a test driver (HeadlessWindow.h) and
//    keeps a display list of everything painted.
// Both show the controls of the shared ControlModel. The program talks to the window through a
// WindowHandler (painting, commands, closing, posted messages), which runs on the window thread.
//
// Only user input produces commands; changes the program makes to the ControlModel never do.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/ControlModel.h"
#include "platform/ui/WindowMessages.h"

namespace skf {

struct Colour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};

struct Font {
    std::string face = "Helvetica";
    int size = 13;
    friend bool operator==(const Font&, const Font&) = default;
};

// Drawing surface of the window's painting; coordinates are client pixels.
class Painter {
public:
    virtual ~Painter() = default;
    // Fills [x0,x1) x [y0,y1).
    virtual void fillRect(int x0, int y0, int x1, int y1, Colour colour) = 0;
    virtual void line(int x0, int y0, int x1, int y1, Colour colour) = 0;
    // Draws text (UTF-8) with its top-left corner at (x, y).
    virtual void text(int x, int y, const std::string& text, Colour colour) = 0;
    virtual Font font() const = 0;
    // Width in pixels of text in font().
    virtual int textWidth(const std::string& text) const = 0;
    // The texts drawn after it show only inside [x0,x1) x [y0,y1), until clearClip().
    virtual void setClip(int x0, int y0, int x1, int y1) = 0;
    virtual void clearClip() = 0;
};

// Notifications of user input.
enum class Notification {
    Clicked,   // a button or check box was clicked (check boxes do not toggle by themselves)
    SelChange, // the user chose an item of a combo box (the model holds the new selection)
    DropDown,  // a combo box was opened (nothing chosen)
    EnterKey,  // Enter was pressed in an edit field (the model holds the field's text)
};

class WindowHandler {
public:
    virtual ~WindowHandler() = default;
    virtual void onPaint(Painter& painter) = 0;
    // A command of a control; returns whether it was handled.
    virtual bool onCommand(std::uint16_t id, Notification code) = 0;
    // The user asked to close the window (the window stays until the program quits).
    virtual void onClose() = 0;
    // A message posted with gf_postWindowMessage (repaints are handled by the backend).
    virtual void onMessage(const WindowMessage& message) = 0;
    // At every turn of the message loop (at least every 100 ms) and at the end of the headless driver's
    // pump(): the place to look at state that other threads change without posting a message.
    virtual void onTick() {}
};

enum class MessageBoxIcon { Information, Exclamation, Error, Question };
enum class MessageBoxButtons { Ok, YesNo, OkCancel };
enum class MessageBoxAnswer { Ok, Cancel, Yes, No };

struct WorkArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class WindowBackend {
public:
    virtual ~WindowBackend() = default;
    virtual const char* name() const = 0;
    // Window thread: creates and shows the window with a fixed client size at (x, y).
    virtual bool create(const std::string& title, int x, int y, int width, int height) = 0;
    virtual bool exists() const = 0;
    virtual void setHandler(WindowHandler* handler) = 0;
    // Runs the message loop on the calling (window) thread until quit(); returns quit's code.
    virtual int run() = 0;
    // Window thread: ends run() with code.
    virtual void quit(int code) = 0;
    // Window thread: repaint the given bands (Band bits) now or soon.
    virtual void invalidate(std::uint32_t bands) = 0;
    // Window position (top-left corner of the frame) in screen pixels.
    virtual bool position(int& x, int& y) const = 0;
    virtual void move(int x, int y) = 0;
    // Work area of the monitor nearest to the rectangle.
    virtual WorkArea workArea(int x, int y, int width, int height) const = 0;
    // Asks the window manager to keep the window above others (or not).
    virtual void setAlwaysOnTop(bool onTop) = 0;
    virtual bool alwaysOnTop() const = 0;
    // Window thread: a modal message box.
    virtual MessageBoxAnswer messageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon,
                                        MessageBoxButtons buttons) = 0;
    // Window thread: the client area's pixels as rows of RGB bytes (false when the backend has none).
    virtual bool captureRgb(std::vector<std::uint8_t>& rgb, int& width, int& height) = 0;
};

// Makes the FLTK backend when a display can be opened, else the headless one.
std::unique_ptr<WindowBackend> gf_makeWindowBackend(ControlModel& controls);
std::unique_ptr<WindowBackend> gf_makeHeadlessBackend(ControlModel& controls);
// Null when no display can be opened.
std::unique_ptr<WindowBackend> gf_makeFltkBackend(ControlModel& controls);

// The backend of the program's main window (set by the process entry; null before).
WindowBackend* gf_mainWindowBackend();
void gf_setMainWindowBackend(WindowBackend* backend);
// Whether the calling thread is the window thread (the one that runs the message loop).
bool gf_onWindowThread();
void gf_setWindowThread();

// Any thread: shows a message box on the window thread and waits for the answer. Without a window
// the text is written to standard error and the answer is Ok (or No for YesNo).
MessageBoxAnswer gf_messageBox(const std::string& text, const std::string& caption,
                               MessageBoxIcon icon = MessageBoxIcon::Information,
                               MessageBoxButtons buttons = MessageBoxButtons::Ok);

// Private message that carries a message box request to the window thread (lParam: its address).
inline constexpr std::uint32_t WM_APP_MESSAGE_BOX = 0x8101;
// Runs a message-box request posted with WM_APP_MESSAGE_BOX (backends call it on the window thread).
void gf_runMessageBoxRequest(WindowBackend& backend, const WindowMessage& message);
// Window thread: handles one queued message the way every backend does: the repaint requests and message
// boxes itself, anything else through the handler (when there is one).
void gf_dispatchWindowMessage(WindowBackend& backend, WindowHandler* handler, const WindowMessage& message);

// Termination requests (SIGINT, SIGTERM) count as the window's close button. The process entry catches
// them as early as it can, so a request that comes while the window is still being set up is not lost;
// the message loop of either backend takes it (once) and passes it on as a close.
void gf_catchCloseSignals();
bool gf_takeCloseSignal();

// Escapes a text for FLTK's menu syntax so that it shows as it is.
std::string gf_escapeMenuText(const std::string& text);
// Escapes a text for an FLTK label (its '&' shortcut and '@' symbol marks) so that it shows as it is.
std::string gf_escapeLabelText(const std::string& text);

} // namespace skf
