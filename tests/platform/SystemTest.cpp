#include "platform/system/Encoding.h"
#include "platform/system/KnownFolders.h"
#include "platform/system/Shell.h"
#include "platform/system/SystemError.h"

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
    EXPECT_TRUE(gf_isValidUtf8("\xE2\x82\xAC"));
    EXPECT_FALSE(gf_isValidUtf8("\xE2\x82"));
}

TEST(KnownFolders, XdgOrHome) {
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    setenv("XDG_DATA_HOME", "/data", 1);
    EXPECT_EQ(gf_knownFolderPath(KnownFolder::RoamingAppData), std::filesystem::path("/cfg"));
    EXPECT_EQ(gf_knownFolderPath(KnownFolder::LocalAppData), std::filesystem::path("/data"));
    unsetenv("XDG_CONFIG_HOME");
    setenv("XDG_DATA_HOME", "", 1);
    setenv("HOME", "/h", 1);
    EXPECT_EQ(gf_knownFolderPath(KnownFolder::RoamingAppData), std::filesystem::path("/h/.config"));
    EXPECT_EQ(gf_knownFolderPath(KnownFolder::LocalAppData), std::filesystem::path("/h/.local/share"));
}

TEST(SystemError, Texts) {
    EXPECT_EQ(gf_systemErrorText(ENOENT), "No such file or directory");
    errno = EACCES;
    EXPECT_EQ(gf_lastSystemErrorText(), "Permission denied");
}

TEST(Shell, OpenerStartedOrNot) {
    setenv("SKYFILL_OPEN_COMMAND", "true", 1);
    EXPECT_TRUE(gf_shellOpen("/tmp"));
    setenv("SKYFILL_OPEN_COMMAND", "/no/such/opener", 1);
    EXPECT_FALSE(gf_shellOpen("/tmp"));
    unsetenv("SKYFILL_OPEN_COMMAND");
}

} // namespace
} // namespace skf
