#include "liveries/SectionRules.h"

#include "core/Log.h"
#include "core/Text.h"
#include "data/Dbase.h"
#include "data/DbaseLookups.h"
#include "data/StringPool.h"
#include "liveries/Regcodes.h"
#include "liveries/FltsimLines.h"
#include "liveries/ScanReports.h"

#include <fmt/format.h>

namespace fs = std::filesystem;

namespace skf {

std::mutex g_scannedTitlesMutex;

namespace {

constexpr std::string_view kGenericAirline = "ZZZ";
constexpr std::string_view kPrivateAirline = "PVT";

// Trailing empty lines and "//" lines do not belong to the section.
void lf_dropTrailingLines(std::vector<std::string>& section) {
    while (!section.empty() && (section.back().empty() || section.back().starts_with("//")))
        section.pop_back();
}

bool lf_isDontUseTitle(const std::string& title) {
    return g_dontUseTitleSet.contains(title);
}

// The registration of an atc_id value: the one valid piece; empty for several pieces; none (reported by the
// caller) when a piece is empty, a blank, longer than 12 characters or holds '*'.
std::optional<std::string> lf_regcodeOf(std::string_view value) {
    const std::vector<std::string> pieces = gf_split(value, ',');
    for (const std::string& piece : pieces)
        if (piece.empty() || piece == " " || piece.size() > 12 || gf_contains(piece, "*"))
            return std::nullopt;
    return pieces.size() == 1 ? pieces.front() : std::string();
}

// The airline code of an IVAO title: the title is the model code (and "W" in the W-folders), blanks, three
// letters, digits or '_' (the code) and any rest without a line break; letter case ignored.
std::optional<std::string> lf_ivaoTitleAirline(std::string_view title, const std::string& model, bool wFlag) {
    std::string prefix = model;
    if (wFlag)
        prefix += 'W';
    if (!gf_startsWithNoCase(title, prefix))
        return std::nullopt;
    std::size_t pos = prefix.size();
    while (pos < title.size() && g_whiteSpace.find(title[pos]) != std::string_view::npos)
        ++pos;
    if (pos + 3 > title.size())
        return std::nullopt;
    for (std::size_t i = pos; i < pos + 3; ++i)
        if (!gf_isWordChar(title[i]))
            return std::nullopt;
    if (title.find_first_of("\r\n", pos + 3) != std::string_view::npos)
        return std::nullopt;
    return std::string(title.substr(pos, 3));
}

std::optional<SectionLivery> lf_generalRules(std::int16_t priority, std::vector<std::string>& section,
                                             const std::string& model, const fs::path& file,
                                             const fs::path& aircraftFolder) {
    lf_dropTrailingLines(section);
    const std::string folder = aircraftFolder.string();
    const std::string name = section.empty() ? std::string() : section.front();
    std::string title, airline, parking, regcode, value;
    bool stopped = false;
    for (const std::string& line : section) {
        if (title.empty() && lf_readTitle(line, value)) {
            title = gf_trim(value);
            if (gf_contains(title, "FenixA320") || gf_contains(title, "PMDG 737")) {
                stopped = true;
                break;
            }
        } else if (!title.empty() && lf_readTitle(line, value)) {
            lf_addIncompleteSectionLine(fmt::format("{} {} has more than one title key", folder, name));
            stopped = true;
            break;
        } else if (airline.empty() && lf_readIcaoAirline(line, airline)) {
            if (airline.size() == 4 && (airline[3] == 'X' || airline[3] == 'C'))
                airline.resize(3);
            if (!g_icaoAirlineCodes.contains(airline)) {
                if (airline == "RFO") {
                    stopped = true;
                    break;
                }
                lf_addInvalidAirlineLine(airline, file, name);
                airline.clear();
            }
        } else if (!airline.empty() && lf_hasIcaoAirline(line)) {
            lf_addIncompleteSectionLine(fmt::format("{} {} has more than one icao_airline key", folder, name));
            stopped = true;
            break;
        } else if (parking.empty() && lf_readParkingTypes(line, parking)) {
            gf_normaliseCommaList(parking);
            gf_toUpper(parking);
        } else if (!parking.empty() && lf_hasParkingTypes(line)) {
            lf_addIncompleteSectionLine(fmt::format("{} {} has more than one atc_parking_types key", folder, name));
            stopped = true;
            break;
        } else if (regcode.empty() && lf_readAtcId(line, value)) {
            const std::string_view cut = std::string_view(value).substr(0, value.find(';'));
            if (const auto code = lf_regcodeOf(cut))
                regcode = *code;
            else
                lf_addIncompleteSectionLine(fmt::format("invalid atc_id={} in: {}", value, title));
        } else if (!regcode.empty() && lf_hasAtcId(line)) {
            lf_addIncompleteSectionLine(fmt::format("{}, {}, has more than one atc_id key", folder, name));
            stopped = true;
            break;
        }
    }
    if (airline.empty())
        lf_addIncompleteSectionLine(
            fmt::format("{} {} icao_airline is missing, or it has invalid info ", file.string(), name));
    if (stopped)
        return std::nullopt;
    if (title.empty()) {
        lf_addIncompleteSectionLine(fmt::format("{} {} misses title", folder, name));
        return std::nullopt;
    }
    if (title.size() > 4 && title.ends_with("-STUB"))
        airline = kGenericAirline;
    if (lf_isDontUseTitle(title))
        return std::nullopt;
    if (airline == kGenericAirline)
        regcode.clear();
    if (airline.empty()) {
        const bool heavy = gf_modelCategoryByName(model) == SizeCategory::Heavy;
        if (regcode.empty()) {
            if (heavy) {
                lf_addIncompleteSectionLine(fmt::format("'{}' '{}' has no airline and no regcode info", folder, name));
                return std::nullopt;
            }
            airline = kPrivateAirline;
            regcode = gf_findShortRegistrationIn(title).value_or(std::string());
        } else if (const auto record = gf_lookupRegistration(regcode)) {
            airline = std::string(gf_operatorName(record->airline));
        } else if (heavy) {
            lf_addIncompleteSectionLine(fmt::format("'{}' '{}' has no airline and regcode not in dbase", folder, name));
            return std::nullopt;
        } else {
            airline = kPrivateAirline;
        }
    }
    const bool cargo = gf_contains(parking, "CARGO") && !gf_contains(parking, "GATE");
    SectionLivery result{lf_makeLiveryData(priority, airline, model, !cargo, title, regcode), !airline.empty(),
                         fmt::format("{} {} title '{}' already exists", folder, name, title)};
    return result;
}

} // namespace

void lf_indexDontUseTitles() {
    g_dontUseTitleSet.clear();
    for (const std::string& title : g_dontUseTitles)
        g_dontUseTitleSet.insert(title);
}

LiveryData lf_makeLiveryData(std::int16_t priority, const std::string& airline, const std::string& model,
                             bool passenger, const std::string& title, const std::string& regcode) {
    LiveryData livery;
    livery.title = title;
    livery.regcode = regcode;
    livery.airline = gf_internOperator(airline);
    livery.model = gf_internModel(model);
    livery.priority = priority;
    livery.cargo = !passenger;
    return livery;
}

bool lf_claimScannedTitle(const SectionLivery& section) {
    bool fresh = false;
    {
        std::lock_guard lock(g_scannedTitlesMutex);
        fresh = g_scannedTitles.insert(section.livery.title).second;
    }
    if (!fresh) {
        lf_addIncompleteSectionLine(section.duplicateLine);
        return false;
    }
    return section.makesLivery;
}

std::optional<SectionLivery> lf_procesFltSimSection(std::int16_t priority, std::vector<std::string>& section,
                                                    const std::string& model, const fs::path& file,
                                                    const fs::path& aircraftFolder) {
    try {
        return lf_generalRules(priority, section, model, file, aircraftFolder);
    } catch (const std::exception& e) {
        gf_log(fmt::format("Exception in lf_procesFltSimSection: {}, file: {}", e.what(), file.string()));
        throw;
    }
}

std::optional<SectionLivery> lf_procesIvaoFltSimSection(std::int16_t priority, std::vector<std::string>& section,
                                                        const std::string& model, const fs::path& file,
                                                        const fs::path& aircraftFolder) {
    const std::string folder = aircraftFolder.string();
    bool wFlag = false;
    for (const char* word : {"IVAO_B738WLfa", "IVAO_B739WLfa", "IVAO_A320wCFM", "IVAO_A320wIAE", "IVAO_A319fIAEw"})
        wFlag = wFlag || gf_contains(folder, word);
    lf_dropTrailingLines(section);
    const std::string name = section.empty() ? std::string() : section.front();
    std::string title, parking, regcode, texture, value;
    for (const std::string& line : section) {
        if (title.empty() && lf_readTitle(line, value)) {
            title = gf_trim(value);
            if (title.size() != value.size())
                gf_log(fmt::format("removed spaces around title '{}' --> '{}'", value, title));
        } else if (!title.empty() && lf_readTitle(line, value)) {
            lf_addIncompleteSectionLine(folder + " " + name + " has more than one title key");
            return std::nullopt;
        } else if (parking.empty() && lf_readParkingTypes(line, parking)) {
            gf_normaliseCommaList(parking);
            gf_toUpper(parking);
        } else if (!parking.empty() && lf_hasParkingTypes(line)) {
            lf_addIncompleteSectionLine(folder + " " + name + " has more than one atc_parking_types key");
            return std::nullopt;
        } else if (regcode.empty() && lf_readAtcId(line, value)) {
            if (const auto code = lf_regcodeOf(value))
                regcode = *code;
            else
                lf_addIncompleteSectionLine(fmt::format("invalid atc_id={} in {}", value, title));
        } else if (!regcode.empty() && lf_hasAtcId(line)) {
            lf_addIncompleteSectionLine(fmt::format("{}, {}, has more than one atc_id key", folder, name));
            return std::nullopt;
        } else if (texture.empty() && lf_readTexture(line, value)) {
            texture = value;
        }
    }
    const fs::path textureFolder = aircraftFolder / ("texture." + texture);
    std::error_code ec;
    if (!fs::is_directory(textureFolder, ec)) {
        lf_addIncompleteSectionLine(textureFolder.string() + " " + name + " does not exist");
        return std::nullopt;
    }
    if (title.empty()) {
        lf_addIncompleteSectionLine(folder + " " + name + " misses title");
        return std::nullopt;
    }
    if (lf_isDontUseTitle(title))
        return std::nullopt;
    std::string airline;
    if (const auto code = lf_ivaoTitleAirline(title, model, wFlag)) {
        if (!gf_isKnownAirlineCode(*code)) {
            lf_addInvalidAirlineLine(*code, file, name);
            return std::nullopt;
        }
        airline = *code;
        if (airline == kGenericAirline)
            regcode.clear();
    } else if (regcode.empty()) {
        lf_addIncompleteSectionLine(folder + " " + name + " misses airlinecode in title: " + title +
                                    ", and no regcode");
        return std::nullopt;
    } else if (const auto record = gf_lookupRegistration(regcode)) {
        airline = std::string(gf_operatorName(record->airline));
    } else {
        lf_addIncompleteSectionLine(folder + " " + name + " misses airlinecode in title: " + title +
                                    ", and regcode unknown " + regcode);
        return std::nullopt;
    }
    SectionLivery result{lf_makeLiveryData(priority, airline, model, true, title, regcode), !airline.empty(),
                         folder + " " + name + " title already exists: " + title};
    return result;
}

} // namespace skf
