#pragma once
// The commands of the main window's controls (window thread): every click, toggle and choice changes
// its setting, stores it in parameters.xml at once and applies its side effects. Work on the running
// traffic goes to the start-up thread through request flags (app/RunRequests.h, app/WindowRequests.h).
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/ui/Window.h"

namespace skf {

// "Now" may be enabled (set by the start-up's control preparation and every lock and unlock of the
// parking controls; never cleared; app/ShellRunState.h).
extern std::atomic<bool>& g_nowAllowed;

// Handles one command; false when no handler took it (the middle band is repainted then). Exceptions
// are logged as "lf_HandleWMCOMMAND exception {}" and give false.
bool lf_HandleWMCOMMAND(std::uint16_t id, Notification code);
bool lf_handleButtons(std::uint16_t id);
bool lf_handleCheckBoxes(std::uint16_t id);
bool lf_handleComboBoxes(std::uint16_t id, Notification code);
// The chosen index and its text, only for a selection change of an existing combo box with a selection.
std::optional<std::pair<int, std::string>> lf_readComboChoice(std::uint16_t id, Notification code);

// Around a static-parking update started by the window ("Now", the 20-minute countdown): g_parkingBusy and the
// lock of the parking controls (core/ControlFields.h gf_setParkingBusy; the static parking itself sets it
// there), applied to the controls at the window's next turn. Any thread.
void gf_lockParkingControls();
void gf_unlockParkingControls();
// Automatic range on: remember the manual range and ask the main cycle for the automatic one; off:
// back to the remembered manual range, clearing the status line unless the caller did so already.
// RANGE's combo box is enabled exactly when it is off.
void gf_applyRangeMode(bool clearStatus = true);
// "Now" and the 20-minute countdown: lock the parking controls and announce the update.
void gf_announceStaticUpdate();
// A new SIM_CHOICE: forget the liveries, scan again and restart.
void lf_switchSimulator();

// Seconds from the main cycle's second counter tick to its next multiple of 15 (1..15).
std::int32_t gf_secondsToNextQuarter(std::int64_t tick);

} // namespace skf
