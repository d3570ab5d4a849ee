// Writer of airport files: full files for scanned add-on airports and learned files of the park airport.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "core/Codes.h"
#include "data/apf/Stand.h"

namespace skf {

// An airport file in memory.
struct Apf {
    FixedCode<4> icao;
    std::string airport_name;
    std::string BGLpath;
    std::string publisher;
    std::string manufacturer;
    std::string creator;
    std::string title;
    int32_t Qf_real = 0;
    int32_t Qf_soft = 0;
    int32_t altitude = 0; // feet
    std::vector<Stand> stands;
};

inline constexpr int kApfModeLearned = 0;
inline constexpr int kApfModeFull = 1;

// The open park airport's file is handmade (its stands come from a handmade learned file). Held by the park
// airport's owner (data/apf/ParkApfState.h), on the engine's thread.
extern bool& g_handmadeApf;

// Writes the airport file of `apf` to `path` (replacing an existing file through a temporary file).
// mode 1: full file with every stand's geometry and no flights; mode 0: learned file.
// `simulator` is the number stored in the file header. True when the file was saved.
bool gf_writeApf(const Apf& apf, const std::filesystem::path& path, int mode, int simulator);

} // namespace skf
