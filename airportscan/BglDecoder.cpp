#include "airportscan/BglDecoder.h"

#include "core/Units.h"
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <charconv>
#include <unordered_set>
#include <stdexcept>

#include <fmt/format.h>

namespace skf {

namespace {

constexpr double kLongitudeFactor = 4.470348358154297e-7; // 360 / (3 x 2^28)
constexpr double kLatitudeFactor = 3.3527612686157227e-7; // 180 / 2^29
constexpr std::uint32_t kTakenParkingTypes = 0xCFFE;      // types 0, 12 and 13 are dropped
constexpr std::uint32_t kRampParkingTypes = 0x40FE;       // types 1 to 7 and 14
constexpr std::uint32_t kCargoParkingType = 5;
constexpr std::string_view kDuplicateSuffixes = "abcdefghij";

// The dash of the two loop-limit and exception lines is the single byte 0x97.
constexpr std::string_view kDash = "\x97";

BglNote lf_note(BglNote::Kind kind, std::string text) {
    return BglNote{kind, std::move(text)};
}

bool lf_badPosition(double lat, double lon) {
    return !(lat >= -90.0 && lat <= 90.0) || !(lon >= -180.0 && lon <= 180.0) ||
           (std::fabs(lat) < 0.0001 && std::fabs(lon) < 0.0001);
}

// The first free id of the id and its ten suffixed forms; absent (with a note) when all are used.
std::optional<std::string> lf_uniqueStandId(const std::string& id, std::unordered_set<std::string>& used,
                                            std::string_view path, std::vector<BglNote>& notes) {
    if (used.insert(id).second)
        return id;
    for (char suffix : kDuplicateSuffixes) {
        std::string candidate = id + suffix;
        if (used.insert(candidate).second)
            return candidate;
    }
    notes.push_back(
        lf_note(BglNote::Kind::ScanLog, fmt::format("===> Warning: more than 10 duplicate IDs {} in {}", id, path)));
    return std::nullopt;
}

void lf_readHelipad(const BglWords& words, std::size_t sub, BglAirportStands& out,
                    std::vector<std::pair<double, double>>& taken) {
    const double lat = gf_bglLatitude(words.at(sub + 4));
    const double lon = gf_bglLongitude(words.at(sub + 3));
    const float width = words.floatAt(sub + 7);
    if (lf_badPosition(lat, lon)) {
        out.notes.push_back(lf_note(BglNote::Kind::ScanLog,
                                    fmt::format("lat/lon helipad incorrect (skipped): {:.6f},{:.6f}", lat, lon)));
        return;
    }
    for (const auto& [tLat, tLon] : taken) {
        if (std::fabs(tLat - lat) < 1e-8 && std::fabs(tLon - lon) < 1e-8) {
            out.notes.push_back(
                lf_note(BglNote::Kind::ScanLog, fmt::format("double helipad  (skipped) {:.6f},{:.6f}", lat, lon)));
            return;
        }
    }
    // A width that is no finite positive number would give a stand of no size (or NaN) in the file.
    if (!std::isfinite(width) || width <= 0.0F) {
        out.notes.push_back(
            lf_note(BglNote::Kind::ScanLog,
                    fmt::format("helipad width {} m invalid (skipped): {:.6f},{:.6f}", width, lat, lon)));
        return;
    }
    taken.emplace_back(lat, lon);
    out.stands.push_back(BglStand{fmt::format("helipad{}", out.helipadCounter), lat, lon, 0.0,
                                  static_cast<double>(width) * 0.5, false, false, true});
    ++out.helipadCounter;
}

// The name text followed by the number in decimal.
std::string lf_parkingId(unsigned nameIndex, unsigned number) {
    const std::string_view name = gf_bglParkingName(nameIndex);
    std::array<char, 8> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), number).ptr;
    std::string id;
    id.reserve(name.size() + static_cast<std::size_t>(end - digits.data()) + 1);
    id.append(name).append(digits.data(), end);
    return id;
}

void lf_readTaxiwayParkings(const BglWords& words, std::size_t sub, BglAirportStands& out,
                            std::unordered_set<std::string>& used, std::string_view path) {
    const std::uint32_t count = words.at(sub + 1) >> 16;
    // Never more than the file can hold (14 words an entry), however large the count.
    const std::size_t room = (words.size() - std::min(words.size(), sub + 2)) / 14;
    out.stands.reserve(out.stands.size() + std::min<std::size_t>(count, room));
    used.reserve(used.size() + std::min<std::size_t>(count, room));
    std::size_t entry = sub + 2;
    for (std::uint32_t k = 0; k < count; ++k) {
        const std::uint32_t bits = words.at(entry);
        const std::size_t next = entry + 14 + (bits >> 24);
        const unsigned nameIndex = bits & 0x3FU;
        const unsigned type = (bits >> 8) & 0xFU;
        const unsigned number = (bits >> 12) & 0xFFFU;
        const float radius = words.floatAt(entry + 1);
        if (!(radius > 1.0F && radius < 200.0F)) {
            out.notes.push_back(lf_note(BglNote::Kind::ScanLog,
                                        fmt::format("Skipped position with radius {:.1F} m in {}", radius, path)));
            entry = next;
            continue;
        }
        std::string id = lf_parkingId(nameIndex, number);
        if (((kTakenParkingTypes >> type) & 1U) == 0) {
            entry = next;
            continue;
        }
        const double lat = gf_bglLatitude(words.at(entry + 8));
        const double lon = gf_bglLongitude(words.at(entry + 7));
        if (lf_badPosition(lat, lon)) {
            out.notes.push_back(lf_note(BglNote::Kind::ScanLog, fmt::format("LatLon {} invalid (skipped)",
                                                                            fmt::format("{:.6f},{:.6f}", lat, lon))));
            entry = next;
            continue;
        }
        const float heading = words.floatAt(entry + 2);
        if (!std::isfinite(heading)) {
            // Checked before the id is taken, so a dropped parking does not push a later one to a suffix.
            out.notes.push_back(lf_note(BglNote::Kind::ScanLog,
                                        fmt::format("Skipped position {} with heading {} in {}", id, heading, path)));
            entry = next;
            continue;
        }
        auto unique = lf_uniqueStandId(id, used, path, out.notes);
        if (unique) {
            const double rad = heading == 0.0F ? g_fullTurn : static_cast<double>(heading) * g_degToRad;
            out.stands.push_back(BglStand{std::move(*unique), lat, lon, rad, static_cast<double>(radius),
                                          type == kCargoParkingType, ((kRampParkingTypes >> type) & 1U) != 0, false});
        }
        entry = next;
    }
}

void lf_walkSubrecords(const BglWords& words, const BglAirportRecord& record, BglAirportStands& out,
                       std::string_view path) {
    std::vector<std::pair<double, double>> taken;
    std::unordered_set<std::string> used;
    const std::size_t end = record.word + record.sizeWords;
    std::size_t index = record.word + 17;
    for (int passes = 0; index < end; ++passes) {
        if (passes >= kBglMaxLoop) {
            out.notes.push_back(lf_note(
                BglNote::Kind::LogWarning,
                fmt::format("Error: Maximum loop iterations reached (1) {} possible corrupt SIA or malformed input",
                            kDash)));
            return;
        }
        if (index >= words.size()) {
            out.notes.push_back(
                lf_note(BglNote::Kind::LogPlain,
                        fmt::format("   Error: o3={} exceeded data buffer size ({}), aborting.", index, words.size())));
            return;
        }
        const std::uint16_t id = words.recordId(index);
        if (id == kBglTaxiwayParkingId) {
            lf_readTaxiwayParkings(words, index, out, used, path); // only the first one is read
            return;
        }
        if (id == kBglHelipadId)
            lf_readHelipad(words, index, out, taken);
        const std::size_t step = words.recordSize(index) / 4;
        if (step == 0) {
            out.notes.push_back(lf_note(id == kBglHelipadId ? BglNote::Kind::LogWarning : BglNote::Kind::LogPlain,
                                        fmt::format("   Warning: decodeSizeAtBoundary returned 0 at o3 = {}", index)));
            return;
        }
        index += step;
    }
}

// Reads an unaligned u32 at a byte offset of the file through the word view; absent outside the file.
std::optional<std::uint32_t> lf_u32AtByte(const BglWords& words, std::uint64_t offset) {
    const std::uint64_t first = offset / 4;
    const unsigned shift = static_cast<unsigned>(offset % 4) * 8;
    if (first >= words.size())
        return std::nullopt;
    if (shift == 0)
        return words.at(static_cast<std::size_t>(first));
    if (first + 1 >= words.size())
        return std::nullopt;
    return (words.at(static_cast<std::size_t>(first)) >> shift) |
           (words.at(static_cast<std::size_t>(first + 1)) << (32 - shift));
}

void lf_walkSection(const BglWords& words, std::size_t entry, BglRecords& out) {
    const std::uint32_t type = words.at(entry);
    const std::uint32_t flags = words.at(entry + 1);
    if (type != kBglAirportSectionType || (flags & kBglSectionSkipFlag) != 0)
        return;
    const std::uint32_t table = words.at(entry + 3);
    const auto data = lf_u32AtByte(words, std::uint64_t{table} + 8);
    if (!data)
        return;
    std::size_t index = *data / 4;
    for (int steps = 0; index < words.size(); ++steps) {
        if (steps >= kBglMaxLoop) {
            out.notes.push_back(lf_note(
                BglNote::Kind::LogWarning,
                fmt::format("Error: Maximum loop iterations reached (2) {} possible corrupt BGL or malformed input.",
                            kDash)));
            return;
        }
        const std::uint16_t id = words.recordId(index);
        const std::uint32_t size = words.recordSize(index);
        if (id == kBglNewAirportId) {
            out.records.push_back(BglAirportRecord{id, index, size / 4, std::nullopt});
        } else if (id == kBglAirportId) {
            if (size == 0) {
                out.notes.push_back(
                    lf_note(BglNote::Kind::LogWarning,
                            fmt::format("   Warning: decodeSizeAtBoundary returned {} at o2 = {}", size, index)));
                return;
            }
            if (index + 10 < words.size())
                out.records.push_back(BglAirportRecord{id, index, size / 4, gf_decodeBglIdent(words.at(index + 10))});
        }
        const std::size_t step = size / 4;
        if (step == 0)
            return;
        index += step;
    }
}

} // namespace

std::uint32_t BglWords::at(std::size_t index) const {
    if (index >= size())
        throw std::out_of_range(fmt::format("BGL word {} outside the file ({} words)", index, size()));
    std::array<unsigned char, 4> b{};
    const std::size_t first = index * 4;
    if (first + 4 <= m_bytes.size())
        std::memcpy(b.data(), m_bytes.data() + first, 4);
    else
        std::memcpy(b.data(), m_bytes.data() + first, m_bytes.size() - first); // the padded last word
    return std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) | (std::uint32_t{b[3]} << 24);
}

float BglWords::floatAt(std::size_t index) const {
    return std::bit_cast<float>(at(index));
}

bool gf_bglHasAirportSection(std::span<const unsigned char> head, std::uint64_t fileSize) noexcept {
    if (fileSize < kBglHeaderSize + 1 || head.size() < kBglHeaderSize)
        return false;
    auto u32 = [&](std::size_t offset) -> std::optional<std::uint32_t> {
        if (offset + 4 > head.size())
            return std::nullopt;
        return std::uint32_t{head[offset]} | (std::uint32_t{head[offset + 1]} << 8) |
               (std::uint32_t{head[offset + 2]} << 16) | (std::uint32_t{head[offset + 3]} << 24);
    };
    const std::uint32_t count = u32(20).value_or(0);
    if (count == 0 || count > (fileSize - kBglHeaderSize) / kBglSectionEntrySize)
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t offset = kBglHeaderSize + std::size_t{kBglSectionEntrySize} * i;
        const auto type = u32(offset);
        if (!type)
            return false;
        if (*type == kBglAirportSectionType)
            return true;
    }
    return false;
}

std::optional<std::string> gf_decodeBglIdent(std::uint32_t value) {
    std::uint32_t v = value >> 5;
    std::string reversed;
    while (v != 0) {
        if (reversed.size() == 10)
            return std::nullopt;
        const std::uint32_t d = v % 38;
        v /= 38;
        if (d < 2)
            return std::nullopt;
        reversed.push_back(static_cast<char>(d <= 11 ? d + 46 : d + 53));
    }
    return std::string(reversed.rbegin(), reversed.rend());
}

double gf_bglLongitude(std::uint32_t packed) noexcept {
    return static_cast<double>(packed) * kLongitudeFactor - 180.0;
}

double gf_bglLatitude(std::uint32_t packed) noexcept {
    return 90.0 - static_cast<double>(packed) * kLatitudeFactor;
}

std::string_view gf_bglParkingName(unsigned index) noexcept {
    static constexpr std::array<std::string_view, 11> kNames{"",   "r",   "p",  "np",  "ep", "sep",
                                                             "sp", "swp", "wp", "nwp", "g"};
    static constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    if (index <= 10)
        return kNames[index];
    if (index >= 12 && index <= 37)
        return kLetters.substr(index - 12, 1);
    return {};
}

BglRecords gf_scanBglRecords(const BglWords& words) {
    BglRecords out;
    try {
        if (words.size() <= 14 || words.at(1) != kBglHeaderSize)
            return out;
        const std::uint32_t count = words.at(5);
        if (count == 0 || 14 + 5 * std::uint64_t{count} > words.size())
            return out;
        for (std::uint32_t i = 0; i < count; ++i)
            lf_walkSection(words, 14 + std::size_t{5} * i, out);
    } catch (const std::out_of_range& e) {
        out.error = e.what();
    }
    return out;
}

BglAirportStands gf_decodeBglAirport(const BglWords& words, const BglAirportRecord& record, std::string_view path) {
    BglAirportStands out;
    try {
        out.altitudeMm = static_cast<std::int32_t>(words.at(record.word + 5));
        lf_walkSubrecords(words, record, out, path);
    } catch (const std::out_of_range& e) {
        out.error = e.what();
    }
    return out;
}

} // namespace skf
