#pragma once
// The bands of the main window's client area: what a repaint request names. Apart from the window's
// messages (WindowMessages.h) so that the code that sets the window's display fields can mark the band
// that shows a field without knowing how the window learns of it.
#include <cstdint>

namespace skf {

// Bands of the main window's client area (bit values, may be or'ed).
enum Band : std::uint32_t {
    BAND_INDICATORS = 1, // (0,28)-(880,112)
    BAND_MIDDLE = 2,     // (0,112)-(880,392)
    BAND_PARK = 4,       // (0,392)-(880,448)
    BAND_STATUS = 8,     // (0,448)-(880,476)
    BAND_ALL = 0xFFFF,
};

} // namespace skf
