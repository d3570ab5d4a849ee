// Placeholder of the traffic engine: no aircraft, no park airport; every count is 0, every search empty.
#include "traffic/EngineServices.h"

#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "platform/ui/WindowMessages.h"

namespace skf {

void gf_adjustParking() {}
void gf_avoidUserGroundCollision() {}
void gf_avoidUserAirCollision() {}
void gf_removeStaticInTheWay() {}

void gf_clearReservedStand(std::string_view) {}
void gf_closeParkAirport() {}
void gf_fillLiveCallsignList() {}
std::uint64_t gf_liveParkedHours(bool) {
    return 0;
}
std::uint64_t gf_staticParkedHours(bool) {
    return 0;
}
void gf_processSimMessages() {}
void gf_removeAllStatic() {}
bool gf_removeFarthestLive(double) {
    return true;
} // none found
void gf_removeStaticDuplicates() {}
void gf_removeStaticTwin(LiveAircraft&) {}
void gf_resetEngine() {}
void gf_resetLiveCallsignList() {
    g_mainWindow.objectIdText.clear();
    gf_invalidateBands(BAND_MIDDLE);
    g_callsignList.reset();
    CALLSIGN_2_OBJECTID.set("");
    gf_fillCallsignCombo();
    CALLSIGN_2_OBJECTID.disable();
    g_blockButton.disable();
}
void gf_startEngine() {}
void gf_updateStaticParking(bool) {}
void gf_writeObjectIdList() {}
void lf_handleAddingStack() {}

std::optional<std::uint32_t> gf_takeStandMatchId() {
    return std::nullopt;
}
void gf_matchQueuedStandOption(std::uint32_t, DayAndSlot) {}
std::optional<std::uint32_t> gf_activeLiveObjectIdByCallsign(std::string_view) {
    return std::nullopt;
}
bool gf_removeActiveLiveByCallsign(std::string_view) {
    return false;
}
std::uint64_t gf_countActiveLiveNotParked() {
    return 0;
}
std::uint64_t gf_pendingStaticCount() {
    return 0;
}
std::uint64_t gf_countActiveLive() {
    return 0;
}
void gf_setNavLightsOfParked(bool) {}
void gf_clearSpawnCache() {}
void gf_clearGhostCallsigns() {}

} // namespace skf
