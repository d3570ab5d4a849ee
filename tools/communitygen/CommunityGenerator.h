#pragma once
// Maker of a sample Community folder for the livery scan: from a seed, AI packages of every family the scan
// finds (AIG, FSLTL, JustFlight, IVAO MTL, a user-aitraffic package) and decoys it must pass over, with many
// aircraft.cfg files in every text encoding the charset detection reads (UTF-8 with and without mark,
// UTF-16 both byte orders, ANSI), and one aircraft.cfg (or section) for every finding the scan reports. The
// manifest says what a scan with the default settings (automatic, "AIG, FSLTL, JF, MTL", prioritized) must
// find: the number of liveries and the number of lines of each report file.
//
// The database must be loaded first (the generator picks airline, model and registration codes from it and
// makes sure that no title it writes holds a registration by chance). Single-threaded; same seed, same bytes.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace skf::tools {

struct CommunityOptions {
    std::uint32_t seed = 1;
    int files = 2000; // aircraft.cfg files with liveries, besides the findings
    // Also a passenger livery for every airline and model that the database pairs (each registration's
    // airline and operator with its model), so that every aircraft the database knows finds its own livery.
    // They go into the package of the highest priority: a prioritized scan keeps a pair's liveries of its
    // best package only, and a freighter's livery there would hide a passenger one of a later package.
    bool everyPair = false;
};

struct CommunityFinding {
    std::string kind;   // what was injected
    std::string file;   // the aircraft.cfg, relative to the Community folder
    std::string report; // the report file it shows in (empty when it gives no report line)
};

struct CommunityManifest {
    std::uint32_t seed = 0;
    int aircraftCfgFiles = 0;               // every aircraft.cfg written (decoys included)
    std::map<std::string, int> encodings;   // encoding name -> files
    std::vector<std::string> packages;      // the package folders the scan must choose, in order
    int liveries = 0;                       // records of LiveriesScanned.xml
    std::map<std::string, int> reportLines; // report file name -> lines in it
    std::vector<CommunityFinding> findings;
};

// Writes the packages into the Community folder (made when missing) and returns what a scan must find.
CommunityManifest gf_generateCommunity(const std::filesystem::path& community, const CommunityOptions& options);

// The manifest as JSON; false when it cannot be written.
bool gf_writeCommunityManifest(const CommunityManifest& manifest, const std::filesystem::path& path);

} // namespace skf::tools
