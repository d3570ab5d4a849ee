// Static parking: the stand file, the wanted count, the placement passes and the placing.
#include "traffic/StaticParking.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include <fmt/format.h>

#include "core/ControlFields.h"
#include "core/Log.h"
#include "core/Random.h"
#include "core/Text.h"
#include "core/Time.h"
#include "core/Units.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "data/StringPool.h"
#include "data/apf/ApfLocate.h"
#include "data/apf/ParkApf.h"
#include "data/apf/ParkApfState.h"
#include "liveries/LiveryMatching.h"
#include "sim/UserAircraft.h"
#include "traffic/EngineState.h"
#include "traffic/ParkAirports.h"
#include "traffic/ParkingAdjustment.h"
#include "traffic/StandSearch.h"

namespace skf {

namespace {

std::uint32_t g_staticIdCounter = 0;

std::int64_t lf_usedStands() {
    return std::count_if(g_stands.begin(), g_stands.end(), [](const Stand& s) { return s.staticUsed; });
}

const char* lf_passName(std::int32_t kind, std::int32_t mode) {
    if (mode == 1)
        return kind == 1 ? "real" : "soft";
    return kind == 1 ? "week/real" : "week/soft";
}

bool lf_liveAtStand(const LiveAircraft& live) {
    return live.phase == FlightPhase::parking || live.phase == FlightPhase::parked;
}

// The callsign of a placement: its airline code and id for a flight without a name.
std::string lf_detcs(const StaticPlacement& p, std::uint32_t id) {
    if (p.firstCallsign.empty())
        return fmt::format("{}{}*", gf_operatorName(p.airline), id);
    const std::string& chosen =
        p.staysOn != 0 ? p.firstCallsign : (!p.secondCallsign.empty() ? p.secondCallsign : p.firstCallsign);
    if (chosen.find_first_not_of('_') == std::string::npos) {
        gf_logError(fmt::format("{} callsign is empty..", "lf_detcs"));
        return {};
    }
    return lf_staticCallsign(chosen);
}

// The placement is refused when a live or static aircraft stands on its stand or next to it.
bool lf_standIsClear(const StaticPlacement& p, const Stand* stand) {
    const auto adjacent = [&](std::int32_t sid) {
        return stand != nullptr && sid > 0 &&
               std::find(stand->adjacent.begin(), stand->adjacent.end(), sid) != stand->adjacent.end();
    };
    const std::string name = gf_standName(p.standId);
    for (const LiveAircraft& live : g_liveAircraft) {
        if (lf_liveAtStand(live) && live.standId == p.standId) {
            gf_log(fmt::format("{:8}: no static parking for {}, live aircraft {} standing here", name, p.firstCallsign,
                               live.callsign));
            return false;
        }
    }
    for (const LiveAircraft& live : g_liveAircraft) {
        if (lf_liveAtStand(live) && adjacent(live.standId)) {
            gf_log(fmt::format("{:8}: no static parking for {}, live aircraft {} is adjacent at {}, possibly colliding",
                               name, p.firstCallsign, live.callsign, gf_standName(live.standId)));
            return false;
        }
    }
    for (const ParkedAircraft& other : g_parkedAircraft) {
        // One on its way out (a leaving aircraft placed again under its departure callsign) is no obstacle.
        if (other.simStatus == SimStatus::removingfromsim || other.removeWhenAdded != 0 || other.erase != 0 ||
            other.eraseCreationCancelled != 0)
            continue;
        if (other.standId > 0 && (other.standId == p.standId || adjacent(other.standId))) {
            gf_log(
                fmt::format("{:8}: no static parking for {}, static aircraft {} is adjacent at {}, possibly colliding",
                            name, p.firstCallsign, other.callsign, gf_standName(other.standId)));
            return false;
        }
    }
    return true;
}

} // namespace

std::string lf_staticCallsign(std::string_view text) {
    while (!text.empty() && text.back() == '_')
        text.remove_suffix(1);
    std::string callsign(text);
    if (callsign.empty() || callsign.back() != '*')
        callsign += '*';
    return callsign;
}

std::uint32_t lf_nextStaticId() {
    // Id 0 reads as "no match" in the simulator link, and an id still in use would give two aircraft
    // one identity.
    for (int tries = 0; tries < 10000; ++tries) {
        g_staticIdCounter = (g_staticIdCounter + 1) % kLiveTrafficIdBase;
        if (g_staticIdCounter == 0)
            continue;
        const bool inUse = std::any_of(g_parkedAircraft.begin(), g_parkedAircraft.end(),
                                       [](const ParkedAircraft& p) { return p.trafficId == g_staticIdCounter; });
        if (!inUse)
            break;
    }
    return g_staticIdCounter;
}

void gf_setStaticIdCounter(std::uint32_t value) {
    g_staticIdCounter = value;
}

std::uint64_t gf_pendingStaticCount() {
    return g_pendingStatic.size();
}

void gf_dropPendingStaticAt(std::int32_t sid) {
    g_pendingStatic.erase(std::remove_if(g_pendingStatic.begin(), g_pendingStatic.end(),
                                         [sid](const StaticPlacement& p) { return p.standId == sid; }),
                          g_pendingStatic.end());
}

std::string lf_readParkedFile() {
    gf_parkApfState().file = ParkApfFile{}; // the previous file's stands, texts and learned path
    gf_clearStandNameCache();
    const IcaoCode icao = g_parkAirport.icao;
    const std::string path = gf_locateApf(icao);
    if (path.empty())
        return fmt::format("{} {} not found", "lf_readParkedFile", icao.view());
    std::string error;
    try {
        error = gf_readApf(path, g_parkApfInfo);
    } catch (const std::exception& e) {
        // A damaged stand file must not end the run: it leaves no park airport, with its error shown.
        error = e.what();
    }
    gf_clearStandNameCache();
    if (!error.empty())
        return error;

    const UserAircraftState user = g_userAircraft.get();
    if (user.known != 0) {
        const std::string name = gf_standNameAt(user);
        if (!g_parkAirports.empty() && g_parkAirports.front().icao == icao) {
            if (!name.empty() && name != g_parkAirports.front().reservedStand) {
                g_parkAirports.front().reservedStand = name;
                gf_saveMyParkAirports();
            }
        } else {
            g_parkAirports.push_front(ParkAirport{name, g_parkAirport.latitude, g_parkAirport.longitude, 0.0, icao});
            gf_saveMyParkAirports();
        }
    }
    g_stands.shrink_to_fit();

    g_reservedStand.clear();
    if (!g_parkAirports.empty() && g_parkAirports.front().icao == icao) {
        const std::string& reserved = g_parkAirports.front().reservedStand;
        if (!reserved.empty() &&
            std::any_of(g_stands.begin(), g_stands.end(), [&](const Stand& s) { return s.id == reserved; }))
            g_reservedStand = reserved;
    }
    g_mainWindow.reservedStandName.set(g_reservedStand);
    g_mainWindow.reservedStandValid = !g_reservedStand.empty();
    g_mainWindow.parkAirportName.set(g_parkApfInfo.airportName);
    g_mainWindow.parkAirportActive = true;
    g_mainWindow.standsLoaded = true;
    g_learnedUpdates = 0;
    g_mainWindow.learnedUpdates = 0;
    gf_markChanged(BAND_MIDDLE | BAND_PARK);
    return {};
}

std::int64_t gf_wantedStaticCount() {
    const std::int64_t most = MAX_PARK_SEL.value();
    const auto stands = static_cast<std::int64_t>(g_stands.size());
    const std::int32_t custom = CUSTOM_PARKING_PERCENTAGE.value();
    const std::int64_t percent = custom >= 0 ? custom : parking_percentage.value();
    std::int64_t wanted = 0;
    if (most > 0) {
        std::int64_t w = 1;
        if (stands > 1 && (stands > 3 || percent >= 50))
            w = std::llround(static_cast<double>(percent * stands) / 100.0);
        wanted = std::min(most, w);
    }
    g_mainWindow.wantedStaticCount = static_cast<std::int32_t>(wanted);
    g_mainWindow.percentage =
        most <= 0 ? static_cast<std::int32_t>(percent)
                  : (stands == 0 ? 0 : static_cast<std::int32_t>(std::llround(wanted * 100.0 / stands)));
    gf_markChanged(BAND_PARK);
    return wanted;
}

DayAndSlot lf_logDayAndHour() {
    const DayAndSlot now = g_dayAndSlotNow.load();
    gf_log(fmt::format("\n{} (utc) It is day {} ({}), {:.1F} hours", gf_utcTimeText(gf_programClockSeconds()), now.day,
                       gf_weekdayName(now.day), gf_maxFitLevel(now.slot)));
    return now;
}

void lf_markExcludedStands() {
    const std::string user = gf_standNameAt(g_userAircraft.get());
    for (Stand& stand : g_stands) {
        if (!g_reservedStand.empty() && stand.id == g_reservedStand)
            stand.excluded = true;
        else if (!user.empty() && stand.id == user)
            stand.excluded = true;
    }
}

bool lf_fitPass(DayAndSlot now, std::int32_t kind, std::int32_t mode, std::int64_t wanted,
                std::vector<StaticPlacement>& out) {
    if (wanted == 0)
        return true;
    const std::int64_t used0 = lf_usedStands();
    const std::int32_t maxFit = std::clamp(MAX_FIT.value(), 0, 47);
    bool ok = false;
    std::int32_t offset = 0;
    for (;; ++offset) {
        lf_searchStands(now, kind, mode, offset, out);
        if (lf_usedStands() >= wanted) {
            ok = true;
            break;
        }
        g_pendingStatic.insert(g_pendingStatic.end(), out.begin(), out.end());
        out.clear();
        if (offset >= maxFit)
            break;
    }
    if (kind == 1) {
        g_fitReal = offset;
        g_fitSoft = -1;
    } else {
        g_fitSoft = offset;
    }
    const std::int64_t added = lf_usedStands() - used0;
    if (added >= 1) {
        gf_log(fmt::format("{} {} position{} found, Max fit={:.1F} hours{}{}", added, lf_passName(kind, mode),
                           gf_plural(added), MAX_FIT_FL.value(), fmt::format(", day {}", now.day),
                           fmt::format(", hh:{} or {:.1F} hrs, fit: {:.1F} hour", now.slot, gf_maxFitLevel(now.slot),
                                       gf_maxFitLevel(offset))));
        if (kind == 0)
            g_mainWindow.softFlag = true;
        if (mode == 0)
            g_mainWindow.weekFlag = true;
    }
    return ok;
}

void lf_runPlacementPass(DayAndSlot now, std::int64_t wanted, std::int64_t already, std::int32_t kind,
                         std::int32_t mode) {
    std::vector<StaticPlacement> out;
    out.reserve(512);
    if (lf_fitPass(now, kind, mode, wanted, out)) {
        // The last offset may find more than are wanted: which of them stay is left to chance.
        const std::int64_t surplus = static_cast<std::int64_t>(g_pendingStatic.size() + out.size()) + already - wanted;
        if (surplus >= 1 && !out.empty()) {
            if (gf_randomOn())
                std::shuffle(out.begin(), out.end(), gf_randomEngine());
            out.resize(out.size() - static_cast<std::size_t>(
                                        std::min<std::int64_t>(surplus, static_cast<std::int64_t>(out.size()))));
        }
        g_pendingStatic.insert(g_pendingStatic.end(), out.begin(), out.end());
    }
    const std::int64_t t = already + static_cast<std::int64_t>(g_pendingStatic.size()) - wanted;
    if (t >= 1 && t <= static_cast<std::int64_t>(g_pendingStatic.size()))
        g_pendingStatic.resize(g_pendingStatic.size() - static_cast<std::size_t>(t));
}

void lf_collectPlacements(DayAndSlot now, std::int64_t wanted, std::int64_t already) {
    g_fitReal = 0;
    g_fitSoft = -1;
    const auto short_ = [&] { return wanted > static_cast<std::int64_t>(g_pendingStatic.size()) + already; };
    if (short_())
        lf_runPlacementPass(now, wanted, already, 1, 1);
    if (short_() && WEEK.value())
        lf_runPlacementPass(now, wanted, already, 1, 0);
    if (short_() && PARK_SOFT.value())
        lf_runPlacementPass(now, wanted, already, 0, 1);
    if (short_() && PARK_SOFT.value() && WEEK.value())
        lf_runPlacementPass(now, wanted, already, 0, 0);
}

void lf_calcStaticParking() {
    const DayAndSlot now = lf_logDayAndHour();
    gf_setParkingBusy(true);
    g_pendingStatic.clear();
    gf_clearAdjustmentLists();
    g_mainWindow.staticAverageHours = -1.0F;
    g_mainWindow.liveAverageHours = -1.0F;
    g_mainWindow.softFlag = false;
    g_mainWindow.weekFlag = false;
    for (Stand& stand : g_stands) {
        stand.excluded = false;
        stand.staticUsed = false;
    }
    lf_markExcludedStands();
    const std::int64_t wanted = gf_wantedStaticCount();
    if (wanted > static_cast<std::int64_t>(g_pendingStatic.size()))
        lf_collectPlacements(now, wanted, 0);
    const auto byOffset = [](const StaticPlacement& a, const StaticPlacement& b) { return a.offset < b.offset; };
    std::stable_sort(g_pendingStatic.begin(), g_pendingStatic.end(), byOffset);
    if (static_cast<std::int64_t>(g_pendingStatic.size()) > wanted)
        g_pendingStatic.resize(static_cast<std::size_t>(std::max<std::int64_t>(wanted, 0)));
    if (!g_pendingStatic.empty()) {
        const auto count = static_cast<std::int64_t>(g_pendingStatic.size());
        const auto percentage =
            g_stands.empty() ? 0 : std::llround(count * 100.0 / static_cast<double>(g_stands.size()));
        gf_log(fmt::format("{} positions ({}% vs wanted {}%, with Max fit={:.1F} hours)\n", count, percentage,
                           parking_percentage.value(), MAX_FIT_FL.value()));
        // Consumed from the back: the best fits first.
        std::stable_sort(g_pendingStatic.begin(), g_pendingStatic.end(),
                         [](const StaticPlacement& a, const StaticPlacement& b) { return a.offset > b.offset; });
    } else {
        gf_log("no parking positions found");
        gf_setParkingBusy(false);
    }
    g_mainWindow.pendingStaticCount = g_pendingStatic.size();
}

void lf_addStaticAircraft() {
    if (g_pendingStatic.empty() || g_stands.empty())
        return;
    const StaticPlacement p = g_pendingStatic.back();
    g_pendingStatic.pop_back();
    const Stand* stand = gf_findStand(p.standId);
    if (!lf_standIsClear(p, stand))
        return;
    if (stand == nullptr) {
        gf_logError(fmt::format("stand with id {} not found", gf_standName(p.standId)));
        return;
    }
    const std::uint32_t id = lf_nextStaticId();
    const std::string callsign = lf_detcs(p, id);
    if (callsign.empty())
        return; // the simulator link could never match an aircraft without a tail number

    TrafficRecord record;
    record.airlineId = p.airline;
    record.modelId = p.model;
    record.callsign = callsign;
    record.firstCallsign = p.firstCallsign;
    record.secondCallsign = p.secondCallsign;
    record.registration = p.registration;
    FlightRecord flight = gf_makeFlightRecord(std::move(record));
    flight.trafficId = id;
    g_parkedAircraft.emplace_back(std::move(flight), stand->sid, stand->latitude, stand->longitude, stand->heading,
                                  static_cast<std::uint8_t>(stand->cargo ? 1 : 0));
    ParkedAircraft& aircraft = g_parkedAircraft.back();
    if (!gf_matchLiveryForParked(aircraft, *stand)) {
        g_parkedAircraft.pop_back();
        return;
    }
    aircraft.parkTime = gf_weekSlot(gf_slotsBack(g_dayAndSlotNow.load(), static_cast<std::int32_t>(p.offset)));
    aircraft.simStatus = SimStatus::adding2sim;
    CreationRecord creation;
    creation.position = InitPosition{stand->latitude,
                                     stand->longitude,
                                     static_cast<double>(g_parkAirport.altitude),
                                     0.0,
                                     0.0,
                                     stand->heading * g_radToDeg,
                                     1,
                                     0};
    creation.callsign = aircraft.callsign;
    creation.liveryTitle = aircraft.liveryTitle;
    creation.trafficId = id;
    g_staticCreationQueue.push_back(std::move(creation));
}

} // namespace skf
