#include "sim/UserStand.h"

#include <cmath>

#include "core/Geometry.h"
#include "data/apf/Stand.h"
#include "sim/UserAircraft.h"

namespace skf {

namespace {

// The last answer of gf_standNameAt.
struct StandNameCache {
    bool valid = false;
    double latitude = 0.0;
    double longitude = 0.0;
    std::string name;
};
StandNameCache g_standNameCache;

} // namespace

void gf_clearStandNameCache() {
    g_standNameCache = StandNameCache{};
}

std::string gf_standNameAt(const UserAircraftState& user) {
    if (g_stands.empty() || user.onGround == 0)
        return {};
    const double lat = user.block.latitude;
    const double lon = user.block.longitude;
    StandNameCache& cache = g_standNameCache;
    if (cache.valid && std::abs(lat - cache.latitude) < 1e-8 && std::abs(lon - cache.longitude) < 1e-8)
        return cache.name;
    double best = kStandWideNm;
    std::string name;
    for (const Stand& stand : g_stands) {
        const double d = gf_distanceNm(lat, lon, stand.latitude, stand.longitude);
        if (d <= best && (name.empty() || d < best)) {
            best = d;
            name = stand.id;
        }
    }
    cache = StandNameCache{true, lat, lon, name};
    return name;
}

} // namespace skf
