#pragma once
// The window's side of the control fields (core/ControlFields.h): the enabled states, the range mode and the
// warning boxes that the lower layers decided, applied on the window thread.

namespace skf {

// Window thread: applies the control fields changed since the last call, oldest change first, then shows the
// warning boxes queued meanwhile. Called at every turn of the window's loop and before and after every command.
void gf_applyControlStates();
// Window thread: shows the warning boxes queued since the last turn, one after the other, and then lets their
// waiting callers go on. Also the window's last act before it quits, so that a box asked for just before
// the end is still seen.
void gf_showWarningBoxes();

} // namespace skf
