#pragma once
// Interning tables of codes: airline/operator codes and ICAO aircraft model codes.
// Every record of traffic, stands and liveries carries 16-bit ids of these pools instead of strings.

#include <cstdint>
#include <deque>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace skf {

// 64-bit FNV-1a over the bytes of a code; the empty code hashes to the offset basis.
struct Fnv1aHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept {
        std::uint64_t h = 14695981039346656037ULL;
        for (unsigned char c : s) {
            h ^= c;
            h *= 1099511628211ULL;
        }
        return static_cast<std::size_t>(h);
    }
};

// A code <-> 16-bit id table. Id 0 is always the empty code. Codes are stored byte for byte
// (no case folding, no trimming). Ids are stable: a code keeps its id for the life of the pool.
//
// Safe for concurrent use: scan workers and the traffic reader intern while the engine reads.
// Texts live in a deque, so a view returned by name() stays valid while codes are appended
// (only clear() invalidates views; it is meant for tests and a fresh read).
class StringPool {
public:
    static constexpr std::size_t kMaxCodes = 65536;

    StringPool();
    StringPool(const StringPool&) = delete;
    StringPool& operator=(const StringPool&) = delete;

    // The id of the code; a code not yet in the pool is appended and gets the next id.
    // A full pool (65536 codes) cannot take a new code: it answers 0 (the empty code) and
    // logs the refused code once per pool, instead of wrapping onto another code's id.
    std::uint16_t intern(std::string_view code);

    // The id of the code when it is in the pool.
    std::optional<std::uint16_t> find(std::string_view code) const;

    // The code of an id; an empty text when the id is not in the pool.
    std::string_view name(std::uint16_t id) const;

    // Number of codes including the empty code.
    std::size_t size() const;

    // Back to the empty code alone. Views handed out before become invalid.
    void clear();

private:
    mutable std::shared_mutex m_mutex;
    std::deque<std::string> m_texts;
    std::unordered_map<std::string, std::uint16_t, Fnv1aHash, std::equal_to<>> m_ids;
    bool m_overflowLogged = false;
};

// Airline and operator codes.
extern StringPool g_operatorPool;
// ICAO aircraft model codes.
extern StringPool g_modelPool;

std::uint16_t gf_internOperator(std::string_view code);
std::uint16_t gf_internModel(std::string_view code);
// The code of an operator-pool id; empty when the id is not in the pool.
std::string_view gf_operatorName(std::uint16_t id);
// The code of a model-pool id; empty when the id is not in the pool.
std::string_view gf_modelName(std::uint16_t id);
// "{:3} {:4}" of the airline code and the model code of an (airline, model) pair, as log lines show
// them; an id outside its pool gives an empty code in its place.
std::string gf_airlineTypeLabel(std::uint16_t airlineId, std::uint16_t modelId);

} // namespace skf
