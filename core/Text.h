#pragma once
// Text helpers. Text inside the program is UTF-8 in std::string; UTF-16 ("wide")
// text is std::u16string (see platform/system/Encoding.h).

#include "platform/system/Encoding.h"

#include <cstdint>
#include <filesystem>
#include <list>
#include <string>
#include <string_view>
#include <vector>

namespace skf {

// The characters that gf_trim and gf_normaliseCommaList remove: blank, tab, LF, CR.
inline constexpr std::string_view g_trimSet = " \t\n\r";
// White space as the C library knows it: blank, tab, LF, VT, FF, CR.
inline constexpr std::string_view g_whiteSpace = " \t\n\v\f\r";
// The plural suffix.
inline constexpr std::string_view g_plural = "s";

// ---- Encodings --------------------------------------------------------------------
// wide_to_utf8 and utf8_to_wide come from platform/system/Encoding.h.

// A path as UTF-8 text for messages and log lines. Linux paths are byte strings
// that hold UTF-8 already, so this is the path's own text.
std::string gf_pathToUtf8(const std::filesystem::path& path);

// ---- Trimming and lists -----------------------------------------------------------

// The text without leading and trailing blanks, tabs, LFs and CRs.
std::string gf_trim(std::string_view text);
// The text view without trailing trim characters (for the folders above core/).
std::string_view gf_trimView(std::string_view text) noexcept;
// The text view without leading and trailing trim characters (for the folders above core/).
std::string_view gf_trimPiece(std::string_view text) noexcept;
// The text view without leading and trailing white space (g_whiteSpace).
std::string_view gf_trimWhiteSpace(std::string_view text) noexcept;

// Cuts the text at every delimiter, trims every piece and drops the empty ones.
std::vector<std::string> gf_split(std::string_view text, char delimiter);
std::vector<std::string> gf_splitOn(std::string_view text, char delimiter);
// gf_split(text, ',').
std::vector<std::string> gf_splitWords(std::string_view text);
// The distinct trimmed comma-separated pieces in ascending byte order (empty pieces
// kept, so an empty piece sorts first); an empty text gives an empty list.
std::list<std::string> gf_splitLinesTrimmed(std::string_view text);
// Drops blanks around the items of a comma list and empty items; a text without
// any trim character stays as it is.
void gf_normaliseCommaList(std::string& text);

bool gf_contains(std::string_view text, std::string_view part) noexcept;
// True when pattern is name followed by "*".
bool gf_equalsWithStar(std::string_view name, std::string_view pattern) noexcept;
// True when the text, upper-cased byte by byte, equals wanted (pass it in upper case).
bool gf_hasExtensionNoCase(std::string_view wanted, std::string_view text) noexcept;
char gf_toUpperChar(char c) noexcept;
// An ASCII letter, digit or '_': a character that continues a key or code word.
bool gf_isWordChar(char c) noexcept;
// Comparisons that ignore the case of ASCII letters (file and folder names, keys of aircraft.cfg);
// other bytes compare as they are. An empty part is found in every text.
bool gf_equalsNoCase(std::string_view a, std::string_view b) noexcept;
bool gf_startsWithNoCase(std::string_view text, std::string_view prefix) noexcept;
bool gf_containsNoCase(std::string_view text, std::string_view part) noexcept;
// Upper-cases a text in place, ASCII bytes only.
void gf_toUpper(std::string& text) noexcept;

// ---- Numbers ----------------------------------------------------------------------

// "s" unless the count is 1 (signed overloads: also "" for a negative count).
std::string gf_plural(std::int64_t count);
std::string gf_plural(std::int32_t count);
std::string gf_plural(std::uint64_t count);

// A simulator object id: decimal under MSFS 2020, lower-case hex under MSFS 2024.
std::string gf_objectIdText(std::uint32_t objectId);
// "{:.1f}" when the value has a fractional part, else "{:.0f}".
std::string gf_floatText(float value);
// part * 100 / whole rounded half away from zero; 0 when whole < 1. Throws
// gsl::narrowing_error when the result does not fit in 32 bits.
std::int32_t gf_roundToInt(std::int64_t part, std::int64_t whole);
// The value rounded half away from zero. Throws gsl::narrowing_error when it is no number or does not fit in
// 32 bits (gsl::narrow converts before it compares, which is undefined for such a double).
std::int32_t gf_roundToInt32(double value);

// A report banner of '*' (left + right wide, made even) with the title centred.
std::string gf_bannerLine(std::int64_t left, std::int64_t right, bool leadingLineBreak, bool trailingLineBreak,
                          std::string_view title);

// "{code} " followed by the Winsock error's text, or "Unknown errror code".
std::string gf_winsockErrorText(int code);

} // namespace skf
