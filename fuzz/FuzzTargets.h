#pragma once
// What the fuzz targets of the add-on airport scan run on one input; the corpus tests run the same.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>
#include <string_view>

#include "airportscan/BglDecoder.h"
#include "airportscan/PublisherLookup.h"

namespace skf::fuzz {

// The whole decoding of a scenery file: its records and the stands of each airport record.
inline std::size_t decodeBgl(std::span<const unsigned char> bytes) {
    const BglWords words(bytes);
    const BglRecords found = gf_scanBglRecords(words);
    std::size_t stands = 0;
    for (const BglAirportRecord& record : found.records) {
        if (record.id == kBglAirportId)
            stands += gf_decodeBglAirport(words, record, "fuzz.bgl").stands.size();
    }
    (void)gf_bglHasAirportSection(bytes, bytes.size());
    return stands;
}

// A manifest text: parse errors are the reader's expected failure.
inline bool readManifest(std::string_view text) {
    try {
        return gf_parseManifest(text).has_value();
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace skf::fuzz
