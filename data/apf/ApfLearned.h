// Learned airport files: what the program learned at an airport, merged into its stands.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "data/apf/Stand.h"

namespace skf {

struct ParkApfInfo;

// Learned files older than this version keep their stand changes but lose their flights.
inline constexpr std::string_view kLearnedMinimumVersion = "11.10.0";

// The learned file that belongs to an airport file path (archive or local), or an empty path
// when there is none for this kind of airport file.
std::filesystem::path lf_learnedApfPath(std::string_view apfPath, std::string_view publisher);

// The text without leading and trailing blanks (only the blank character).
std::string lf_trimBlanks(std::string_view text);

// Merges the learned file at `path` into g_stands (a handmade file replaces them) and applies its
// per-airport settings. A file that fails part-way leaves g_stands as it was before the call.
void lf_readLearned(const std::filesystem::path& path, const ParkApfInfo& info);

struct LearnedParkpos {
    std::string id;
    pugi::xml_node parkpos;
    bool older = false;
};

// Merges one learned `parkpos` into the stand when its id matches; false otherwise.
bool lf_mergeLearnedParkpos(const LearnedParkpos& context, Stand& stand);

} // namespace skf
