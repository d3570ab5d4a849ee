#pragma once
// Writer of scenery .bgl files for the tests, the benchmarks and the sample Community folder of a local
// run: the file header and section table, airport sections with airport records (the simulator's two
// forms, 0x56 and the newer 0x113) carrying name, helipad, taxiway-parking and other subrecords, and
// sections of other kinds. Only the fields that the program's decoder reads carry meaning; the rest is
// filled plausibly. Pure: bytes out, no file touched (gf_writeBglFile writes one).

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace skf::bgl {

struct Helipad {
    double latitude = 0.0;
    double longitude = 0.0;
    float widthMetres = 20.0F;
};

struct Parking {
    unsigned nameIndex = 12; // 12 = "A" (see the decoder's name table)
    unsigned type = 9;       // 9 = gate
    unsigned number = 1;
    float radiusMetres = 20.0F;
    float headingDegrees = 0.0F;
    double latitude = 0.0;
    double longitude = 0.0;
    std::vector<std::string> airlines; // codes of up to 4 characters, one word each
};

// One airport record. Subrecords are written in this order: name, helipadsBefore, a runway-like
// filler, the taxiway-parking subrecord(s), helipadsAfter.
struct Airport {
    std::string ident;       // up to 10 characters of A-Z and 0-9
    std::uint16_t id = 0x56; // 0x56, or 0x113 for the newer form
    std::int32_t altitudeMm = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    std::string name;
    std::vector<Helipad> helipadsBefore;
    std::vector<Parking> parkings;
    std::vector<std::vector<Parking>> moreParkingGroups; // further taxiway-parking subrecords
    std::vector<Helipad> helipadsAfter;
};

struct File {
    std::vector<Airport> airports;       // one airport section holding all of them (none: no airport section)
    int otherSections = 1;               // sections of other kinds
    int otherRecords = 2;                // records of each such section
    int otherRecordWords = 6;            // words of every other record of them (beside its header)
    bool airportSectionSkipFlag = false; // sets flag 0x10000 on the airport section
};

// The packed ident of a code (5 low bits zero).
std::uint32_t gf_packIdent(const std::string& ident);
std::uint32_t gf_packLongitude(double longitude);
std::uint32_t gf_packLatitude(double latitude);

std::string gf_writeBgl(const File& file);
// Writes the bytes to the path (creating its folder); throws std::runtime_error when it cannot.
void gf_writeBglFile(const File& file, const std::filesystem::path& path);

} // namespace skf::bgl
