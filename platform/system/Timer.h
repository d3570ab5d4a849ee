#pragma once
// System timer resolution. Windows needs the multimedia timer raised to 1 ms for
// short sleeps; Linux sleeps with high resolution already, so there is nothing to do.

namespace skf {

// Always succeeds here; returns true so callers pair it with gf_timeEndPeriod.
inline bool gf_timeBeginPeriod(unsigned /*milliseconds*/) noexcept {
    return true;
}
inline void gf_timeEndPeriod(unsigned /*milliseconds*/) noexcept {}

} // namespace skf
