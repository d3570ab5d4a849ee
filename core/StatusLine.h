#pragma once
// The status line at the foot of the main window.
//
// One text at a time. Any thread may set it. A status text is cleared 25 seconds (counted in ticks of the
// window's second counter, raised once a second by the main cycle) after it was set. An error text holds
// the band: status texts are refused until the error text is cleared. Every change marks the status band
// as changed (core/WindowFields.h); the window repaints it, the caller's thread never paints.
//
// Lock order: the status mutex may be held while the log mutex is taken, never the reverse.
#include <cstdint>
#include <string>

namespace skf {

struct StatusSnapshot {
    std::string statusText;
    std::string errorText;
    std::int32_t stamp = 0;
};

inline constexpr std::int32_t STATUS_EXPIRY_SECONDS = 25;

// Shows text as the status text unless an error text is shown; logs it when alsoLog and not empty.
void gf_setStatus(const std::string& text, bool alsoLog = false);
// Empties the status text (nothing while an error text is shown).
void gf_clearStatus();
// Shows text as the error text (the status text is emptied) and logs "Error {text}".
void gf_setError(const std::string& text);
// Empties the error text and the status text (restart, second phase of a parking update, new path).
void gf_clearError();

// Shows a text about the log itself (it cannot be written) as gf_setStatus does, without logging it. Called
// by the log after its own mutex is released; on a thread that holds the status mutex (gf_setError logs
// under it) the text is shown once that mutex is released.
void gf_showStatusOfLog(const std::string& text);

// Copies of the three fields, taken under the status mutex (for painting and tests).
StatusSnapshot gf_statusSnapshot();

// The window's second counter: the per-second work of the main cycle calls gf_statusSecondTick(), which
// raises the counter by 1 and clears a status text set 25 or more ticks before. The check and the
// clearing happen under the status mutex, so a text set in between is never erased.
void gf_statusSecondTick();
std::int32_t gf_statusSecondCounter();
// Sets the second counter (the restart reset puts it to 0; tests use it as their clock).
void gf_setStatusSecondCounter(std::int32_t value);

} // namespace skf
