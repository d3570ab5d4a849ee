// Placeholders of the static parking and the park airport's driver: no placement, no adjustment.
#include "traffic/EngineServices.h"

#include "traffic/EngineInternal.h"

namespace skf {

void gf_adjustParking() {}
void gf_closeParkAirport() {}
void gf_updateStaticParking(bool) {}
std::uint64_t gf_pendingStaticCount() {
    return 0;
}
void gf_enforceMaxPark(std::uint8_t) {}
std::string gf_reservedStandName() {
    return {};
}
void lf_addStaticAircraft() {}
void gf_reserveParking() {}
void gf_resetParking() {}
void gf_dropPendingStaticAt(std::int32_t) {}

} // namespace skf
