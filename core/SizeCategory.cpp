#include "core/SizeCategory.h"
#include "core/Units.h"

#include <array>
#include <stdexcept>

namespace skf {

std::string_view gf_sizeCategoryName(SizeCategory category) noexcept {
    static constexpr std::array<std::string_view, 6> names = {"Light", "Buzjets",  "Large",
                                                              "Heavy", "HighPerf", "Rotorcraft"};
    const auto i = static_cast<std::int32_t>(category);
    return (i >= 0 && i < 6) ? names[static_cast<std::size_t>(i)] : std::string_view("???");
}

void gf_throwMissingCategoryKey() {
    throw std::out_of_range("invalid unordered_map<K, T> key");
}

const CategoryTable<std::int32_t> g_flareSteps{{0, 250}, {1, 300}, {2, 400}, {3, 450}, {4, 150}, {5, 100}};
const CategoryTable<std::int32_t> g_touchdownSteps{{0, 250}, {1, 300}, {2, 350}, {3, 450}, {4, 150}, {5, 100}};
const CategoryTable<std::int32_t> g_rotationSteps{{0, 100}, {1, 200}, {2, 200}, {3, 250}, {4, 100}, {5, 100}};
const CategoryTable<std::int32_t> g_climbPitchSteps{{0, 200}, {1, 250}, {2, 300}, {3, 400}, {4, 200}, {5, 100}};
const CategoryTable<double> g_turnRates{{0, 0.15 * g_degToRad}, {1, 0.1 * g_degToRad}, {2, 0.07 * g_degToRad},
                                        {3, 0.05 * g_degToRad}, {4, 0.1 * g_degToRad}, {5, 0.2 * g_degToRad}};
const CategoryTable<double> g_takeoffPitches{{0, -9.0}, {1, -8.0}, {2, -6.0}, {3, -5.0}, {4, -6.0}, {5, -20.0}};
const CategoryTable<double> g_climbPitches{{0, -15.0}, {1, -18.0}, {2, -16.5}, {3, -12.5}, {4, -20.0}, {5, -30.0}};

} // namespace skf
