#pragma once
// The window's side of the control fields (core/ControlFields.h): the enabled states, the range mode and the
// warning boxes that the lower layers decided, applied on the window thread.

namespace skf {

// Window thread: applies the control fields changed since the last call, oldest change first, then shows the
// warning boxes queued meanwhile. Called at every turn of the window's loop and before and after every command.
void gf_applyControlStates();

} // namespace skf
