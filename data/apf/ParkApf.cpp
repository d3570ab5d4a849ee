#include "data/apf/ParkApf.h"
#include "core/ControlFields.h"
#include "core/Files.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <system_error>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "core/Codes.h"
#include "core/Geometry.h"
#include "core/Log.h"
#include "core/Text.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "core/settings/SettingsFile.h"
#include "data/apf/ApfFetch.h"
#include "data/apf/ApfLearned.h"
#include "data/apf/ApfLocate.h"
#include "data/apf/ApfLocateInternal.h"
#include "data/apf/ApfReader.h"
#include "data/apf/ApfWriter.h"
#include "data/apf/ParkApfState.h"
#include "data/apf/QualityFactor.h"
#include "data/apf/QualityFactorInternal.h"
#include "data/apf/Stand.h"

namespace skf {

namespace fs = std::filesystem;

namespace {

constexpr double kClosestAirportRange = 5.0; // NM
constexpr double kNoStand = 100.0;           // NM

// The download targets of archived files: the park airport's (kept after reading, below the airports
// folder) and that of a stand comparison between two close airports (removed after reading).
const fs::path kParkFile = "park_airport.xml";
const fs::path kComparedFile = "airport.xml";

bool lf_isLocalPath(std::string_view path) {
    return path.substr(0, 8) == "airports";
}

} // namespace

double gf_readDestApfForClosestStand(const FixedCode<4>& icao, double latitude, double longitude,
                                     std::string& standId) {
    const fs::path& downloaded = kComparedFile;
    double best = kNoStand;
    try {
        const std::string path = gf_locateApf(icao);
        if (path.empty()) {
            return kNoStand;
        }
        fs::path file = path;
        if (!lf_isLocalPath(path)) {
            if (!lf_downloadApf(path, downloaded).empty()) {
                return kNoStand;
            }
            file = downloaded;
        }
        pugi::xml_document doc;
        if (gf_loadXml(doc, file)) {
            for (const pugi::xml_node parkpos : gf_apfTop(doc).child("parkpositions").children("parkpos")) {
                const double d = gf_distanceNm({latitude, longitude}, {parkpos.attribute("latitude").as_double(0.0),
                                                                       parkpos.attribute("longitude").as_double(0.0)});
                if (d < best) {
                    best = d;
                    standId = parkpos.attribute("id").as_string();
                }
            }
        } else {
            best = kNoStand;
        }
        std::error_code ec;
        if (fs::exists(downloaded, ec)) {
            fs::remove(downloaded, ec);
        }
        return best;
    } catch (const std::exception& e) {
        gf_logError(fmt::format("{}: {}", "gf_readDestApfForClosestStand", e.what()));
        return kNoStand;
    }
}

const Airport* gf_findListedAirport(const FixedCode<4>& icao) {
    const auto it =
        std::find_if(g_airports.begin(), g_airports.end(), [&](const Airport& a) { return a.icao == icao; });
    return it == g_airports.end() ? nullptr : &*it;
}

namespace {

struct ClosestPair {
    const Airport* current = nullptr;
    const Airport* neighbour = nullptr;
};

ClosestPair lf_closestPair(double latitude, double longitude) {
    double best = 100.0;
    ClosestPair pair;
    // The distance is at least the latitude difference (60 NM per degree); airports that lie
    // farther north or south than the range are passed over without the great-circle formula.
    const double latitudeWindow = kClosestAirportRange / 60.0 * 1.0001 + 1e-9;
    for (const Airport& airport : g_airports) {
        if (std::abs(airport.latitude - latitude) > latitudeWindow) {
            continue;
        }
        const double d = gf_distanceNm({latitude, longitude}, {airport.latitude, airport.longitude});
        if (d <= kClosestAirportRange && d < best) {
            best = d;
            if (pair.current != nullptr) {
                pair.neighbour = pair.current;
            }
            pair.current = &airport;
        }
    }
    return pair;
}

// True when the airport's file is local or its fetch ended; starts the fetch otherwise.
// (A file-system error is left to gf_readDestApfForClosestStand to report.)
bool lf_standFileAtHand(const FixedCode<4>& icao) {
    try {
        const std::string path = gf_locateApf(icao);
        return path.empty() || lf_isLocalPath(path) || gf_fetchApf(path, kComparedFile) == ApfFetchState::Done;
    } catch (const std::exception&) {
        return true;
    }
}

} // namespace

bool gf_closestAirportFilesAtHand(double latitude, double longitude) {
    const ClosestPair pair = lf_closestPair(latitude, longitude);
    if (pair.current == nullptr || pair.neighbour == nullptr) {
        return true;
    }
    // Both fetches run at once.
    const bool current = lf_standFileAtHand(pair.current->icao);
    const bool neighbour = lf_standFileAtHand(pair.neighbour->icao);
    return current && neighbour;
}

bool gf_parkFileAtHand() {
    try {
        const std::string path = gf_locateApf(g_parkAirport.icao);
        return path.empty() || lf_isLocalPath(path) ||
               gf_fetchApf(path, g_airportsFolder / kParkFile) == ApfFetchState::Done;
    } catch (const std::exception&) {
        return true; // the reader reports it
    }
}

const Airport* gf_findClosestAirport(double latitude, double longitude) {
    const auto [current, neighbour] = lf_closestPair(latitude, longitude);
    if (current == nullptr || neighbour == nullptr) {
        return current;
    }
    gf_log(fmt::format("Airport {} is closest, neighbour is {}", current->icao.view(), neighbour->icao.view()));
    std::string currentStand;
    std::string neighbourStand;
    const double dC = gf_readDestApfForClosestStand(current->icao, latitude, longitude, currentStand);
    const double dN = gf_readDestApfForClosestStand(neighbour->icao, latitude, longitude, neighbourStand);
    if (dN >= dC) {
        return current;
    }
    gf_log(fmt::format("Airport {} is closest, but stand {} at neighbouring airport {} is closer at {:.0F} meters ...",
                       current->icao.view(), neighbourStand, neighbour->icao.view(), dN * g_nmToMetres));
    return neighbour;
}

namespace {

// Without a learned file the file's quality factor steers the soft and week settings, and the
// airport's stand count the parking percentage. Nothing here is stored in parameters.xml.
void lf_adjustByQualityFactor(QualityFactor qf) {
    if (qf.real <= 2 && qf.soft >= 1) {
        PARK_SOFT.set(true);
        PARK_SOFT.showCheck();
        WEEK.set(true);
        WEEK.showCheck();
        MAX_FIT_FL.set(24.0F);
        MAX_FIT_FL.selectCurrent();
    } else if (qf.real >= 46) {
        PARK_SOFT.set(false);
        PARK_SOFT.showCheck();
        WEEK.set(false);
        WEEK.showCheck();
    }
    int32_t percentage = 30;
    if (const Airport* airport = gf_findListedAirport(g_parkAirport.icao)) {
        if (airport->stands == 1) {
            percentage = 100;
        } else if (airport->stands == 2) {
            percentage = 50;
        }
    }
    parking_percentage.set(percentage);
    gf_logIndented(fmt::format("{:24}: {}%", "parking_percentage", percentage));
    parking_percentage.selectCurrent();
    gf_setControlField(ControlField::AirportPercentage, true);
}

std::string lf_readApf(std::string_view givenPath, ParkApfInfo& info) {
    const std::string path(givenPath);
    fs::path file = path;
    g_handmadeApf = false;
    if (!lf_isLocalPath(path)) {
        file = g_airportsFolder / kParkFile;
        if (std::string error = lf_downloadApf(path, file); !error.empty()) {
            return error;
        }
    }
    pugi::xml_document doc;
    if (!gf_loadXml(doc, file)) {
        return fmt::format("{}: could not load file: {}", path, gf_pathToUtf8(file));
    }
    if (!gf_readMetaInfo(doc, false)) {
        return fmt::format("{}: refused to load", path);
    }
    g_rtTrafficWeek = gf_readIntParameter(doc, "RT_traffic_week").value_or(0);
    info.publisher = gf_readStringParameter(doc, "publisher").value_or(std::string());
    const auto altitude = gf_readIntParameter(doc, "altitude");
    if (!altitude) {
        throw UserErrorException(65, fmt::format("Parameter {} not found", "altitude"));
    }
    info.altitude = *altitude;
    g_parkAirport.altitude = static_cast<float>(*altitude);
    info.airportName = gf_readStringParameter(doc, "airport_name").value_or(std::string());

    lf_readParkpositions(doc, g_stands);

    const auto qfReal = gf_readIntParameter(doc, "Qf_real");
    const auto qfSoft = gf_readIntParameter(doc, "Qf_soft");
    // A file without a quality factor has none: the previous airport's value never carries over.
    g_qualityFactor = (qfReal && qfSoft) ? QualityFactor{*qfReal, *qfSoft} : QualityFactor{};
    gf_saveAirportParameters();

    g_learnedApfPath = lf_learnedApfPath(path, info.publisher);
    std::error_code ec;
    if (!g_learnedApfPath.empty() && fs::exists(g_learnedApfPath, ec)) {
        lf_readLearned(g_learnedApfPath, info);
        g_qualityFactor = gf_qualityFactor();
        if (g_handmadeApf) {
            gf_log("A handmade airport file overruled the archived file!");
        }
    } else {
        gf_logFlushed("learned does not exist");
        lf_adjustByQualityFactor(g_qualityFactor);
    }

    g_mainWindow.standCount = g_stands.size();
    gf_numberAndLinkStands(g_stands);

    gf_log(fmt::format("Airport file read from '{}' for {}", g_handmadeApf ? gf_pathToUtf8(g_learnedApfPath) : path,
                       info.airportName));
    g_mainWindow.publisherText.set(info.publisher);
    g_mainWindow.handmade = g_handmadeApf;
    gf_markChanged(BAND_PARK);
    gf_logIndented(fmt::format("{:24}: {}", "publisher", info.publisher));
    gf_logIndented(fmt::format("{:24}: {} ft", "altitude", info.altitude));
    gf_logIndented(fmt::format("{:24}: {}", "num_parkpos", g_stands.size()));
    gf_logIndented(fmt::format("{:24}: {}", "quality factor", lf_qualityFactorText()));
    gf_logIndented(fmt::format("{:24}: {}", "RT traffic week", g_rtTrafficWeek.load()));

    g_mainWindow.qualityFactorText.set(lf_qualityFactorText());
    gf_markChanged(BAND_PARK);
    g_parkStandsLoaded = true;
    gf_setControlField(ControlField::ParkStands, true);

    g_trafficReferenceElevation = static_cast<double>(g_parkAirport.altitude);
    g_trafficReferenceElevationValid = true;

    return g_stands.empty() ? std::string("no stands found") : std::string();
}

} // namespace

std::string gf_readApf(std::string_view path, ParkApfInfo& info) {
    gf_checkParkApfThread("gf_readApf");
    // The previous airport's learned file is no longer ours: a read that fails before the new
    // path is known must not leave it for the learned save to overwrite with this airport's stands.
    g_learnedApfPath.clear();
    if (path.empty()) {
        return fmt::format("{}: xml is empty", "gf_readApf");
    }
    if (g_parkAirport.icao.empty()) {
        return fmt::format("{}: no park airport set", "gf_readApf");
    }
    try {
        return lf_readApf(path, info);
    } catch (const UserErrorException&) {
        throw;
    } catch (const std::exception& e) {
        return fmt::format("{}: {}", "gf_readApf", e.what());
    }
}

} // namespace skf
