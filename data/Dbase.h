#pragma once
// The aircraft, airline and registration database: read once at start-up from input/dbase.enc and
// held in memory for the whole run. Airlines and models are referred to by ids of the two string
// pools (data/StringPool.h).
//
// The tables are held in one owner (DbaseTables, reached through gf_dbaseTables()); the global names
// (g_dbaseRecords, g_modelCodes, ...) are references into it. Owner thread: the start-up thread, which reads
// the database (gf_readDbase, before any reader, scan or engine thread starts; the pool workers of the read
// only read the document and their own blocks) and rebuilds the similar-model tables with the livery tables
// (between runs, while the engine holds no livery views). Every other thread (the engine, the SimClient
// thread, the scans' workers, the traffic reader) only reads the tables after that, without a lock. The two
// string pools keep their own lock (data/StringPool.h) and stay outside the owner.

#include "data/StringPool.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace skf {

// One registration of the database.
struct DbaseRecord {
    std::string registration;     // byte for byte as the file has it (with or without a dash)
    std::uint16_t airline = 0;    // operator-pool id of the airline code
    std::uint16_t model = 0;      // model-pool id of the ICAO model code
    std::uint16_t operatorId = 0; // operator-pool id of the operating company; 0 when none
    bool cargo = false;
};

// The fields of a record as a lookup returns them.
struct DbaseInfo {
    std::uint16_t airline = 0;
    std::uint16_t model = 0;
    std::uint16_t operatorId = 0;
    bool cargo = false;
    friend bool operator==(const DbaseInfo&, const DbaseInfo&) = default;
};

// A scenery publisher and the airports it covers. Each airport entry is the ICAO code, for the
// archive lists optionally followed by the archived stand count ("EGLL123").
struct PublisherAirports {
    std::string publisher;
    std::vector<std::string> airports;
};

// Model ids below this bound have a slot in g_halfWingspans.
inline constexpr std::size_t kHalfWingspanSlots = 2700;

// The database's tables, each named by the global that refers to it.
struct DbaseTables {
    // Sorted ascending by registration (bytewise), one record per registration.
    std::vector<DbaseRecord> dbaseRecords;

    std::set<std::string> modelCodes;      // every valid ICAO model code
    std::set<std::string> cargoModelCodes; // model codes of freighter types
    std::set<std::uint16_t> cargoModelIds;
    std::set<std::uint16_t> heavyModelIds;
    std::set<std::uint16_t> largeModelIds;
    std::set<std::uint16_t> buzjetModelIds;
    std::set<std::uint16_t> highPerfModelIds;
    std::set<std::uint16_t> rotorcraftModelIds;
    std::set<std::string> airlineCodes; // every valid ICAO airline code
    std::set<std::string> cargoOperatorCodes;
    std::set<std::uint16_t> cargoOperatorIds;
    std::set<std::string> simaddonAirports; // airports the simulator's own add-ons cover
    // One group of name variants per publisher; the first name is the publisher's name.
    std::vector<std::vector<std::string>> publisherNames;
    // Lists of interchangeable model codes, each sorted ascending.
    std::vector<std::vector<std::string>> similarTypes;
    std::map<std::string, double> halfWingspanByCode;       // model code -> half wingspan (NM)
    std::array<double, kHalfWingspanSlots> halfWingspans{}; // by model id; 0 = no entry
    double maxHalfWingspan = 0;                             // the largest half wingspan read (NM)
    std::map<std::string, std::string> modelFixes;          // wrong model code -> correct one
    std::vector<PublisherAirports> thirdparties20;
    std::vector<PublisherAirports> thirdparties24;
    // model id -> ids of similar models with at least one installed livery
    std::unordered_map<std::uint16_t, std::vector<std::uint16_t>> similarModelsWithLiveries;
    // airline id -> model id -> ids of similar models for which the airline has a livery
    std::unordered_map<std::uint16_t, std::unordered_map<std::uint16_t, std::vector<std::uint16_t>>>
        similarModelsByAirline;
};

// The database's one state (written by the start-up thread, see above).
DbaseTables& gf_dbaseTables();

extern std::vector<DbaseRecord>& g_dbaseRecords;
extern std::set<std::string>& g_modelCodes;
extern std::set<std::string>& g_cargoModelCodes;
extern std::set<std::uint16_t>& g_cargoModelIds;
extern std::set<std::uint16_t>& g_heavyModelIds;
extern std::set<std::uint16_t>& g_largeModelIds;
extern std::set<std::uint16_t>& g_buzjetModelIds;
extern std::set<std::uint16_t>& g_highPerfModelIds;
extern std::set<std::uint16_t>& g_rotorcraftModelIds;
extern std::set<std::string>& g_airlineCodes;
extern std::set<std::string>& g_cargoOperatorCodes;
extern std::set<std::uint16_t>& g_cargoOperatorIds;
extern std::set<std::string>& g_simaddonAirports;
extern std::vector<std::vector<std::string>>& g_publisherNames;
extern std::vector<std::vector<std::string>>& g_similarTypes;
extern std::map<std::string, double>& g_halfWingspanByCode;
extern std::array<double, kHalfWingspanSlots>& g_halfWingspans;
extern double& g_maxHalfWingspan;
extern std::map<std::string, std::string>& g_modelFixes;
extern std::vector<PublisherAirports>& g_thirdparties20;
extern std::vector<PublisherAirports>& g_thirdparties24;
extern std::unordered_map<std::uint16_t, std::vector<std::uint16_t>>& g_similarModelsWithLiveries;
extern std::unordered_map<std::uint16_t, std::unordered_map<std::uint16_t, std::vector<std::uint16_t>>>&
    g_similarModelsByAirline;

// Other names of the same sets, as the traffic subsystems call them.
inline const std::set<std::string>& g_icaoAirlineCodes = g_airlineCodes;
inline const std::set<std::string>& g_dbaseModelCodes = g_modelCodes;

// Reads the database: decrypts input/dbase.enc to input/dbase.xml, reads every section in order
// and removes the plain file. True when the database was read.
// False (after the log line "'{}' not read because of {}") when the decrypted XML is missing or
// cannot be parsed: the program must not run on an empty database.
// Throws std::runtime_error "{} not available" when there is no .enc file and
// "{} stream decrypt failed" when it cannot be decrypted, and UserErrorException 61 when a
// required section is missing or empty.
bool gf_readDbase();

// The part of gf_readDbase after the decryption: reads the plain XML file and removes it.
bool gf_readDbaseXml(const std::filesystem::path& xmlPath);

// Empties every container (one assignment of new tables) and both pools (views of pool texts become
// invalid). For tests and tools; not for use while other threads read the database.
void gf_clearDbase();

} // namespace skf
