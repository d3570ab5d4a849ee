#include "sim/FlightPlans.h"

#include <mutex>
#include <system_error>

#include <fmt/format.h>

#include "core/Files.h"
#include "core/Log.h"
#include "core/SizeCategory.h"
#include "core/settings/ProgramPaths.h"

namespace skf {

namespace {

std::mutex s_folderMutex;
std::filesystem::path s_flightPlanFolder;

} // namespace

std::filesystem::path gf_flightPlanFolder() {
    std::lock_guard lock(s_folderMutex);
    return s_flightPlanFolder;
}

bool gf_createFlightPlanFolder() {
    const std::filesystem::path folder = g_dataFolder / "orig_dest";
    {
        std::lock_guard lock(s_folderMutex);
        s_flightPlanFolder = folder;
    }
    std::error_code error;
    if (!std::filesystem::exists(folder)) { // a failing query throws filesystem_error
        std::filesystem::create_directories(folder, error);
        if (error) {
            gf_log(fmt::format("gf_createFlightPlanFolder: {}", error.message()));
        }
    }
    return std::filesystem::is_directory(folder);
}

std::filesystem::path gf_flightPlanPath(std::uint32_t objectId) {
    return gf_flightPlanFolder() / fmt::format("{}.pln", objectId);
}

std::string gf_flightPlanText(const FlightRecord& record) {
    const bool ifr = record.category == SizeCategory::Buzjets || record.category == SizeCategory::Large ||
                     record.category == SizeCategory::Heavy;
    std::string text;
    text.reserve(320);
    text += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    text += "<SimBase.Document Type=\"AceXML\" version=\"4,3\">\n";
    text += "<FlightPlan.FlightPlan>\n";
    text += fmt::format("<FPType>{}</FPType>\n", ifr ? "IFR" : "VFR");
    text += fmt::format("<DepartureID>{}</DepartureID>\n", gf_routeCodeText(record.origin));
    text += fmt::format("<DestinationID>{}</DestinationID>\n", gf_routeCodeText(record.destination));
    text += "</FlightPlan.FlightPlan>\n";
    text += "</SimBase.Document>\n";
    text += "\n";
    return text;
}

bool gf_writeFlightPlan(const std::filesystem::path& path, const FlightRecord& record) {
    return gf_writeTextFile(gf_flightPlanText(record), path, false);
}

} // namespace skf
