#include "data/apf/ApfLearned.h"
#include "data/StringPool.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>

#include <fmt/format.h>

#include "core/Codes.h"
#include "core/ControlFields.h"
#include "core/Files.h"
#include "core/Text.h"
#include "core/Log.h"
#include "core/StatusLine.h"
#include "core/Time.h"
#include "core/Units.h"
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "core/settings/SettingsFile.h"
#include "data/apf/ApfReader.h"
#include "data/apf/ApfWriter.h"
#include "data/apf/ParkApf.h"

namespace skf {

namespace fs = std::filesystem;

std::string lf_trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

namespace {

bool lf_startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// A folder name taken from a file: blanks for separators, trimmed; "." and ".." would leave the
// learned folder and are refused like an empty name.
std::string lf_folderName(std::string text) {
    std::replace(text.begin(), text.end(), '/', ' ');
    std::replace(text.begin(), text.end(), '\\', ' ');
    text = lf_trimBlanks(text);
    if (text == "." || text == "..") {
        return {};
    }
    return text;
}

// A relative path below the learned folder must stay below it: a doubled separator after
// "airports" ("airports//x/EHAM.xml") gives no absolute path, and ".." is refused.
fs::path lf_belowLearned(std::string_view relative) {
    const fs::path rel = fs::path(relative).relative_path();
    if (rel.empty()) {
        return {};
    }
    for (const auto& part : rel) {
        if (part == "..") {
            return {};
        }
    }
    return g_learnedFolder / rel;
}

} // namespace

fs::path lf_learnedApfPath(std::string_view apfPath, std::string_view publisher) {
    if (apfPath.empty()) {
        return {};
    }
    std::string path(apfPath);
    std::replace(path.begin(), path.end(), '\\', '/');
    if (!gf_hasExtensionNoCase(".XML", fs::path(path).extension().string())) {
        return {};
    }
    const std::string fileName = fs::path(path).filename().string();

    if (lf_startsWith(path, "archive/stock/")) {
        return g_learnedFolder / "stock" / fileName;
    }
    if (lf_startsWith(path, "archive/simaddon/")) {
        return g_learnedFolder / "simaddon" / fileName;
    }
    constexpr std::string_view kThirdparty = "archive/thirdparty/";
    if (const auto at = path.find(kThirdparty); at != std::string::npos) {
        const std::string rest = path.substr(at + kThirdparty.size());
        const auto slash = rest.find('/');
        if (slash == std::string::npos) {
            return {};
        }
        std::string folder = rest.substr(0, slash);
        for (auto pos = folder.find("%20"); pos != std::string::npos; pos = folder.find("%20", pos + 1)) {
            folder.replace(pos, 3, " ");
        }
        folder = lf_folderName(std::move(folder));
        if (folder.empty()) {
            return {};
        }
        return g_learnedFolder / "thirdparty" / folder / fileName;
    }
    constexpr std::string_view kAirports = "airports/";
    if (lf_startsWith(path, kAirports)) {
        const std::string_view rest = std::string_view(path).substr(kAirports.size());
        if (lf_startsWith(rest, "my_thirdparty2024/") || lf_startsWith(rest, "my_thirdparty/")) {
            const std::string folder = lf_folderName(std::string(publisher));
            if (folder.empty()) {
                return {};
            }
            return g_learnedFolder / "thirdparty" / folder / fileName;
        }
        // stock/, my_simaddon/ and any other folder keep their place below the learned folder
        return lf_belowLearned(rest);
    }
    return {};
}

bool lf_mergeLearnedParkpos(const LearnedParkpos& context, Stand& stand) {
    if (stand.id != context.id) {
        return false;
    }
    const pugi::xml_node& parkpos = context.parkpos;
    if (parkpos.attribute("radius_change").as_bool(false)) {
        const double radius = parkpos.attribute("radius").as_double(0.0);
        if (std::isfinite(radius) && radius >= 0.0) {
            stand.radius = radius / g_nmToMetres;
            stand.radiusChanged = true;
        } else {
            gf_logError(fmt::format("learned stand {} has no valid radius", context.id));
        }
    }
    if (parkpos.attribute("cargo_change").as_bool(false)) {
        stand.cargo = parkpos.attribute("cargo").as_bool(false);
        stand.cargoChanged = true;
    }
    if (context.older) {
        return true;
    }
    uint32_t number = stand.options.empty() ? 1 : stand.options.back().number + 1;
    for (const pugi::xml_node opt : parkpos.children("opt")) {
        OptIdentity identity = lf_readOptIdentity(opt);
        const HalfHourBits mask(gf_hours2bitset(opt.attribute("hh").as_string()));
        if (mask.none()) {
            gf_logError("empty bit set");
            continue;
        }
        const std::string registration = opt.attribute("reg").as_string();
        const uint32_t day = static_cast<uint32_t>(opt.attribute("day").as_int(0));
        const uint32_t real = opt.attribute("soft").as_bool(false) ? 0 : 1;
        const bool duplicate = std::any_of(stand.options.begin(), stand.options.end(), [&](const StandOpt& o) {
            return o.day == day && o.real == real && o.registration == registration && o.airline == identity.airline &&
                   o.model == identity.model && (o.halfHours & mask).any();
        });
        if (duplicate) {
            const auto list = gf_bitsetToList(mask.to_ullong());
            const std::string label = gf_airlineTypeLabel(identity.airline, identity.model);
            if (list) {
                gf_logError(fmt::format("learned {}: day:{} {} {} cs:{} reg:{} already in airport file", stand.id, day,
                                        *list, label, identity.callsign, registration));
            } else {
                gf_logError(fmt::format("learned {}: day:{} 'empty hrs' {} cs:{} reg:{} already in airport file",
                                        stand.id, day, label, identity.callsign, registration));
            }
            continue;
        }
        StandOpt o;
        o.airline = identity.airline;
        o.model = identity.model;
        o.registration = registration;
        o.callsign = std::move(identity.callsign);
        o.callsign2 = std::move(identity.callsign2);
        o.halfHours = mask;
        o.number = number++;
        o.day = day;
        o.source = 0;
        o.real = real;
        o.cpl = opt.attribute("cpl").as_bool(false) ? 1 : 0;
        stand.options.push_back(std::move(o));
    }
    return true;
}

namespace {

void lf_logSetting(std::string_view key, const std::string& value) {
    gf_logIndented(fmt::format("{:24}: {}", key, value));
}

// A check-box setting of the file: taken over, shown on its control and logged. The value read (none
// when the file does not have the setting).
std::optional<bool> lf_applyCheckSetting(const pugi::xml_node& doc, CheckBoxParameter& setting, const char* key) {
    const auto v = gf_readBoolParameter(doc, key);
    if (v) {
        setting.set(*v);
        setting.showCheck();
        lf_logSetting(key, *v ? "true" : "false");
    }
    return v;
}

// The per-airport settings of a learned file, applied to the settings in memory and their
// controls (never stored in parameters.xml).
void lf_applyAirportSettings(const pugi::xml_node& doc) {
    if (const auto v = gf_readIntParameter(doc, "MAX_LIVE_SEL")) {
        MAX_LIVE_SEL.set(MAX_LIVE_SEL.clamp(*v));
        MAX_LIVE_SEL.selectCurrent();
        lf_logSetting("MAX_LIVE_SEL", fmt::format("{}", MAX_LIVE_SEL.value()));
    }
    if (const auto v = gf_readIntParameter(doc, "RANGE")) {
        gf_setRange(*v);
        gf_setControlField(ControlField::AirportRange, true);
        lf_logSetting("RANGE", fmt::format("{}", RANGE.value()));
    }
    if (lf_applyCheckSetting(doc, AUTO_RANGE, "AUTO_RANGE"))
        gf_setControlField(ControlField::AirportRangeMode, true);
    if (const auto v = gf_readIntParameter(doc, "parking_percentage")) {
        // a percentage from a file stays a percentage (0..100), whatever the file says
        parking_percentage.set(parking_percentage.clamp(*v));
        lf_logSetting("parking_percentage", fmt::format("{}", parking_percentage.value()));
    } else {
        parking_percentage.set(30);
    }
    parking_percentage.selectCurrent();
    lf_applyCheckSetting(doc, WEEK, "WEEK");
    lf_applyCheckSetting(doc, PARK_SOFT, "PARK_SOFT");
    if (const auto v = gf_readIntParameter(doc, "MAX_FIT")) {
        MAX_FIT.set(MAX_FIT.clamp(*v));
        gf_selectMaxFitChoice();
        gf_logIndented(fmt::format("{:24}: {} (max number of half hours, is {:.1F} hrs decimal)", "MAX_FIT",
                                   MAX_FIT.value(), MAX_FIT_FL.value()));
    }
    // "Now" follows it: off while on, else as the window allows it.
    if (const auto v = lf_applyCheckSetting(doc, INITIAL_LOAD_ONLY, "INITIAL_LOAD_ONLY"))
        gf_setControlField(ControlField::AirportLoadOnly, *v);
}

} // namespace

void lf_readLearned(const fs::path& path, const ParkApfInfo& info) {
    // Work on a copy: a file that fails part-way must not leave a half-merged table behind that
    // the learned save would write back over the user's file.
    std::vector<Stand> stands = g_stands;
    const bool handmadeBefore = g_handmadeApf;
    try {
        pugi::xml_document doc;
        const pugi::xml_parse_result loaded = gf_loadXml(doc, path);
        if (!loaded) {
            gf_save1GenerationOf(path);
            gf_logError(fmt::format("{} found, but could not be loaded, saved as *.0.xml: {}", gf_pathToUtf8(path),
                                    loaded.description()));
            return;
        }
        gf_logFlushed(fmt::format("Read from learned airport file: '{}'", gf_pathToUtf8(path)));
        const auto meta = gf_readMetaInfo(doc, true);
        if (!meta) {
            return;
        }
        bool older = false;
        if (gf_parseVersion(meta->version) < gf_parseVersion(kLearnedMinimumVersion)) {
            gf_log("\nThis learned file was created with and older SKFL version than 11.10.0,\n"
                   "All flights will be cleared, except for a handmade file\n");
            older = true;
        }
        const std::string learnedName = gf_readStringParameter(doc, "airport_name").value_or(std::string());
        if (learnedName != info.airportName) {
            gf_setStatus(fmt::format("Warning: learned file airport name: '{}' differs from archived file airport "
                                     "name: '{}'",
                                     learnedName, info.airportName),
                         true);
        }
        lf_applyAirportSettings(doc);

        const pugi::xml_node top = gf_apfTop(doc);
        if (const auto handmade = gf_readStringParameter(doc, "handmade")) {
            g_handmadeApf = true;
            stands.clear();
            lf_readParkpositions(doc, stands);
            gf_logIndented(fmt::format("{:24}: {}", "handmade", *handmade));
            g_stands = std::move(stands);
            return;
        }
        g_handmadeApf = false;
        const pugi::xml_node parkpositions = top.child("parkpositions");
        if (!parkpositions) {
            return;
        }
        for (const pugi::xml_node parkpos : parkpositions.children("parkpos")) {
            LearnedParkpos context{parkpos.attribute("id").as_string(), parkpos, older};
            const bool manual = parkpos.attribute("manual").as_bool(false);
            if (!manual) {
                bool merged = false;
                for (Stand& stand : stands) {
                    if (lf_mergeLearnedParkpos(context, stand)) {
                        merged = true;
                        break;
                    }
                }
                if (!merged) {
                    gf_log(fmt::format("learned stand {} in {} not found?", context.id, gf_pathToUtf8(path)));
                }
            } else if (std::any_of(stands.begin(), stands.end(), [&](const Stand& s) { return s.id == context.id; })) {
                gf_logError(
                    fmt::format("manually created standid {} already exists in {}", context.id, gf_pathToUtf8(path)));
            } else {
                const double latitude = parkpos.attribute("latitude").as_double(0.0);
                const double longitude = parkpos.attribute("longitude").as_double(0.0);
                const double radius = parkpos.attribute("radius").as_double(0.0);
                if ((std::abs(latitude) < 0.0001 && std::abs(longitude) < 0.0001) || radius == 0.0) {
                    gf_logError(fmt::format("manually created standid {} misses correct attributes in {}", context.id,
                                            gf_pathToUtf8(path)));
                } else {
                    const size_t before = stands.size();
                    lf_readParkpos(parkpos, context.id, 0, stands);
                    if (stands.size() > before) {
                        stands.back().manual = true;
                    }
                }
            }
        }
        g_stands = std::move(stands);
    } catch (const std::exception& e) {
        // The stands stay as the airport file gave them. Keep a copy of the learned file, since
        // the next learned save replaces it.
        g_handmadeApf = handmadeBefore;
        gf_save1GenerationOf(path);
        gf_log(fmt::format("{}: {}", "lf_readLearned", e.what()));
    }
}

} // namespace skf
