// Clearing the user aircraft's way: once a second the main cycle removes at most one aircraft that stands
// where the user aircraft is or goes, on the ground or on its final approach. Engine thread.
#include <cmath>

#include "core/Geometry.h"
#include "sim/UserAircraft.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineServices.h"

namespace skf {

namespace {
// Until the user model is identified its size is that of the default size category, Large: half the wingspan
// of a typical Large airliner (A320, B738: about 17.9 m). Counting it as 0 would let traffic stand under the
// user's wings.
constexpr double kLargeDefaultHalfWingspanNm = 17.9 / g_nmToMetres;

// The user position of the last pass over the static aircraft.
double s_lastUserLat = 0.0;
double s_lastUserLon = 0.0;
} // namespace

void gf_avoidUserGroundCollision() {
    const UserAircraftState user = g_userAircraft.get();
    const double userHalfSpan = g_userHalfWingspan.get().value_or(kLargeDefaultHalfWingspanNm);
    const Position userPos{user.block.latitude, user.block.longitude};
    for (auto& live : g_liveAircraft) {
        if (!live.onGround || live.simStatus != SimStatus::active) {
            continue;
        }
        const double d = gf_distanceNm(userPos, Position{live.position.latitude, live.position.longitude});
        if ((userHalfSpan + live.halfWingspanNm) * 1.15 >= d) {
            gf_removeLiveWithLine(live, "in the user aircraft's way on the ground");
            return;
        }
    }
    if (std::abs(userPos.latitude - s_lastUserLat) < 1e-8 && std::abs(userPos.longitude - s_lastUserLon) < 1e-8) {
        return;
    }
    s_lastUserLat = userPos.latitude;
    s_lastUserLon = userPos.longitude;
    for (auto& stat : g_parkedAircraft) {
        if (stat.simStatus != SimStatus::active) {
            continue;
        }
        if (gf_distanceNm(userPos, Position{stat.standLat, stat.standLon}) <=
            stat.halfWingspanNm * 1.1 + userHalfSpan * 1.1) {
            removeAircraftFromSim(stat);
            return;
        }
    }
}

void gf_avoidUserAirCollision() {
    const UserAircraftState user = g_userAircraft.get();
    const Position userPos{user.block.latitude, user.block.longitude};
    for (auto& live : g_liveAircraft) {
        if (live.simStatus != SimStatus::active) {
            continue;
        }
        const Position pos{live.position.latitude, live.position.longitude};
        const double d = gf_distanceNm(userPos, pos);
        if (user.block.altAboveGround < 500.0 && live.onGround && d <= 1.0) {
            const double a = gf_normalisePi(gf_bearing(userPos, pos) - user.block.heading);
            if (std::sin(std::abs(a)) * d * g_feetPerNm <= 50.0) {
                gf_removeLiveWithLine(live, "on the ground ahead of the user aircraft");
                return;
            }
            continue;
        }
        if (lf_nearUserAirConflict(live, false)) {
            return;
        }
    }
}

} // namespace skf
