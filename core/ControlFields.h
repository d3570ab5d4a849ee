#pragma once
// What the lower layers decide about the window's controls, kept as fields that the window (app/) turns into
// enabled states, range modes and message boxes at the next turn of its loop. Nothing here talks to the window.
//
// A control field is a value with the order of its last change. The window applies the fields that changed
// since its last look in the order they changed, so a burst of changes costs one pass, and a later change of
// one field overrides an earlier change of another field that touches the same control, as it would have
// had each change gone to the controls at once. Any thread; never blocks.
#include <cstdint>
#include <string>
#include <vector>

namespace skf {

enum class ControlField : std::uint8_t {
    ParkingBusy,       // a static-parking calculation locks (true) or unlocks (false) the parking controls
    ParkStands,        // the park airport's stands were loaded (true) or the park airport released (false)
    Destination,       // a destination may be typed (true)
    LiveCallsigns,     // the live callsign list holds callsigns (true) or was emptied (false)
    AirportRange,      // the park airport's file set RANGE (true)
    AirportRangeMode,  // the park airport's file set AUTO_RANGE (true): the range mode follows it
    AirportLoadOnly,   // the park airport's file set INITIAL_LOAD_ONLY to the value
    AirportPercentage, // the parking percentage came from the stand file's quality factor (true)
    LightLiveries,     // light aircraft have liveries (true) or none (false)
    HighPerfLiveries,  // high-performance aircraft have liveries (true) or none (false)
    RotorLiveries,     // helicopters have liveries (true) or none (false)
    TbloArchive,       // the archive of unrecognised third-party airports was made (true)
};
inline constexpr std::size_t kControlFieldCount = 12;

// Sets a field and makes it the latest change.
void gf_setControlField(ControlField field, bool value);
bool gf_controlField(ControlField field);

// The static parking's lock (busy) and unlock of the parking controls: g_parkingBusy (core/ShellState.h),
// on unlock the minutes to the next update back to 20, the ParkingBusy field and the middle band marked.
void gf_setParkingBusy(bool busy);

// The reader's side: remembers the changes it saw and tells which fields changed since, oldest change first.
// Starts from the present: nothing has changed yet. One reader per object.
class ControlFieldWatch {
public:
    ControlFieldWatch();
    std::vector<ControlField> takeChanged();

private:
    std::uint64_t m_seen[kControlFieldCount] = {};
};

// A warning the program shows the user in a message box ("SKFL", exclamation mark), queued by any thread and
// shown by the window at the next turn of its loop; the caller does not wait for the box.
void gf_requestWarningBox(const std::string& text);
// The same, but the caller goes on only once the user has closed the box: what it does next (a stop of the
// run, say) comes after the box, as it would after a modal box of its own. It does not wait while no window
// loop shows boxes (none yet, or its loop has ended), nor on the window's own thread; the box stays queued
// for a window that comes. True when the box was shown and closed.
bool gf_requestWarningBoxAndWait(const std::string& text);

// The window's side (window thread). The boxes queued since the last take, oldest first; after showing them,
// gf_warningBoxesClosed tells their waiting callers that the user has closed them.
std::vector<std::string> gf_takeWarningBoxes();
void gf_warningBoxesClosed();
// The window's loop runs and shows the boxes at its turns (true, from the thread that runs it), or it has
// ended (false): a waiting caller then stops waiting.
void gf_setWarningBoxesShown(bool shown);

} // namespace skf
