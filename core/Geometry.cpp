#include "core/Geometry.h"

#include <algorithm>
#include <cmath>

namespace skf {

double gf_distanceNm(const Position& a, const Position& b) noexcept {
    const double phiA = a.latitude * g_degToRad;
    const double phiB = b.latitude * g_degToRad;
    const double dPhi = phiB - phiA;
    const double dLambda = b.longitude * g_degToRad - a.longitude * g_degToRad;
    const double sLambda = std::sin(dLambda / 2.0);
    const double sPhi = std::sin(dPhi / 2.0);
    // Rounding can push h a hair outside 0..1 (antipodal points); the root of a negative number would
    // make the distance NaN.
    const double h = std::clamp(std::cos(phiB) * std::cos(phiA) * sLambda * sLambda + sPhi * sPhi, 0.0, 1.0);
    return std::atan2(std::sqrt(h), std::sqrt(1.0 - h)) * g_earthDiameterNm;
}

double gf_distanceNm(double lat1, double lon1, double lat2, double lon2) noexcept {
    return gf_distanceNm(Position{lat1, lon1}, Position{lat2, lon2});
}

double gf_bearing(const Position& a, const Position& b) noexcept {
    const double phiA = a.latitude * g_degToRad;
    const double phiB = b.latitude * g_degToRad;
    const double dLambda = (b.longitude - a.longitude) * g_degToRad;
    double theta = std::atan2(std::sin(dLambda) * std::cos(phiB),
                              std::sin(phiB) * std::cos(phiA) - std::sin(phiA) * std::cos(phiB) * std::cos(dLambda));
    if (theta < 0.0)
        theta += g_fullTurn;
    return theta;
}

Position gf_destinationPoint(const Position& start, double bearingRadians, double distanceFeet) noexcept {
    const double delta = distanceFeet * g_feetToRadians;
    const double phi1 = start.latitude * g_degToRad;
    const double phi2 = std::asin(std::clamp(
        std::cos(bearingRadians) * std::sin(delta) * std::cos(phi1) + std::cos(delta) * std::sin(phi1), -1.0, 1.0));
    const double lambda = std::atan2(std::sin(bearingRadians) * std::sin(delta) * std::cos(phi1),
                                     std::cos(delta) - std::sin(phi2) * std::sin(phi1)) +
                          start.longitude * g_degToRad;
    const double lambda2 = std::remainder(lambda, g_fullTurn);
    return Position{phi2 * g_radToDeg, lambda2 * g_radToDeg};
}

} // namespace skf
