#include "airportscan/AirportLinking.h"

#include <algorithm>
#include <system_error>

#include <fmt/format.h>

#include "airportscan/ScanLog.h"
#include "airportscan/ScanOwnFiles.h"
#include "core/Files.h"
#include "core/ProgramState.h"
#include "core/Text.h"
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "data/Airports.h"
#include "data/Dbase.h"
#include "data/DbaseLookups.h"
#include "data/apf/ApfLocate.h"

namespace skf {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSimaddon = "simaddon";

std::string lf_icaoText(const FixedCode<4>& icao) {
    return std::string(icao.view()); // four blanks for the empty code
}

void lf_createFolder(const fs::path& folder) {
    if (gf_pathExists(folder))
        return;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        throw fs::filesystem_error("create_directory", folder, ec);
}

// Writes the link file; false (and a line) when it cannot be written.
bool lf_writeLinkFile(const fs::path& folder, const FixedCode<4>& icao, const std::string& archivePath) {
    const fs::path file = folder / gf_apfTxtName(icao);
    std::error_code ec;
    fs::create_directories(folder, ec); // a failure shows in the write
    if (gf_writeTextFile(archivePath, file, true)) {
        gf_noteScanFile(file);
        return true;
    }
    lf_scanLog(fmt::format("===> Writing link file {} did not succeed", gf_pathToUtf8(file)));
    return false;
}

} // namespace

std::optional<std::string> lf_simaddonArchivePath(const FixedCode<4>& icao) {
    std::string path = fmt::format("archive/{}/{}", kSimaddon, gf_apfFileName(icao));
    if (g_simaddonAirports.contains(std::string(icao.view())))
        return path;
    lf_scanLog(fmt::format("{} does not exist as simaddon", lf_icaoText(icao)));
    return std::nullopt;
}

std::optional<std::string> lf_thirdpartyArchivePath(const std::string& publisher, const FixedCode<4>& icao,
                                                    int& archivedStands) {
    std::string escaped;
    for (char c : publisher)
        escaped += c == ' ' ? std::string("%20") : std::string(1, c);
    const std::string path = fmt::format("archive/thirdparty/{}/{}", escaped, gf_apfFileName(icao));
    const auto& lists = g_simIs2020.load() ? g_thirdparties20 : g_thirdparties24;
    for (const PublisherAirports& entry : lists) {
        if (entry.publisher != publisher)
            continue;
        for (const std::string& airport : entry.airports) {
            int count = 0;
            if (gf_matchCodeNumberName(publisher, icao.view(), count, airport)) {
                archivedStands = count;
                return path;
            }
        }
    }
    lf_scanLog(fmt::format("thirdparty {} {} does not exist", publisher, lf_icaoText(icao)));
    return std::nullopt;
}

bool lf_linkAirport(Apf& apf, int& archivedStands, const fs::path& bglPath, const PublisherLookup& publisher) {
    archivedStands = 0;
    apf.BGLpath = gf_pathToUtf8(bglPath);
    for (const std::string& line : publisher.lines)
        lf_scanLog(line);
    apf.publisher = publisher.info.publisher;
    apf.manufacturer = publisher.info.manufacturer;
    apf.creator = publisher.info.creator;
    apf.title = publisher.info.title;
    if (apf.publisher.empty())
        return false;
    if (apf.publisher == kSimaddon) {
        const auto path = lf_simaddonArchivePath(apf.icao);
        if (!path || !lf_writeLinkFile(g_mySimaddonFolder, apf.icao, *path))
            return false;
        lf_scanLog(fmt::format("{} airport {} linked to {}", kSimaddon, lf_icaoText(apf.icao), *path));
        return true;
    }
    int count = 0;
    const auto path = lf_thirdpartyArchivePath(apf.publisher, apf.icao, count);
    if (!path || !lf_writeLinkFile(g_myThirdpartyFolder, apf.icao, *path))
        return false;
    archivedStands = count;
    lf_scanLog(fmt::format("thirdparty airport {} linked to {}", lf_icaoText(apf.icao), *path));
    return true;
}

bool lf_linkAirport(Apf& apf, int& archivedStands, const fs::path& bglPath) {
    return lf_linkAirport(apf, archivedStands, bglPath, lf_lookupPublisher(bglPath));
}

std::string lf_cutToCommunity(std::string_view text) {
    const auto at = text.find("Community");
    return std::string(at == std::string_view::npos ? text : text.substr(at));
}

void lf_generateAirportFile(Apf& apf, int helipadCounter) {
    if (apf.stands.empty())
        return;
    if (!apf.BGLpath.empty())
        apf.BGLpath = lf_cutToCommunity(apf.BGLpath);
    const fs::path folder = apf.publisher == kSimaddon ? g_mySimaddonFolder : g_myThirdpartyFolder;
    const auto count = static_cast<std::uint64_t>(apf.stands.size());
    std::string helipads;
    if (helipadCounter >= 2)
        helipads =
            fmt::format(", of which {} helipad{}", helipadCounter - 1, gf_plural(std::int32_t{helipadCounter - 1}));
    lf_scanLog(
        fmt::format("Generated {}: {} position{}{}", gf_apfFileName(apf.icao), count, gf_plural(count), helipads));
    std::sort(apf.stands.begin(), apf.stands.end(), [](const Stand& a, const Stand& b) { return a.id < b.id; });
    lf_createFolder(folder);
    const fs::path file = folder / gf_apfXmlName(apf.icao);
    if (gf_writeApf(apf, file, kApfModeFull, g_simNumber.load()))
        gf_noteScanFile(file);
    else
        lf_scanLog(fmt::format("===> Generating {} did not succeed", gf_pathToUtf8(file)));
}

std::optional<FixedCode<4>> lf_findIcaoOfNonComplyingAirport(const fs::path& bglPath) {
    const std::string path = gf_pathToUtf8(bglPath);
    try {
        const std::string stem = bglPath.stem().string();
        if (stem.size() == 4) {
            const FixedCode<4> code(stem); // upper-cases; raises for other characters than letters and digits
            if (gf_isKnownAirport(code)) {
                lf_scanLog(fmt::format("Non complying airport has ICAO code '{}' as BGL stem", code.view()));
                return code;
            }
        }
        if (const auto manifest = gf_searchManifest(bglPath)) {
            if (const auto code = gf_findAirportByPrefix(manifest->title)) {
                lf_scanLog(fmt::format("Non complying airport has ICAO '{}' in title '{}' of manifest", code->view(),
                                       manifest->title));
                return code;
            }
            if (const auto code = gf_findAirportInFileName(bglPath)) {
                lf_scanLog(fmt::format("Non complying airport has ICAO '{}' in BGL path '{}'", code->view(), path));
                return code;
            }
        }
    } catch (const std::invalid_argument&) {
        return std::nullopt;
    }
    lf_scanLog(fmt::format("==================> Non complying airport lost ... '{}'", path));
    return std::nullopt;
}

void lf_reportNotRecognisedAirport(const fs::path& bglPath) {
    lf_scanLog(fmt::format("\n==> Not recognised airport {}", gf_pathToUtf8(bglPath)));
    const auto icao = lf_findIcaoOfNonComplyingAirport(bglPath);
    if (!icao)
        return;
    Apf apf;
    apf.icao = *icao;
    int archived = 0;
    lf_linkAirport(apf, archived, bglPath);
}

} // namespace skf
