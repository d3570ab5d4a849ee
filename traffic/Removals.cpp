// Engine-wide removal rules outside the per-aircraft step (once-a-second work, the static parking, the
// window's buttons carried out by the main cycle), the parked-live list and the parked statistics.
// Engine thread; the window reads only the averages and counts it is given.
#include <algorithm>
#include <cmath>
#include <iterator>

#include <fmt/format.h>

#include "core/Geometry.h"
#include "core/Log.h"
#include "core/ShellState.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "data/apf/Stand.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineServices.h"

namespace skf {

namespace {

std::string_view lf_withoutUnderscore(std::string_view callsign) {
    return !callsign.empty() && callsign.back() == '_' ? callsign.substr(0, callsign.size() - 1) : callsign;
}

// Average parked hours of the records the filter counts; -1 (shown as "none") when nothing is parked.
template <typename Range, typename Counts>
std::uint64_t lf_parkedHours(const Range& records, Counts counts, bool show, std::atomic<float>& shown) {
    std::uint64_t count = 0;
    double halfHours = 0.0;
    const DayAndSlot now = g_dayAndSlotNow.load();
    const double nowSlot = static_cast<double>(now.day * 48 + now.slot);
    for (const auto& a : records) {
        if (!counts(a)) {
            continue;
        }
        ++count;
        if (show && a.parkTime > 0.0) {
            double diff = nowSlot - a.parkTime;
            if (diff < 0.0) {
                diff += 336.0;
            }
            halfHours += diff;
        }
    }
    if (show) {
        // Nothing parked shows "none": no division by a count of zero.
        const float average = count == 0 ? -1.0F : static_cast<float>(halfHours / (2.0 * count) + 0.5);
        if (shown.exchange(average) != average) {
            gf_markChanged(BAND_PARK);
        }
    }
    return count;
}

} // namespace

void gf_removeStaticTwin(LiveAircraft& live) {
    const std::string_view callsign = lf_withoutUnderscore(live.callsign);
    for (auto& stat : g_parkedAircraft) {
        if (stat.simStatus != SimStatus::active) {
            continue;
        }
        const bool sameRegistration = !live.registration.empty() && stat.registration == live.registration;
        const bool sameCallsign = stat.firstCallsign == callsign || stat.secondCallsign == callsign;
        const bool sameThird = !live.secondCallsign.empty() && stat.firstCallsign == live.secondCallsign;
        if (sameRegistration || sameCallsign || sameThird) {
            removeAircraftFromSim(stat);
            return;
        }
    }
}

void gf_removeAllStatic() {
    gf_checkEngineThread("gf_removeAllStatic");
    for (auto& stat : g_parkedAircraft) {
        if (stat.simStatus == SimStatus::active) {
            removeAircraftFromSim(stat);
        } else if (stat.simStatus == SimStatus::adding2sim && stat.removeWhenAdded == 0) {
            if (gf_removePendingCreation(g_staticCreationQueue, stat.trafficId)) {
                stat.eraseCreationCancelled = 1;
            } else {
                stat.removeWhenAdded = 1;
            }
        }
    }
    std::erase_if(g_parkedAircraft, [](const ParkedAircraft& p) { return p.eraseCreationCancelled != 0; });
}

void gf_logLiveRemoval(const LiveAircraft& aircraft, std::string_view why) {
    // Formatted on the stack: a removal whose reason is a fixed text allocates nothing in the engine's step.
    fmt::memory_buffer line;
    fmt::format_to(std::back_inserter(line), "          {:8} removed: {}", aircraft.callsign, why);
    gf_log(std::string_view(line.data(), line.size()));
}

void gf_removeLiveWithLine(LiveAircraft& aircraft, std::string_view why) {
    gf_logLiveRemoval(aircraft, why);
    aircraft.holding = false;
    removeAircraftFromSim(aircraft);
}

void gf_clearReservedStand(std::string_view standName) {
    const auto stand =
        std::find_if(g_stands.begin(), g_stands.end(), [&](const Stand& s) { return s.id == standName; });
    if (stand == g_stands.end()) {
        return;
    }
    for (auto& stat : g_parkedAircraft) {
        if (stat.standId == stand->sid && stat.simStatus == SimStatus::active) {
            removeAircraftFromSim(stat);
        }
    }
    for (auto& live : g_liveAircraft) {
        if (live.standId == stand->sid && live.simStatus == SimStatus::active && live.phase == FlightPhase::parked) {
            gf_removeLiveWithLine(live, fmt::format("parked on the reserved stand {}", standName));
        }
    }
}

void gf_removeStaticInTheWay() {
    for (auto& live : g_liveAircraft) {
        if (live.simStatus != SimStatus::active || !live.onGround ||
            (live.phase != FlightPhase::taxi && live.phase != FlightPhase::parking)) {
            continue;
        }
        if (gf_samePosition(live.position.latitude, live.position.longitude, live.liveParkedTestLat,
                            live.liveParkedTestLon)) {
            continue;
        }
        live.liveParkedTestLat = live.position.latitude;
        live.liveParkedTestLon = live.position.longitude;
        if (live.landingRoll || live.takeOff) {
            continue;
        }
        for (auto& stat : g_parkedAircraft) {
            if (stat.simStatus != SimStatus::active || stat.callsign == live.callsign) {
                continue;
            }
            if (gf_distanceNm(live.position.latitude, live.position.longitude, stat.standLat, stat.standLon) <=
                (live.halfWingspanNm + stat.halfWingspanNm) * 1.1) {
                removeAircraftFromSim(stat);
                break;
            }
        }
    }
}

void gf_removeStaticDuplicates() {
    for (const auto& live : g_liveAircraft) {
        if (live.simStatus != SimStatus::active || !live.onGround) {
            continue;
        }
        for (auto& stat : g_parkedAircraft) {
            if (stat.simStatus != SimStatus::active) {
                continue;
            }
            if ((!live.registration.empty() && stat.registration == live.registration) ||
                stat.callsign == live.callsign + "*") {
                removeAircraftFromSim(stat);
                return;
            }
        }
    }
}

std::vector<ParkedLiveEntry> lf_collectParkedLive() {
    std::vector<ParkedLiveEntry> list;
    const EngineTime now = gf_engineNow();
    for (auto& live : g_liveAircraft) {
        if (live.simStatus != SimStatus::active || live.phase != FlightPhase::parked) {
            continue;
        }
        if (live.standArea) {
            list.push_back(ParkedLiveEntry{live.callsign, live.standId, 0});
            continue;
        }
        const auto minutes = static_cast<std::int32_t>(
            std::chrono::duration_cast<std::chrono::minutes>(now - live.standContact).count());
        const std::int32_t limit = live.category == SizeCategory::Heavy ? 180 : 90;
        if (INITIAL_LOAD_ONLY.value() || minutes <= limit) {
            list.push_back(ParkedLiveEntry{live.callsign, live.standId, minutes});
        } else {
            gf_removeLiveWithLine(live,
                                  fmt::format("parked for {} minutes on {}", minutes, gf_standName(live.standId)));
        }
    }
    std::sort(list.begin(), list.end());
    return list;
}

std::uint64_t gf_liveParkedHours(bool show) {
    return lf_parkedHours(
        g_liveAircraft,
        [](const LiveAircraft& a) { return a.phase == FlightPhase::parked && a.simStatus == SimStatus::active; }, show,
        g_mainWindow.liveAverageHours);
}

std::uint64_t gf_staticParkedHours(bool show) {
    const auto counts = [](const ParkedAircraft& a) {
        return a.simStatus == SimStatus::active || a.simStatus == SimStatus::removingfromsim;
    };
    if (g_parkingBusy.load()) {
        // The list is being rebuilt: count, but leave the shown average as it is.
        std::atomic<float> unused{0.0F};
        return lf_parkedHours(g_parkedAircraft, counts, false, unused);
    }
    return lf_parkedHours(g_parkedAircraft, counts, show, g_mainWindow.staticAverageHours);
}

} // namespace skf
