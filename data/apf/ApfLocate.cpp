#include "data/apf/ApfLocate.h"
#include "data/apf/ApfLocateInternal.h"

#include <fmt/format.h>

#include <optional>

#include "core/Files.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/settings/Catalogue.h"
#include "core/Text.h"
#include "core/settings/ProgramPaths.h"
#include "data/Airports.h"
#include "data/apf/ApfFetch.h"
#include "data/apf/ParkApf.h"
#include "data/Downloader.h"

namespace skf {

namespace fs = std::filesystem;

std::string gf_apfFileName(const FixedCode<4>& icao) {
    return std::string(icao.view()) + ".xml";
}
fs::path gf_apfXmlName(const FixedCode<4>& icao) {
    return fs::path(gf_apfFileName(icao));
}
fs::path gf_apfTxtName(const FixedCode<4>& icao) {
    return fs::path(std::string(icao.view()) + ".txt");
}

namespace {

bool lf_archiveHasStands(const FixedCode<4>& icao) {
    const Airport* airport = gf_findListedAirport(icao);
    return airport != nullptr && airport->stands >= 1;
}

bool lf_endsWithXmlNoCase(std::string_view text) {
    if (text.size() < 4) {
        return false;
    }
    return gf_hasExtensionNoCase(".XML", text.substr(text.size() - 4));
}

} // namespace

bool gf_apfExists(const FixedCode<4>& icao) {
    for (const fs::path& folder : {g_myThirdpartyFolder, g_mySimaddonFolder}) {
        if (gf_pathExists(folder / gf_apfXmlName(icao)) || gf_pathExists(folder / gf_apfTxtName(icao))) {
            return true;
        }
    }
    return lf_archiveHasStands(icao);
}

bool lf_readApfLink(const fs::path& path, std::string& out) {
    out.clear();
    if (!gf_pathExists(path)) {
        return false;
    }
    LineFile file{path, {}};
    const FileLinesView view = gf_readFileLines(file, 1);
    const auto& lines = view.lines;
    if (lines.empty() || lines.front().empty()) {
        return false;
    }
    std::string first = lines.front();
    while (!first.empty() && std::isspace(static_cast<unsigned char>(first.back()))) {
        first.pop_back();
    }
    if (!lf_endsWithXmlNoCase(first)) {
        return false;
    }
    out = std::move(first);
    return true;
}

std::string gf_locateApf(const FixedCode<4>& icao) {
    std::string target;
    for (const fs::path& folder : {g_myThirdpartyFolder, g_mySimaddonFolder}) {
        if (lf_readApfLink(folder / gf_apfTxtName(icao), target)) {
            return target;
        }
        const fs::path xml = folder / gf_apfXmlName(icao);
        if (gf_pathExists(xml)) {
            return xml.generic_string();
        }
    }
    if (lf_archiveHasStands(icao)) {
        return "archive/stock/" + gf_apfFileName(icao);
    }
    return {};
}

std::string gf_apfDownloadUrl(std::string_view archivePath) {
    const bool shared =
        archivePath.find("simaddon") != std::string_view::npos || archivePath.find("stock") != std::string_view::npos;
    const std::string base = gf_downloadBaseUrl(); // ends in "/downloads/"
    const char* folder = (!g_simIs2020.load() && !shared) ? "MSFS2024/" : "MSFS/";
    return base + folder + std::string(archivePath);
}

std::string lf_downloadApf(std::string_view archivePath, const fs::path& target) {
    const std::string url = gf_apfDownloadUrl(archivePath);
    bool ok = false;
    if (const std::optional<bool> fetched = gf_takeFetchedApf(archivePath, target)) {
        ok = *fetched; // fetched on a worker while the engine went on
    } else {
        CurlHandle handle = gf_makeCurlHandle();
        ok = gf_download(handle, url, target, false, DownloadKind::AirportFile);
    }
    if (ok) {
        return {};
    }
    if (gf_pathExists(target)) {
        fs::remove(target); // raises the file-system error naming "remove"
    }
    std::string message = fmt::format("failed to download: '{}'", url);
    gf_log(message);
    return message;
}

} // namespace skf
