#include "tools/communitygen/CommunityGenerator.h"

#include "data/Dbase.h"
#include "data/DbaseLookups.h"
#include "data/StringPool.h"
#include "platform/system/Encoding.h"
#include "tools/skyfill-data/TypeDesignators.h"

#include <algorithm>
#include <fmt/format.h>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <stdexcept>

namespace fs = std::filesystem;

namespace skf::tools {

namespace {

constexpr const char* kAirlineReport = "InvalidAirlineCodes.txt";
constexpr const char* kModelReport = "InvalidAircraftCodes.txt";
constexpr const char* kFixesReport = "Fixes.txt";
constexpr const char* kCfgReport = "InvalidAircraftCfgFiles.txt";
constexpr const char* kIncompleteReport = "IncompleFltsimSections.txt";
constexpr const char* kNoFltsimReport = "AircraftCfgWithNoFltsimSection.txt";
constexpr const char* kConversionsReport = "AirlineModelConversions.txt";

enum class Encoding { Utf8, Utf8Bom, Utf16Le, Utf16Be, Ansi };
constexpr const char* kEncodingNames[] = {"UTF8_without_BOM", "UTF8_with_BOM", "Unicode", "Unicode_big_endian", "ANSI"};

struct Package {
    std::string folder;
    std::string prefix; // of aircraft folders and titles
    int priority;       // in the default package order
    double share;       // of the generated files
};

const Package kPackages[] = {{"aig-aitraffic-oci-beta", "AIG", 1, 0.40},
                             {"fsltl-traffic-base", "FSLTL", 2, 0.25},
                             {"justflight-aircraft-traffic-fleet", "JF", 3, 0.15},
                             {"IVAO_MTL", "IVAO", 4, 0.10},
                             {"user-aitraffic-sample", "USER", 5, 0.10}};

class Generator {
public:
    Generator(fs::path community, const CommunityOptions& options)
        : m_community(std::move(community)), m_rng(options.seed) {
        m_manifest.seed = options.seed;
        for (const std::string& code : g_icaoAirlineCodes)
            if (code.size() == 3 && code != "RFO" && code != "PVT")
                m_airlines.push_back(code);
        // AI packages model the airliners, business jets and helicopters that fly, not every type that the
        // database knows: liveries are made for the database's fleet types (all its types when it has none).
        std::set<std::string> modelled;
        for (const auto& m : datagen::detail::fleetModels())
            if (g_dbaseModelCodes.contains(m.code))
                modelled.insert(m.code);
        for (const std::string& code : modelled.empty() ? g_dbaseModelCodes : modelled) {
            m_models.push_back(code);
            if (code.size() == 4)
                m_ivaoModels.push_back(code);
            if (gf_modelCategoryByName(code) == SizeCategory::Heavy)
                m_heavyModels.push_back(code);
        }
        if (m_airlines.empty() || m_ivaoModels.empty() || m_heavyModels.empty())
            throw std::runtime_error("the database holds no airline or model codes");
    }

    CommunityManifest run(int files, bool everyPair) {
        for (const Package& p : kPackages)
            m_manifest.packages.push_back(p.folder);
        for (const Package& p : kPackages) {
            const int count = std::max(1, static_cast<int>(files * p.share));
            for (int i = 0; i < count; ++i)
                p.prefix == "IVAO" ? ivaoFile(p, i) : generalFile(p, i);
        }
        findings();
        decoys();
        if (everyPair)
            fleetFiles();
        std::map<std::pair<std::string, std::string>, int> best;
        for (const auto& [pair, priority] : m_liveries) {
            auto [it, added] = best.emplace(pair, priority);
            if (!added)
                it->second = std::min(it->second, priority);
        }
        m_manifest.liveries = static_cast<int>(std::count_if(
            m_liveries.begin(), m_liveries.end(), [&](const auto& l) { return l.second == best.at(l.first); }));
        return m_manifest;
    }

private:
    using Lines = std::vector<std::string>;

    template <class T>
    const T& pick(const std::vector<T>& list) {
        return list[m_rng() % list.size()];
    }
    bool chance(int percent) { return static_cast<int>(m_rng() % 100) < percent; }

    // A registration that the database does not know in any spelling.
    std::string unknownRegistration() {
        for (;;) {
            std::string reg = "QX-";
            for (int i = 0; i < 4; ++i)
                reg += static_cast<char>('A' + m_rng() % 26);
            if (!gf_lookupRegistration(reg))
                return reg;
        }
    }

    std::string title(const std::string& prefix, const std::string& model, const std::string& airline) {
        return fmt::format("{} {} {} livery {}", prefix, model, airline, ++m_serial);
    }

    // Key lines as real files write them: any letter case, blanks around "=", quotes, inline comments.
    std::string key(std::string_view name, const std::string& value) {
        std::string k(name);
        if (chance(10))
            std::transform(k.begin(), k.end(), k.begin(), [](char c) { return static_cast<char>(std::toupper(c)); });
        const std::string eq = chance(20) ? " = " : "=";
        if (chance(25))
            return k + eq + "\"" + value + "\"" + (chance(50) ? " ; note" : "");
        return k + eq + value + (chance(10) ? "\t" : "");
    }

    std::string header(int n) {
        const int shape = static_cast<int>(m_rng() % 10);
        if (shape == 0)
            return fmt::format("[FLTSIM.{}]", n);
        if (shape == 1)
            return fmt::format("[FltSim.{}]", n);
        if (shape == 2)
            return fmt::format("[fltsim.{}] ; old header", n); // written wrongly, still a section
        return fmt::format("[fltsim.{}]", n);
    }

    Lines goodSection(int n, const std::string& prefix, const std::string& model, const std::string& airline,
                      int priority, bool ansi) {
        std::string t = title(prefix, model, airline);
        if (ansi)
            t += " caf\xE9";
        Lines s{header(n), key("title", t), "model=", "texture=" + airline};
        if (chance(50))
            s.push_back(key("ui_variation", airline + " livery"));
        if (chance(30))
            s.push_back("; " + std::string(chance(50) ? "icao_airline=XXX" : "comment"));
        s.push_back(key("icao_airline", airline));
        if (chance(40))
            s.push_back(key("atc_parking_types", chance(30) ? "CARGO , RAMP" : "GATE,RAMP"));
        if (chance(30))
            s.push_back(key("atc_id", unknownRegistration()));
        s.push_back("atc_airline=" + airline);
        if (chance(20))
            s.push_back("ui_title=" + t);
        if (chance(20))
            s.push_back("");
        m_liveries.push_back({{airline, model}, priority});
        if (priority == 1 && m_firstTitle.empty())
            m_firstTitle = t;
        return s;
    }

    void writeCfg(const fs::path& relative, const Lines& lines, Encoding encoding) {
        const bool crlf = encoding == Encoding::Utf16Le || encoding == Encoding::Utf16Be || chance(50);
        std::string text;
        for (const std::string& line : lines)
            text += line + (crlf ? "\r\n" : "\n");
        std::string bytes;
        switch (encoding) {
        case Encoding::Utf8:
        case Encoding::Ansi:
            bytes = text;
            break;
        case Encoding::Utf8Bom:
            bytes = "\xEF\xBB\xBF" + text;
            break;
        case Encoding::Utf16Le:
        case Encoding::Utf16Be: {
            const bool big = encoding == Encoding::Utf16Be;
            bytes = big ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2);
            for (const char16_t c : utf8_to_wide(text)) {
                const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
                bytes += big ? hi : lo;
                bytes += big ? lo : hi;
            }
            break;
        }
        }
        writeBytes(relative, bytes);
        ++m_manifest.encodings[kEncodingNames[static_cast<int>(encoding)]];
    }

    void writeBytes(const fs::path& relative, const std::string& bytes) {
        const fs::path path = m_community / relative;
        fs::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            throw std::runtime_error("cannot write " + path.string());
        if (path.filename() != "aircraft.cfg.bak")
            ++m_manifest.aircraftCfgFiles;
    }

    Encoding anyEncoding() {
        const int r = static_cast<int>(m_rng() % 10);
        return r < 5 ? Encoding::Utf8 : static_cast<Encoding>(1 + (r - 5) % 4);
    }

    static std::string airplanes(const std::string& package) { return package + "/SimObjects/Airplanes/"; }

    void generalFile(const Package& p, int index) {
        const Encoding encoding = anyEncoding();
        const std::string model = pick(m_models);
        Lines lines{"; " + p.prefix + " aircraft", "[VERSION]", "major=1", "minor=0", ""};
        Lines general{"[General]", key("icao_type_designator", model), "icao_manufacturer=SKF", "performance="};
        if (chance(50)) {
            lines.insert(lines.end(), general.begin(), general.end());
            general.clear();
        }
        const int sections = 1 + static_cast<int>(m_rng() % 6);
        for (int n = 0; n < sections; ++n) {
            const Lines s =
                goodSection(n, p.prefix, model, pick(m_airlines), p.priority, encoding == Encoding::Ansi && n == 0);
            lines.insert(lines.end(), s.begin(), s.end());
        }
        lines.insert(lines.end(), general.begin(), general.end());
        lines.push_back("[AUTOPILOT]");
        lines.push_back("autopilot_available=1");
        writeCfg(airplanes(p.folder) + fmt::format("{}_{}_{}/aircraft.cfg", p.prefix, model, index), lines, encoding);
    }

    void ivaoFile(const Package& p, int index) {
        const Encoding encoding = anyEncoding() == Encoding::Ansi ? Encoding::Utf8 : anyEncoding();
        const std::string model = pick(m_ivaoModels);
        const std::string folder = airplanes(p.folder) + fmt::format("IVAO_{}_{}/", model, index);
        Lines lines{"[VERSION]", "major=1"};
        const int sections = 1 + static_cast<int>(m_rng() % 4);
        for (int n = 0; n < sections; ++n) {
            const std::string airline = pick(m_airlines);
            const std::string texture = fmt::format("{}{}", airline, n);
            fs::create_directories(m_community / folder / ("texture." + texture));
            const Lines s{header(n),
                          key("title", fmt::format("{} {} {}", model, airline, ++m_serial)),
                          "model=",
                          key("texture", texture),
                          "atc_parking_types=GATE",
                          ""};
            lines.insert(lines.end(), s.begin(), s.end());
            m_liveries.push_back({{airline, model}, p.priority});
        }
        writeCfg(folder + "aircraft.cfg", lines, encoding);
    }

    void finding(const std::string& kind, const std::string& file, const char* report, int lines = 1) {
        m_manifest.findings.push_back({kind, file, report ? report : ""});
        if (report)
            m_manifest.reportLines[report] += lines;
    }

    // One file of findings below the AIG package, with the B738 as its model unless told.
    std::string findingFile(const std::string& name, const Lines& sections, const std::string& model = "B738") {
        Lines lines{"[General]", "icao_type_designator=" + model};
        lines.insert(lines.end(), sections.begin(), sections.end());
        const std::string file = airplanes(kPackages[0].folder) + "AIG_FINDING_" + name + "/aircraft.cfg";
        writeCfg(file, lines, Encoding::Utf8);
        return file;
    }

    // A title in which the database finds no short registration by chance.
    std::string safeTitle(const std::string& text) {
        std::string t = fmt::format("{} {}", text, ++m_serial);
        while (gf_findShortRegistrationIn(t))
            t = fmt::format("{} {}", text, ++m_serial);
        return t;
    }

    void findings() {
        const auto incomplete = [&](const std::string& kind, const Lines& s, int reportLines = 1,
                                    const std::string& model = "B738") {
            finding(kind, findingFile(kind, s, model), kIncompleteReport, reportLines);
        };
        // Airline not in the database: reported, then a private livery of a model that is not heavy.
        {
            const std::string f = findingFile(
                "invalid_airline", {"[fltsim.0]", "title=" + safeTitle("AIG bad airline"), "icao_airline=XQXQ"});
            finding("invalid airline code", f, kAirlineReport);
            finding("missing airline after an invalid one", f, kIncompleteReport);
            m_liveries.push_back({{"PVT", "B738"}, 1});
        }
        finding("invalid model code",
                findingFile("invalid_model", {"[fltsim.0]", "title=bad model", "icao_airline=KLM"}, "XXXX"),
                kModelReport);
        {
            const std::string f =
                findingFile("fix", {"[fltsim.0]", "title=" + safeTitle("AIG fixed model"), "icao_airline=KLM"}, "A32N");
            finding("model fix", f, kFixesReport);
            m_liveries.push_back({{"KLM", "A20N"}, 1});
        }
        {
            const std::string file = airplanes(kPackages[0].folder) + "AIG_FINDING_no_designator/aircraft.cfg";
            writeCfg(file, {"[General]", "[fltsim.0]", "title=no designator", "icao_airline=KLM"}, Encoding::Utf8);
            finding("no icao_type_designator", file, kCfgReport);
        }
        finding("section number above 10000",
                findingFile("big_number",
                            {"[fltsim.0]", "title=big 0", "icao_airline=KLM", "[fltsim.10001]", "title=big 1"}),
                kCfgReport);
        finding("no fltsim section", findingFile("no_sections", {"atc_id_color=0xffffffff"}), kNoFltsimReport);
        {
            // Binary garbage: no section (information) and no designator (error).
            std::string garbage;
            for (int i = 0; i < 4096; ++i)
                garbage += static_cast<char>(1 + m_rng() % 255);
            garbage[0] = 'G'; // no byte-order mark by chance
            std::replace(garbage.begin(), garbage.end(), '[', '(');
            const std::string file = airplanes(kPackages[0].folder) + "AIG_FINDING_garbage/aircraft.cfg";
            writeBytes(file, garbage);
            ++m_manifest.encodings["garbage"];
            finding("binary garbage without sections", file, kNoFltsimReport);
            finding("binary garbage without designator", file, kCfgReport);
        }
        {
            // A livery with a comment line of a megabyte.
            const std::string t = safeTitle("AIG long line");
            findingFile("long_line",
                        {"[fltsim.0]", "title=" + t, "; " + std::string(1 << 20, 'x'), "icao_airline=KLM"});
            m_liveries.push_back({{"KLM", "B738"}, 1});
        }
        {
            // A registration that the database gives to another airline: one conversion line.
            const DbaseRecord* record = nullptr;
            for (const DbaseRecord& r : g_dbaseRecords)
                if (r.registration.size() >= 5 && r.registration.size() <= 12 && !r.cargo && r.airline != 0 &&
                    r.model != 0 && (r.operatorId == 0 || r.operatorId == r.airline) &&
                    gf_operatorName(r.airline) != "KLM" && gf_modelName(r.model).size() == 4 &&
                    gf_lookupRegistration(r.registration)->airline == r.airline) {
                    record = &r;
                    break;
                }
            if (!record)
                throw std::runtime_error("no registration for the conversion finding");
            const std::string model(gf_modelName(record->model));
            const std::string f = findingFile("conversion",
                                              {"[fltsim.0]", "title=" + safeTitle("AIG converted"), "icao_airline=KLM",
                                               "atc_id=" + record->registration, "atc_parking_types=GATE"},
                                              model);
            finding("registration of another airline", f, kConversionsReport);
            m_liveries.push_back({{std::string(gf_operatorName(record->airline)), model}, 1});
        }
        incomplete("title twice", {"[fltsim.0]", "title=twice 1", "icao_airline=KLM", "title=twice 2"});
        incomplete("icao_airline twice", {"[fltsim.0]", "title=airline twice", "icao_airline=KLM", "//icao_airline=DLH",
                                          "atc_parking_types=GATE"});
        incomplete("atc_parking_types twice", {"[fltsim.0]", "title=parking twice", "icao_airline=KLM",
                                               "atc_parking_types=GATE", "atc_parking_types=RAMP"});
        incomplete("atc_id twice", {"[fltsim.0]", "title=ids twice", "icao_airline=KLM",
                                    "atc_id=" + unknownRegistration(), "atc_id=" + unknownRegistration()});
        {
            const std::string t = safeTitle("AIG star id");
            incomplete("invalid atc_id", {"[fltsim.0]", "title=" + t, "icao_airline=DLH", "atc_id=PH-***"});
            m_liveries.push_back({{"DLH", "B738"}, 1});
        }
        incomplete("missing title", {"[fltsim.0]", "icao_airline=KLM", "atc_parking_types=GATE"});
        const std::string heavy = m_heavyModels.front();
        incomplete("heavy without airline and registration", {"[fltsim.0]", "title=heavy nobody"}, 2, heavy);
        incomplete("heavy with an unknown registration",
                   {"[fltsim.0]", "title=heavy unknown", "atc_id=" + unknownRegistration()}, 2, heavy);
        incomplete("PMDG 737 title without airline", {"[fltsim.0]", "title=PMDG 737 house livery"});
        findingFile("RFO airline", {"[fltsim.0]", "title=rfo livery", "icao_airline=RFO"});
        finding("RFO airline", airplanes(kPackages[0].folder) + "AIG_FINDING_RFO airline/aircraft.cfg", nullptr);
        {
            findingFile("stub", {"[fltsim.0]", "title=AIG generic-STUB", "icao_airline=KLM",
                                 "atc_id=" + unknownRegistration()});
            m_liveries.push_back({{"ZZZ", "B738"}, 1});
        }
        {
            // A title that the first package made already, again in the second.
            const std::string file = airplanes(kPackages[1].folder) + "FSLTL_FINDING_duplicate/aircraft.cfg";
            writeCfg(
                file,
                {"[General]", "icao_type_designator=B738", "[fltsim.0]", "title=" + m_firstTitle, "icao_airline=KLM"},
                Encoding::Utf8);
            finding("title made already", file, kIncompleteReport);
        }
        {
            const std::string folder = airplanes(kPackages[3].folder) + "IVAO_A320_FINDINGS/";
            fs::create_directories(m_community / folder / "texture.DLH");
            writeCfg(folder + "aircraft.cfg",
                     {"[fltsim.0]", "title=A320 QQQ unknown", "texture=DLH", "[fltsim.1]", "title=A320 DLH no texture",
                      "texture=NONE", "[fltsim.2]", "title=Airbus A320 without code", "texture=DLH"},
                     Encoding::Utf8);
            finding("IVAO airline code unknown", folder + "aircraft.cfg", kAirlineReport);
            finding("IVAO texture folder missing", folder + "aircraft.cfg", kIncompleteReport);
            finding("IVAO title without airline code", folder + "aircraft.cfg", kIncompleteReport);
        }
    }

    // One aircraft.cfg per model of the database in the first package, with a passenger section for every
    // airline that flies it there.
    void fleetFiles() {
        const std::set<std::string> airlines(m_airlines.begin(), m_airlines.end());
        std::map<std::string, std::set<std::string>> fleets; // model -> airlines
        for (const DbaseRecord& r : g_dbaseRecords) {
            const std::string model(gf_modelName(r.model));
            for (const std::uint16_t id : {r.airline, r.operatorId}) {
                const std::string airline(gf_operatorName(id));
                if (id != 0 && !model.empty() && airlines.contains(airline))
                    fleets[model].insert(airline);
            }
        }
        const Package& p = kPackages[0];
        for (const auto& [model, operators] : fleets) {
            Lines lines{"[General]", "icao_type_designator=" + model};
            int n = 0;
            for (const std::string& airline : operators) {
                lines.insert(lines.end(),
                             {fmt::format("[fltsim.{}]", n++),
                              "title=" + safeTitle(fmt::format("{} {} {} fleet", p.prefix, model, airline)),
                              "icao_airline=" + airline, "atc_airline=" + airline});
                m_liveries.push_back({{airline, model}, p.priority});
            }
            writeCfg(airplanes(p.folder) + fmt::format("{}_FLEET_{}/aircraft.cfg", p.prefix, model), lines,
                     Encoding::Utf8);
        }
    }

    // Entries the scan must pass over.
    void decoys() {
        const Lines cfg{"[General]", "icao_type_designator=B738", "[fltsim.0]", "title=decoy", "icao_airline=KLM"};
        writeCfg("fsltl-traffic-base_CVT_/SimObjects/Airplanes/X/aircraft.cfg", cfg, Encoding::Utf8);
        writeCfg("zz-fsltl-traffic-base-copy/SimObjects/Airplanes/X/aircraft.cfg", cfg, Encoding::Utf8);
        writeCfg(airplanes(kPackages[0].folder) + "airport-vehicles/aircraft.cfg", cfg, Encoding::Utf8);
        writeBytes(airplanes(kPackages[0].folder) + "AIG_OLD/aircraft.cfg.bak", "[fltsim.0]\ntitle=old\n");
        fs::create_directories(m_community / "skyfill-sample-airport-eham" / "scenery");
    }

    fs::path m_community;
    std::mt19937 m_rng;
    CommunityManifest m_manifest;
    std::vector<std::string> m_airlines, m_models, m_ivaoModels, m_heavyModels;
    std::vector<std::pair<std::pair<std::string, std::string>, int>> m_liveries;
    int m_serial = 0;
    std::string m_firstTitle; // a livery of the first package
};

} // namespace

CommunityManifest gf_generateCommunity(const fs::path& community, const CommunityOptions& options) {
    fs::create_directories(community);
    return Generator(community, options).run(options.files, options.everyPair);
}

bool gf_writeCommunityManifest(const CommunityManifest& m, const fs::path& path) {
    nlohmann::ordered_json j;
    j["seed"] = m.seed;
    j["aircraftCfgFiles"] = m.aircraftCfgFiles;
    j["encodings"] = m.encodings;
    j["packages"] = m.packages;
    j["liveries"] = m.liveries;
    j["reportLines"] = m.reportLines;
    for (const CommunityFinding& f : m.findings)
        j["findings"].push_back({{"kind", f.kind}, {"file", f.file}, {"report", f.report}});
    std::ofstream out(path, std::ios::trunc);
    out << j.dump(2) << "\n";
    return static_cast<bool>(out);
}

} // namespace skf::tools
