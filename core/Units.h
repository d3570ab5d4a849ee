#pragma once
// The program's unit factors: degrees and radians, nautical miles and metres. Every folder converts with these,
// so that a conversion multiplies or divides by the same double wherever it happens (the engine's poses are
// compared bit for bit). Each value is the double nearest to the exact factor; the checks below hold it there.
// Constants only; any thread.

#include <numbers>

namespace skf {

inline constexpr double g_pi = 3.141592653589793;
inline constexpr double g_fullTurn = 6.283185307179586;    // 2 pi
inline constexpr double g_degToRad = 0.017453292519943295; // pi / 180
inline constexpr double g_radToDeg = 57.29577951308232;    // 180 / pi

inline constexpr double g_nmToMetres = 1852.0;                // the international nautical mile
inline constexpr double g_metresToNm = 0.0005399568034557236; // 1 / 1852

static_assert(g_pi == std::numbers::pi);
static_assert(g_fullTurn == 2.0 * std::numbers::pi);
static_assert(g_degToRad == std::numbers::pi / 180.0);
static_assert(g_radToDeg == 180.0 / std::numbers::pi);
static_assert(g_metresToNm == 1.0 / g_nmToMetres);

} // namespace skf
