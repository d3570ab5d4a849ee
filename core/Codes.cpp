#include "core/Codes.h"

#include "core/Log.h"
#include "core/Text.h"

#include <charconv>
#include <fmt/format.h>
#include <nlohmann/json.hpp>

namespace skf {

void gf_fixedCodeError() {
    throw std::invalid_argument("FixedCode: invalid string (length/charset)");
}

namespace {

// The full match of "(\d+)\.(\d+)\.(\d+)": three non-empty runs of the digits 0-9 joined by single
// dots and nothing else. Written out by hand: the library's regular expressions recurse once per
// character and overflow the stack on a long text, and version texts come from the download server.
bool lf_matchDottedVersion(std::string_view text, std::array<std::string_view, 3>& groups) {
    std::size_t start = 0;
    for (std::size_t g = 0; g < 3; ++g) {
        std::size_t end = start;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        if (end == start)
            return false;
        groups[g] = text.substr(start, end - start);
        if (g < 2) {
            if (end >= text.size() || text[end] != '.')
                return false;
            start = end + 1;
        } else if (end != text.size()) {
            return false;
        }
    }
    return true;
}

std::int32_t lf_versionNumber(std::string_view digits) {
    std::int32_t v = 0;
    const auto* first = digits.data();
    const auto* last = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(first, last, v, 10);
    if (ec != std::errc() || ptr != last)
        throw std::runtime_error("parse error in version string");
    return v;
}

std::int32_t lf_jsonMember(const nlohmann::json& obj, const char* name) {
    const auto it = obj.find(name);
    if (it == obj.end())
        return 0;
    // A number that does not fit the field is refused like a bad dotted number (the whole version is
    // then unknown), never cut or replaced by 0 in one field only.
    if (it->is_number_unsigned()) {
        const auto u = it->get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(INT32_MAX))
            throw std::runtime_error("parse error in version string");
        return static_cast<std::int32_t>(u);
    }
    if (it->is_number_integer()) {
        const auto s = it->get<std::int64_t>();
        if (s < INT32_MIN || s > INT32_MAX)
            throw std::runtime_error("parse error in version string");
        return static_cast<std::int32_t>(s);
    }
    return 0;
}

} // namespace

VersionData gf_parseVersion(std::string_view text) {
    VersionData v;
    if (text.empty())
        return v;
    try {
        std::array<std::string_view, 3> groups;
        if (lf_matchDottedVersion(text, groups)) {
            v.major = lf_versionNumber(groups[0]);
            v.minor = lf_versionNumber(groups[1]);
            v.patch = lf_versionNumber(groups[2]);
            return v;
        }
        const std::string_view t = gf_trimWhiteSpace(text);
        if (!t.empty() && t.front() == '{') {
            const auto j = nlohmann::json::parse(t.begin(), t.end());
            if (j.is_object()) {
                v.major = lf_jsonMember(j, "major");
                v.minor = lf_jsonMember(j, "minor");
                v.patch = lf_jsonMember(j, "patch");
                return v;
            }
        }
        throw std::runtime_error("invalid version format");
    } catch (const std::exception& e) {
        gf_log(fmt::format("{} exception: {}", "VersionData", e.what()));
        return VersionData{};
    }
}

std::string gf_versionText(const VersionData& version) {
    return fmt::format("{}.{}.{}", version.major, version.minor, version.patch);
}

UserErrorException::UserErrorException(int code, std::string_view message)
    : std::runtime_error(code == 99 ? std::string(message) : fmt::format("{}: {}", code, message)), m_code(code) {}

} // namespace skf
