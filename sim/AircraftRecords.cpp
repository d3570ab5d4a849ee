#include "sim/AircraftRecords.h"

#include <cctype>
#include <stdexcept>
#include <unordered_map>

#include <fmt/format.h>

#include "core/Geometry.h"
#include "core/Random.h"
#include "core/SizeCategory.h"
#include "core/settings/Catalogue.h"
#include "core/settings/Parameters.h"
#include "data/DbaseLookups.h"
#include "data/StringPool.h"

namespace skf {

namespace {

void lf_moveStrings(TrafficRecord& to, TrafficRecord& from) {
    to.callsign = std::move(from.callsign);
    to.firstCallsign = std::move(from.firstCallsign);
    to.secondCallsign = std::move(from.secondCallsign);
    to.registration = std::move(from.registration);
    from.callsign.clear();
    from.firstCallsign.clear();
    from.secondCallsign.clear();
    from.registration.clear();
}

template <typename Key>
const std::string& lf_lookupName(const std::unordered_map<Key, std::string>& names, Key key) {
    const auto it = names.find(key);
    if (it == names.end()) {
        throw std::out_of_range("invalid unordered_map<K, T> key");
    }
    return it->second;
}

} // namespace

TrafficRecord::TrafficRecord(TrafficRecord&& other) noexcept
    : airlineId(other.airlineId), modelId(other.modelId), origin(other.origin), destination(other.destination),
      flag(other.flag) {
    lf_moveStrings(*this, other);
}

TrafficRecord& TrafficRecord::operator=(TrafficRecord&& other) noexcept {
    if (this != &other) {
        airlineId = other.airlineId;
        modelId = other.modelId;
        origin = other.origin;
        destination = other.destination;
        flag = other.flag;
        lf_moveStrings(*this, other);
    }
    return *this;
}

ParkedAircraft::ParkedAircraft(FlightRecord&& record, std::int32_t standId_, double lat, double lon, double heading,
                               std::uint8_t cargo_)
    : FlightRecord(std::move(record)), standLat(lat), standLon(lon), standHeading(heading), standId(standId_),
      standCargo(cargo_) {}

FlightRecord gf_makeFlightRecord(TrafficRecord record) {
    FlightRecord flight;
    static_cast<TrafficRecord&>(flight) = std::move(record);
    flight.halfWingspanNm = gf_halfWingspan(flight.modelId);
    flight.category = gf_modelCategory(flight.modelId);
    const auto key = flight.category;
    flight.flarePitchSteps = static_cast<std::uint32_t>(g_flareSteps.at(key));
    flight.onGroundSlots = static_cast<std::uint32_t>(g_touchdownSteps.at(key));
    flight.takeOffPitchSteps = static_cast<std::uint32_t>(g_rotationSteps.at(key));
    flight.climbPitchSteps = static_cast<std::uint32_t>(g_climbPitchSteps.at(key));
    flight.takeOffPitch = gf_randomizePercent(g_takeoffPitches.at(key), 2.5) * g_degToRad;
    flight.climbPitch = gf_randomizePercent(g_climbPitches.at(key), 5.0) * g_degToRad;
    flight.nominalTurnRate = g_turnRates.at(key);
    return flight;
}

const std::string& gf_flightPhaseName(FlightPhase phase) {
    static const std::unordered_map<std::uint32_t, std::string> names{
        {0, "pushing_back"}, {1, "pushed_back"}, {2, "taxi"},   {3, "take_off"},
        {4, "flying"},       {5, "parking"},     {6, "parked"}, {7, "birth"}};
    return lf_lookupName(names, static_cast<std::uint32_t>(phase));
}

const std::string& gf_simStatusName(SimStatus status) {
    static const std::unordered_map<std::uint32_t, std::string> names{
        {0, "buffer"}, {1, "adding2sim"}, {2, "active"}, {3, "liveryrespawn"}, {4, "removingfromsim"}};
    return lf_lookupName(names, static_cast<std::uint32_t>(status));
}

std::string gf_routeCodeText(const RouteCode& code) {
    if (code[0] == '\0') {
        return "   ";
    }
    std::string text(code.begin(), code.end());
    for (auto& c : text) {
        if (c == '\0') {
            c = ' ';
        }
    }
    return text;
}

std::string gf_airlineTypeLabel(std::pair<std::uint16_t, std::uint16_t> ids) {
    return gf_airlineTypeLabel(ids.first, ids.second);
}

std::string gf_airlineTypeLabel(const TrafficRecord& record) {
    return gf_airlineTypeLabel(record.airlineId, record.modelId);
}

std::string gf_routeLabel(const TrafficRecord& record) {
    if (record.origin[0] == '\0' && record.destination[0] == '\0') {
        return std::string(8, ' ');
    }
    return fmt::format("{:3}->{:3}", gf_routeCodeText(record.origin), gf_routeCodeText(record.destination));
}

std::string gf_callsignPadded(const TrafficRecord& record) {
    return fmt::format("{:8}", record.callsign);
}

std::string gf_aircraftIdText(const TrafficRecord& record) {
    return fmt::format("{} {:8} {}", gf_callsignPadded(record), record.registration, gf_routeLabel(record));
}

std::string gf_aircraftText(const TrafficRecord& record) {
    return fmt::format("{} {}", gf_aircraftIdText(record), gf_airlineTypeLabel(record));
}

std::string gf_aircraftText3(const TrafficRecord& record) {
    return fmt::format("{} {} {}", gf_callsignPadded(record), record.registration, gf_airlineTypeLabel(record));
}

std::string gf_matchingKey(const TrafficRecord& record) {
    return gf_airlineTypeLabel(record) + " " + record.registration;
}

std::optional<std::string> gf_airlineFromCallsign(std::string_view callsign) {
    if (callsign.size() < 4) {
        return std::nullopt;
    }
    const auto isLetter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
    if (!isLetter(callsign[0]) || !isLetter(callsign[1]) || !isLetter(callsign[2]) ||
        std::isdigit(static_cast<unsigned char>(callsign[3])) == 0) {
        return std::nullopt;
    }
    std::string code(callsign.substr(0, 3));
    for (auto& c : code) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return code;
}

bool gf_isUsableCallsign(const TrafficRecord& record) {
    return !record.callsign.empty() && record.callsign != "@@@@@@@@" && record.callsign.size() < 9;
}

RouteCode gf_routeCode(std::string_view text) {
    RouteCode code{};
    for (std::size_t i = 0; i < code.size() && i < text.size(); ++i) {
        code[i] = text[i];
    }
    return code;
}

} // namespace skf
