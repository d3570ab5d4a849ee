// The checks of a traffic line and the record it becomes.
//
// Faults of the line are reported through a text instead of an exception: a third or more of a real feed
// may carry one, and the reader handles tens of thousands of lines a second.
#include "feed/TrafficLine.h"

#include "core/Geometry.h"
#include "core/Log.h"
#include "core/RepeatedLog.h"
#include "core/settings/Catalogue.h"
#include "data/StringPool.h"
#include "data/apf/ParkApf.h"
#include "feed/TrafficQueue.h"
#include "feed/UdpReader.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <fmt/format.h>
#include <optional>
#include <string>
#include <unordered_set>

namespace skf {

namespace {

enum Field : std::size_t {
    kHexId = 1,
    kLatitude = 2,
    kLongitude = 3,
    kAltitude = 4,
    kVerticalSpeed = 5,
    kTrack = 7,
    kGroundSpeed = 8,
    kCallsign = 9,
    kType = 10,
    kRegistration = 11,
    kOrigin = 12,
    kDestination = 13,
    kTimestamp = 14,
    kSource = 17,
    kTrueAirspeed = 20,
    kRoll = 23,
    kTrueHeading = 25,
    kCategory = 28,
};

constexpr double kGroundTrafficRadiusNm = 5.0;

RepeatedCount g_notTrafficLines;

// The kinds of faulty line, each counted and logged on its own: a feed that repeats one fault writes a line
// a minute, while the first line of every other fault is still written in full.
enum Refusal : std::size_t {
    kBadTimestamp,
    kBadLatitude,
    kBadLongitude,
    kInvalidPosition,
    kBadTrueHeading,
    kTrueHeadingAbove360,
    kBadHexId,
    kBadGroundSpeed,
    kBadAltitude,
    kBadTrack,
    kBadVerticalSpeed,
    kBadRouteCode,
    kBadRoll,
    kBadAirspeed,
    kOtherFault,
    kRefusalCount,
};

// A number at the start of the field, as from_chars reads it; the rest of the field is ignored. A field
// that does not begin with a number, or whose number is no finite value ("inf", "nan"), fails.
std::optional<double> lf_number(std::string_view field) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string lf_latLonText(double latitude, double longitude) {
    return fmt::format("{:.6f},{:.6f}", latitude, longitude);
}

// Field 11: more than 12 characters drops the line; "null" is no registration.
bool lf_checkTail(std::string_view field, TrafficRecord& record) {
    if (field.size() > 12)
        return false;
    if (field != "null")
        record.registration.assign(field);
    return true;
}

// Field 9: "null" and callsigns with an at sign are no callsign; three placeholder callsigns reject the
// line.
bool lf_checkCallsign(std::string_view field, TrafficRecord& record) {
    if (field == "null" || field.find('@') != std::string_view::npos)
        return true;
    if (field == "ERARMTR1" || field == "AIRPORT1" || field == "00000000")
        return false;
    record.callsign.assign(field);
    return true;
}

// Fields 12 and 13: "null" or empty (older senders) is no code; else three letters or digits.
bool lf_routeCode(std::string_view field, RouteCode& code) {
    code = RouteCode{};
    if (field.empty() || field == "null")
        return true;
    if (field.size() != code.size())
        return false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        char c = field[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
        code[i] = c;
    }
    return true;
}

// The on-ground decision; false drops the line (AIRBORNE_ONLY). altitude holds field 4 and becomes 0 for
// a report on the ground.
bool lf_checkAltitude(double& altitude, double groundSpeed, const TrafficReference& reference) {
    if (altitude > 0.0 && altitude < 14000.0) {
        const double base = g_trafficReferenceElevationValid.load() ? g_trafficReferenceElevation.load() : -1000.0;
        const double h = altitude - base;
        const double above = std::fabs(h);
        if (h <= 0.0 || (above <= 42.0 && groundSpeed <= 120.0) || (above <= 84.0 && groundSpeed <= 80.0) ||
            (above <= 108.0 && groundSpeed <= 43.0))
            altitude = 0.0;
    }
    if (altitude > 0.0 && groundSpeed <= 35.0)
        altitude = 0.0;
    if (altitude <= 0.0)
        altitude = 0.0;
    if (!AIRBORNE_ONLY.value())
        return true;
    if (altitude == 0.0)
        return false; // a report on the ground is never airborne, whatever the airport's elevation
    const double elevation = reference.parkAirportSet ? reference.parkElevation : 0.0;
    return std::fabs(altitude - elevation) > 300.0;
}

// A true airspeed for a report that gives none, by altitude.
double lf_defaultAirspeed(double altitude) {
    if (altitude <= 2000.0)
        return 180.0;
    if (altitude <= 5000.0)
        return 220.0;
    if (altitude <= 10000.0)
        return 250.0;
    if (altitude <= 20000.0)
        return 350.0;
    return 430.0;
}

const std::unordered_set<std::string_view>& lf_nonAircraftTypes() {
    static const std::unordered_set<std::string_view> types{"BALL", "EMER", "GLID", "GRND", "GND",
                                                            "PARA", "SERV", "SHIP", "VENT", "TWR"};
    return types;
}

// Splits at every comma; empty fields count, the text after the last comma is the last field.
void lf_split(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    const char* begin = line.data();
    const char* const end = begin + line.size();
    for (;;) {
        const auto* comma = static_cast<const char*>(std::memchr(begin, ',', static_cast<std::size_t>(end - begin)));
        if (comma == nullptr) {
            fields.emplace_back(begin, static_cast<std::size_t>(end - begin));
            return;
        }
        fields.emplace_back(begin, static_cast<std::size_t>(comma - begin));
        begin = comma + 1;
    }
}

// JSON or another record shape on the traffic port.
bool lf_isTrafficLine(std::string_view line, std::size_t fieldCount) {
    if (fieldCount < kTrafficLineFields)
        return false;
    const auto first = line.find_first_not_of(" \t\r\n");
    return first == std::string_view::npos || (line[first] != '{' && line[first] != '[');
}

} // namespace

RepeatedLogSet gf_trafficLineFaultLogs() {
    // In the order of Refusal.
    return {"exception in processLineSub: timestamp",
            "exception in processLineSub: lat",
            "exception in processLineSub: lon",
            "exception in processLineSub: invalid lalo",
            "exception in processLineSub: trueheading",
            "exception in processLineSub: trueheading above 360",
            "exception in processLineSub: hexid incorrect",
            "exception in processLineSub: gs",
            "exception in processLineSub: altitude incorrect",
            "exception in processLineSub: track incorrect",
            "exception in processLineSub: vs",
            "exception in processLineSub: FixedCode",
            "exception in processLineSub: roll",
            "exception in processLineSub: TAS incorrect",
            "exception in processLineSub: other"};
}

bool gf_isAircraftType(std::string_view type, std::string_view category) {
    if (type.empty() || type == "null")
        return false;
    if (category.empty() || category == "null")
        return true;
    if (category == "B1" || category == "B2" || category == "B4" || category == "C1" || category == "C2")
        return false;
    return type.size() <= 4 && !lf_nonAircraftTypes().contains(type);
}

LineOutcome TrafficReader::processLine(std::string_view datagram) {
    if (datagram.find(" VEH") != std::string_view::npos)
        return LineOutcome::Vehicle;
    lf_split(datagram, m_fields);
    if (!lf_isTrafficLine(datagram, m_fields.size())) {
        if (const auto unreported = g_notTrafficLines.count())
            gf_log(fmt::format("{} datagram{} on the traffic port dropped: no traffic line", *unreported,
                               *unreported == 1 ? "" : "s"));
        return LineOutcome::NotTrafficLine;
    }
    return processLineSub(datagram);
}

LineOutcome TrafficReader::processLineSub(std::string_view datagram) {
    const auto& f = m_fields;
    // The text is formatted only when its line is due.
    const auto refuse = [this](Refusal kind, const auto& makeText) {
        m_refusals[kind].log([&] { return fmt::format("exception in processLineSub: {}", makeText()); });
        return LineOutcome::Refused;
    };
    const auto badField = [&](Refusal kind, std::string_view name, Field index) {
        return refuse(kind, [&] { return fmt::format("{}:{}", name, f[index]); });
    };
    try {
        QueuedTraffic traffic;
        TrafficRecord& record = traffic.record;
        StreamPoint& point = traffic.point;

        const auto timestamp = lf_number(f[kTimestamp]);
        if (!timestamp)
            return badField(kBadTimestamp, "timestamp", kTimestamp);
        lastTrafficTime.store(*timestamp);
        traffic.timestamp = *timestamp;

        const auto latitude = lf_number(f[kLatitude]);
        if (!latitude)
            return badField(kBadLatitude, "lat", kLatitude);
        const auto longitude = lf_number(f[kLongitude]);
        if (!longitude)
            return badField(kBadLongitude, "lon", kLongitude);
        point.latitude = *latitude;
        point.longitude = *longitude;
        if (!(point.latitude >= -90.0 && point.latitude <= 90.0 && point.longitude >= -180.0 &&
              point.longitude <= 180.0 && (std::fabs(point.latitude) > 0.0001 || std::fabs(point.longitude) > 0.0001)))
            return refuse(kInvalidPosition, [&] {
                return fmt::format("invalid lalo: {}", lf_latLonText(point.latitude, point.longitude));
            });

        const TrafficReference reference = this->reference();
        if (gf_distanceNm(reference.latitude, reference.longitude, point.latitude, point.longitude) > g_rangeNm.load())
            return LineOutcome::Dropped;

        if (!lf_checkTail(f[kRegistration], record))
            return LineOutcome::Dropped;

        if (collectCallsigns.load()) {
            const std::string_view callsign = f[kCallsign];
            if (!callsign.empty() && callsign != "null" && callsign.find('@') == std::string_view::npos)
                addCallsign(std::string(callsign));
        }

        record.airlineId = 0;
        if (!gf_isAircraftType(f[kType], f[kCategory]))
            return LineOutcome::Dropped;
        record.modelId = gf_internModel(f[kType]);

        if (f[kSource] == "adsb_icao") {
            const auto heading = lf_number(f[kTrueHeading]);
            if (!heading)
                return badField(kBadTrueHeading, "trueheading", kTrueHeading);
            if (*heading > 360.0)
                return refuse(kTrueHeadingAbove360, [&] { return fmt::format("trueheading: {:.2f}", *heading); });
            if (*heading == 0.0)
                point.trueHeading = g_fullTurn;
            else if (*heading > 0.0)
                point.trueHeading = *heading * g_degToRad;
            point.headingSource = point.trueHeading.has_value();
        }

        std::uint32_t trafficId = 0;
        const std::string_view hexId = f[kHexId];
        if (const auto [end, error] = std::from_chars(hexId.data(), hexId.data() + hexId.size(), trafficId);
            error != std::errc())
            return refuse(kBadHexId, [&] { return fmt::format("hexid incorrect{}", hexId); });
        if (trafficId <= 10000)
            return LineOutcome::Dropped;
        traffic.trafficId = trafficId;

        const auto groundSpeed = lf_number(f[kGroundSpeed]);
        if (!groundSpeed)
            return badField(kBadGroundSpeed, "gs", kGroundSpeed);
        point.groundSpeed = *groundSpeed;

        const auto altitude = lf_number(f[kAltitude]);
        if (!altitude)
            return refuse(kBadAltitude,
                          [&] { return fmt::format("altitude {} incorrect, from: {}", f[kAltitude], datagram); });
        point.altitude = *altitude;
        if (!lf_checkAltitude(point.altitude, point.groundSpeed, reference))
            return LineOutcome::Dropped;
        point.airborne = point.altitude > 0.0;

        if (!lf_checkCallsign(f[kCallsign], record))
            return LineOutcome::Dropped;
        if (record.callsign.empty() && record.registration.empty())
            return LineOutcome::Dropped;

        if (!point.airborne &&
            !(reference.parkAirportSet && gf_distanceNm(reference.parkLatitude, reference.parkLongitude, point.latitude,
                                                        point.longitude) <= kGroundTrafficRadiusNm))
            return LineOutcome::Dropped;

        if (!f[kTrack].empty()) {
            const auto track = lf_number(f[kTrack]);
            if (!track)
                return refuse(kBadTrack, [&] { return fmt::format("track incorrect {}", f[kTrack]); });
            point.track = *track;
        }
        if (point.track == 0.0 && point.trueHeading)
            point.track = *point.trueHeading * g_radToDeg;

        const auto verticalSpeed = lf_number(f[kVerticalSpeed]);
        if (!verticalSpeed)
            return badField(kBadVerticalSpeed, "vs", kVerticalSpeed);
        point.verticalSpeed = *verticalSpeed;

        if (!lf_routeCode(f[kOrigin], record.origin) || !lf_routeCode(f[kDestination], record.destination))
            return refuse(kBadRouteCode, [] { return std::string("FixedCode: invalid string (length/charset)"); });

        if (point.airborne) {
            const auto roll = lf_number(f[kRoll]);
            if (!roll)
                return badField(kBadRoll, "roll", kRoll);
            if (*roll != -1.0 && *roll != 0.0)
                point.bank = -*roll * g_degToRad;
        }

        const auto airspeed = lf_number(f[kTrueAirspeed]);
        if (!airspeed)
            return refuse(kBadAirspeed, [&] { return fmt::format("TAS incorrect{}", f[kTrueAirspeed]); });
        point.trueAirspeed = *airspeed == -1.0 ? lf_defaultAirspeed(point.altitude) : *airspeed;

        point.stationary = false;
        return gf_pushTraffic(std::move(traffic)) ? LineOutcome::Queued : LineOutcome::GateClosed;
    } catch (const std::exception& e) {
        return refuse(kOtherFault, [&] { return std::string(e.what()); });
    }
}

} // namespace skf
