#pragma once
// The main window: a fixed 880 x 516 client area painted by the program, the controls of the settings,
// and the window procedure (close, the private start and end messages, commands).
//
// The display fields that other threads write are g_mainWindow's (core/WindowFields.h); the status line
// is core/StatusLine.h. Painting: WindowPainting.h; commands: ControlCommands.h; edit fields: EditFields.h.
// The fields' writers only mark the bands they changed; the window looks at the marks on each turn of its
// loop and repaints those bands.
#include <cstdint>
#include <string>

#include "core/WindowFields.h"
#include "platform/ui/Window.h"

namespace skf {

inline constexpr int kClientWidth = 880;
inline constexpr int kClientHeight = 516;
inline constexpr const char* kProgramName = "Skyfill";

// Colours of the window.
inline constexpr Colour kRed{255, 0, 0};
inline constexpr Colour kLightBlue{153, 204, 255};
inline constexpr Colour kBlack{0, 0, 0};
inline constexpr Colour kLime{50, 205, 50};
inline constexpr Colour kYellow{255, 255, 0};
inline constexpr Colour kWhite{255, 255, 255};
inline constexpr Colour kGrey{160, 160, 160};

// The window procedure of the main window, on the window thread. No exception leaves it: each handler
// catches, logs "{handler} exception {text}" and goes on.
class MainWindowView : public WindowHandler {
public:
    explicit MainWindowView(WindowBackend& backend) : m_backend(backend) {}
    void onPaint(Painter& painter) override;
    bool onCommand(std::uint16_t id, Notification code) override;
    void onClose() override;
    void onMessage(const WindowMessage& message) override;
    // Repaints the bands whose display fields other threads changed since the last tick.
    void onTick() override;
    WindowBackend& backend() { return m_backend; }

private:
    WindowBackend& m_backend;
    BandChangeWatch m_bandChanges;
};

// Reads the saved window position, creates the controls and shows the window on backend. False when
// the window could not be created.
bool initInstance(WindowBackend& backend, const std::string& title);

// Keeps the window (or, before it exists, its top-left corner) inside the work area of the nearest
// monitor, storing a changed position; a position at a limit is first reset to (resetX, resetY).
void lf_fitWindowOnMonitor(std::int32_t resetX, std::int32_t resetY);

// Creates the 43 controls of the settings in the control model.
void lf_createControls();

// The program's main window (null before initInstance).
MainWindowView* gf_mainWindowView();

// The close button: status text, stop flags, exit reason USER CLOSED SIM when none is set yet.
void lf_onCloseWindow();
// Private message of the start-up: keep the window above others (wParam 1) or not (0).
inline constexpr std::uint32_t WM_APP_STAY_ON_TOP = 0x8003;

// The start message: starts the start-up thread (detached).
void lf_onStartMessage();
// The end of closing down: saves the placement, logs the time, shows the warning boxes still queued and
// quits with g_exitCode.
void lf_onClosedMessage();

} // namespace skf
