// Quality factor of the park airport's stands: how much flight knowledge they carry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/apf/Stand.h"

namespace skf {

// Qf_real and Qf_soft, each 0..100, or -1 for both when no stand has options.
struct QualityFactor {
    int32_t real = -1;
    int32_t soft = -1;
    bool operator==(const QualityFactor&) const = default;
};

// The pair of the park airport; set by gf_readApf. Held by the park airport's owner
// (data/apf/ParkApfState.h), on the engine's thread.
extern QualityFactor& g_qualityFactor;

// The pair computed from a stand table (g_stands by default).
QualityFactor gf_qualityFactor(const std::vector<Stand>& stands);
QualityFactor gf_qualityFactor();

} // namespace skf
