#include "platform/net/Socket.h"
#include "platform/system/Encoding.h"
#include "platform/system/KnownFolders.h"
#include "platform/system/Shell.h"
#include "platform/system/SystemError.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

namespace skf {
namespace {

TEST(CodePage, Windows1252) {
    EXPECT_EQ(gf_ansiCodePage(), 1252u);
    EXPECT_EQ(gf_ansiCharToUtf16(0x41), u'A');
    EXPECT_EQ(gf_ansiToUtf16("a\x80\xE9"), u"a\u20ac\u00e9");
}

// The whole upper half of code page 1252 against the C library's converter; the five bytes it leaves
// undefined stand for the same code point.
TEST(CodePage, Windows1252AgreesWithIconv) {
    const iconv_t cd = ::iconv_open("UTF-16LE", "CP1252");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        char in = static_cast<char>(byte);
        char out[4] = {};
        char* inPtr = &in;
        char* outPtr = out;
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        const bool defined = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
        const auto expected =
            defined
                ? static_cast<char16_t>(static_cast<unsigned char>(out[0]) | static_cast<unsigned char>(out[1]) << 8)
                : static_cast<char16_t>(byte);
        EXPECT_EQ(gf_ansiCharToUtf16(static_cast<unsigned char>(byte)), expected) << byte;
    }
    ::iconv_close(cd);
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

// Descriptor 0 is a socket like any other: open, shut down for the peer, and given back by close.
TEST(Socket, DescriptorZeroIsAnOpenSocket) {
    const int savedInput = ::dup(0); // the standard input put aside, so that the next socket gets descriptor 0
    ::close(0);
    {
        Socket client;
        ASSERT_EQ(client.open(SocketKind::Tcp), 0);
        ASSERT_NE(::fcntl(0, F_GETFD), -1);
        EXPECT_TRUE(client.valid());
        Socket listener;
        ASSERT_EQ(listener.open(SocketKind::Tcp), 0);
        ASSERT_EQ(listener.bind(0, true), 0);
        ASSERT_EQ(listener.listen(), 0);
        ASSERT_EQ(client.connectLoopback(listener.localPort()), 0);
        Socket server;
        ASSERT_EQ(listener.accept(server), 0);
        client.shutdownBoth();
        EXPECT_EQ(server.waitReadable(5000), 1);
        EXPECT_TRUE(server.peerClosed());
        client.close();
        EXPECT_FALSE(client.valid());
        EXPECT_EQ(::fcntl(0, F_GETFD), -1);
    }
    if (savedInput >= 0) {
        ::dup2(savedInput, 0);
        ::close(savedInput);
    }
}

TEST(Shell, OpenerStartedOrNot) {
    {
        const test::ScopedEnv opener("SKYFILL_OPEN_COMMAND", "true");
        EXPECT_TRUE(gf_shellOpen("/tmp"));
    }
    const test::ScopedEnv opener("SKYFILL_OPEN_COMMAND", "/no/such/opener");
    EXPECT_FALSE(gf_shellOpen("/tmp"));
}

// The caller goes on after the opener was started: only the forked helpers end early (a process that ended
// with 0 in the middle of its work would look like success to everyone).
TEST(Shell, TheCallerGoesOnAfterTheOpenerStarted) {
    const test::ScopedEnv opener("SKYFILL_OPEN_COMMAND", "true");
    EXPECT_EXIT(std::exit(gf_shellOpen("/tmp") ? 42 : 43), ::testing::ExitedWithCode(42), "");
}

} // namespace
} // namespace skf
