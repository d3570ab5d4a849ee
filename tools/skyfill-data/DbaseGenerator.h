#pragma once
// Generator of a plausible aircraft, airline and registration database (dbase.xml) and of the
// matching AIG registration-code list (AIG-regcodes.xml). Model and airline codes are the real ICAO
// designators; registrations, publishers and livery titles are invented. The output depends only
// on the number of registrations asked for (a fixed pseudo-random sequence), so the sample in the
// repository can be made again byte for byte and benchmarks can make larger sets.
// Header-only: used by the data tool and by the benchmarks.

#include "tools/skyfill-data/TypeDesignators.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <utility>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace skf::datagen {

struct GeneratedData {
    std::string dbaseXml;
    std::string aigXml;
    std::vector<std::string> registrations; // in generation order
};

namespace detail {

// splitmix64: small, fast and the same on every platform.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    std::size_t below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(next() % n); }

private:
    std::uint64_t m_state;
};

// Freighter types.
inline const std::vector<std::string_view>& cargoModels() {
    static const std::vector<std::string_view> list = {"A306", "B744", "B748", "B763", "B77L", "MD11", "B752",
                                                       "AT72", "A3ST", "A337", "BLCF", "A124", "A225", "AN12"};
    return list;
}

// Families whose liveries stand in for each other. A code joins at most one family; the types that only the
// type list knows are added to the family of a fleet type, never used to join two fleet types.
inline const std::vector<std::string_view>& similarGroups() {
    static const std::vector<std::string_view> list = {
        "A318,A319,A320,A321",
        "A19N,A20N,A21N",
        "A332,A333",
        "A338,A339",
        "A342,A343,A345,A346",
        "A359,A35K",
        "BCS1,BCS3",
        "B731,B732,B733,B734,B735",
        "B736,B737,B738,B739",
        "B37M,B38M,B39M,B3XM",
        "B752,B753",
        "B762,B763,B764",
        "B772,B773,B77L,B77W,B778,B779",
        "B788,B789,B78X",
        "B744,B748,B741,B742,B743,B74S,B74R",
        "E170,E175,E75L,E75S",
        "E190,E195",
        "E290,E295",
        "CRJ2,CRJ7,CRJ9,CRJX,CRJ1",
        "AT45,AT72,AT76,AT43,AT44,AT46,AT75",
        "DH8A,DH8C,DH8D,DH8B",
        "MD82,MD88,MD81,MD83,MD87,MD90",
        "C25A,C56X,C680,C525,C25B,C25C,C25M,C550,C560",
        "GLF4,GLF5,GLF6,GLF2,GLF3",
        "E145,E135,E140,E45X",
        "MD11,DC10",
        "A306,A30B",
        "B721,B722",
        "DC93,DC94,DC95",
        "F70,F100",
        "B461,B462,B463,RJ70,RJ85,RJ1H",
        "F27,F50,F60",
        "SF34,SB20",
        "JS41,JS31,JS32",
        "C172,C150,C152,C162,C170,C72R",
        "C182,C177,C180,C185,C206,C207,C210,C82R,P210",
        "PA28,P28A,P28B,P28R,P28T",
        "SR22,SR20,S22T",
        "LJ45,LJ31,LJ35,LJ40,LJ55,LJ60,LJ75",
        "CL35,CL30",
        "GLEX,GL5T,GL7T",
        "E55P,E50P",
        "FA7X,FA6X,FA8X,F900",
        "F2TH,F2TS",
        "BE20,BE30,B350,BE9L,BE9T,BE10",
        "AS50,AS55,EC30,EC20",
        "B06,B407,B505",
        "A109,A119",
        "A139,A169,A189",
    };
    return list;
}

struct Airline {
    const char* code;
    const char* name;
    const char* prefix; // registration prefix; "N" for the United States style without dash
    bool cargo;
    std::vector<std::string_view> fleet;
    const char* regional = nullptr; // an operator that flies some aircraft for it
};

inline const std::vector<Airline>& airlines() {
    static const std::vector<Airline> list = {
        {"DLH",
         "Lufthansa",
         "D-A",
         false,
         {"A319", "A320", "A321", "A20N", "A21N", "A333", "A343", "A346", "A359", "B744", "B748", "B789"},
         "CLH"},
        {"CLH", "Lufthansa CityLine", "D-A", false, {"CRJ9", "E190", "E195", "A319"}},
        {"EWG", "Eurowings", "D-A", false, {"A319", "A320", "A21N"}},
        {"CFG", "Condor", "D-A", false, {"A320", "A21N", "A339", "B763"}},
        {"TUI", "TUIfly", "D-A", false, {"B738", "B38M"}},
        {"BAW",
         "British Airways",
         "G-",
         false,
         {"A319", "A320", "A321", "A20N", "A21N", "A35K", "A388", "B772", "B77W", "B788", "B789", "B78X", "E190"},
         "CFE"},
        {"CFE", "BA CityFlyer", "G-", false, {"E190"}},
        {"EZY", "easyJet", "G-", false, {"A319", "A320", "A20N", "A21N"}},
        {"VIR", "Virgin Atlantic", "G-", false, {"A339", "A35K", "B789"}},
        {"TOM", "TUI Airways", "G-", false, {"B738", "B38M", "B788", "B789"}},
        {"AFR",
         "Air France",
         "F-",
         false,
         {"A318", "A319", "A320", "A321", "A332", "A359", "B772", "B77W", "B789", "BCS3"},
         "HOP"},
        {"HOP", "HOP!", "F-", false, {"CRJ7", "CRJX", "E170", "E190"}},
        {"KLM", "KLM", "PH-", false, {"B738", "B739", "A21N", "A332", "A333", "B772", "B77W", "B789", "B78X"}, "KLC"},
        {"KLC", "KLM Cityhopper", "PH-", false, {"E175", "E190", "E295"}},
        {"TRA", "Transavia", "PH-", false, {"B737", "B738", "A21N"}},
        {"SWR", "Swiss", "HB-", false, {"BCS1", "BCS3", "A320", "A321", "A20N", "A333", "A343", "B77W"}},
        {"AUA", "Austrian", "OE-", false, {"A320", "A321", "B763", "B772", "E195"}},
        {"SAS", "SAS", "SE-", false, {"A20N", "A21N", "A333", "A359", "CRJ9"}},
        {"FIN", "Finnair", "OH-", false, {"A319", "A320", "A321", "A333", "A359", "AT76"}},
        {"IBE", "Iberia", "EC-", false, {"A320", "A321", "A20N", "A21N", "A332", "A333", "A359"}},
        {"VLG", "Vueling", "EC-", false, {"A320", "A321", "A20N"}},
        {"TAP", "TAP Air Portugal", "CS-", false, {"A319", "A320", "A321", "A20N", "A21N", "A339", "E195"}},
        {"ITY", "ITA Airways", "EI-", false, {"A319", "A320", "A20N", "A332", "A359"}},
        {"EIN", "Aer Lingus", "EI-", false, {"A320", "A20N", "A21N", "A332", "A333"}},
        {"RYR", "Ryanair", "EI-", false, {"B738", "B38M"}},
        {"LOT", "LOT Polish Airlines", "SP-", false, {"B738", "B38M", "B788", "B789", "E170", "E175", "E195", "DH8D"}},
        {"CSA", "Czech Airlines", "OK-", false, {"A320", "AT76"}},
        {"BEL", "Brussels Airlines", "OO-", false, {"A319", "A320", "A333"}},
        {"WZZ", "Wizz Air", "HA-", false, {"A320", "A321", "A21N"}},
        {"NAX", "Norwegian", "LN-", false, {"B738", "B38M"}},
        {"THY",
         "Turkish Airlines",
         "TC-",
         false,
         {"A320", "A321", "A21N", "A332", "A333", "A359", "B738", "B38M", "B77W", "B789"}},
        {"PGT", "Pegasus", "TC-", false, {"A320", "A20N", "A21N", "B738"}},
        {"AFL", "Aeroflot", "RA-", false, {"A320", "A321", "A333", "A359", "B77W"}},
        {"UAE", "Emirates", "A6-", false, {"A388", "B77W", "B77L"}},
        {"QTR",
         "Qatar Airways",
         "A7-",
         false,
         {"A320", "A332", "A333", "A359", "A35K", "A388", "B77W", "B77L", "B788", "B789", "B38M"}},
        {"ETD", "Etihad", "A6-", false, {"A320", "A321", "A359", "A35K", "B77W", "B789", "B78X"}},
        {"SVA", "Saudia", "HZ-", false, {"A320", "A321", "A20N", "A333", "B77W", "B789", "B78X"}},
        {"ELY", "El Al", "4X-", false, {"B738", "B739", "B772", "B788", "B789"}},
        {"MSR", "EgyptAir", "SU-", false, {"A20N", "A21N", "A333", "B738", "B77W", "B789"}},
        {"ETH", "Ethiopian", "ET-", false, {"A359", "B738", "B38M", "B77W", "B788", "B789", "DH8D"}},
        {"KQA", "Kenya Airways", "5Y-", false, {"B738", "B788", "E190"}},
        {"SAA", "South African", "ZS-", false, {"A320", "A333", "A359"}},
        {"RAM", "Royal Air Maroc", "CN-", false, {"B738", "B38M", "B788", "B789", "E190"}},
        {"UAL",
         "United",
         "N",
         false,
         {"A319", "A320", "A21N", "B738", "B739", "B38M", "B39M", "B752", "B753", "B763", "B764", "B772", "B77W",
          "B788", "B789", "B78X"},
         "SKW"},
        {"AAL",
         "American",
         "N",
         false,
         {"A319", "A320", "A321", "A21N", "B738", "B38M", "B772", "B77W", "B788", "B789"},
         "ENY"},
        {"DAL",
         "Delta",
         "N",
         false,
         {"A319", "A320", "A321", "A21N", "A332", "A333", "A339", "A359", "B712", "B738", "B739", "B752", "B753",
          "B763", "B764", "BCS1", "BCS3"},
         "EDV"},
        {"SWA", "Southwest", "N", false, {"B737", "B738", "B37M", "B38M"}},
        {"JBU", "JetBlue", "N", false, {"A320", "A321", "A21N", "BCS3", "E190"}},
        {"ASA", "Alaska", "N", false, {"B737", "B738", "B739", "B39M", "E175"}},
        {"NKS", "Spirit", "N", false, {"A319", "A320", "A321", "A20N", "A21N"}},
        {"FFT", "Frontier", "N", false, {"A320", "A20N", "A21N"}},
        {"SKW", "SkyWest", "N", false, {"CRJ2", "CRJ7", "CRJ9", "E175"}},
        {"ENY", "Envoy", "N", false, {"E145", "E175"}},
        {"EDV", "Endeavor Air", "N", false, {"CRJ9"}},
        {"HAL", "Hawaiian", "N", false, {"A321", "A332", "B712", "B789"}},
        {"ACA",
         "Air Canada",
         "C-",
         false,
         {"A319", "A320", "A321", "A333", "B38M", "B77W", "B77L", "B788", "B789", "BCS3"},
         "JZA"},
        {"JZA", "Jazz", "C-", false, {"CRJ9", "DH8D", "E175"}},
        {"WJA", "WestJet", "C-", false, {"B737", "B738", "B38M", "B789", "DH8D"}},
        {"AMX", "Aeromexico", "XA-", false, {"B738", "B38M", "B39M", "B788", "B789", "E190"}},
        {"VOI", "Volaris", "XA-", false, {"A320", "A20N", "A21N"}},
        {"AVA", "Avianca", "N", false, {"A319", "A320", "A20N", "B788"}},
        {"LAN", "LATAM", "CC-", false, {"A319", "A320", "A321", "B763", "B788", "B789"}},
        {"TAM", "LATAM Brasil", "PR-", false, {"A319", "A320", "A321", "B763", "B77W"}},
        {"GLO", "Gol", "PR-", false, {"B737", "B738", "B38M"}},
        {"AZU", "Azul", "PR-", false, {"A20N", "A332", "A339", "AT76", "E195", "E295"}},
        {"ARG", "Aerolineas Argentinas", "LV-", false, {"A332", "B737", "B738", "B38M"}},
        {"QFA", "Qantas", "VH-", false, {"A332", "A333", "A388", "B738", "B789", "DH8D"}},
        {"VOZ", "Virgin Australia", "VH-", false, {"B738", "B38M", "AT76"}},
        {"ANZ", "Air New Zealand", "ZK-", false, {"A320", "A21N", "AT76", "B77W", "B789", "DH8C"}},
        {"SIA", "Singapore Airlines", "9V-", false, {"A359", "A388", "B38M", "B77W", "B78X"}},
        {"CPA", "Cathay Pacific", "B-", false, {"A321", "A21N", "A333", "A359", "A35K", "B77W"}},
        {"JAL",
         "Japan Airlines",
         "JA",
         false,
         {"A359", "A35K", "B738", "B763", "B772", "B77W", "B788", "B789", "E170", "E190"}},
        {"ANA",
         "All Nippon Airways",
         "JA",
         false,
         {"A320", "A321", "A21N", "A388", "B738", "B763", "B772", "B77W", "B788", "B789", "B78X", "DH8D"}},
        {"KAL",
         "Korean Air",
         "HL",
         false,
         {"A21N", "A333", "A388", "B738", "B38M", "B748", "B772", "B77W", "B789", "B78X", "BCS3"}},
        {"AAR", "Asiana", "HL", false, {"A321", "A21N", "A333", "A359", "A388", "B77W"}},
        {"CCA",
         "Air China",
         "B-",
         false,
         {"A319", "A320", "A321", "A20N", "A332", "A333", "A359", "B738", "B38M", "B748", "B77W", "B789"}},
        {"CES",
         "China Eastern",
         "B-",
         false,
         {"A319", "A320", "A321", "A20N", "A21N", "A332", "A333", "A359", "B738", "B77W", "B789"}},
        {"CSN",
         "China Southern",
         "B-",
         false,
         {"A319", "A320", "A321", "A20N", "A21N", "A332", "A333", "A359", "A388", "B738", "B38M", "B77W", "B788",
          "B789", "E190"}},
        {"CAL", "China Airlines", "B-", false, {"A21N", "A333", "A359", "B738", "B77W"}},
        {"EVA", "EVA Air", "B-", false, {"A321", "A333", "B77W", "B789", "B78X"}},
        {"THA", "Thai Airways", "HS-", false, {"A320", "A333", "A359", "B77W", "B788", "B789"}},
        {"MAS", "Malaysia Airlines", "9M-", false, {"A333", "A359", "B738", "B38M"}},
        {"GIA", "Garuda Indonesia", "PK-", false, {"A332", "A333", "A339", "B738", "B77W"}},
        {"PAL", "Philippine Airlines", "RP-C", false, {"A320", "A321", "A21N", "A333", "A359", "B77W"}},
        {"VNA", "Vietnam Airlines", "VN-A", false, {"A321", "A21N", "A359", "B789", "B78X"}},
        {"AIC", "Air India", "VT-", false, {"A319", "A320", "A321", "A20N", "B77W", "B77L", "B788"}},
        {"IGO", "IndiGo", "VT-", false, {"A320", "A20N", "A21N", "AT76"}},
        {"AXB", "Air India Express", "VT-", false, {"B738", "B38M"}},
        {"FDX", "FedEx", "N", true, {"B763", "B77L", "MD11", "A306", "B752", "C208", "AT72"}},
        {"UPS", "UPS Airlines", "N", true, {"B744", "B748", "B763", "MD11", "A306", "B752"}},
        {"GTI", "Atlas Air", "N", true, {"B744", "B748", "B763", "B77L"}},
        {"CKS", "Kalitta Air", "N", true, {"B744", "B763", "B77L"}},
        {"ABX", "ABX Air", "N", true, {"B763", "B752"}},
        {"CLX", "Cargolux", "LX-", true, {"B744", "B748"}},
        {"GEC", "Lufthansa Cargo", "D-A", true, {"B77L", "MD11"}},
        {"BOX", "AeroLogic", "D-A", true, {"B77L"}},
        {"BCS", "European Air Transport", "D-A", true, {"A306", "B752", "B763"}},
        {"DHK", "DHL Air", "G-", true, {"B752", "B763", "B77L"}},
        {"CKK", "China Cargo Airlines", "B-", true, {"B77L"}},
        {"ABW", "AirBridgeCargo", "VP-B", true, {"B744", "B748"}},
        {"NCA", "Nippon Cargo Airlines", "JA", true, {"B748"}},
        {"QTR", "Qatar Airways", "A7-", true, {"B77L"}},
        {"PVT",
         "Private",
         "N",
         false,
         {"C172", "C182", "PA28", "SR22", "PC12", "C25A", "C56X", "CL35", "GLF6", "GLEX", "FA7X", "PC24", "E55P",
          "LJ45"}},
        {"NJE", "NetJets Europe", "CS-", false, {"C56X", "C68A", "CL35", "GLF6", "F2TH", "E55P"}},
        {"EJA", "NetJets", "N", false, {"C56X", "C68A", "CL35", "CL60", "GLF4", "GLF5"}},
        {"VJT", "VistaJet", "9H-", false, {"CL35", "CL60", "GLEX"}},
        {"RCH", "United States Air Force", "88-", false, {"F16", "F35"}},
        {"GAF", "German Air Force", "30+", false, {"EUFI"}},
        {"RFR", "Royal Air Force", "ZK", false, {"EUFI", "F35"}},
        {"CNV", "United States Navy", "16", false, {"F18"}},
        {"BHL", "Bristow Helicopters", "G-", false, {"AS50", "S76", "B06", "EC35", "EC45"}},
        {"BRX", "Braathens Regional", "SE-", false, {"AT76"}},
        {"LOG", "Loganair", "G-", false, {"AT72", "AT45", "SF34", "DH8D", "DHC6"}},
        {"EZE", "Eastern Airways", "G-", false, {"JS41", "E145"}},
    };
    return list;
}

// Invented scenery publishers; the names after the first are other spellings of the same one.
inline const std::vector<std::string_view>& publisherGroups() {
    static const std::vector<std::string_view> list = {
        "Northwind Scenery,northwind-scenery,NWS",
        "Bluefin Simworks,bluefinsim",
        "Cirrostratus Designs,cirrostratus",
        "Harbourlight,harbour-light",
        "Meridian Airfields,meridian_airfields",
        "Pinewood Sim,pinewoodsim",
        "Skybridge Studio,skybridge",
        "Tarmac Forge,tarmacforge",
        "Polar Approach,polarapproach",
        "Redline Terminals,redline-terminals",
    };
    return list;
}

// Airports of the simulator's own add-ons, and airports of the publishers with archived stands.
inline const std::vector<std::string_view>& simaddonAirports() {
    static const std::vector<std::string_view> list = {"KATL", "KDEN", "KLAX", "KJFK", "KSEA", "KSFO", "EGLL",
                                                       "EHAM", "LFPG", "EDDF", "LOWI", "LSZH", "RJTT", "YSSY",
                                                       "OMDB", "NZQN", "FAJS", "SBGR", "MMMX", "LEMD"};
    return list;
}

inline std::string xmlEscape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

inline std::string registrationFor(Rng& rng, std::string_view prefix) {
    static constexpr std::string_view letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    static constexpr std::string_view digits = "0123456789";
    std::string r(prefix);
    if (prefix == "N") { // N + 1..5 characters: digits, optionally ending in letters
        r += digits[1 + rng.below(9)];
        const std::size_t moreDigits = rng.below(4);
        for (std::size_t i = 0; i < moreDigits; ++i)
            r += digits[rng.below(10)];
        const std::size_t tail = rng.below(moreDigits >= 3 ? 2 : 3);
        for (std::size_t i = 0; i < tail; ++i)
            r += letters[rng.below(26)];
        return r;
    }
    if (prefix == "JA") { // JA + 3 digits + a letter or digit
        for (int i = 0; i < 3; ++i)
            r += digits[rng.below(10)];
        r += rng.below(2) ? letters[rng.below(26)] : digits[rng.below(10)];
        return r;
    }
    if (prefix == "HL") { // HL + 4 digits
        for (int i = 0; i < 4; ++i)
            r += digits[rng.below(10)];
        return r;
    }
    if (prefix == "B-") { // B- + 4 digits or 3 digits and a letter
        for (int i = 0; i < 3; ++i)
            r += digits[rng.below(10)];
        r += rng.below(3) ? digits[rng.below(10)] : letters[rng.below(26)];
        return r;
    }
    // Prefixes followed by digits: Russia, the Philippines, Vietnam, and military serials.
    static const std::pair<std::string_view, int> digitPrefixes[] = {
        {"RA-", 5}, {"RP-C", 4}, {"VN-A", 3}, {"30+", 2}, {"ZK", 3}, {"16", 4}, {"88-", 4},
    };
    for (const auto& [p, count] : digitPrefixes) {
        if (prefix == p) {
            for (int i = 0; i < count; ++i)
                r += digits[rng.below(10)];
            return r;
        }
    }
    // Letters after the prefix up to the country's usual length (D-ABCD, G-ABCD, PH-ABC, EI-ABC ...).
    std::size_t n = 3;
    if (prefix == "VP-B")
        n = 2;
    else if (prefix == "G-" || prefix == "F-" || prefix == "C-")
        n = 4;
    for (std::size_t i = 0; i < n; ++i)
        r += letters[rng.below(26)];
    return r;
}

} // namespace detail

// The database with `registrations` registrations (unique) and its AIG list.
inline GeneratedData gf_generateData(std::size_t registrations) {
    using namespace detail;
    Rng rng(0x5EEDF11Eu + registrations);
    GeneratedData out;
    std::string& x = out.dbaseXml;
    x.reserve(registrations * 56 + 20000);
    x += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n";

    // Model code lists, several elements per section with blanks around the commas, as edited by hand.
    auto codeList = [&](const char* section, const char* element, const char* attribute,
                        const std::vector<std::string_view>& codes) {
        x += "  <";
        x += section;
        x += ">\n";
        for (std::size_t i = 0; i < codes.size(); i += 8) {
            x += "    <";
            x += element;
            x += " ";
            x += attribute;
            x += "=\"";
            for (std::size_t k = i; k < codes.size() && k < i + 8; ++k) {
                if (k > i)
                    x += k % 3 == 0 ? ", " : ",";
                x += codes[k];
            }
            x += "\"/>\n";
        }
        x += "  </";
        x += section;
        x += ">\n";
    };
    std::vector<std::string_view> all, heavy, large, buzjet, highPerf, rotorcraft;
    for (const Model& m : models()) {
        all.push_back(m.code);
        switch (m.category) {
        case 'H':
            heavy.push_back(m.code);
            break;
        case 'G':
            large.push_back(m.code);
            break;
        case 'B':
            buzjet.push_back(m.code);
            break;
        case 'P':
            highPerf.push_back(m.code);
            break;
        case 'R':
            rotorcraft.push_back(m.code);
            break;
        default:
            break;
        }
    }
    codeList("aircrafts", "aircraft", "types", all);
    codeList("cargo_types", "cargo_type", "types", cargoModels());
    codeList("heavy", "hvy", "types", heavy);
    codeList("large", "lar", "types", large);
    codeList("buzjet", "bzj", "types", buzjet);
    codeList("high_performance", "hpf", "types", highPerf);
    codeList("rotorcraft", "rot", "types", rotorcraft);

    x += "  <similar_types>\n";
    for (std::string_view g : similarGroups())
        x += "    <similar types=\"" + std::string(g) + "\"/>\n";
    x += "  </similar_types>\n";

    std::set<std::string> airlineCodes, cargoCodes;
    for (const Airline& a : airlines()) {
        airlineCodes.insert(a.code);
        if (a.cargo)
            cargoCodes.insert(a.code);
    }
    codeList("ICAO_airlines", "ICAO", "codes", std::vector<std::string_view>(airlineCodes.begin(), airlineCodes.end()));
    codeList("cargo_operators", "ICAO", "codes", std::vector<std::string_view>(cargoCodes.begin(), cargoCodes.end()));

    x += "  <publishers>\n";
    for (std::string_view g : publisherGroups())
        x += "    <pub names=\"" + std::string(g) + "\"/>\n";
    x += "  </publishers>\n";

    x += "  <wingspans>\n";
    char num[32];
    for (const Model& m : models()) {
        std::snprintf(num, sizeof num, "%.2f", m.span);
        x += "    <wingspan type=\"" + std::string(m.code) + "\" meters=\"" + num + "\"/>\n";
    }
    x += "  </wingspans>\n";

    x += "  <fixes>\n";
    static const std::pair<const char*, const char*> fixes[] = {
        {"A320-200", "A320"}, {"A32N", "A20N"},   {"B737-800", "B738"}, {"B787", "B788"},    {"B777", "B772"},
        {"A330", "A333"},     {"CRJ900", "CRJ9"}, {"E190AR", "E190"},   {"DH8-400", "DH8D"}, {"ATR72", "AT76"},
        {"B77F", "B77L"},     {"A35X", "A35K"},   {"B7M8", "B38M"},     {"MD-11", "MD11"},   {"C172SP", "C172"},
    };
    for (const auto& [wro, cor] : fixes)
        x += std::string("    <fx wro=\"") + wro + "\" cor=\"" + cor + "\"/>\n";
    x += "  </fixes>\n";

    x += "  <simaddons20>\n";
    x += "    <simaddon20 arpts=\"";
    for (std::size_t i = 0; i < simaddonAirports().size(); ++i) {
        if (i)
            x += ',';
        x += simaddonAirports()[i];
    }
    x += "\"/>\n  </simaddons20>\n";

    static const std::pair<const char*, const char*> third20[] = {
        {"Northwind Scenery", "EGLL161,EGKK95,EGCC78"},
        {"Bluefin Simworks", "KSFO128,KSAN40,KLAS110"},
        {"Harbourlight", "LPPT84,LEBL120,LEPA96"},
        {"Meridian Airfields", "EDDM198,EDDH72,LOWW110"},
        {"Pinewood Sim", "CYVR90,CYYC64"},
        {"Tarmac Forge", "OMDB320,OTHH180"},
        {"Polar Approach", "ENGM95,BIKF30,EFHK80"},
    };
    static const std::pair<const char*, const char*> third24[] = {
        {"Skybridge Studio", "RJAA160,RJTT170,RKSI190"},
        {"Redline Terminals", "KORD210,KDFW190"},
        {"Cirrostratus Designs", "LSZH110,LSGG70"},
        {"Northwind Scenery", "EGLL161"},
    };
    x += "  <thirdparties20>\n";
    for (const auto& [pub, arpts] : third20)
        x += std::string("    <thirdpartie20 pub=\"") + pub + "\" arpts=\"" + arpts + "\"/>\n";
    x += "  </thirdparties20>\n  <thirdparties24>\n";
    for (const auto& [pub, arpts] : third24)
        x += std::string("    <thirdpartie24 pub=\"") + pub + "\" arpts=\"" + arpts + "\"/>\n";
    x += "  </thirdparties24>\n";

    // Registrations: airlines weighted by fleet size, registrations unique.
    struct Issued {
        std::string reg;
        const Airline* airline;
        std::string_view model;
    };
    std::vector<Issued> issued;
    issued.reserve(registrations);
    std::set<std::string> used;
    std::vector<const Airline*> weighted;
    for (const Airline& a : airlines())
        for (std::size_t k = 0; k < a.fleet.size(); ++k)
            weighted.push_back(&a);
    x += "  <dbase>\n";
    while (issued.size() < registrations) {
        const Airline* a = weighted[rng.below(weighted.size())];
        std::string reg = registrationFor(rng, a->prefix);
        if (!used.insert(reg).second)
            continue;
        const std::string_view model = a->fleet[rng.below(a->fleet.size())];
        const char* op = a->code;
        if (a->regional && rng.below(5) == 0)
            op = a->regional;
        bool cargo = a->cargo;
        x += "    <d r=\"" + reg + "\" a=\"" + a->code + "\" m=\"" + std::string(model) + "\"";
        if (std::string_view(a->code) != "PVT")
            x += std::string(" o=\"") + op + "\"";
        if (cargo)
            x += " c=\"true\"";
        x += "/>\n";
        issued.push_back({reg, a, model});
        out.registrations.push_back(std::move(reg));
    }
    x += "  </dbase>\n</root>\n";

    // AIG registration codes: one livery title per airline and model, with some of its registrations.
    std::string& g = out.aigXml;
    g += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <meta>\n"
         "    <info name=\"author\" value=\"Skyfill\"/>\n"
         "    <info name=\"version\" value=\"1.0.0\"/>\n"
         "    <info name=\"date\" value=\"Dec 06 2026\"/>\n"
         "    <info name=\"copyright\" value=\"Copyright (c) the makers of Skyfill. All rights reserved.\"/>\n"
         "    <info name=\"sim\" value=\"2020\"/>\n  </meta>\n  <aig>\n";
    std::map<std::string, std::vector<std::string>> byTitle;
    const auto modelName = [](std::string_view code) {
        for (const Model& m : models())
            if (code == m.code)
                return std::string(m.name);
        return std::string(code);
    };
    for (std::size_t i = 0; i < issued.size(); ++i) {
        if (rng.below(3) != 0)
            continue;
        const Issued& it = issued[i];
        std::string title = modelName(it.model) + " " + it.airline->name;
        auto& regs = byTitle[title];
        if (regs.size() < 6)
            regs.push_back(it.reg);
    }
    std::size_t n = 0;
    for (const auto& [title, regs] : byTitle) {
        g += "    <l t=\"" + xmlEscape(title) + "\" r=\"";
        for (std::size_t k = 0; k < regs.size(); ++k)
            g += (k ? ", " : "") + regs[k];
        g += "\"";
        if (++n % 17 == 0)
            g += " s=\"true\"";
        g += "/>\n";
        if (n % 23 == 0) // an old repaint that must not be used
            g += "    <l t=\"" + xmlEscape(title) + " (old colours)\"/>\n";
    }
    g += "  </aig>\n</root>\n";
    return out;
}

} // namespace skf::datagen
