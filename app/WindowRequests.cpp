#include "app/WindowRequests.h"

#include "app/ShellRunState.h"

#include <cmath>
#include <mutex>

namespace skf {

namespace {

// The request slots live in the shell's state; the start-up function is a registration, kept apart.
WindowRequestSlots& lf_slots() {
    return gf_shellRunState().window;
}

std::mutex g_startUpMutex;
std::function<void()> g_startUp;

template <class T>
std::optional<T> lf_take(std::optional<T>& slot) {
    std::lock_guard lock(lf_slots().mutex);
    std::optional<T> out = std::move(slot);
    slot.reset();
    return out;
}

} // namespace

void gf_requestNavLights(bool on) {
    std::lock_guard lock(lf_slots().mutex);
    lf_slots().navLights = on;
}

std::optional<bool> gf_takeNavLightsRequest() {
    return lf_take(lf_slots().navLights);
}

void gf_requestMaxLive(std::int32_t maximum) {
    std::lock_guard lock(lf_slots().mutex);
    lf_slots().maxLive = maximum;
}

std::optional<std::int32_t> gf_takeMaxLiveRequest() {
    return lf_take(lf_slots().maxLive);
}

void gf_requestAutoRange() {
    lf_slots().autoRange = true;
}

bool gf_takeAutoRangeRequest() {
    return lf_slots().autoRange.exchange(false);
}

void gf_requestDestination(const DestinationRequest& destination) {
    std::lock_guard lock(lf_slots().mutex);
    lf_slots().destination = destination;
}

std::optional<DestinationRequest> gf_takeDestinationRequest() {
    return lf_take(lf_slots().destination);
}

void gf_requestLiveryReset() {
    lf_slots().liveryReset = true;
}

bool gf_takeLiveryResetRequest() {
    return lf_slots().liveryReset.exchange(false);
}

void gf_setStartUpFunction(std::function<void()> startUp) {
    std::lock_guard lock(g_startUpMutex);
    g_startUp = std::move(startUp);
}

bool gf_hasStartUpFunction() {
    std::lock_guard lock(g_startUpMutex);
    return static_cast<bool>(g_startUp);
}

std::function<void()> gf_startUpFunction() {
    std::lock_guard lock(g_startUpMutex);
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
