#include "sim/PackagesRoot.h"
#include "sim/PackagesRootInternal.h"

#include <vector>

#include <fmt/format.h>

#include "core/Files.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/Text.h"
#include "core/settings/Catalogue.h"
#include "core/settings/Parameters.h"

namespace skf {

namespace fs = std::filesystem;

std::string lf_packageFamilyName(bool is2024) {
    return is2024 ? "Microsoft.Limitless_8wekyb3d8bbwe" : "Microsoft.FlightSimulator_8wekyb3d8bbwe";
}

std::string lf_roamingSimFolderName(bool is2024) {
    return is2024 ? "Microsoft Flight Simulator 2024" : "Microsoft Flight Simulator";
}

namespace {

// The path that a UTF-8 text names.
fs::path lf_pathFromUtf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string lf_officialFolderName(bool is2024) {
    return is2024 ? "Official2024" : "Official";
}

bool lf_isFolder(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error && error != std::errc::no_such_file_or_directory && error != std::errc::not_a_directory) {
        throw fs::filesystem_error("status", path, error);
    }
    return fs::is_directory(status);
}

bool lf_exists(const fs::path& path) {
    std::error_code error;
    const bool found = fs::exists(path, error);
    if (error && error != std::errc::no_such_file_or_directory && error != std::errc::not_a_directory) {
        throw fs::filesystem_error("status", path, error);
    }
    return found;
}

} // namespace

fs::path lf_steamPackagesFolder(bool is2024) {
    const fs::path roaming = gf_roamingAppDataPath();
    if (roaming.empty()) {
        return {};
    }
    fs::path folder = roaming / lf_roamingSimFolderName(is2024) / "Packages";
    if (!lf_exists(folder)) {
        return {};
    }
    gf_log(fmt::format("Steam packages: {}", gf_pathToUtf8(folder)));
    return folder;
}

bool lf_isPackagesRoot(const fs::path& path, bool is2024) {
    if (path.empty()) {
        return false;
    }
    return lf_isFolder(path) && lf_isFolder(path / "Community") && lf_isFolder(path / lf_officialFolderName(is2024));
}

fs::path lf_findUserCfgOpt(bool is2024) {
    const fs::path local = gf_localAppDataPath();
    const fs::path roaming = gf_roamingAppDataPath();
    const std::vector<fs::path> candidates{
        local / "Packages" / lf_packageFamilyName(is2024) / "LocalCache" / "UserCfg.opt",
        roaming / lf_roamingSimFolderName(is2024) / "UserCfg.opt",
        local / "Packages" / "Microsoft.FlightDashboard_8wekyb3d8bbwe" / "LocalCache" / "UserCfg.opt",
        local / "MSFSPackages" / "UserCfg.opt",
    };
    for (const auto& candidate : candidates) {
        if (lf_exists(candidate)) {
            return candidate;
        }
        gf_log(fmt::format("MSFS detection, not found: {}", gf_pathToUtf8(candidate)));
    }
    return {};
}

std::string lf_installedPathValue(const std::string& line) {
    const auto first = line.find('"');
    if (first == std::string::npos) {
        return line;
    }
    const auto second = line.find('"', first + 1);
    if (second == std::string::npos) {
        return {};
    }
    return line.substr(first + 1, second - first - 1);
}

fs::path lf_readInstalledPackagesPath(bool is2024) {
    const fs::path cfg = lf_findUserCfgOpt(is2024);
    if (cfg.empty()) {
        gf_log("No UserCfg.opt found?");
        return {};
    }
    std::vector<std::string> lines;
    const std::string* found = nullptr;
    if (gf_readFileLines(cfg, lines, 64)) {
        for (const auto& line : lines) {
            if (line.size() >= 21 && line.find("InstalledPackagesPath") != std::string::npos) {
                found = &line;
                break;
            }
        }
    }
    if (found == nullptr) {
        gf_log("UserCfg.opt: InstalledPackagesPath=???");
        return {};
    }
    const std::string value = lf_installedPathValue(*found);
    gf_log(fmt::format("UserCfg.opt: InstalledPackagesPath={}", value));
    const fs::path path = lf_pathFromUtf8(value);
    if (value.empty()) {
        return {};
    }
    // The value is the file's text: a name too long for the system or otherwise unusable is no
    // packages folder, not a failure of the start-up.
    try {
        if (!lf_exists(path)) {
            return {};
        }
    } catch (const fs::filesystem_error& e) {
        gf_logError(fmt::format("UserCfg.opt: {}", e.what()));
        return {};
    }
    return path;
}

bool gf_detectPackagesRoot() {
    const bool is2024 = !g_simIs2020.load();
    fs::path candidate = lf_steamPackagesFolder(is2024);
    if (!lf_isPackagesRoot(candidate, is2024)) {
        candidate = lf_readInstalledPackagesPath(is2024);
        if (!lf_isPackagesRoot(candidate, is2024)) {
            return false;
        }
    }
    // Stored as UTF-8: the root may hold characters that no narrow code page can represent.
    const std::string root = gf_pathToUtf8(candidate);
    (is2024 ? MSFS_2024_INSTALL_PATH : MSFS_INSTALL_PATH).setValue(root);
    ALL_INSTALL_PATH.set(root);
    gf_showStringParameter(ALL_INSTALL_PATH);
    return true;
}

fs::path gf_simPackagesPath(const fs::path& relative) {
    const std::string root = (!g_simIs2020.load() ? MSFS_2024_INSTALL_PATH : MSFS_INSTALL_PATH).value();
    return lf_pathFromUtf8(root) / relative;
}

} // namespace skf
