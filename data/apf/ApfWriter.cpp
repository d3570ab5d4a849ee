#include "data/apf/ApfWriter.h"
#include "data/apf/ApfWriterInternal.h"

#include <cmath>
#include <system_error>

#include <fmt/format.h>

#include "core/Files.h"
#include "core/Log.h"
#include "core/Time.h"
#include "core/Units.h"
#include "core/settings/Catalogue.h"
#include "core/settings/SettingsFile.h"
#include "data/DbaseLookups.h"
#include "data/StringPool.h"
#include "data/apf/ApfReader.h"

namespace skf {

namespace {

bool lf_attribute(pugi::xml_node& node, const char* name, const std::string& value) {
    return gf_appendAttribute(node, name, value);
}

const char* lf_flag(bool value) {
    return value ? "true" : "false";
}

bool lf_writeGeometry(pugi::xml_node& parkpos, const Stand& stand) {
    bool ok = lf_attribute(parkpos, "latitude", fmt::format("{:.6f}", stand.latitude)) &&
              lf_attribute(parkpos, "longitude", fmt::format("{:.6f}", stand.longitude)) &&
              lf_attribute(parkpos, "heading", fmt::format("{:.1f}", stand.heading * g_radToDeg)) &&
              lf_attribute(parkpos, "radius", fmt::format("{:.1f}", stand.radius * g_nmToMetres));
    if (ok) {
        ok = stand.heli ? lf_attribute(parkpos, "heli", "true") : lf_attribute(parkpos, "cargo", lf_flag(stand.cargo));
    }
    ok = ok && lf_attribute(parkpos, "ramp", lf_flag(stand.ramp));
    if (ok && stand.manual) {
        ok = lf_attribute(parkpos, "manual", "true");
    }
    return ok;
}

bool lf_writeOptions(pugi::xml_node& parkpos, const Stand& stand) {
    for (const auto& opt : stand.options) {
        if (opt.number == 0) {
            continue;
        }
        const auto range = gf_bitsetToRange(opt.halfHours.to_ullong());
        if (!range) {
            gf_logError(fmt::format("bit set problem: {} {} {}", opt.registration, opt.callsign,
                                    gf_airlineTypeLabel(opt.airline, opt.model)));
            continue;
        }
        if (opt.registration.empty()) {
            continue;
        }
        pugi::xml_node node = parkpos.append_child("opt");
        if (!node || !lf_attribute(node, "reg", opt.registration)) {
            return false;
        }
        if (!gf_lookupRegistration(opt.registration)) {
            if (!lf_attribute(node, "airl", std::string(gf_operatorName(opt.airline))) ||
                !lf_attribute(node, "type", std::string(gf_modelName(opt.model)))) {
                return false;
            }
        }
        if (opt.real == 0 && !lf_attribute(node, "soft", "true")) {
            return false;
        }
        if (!lf_attribute(node, "day", fmt::format("{}", opt.day)) || !lf_attribute(node, "hh", *range)) {
            return false;
        }
        if (!opt.callsign.empty()) {
            const std::string cs = opt.callsign2.empty() ? opt.callsign : opt.callsign + ":" + opt.callsign2;
            if (!lf_attribute(node, "cs", cs)) {
                return false;
            }
        }
        if (opt.cpl != 0 && !lf_attribute(node, "cpl", "true")) {
            return false;
        }
    }
    return true;
}

bool lf_writeStand(pugi::xml_node& parkpositions, const Stand& stand, int mode) {
    pugi::xml_node parkpos = parkpositions.append_child("parkpos");
    if (!parkpos || !lf_attribute(parkpos, "id", stand.id)) {
        return false;
    }
    if (mode == kApfModeFull) {
        return lf_writeGeometry(parkpos, stand);
    }
    bool ok = true;
    if (g_handmadeApf) {
        // A handmade file is read back whole, without an airport file underneath: every stand
        // keeps its geometry, also one whose radius or cargo flag changed.
        ok = lf_writeGeometry(parkpos, stand);
        if (ok && stand.radiusChanged) {
            ok = lf_attribute(parkpos, "radius_change", "true");
        }
        if (ok && stand.cargoChanged) {
            ok = lf_attribute(parkpos, "cargo_change", "true");
        }
    } else if (!stand.radiusChanged && !stand.cargoChanged) {
        if (stand.manual) {
            ok = lf_writeGeometry(parkpos, stand);
        }
    } else if (stand.manual) {
        ok = lf_writeGeometry(parkpos, stand);
    } else {
        if (stand.radiusChanged) {
            ok = lf_attribute(parkpos, "radius_change", "true") &&
                 lf_attribute(parkpos, "radius", fmt::format("{:.1f}", stand.radius * g_nmToMetres));
        }
        if (ok && stand.cargoChanged) {
            ok = lf_attribute(parkpos, "cargo_change", "true") && lf_attribute(parkpos, "cargo", lf_flag(stand.cargo));
        }
    }
    return ok && lf_writeOptions(parkpos, stand);
}

} // namespace

bool lf_writeApfParameters(pugi::xml_node& root, const Apf& apf, int mode) {
    pugi::xml_node parameters = root.append_child("parameters");
    if (!parameters) {
        return false;
    }
    const bool full = mode == kApfModeFull;
    const bool learned = mode == kApfModeLearned;
    // Only a learned file is handmade: a full file that the add-on scan writes while a handmade
    // park airport is open (or after a restart in place) carries neither the mark nor its
    // quality factor.
    const bool handmade = g_handmadeApf && learned;
    bool ok = gf_appendStringParameter(parameters, "airport_name", apf.airport_name) &&
              gf_appendStringParameter(parameters, "publisher", apf.publisher);
    if (ok && handmade) {
        ok = gf_appendBoolParameter(parameters, "handmade", true);
    }
    if (ok && (handmade || full)) {
        ok = gf_appendIntParameter(parameters, "altitude", apf.altitude);
    }
    if (ok && full) {
        ok = gf_appendIntParameter(parameters, "num_parkpos", static_cast<int32_t>(apf.stands.size()));
    }
    if (ok && handmade) {
        ok = gf_appendIntParameter(parameters, "Qf_real", apf.Qf_real) &&
             gf_appendIntParameter(parameters, "Qf_soft", apf.Qf_soft);
    }
    if (ok && apf.publisher.empty()) {
        ok = gf_appendStringParameter(parameters, "BGLpath", apf.BGLpath) &&
             gf_appendStringParameter(parameters, "manufacturer", apf.manufacturer) &&
             gf_appendStringParameter(parameters, "creator", apf.creator);
    }
    if (ok && learned) {
        const auto maxFit = static_cast<int32_t>(std::lround(2.0 * static_cast<double>(MAX_FIT_FL.value()))) - 1;
        ok = gf_appendIntParameter(parameters, "RANGE", RANGE.value()) &&
             gf_appendBoolParameter(parameters, "AUTO_RANGE", AUTO_RANGE.value()) &&
             gf_appendBoolParameter(parameters, "WEEK", WEEK.value()) &&
             gf_appendBoolParameter(parameters, "PARK_SOFT", PARK_SOFT.value()) &&
             gf_appendIntParameter(parameters, "parking_percentage", parking_percentage.value()) &&
             gf_appendBoolParameter(parameters, "INITIAL_LOAD_ONLY", INITIAL_LOAD_ONLY.value()) &&
             gf_appendIntParameter(parameters, "MAX_FIT", maxFit) &&
             gf_appendIntParameter(parameters, "MAX_LIVE_SEL", MAX_LIVE_SEL.value());
    }
    return ok;
}

bool gf_writeApf(const Apf& apf, const std::filesystem::path& path, int mode, int simulator) {
    pugi::xml_document doc;
    MetaInfo meta;
    meta.version = fmt::format("{}.{}.{}", g_programVersion.major, g_programVersion.minor, g_programVersion.patch);
    meta.sim = simulator;
    if (!gf_writeMetaInfo(doc, meta)) {
        return false;
    }
    pugi::xml_node root = doc.child("root");
    if (!root) {
        root = doc.append_child("root");
        if (!root) {
            return false;
        }
    }
    if (!lf_writeApfParameters(root, apf, mode)) {
        return false;
    }
    pugi::xml_node parkpositions = root.append_child("parkpositions");
    if (!parkpositions) {
        return false;
    }
    for (const auto& stand : apf.stands) {
        if (!lf_writeStand(parkpositions, stand, mode)) {
            return false;
        }
    }
    if (path.empty()) {
        return false;
    }
    std::error_code ec;
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path(), ec); // failures show in the save
    }
    return gf_saveXml(doc, path);
}

} // namespace skf
