#pragma once
// The stand-in's frame clock and angle helpers, shared by its files (SimStandIn.cpp, SimWorld.cpp,
// SimControl.cpp). Called on the stand-in's own thread; pure constants and functions, no state.
#include <cmath>

#include "core/Units.h"

namespace skf::standin {

inline constexpr double kFrameSeconds = 1.0 / 30.0;
inline constexpr int kFramesPerSecond = 30;

// The angle in radians brought into [0, 2 pi).
inline double wrapAngle(double a) {
    constexpr double twoPi = 2 * g_pi;
    a = std::fmod(a, twoPi);
    return a < 0 ? a + twoPi : a;
}

} // namespace skf::standin
