#pragma once
// Decoding of scenery .bgl files: bytes in, airport records and stands out.
//
// Called by the airport scan's workers (airportscan/BglAirports.cpp), one file per worker, several at
// once; also by the fuzz target and the tests. Everything here is a pure function of the bytes it is given:
// it never opens a file, never writes the log or the scan log (its messages come back as notes that the
// caller writes) and holds no state, so any thread may call it.
//
// Only the part of the simulator's format that the scan needs is read: the file header, the section table,
// the airport records (0x56, and the newer kind 0x113 that is only reported) with their helipad (0x26) and
// taxiway-parking (0xE7) subrecords. Every read is bounds-checked; damaged input gives an error text,
// never a crash.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace skf {

inline constexpr std::uint16_t kBglAirportId = 0x56;
inline constexpr std::uint16_t kBglNewAirportId = 0x113;
inline constexpr std::uint16_t kBglHelipadId = 0x26;
inline constexpr std::uint16_t kBglTaxiwayParkingId = 0xE7;
inline constexpr std::uint32_t kBglAirportSectionType = 3;
inline constexpr std::uint32_t kBglSectionSkipFlag = 0x10000;
inline constexpr std::uint32_t kBglHeaderSize = 56;
inline constexpr std::uint32_t kBglSectionEntrySize = 20;
inline constexpr int kBglMaxLoop = 9000; // records per section, subrecord passes per airport

// The file as little-endian 32-bit words (word i holds bytes 4i to 4i+3; a trailing partial word reads
// padded with zero bytes). A view: the bytes must outlive it.
class BglWords {
public:
    explicit BglWords(std::span<const unsigned char> bytes) noexcept : m_bytes(bytes) {}

    std::size_t size() const noexcept { return (m_bytes.size() + 3) / 4; }
    // Throws std::out_of_range when the index lies outside the file.
    std::uint32_t at(std::size_t index) const;
    float floatAt(std::size_t index) const;
    // The record id (u16 at byte 0) and size in bytes (u32 at byte 2) of the record at the word index.
    std::uint16_t recordId(std::size_t index) const { return static_cast<std::uint16_t>(at(index) & 0xFFFFU); }
    std::uint32_t recordSize(std::size_t index) const { return (at(index) >> 16) | (at(index + 1) << 16); }

private:
    std::span<const unsigned char> m_bytes;
};

// A message of the decoder, written by the caller where its kind says.
struct BglNote {
    enum class Kind : std::uint8_t {
        ScanLog,    // a line of the airport scan log
        LogWarning, // a warning line of Log.txt ("==> ", flushed)
        LogPlain,   // a plain line of Log.txt, flushed
    };
    Kind kind = Kind::ScanLog;
    std::string text;
    friend bool operator==(const BglNote&, const BglNote&) = default;
};

// An airport record found in an airport section.
struct BglAirportRecord {
    std::uint16_t id = kBglAirportId; // kBglAirportId or kBglNewAirportId
    std::size_t word = 0;             // word index of the record
    std::size_t sizeWords = 0;        // the record size in whole words
    std::optional<std::string> ident; // kBglAirportId: the decoded ident, absent when invalid
};

// The airport records of a file, in file order.
struct BglRecords {
    std::vector<BglAirportRecord> records;
    std::vector<BglNote> notes;
    std::optional<std::string> error; // the walk ended on damaged input (records before it are kept)
};

// Whether the header and section table hold an airport section: `head` is the start of the file (at
// least its first 56 bytes and as much of the section table as the file holds), `fileSize` its length.
// Reads neither the header size nor the flags (the quick probe before a worker is started).
bool gf_bglHasAirportSection(std::span<const unsigned char> head, std::uint64_t fileSize) noexcept;

// A packed airport ident (5 low bits dropped, base 38, at most 10 digits): the text, or absent when a
// digit is a blank or '?' or there are too many digits.
std::optional<std::string> gf_decodeBglIdent(std::uint32_t value);

// Packed coordinates in degrees.
double gf_bglLongitude(std::uint32_t packed) noexcept;
double gf_bglLatitude(std::uint32_t packed) noexcept;

// Every airport record of the file's airport sections. A file whose header is not one of a scenery
// file gives no record and no note.
BglRecords gf_scanBglRecords(const BglWords& words);

// One stand as the scenery gives it.
struct BglStand {
    std::string id;
    double latitude = 0.0;  // degrees
    double longitude = 0.0; // degrees
    double heading = 0.0;   // radians
    double radiusMetres = 0.0;
    bool cargo = false;
    bool ramp = false;
    bool heli = false;
    friend bool operator==(const BglStand&, const BglStand&) = default;
};

// The helipads and parkings of one airport record, in file order.
struct BglAirportStands {
    std::int32_t altitudeMm = 0;
    std::vector<BglStand> stands;
    int helipadCounter = 1; // 1 + the number of helipads taken
    std::vector<BglNote> notes;
    std::optional<std::string> error; // a subrecord ran past the end of the file
};

// Decodes the altitude and the stands of an airport record (kBglAirportId). `path` only names the file in
// notes.
BglAirportStands gf_decodeBglAirport(const BglWords& words, const BglAirportRecord& record, std::string_view path);

// The parking name of a name index ("" for 0, 11 and 38 to 63; "A".."Z" for 12..37).
std::string_view gf_bglParkingName(unsigned index) noexcept;

} // namespace skf
