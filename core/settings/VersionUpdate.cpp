#include "core/settings/VersionUpdate.h"
#include "core/settings/VersionUpdateInternal.h"

#include <filesystem>
#include <system_error>

#include <fmt/format.h>

#include "core/Codes.h"
#include "core/Files.h"
#include "core/Log.h"
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "core/settings/SettingsFile.h"

namespace skf {

namespace fs = std::filesystem;

namespace {

constexpr VersionData kOldestConvertible{11, 0, 2};

void lf_removeFileIfExists(const fs::path& path) {
    if (!gf_pathExists(path))
        return;
    std::error_code ec;
    fs::remove(path, ec);
    if (ec)
        throw fs::filesystem_error("remove", path, ec);
}

void lf_removeFolderIfExists(const fs::path& path) {
    if (!gf_pathExists(path))
        return;
    std::error_code ec;
    fs::remove_all(path, ec);
    if (ec)
        throw fs::filesystem_error("remove", path, ec);
}

// Airport files of older versions: "XXXX.xml" (four characters, extension exactly ".xml") directly in the
// working folder. Any error ends the removal silently.
void lf_removeOldAirportFiles() {
    try {
        const fs::path workingFolder = fs::current_path();
        gf_log(workingFolder.string());
        for (const fs::directory_entry& entry : fs::directory_iterator(workingFolder)) {
            if (!entry.is_regular_file())
                continue;
            const fs::path& p = entry.path();
            if (p.extension().string() == ".xml" && p.stem().string().size() == 4)
                fs::remove(p);
        }
    } catch (...) {
    }
}

void lf_setScanLiveries() {
    SCAN_LIVERIES.set(true);
    SCAN_LIVERIES.store();
    SCAN_LIVERIES.showCheck();
}

} // namespace

bool lf_versionUpdate() {
    const std::string runningText = gf_versionText(g_programVersion);
    const std::string storedText = PROGRAM_VERSION.value();
    if (storedText == PROGRAM_VERSION.defaultVal()) {
        PROGRAM_VERSION.setValue(runningText);
        return false;
    }
    const VersionData stored = gf_parseVersion(storedText);
    if (stored != g_programVersion)
        PROGRAM_VERSION.setValue(runningText);
    if (!(stored < g_programVersion))
        return false;

    gf_log(fmt::format("This is a version update from {} -> {}", gf_versionText(stored), runningText));
    if (stored < kOldestConvertible)
        return true;

    lf_setScanLiveries();
    lf_removeFileIfExists(g_liveriesScannedPath);
    lf_removeFileIfExists(g_callsign2ObjectIdName);
    lf_removeOldAirportFiles();
    lf_removeFileIfExists(g_airportsMsfsPath);
    lf_removeFileIfExists(g_airportsMsfsNamesPath);
    lf_removeFolderIfExists(g_newVersionFolder);
    return false;
}

void gf_checkParametersVersion() {
    if (gf_loadParameters()) {
        lf_setScanLiveries();
        SCAN_AIRPORTS.set(true);
        SCAN_AIRPORTS.store();
        SCAN_AIRPORTS.showCheck();
        return;
    }
    if (lf_versionUpdate()) {
        gf_log("\nYour previous version was too old to convert the old text box parameters to the newdropbox values.");
        gf_log(fmt::format("{} re-starts with default parameter values ...\n", "Skyfill"));
        // The default file replaces the old one through a temporary file; the old one is never removed first.
        gf_saveParameters(true);
    }
}

} // namespace skf
