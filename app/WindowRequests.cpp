#include "app/WindowRequests.h"

#include <cmath>
#include <mutex>

namespace skf {

namespace {

std::mutex g_requestMutex;
std::optional<bool> g_navLights;
std::optional<std::int32_t> g_maxLive;
std::optional<DestinationRequest> g_destination;
std::atomic<bool> g_autoRange{false};
std::atomic<bool> g_liveryReset{false};
std::function<void()> g_startUp;

template <class T>
std::optional<T> lf_take(std::optional<T>& slot) {
    std::lock_guard lock(g_requestMutex);
    std::optional<T> out = std::move(slot);
    slot.reset();
    return out;
}

} // namespace

void gf_requestNavLights(bool on) {
    std::lock_guard lock(g_requestMutex);
    g_navLights = on;
}

std::optional<bool> gf_takeNavLightsRequest() {
    return lf_take(g_navLights);
}

void gf_requestMaxLive(std::int32_t maximum) {
    std::lock_guard lock(g_requestMutex);
    g_maxLive = maximum;
}

std::optional<std::int32_t> gf_takeMaxLiveRequest() {
    return lf_take(g_maxLive);
}

void gf_requestAutoRange() {
    g_autoRange = true;
}

bool gf_takeAutoRangeRequest() {
    return g_autoRange.exchange(false);
}

void gf_requestDestination(const DestinationRequest& destination) {
    std::lock_guard lock(g_requestMutex);
    g_destination = destination;
}

std::optional<DestinationRequest> gf_takeDestinationRequest() {
    return lf_take(g_destination);
}

void gf_requestLiveryReset() {
    g_liveryReset = true;
}

bool gf_takeLiveryResetRequest() {
    return g_liveryReset.exchange(false);
}

void gf_setStartUpFunction(std::function<void()> startUp) {
    std::lock_guard lock(g_requestMutex);
    g_startUp = std::move(startUp);
}

bool gf_hasStartUpFunction() {
    std::lock_guard lock(g_requestMutex);
    return static_cast<bool>(g_startUp);
}

std::function<void()> gf_startUpFunction() {
    std::lock_guard lock(g_requestMutex);
    return g_startUp;
}

std::int32_t gf_autoRangeNm(bool onGround, double altitudeFeet, std::int32_t aboveHeightFeet,
                            std::int32_t airportHeightFeet, std::optional<double> nearestParkAirportNm) {
    if (onGround)
        return 10;
    if (altitudeFeet > aboveHeightFeet)
        return 100;
    if (altitudeFeet > airportHeightFeet)
        return 40;
    const double d = nearestParkAirportNm.value_or(10000.0);
    if (d <= 7.0)
        return 10;
    if (d >= 37.0)
        return 40;
    const long r = std::lround(d);
    if (r >= 33)
        return 35;
    if (r >= 28)
        return 30;
    if (r >= 23)
        return 25;
    if (r >= 19)
        return 20;
    if (r >= 17)
        return 18;
    if (r >= 15)
        return 16;
    if (r >= 13)
        return 14;
    if (r >= 11)
        return 12;
    if (r >= 9)
        return 10;
    return 8;
}

} // namespace skf
