// The learned stand file of the park airport.
#include "traffic/LearnedStands.h"

#include <filesystem>
#include <system_error>

#include <fmt/format.h>

#include "core/Log.h"
#include "core/Text.h"
#include "core/Time.h"
#include "core/settings/Catalogue.h"
#include "data/apf/ParkApf.h"
#include "data/apf/QualityFactor.h"
#include "traffic/Stands.h"
#include "traffic/StandsInternal.h"

namespace skf {

namespace fs = std::filesystem;

Apf lf_learnedApf(const std::vector<Stand>& stands) {
    Apf apf;
    apf.icao = g_parkAirport.icao;
    apf.airport_name = g_parkApfInfo.airportName;
    apf.publisher = g_parkApfInfo.publisher;
    apf.altitude = g_parkApfInfo.altitude;
    if (g_handmadeApf) {
        apf.stands = stands;
        const QualityFactor qf = gf_qualityFactor(stands);
        apf.Qf_real = qf.real;
        apf.Qf_soft = qf.soft;
        return apf;
    }
    for (const Stand& stand : stands) {
        Stand copy = stand;
        lf_dropUnusedOptions(copy.options);
        if (copy.manual || !copy.options.empty() || copy.radiusChanged || copy.cargoChanged)
            apf.stands.push_back(std::move(copy));
    }
    return apf;
}

bool lf_saveLearnedStands() {
    const fs::path path = g_learnedApfPath;
    const std::string time = gf_timeOfDayText();
    bool saved = false;
    if (!path.empty()) {
        std::error_code ec;
        fs::create_directories(path.parent_path(), ec);
        if (ec)
            gf_logError(fmt::format("{}: {}", gf_pathToUtf8(path.parent_path()), ec.message()));
        else
            saved = gf_writeApf(lf_learnedApf(g_stands), path, kApfModeLearned, g_simNumber.load());
    }
    if (saved) {
        const std::uint32_t updates = g_learnedUpdates.load();
        gf_log(fmt::format("{}{} '{}' saved with {} update{}", time, g_handmadeApf ? " handmade" : "",
                           gf_pathToUtf8(path), updates, updates == 1 ? "" : "s"));
    } else {
        gf_log(fmt::format("{} saving '{}' did not succeed", time, gf_pathToUtf8(path)));
    }
    return saved;
}

} // namespace skf
