// The option search of the static placement.
#include "traffic/StandSearch.h"

#include <algorithm>
#include <exception>

#include <fmt/format.h>

#include "core/Geometry.h"
#include "core/Log.h"
#include "core/Random.h"
#include "core/Text.h"
#include "core/settings/Catalogue.h"
#include "data/DbaseLookups.h"
#include "traffic/EngineState.h"
#include "traffic/StandsInternal.h"

namespace skf {

namespace {

// The active static aircraft by stand id, built once per pass so that the neighbour test of every
// option does not walk all static aircraft.
struct StaticsByStand {
    std::vector<std::vector<const ParkedAircraft*>> byStand;

    StaticsByStand() {
        std::int32_t highest = 0;
        for (const ParkedAircraft& p : g_parkedAircraft)
            highest = std::max(highest, p.standId);
        byStand.resize(static_cast<std::size_t>(highest) + 1);
        for (const ParkedAircraft& p : g_parkedAircraft) {
            if (p.standId > 0)
                byStand[static_cast<std::size_t>(p.standId)].push_back(&p);
        }
    }
    const std::vector<const ParkedAircraft*>* on(std::int32_t sid) const {
        if (sid < 1 || static_cast<std::size_t>(sid) >= byStand.size())
            return nullptr;
        return &byStand[static_cast<std::size_t>(sid)];
    }
};

const StaticsByStand* g_passStatics = nullptr;
// The placements of the running pass: a flight found on one stand is in use for every later stand.
const std::vector<StaticPlacement>* g_passOut = nullptr;

bool lf_neighboursLeaveRoom(const StandOpt& option, const Stand& stand) {
    for (const std::int32_t id : stand.adjacent) {
        const auto* statics = g_passStatics != nullptr ? g_passStatics->on(id) : nullptr;
        if (statics == nullptr)
            continue;
        for (const ParkedAircraft* p : *statics) {
            if (p->simStatus != SimStatus::active)
                continue;
            const double d = gf_distanceNm(p->standLat, p->standLon, stand.latitude, stand.longitude);
            if (gf_halfWingspan(p->modelId) + gf_halfWingspan(option.model) > d)
                return false;
        }
    }
    return true;
}

// The option of the static aircraft already standing here comes first, so that a renewal keeps it.
void lf_orderCandidates(const Stand& stand, std::vector<std::uint32_t>& candidates) {
    const auto* statics = g_passStatics != nullptr ? g_passStatics->on(stand.sid) : nullptr;
    if (statics != nullptr) {
        for (const ParkedAircraft* p : *statics) {
            for (const StandOpt& o : stand.options) {
                if ((gf_equalsWithStar(o.callsign, p->callsign) || gf_equalsWithStar(o.callsign2, p->callsign)) &&
                    o.airline == p->airlineId && o.model == p->modelId) {
                    candidates.front() = o.number;
                    return;
                }
            }
        }
    }
    std::shuffle(candidates.begin(), candidates.end(), gf_randomEngine());
}

bool lf_flightInUse(const StandOpt& option) {
    if (!option.registration.empty() &&
        std::any_of(g_pendingStatic.begin(), g_pendingStatic.end(),
                    [&](const StaticPlacement& p) { return p.registration == option.registration; }))
        return true;
    if (lf_parkedNameTaken(g_parkedAircraft, option) || lf_placementNameTaken(g_pendingStatic, option))
        return true;
    if (g_passOut != nullptr && lf_placementNameTaken(*g_passOut, option))
        return true;
    return std::any_of(g_parkedLive.begin(), g_parkedLive.end(), [&](const ParkedLiveEntry& e) {
        const std::string_view cs = gf_callsignWithoutUniqueMark(e.callsign);
        return !cs.empty() && (cs == option.callsign || cs == option.callsign2);
    });
}

bool lf_staysOn(const Stand& stand, const StandOpt& option, DayAndSlot now) {
    if (option.callsign2.empty())
        return true;
    const std::int32_t next = now.slot + 1;
    if (next <= 47)
        return option.halfHours.test(static_cast<std::size_t>(next));
    const auto tomorrow = static_cast<std::uint32_t>(gf_dayAfter(now.day));
    return std::any_of(stand.options.begin(), stand.options.end(), [&](const StandOpt& o) {
        return o.number >= 1 && o.day == tomorrow && o.airline == option.airline && o.model == option.model &&
               o.halfHours.test(0);
    });
}

} // namespace

bool lf_optionEligible(const StandOpt& option, std::int32_t kind, std::int32_t mode, std::int32_t day,
                       std::int32_t slot, const Stand& stand) {
    if (option.number == 0)
        return false;
    if (mode == 1 && option.day != static_cast<std::uint32_t>(day))
        return false;
    if (option.real != (kind == 1 ? 1U : 0U))
        return false;
    if (!option.halfHours.test(static_cast<std::size_t>(slot)))
        return false;
    if (stand.heli && !HELICOPTERS.value())
        return false;
    if (stand.adjacentBlocked)
        return false;
    return lf_neighboursLeaveRoom(option, stand);
}

void lf_searchStands(DayAndSlot now, std::int32_t kind, std::int32_t mode, std::int32_t offset,
                     std::vector<StaticPlacement>& out) {
    const DayAndSlot searched = gf_slotsBack(now, offset);
    const StaticsByStand statics;
    g_passStatics = &statics;
    g_passOut = &out;
    try {
        std::vector<std::uint32_t> candidates;
        for (Stand& stand : g_stands) {
            if (stand.excluded || stand.staticUsed)
                continue;
            candidates.clear();
            for (const StandOpt& o : stand.options) {
                if (lf_optionEligible(o, kind, mode, searched.day, searched.slot, stand))
                    candidates.push_back(o.number);
            }
            if (candidates.empty())
                continue;
            if (candidates.size() >= 2 && gf_randomOn())
                lf_orderCandidates(stand, candidates);
            StandOpt* option =
                candidates.front() >= 1 ? gf_standOptByNumber(stand.options, candidates.front()) : nullptr;
            if (option == nullptr)
                continue;
            if (lf_flightInUse(*option)) {
                option->number = 0;
                continue;
            }
            out.push_back(StaticPlacement{stand.sid, static_cast<std::uint32_t>(offset), option->airline, option->model,
                                          option->callsign, option->callsign2, option->registration,
                                          static_cast<std::uint8_t>(lf_staysOn(stand, *option, now) ? 1 : 0)});
            gf_markStandUsed(stand);
        }
    } catch (const std::exception& e) {
        gf_logError(fmt::format("{}: day: {}, offset {}: {}", "lf_searchStands", searched.day, offset, e.what()));
    }
    g_passStatics = nullptr;
    g_passOut = nullptr;
}

} // namespace skf
