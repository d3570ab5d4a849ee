#include "data/apf/ApfReader.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <system_error>
#include <unordered_set>

#include <fmt/format.h>

#include "core/Codes.h"
#include "core/Geometry.h"
#include "core/Log.h"
#include "core/Text.h"
#include "core/Time.h"
#include "data/DbaseLookups.h"
#include "data/StringPool.h"

namespace skf {

pugi::xml_node gf_apfTop(const pugi::xml_node& doc) {
    pugi::xml_node root = doc.child("root");
    return root ? root : doc;
}

uint32_t lf_readAirlineAndType(const pugi::xml_node& opt) {
    const uint16_t airline = gf_internOperator(opt.attribute("airl").as_string());
    const uint16_t model = gf_internModel(opt.attribute("type").as_string());
    return static_cast<uint32_t>(airline) | (static_cast<uint32_t>(model) << 16);
}

namespace {

// The attributes of an `opt` element, gathered in one pass over them.
struct OptAttributes {
    pugi::xml_attribute cs, reg, airl, type, hh, day, soft, cpl;
};

OptAttributes lf_optAttributes(const pugi::xml_node& opt) {
    OptAttributes a;
    for (const pugi::xml_attribute attribute : opt.attributes()) {
        const std::string_view name = attribute.name();
        if (name == "cs") {
            if (!a.cs)
                a.cs = attribute;
        } else if (name == "reg") {
            if (!a.reg)
                a.reg = attribute;
        } else if (name == "airl") {
            if (!a.airl)
                a.airl = attribute;
        } else if (name == "type") {
            if (!a.type)
                a.type = attribute;
        } else if (name == "hh") {
            if (!a.hh)
                a.hh = attribute;
        } else if (name == "day") {
            if (!a.day)
                a.day = attribute;
        } else if (name == "soft") {
            if (!a.soft)
                a.soft = attribute;
        } else if (name == "cpl") {
            if (!a.cpl)
                a.cpl = attribute;
        }
    }
    return a;
}

OptIdentity lf_identity(const OptAttributes& a) {
    OptIdentity identity;
    const std::string_view cs = a.cs.as_string();
    if (const auto colon = cs.find(':'); colon != std::string_view::npos) {
        identity.callsign = cs.substr(0, colon);
        identity.callsign2 = cs.substr(colon + 1);
    } else {
        identity.callsign = cs;
    }
    const std::string_view reg = a.reg.as_string();
    if (!reg.empty()) {
        if (const auto record = gf_lookupRegistration(reg)) {
            identity.airline = record->airline;
            identity.model = record->model;
            if (record->operatorId != 0 && !gf_operatorName(record->operatorId).empty()) {
                identity.airline = record->operatorId;
            }
            return identity;
        }
    }
    identity.airline = gf_internOperator(a.airl.as_string());
    identity.model = gf_internModel(a.type.as_string());
    return identity;
}

} // namespace

OptIdentity lf_readOptIdentity(const pugi::xml_node& opt) {
    return lf_identity(lf_optAttributes(opt));
}

namespace {

// A coordinate attribute: 0 when absent; nothing when its text is no number, not finite or
// beyond the limit (90 for latitudes, 180 for longitudes).
std::optional<double> lf_coordinate(const pugi::xml_attribute& attribute, double limit) {
    if (!attribute) {
        return 0.0;
    }
    std::string_view text = gf_trimPiece(attribute.as_string());
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        std::abs(value) > limit) {
        return std::nullopt;
    }
    return value;
}

} // namespace

void lf_readParkpos(const pugi::xml_node& parkpos, const std::string& id, uint32_t source, std::vector<Stand>& stands) {
    const std::optional<double> lat = lf_coordinate(parkpos.attribute("latitude"), 90.0);
    const std::optional<double> lon = lf_coordinate(parkpos.attribute("longitude"), 180.0);
    if (!lat || !lon || (*lat == 0.0 && *lon == 0.0)) {
        gf_logError(fmt::format("stand {} has no valid lat/lon", id));
        return;
    }
    const double latitude = *lat;
    const double longitude = *lon;
    // A radius or heading that is no finite number (or a negative radius) reads as an absent one.
    double radius = parkpos.attribute("radius").as_double(0.0);
    double heading = parkpos.attribute("heading").as_double(0.0);
    if (!std::isfinite(radius) || radius < 0.0) {
        gf_logError(fmt::format("stand {} has no valid radius", id));
        radius = 0.0;
    }
    if (!std::isfinite(heading)) {
        gf_logError(fmt::format("stand {} has no valid heading", id));
        heading = 0.0;
    }
    const bool cargo = parkpos.attribute("cargo").as_bool(false);
    const bool ramp = parkpos.attribute("ramp").as_bool(false);
    const bool heli = parkpos.attribute("heli").as_bool(false);

    std::vector<StandOpt> options;
    options.reserve(static_cast<size_t>(std::distance(parkpos.children("opt").begin(), parkpos.children("opt").end())));
    uint32_t number = 1;
    for (const pugi::xml_node opt : parkpos.children("opt")) {
        const OptAttributes attributes = lf_optAttributes(opt);
        const std::string_view hh = attributes.hh.as_string();
        const uint32_t day = attributes.day.as_uint(0);
        if (hh.empty() || day < 1 || day > 7) {
            continue;
        }
        OptIdentity identity = lf_identity(attributes);
        StandOpt o;
        o.airline = identity.airline;
        o.model = identity.model;
        o.registration = attributes.reg.as_string();
        o.callsign = std::move(identity.callsign);
        o.callsign2 = std::move(identity.callsign2);
        o.halfHours = HalfHourBits(gf_hours2bitset(hh));
        o.number = number++;
        o.day = day;
        o.source = source;
        o.real = attributes.soft.as_bool(false) ? 0 : 1;
        o.cpl = attributes.cpl.as_bool(false) ? 1 : 0;
        options.push_back(std::move(o));
    }
    stands.emplace_back(id, std::move(options), latitude, longitude, heading * g_degToRad, radius, cargo, ramp, heli);
}

void lf_readParkpositions(const pugi::xml_node& doc, std::vector<Stand>& stands) {
    const pugi::xml_node parkpositions = gf_apfTop(doc).child("parkpositions");
    if (!parkpositions) {
        return;
    }
    std::unordered_set<std::string> seen;
    int count = 0;
    for (const pugi::xml_node parkpos : parkpositions.children("parkpos")) {
        ++count;
        const pugi::xml_attribute idAttribute = parkpos.attribute("id");
        if (!idAttribute) {
            throw UserErrorException(93, fmt::format("Parking position #{} has no '{}' attribute.", count, "id"));
        }
        std::string id = gf_trim(idAttribute.as_string());
        if (id.empty()) {
            throw UserErrorException(93, fmt::format("Stand #{} has empty '{}' attribute.", count, "id"));
        }
        if (!seen.insert(id).second) {
            throw UserErrorException(94, fmt::format("Stand '{}' appears more than once.", id));
        }
        lf_readParkpos(parkpos, id, 1, stands);
    }
}

void lf_readParkpositions(const pugi::xml_node& doc) {
    lf_readParkpositions(doc, g_stands);
}

void gf_numberAndLinkStands(std::vector<Stand>& stands) {
    for (size_t i = 0; i < stands.size(); ++i) {
        stands[i].sid = static_cast<int32_t>(i + 1);
        stands[i].adjacent.clear();
    }
    for (auto& a : stands) {
        for (const auto& b : stands) {
            if (&a == &b) {
                continue;
            }
            // The distance is at least the latitude difference (60 NM per degree): far pairs
            // are passed over without the great-circle formula.
            const double sumRadii = a.radius + b.radius;
            if (std::abs(a.latitude - b.latitude) * 60.0 * 1.1 > sumRadii * 1.000001 + 1e-9) {
                continue;
            }
            const double d = gf_distanceNm({a.latitude, a.longitude}, {b.latitude, b.longitude});
            if (d * 1.1 < a.radius + b.radius) {
                a.adjacent.push_back(b.sid);
            }
        }
        a.adjacent.shrink_to_fit();
    }
}

} // namespace skf
