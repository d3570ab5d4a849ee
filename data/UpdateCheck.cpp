#include "data/UpdateCheck.h"
#include "data/UpdateCheckInternal.h"

#include "core/ControlFields.h"
#include "core/Files.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/StatusLine.h"
#include "core/settings/Catalogue.h"
#include "data/Downloader.h"
#include "data/ZipArchive.h"
#include "core/settings/ProgramPaths.h"
#include "core/WindowFields.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <system_error>

namespace skf {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kProgramName = "Skyfill";
constexpr std::string_view kInstallerExe = "install_new_version.exe";
constexpr std::string_view kNewVersionFolder = "new_version";
constexpr std::string_view kSimaddonZip = "my_simaddon2024.zip";
constexpr std::size_t kUnzipChunk = 524288;

VersionData lf_settingVersion(const StringParameter& setting) {
    const std::string text = setting.value();
    return text.empty() ? VersionData{} : gf_parseVersion(text);
}

// The box comes before what follows it (the stop for a new version, the error of the livery scan): the
// check goes on once the user has closed it.
void lf_warningBox(const std::string& text) {
    gf_requestWarningBoxAndWait(text);
}

void lf_removeQuietly(const fs::path& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

// A data file (airports.enc, AIG-regcodes.enc, dbase.enc): fetched when the published version is newer
// than the setting's or the file is missing.
void lf_updateDataFile(const nlohmann::json& root, std::string_view member, StringParameter& setting,
                       std::string_view fileName) {
    const auto version = lf_versionOf(root, member);
    if (!version) {
        lf_logVersionNotFound(member);
        return;
    }
    const fs::path target = fs::path("input") / fileName;
    std::error_code ec;
    const bool missing = !fs::exists(target, ec);
    if (*version > lf_settingVersion(setting) || missing) {
        if (gf_downloadDataFile(fs::path(fileName), target)) {
            setting.setValue(gf_versionText(*version));
            lf_logDataUpdated(member, *version);
        }
    } else {
        lf_logUpToDate(member);
    }
}

// Scan data ("liveries", "addons"): newer data switches the scan on for this start.
void lf_updateScanData(const nlohmann::json& root, std::string_view member, StringParameter& setting,
                       CheckBoxParameter& scan, const fs::path& fileThatMustExist) {
    const auto version = lf_versionOf(root, member);
    if (!version) {
        lf_logVersionNotFound(member);
        return;
    }
    bool missing = false;
    if (!fileThatMustExist.empty()) {
        std::error_code ec;
        missing = !fs::exists(fileThatMustExist, ec);
    }
    if (*version > lf_settingVersion(setting) || missing) {
        scan.set(true);
        scan.store();
        scan.showCheck();
        gf_markChanged(BAND_ALL);
        setting.setValue(gf_versionText(*version));
        lf_logDataUpdated(member, *version);
    } else {
        lf_logUpToDate(member);
    }
}

} // namespace

// A version object with the three integer members; none for anything else (reported as not found).
std::optional<VersionData> lf_versionOf(const nlohmann::json& root, std::string_view member) {
    if (!root.is_object())
        return std::nullopt;
    const auto it = root.find(member);
    if (it == root.end() || !it->is_object())
        return std::nullopt;
    const nlohmann::json& v = *it;
    for (const char* key : {"major", "minor", "patch"}) {
        const auto k = v.find(key);
        if (k == v.end() || !k->is_number_integer())
            return std::nullopt;
        // get<std::int32_t> would cut a larger number to its low bits without an error.
        if (k->is_number_unsigned() ? k->get<std::uint64_t>() > static_cast<std::uint64_t>(INT32_MAX)
                                    : (k->get<std::int64_t>() < INT32_MIN || k->get<std::int64_t>() > INT32_MAX))
            return std::nullopt;
    }
    try {
        return VersionData{v["major"].get<std::int32_t>(), v["minor"].get<std::int32_t>(),
                           v["patch"].get<std::int32_t>()};
    } catch (const nlohmann::json::exception&) { // out of the int range
        return std::nullopt;
    }
}

// Reads and removes versions.json; none when it cannot be read or parsed (logged).
std::optional<nlohmann::json> lf_readVersionsFile(const fs::path& file) {
    std::optional<nlohmann::json> root;
    {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            gf_logError("Cannot open versions.json");
            return std::nullopt;
        }
        try {
            root = nlohmann::json::parse(in);
        } catch (const nlohmann::json::exception& e) {
            gf_logError(fmt::format("versions.json is not valid: {}", e.what()));
        }
    }
    std::error_code ec;
    fs::remove(file, ec);
    if (ec)
        gf_logError(fmt::format("Warning: could not remove {}: {}", file.string(), ec.message()));
    return root;
}

void lf_logDataUpdated(std::string_view member, const VersionData& version) {
    gf_log(fmt::format("{} updated to {}", member, gf_versionText(version)));
}

void lf_logUpToDate(std::string_view member) {
    gf_log(fmt::format("{} version up-to-date", member));
}

void lf_logVersionNotFound(std::string_view member) {
    gf_logError(fmt::format("{} version not found", member));
}

bool gf_checkForUpdates() {
    const fs::path versionsFile = "versions.json";
    {
        const CurlHandle handle = gf_makeCurlHandle();
        if (!gf_download(handle, gf_downloadBaseUrl() + "versions.json", versionsFile, false,
                         DownloadKind::VersionList)) {
            gf_logError("Downloading version info from my web site failed!");
            return true;
        }
    }
    const std::optional<nlohmann::json> parsed = lf_readVersionsFile(versionsFile);
    if (!parsed)
        return true;
    const nlohmann::json& root = *parsed;

    // The program itself.
    if (const auto version = lf_versionOf(root, "msfs")) {
        gf_log(fmt::format("{} program version at web = {}", "msfs", gf_versionText(*version)));
        if (*version > g_programVersion) {
            if (!lf_downloadInstaller(*version)) {
                gf_setStatus(
                    "The downloading/unzipping of the new version failed? Try manually via the Orvanta website.", true);
            } else {
                const fs::path newFolder = fs::absolute(fs::path(kNewVersionFolder));
                const CurlHandle handle = gf_makeCurlHandle();
                if (!gf_download(handle, gf_downloadBaseUrl() + "docs/ReleaseNotes.pdf", newFolder / "ReleaseNotes.pdf",
                                 true, DownloadKind::Document))
                    gf_logError(fmt::format("could not download {} to {}", "ReleaseNotes.pdf", newFolder.string()));
                const std::string message = gf_newVersionMessage(fs::current_path());
                gf_logFlushed(message);
                if (!gf_writeTextFile(message, newFolder / "README.txt", true))
                    gf_logError(fmt::format("Failed to write file: {}", (newFolder / "README.txt").string()));
                if (!gf_openContainingFolder(newFolder / kInstallerExe)) {
                    lf_warningBox("Could not open File Explorer at new version");
                    gf_setStatus(
                        "Opening file explorer at the new version failed? Try manually via the Orvanta website.", true);
                } else {
                    gf_flushLog();
                }
                gf_raiseStop(ExitReason::NewVersion, 0);
                return false;
            }
        } else {
            lf_logUpToDate("msfs");
        }
    } else {
        lf_logVersionNotFound("msfs");
    }

    // The MSFS 2024 add-on link package.
    if (!g_simIs2020.load()) {
        if (const auto version = lf_versionOf(root, "simaddon")) {
            switch (lf_updateMySimaddon(*version)) {
            case AddonPackageResult::Updated:
                lf_logDataUpdated("simaddon", *version);
                break;
            case AddonPackageResult::UpToDate:
                lf_logUpToDate("simaddon");
                break;
            case AddonPackageResult::Failed:
                gf_logError("simaddon update failed");
                break;
            }
        } else {
            lf_logVersionNotFound("simaddon");
        }
    }

    lf_updateDataFile(root, "airports", AIRPORTS_VERSION, "airports.enc");
    lf_updateDataFile(root, "aig", AIG_VERSION, "AIG-regcodes.enc");
    lf_updateScanData(root, "liveries", LIV_SCAN_VERSION, SCAN_LIVERIES, fs::path("output") / "LiveriesScanned.xml");
    lf_updateScanData(root, "addons", ADDONS_SCAN_VERSION, SCAN_AIRPORTS, fs::path());
    lf_updateDataFile(root, "dbase", DBASE_VERSION, "dbase.enc");
    return true;
}

bool lf_downloadInstaller(const VersionData& version) {
    const std::string archiveName = fmt::format("setup_{}_d_v{}.zip", kProgramName, gf_versionText(version));
    const fs::path archivePath = archiveName;
    const fs::path exePath = kInstallerExe;
    bool unpacked = false;
    const CurlHandle handle = gf_makeCurlHandle();
    if (gf_download(handle, gf_downloadBaseUrl() + "release/" + archiveName, archivePath, true,
                    DownloadKind::Archive)) {
        gf_log(fmt::format("Downloaded {}", archiveName));
        ZipArchive archive;
        if (!archive.open(archivePath)) {
            gf_logError(fmt::format("Could not open {}", archiveName));
        } else {
            // Every entry goes to the same file, each replacing the one before: the last one remains.
            const std::int64_t count = archive.entryCount();
            bool ok = count > 0;
            for (std::int64_t i = 0; i < count && ok; ++i) {
                std::error_code ec;
                fs::remove(exePath, ec);
                if (ec)
                    gf_logError(fmt::format("Warning: could not remove old installer: {}", ec.message()));
                std::ofstream out(exePath, std::ios::binary | std::ios::trunc);
                if (!out) {
                    gf_logError(fmt::format("Could not create output file {}", exePath.string()));
                    ok = false;
                    break;
                }
                const int code = archive.readEntry(i, kUnzipChunk, [&out](std::span<const char> chunk) {
                    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
                    return static_cast<bool>(out);
                });
                out.close();
                if (code != 0 || !out) {
                    gf_logError(fmt::format("Unzipping error code: {}", code != 0 ? code : -1));
                    ok = false;
                } else {
                    gf_log(fmt::format("{} unzipped to {}", archiveName, exePath.string()));
                }
            }
            archive.close();
            unpacked = ok;
            // A broken unpacking leaves no partial installer behind.
            if (!ok)
                lf_removeQuietly(exePath);
        }
    } else {
        gf_setStatus(fmt::format("Downloading program installer file version {} failed", gf_versionText(version)),
                     true);
    }

    const fs::path newFolder = kNewVersionFolder;
    {
        std::error_code ec;
        if (fs::is_directory(newFolder, ec)) {
            gf_removeFilesFromDirectory(newFolder);
        } else {
            fs::create_directories(newFolder, ec);
            if (ec) {
                gf_logError(fmt::format("Could not create directory {}: {}", newFolder.string(), ec.message()));
                unpacked = false;
            }
        }
    }

    {
        std::error_code ec;
        fs::remove(archivePath, ec);
        if (ec)
            gf_logError(fmt::format("Warning: could not remove downloaded zip: {}", ec.message()));
    }

    std::error_code ec;
    if (!unpacked || !fs::exists(exePath, ec)) {
        gf_logError(fmt::format("{} does not exists?", exePath.string()));
        lf_removeQuietly(exePath);
        return false;
    }

    // Move it into new_version through a temporary name, checking the size.
    const fs::path target = newFolder / exePath.filename();
    fs::path temporary = target;
    temporary += ".part";
    lf_removeQuietly(target);
    lf_removeQuietly(temporary);
    const auto size1 = fs::file_size(exePath, ec);
    if (ec) {
        gf_log(fmt::format("file_size({}) failed: {}", exePath.string(), ec.message()));
        return false;
    }
    fs::rename(exePath, temporary, ec);
    if (ec) {
        gf_log(fmt::format("could not rename {} => {}: {}", exePath.string(), temporary.string(), ec.message()));
        return false;
    }
    const auto size2 = fs::file_size(temporary, ec);
    if (ec) {
        gf_log(fmt::format("file_size({}) failed: {}", temporary.string(), ec.message()));
        return false;
    }
    if (size1 != size2) {
        gf_log(fmt::format("rename {} => {} suspicious: size {} != {}", exePath.string(), temporary.string(), size1,
                           size2));
        return false;
    }
    fs::rename(temporary, target, ec);
    if (ec) {
        gf_log(
            fmt::format("could not finalize rename {} => {}: {}", temporary.string(), target.string(), ec.message()));
        return false;
    }
    if (fs::exists(exePath, ec)) {
        fs::remove(exePath, ec);
        if (ec)
            gf_logError(fmt::format("Warning: could not remove extracted: {}", ec.message()));
    }
    return true;
}

bool lf_mySimaddonMissing() {
    const fs::path folder = fs::path("airports") / "my_simaddon";
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return true;
    return fs::is_empty(folder, ec) || ec;
}

AddonPackageResult lf_updateMySimaddon(const VersionData& published) {
    if (!(published > lf_settingVersion(MYSIMADDON24_VERSION)) && !lf_mySimaddonMissing())
        return AddonPackageResult::UpToDate;

    const fs::path archivePath = kSimaddonZip;
    {
        const CurlHandle handle = gf_makeCurlHandle();
        if (!gf_download(handle, gf_downloadBaseUrl() + "mysimaddon24/my_simaddon2024.zip", archivePath, true,
                         DownloadKind::Archive))
            return AddonPackageResult::Failed;
    }
    const auto removeArchive = [&archivePath] {
        std::error_code ec;
        fs::remove(archivePath, ec);
        if (ec)
            gf_logError(fmt::format("Warning: could not remove downloaded zip: {}", ec.message()));
    };

    // The links of the installed package stay until the new package is known to open.
    ZipArchive archive;
    if (!archive.open(archivePath)) {
        gf_logError(fmt::format("Could not open {}", kSimaddonZip));
        removeArchive();
        return AddonPackageResult::Failed;
    }
    const fs::path folder = fs::path("airports") / "my_simaddon";
    std::error_code ec;
    if (fs::is_directory(folder, ec)) {
        gf_removeFilesFromDirectory(folder);
    } else {
        fs::create_directories(folder, ec);
        if (ec) {
            gf_logError(fmt::format("Could not create directory {}: {}", folder.string(), ec.message()));
            return AddonPackageResult::Failed;
        }
    }
    int written = 0;
    const std::int64_t count = archive.entryCount();
    for (std::int64_t i = 0; i < count; ++i) {
        const std::string name = archive.entryName(i);
        if (name.empty() || name.back() == '/')
            continue;
        const fs::path stem = fs::path(name).stem();
        if (stem.empty() || stem == "." || stem == "..")
            continue; // no path outside the folder
        const fs::path link = folder / (stem.string() + ".txt");
        std::string content;
        if (archive.readEntry(i, content) != 0 || !gf_writeTextFile(content, link, false)) {
            gf_logError(fmt::format("Failed to write file: {}", link.string()));
            continue;
        }
        ++written;
    }
    archive.close();
    gf_setStatus(fmt::format("{} unzipped {} files", kSimaddonZip, written), true);
    MYSIMADDON24_VERSION.setValue(gf_versionText(published));
    removeArchive();
    return AddonPackageResult::Updated;
}

std::string gf_newVersionMessage(const fs::path& programFolder) {
    // The system-wide program folders of this platform stand in for "Program Files".
    const std::string folder = fs::absolute(programFolder).string();
    const bool underProgramFiles = folder.starts_with("/usr/") || folder.starts_with("/opt/");

    bool writable = false;
    {
        const fs::path probe = programFolder / ".write_test.tmp";
        std::ofstream out(probe, std::ios::binary | std::ios::trunc);
        if (out) {
            out.put('\0');
            out.close();
            writable = static_cast<bool>(out);
        }
        lf_removeQuietly(probe);
    }
    if (underProgramFiles && !writable && ::geteuid() != 0)
        return "A new version is available. Run the installer as Administrator";
    return "A new version is available.\nThe installer can be executed normally (no Administrator rights required).";
}

bool gf_openParametersFolder() {
    if (gf_openContainingFolder(g_parametersPath))
        return true;
    lf_warningBox("Could not open folder with parameters.xml");
    return false;
}

bool gf_openManual() {
    if (gf_openContainingFolder(fs::current_path() / "docs" / "Manual.pdf"))
        return true;
    lf_warningBox("Could not open local folder with Manual");
    return false;
}

} // namespace skf
