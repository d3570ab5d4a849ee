#include "data/apf/QualityFactor.h"
#include "data/apf/QualityFactorInternal.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include <fmt/format.h>

namespace skf {

namespace {

// A stand's weight by its radius as kept in memory (nautical miles): every stand of a real
// airport lies below the first limit, so the factor is the plain mean of the stand scores.
double lf_standWeight(const Stand& stand) {
    constexpr double kFirstLimit = 7.0;
    constexpr double kSecondLimit = 10.0;
    if (stand.radius <= kFirstLimit) {
        return 0.3;
    }
    if (stand.radius <= kSecondLimit) {
        return 1.5;
    }
    return 1.0;
}

// The score of one kind (real = 1, soft = 0) of a stand's options; 0 when it has none.
double lf_kindScore(const Stand& stand, uint32_t real) {
    int64_t n = 0;
    int64_t halfHours = 0;
    unsigned days = 0; // bit d for day d
    for (const auto& opt : stand.options) {
        if (opt.number == 0 || (opt.real != 0) != (real != 0)) {
            continue;
        }
        ++n;
        if (opt.day >= 1 && opt.day <= 7) {
            days |= 1u << opt.day;
        }
        halfHours += static_cast<int64_t>(opt.halfHours.count());
    }
    if (n == 0) {
        return 0.0;
    }
    const int64_t distinctDays = std::popcount(days);
    return static_cast<double>(std::min<int64_t>(20 * n, 4000) + 10000 + 100 * distinctDays +
                               2 * std::min<int64_t>(halfHours, 600));
}

int32_t lf_factor(double sum, double weights) {
    const double value = std::round(sum / weights * 0.00625);
    return static_cast<int32_t>(std::clamp(value, 0.0, 100.0));
}

} // namespace

QualityFactor gf_qualityFactor(const std::vector<Stand>& stands) {
    const bool anyOptions =
        std::any_of(stands.begin(), stands.end(), [](const Stand& s) { return !s.options.empty(); });
    if (!anyOptions) {
        return {-1, -1};
    }
    double weights = 0.0;
    double realSum = 0.0;
    double softSum = 0.0;
    for (const auto& stand : stands) {
        const double w = lf_standWeight(stand);
        weights += w;
        realSum += lf_kindScore(stand, 1) * w;
        softSum += lf_kindScore(stand, 0) * w;
    }
    return {lf_factor(realSum, weights), lf_factor(softSum, weights)};
}

QualityFactor gf_qualityFactor() {
    return gf_qualityFactor(g_stands);
}

std::string lf_qualityFactorText(QualityFactor qf) {
    if (qf.real < 0 && qf.soft < 0) {
        return "  ";
    }
    if (qf.real < 45) {
        return fmt::format("{:2}/{:2}", qf.real, qf.soft);
    }
    return fmt::format("{:2}", qf.real);
}

std::string lf_qualityFactorText() {
    return lf_qualityFactorText(g_qualityFactor);
}

} // namespace skf
