// The parking adjustment and the parked limit.
#include "traffic/ParkingAdjustment.h"

#include <algorithm>
#include <set>

#include <fmt/format.h>

#include "core/Geometry.h"
#include "core/Log.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "data/DbaseLookups.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineState.h"
#include "traffic/StaticParking.h"

namespace skf {

namespace {

KeptStatic lf_kept(const ParkedAircraft& a) {
    return KeptStatic{a.callsign,
                      a.firstCallsign,
                      a.secondCallsign,
                      a.registration,
                      a.airlineId,
                      a.modelId,
                      static_cast<std::int32_t>(a.parkTime),
                      0,
                      a.standId,
                      0};
}

void lf_planRemoval(const ParkedAircraft& a) {
    g_plannedRemovals.push_back(PlannedRemoval{a.callsign, a.standId});
}

// The leaving flag of a kept static aircraft that still shows its arrival callsign: its option ends now.
void lf_markLeaving(KeptStatic& kept, DayAndSlot now) {
    const Stand* stand = gf_findStand(kept.standId);
    if (stand == nullptr)
        return;
    std::string_view callsign = kept.callsign;
    if (!callsign.empty() && callsign.back() == '*')
        callsign.remove_suffix(1);
    const auto today = static_cast<std::uint32_t>(now.day);
    // The option of the aircraft itself was disabled as "in use" by this calculation's search: a
    // disabled option still tells when its flight leaves.
    const auto option = std::find_if(stand->options.begin(), stand->options.end(), [&](const StandOpt& o) {
        return o.day == today && o.callsign == callsign && o.airline == kept.airline && o.model == kept.model;
    });
    if (option == stand->options.end())
        return;
    if (now.slot + 1 <= 47) {
        kept.leaving = option->halfHours.test(static_cast<std::size_t>(now.slot + 1)) ? 0 : 1;
        return;
    }
    const auto tomorrow = static_cast<std::uint32_t>(gf_dayAfter(now.day));
    const bool goesOn = std::any_of(stand->options.begin(), stand->options.end(), [&](const StandOpt& o) {
        return o.day == tomorrow && o.airline == kept.airline && o.model == kept.model && o.halfHours.test(0);
    });
    kept.leaving = goesOn ? 0 : 1;
}

ParkedAircraft* lf_firstStaticOn(std::int32_t sid) {
    const auto it = std::find_if(g_parkedAircraft.begin(), g_parkedAircraft.end(),
                                 [sid](const ParkedAircraft& p) { return p.standId == sid; });
    return it == g_parkedAircraft.end() ? nullptr : &*it;
}

bool lf_activeParkedLive(const LiveAircraft& a) {
    return a.simStatus == SimStatus::active && a.phase == FlightPhase::parked;
}

} // namespace

std::int32_t gf_halfHoursSince(std::int32_t weekSlot, DayAndSlot now) noexcept {
    return ((gf_weekSlot(now) - weekSlot) % 336 + 336) % 336;
}

void gf_clearAdjustmentLists() {
    g_keptStatics.clear();
    g_plannedRemovals.clear();
    g_parkedLive.clear();
}

void gf_eraseCancelledStatics() {
    g_parkedAircraft.erase(
        std::remove_if(g_parkedAircraft.begin(), g_parkedAircraft.end(),
                       [](const ParkedAircraft& p) { return p.eraseCreationCancelled != 0 || p.erase != 0; }),
        g_parkedAircraft.end());
}

void lf_keepOrReplaceStatic(const ParkedAircraft& aircraft, DayAndSlot now, std::size_t placement) {
    // Compared as ages from now, so that a week's end between the two times changes nothing.
    const auto placementAge = static_cast<std::int32_t>(g_pendingStatic[placement].offset);
    const std::int32_t parkedAge = gf_halfHoursSince(static_cast<std::int32_t>(aircraft.parkTime), now);
    if (placementAge >= parkedAge) {
        g_keptStatics.push_back(lf_kept(aircraft));
        g_pendingStatic.erase(g_pendingStatic.begin() + static_cast<std::ptrdiff_t>(placement));
    } else {
        lf_planRemoval(aircraft);
    }
}

void lf_reconcileStatics(DayAndSlot now) {
    const auto placementOn = [](std::int32_t sid) -> std::optional<std::size_t> {
        for (std::size_t i = 0; i < g_pendingStatic.size(); ++i) {
            if (g_pendingStatic[i].standId == sid)
                return i;
        }
        return std::nullopt;
    };
    for (const ParkedAircraft& aircraft : g_parkedAircraft) {
        if (aircraft.simStatus != SimStatus::active)
            continue;
        const auto same = std::find_if(g_pendingStatic.begin(), g_pendingStatic.end(), [&](const StaticPlacement& p) {
            return p.standId == aircraft.standId && p.airline == aircraft.airlineId && p.model == aircraft.modelId &&
                   (gf_equalsWithStar(p.firstCallsign, aircraft.callsign) ||
                    gf_equalsWithStar(p.secondCallsign, aircraft.callsign));
        });
        if (same != g_pendingStatic.end()) {
            g_keptStatics.push_back(lf_kept(aircraft));
            g_pendingStatic.erase(same);
            continue;
        }
        if (const auto own = placementOn(aircraft.standId)) {
            lf_keepOrReplaceStatic(aircraft, now, *own);
            continue;
        }
        bool decided = false;
        if (const Stand* stand = gf_findStand(aircraft.standId)) {
            for (const std::int32_t id : stand->adjacent) {
                const Stand* neighbour = gf_findStand(id);
                const auto next = neighbour != nullptr ? placementOn(id) : std::nullopt;
                if (!next)
                    continue;
                const double d =
                    gf_distanceNm(aircraft.standLat, aircraft.standLon, neighbour->latitude, neighbour->longitude);
                if (d < gf_halfWingspan(g_pendingStatic[*next].model) + gf_halfWingspan(aircraft.modelId)) {
                    lf_keepOrReplaceStatic(aircraft, now, *next);
                    decided = true;
                    break;
                }
            }
        }
        if (decided)
            continue;
        if (gf_standHasFlightOf(now, aircraft.standId, aircraft))
            g_keptStatics.push_back(lf_kept(aircraft));
        else
            lf_planRemoval(aircraft);
    }
    std::stable_sort(g_keptStatics.begin(), g_keptStatics.end(), [&](const KeptStatic& a, const KeptStatic& b) {
        return gf_halfHoursSince(a.parkTime, now) < gf_halfHoursSince(b.parkTime, now); // latest first
    });
    for (KeptStatic& kept : g_keptStatics) {
        if (!kept.secondCallsign.empty() && !kept.firstCallsign.empty() &&
            gf_contains(kept.callsign, kept.firstCallsign))
            lf_markLeaving(kept, now);
    }
}

void gf_adjustParking() {
    gf_checkEngineThread("gf_adjustParking");
    const DayAndSlot now = lf_logDayAndHour();
    g_mainWindow.softFlag = false;
    g_mainWindow.weekFlag = false;
    gf_clearAdjustmentLists();
    g_pendingStatic.clear();
    for (Stand& stand : g_stands) {
        stand.excluded = false;
        stand.adjacentBlocked = false;
        stand.staticUsed = false;
        std::uint32_t number = 0;
        for (StandOpt& o : stand.options)
            o.number = ++number;
    }
    lf_markExcludedStands();
    const std::int64_t wanted = gf_wantedStaticCount();
    g_parkedLive = lf_collectParkedLive();
    if (wanted > 0 && static_cast<std::int64_t>(g_parkedLive.size()) > wanted) {
        const std::int64_t surplus = static_cast<std::int64_t>(g_parkedLive.size()) - wanted;
        gf_setStatus(fmt::format("Parking adjustments: {} more live ac than wanted", surplus), true);
        lf_removeLongestParkedLive(static_cast<std::size_t>(surplus));
        g_parkedLive = lf_collectParkedLive();
    }
    for (const ParkedLiveEntry& entry : g_parkedLive) {
        if (Stand* stand = gf_findStand(entry.standId))
            gf_markStandUsed(*stand);
    }
    const auto already = static_cast<std::int64_t>(g_parkedLive.size());
    if (wanted != already)
        lf_collectPlacements(now, wanted, already);
    lf_reconcileStatics(now);

    // An aircraft whose flight leaves now is placed again under its departure callsign, keeping its
    // park time: the offset is its age in half hours.
    for (auto it = g_keptStatics.begin(); it != g_keptStatics.end();) {
        if (it->leaving == 0) {
            ++it;
            continue;
        }
        g_pendingStatic.push_back(
            StaticPlacement{it->standId, static_cast<std::uint32_t>(gf_halfHoursSince(it->parkTime, now)), it->airline,
                            it->model, it->firstCallsign, it->secondCallsign, it->registration, 0});
        g_plannedRemovals.push_back(PlannedRemoval{it->callsign, it->standId});
        it = g_keptStatics.erase(it);
    }

    std::int64_t surplus =
        static_cast<std::int64_t>(g_keptStatics.size() + g_parkedLive.size() + g_pendingStatic.size()) - wanted;
    for (; surplus > 0; --surplus) {
        if (!g_pendingStatic.empty()) {
            g_pendingStatic.pop_back();
        } else if (!g_keptStatics.empty()) {
            g_plannedRemovals.push_back(PlannedRemoval{g_keptStatics.back().callsign, g_keptStatics.back().standId});
            g_keptStatics.pop_back();
        } else if (!g_parkedLive.empty()) {
            const std::int32_t sid = g_parkedLive.back().standId;
            g_parkedLive.pop_back();
            for (LiveAircraft& live : g_liveAircraft) {
                if (live.standId == sid && lf_activeParkedLive(live)) {
                    gf_removeLiveWithLine(live, fmt::format("parked on {} beyond the parked limit", gf_standName(sid)));
                    break;
                }
            }
        } else {
            break;
        }
    }
    std::stable_sort(g_pendingStatic.begin(), g_pendingStatic.end(),
                     [](const StaticPlacement& a, const StaticPlacement& b) { return a.offset > b.offset; });
    gf_setStatus(fmt::format("Parking adjustments: {} to be removed, {} to be added\n", g_plannedRemovals.size(),
                             g_pendingStatic.size()),
                 true);
    for (const PlannedRemoval& removal : g_plannedRemovals) {
        ParkedAircraft* aircraft = lf_firstStaticOn(removal.standId);
        if (aircraft != nullptr &&
            (aircraft->simStatus == SimStatus::active || aircraft->simStatus == SimStatus::removingfromsim))
            removeAircraftFromSim(*aircraft);
    }
    g_plannedRemovals.clear();
    gf_eraseCancelledStatics();
    g_mainWindow.pendingStaticCount = g_pendingStatic.size();
}

void lf_liveParkedTimes(std::vector<std::pair<std::uint32_t, std::int64_t>>& out) {
    out.clear();
    const DayAndSlot now = g_dayAndSlotNow.load();
    for (const LiveAircraft& live : g_liveAircraft) {
        if (lf_activeParkedLive(live))
            out.emplace_back(live.trafficId,
                             std::int64_t{1800} * gf_halfHoursSince(static_cast<std::int32_t>(live.parkTime), now));
    }
    std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
}

void lf_removeLongestParkedLive(std::size_t count) {
    std::vector<std::pair<std::uint32_t, std::int64_t>> times;
    lf_liveParkedTimes(times);
    std::set<std::uint32_t> ids;
    for (std::size_t i = 0; i < std::min(count, times.size()); ++i)
        ids.insert(times[i].first);
    for (LiveAircraft& live : g_liveAircraft) {
        if (ids.count(live.trafficId) != 0) {
            gf_log(fmt::format("live parked {} at {} removed", gf_aircraftText(live), gf_standName(live.standId)));
            removeAircraftFromSim(live);
        }
    }
}

void gf_enforceMaxPark(std::uint8_t extra) {
    const std::int64_t limit = g_mainWindow.wantedStaticCount.load();
    if (limit < 1)
        return;
    const std::int64_t total = extra + std::count_if(g_liveAircraft.begin(), g_liveAircraft.end(),
                                                     [](const LiveAircraft& a) { return lf_activeParkedLive(a); });
    if (!INITIAL_LOAD_ONLY.value() && total > limit) {
        std::vector<std::pair<std::uint32_t, std::int64_t>> times;
        lf_liveParkedTimes(times);
        if (!times.empty()) {
            if (LiveAircraft* longest = gf_findLiveByTrafficId(times.front().first)) {
                gf_log(fmt::format("{:8}: {} live max park exceeded, removed", gf_standName(longest->standId),
                                   longest->callsign));
                removeAircraftFromSim(*longest);
            }
        }
    }
    const std::int64_t statics =
        std::count_if(g_parkedAircraft.begin(), g_parkedAircraft.end(), [](const ParkedAircraft& p) {
            return p.simStatus == SimStatus::active || p.simStatus == SimStatus::removingfromsim;
        });
    if (total + statics <= limit || g_parkedAircraft.empty())
        return;
    const DayAndSlot now = g_dayAndSlotNow.load();
    const auto earliest =
        std::max_element(g_parkedAircraft.begin(), g_parkedAircraft.end(), [&](const auto& a, const auto& b) {
            return gf_halfHoursSince(static_cast<std::int32_t>(a.parkTime), now) <
                   gf_halfHoursSince(static_cast<std::int32_t>(b.parkTime), now);
        });
    if (earliest->simStatus == SimStatus::active) {
        gf_log(fmt::format("{:8}: {} static max park exceeded, removed", gf_standName(earliest->standId),
                           earliest->callsign));
        removeAircraftFromSim(*earliest);
    }
}

} // namespace skf
