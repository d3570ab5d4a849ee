#pragma once
// The steps of the update check; used inside data/ and by the fuzz targets only.
#include "data/UpdateCheck.h"

namespace skf {

// Parts of the check (exposed for tests).
bool lf_downloadInstaller(const VersionData& version);
AddonPackageResult lf_updateMySimaddon(const VersionData& published);
bool lf_mySimaddonMissing();
void lf_logDataUpdated(std::string_view member, const VersionData& version);
void lf_logUpToDate(std::string_view member);
void lf_logVersionNotFound(std::string_view member);

// Reads and removes versions.json; none when it cannot be read or parsed (logged).
std::optional<nlohmann::json> lf_readVersionsFile(const std::filesystem::path& file);

// The member's version object with the three integer members; none for anything else.
std::optional<VersionData> lf_versionOf(const nlohmann::json& root, std::string_view member);

} // namespace skf
