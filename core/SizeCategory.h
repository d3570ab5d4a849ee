#pragma once
// Size categories of aircraft and the constant tables of their manoeuvre figures,
// copied into each flight record when it is made.

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace skf {

enum class SizeCategory : std::int32_t {
    Light = 0,
    Buzjets = 1,
    Large = 2,
    Heavy = 3,
    HighPerf = 4,
    Rotorcraft = 5,
};

// "Light", "Buzjets", "Large", "Heavy", "HighPerf", "Rotorcraft"; "???" outside.
std::string_view gf_sizeCategoryName(SizeCategory category) noexcept;

// Throws std::out_of_range("invalid unordered_map<K, T> key").
[[noreturn]] void gf_throwMissingCategoryKey();

// A read-only table keyed by the category's value. at() of an absent key throws
// std::out_of_range("invalid unordered_map<K, T> key").
template <class T>
class CategoryTable {
public:
    CategoryTable(std::initializer_list<std::pair<const std::int32_t, T>> values) : m_map(values) {}

    const T& at(std::int32_t category) const {
        const auto it = m_map.find(category);
        if (it == m_map.end())
            gf_throwMissingCategoryKey();
        return it->second;
    }
    const T& at(SizeCategory category) const { return at(static_cast<std::int32_t>(category)); }

    bool contains(std::int32_t category) const { return m_map.contains(category); }
    std::size_t size() const noexcept { return m_map.size(); }
    const std::unordered_map<std::int32_t, T>& map() const noexcept { return m_map; }

private:
    std::unordered_map<std::int32_t, T> m_map;
};

// Step counts (engine steps of 10 ms).
extern const CategoryTable<std::int32_t> g_flareSteps;
extern const CategoryTable<std::int32_t> g_touchdownSteps;
extern const CategoryTable<std::int32_t> g_rotationSteps;
extern const CategoryTable<std::int32_t> g_climbPitchSteps;
// Turn rate per engine step, radians.
extern const CategoryTable<double> g_turnRates;
// First take-off pitch and climb pitch, degrees (negative = nose up, as the
// simulator counts pitch).
extern const CategoryTable<double> g_takeoffPitches;
extern const CategoryTable<double> g_climbPitches;

} // namespace skf
