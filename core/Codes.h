#pragma once
// Small value types shared by every part of the program: FixedCode (airport and
// route codes), VersionData (three-part versions) and UserErrorException (errors
// the user must act on).

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace skf {

// The one place that builds the exception of a refused FixedCode:
// std::invalid_argument("FixedCode: invalid string (length/charset)").
[[noreturn]] void gf_fixedCodeError();

// 64-bit FNV-1a over bytes (offset basis 14695981039346656037, prime 1099511628211).
constexpr std::uint64_t gf_fnv1a64(std::string_view bytes) noexcept {
    std::uint64_t h = 14695981039346656037ULL;
    for (char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ULL;
    }
    return h;
}

// A code of exactly N characters, each A-Z or 0-9 (lower-case ASCII letters are
// upper-cased on construction). N = 4: ICAO airport codes; N = 3: IATA airport codes
// and the origin and destination of live traffic. The empty code (all bytes zero) is
// what a default-constructed code holds and prints as N blanks.
template <std::size_t N>
class FixedCode {
public:
    constexpr FixedCode() noexcept = default;

    // Throws std::invalid_argument (gf_fixedCodeError) unless the text has exactly N
    // characters that are letters or digits.
    explicit FixedCode(std::string_view text) {
        if (text.size() != N)
            gf_fixedCodeError();
        for (std::size_t i = 0; i < N; ++i) {
            char c = text[i];
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
            if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
                gf_fixedCodeError();
            m_chars[i] = c;
        }
    }

    // The stored characters, or N blanks for the empty code.
    constexpr std::string_view view() const noexcept {
        return empty() ? std::string_view(kBlanks.data(), N) : std::string_view(m_chars.data(), N);
    }
    std::string str() const { return std::string(view()); }

    constexpr bool empty() const noexcept { return m_chars[0] == '\0'; }

    friend constexpr bool operator==(const FixedCode&, const FixedCode&) noexcept = default;

    // Bytewise order (the empty code sorts first). Parts that sort by code may rely on it.
    friend constexpr auto operator<=>(const FixedCode& a, const FixedCode& b) noexcept {
        return a.m_chars <=> b.m_chars;
    }

    // FNV-1a over the text view (an empty code hashes like N blanks).
    std::uint64_t hash() const noexcept { return gf_fnv1a64(view()); }

private:
    static constexpr std::array<char, N> blankChars() noexcept {
        std::array<char, N> a{};
        a.fill(' ');
        return a;
    }
    static constexpr std::array<char, N> kBlanks = blankChars();
    std::array<char, N> m_chars{};
};

using IcaoCode = FixedCode<4>;
using IataCode = FixedCode<3>;

// A three-part version number; 0.0.0 stands for an unknown version.
struct VersionData {
    std::int32_t major = 0;
    std::int32_t minor = 0;
    std::int32_t patch = 0;

    friend constexpr bool operator==(const VersionData&, const VersionData&) noexcept = default;
    friend constexpr auto operator<=>(const VersionData&, const VersionData&) noexcept = default;
};

// Reads "1.2.3" (the whole text, three numbers) or a JSON object with the integer
// members "major", "minor" and "patch" (missing or non-integer members give 0).
// Never throws: a bad text logs "VersionData exception: {}" and gives 0.0.0.
VersionData gf_parseVersion(std::string_view text);

// "{}.{}.{}" of major, minor and patch.
std::string gf_versionText(const VersionData& version);

// The program's own version, 11.11.3. A constant (not parsed at start-up), so that
// nothing can log while the program's globals are built.
inline constexpr VersionData g_programVersion{11, 11, 3};

// An error the user has to act on. what() is "{code}: {message}", or the message
// alone for code 99; code() gives the code.
class UserErrorException : public std::runtime_error {
public:
    UserErrorException(int code, std::string_view message);
    int code() const noexcept { return m_code; }

private:
    int m_code = 0;
};

} // namespace skf

template <std::size_t N>
struct std::hash<skf::FixedCode<N>> {
    std::size_t operator()(const skf::FixedCode<N>& code) const noexcept { return code.hash(); }
};
