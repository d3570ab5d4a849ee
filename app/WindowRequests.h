#pragma once
// Work that the window's handlers hand to the start-up thread, besides the plain request flags of
// app/RunRequests.h. The window thread never walks or changes the traffic engine's data: it leaves the
// request (with its value) here, and the per-second work of the main cycle takes it with the gf_take...
// functions below and carries it out. A newer request replaces an older one not yet taken.
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace skf {

// NAV_LIGHTS_WHILE_PARKED was switched: queue the nav-lights event with this value for every active
// static aircraft and every active, parked live aircraft.
void gf_requestNavLights(bool on);
std::optional<bool> gf_takeNavLightsRequest();

// MAX_LIVE_SEL got this new maximum: remove the farthest active live aircraft (active count - maximum)
// times when that is at least 1.
void gf_requestMaxLive(std::int32_t maximum);
std::optional<std::int32_t> gf_takeMaxLiveRequest();

// The automatic range is on and must be worked out again from the user aircraft's state and the
// park-airport list (gf_autoRangeNm, then gf_setRange).
void gf_requestAutoRange();
bool gf_takeAutoRangeRequest();

// A destination typed by the user: hand it to the traffic engine as a park airport (gf_addParkAirport).
struct DestinationRequest {
    std::string icao;
    double latitude = 0.0;
    double longitude = 0.0;
};
void gf_requestDestination(const DestinationRequest& destination);
std::optional<DestinationRequest> gf_takeDestinationRequest();

// The livery tables must be built again (a new simulator, a scan switched on during the start-up). Taken
// by the start-up thread before it builds the tables: it empties them and clears g_liveriesProcessed there,
// never on the window thread.
void gf_requestLiveryReset();
bool gf_takeLiveryResetRequest();

// The body of the start-up thread, registered by the start-up code before the window opens. The window
// starts it on every start message. Without one the start message only logs that nothing was started.
void gf_setStartUpFunction(std::function<void()> startUp);
bool gf_hasStartUpFunction();
std::function<void()> gf_startUpFunction();

// The radius of the automatic range in nautical miles: on the ground 10; above AR_ABOVE_HEIGHT 100;
// above AIRP_HEIGHT 40; else by the distance to the nearest park airport (none: 10000 nm).
std::int32_t gf_autoRangeNm(bool onGround, double altitudeFeet, std::int32_t aboveHeightFeet,
                            std::int32_t airportHeightFeet, std::optional<double> nearestParkAirportNm);

} // namespace skf
