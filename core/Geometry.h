#pragma once
// Great-circle geometry on a sphere whose radius makes one minute of arc one
// nautical mile. Positions in degrees; distances in nautical miles unless noted.

#include "core/Units.h"

namespace skf {

struct Position {
    double latitude = 0.0;
    double longitude = 0.0;
};

inline constexpr double g_earthRadiusNm = 3437.746770784939; // 10800 / pi
inline constexpr double g_earthDiameterNm = 6875.493541569878;
inline constexpr double g_feetPerNm = 6076.11549;
inline constexpr double g_feetToRadians = 4.787404208238998e-8; // 1 / (feet per NM * radius)

// Great-circle (haversine) distance; symmetric.
double gf_distanceNm(const Position& a, const Position& b) noexcept;
double gf_distanceNm(double lat1, double lon1, double lat2, double lon2) noexcept;

// Initial true bearing from a towards b in radians, 0 up to a full turn.
double gf_bearing(const Position& a, const Position& b) noexcept;

// The position reached from start on a bearing (radians) after a distance in feet;
// longitude within -180..180.
Position gf_destinationPoint(const Position& start, double bearingRadians, double distanceFeet) noexcept;

} // namespace skf
