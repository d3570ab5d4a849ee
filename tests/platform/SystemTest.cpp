#include "platform/system/Encoding.h"
#include "platform/system/KnownFolders.h"
#include "platform/system/Shell.h"
#include "platform/system/SystemError.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

namespace skf {
namespace {

TEST(CodePage, Windows1252) {
    EXPECT_EQ(gf_ansiCodePage(), 1252u);
    EXPECT_EQ(gf_ansiCharToUtf16(0x80), u'\u20ac');
    EXPECT_EQ(gf_ansiCharToUtf16(0x8A), u'\u0160');
    EXPECT_EQ(gf_ansiCharToUtf16(0x99), u'\u2122');
    EXPECT_EQ(gf_ansiCharToUtf16(0x9D), u'\u009d');
    EXPECT_EQ(gf_ansiCharToUtf16(0xE9), u'\u00e9');
    EXPECT_EQ(gf_ansiCharToUtf16(0x41), u'A');
    EXPECT_EQ(gf_ansiToUtf16("a\x80"), u"a\u20ac");
}

TEST(Utf8, ValidAndInvalidSequencesAtTheBoundaries) {
    const struct {
        const char* text;
        bool valid;
    } cases[] = {
        {"", true},
        {"\x7F", true},
        {"\xC2\x80", true},         // lowest two-byte character
        {"\xC1\xBF", false},        // overlong
        {"\xE0\xA0\x80", true},     // lowest three-byte character: first byte E0
        {"\xE0\x9F\xBF", false},    // overlong with E0
        {"\xE2\x82\xAC", true},     // euro sign
        {"\xE2\x82", false},        // cut
        {"\xED\x9F\xBF", true},     // last before the surrogates
        {"\xED\xA0\x80", false},    // a surrogate
        {"\xEF\xBF\xBF", true},     // last three-byte character
        {"\xF0\x90\x80\x80", true}, // lowest four-byte character
        {"\xF0\x8F\xBF\xBF", false},
        {"\xF4\x8F\xBF\xBF", true}, // last character
        {"\xF4\x90\x80\x80", false},
        {"\x80", false},
        {"\xFF", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(gf_isValidUtf8(c.text), c.valid) << testing::PrintToString(std::string(c.text));
}

TEST(KnownFolders, XdgOrHome) {
    {
        const test::ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
        const test::ScopedEnv data("XDG_DATA_HOME", "/data");
        EXPECT_EQ(gf_knownFolderPath(KnownFolder::RoamingAppData), std::filesystem::path("/cfg"));
        EXPECT_EQ(gf_knownFolderPath(KnownFolder::LocalAppData), std::filesystem::path("/data"));
    }
    const test::ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    const test::ScopedEnv data("XDG_DATA_HOME", "");
    const test::ScopedEnv home("HOME", "/h");
    EXPECT_EQ(gf_knownFolderPath(KnownFolder::RoamingAppData), std::filesystem::path("/h/.config"));
    EXPECT_EQ(gf_knownFolderPath(KnownFolder::LocalAppData), std::filesystem::path("/h/.local/share"));
}

TEST(SystemError, Texts) {
    EXPECT_EQ(gf_systemErrorText(ENOENT), "No such file or directory");
    errno = EACCES;
    EXPECT_EQ(gf_lastSystemErrorText(), "Permission denied");
}

TEST(Shell, OpenerStartedOrNot) {
    {
        const test::ScopedEnv opener("SKYFILL_OPEN_COMMAND", "true");
        EXPECT_TRUE(gf_shellOpen("/tmp"));
    }
    const test::ScopedEnv opener("SKYFILL_OPEN_COMMAND", "/no/such/opener");
    EXPECT_FALSE(gf_shellOpen("/tmp"));
}

} // namespace
} // namespace skf
