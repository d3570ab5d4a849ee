// The park-airport list and my_park_airports.txt.
#include "traffic/ParkAirports.h"
#include "traffic/ParkAirportsInternal.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>
#include <vector>

#include <fmt/format.h>

#include "core/Files.h"
#include "core/Geometry.h"
#include "core/Log.h"
#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "core/WindowFields.h"
#include "core/settings/ProgramPaths.h"
#include "data/Airports.h"
#include "data/apf/ParkApf.h"
#include "sim/UserAircraft.h"
#include "traffic/EngineServices.h"
#include "traffic/Stands.h"

namespace skf {

namespace fs = std::filesystem;

namespace {

const Airport* lf_listedAirport(const IcaoCode& icao) {
    const auto it = std::lower_bound(g_airports.begin(), g_airports.end(), icao,
                                     [](const Airport& a, const IcaoCode& code) { return a.icao < code; });
    return (it != g_airports.end() && it->icao == icao) ? &*it : nullptr;
}

bool lf_listed(const IcaoCode& icao) {
    return std::any_of(g_parkAirports.begin(), g_parkAirports.end(),
                       [&](const ParkAirport& p) { return p.icao == icao; });
}

// The fields of a line cut at every ',' (empty fields kept), each without surrounding white space.
std::vector<std::string> lf_fields(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = line.find(',', start);
        fields.emplace_back(gf_trimWhiteSpace(line.substr(start, comma - start)));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return fields;
}

std::string lf_firstField(std::string_view line) {
    return std::string(line.substr(0, line.find(',')));
}

// Replaces the first line of the airport; false when no line has it.
bool lf_replaceParkAirportLine(const std::string& newLine, std::string_view icao, std::vector<std::string>& lines) {
    for (std::string& line : lines) {
        if (lf_firstField(line) == icao) {
            line = newLine;
            return true;
        }
    }
    return false;
}

} // namespace

bool lf_readParkAirportLines(const std::vector<std::string>& lines) {
    bool ok = true;
    std::vector<std::string> added; // first fields of the lines that became entries, upper-cased
    try {
        for (const std::string& line : lines) {
            if (gf_trimWhiteSpace(line).empty())
                continue;
            const std::vector<std::string> fields = lf_fields(line);
            if (fields.size() >= 3) {
                gf_logError(fmt::format("{}:{} wrong syntax, skipped", kParkAirportsFileName, line));
                continue;
            }
            std::string key = fields[0];
            gf_toUpper(key);
            if (std::find(added.begin(), added.end(), key) != added.end()) {
                gf_logError(fmt::format("{}:{} double, skipped", kParkAirportsFileName, fields[0]));
                continue;
            }
            const IcaoCode icao(fields[0]); // a malformed code ends the reading
            if (const Airport* airport = lf_listedAirport(icao)) {
                g_parkAirports.push_back(ParkAirport{fields.size() == 2 ? fields[1] : std::string(), airport->latitude,
                                                     airport->longitude, 0.0, icao});
                added.push_back(std::move(key));
            } else {
                gf_setStatus(fmt::format("airport {} is unknown", fields[0]), true);
                ok = false;
            }
        }
    } catch (const std::exception& e) {
        gf_logError(fmt::format("{}: {}", "lf_readMyParkAirports", e.what()));
        ok = false;
    }
    if (!g_parkAirports.empty()) {
        const auto count = static_cast<std::uint64_t>(g_parkAirports.size());
        gf_log(fmt::format("\n{:5} park airport{} read from '{}'", count, gf_plural(count), kParkAirportsFileName));
        if (g_parkAirports.size() > kParkAirportsWarnAbove)
            gf_setStatus(fmt::format("Warning: There are a lot of airports ({}), that will cost SKFL much cpu "
                                     "time and may cause stutters",
                                     count),
                         true);
    }
    return ok;
}

bool gf_readMyParkAirports() {
    return lf_readMyParkAirports();
}

bool lf_readMyParkAirports() {
    g_parkAirports.clear();
    bool ok = true;
    std::vector<std::string> lines;
    if (gf_readFileLines(g_myParkAirportsPath, lines, 64))
        ok = lf_readParkAirportLines(lines);
    else
        gf_log(fmt::format("{} not found", gf_pathToUtf8(g_myParkAirportsPath)));
    lf_addThirdpartyParkAirports();
    return ok;
}

void lf_addThirdpartyParkAirports() {
    std::error_code ec;
    if (!fs::is_directory(g_myThirdpartyFolder, ec))
        return;
    for (fs::directory_iterator it(g_myThirdpartyFolder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec))
            continue;
        const std::string stem = gf_pathToUtf8(it->path().stem());
        try {
            const IcaoCode icao(stem);
            if (lf_listed(icao))
                continue;
            if (const Airport* airport = lf_listedAirport(icao))
                g_parkAirports.push_back(ParkAirport{{}, airport->latitude, airport->longitude, 0.0, icao});
        } catch (const std::invalid_argument&) {
            // not an airport's file
        }
    }
}

void gf_saveMyParkAirports() {
    if (g_parkAirports.empty())
        return;
    const ParkAirport& first = g_parkAirports.front();
    const std::string icao(first.icao.view());
    const std::string newLine = first.reservedStand.empty() ? icao : icao + "," + first.reservedStand;
    std::error_code ec;
    if (!fs::exists(g_myParkAirportsPath, ec)) {
        if (ec) {
            gf_logError(fmt::format("{}: {}, not rewritten", kParkAirportsFileName, ec.message()));
            return;
        }
        if (gf_writeLines(std::vector<std::string>{newLine}, g_myParkAirportsPath))
            gf_log(fmt::format("{} created with {}", kParkAirportsFileName, newLine));
        return;
    }
    std::vector<std::string> lines;
    if (!gf_readFileLines(g_myParkAirportsPath, lines, 64)) {
        // Writing now would replace every airport of the file by this one.
        gf_logError(fmt::format("{} could not be read, not rewritten", kParkAirportsFileName));
        return;
    }
    if (lf_replaceParkAirportLine(newLine, icao, lines)) {
        gf_log(fmt::format("{}:{} updated stand", kParkAirportsFileName, newLine));
    } else {
        lines.push_back(newLine);
        gf_log(fmt::format("{}:{} new entry", kParkAirportsFileName, newLine));
    }
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    if (!gf_writeLines(lines, g_myParkAirportsPath))
        gf_logError(fmt::format("{} could not be written", kParkAirportsFileName));
}

bool gf_checkParkAirportsFile(bool checkReserved, std::string& message) {
    message.clear();
    if (!lf_readMyParkAirports())
        return false;
    if (checkReserved && g_userAircraft.get().known != 0 && !g_parkingBusy.load() && !g_parkAirports.empty() &&
        !g_parkAirport.icao.empty() && g_parkAirports.front().icao == g_parkAirport.icao &&
        g_mainWindow.userStandText.get().empty()) {
        const std::string wanted = g_parkAirports.front().reservedStand;
        if (!wanted.empty() && wanted != g_reservedStand) {
            message = fmt::format("reserved stand changed from '{}' to '{}'", g_reservedStand, wanted);
            for (Stand& stand : g_stands) {
                if (stand.id == g_reservedStand)
                    stand.excluded = false;
            }
            g_reservedStand = wanted;
            gf_clearReservedStand(wanted);
            bool found = false;
            for (Stand& stand : g_stands) {
                if (stand.id == wanted) {
                    stand.excluded = true;
                    found = true;
                }
            }
            g_mainWindow.reservedStandName.set(wanted);
            g_mainWindow.reservedStandValid = found;
            gf_markChanged(BAND_ALL);
        }
    }
    if (message.empty())
        message = "park airports and stands are okay";
    return true;
}

void gf_addParkAirport(const IcaoCode& icao, double latitude, double longitude) {
    const auto it = std::find_if(g_parkAirports.begin(), g_parkAirports.end(),
                                 [&](const ParkAirport& p) { return p.icao == icao; });
    if (it != g_parkAirports.end()) {
        g_parkAirports.splice(g_parkAirports.begin(), g_parkAirports, it);
        return;
    }
    g_parkAirports.push_front(ParkAirport{{}, latitude, longitude, 0.0, icao});
    gf_saveMyParkAirports();
}

bool gf_reserveUserStand(const std::string& standName) {
    if (g_parkAirports.empty() || g_parkAirport.icao.empty() || g_parkAirports.front().icao != g_parkAirport.icao ||
        g_parkAirports.front().reservedStand == standName)
        return false;
    g_parkAirports.front().reservedStand = standName;
    gf_saveMyParkAirports();
    return true;
}

bool gf_runUserStandRefresh() {
    bool changed = false;
    for (const std::string& standName : gf_takeUserStandRefresh())
        changed = gf_reserveUserStand(standName) || changed;
    return changed;
}

std::optional<double> gf_nearestParkAirportNm() {
    if (g_parkAirports.empty())
        return std::nullopt;
    const UserAircraftState user = g_userAircraft.get();
    const ParkAirport& first = g_parkAirports.front();
    return gf_distanceNm(user.block.latitude, user.block.longitude, first.latitude, first.longitude);
}

} // namespace skf
