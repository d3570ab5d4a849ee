#include "liveries/FltsimLines.h"

#include "core/Log.h"
#include "core/StockAircraftTypes.h"
#include "core/Text.h"
#include "data/Dbase.h"
#include "liveries/LiveryServices.h"
#include "liveries/LiveryServicesInternal.h"
#include "liveries/ScanReports.h"

#include <charconv>
#include <cstdint>
#include <fmt/format.h>

namespace fs = std::filesystem;

namespace skf {

namespace {

// The highest section number a file may use; also the number of a wrongly written header.
constexpr std::int32_t kMaxFltsimNumber = 10000;

bool lf_isBlank(char c) noexcept {
    return g_whiteSpace.find(c) != std::string_view::npos;
}

std::size_t lf_skipBlanks(std::string_view text, std::size_t pos) noexcept {
    while (pos < text.size() && lf_isBlank(text[pos]))
        ++pos;
    return pos;
}

// The text between the value's first two double quotes, the value itself without a double quote, or
// empty when the second quote is missing or follows the first at once.
std::string lf_unquote(std::string_view value) {
    const auto first = value.find('"');
    if (first == std::string_view::npos)
        return std::string(value);
    const auto second = value.find('"', first + 1);
    if (second == std::string_view::npos)
        return {};
    return std::string(value.substr(first + 1, second - first - 1));
}

bool lf_readNonEmpty(std::string_view line, std::string_view key, std::string& value) {
    const auto raw = lf_keyValue(line, key);
    if (!raw)
        return false;
    std::string text = lf_unquote(*raw);
    if (text.empty())
        return false;
    value = std::move(text);
    return true;
}

// True when the key occurs in the line as a whole word (see the header); withEquals: "=" must follow.
bool lf_hasWholeKey(std::string_view line, std::string_view key, bool withEquals) {
    for (auto pos = line.find(key); pos != std::string_view::npos; pos = line.find(key, pos + 1)) {
        if (pos > 0 && gf_isWordChar(line[pos - 1]))
            continue;
        const std::size_t end = pos + key.size();
        if (withEquals) {
            std::size_t after = end;
            while (after < line.size() && (line[after] == ' ' || line[after] == '\t'))
                ++after;
            if (after < line.size() && line[after] == '=')
                return true;
        } else if (end >= line.size() || !gf_isWordChar(line[end])) {
            return true;
        }
    }
    return false;
}

// The digits of a line that is, as a whole, blanks "[fltsim." digits "]" blanks (any letter case).
std::optional<std::string_view> lf_headerDigits(std::string_view line) {
    constexpr std::string_view opening = "[fltsim.";
    std::size_t pos = lf_skipBlanks(line, 0);
    if (!gf_startsWithNoCase(line.substr(pos), opening))
        return std::nullopt;
    pos += opening.size();
    const std::size_t digitsStart = pos;
    while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9')
        ++pos;
    if (pos == digitsStart || pos >= line.size() || line[pos] != ']')
        return std::nullopt;
    const std::string_view digits = line.substr(digitsStart, pos - digitsStart);
    if (lf_skipBlanks(line, pos + 1) != line.size())
        return std::nullopt;
    return digits;
}

// "/IVAO_MTL/SimObjects/Airplanes/IVAO_<word>/aircraft.cfg" at the end of the path (any letter case) with
// something before it: <word>; none otherwise.
std::optional<std::string> lf_ivaoFolderCode(std::string_view path, std::string_view package) {
    const auto cut = [&](std::string_view& text) -> std::string_view {
        const auto slash = text.rfind('/');
        if (slash == std::string_view::npos)
            return {};
        const std::string_view element = text.substr(slash + 1);
        text = text.substr(0, slash);
        return element;
    };
    std::string_view rest = path;
    if (!gf_equalsNoCase(cut(rest), "aircraft.cfg"))
        return std::nullopt;
    const std::string_view folder = cut(rest);
    if (!gf_startsWithNoCase(folder, "IVAO_") || folder.size() == 5)
        return std::nullopt;
    for (const char c : folder.substr(5))
        if (!gf_isWordChar(c))
            return std::nullopt;
    if (!gf_equalsNoCase(cut(rest), "Airplanes") || !gf_equalsNoCase(cut(rest), "SimObjects") ||
        !gf_equalsNoCase(cut(rest), package))
        return std::nullopt;
    if (rest.empty()) // the package folder needs a path before it
        return std::nullopt;
    return std::string(folder.substr(5));
}

} // namespace

std::optional<std::string_view> lf_keyValue(std::string_view line, std::string_view key) {
    std::size_t pos = lf_skipBlanks(line, 0);
    if (!gf_startsWithNoCase(line.substr(pos), key))
        return std::nullopt;
    pos = lf_skipBlanks(line, pos + key.size());
    if (pos >= line.size() || line[pos] != '=')
        return std::nullopt;
    const std::size_t first = lf_skipBlanks(line, pos + 1);
    std::size_t last = line.size();
    while (last > first && lf_isBlank(line[last - 1]))
        --last;
    if (last == first)
        return std::nullopt;
    const std::string_view value = line.substr(first, last - first);
    if (value.find_first_of("\r\n") != std::string_view::npos)
        return std::nullopt;
    return value;
}

bool lf_readTitle(std::string_view line, std::string& value) {
    return lf_readNonEmpty(line, "title", value);
}

bool lf_readTexture(std::string_view line, std::string& value) {
    return lf_readNonEmpty(line, "texture", value);
}

bool lf_readParkingTypes(std::string_view line, std::string& value) {
    return lf_readNonEmpty(line, "atc_parking_types", value);
}

bool lf_readAtcId(std::string_view line, std::string& value) {
    const auto raw = lf_keyValue(line, "atc_id");
    if (!raw)
        return false;
    std::string text = lf_unquote(*raw);
    if (text.size() < 5)
        return false;
    value = std::move(text);
    return true;
}

bool lf_readIcaoAirline(std::string_view line, std::string& value) {
    const auto raw = lf_keyValue(line, "icao_airline");
    if (!raw)
        return false;
    std::string text = lf_unquote(*raw);
    if (text.empty() || text == "ZZZZ") {
        value = "ZZZ";
    } else {
        gf_toUpper(text);
        value = std::move(text);
    }
    return true;
}

std::string lf_readTypeDesignator(std::string_view line) {
    const auto raw = lf_keyValue(line, "icao_type_designator");
    if (!raw)
        return {};
    std::string text = lf_unquote(*raw);
    if (text.size() > 4)
        text.resize(4);
    gf_toUpper(text);
    return text;
}

std::string lf_readBaseContainer(std::string_view line) {
    const auto raw = lf_keyValue(line, "base_container");
    if (!raw)
        return {};
    const std::string text = lf_unquote(*raw);
    if (text.size() < 4)
        return {};
    const auto stock = g_stockAircraftTypes.find(text.substr(3));
    if (stock == g_stockAircraftTypes.end())
        return {};
    std::string type = stock->second;
    gf_toUpper(type);
    return type;
}

std::string lf_stockModelOfBaseContainer(std::string_view aircraftCfg) {
    while (!aircraftCfg.empty()) {
        const auto end = aircraftCfg.find('\n');
        std::string_view line = aircraftCfg.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (lf_keyValue(line, "base_container"))
            return lf_readBaseContainer(line);
        if (end == std::string_view::npos)
            break;
        aircraftCfg.remove_prefix(end + 1);
    }
    return {};
}

bool lf_hasAtcId(std::string_view line) {
    return lf_hasWholeKey(line, "atc_id", true);
}

bool lf_hasParkingTypes(std::string_view line) {
    return lf_hasWholeKey(line, "atc_parking_types", false);
}

bool lf_hasIcaoAirline(std::string_view line) {
    return lf_hasWholeKey(line, "icao_airline", false);
}

std::string lf_fltsimNumber(std::string_view line) {
    if (line.size() >= 2 && line.starts_with("//"))
        return {};
    if (const auto digits = lf_headerDigits(line))
        return std::string(*digits);
    if (gf_contains(line, "[fltsim.") || gf_contains(line, "[FLTSIM."))
        return std::to_string(kMaxFltsimNumber);
    return {};
}

bool lf_splitFltsimSections(const std::vector<std::string>& lines, const fs::path& file) {
    bool anyHeader = false;
    bool outOfRange = false;
    for (const std::string& line : lines) {
        const std::string number = lf_fltsimNumber(line);
        if (number.empty())
            continue;
        std::int32_t value = 0;
        const char* const end = number.data() + number.size();
        const auto [ptr, ec] = std::from_chars(number.data(), end, value);
        if (ec != std::errc{} || ptr != end) {
            gf_logError(fmt::format("fltsim num {} incorrect", line));
            return false;
        }
        anyHeader = true;
        outOfRange = outOfRange || value < 0 || value > kMaxFltsimNumber;
    }
    if (!anyHeader) {
        lf_addNoFltsimFile(file);
        return true;
    }
    if (outOfRange) {
        lf_addInvalidCfgLine(file.string() + " contains a [fltsim.x] section with a number < 0 or > " +
                             std::to_string(kMaxFltsimNumber));
        return false;
    }
    return true;
}

std::string lf_checkModel(const std::string& code, const fs::path& file) {
    if (g_dbaseModelCodes.contains(code))
        return code;
    if (const auto fix = g_modelFixes.find(code); fix != g_modelFixes.end()) {
        lf_addFixLine(fmt::format("Model fix: {} found in {} changed into {}", code, file.string(), fix->second));
        return fix->second;
    }
    lf_addInvalidModelLine(code, file);
    return {};
}

std::string lf_modelOfFile(const fs::path& file, const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        if (std::string type = lf_readTypeDesignator(line); !type.empty())
            return lf_checkModel(type, file);
    return lf_modelFromBaseContainer(file, lines);
}

std::string lf_modelFromBaseContainer(const fs::path& file, const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        if (std::string type = lf_readBaseContainer(line); !type.empty())
            return lf_checkModel(type, file);
    const std::string path = file.string();
    if (!gf_contains(path, "pmdg-aircraft-7") && !gf_contains(path, "fnx-aircraft-3"))
        lf_addInvalidCfgLine("Line icao_type_designator= is missing in [General] section of " + path);
    return {};
}

std::string lf_ivaoModelOfFile(const fs::path& file) {
    const std::string path = file.generic_string();
    auto code = lf_ivaoFolderCode(path, "IVAO_MTL");
    if (!code)
        code = lf_ivaoFolderCode(path, "ivao_x-csl");
    if (!code) {
        lf_addInvalidModelLine("  ", file);
        return {};
    }
    if (code->size() > 4)
        code->resize(4);
    return lf_checkModel(*code, file);
}

} // namespace skf
