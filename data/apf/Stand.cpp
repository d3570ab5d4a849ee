#include "data/apf/Stand.h"
#include "data/apf/ParkApfState.h"

#include <algorithm>
#include <stdexcept>

namespace skf {

void gf_setHalfHour(HalfHourBits& bits, int slot) {
    if (slot < 0 || slot >= static_cast<int>(bits.size())) {
        throw std::out_of_range("invalid bitset position");
    }
    bits.set(static_cast<size_t>(slot));
}

// One trailing '_' marks a callsign that the feed made unique; it is not part of the callsign.
std::string_view gf_callsignWithoutUniqueMark(std::string_view callsign) {
    if (!callsign.empty() && callsign.back() == '_') {
        callsign.remove_suffix(1);
    }
    return callsign;
}

StandOpt* gf_standOptByNumber(std::vector<StandOpt>& options, uint32_t number) {
    const auto it =
        std::find_if(options.begin(), options.end(), [number](const StandOpt& o) { return o.number == number; });
    return it == options.end() ? nullptr : &*it;
}

void gf_findStandOpt(std::vector<StandOpt>& options, uint32_t number, std::string_view callsign) {
    const std::string_view cs = gf_callsignWithoutUniqueMark(callsign);
    if (cs.empty() || number == 0) {
        return;
    }
    StandOpt* opt = gf_standOptByNumber(options, number);
    if (opt == nullptr) {
        return;
    }
    if (opt->callsign.empty()) {
        opt->callsign = cs;
    } else if (cs != opt->callsign && cs != opt->callsign2) {
        opt->callsign2 = cs;
    }
}

void gf_pushHalfHoursBack(std::vector<int>& slots, int n, DayAndSlot now) {
    int32_t slot = now.slot;
    int32_t day = now.day;
    for (int i = 0; i < n; ++i) {
        slots.push_back(slot);
        if (--slot < 0) {
            slot = 47;
            day = day <= 1 ? 7 : day - 1; // the day goes back with the slot; not part of the output
        }
    }
}

std::vector<int> gf_halfHoursBack(DayAndSlot now, int n) {
    std::vector<int> slots;
    slots.reserve(48);
    gf_pushHalfHoursBack(slots, n, now);
    return slots;
}

Stand* gf_findStand(std::int32_t sid) {
    gf_checkParkApfThread("gf_findStand");
    if (sid < 1)
        return nullptr;
    const auto it = std::lower_bound(g_stands.begin(), g_stands.end(), sid,
                                     [](const Stand& s, std::int32_t id) { return s.sid < id; });
    return (it != g_stands.end() && it->sid == sid) ? &*it : nullptr;
}

void gf_setStandOccupied(std::int32_t sid, bool occupied) {
    gf_checkParkApfThread("gf_setStandOccupied");
    if (Stand* stand = gf_findStand(sid))
        stand->occupied = occupied;
}

} // namespace skf
