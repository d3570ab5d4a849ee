#include "core/ProgramState.h"
#include "core/Text.h"
#include "core/TextInternal.h"

#include <fmt/format.h>
#include <gsl/gsl>
#include <gtest/gtest.h>

#include <utility>

namespace skf {
namespace {

TEST(Encodings, StrictUtf8AndUtf16) {
    const std::string s = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"; // a, e-acute, euro, emoji
    const auto w = utf8_to_wide(s);
    EXPECT_EQ(w, (std::u16string{u'a', u'\u00e9', u'\u20ac', 0xD83D, 0xDE00}));
    EXPECT_EQ(wide_to_utf8(w), s);
    EXPECT_EQ(utf8_to_wide(""), u"");
    EXPECT_EQ(wide_to_utf8(u""), "");
    EXPECT_EQ(wide_to_utf8(std::u16string(u"a\0b", 3)), std::string("a\0b", 3));

    for (std::string_view bad :
         {"\x80", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC3", "\xE2\x82", "\xFF"}) {
        try {
            utf8_to_wide(bad);
            ADD_FAILURE() << "accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "utf8_to_wide: invalid UTF-8");
        }
    }
    for (std::u16string bad : {std::u16string{0xD800}, std::u16string{0xDC00, u'a'}, std::u16string{0xD800, u'a'}}) {
        try {
            wide_to_utf8(bad);
            ADD_FAILURE() << "accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "wide_to_utf8: invalid UTF-16");
        }
    }
}

TEST(Encodings, AnsiCodePageMapsEveryByte) {
    EXPECT_EQ(lf_toUtf8("caf\xE9 \x80 \x9F"), "caf\xC3\xA9 \xE2\x82\xAC \xC5\xB8");
    EXPECT_EQ(lf_toUtf8(""), "");
    std::string all;
    for (int b = 1; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const auto u = lf_toUtf8(all);
    EXPECT_EQ(utf8_to_wide(u).size(), 255u); // one character per byte, nothing lost
    EXPECT_EQ(gf_ansiCharToUtf16(0x81), u'\u0081');
}

TEST(Trim, OnlyBlankTabLfCr) {
    EXPECT_EQ(gf_trim(" \t\r\n "), "");
    EXPECT_EQ(gf_trim("\vab c\f"), "\vab c\f");
    EXPECT_EQ(gf_trim("\t a b \r\n"), "a b");
}

TEST(Split, TrimsAndDropsEmptyPieces) {
    EXPECT_EQ(gf_split(" ,a,,b ", ','), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(gf_split("", ',').empty());
    EXPECT_EQ(gf_split(" abc ", ','), (std::vector<std::string>{"abc"}));
    EXPECT_TRUE(gf_split("   ", ';').empty());
    EXPECT_EQ(gf_splitOn("x;y", ';'), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(gf_splitWords("p, q"), (std::vector<std::string>{"p", "q"}));
    EXPECT_EQ(gf_splitLinesTrimmed("b, a ,b,"), (std::list<std::string>{"", "a", "b"}));
    EXPECT_TRUE(gf_splitLinesTrimmed("").empty());
}

TEST(Split, NormaliseCommaList) {
    std::string t = "a,,b";
    gf_normaliseCommaList(t);
    EXPECT_EQ(t, "a,,b"); // no trim character: untouched
    t = " , ,";
    gf_normaliseCommaList(t);
    EXPECT_EQ(t, "");
    t = "a , ,b";
    gf_normaliseCommaList(t);
    EXPECT_EQ(t, "a,b");
}

TEST(Compare, SmallTests) {
    EXPECT_TRUE(gf_contains("abc", "bc"));
    EXPECT_TRUE(gf_contains("abc", ""));
    EXPECT_FALSE(gf_contains("abc", "cd"));
    EXPECT_TRUE(gf_equalsWithStar("AIG", "AIG*"));
    EXPECT_FALSE(gf_equalsWithStar("AIG", "AIG"));
    EXPECT_FALSE(gf_equalsWithStar("AIG", "aig*"));
    EXPECT_TRUE(gf_hasExtensionNoCase(".XML", ".xMl"));
    EXPECT_FALSE(gf_hasExtensionNoCase(".XML", ".xmlx"));
    // ASCII letters only: other bytes (here UTF-8 of a capital and a small a-umlaut) compare as they are.
    EXPECT_TRUE(gf_equalsNoCase("Community", "cOMMUNITY"));
    EXPECT_FALSE(gf_equalsNoCase("\xC3\x84", "\xC3\xA4"));
    EXPECT_FALSE(gf_equalsNoCase("Communit", "community"));
    EXPECT_TRUE(gf_startsWithNoCase("IVAO_KLM", "ivao_"));
    EXPECT_FALSE(gf_startsWithNoCase("IVA", "ivao_"));
    EXPECT_TRUE(gf_containsNoCase("C:/Packages/FS-BASE/x", "fs-base"));
    EXPECT_TRUE(gf_containsNoCase("", ""));
    EXPECT_FALSE(gf_containsNoCase("fs-bas", "fs-base"));
}

TEST(Numbers, PluralFloatPercent) {
    EXPECT_EQ(gf_plural(std::int64_t{0}), "s");
    EXPECT_EQ(gf_plural(1), "");
    EXPECT_EQ(gf_plural(2), "s");
    EXPECT_EQ(gf_plural(-1), "");
    EXPECT_EQ(gf_plural(std::int64_t{-1}), "");
    EXPECT_EQ(gf_plural(std::uint64_t{1}), "");
    EXPECT_EQ(gf_plural(std::uint64_t{0}), "s");

    EXPECT_EQ(gf_floatText(3.0f), "3");
    EXPECT_EQ(gf_floatText(3.5f), "3.5");

    EXPECT_EQ(gf_roundToInt(1, 3), 33);
    EXPECT_EQ(gf_roundToInt(1, 0), 0);
    EXPECT_EQ(gf_roundToInt(1, 8), 13);
    EXPECT_EQ(gf_roundToInt(-1, 8), -13);
    EXPECT_THROW(gf_roundToInt(INT64_MAX / 4, 1), gsl::narrowing_error);
    EXPECT_THROW(gf_roundToInt(INT64_MAX, 1), gsl::narrowing_error);
    EXPECT_THROW(gf_roundToInt(INT64_MIN, 1), gsl::narrowing_error);
    EXPECT_EQ(gf_roundToInt(INT32_MAX, 100), INT32_MAX);
    EXPECT_EQ(gf_roundToInt(INT32_MIN, 100), INT32_MIN);
}

TEST(Numbers, ObjectIdFollowsTheSimulator) {
    g_simIs2020 = true;
    EXPECT_EQ(gf_objectIdText(255), "255");
    g_simIs2020 = false;
    EXPECT_EQ(gf_objectIdText(255), "ff");
    g_simIs2020 = true;
}

TEST(Banner, StarsAndCentredTitle) {
    EXPECT_EQ(gf_bannerLine(3, 0, false, false, ""), "****");
    EXPECT_EQ(gf_bannerLine(10, 0, false, false, "TEST"), "**** TEST ****");
    EXPECT_EQ(gf_bannerLine(4, 0, false, false, "TEST"), "TEST");
    EXPECT_EQ(gf_bannerLine(2, 2, true, true, ""), "\n****\n");
}

TEST(Winsock, KnownAndUnknownCodes) {
    EXPECT_EQ(gf_winsockErrorText(10061), "10061 Connection refused");
    EXPECT_EQ(gf_winsockErrorText(11002), "11002 Unknown errror code");
    EXPECT_EQ(gf_winsockErrorText(10058), "10058 Can't send numLines socket shutdown");
}

// Every code of the table keeps its own text (the texts go into Log.txt as they stand, misspellings included).
TEST(Winsock, EveryCodeOfTheTableHasItsText) {
    const std::pair<int, const char*> table[] = {{10004, "Interrupted system call"},
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
                                                 {11004, "No host data of that type was found"}};
    for (const auto& [code, text] : table)
        EXPECT_EQ(gf_winsockErrorText(code), fmt::format("{} {}", code, text));
}

} // namespace
} // namespace skf
