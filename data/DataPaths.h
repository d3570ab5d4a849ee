#pragma once
// The reference data files in the working folder's "input" folder.

#include <filesystem>

namespace skf {

const std::filesystem::path& gf_inputFolderPath();
const std::filesystem::path& gf_airportsEncPath();
const std::filesystem::path& gf_airportsXmlPath();
const std::filesystem::path& gf_dbaseEncPath();
const std::filesystem::path& gf_dbaseXmlPath();
const std::filesystem::path& gf_aigRegcodesEncPath();
const std::filesystem::path& gf_aigRegcodesXmlPath();

} // namespace skf
