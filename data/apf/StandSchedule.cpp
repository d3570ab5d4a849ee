// Schedule operations of the traffic engine on a stand's options.
#include <algorithm>
#include <exception>

#include <fmt/format.h>

#include "core/Log.h"
#include "core/WindowFields.h"
#include "data/DbaseLookups.h"
#include "data/StringPool.h"
#include "data/apf/Stand.h"

namespace skf {

namespace {

// Takes slots from the back of the vector into the option until `stop` says so.
template <class Stop>
void lf_takeSlots(StandOpt& option, std::vector<int>& slots, Stop stop) {
    while (!slots.empty() && !stop()) {
        gf_setHalfHour(option.halfHours, slots.back());
        slots.pop_back();
    }
}

} // namespace

std::optional<uint32_t> gf_addStandOpt(std::vector<StandOpt>& options, uint16_t airline, uint16_t model, uint32_t day,
                                       int slot, std::string_view callsign, std::string_view registration,
                                       uint8_t cpl) {
    if (registration.empty()) {
        return std::nullopt;
    }
    const std::string_view cs = gf_callsignWithoutUniqueMark(callsign);
    HalfHourBits bits;
    gf_setHalfHour(bits, slot);
    const auto number = static_cast<uint32_t>(options.size() + 1);
    if (const auto record = gf_lookupRegistration(registration)) {
        airline = record->airline;
        model = record->model;
        if (record->operatorId != 0 && !gf_operatorName(record->operatorId).empty()) {
            airline = record->operatorId;
        }
    }
    const bool known = std::any_of(options.begin(), options.end(), [&](const StandOpt& o) {
        return o.registration == registration && o.day == day && o.halfHours == bits;
    });
    if (known) {
        return std::nullopt;
    }
    StandOpt opt;
    opt.airline = airline;
    opt.model = model;
    opt.registration = registration;
    opt.callsign = cs;
    opt.halfHours = bits;
    opt.number = number;
    opt.day = day;
    opt.source = 0;
    opt.real = 1;
    opt.cpl = cpl;
    options.push_back(std::move(opt));

    const uint32_t learned = ++g_learnedUpdates;
    if (g_mainWindow.learnedUpdates.exchange(learned) != learned) {
        gf_markChanged(BAND_MIDDLE);
    }
    return number;
}

bool updateOptions(std::vector<StandOpt>& options, std::vector<int>& slots, uint32_t number) {
    StandOpt* option = gf_standOptByNumber(options, number);
    if (option == nullptr) {
        return false;
    }
    try {
        lf_takeSlots(*option, slots, [] { return false; });
        return true;
    } catch (const std::exception& e) {
        gf_logError(fmt::format("{} exception:{}", "updateOptions", e.what()));
        return false;
    }
}

bool updateOptionsWrapped(std::vector<StandOpt>& options, std::vector<int>& slots, uint32_t number1, uint32_t number2) {
    try {
        StandOpt* previous = gf_standOptByNumber(options, number1);
        if (previous == nullptr) {
            return false;
        }
        if (!slots.empty() && slots.back() != 0) {
            bool reachedMidnight = false;
            while (!slots.empty() && !reachedMidnight) {
                const int slot = slots.back();
                gf_setHalfHour(previous->halfHours, slot);
                slots.pop_back();
                reachedMidnight = slot == 47;
            }
        }
        StandOpt* current = gf_standOptByNumber(options, number2);
        if (current == nullptr) {
            return false;
        }
        lf_takeSlots(*current, slots, [&] { return slots.size() < 2; });
        return true;
    } catch (const std::exception& e) {
        gf_logError(fmt::format("{} exception:{}", "updateOptionsWrapped", e.what()));
        return false;
    }
}

} // namespace skf
