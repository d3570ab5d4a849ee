#include "core/Text.h"
#include "core/TextInternal.h"

#include "core/ProgramState.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cmath>
#include <fmt/format.h>
#include <gsl/gsl>
#include <unordered_map>

namespace skf {

std::string gf_pathToUtf8(const std::filesystem::path& path) {
    return path.string();
}

std::string lf_toUtf8(std::string_view ansiText) {
    if (ansiText.empty())
        return {};
    try {
        return wide_to_utf8(gf_ansiToUtf16(ansiText));
    } catch (...) {
        return {};
    }
}

std::string_view lf_trimView(std::string_view text) noexcept {
    const auto e = text.find_last_not_of(g_trimSet);
    return e == std::string_view::npos ? std::string_view{} : text.substr(0, e + 1);
}

std::string_view lf_trimPiece(std::string_view text) noexcept {
    const auto b = text.find_first_not_of(g_trimSet);
    if (b == std::string_view::npos)
        return {};
    return lf_trimView(text.substr(b));
}

std::string_view gf_trimView(std::string_view text) noexcept {
    return lf_trimView(text);
}

std::string_view gf_trimPiece(std::string_view text) noexcept {
    return lf_trimPiece(text);
}

std::string gf_trim(std::string_view text) {
    return std::string(lf_trimPiece(text));
}

std::string_view gf_trimWhiteSpace(std::string_view text) noexcept {
    const auto b = text.find_first_not_of(g_whiteSpace);
    if (b == std::string_view::npos)
        return {};
    return text.substr(b, text.find_last_not_of(g_whiteSpace) - b + 1);
}

namespace {

template <class F>
void lf_forEachPiece(std::string_view text, char delimiter, F&& f) {
    if (text.empty())
        return;
    std::size_t start = 0;
    while (true) {
        const auto pos = text.find(delimiter, start);
        if (pos == std::string_view::npos) {
            f(text.substr(start));
            return;
        }
        f(text.substr(start, pos - start));
        start = pos + 1;
    }
}

} // namespace

std::vector<std::string> gf_split(std::string_view text, char delimiter) {
    std::vector<std::string> out;
    lf_forEachPiece(text, delimiter, [&](std::string_view piece) {
        const auto t = lf_trimPiece(piece);
        if (!t.empty())
            out.emplace_back(t);
    });
    return out;
}

std::vector<std::string> gf_splitOn(std::string_view text, char delimiter) {
    return gf_split(text, delimiter);
}

std::vector<std::string> gf_splitWords(std::string_view text) {
    if (text.empty())
        return {};
    return gf_split(text, ',');
}

std::list<std::string> gf_splitLinesTrimmed(std::string_view text) {
    std::list<std::string> out;
    lf_forEachPiece(text, ',', [&](std::string_view piece) { out.emplace_back(lf_trimPiece(piece)); });
    out.sort();
    out.unique();
    return out;
}

void gf_normaliseCommaList(std::string& text) {
    if (text.find_first_of(g_trimSet) == std::string::npos)
        return;
    const auto pieces = gf_split(text, ',');
    std::string joined;
    for (const auto& p : pieces) {
        if (!joined.empty())
            joined += ',';
        joined += p;
    }
    text = std::move(joined);
}

bool gf_contains(std::string_view text, std::string_view part) noexcept {
    return text.find(part) != std::string_view::npos;
}

bool gf_equalsWithStar(std::string_view name, std::string_view pattern) noexcept {
    return pattern.size() == name.size() + 1 && pattern.back() == '*' && pattern.substr(0, name.size()) == name;
}

char gf_toUpperChar(char c) noexcept {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

namespace {
char lf_lowerAscii(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool lf_sameNoCase(char a, char b) noexcept {
    return lf_lowerAscii(a) == lf_lowerAscii(b);
}
} // namespace

bool gf_isWordChar(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool gf_equalsNoCase(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), lf_sameNoCase);
}

bool gf_startsWithNoCase(std::string_view text, std::string_view prefix) noexcept {
    return text.size() >= prefix.size() && gf_equalsNoCase(text.substr(0, prefix.size()), prefix);
}

bool gf_containsNoCase(std::string_view text, std::string_view part) noexcept {
    return std::search(text.begin(), text.end(), part.begin(), part.end(), lf_sameNoCase) != text.end() || part.empty();
}

void gf_toUpper(std::string& text) noexcept {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
}

bool gf_hasExtensionNoCase(std::string_view wanted, std::string_view text) noexcept {
    if (wanted.size() != text.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (gf_toUpperChar(text[i]) != wanted[i])
            return false;
    return true;
}

std::string gf_plural(std::int64_t count) {
    return (count == 1 || count < 0) ? std::string() : std::string(g_plural);
}

std::string gf_plural(std::int32_t count) {
    return gf_plural(static_cast<std::int64_t>(count));
}

std::string gf_plural(std::uint64_t count) {
    return count == 1 ? std::string() : std::string(g_plural);
}

std::string gf_objectIdText(std::uint32_t objectId) {
    return g_simIs2020.load() ? fmt::format("{}", objectId) : fmt::format("{:x}", objectId);
}

std::string gf_floatText(float value) {
    return std::fmod(value, 1.0f) != 0.0f ? fmt::format("{:.1f}", value) : fmt::format("{:.0f}", value);
}

std::int32_t gf_roundToInt(std::int64_t part, std::int64_t whole) {
    if (whole <= 0)
        return 0;
    return gf_roundToInt32(static_cast<double>(part) * 100.0 / static_cast<double>(whole));
}

std::int32_t gf_roundToInt32(double value) {
    const double v = std::round(value);
    // Converting a double outside the int range is undefined before gsl::narrow could compare it back.
    if (!(v >= static_cast<double>(INT32_MIN) && v <= static_cast<double>(INT32_MAX)))
        throw gsl::narrowing_error{};
    return static_cast<std::int32_t>(v);
}

std::string gf_bannerLine(std::int64_t left, std::int64_t right, bool leadingLineBreak, bool trailingLineBreak,
                          std::string_view title) {
    std::string out;
    if (leadingLineBreak)
        out += '\n';
    std::int64_t w = left + right;
    if (w % 2 != 0)
        w += 1;
    if (title.empty()) {
        if (w > 0)
            out.append(static_cast<std::size_t>(w), '*');
    } else if (w > static_cast<std::int64_t>(title.size()) + 2) {
        const auto h = static_cast<std::size_t>(w / 2);
        out.append(h - 1, '*');
        out += ' ';
        out += title;
        out += ' ';
        out.append(h - 1, '*');
    } else {
        out += title;
    }
    if (trailingLineBreak)
        out += '\n';
    return out;
}

std::string gf_winsockErrorText(int code) {
    static const std::unordered_map<int, std::string_view> table = {
        {10004, "Interrupted system call"},
        {10009, "Bad file number"},
        {10013, "Permission denied"},
        {10014, "Bad address"},
        {10022, "Invalid argument"},
        {10024, "Too many open sockets"},
        {10035, "Operation would block"},
        {10036, "Operation now in progress"},
        {10037, "Operation already in progress"},
        {10038, "Socket operation on non-socket"},
        {10039, "Destination address required"},
        {10040, "Messenger too long"},
        {10041, "Protocol wrong type for socket"},
        {10042, "Bad protocol option"},
        {10043, "Protocol not supported"},
        {10044, "Socket type not supported"},
        {10045, "Operation not supported on socket"},
        {10046, "Protocol family not supported"},
        {10047, "Address family not supported"},
        {10048, "Address already in use"},
        {10049, "Can't assign requested address"},
        {10050, "Network is down"},
        {10051, "Network is unreachable"},
        {10052, "Net connection reset"},
        {10053, "Software caused connection abort"},
        {10054, "Connection reset by peer"},
        {10055, "No buffer space available"},
        {10056, "Socket is already connected"},
        {10057, "Socket is not connected"},
        {10058, "Can't send numLines socket shutdown"},
        {10059, "Too many references, can't splice"},
        {10060, "Connection timed out"},
        {10061, "Connection refused"},
        {10062, "Too many levels of symbolic links"},
        {10063, "File name too long"},
        {10064, "Host is down"},
        {10065, "No route to host"},
        {10066, "Directory not empty"},
        {10067, "Too many processes"},
        {10068, "Too many users"},
        {10069, "Disc quota exceeded"},
        {10070, "Stale NFS file handle"},
        {10071, "Too many levels of remote in path"},
        {10091, "Network system is unavailable"},
        {10092, "Winsock version out of range"},
        {10093, "WSAStartup not yet called"},
        {10101, "Graceful shutdown in progress"},
        {11001, "Host not found"},
        {11004, "No host data of that type was found"},
    };
    std::string out = fmt::format("{} ", code);
    const auto it = table.find(code);
    out += it != table.end() ? it->second : std::string_view("Unknown errror code");
    return out;
}

} // namespace skf
