// Stand look-ups, the free-stand search and the stand options learned from live aircraft.
#include "traffic/Stands.h"
#include "traffic/StandsInternal.h"

#include <algorithm>
#include <exception>

#include <fmt/format.h>

#include "core/Geometry.h"
#include "core/Log.h"
#include "core/WindowFields.h"
#include "data/DbaseLookups.h"

namespace skf {

namespace {

constexpr double kFitToleranceNm = 0.0009719222462203025; // 1.8 m
constexpr double kOptionRangeNm = 0.0458963282937365;     // 85 m
constexpr double kShrinkStepNm = g_metresToNm;            // 1 m
constexpr double kNoDistance = 900.0;

bool lf_fits(const Stand& stand, const FlightRecord& aircraft) {
    return aircraft.halfWingspanNm - stand.radius <= kFitToleranceNm;
}

// An option of the aircraft's flight: the callsign names it, or its airline and model are the aircraft's.
bool lf_optionNamesAircraft(const Stand& stand, const FlightRecord& aircraft) {
    return std::any_of(stand.options.begin(), stand.options.end(), [&](const StandOpt& o) {
        if (o.number == 0 || o.real != 1)
            return false;
        return o.callsign == aircraft.callsign || o.callsign2 == aircraft.callsign ||
               (o.airline == aircraft.airlineId && o.model == aircraft.modelId);
    });
}

void lf_countLearnedUpdate() {
    const std::uint32_t learned = ++g_learnedUpdates;
    if (g_mainWindow.learnedUpdates.exchange(learned) != learned)
        gf_markChanged(BAND_MIDDLE);
}

bool lf_sameDaySlot(DayAndSlot now, const StandStayMark& last) {
    return static_cast<std::uint32_t>(now.day) == last.day && static_cast<std::uint32_t>(now.slot) == last.slot;
}

} // namespace

void gf_takeStand(ParkedAircraft& aircraft, const Stand& stand) {
    aircraft.standLat = stand.latitude;
    aircraft.standLon = stand.longitude;
    aircraft.standHeading = stand.heading;
    aircraft.standId = stand.sid;
    aircraft.standCargo = stand.cargo ? 1 : 0;
    gf_setStandOccupied(stand.sid, true);
}

void gf_releaseStand(ParkedAircraft& aircraft, StandMark mark) {
    if (mark == StandMark::free && aircraft.standId > 0) {
        gf_setStandOccupied(aircraft.standId, false);
    }
    aircraft.standId = 0;
    aircraft.standLat = aircraft.standLon = aircraft.standHeading = 0.0;
    aircraft.standCargo = 0;
}

std::int32_t gf_weekSlot(DayAndSlot now) noexcept {
    return now.day * 48 + now.slot;
}

std::int32_t gf_dayBefore(std::int32_t day) noexcept {
    return day <= 1 ? 7 : day - 1;
}

std::int32_t gf_dayAfter(std::int32_t day) noexcept {
    return day >= 7 ? 1 : day + 1;
}

DayAndSlot gf_slotsBack(DayAndSlot now, std::int32_t offset) noexcept {
    DayAndSlot at{now.day, now.slot - offset};
    while (at.slot < 0) {
        at.slot += 48;
        at.day = gf_dayBefore(at.day);
    }
    return at;
}

std::string gf_standName(std::int32_t sid) {
    if (sid == 0)
        return "sid==0?";
    const Stand* stand = gf_findStand(sid);
    return stand == nullptr ? std::string("sid==?") : stand->id;
}

void gf_markStandUsed(Stand& stand) {
    stand.staticUsed = true;
    for (const std::int32_t id : stand.adjacent) {
        if (Stand* neighbour = gf_findStand(id))
            neighbour->adjacentBlocked = true;
    }
}

Stand* lf_findFreeStand(double latitude, double longitude, const FlightRecord& aircraft, double radiusNm,
                        bool preferOption) {
    double best = kNoDistance;
    double bestOption = kNoDistance;
    Stand* result = nullptr;
    Stand* tooSmall = nullptr;
    Stand* optionStand = nullptr;
    bool prefer = preferOption;
    for (Stand& stand : g_stands) {
        if (stand.occupied)
            continue;
        const double d = gf_distanceNm(latitude, longitude, stand.latitude, stand.longitude);
        if (d <= radiusNm && d < best) {
            if (lf_fits(stand, aircraft)) {
                result = &stand;
                best = d;
                prefer = false;
            } else if (d <= kStandNearNm) {
                result = &stand;
                tooSmall = &stand;
                best = d;
                prefer = false;
            }
        } else if (prefer && !aircraft.callsign.empty() && d <= kOptionRangeNm && d < bestOption &&
                   lf_fits(stand, aircraft) && lf_optionNamesAircraft(stand, aircraft)) {
            optionStand = &stand;
            bestOption = d;
        }
    }
    if (result == nullptr)
        result = optionStand;
    if (result != nullptr && result->heli != (aircraft.category == SizeCategory::Rotorcraft))
        result = nullptr;
    if (result != nullptr && result == tooSmall) {
        result->radius = aircraft.halfWingspanNm - kShrinkStepNm;
        result->radiusChanged = true;
        lf_countLearnedUpdate();
    }
    return result;
}

void gf_matchStandOption(DayAndSlot now, FlightRecord& aircraft) {
    const std::int32_t reach = aircraft.category == SizeCategory::Heavy ? 14 : 10;
    const std::int32_t first = std::max(0, now.slot - reach);
    const std::int32_t last = std::min(47, now.slot + reach);
    if (first > last)
        return;
    HalfHourBits window;
    for (std::int32_t slot = first; slot <= last; ++slot)
        window.set(static_cast<std::size_t>(slot));
    const std::string callsign = aircraft.callsign;
    const std::string trimmed(gf_callsignWithoutUniqueMark(callsign));
    if (trimmed.empty())
        return;
    for (const Stand& stand : g_stands) {
        for (const StandOpt& o : stand.options) {
            if (o.number == 0 || o.day != static_cast<std::uint32_t>(now.day) || o.airline != aircraft.airlineId ||
                o.callsign2.empty() || (o.halfHours & window).none())
                continue;
            if (callsign == o.callsign || callsign == o.callsign2 || trimmed == o.callsign || trimmed == o.callsign2) {
                aircraft.firstCallsign = o.callsign;
                aircraft.secondCallsign = o.callsign2;
                return;
            }
        }
    }
}

bool gf_extendStandStay(DayAndSlot now, std::vector<StandOpt>& options, std::uint32_t number, StandStayMark& last,
                        const FlightRecord& aircraft, std::string_view registration, bool complete) {
    if (number == 0 || lf_sameDaySlot(now, last))
        return true;
    const std::int32_t limit = aircraft.cargo != 0 ? 12 : aircraft.category == SizeCategory::Heavy ? 8 : 6;
    std::int32_t gap =
        (now.day - static_cast<std::int32_t>(last.day)) * 48 + now.slot - static_cast<std::int32_t>(last.slot);
    if (gap < 0)
        gap += 336;
    if (gap < 1 || gap >= limit)
        return false;
    if (static_cast<std::uint32_t>(now.day) == last.day) {
        std::vector<int> slots = gf_halfHoursBack(now, gap);
        if (updateOptions(options, slots, number))
            gf_findStandOpt(options, number, aircraft.callsign);
    } else {
        const auto added =
            gf_addStandOpt(options, aircraft.airlineId, aircraft.modelId, static_cast<std::uint32_t>(now.day), now.slot,
                           aircraft.callsign, registration, complete ? 1 : 0);
        if (!added)
            return false;
        std::vector<int> slots;
        slots.reserve(48);
        gf_pushHalfHoursBack(slots, gap, now);
        updateOptionsWrapped(options, slots, number, *added);
        gf_findStandOpt(options, number, aircraft.callsign);
        gf_findStandOpt(options, *added, aircraft.callsign);
        last.number = *added;
    }
    last.day = static_cast<std::uint32_t>(now.day);
    last.slot = static_cast<std::uint32_t>(now.slot);
    return true;
}

void lf_addRealStandOption(std::int32_t sid, FlightRecord& aircraft, std::int32_t kind) {
    const DayAndSlot now = g_dayAndSlotNow.load();
    try {
        const std::string registration(gf_callsignWithoutUniqueMark(aircraft.registration));
        const auto known = gf_lookupRegistration(registration);
        if (!known)
            return;
        aircraft.airlineId = known->airline;
        aircraft.modelId = known->model;
        Stand* stand = gf_findStand(sid);
        if (stand == nullptr)
            return;
        const bool complete = kind == kStandLeaving || kind == kStandLeavingFar;
        const auto day = static_cast<std::uint32_t>(now.day);
        const auto slot = static_cast<std::size_t>(now.slot);
        std::vector<StandOpt>& options = stand->options;
        const auto today = [&](const StandOpt& o, std::uint32_t source) {
            return o.number != 0 && o.day == day && o.registration == registration && o.real == 1 && o.source == source;
        };
        // The airport file's schedule already has this aircraft here at another time today.
        if (std::any_of(options.begin(), options.end(),
                        [&](const StandOpt& o) { return today(o, 1) && !o.halfHours.test(slot); }))
            return;
        const auto addNew = [&] {
            gf_addStandOpt(options, aircraft.airlineId, aircraft.modelId, day, now.slot, aircraft.callsign,
                           registration, complete ? 1 : 0);
        };
        const auto found = std::find_if(options.begin(), options.end(), [&](const StandOpt& o) { return today(o, 0); });
        if (found == options.end()) {
            addNew();
            return;
        }
        // By index: an addition may move the options.
        const auto b = static_cast<std::size_t>(found - options.begin());
        if (options[b].cpl != 0 || options[b].halfHours.test(slot)) {
            if (!options[b].halfHours.test(slot))
                addNew();
        } else {
            std::int32_t latest = 47;
            while (latest >= 0 && !options[b].halfHours.test(static_cast<std::size_t>(latest)))
                --latest;
            if (latest < 0)
                return;
            StandStayMark last{options[b].day, static_cast<std::uint32_t>(latest), options[b].number};
            const std::uint32_t number = options[b].number;
            if (gf_extendStandStay(now, options, number, last, aircraft, registration, complete))
                lf_countLearnedUpdate();
            else
                addNew();
        }
        if (complete)
            options[b].cpl = 1;
    } catch (const std::exception& e) {
        gf_logError(fmt::format("{}: hh_now: {}, {}", "lf_addRealStandOption", now.slot, e.what()));
    }
}

bool gf_standHasFlightOf(DayAndSlot now, std::int32_t sid, const FlightRecord& aircraft) {
    const Stand* stand = gf_findStand(sid);
    if (stand == nullptr || now.slot < 0 || now.slot > 47)
        return false;
    const std::int32_t window = std::min(std::max(g_fitReal, g_fitSoft), 47);
    const auto flightHas = [&](std::int32_t day, std::int32_t from, std::int32_t to) {
        return std::any_of(stand->options.begin(), stand->options.end(), [&](const StandOpt& o) {
            if (o.day != static_cast<std::uint32_t>(day) || o.registration != aircraft.registration ||
                o.airline != aircraft.airlineId || o.model != aircraft.modelId)
                return false;
            for (std::int32_t s = from; s <= to; ++s) {
                if (o.halfHours.test(static_cast<std::size_t>(s)))
                    return true;
            }
            return false;
        });
    };
    if (flightHas(now.day, std::max(0, now.slot - window), now.slot))
        return true;
    const std::int32_t beforeMidnight = std::min(window - now.slot, 46);
    return beforeMidnight > 0 && flightHas(gf_dayBefore(now.day), 48 - beforeMidnight, 47);
}

bool lf_parkedNameTaken(const std::vector<ParkedAircraft>& parked, const StandOpt& option) {
    const auto named = [&](std::string_view name) {
        return !name.empty() && (name == option.callsign || name == option.callsign2);
    };
    return std::any_of(parked.begin(), parked.end(), [&](const ParkedAircraft& p) {
        std::string_view callsign = p.callsign;
        if (!callsign.empty() && callsign.back() == '*')
            callsign.remove_suffix(1);
        return named(callsign) || named(p.firstCallsign) || named(p.secondCallsign) ||
               (!option.registration.empty() && p.registration == option.registration);
    });
}

bool lf_placementNameTaken(const std::vector<StaticPlacement>& pending, const StandOpt& option) {
    const auto named = [&](std::string_view name) {
        return !name.empty() && (name == option.callsign || name == option.callsign2);
    };
    return std::any_of(pending.begin(), pending.end(), [&](const StaticPlacement& p) {
        return named(p.firstCallsign) || named(p.secondCallsign) ||
               (!option.registration.empty() && p.registration == option.registration);
    });
}

void lf_dropUnusedOptions(std::vector<StandOpt>& options) {
    options.erase(std::remove_if(options.begin(), options.end(),
                                 [](const StandOpt& o) { return o.source == 1 || o.number == 0; }),
                  options.end());
}

} // namespace skf
