#include "core/Files.h"
#include "core/Log.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <utility>
#include <vector>

namespace skf {
namespace {

using test::readBytes;
using test::ScopedEnv;
using test::TempFolder;
using test::writeBytes;

class Charsets : public ::testing::Test {
protected:
    Charset detect(std::string_view bytes) {
        const auto p = dir / ("f" + std::to_string(n++) + ".txt");
        writeBytes(p, bytes);
        return gf_detectCharset(p);
    }
    TempFolder dir;
    int n = 0;
};

TEST_F(Charsets, MarksZeroBytesAndUtf8) {
    EXPECT_EQ(detect("\xEF\xBB\xBF"), Charset::UTF8_with_BOM);
    EXPECT_EQ(detect("\xFF\xFE"), Charset::Unicode);
    EXPECT_EQ(detect("\xFE\xFF"), Charset::Unicode_big_endian);
    EXPECT_EQ(detect(std::string("A\0B\0", 4)), Charset::Unicode);
    EXPECT_EQ(detect(std::string("\0A\0B", 4)), Charset::Unicode_big_endian);
    EXPECT_EQ(detect(std::string("A\0BC", 4)), Charset::UTF8_without_BOM);
    EXPECT_EQ(detect(std::string("A\0B", 3)), Charset::Unicode);
    EXPECT_EQ(detect(""), Charset::UTF8_without_BOM);
    EXPECT_EQ(detect("plain ascii\r\nlines\n"), Charset::UTF8_without_BOM);
    EXPECT_EQ(detect("caf\xE9 au lait"), Charset::ANSI);
    EXPECT_EQ(detect("caf\xC3\xA9"), Charset::UTF8_without_BOM);
    EXPECT_EQ(detect("ab\xED\xA0\x80"), Charset::UTF8_without_BOM);
    EXPECT_EQ(detect("ab\xC0\xAF"), Charset::ANSI);
    EXPECT_EQ(detect("ab\xE0\x80\xAF"), Charset::ANSI);
    EXPECT_EQ(detect("ab\xF4\x90\x80\x80"), Charset::ANSI);
    EXPECT_EQ(detect("ab\xF0\x9F\x98\x80"), Charset::UTF8_without_BOM);
    EXPECT_EQ(detect("ab\xE0\xA0\x80"), Charset::UTF8_without_BOM);     // lowest character with first byte E0
    EXPECT_EQ(detect("ab\xF4\x8F\xBF\xBF"), Charset::UTF8_without_BOM); // the highest character, U+10FFFF
    EXPECT_EQ(detect("ab\xF0\x90\x80\x80"), Charset::UTF8_without_BOM); // the lowest four-byte one, U+10000
    EXPECT_EQ(detect("ab\xF5\x80\x80\x80"), Charset::ANSI);             // no character starts with F5
    EXPECT_EQ(detect("ab\x80\x80\x80\x80"), Charset::ANSI);             // no character starts with a continuation
    EXPECT_EQ(detect("ab\xC3"), Charset::ANSI);                         // cut by the real end of the file
    EXPECT_EQ(gf_detectCharset(dir / "missing.txt"), Charset::none_found);
    EXPECT_EQ(gf_detectCharset(dir.path()), Charset::none_found);
    EXPECT_EQ(gf_charsetName(Charset::Unicode_big_endian), "Unicode_big_endian");
    EXPECT_EQ(gf_charsetName(Charset::none_found), "none_found");
}

TEST_F(Charsets, SequenceAcrossTheDetectionWindowIsJudgedInFull) {
    for (std::size_t first : {4094u, 4095u}) { // 3- and 2-byte characters straddling byte 4096
        const std::string ch = first == 4095 ? "\xC3\xA9" : "\xE2\x82\xAC";
        std::string text(first, 'a');
        text += ch + "more text after the window";
        EXPECT_EQ(detect(text), Charset::UTF8_without_BOM) << first;
        std::vector<std::string> lines;
        const auto p = dir / ("f" + std::to_string(n - 1) + ".txt");
        ASSERT_TRUE(gf_readTextFileLines(Charset::UTF8_without_BOM, p, lines));
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], text);
    }
    // A bad continuation past the window is still caught.
    std::string bad(4095, 'a');
    bad += "\xC3"
           "A";
    EXPECT_EQ(detect(bad), Charset::ANSI);
    // Invalid bytes after the window are not looked at.
    std::string late(5000, 'a');
    late += "\xE9";
    EXPECT_EQ(detect(late), Charset::UTF8_without_BOM);
    // A file that ends inside the sequence right at the window.
    std::string cut(4095, 'a');
    cut += "\xC3";
    EXPECT_EQ(detect(cut), Charset::ANSI);
}

TEST_F(Charsets, EveryEncodingReadsToTheSameUtf8Lines) {
    const std::vector<std::string> expected = {"Z\xC3\xBCrich", "", "\xE2\x82\xAC 5"};
    const std::string utf8 = "Z\xC3\xBCrich\r\n\r\n\xE2\x82\xAC 5";
    auto utf16 = [](const std::u16string& s, bool be) {
        std::string out;
        for (char16_t c : s) {
            const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
            out += be ? std::string{hi, lo} : std::string{lo, hi};
        }
        return out;
    };
    const std::u16string wide = utf8_to_wide(utf8);
    struct Case {
        std::string bytes;
        Charset charset;
    };
    const std::vector<Case> cases = {
        {utf8, Charset::UTF8_without_BOM},
        {utf8 + "\n", Charset::UTF8_without_BOM},
        {"\xEF\xBB\xBF" + utf8, Charset::UTF8_with_BOM},
        {"\xEF\xBB\xBF\xEF\xBB\xBF" + utf8, Charset::UTF8_with_BOM},
        {"Z\xFCrich\r\n\r\n\x80 5", Charset::ANSI},
        {"\xFF\xFE" + utf16(wide, false), Charset::Unicode},
        {"\xFE\xFF" + utf16(wide, true), Charset::Unicode_big_endian},
        // Without a byte-order mark: the detected order, an odd last byte ignored.
        {utf16(wide, false), Charset::Unicode},
        {utf16(wide, true), Charset::Unicode_big_endian},
        {utf16(wide, false) + "x", Charset::Unicode},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(detect(c.bytes), c.charset) << gf_charsetName(c.charset);
        std::vector<std::string> lines{"stale"};
        const auto p = dir / ("f" + std::to_string(n - 1) + ".txt");
        EXPECT_TRUE(gf_readTextFileLines(c.charset, p, lines)) << gf_charsetName(c.charset);
        EXPECT_EQ(lines, expected) << gf_charsetName(c.charset);
    }
}

// The byte-order mark decides the order of the bytes, whatever order the caller expected.
TEST_F(Charsets, TheByteOrderMarkWinsOverTheExpectedOrder) {
    const auto p = dir / "marked.txt";
    for (const auto& [bytes, expected] : std::vector<std::pair<std::string, Charset>>{{std::string("\xFF\xFE"
                                                                                                   "A\0B\0",
                                                                                                   6),
                                                                                       Charset::Unicode_big_endian},
                                                                                      {std::string("\xFE\xFF"
                                                                                                   "\0A\0B",
                                                                                                   6),
                                                                                       Charset::Unicode}}) {
        writeBytes(p, bytes);
        std::vector<std::string> lines;
        EXPECT_TRUE(gf_readTextFileLines(expected, p, lines));
        EXPECT_EQ(lines, std::vector<std::string>{"AB"}) << gf_charsetName(expected);
    }
}

TEST_F(Charsets, ReadFailuresGoToTheStatusLineAndLog) {
    gf_openLogIn(dir.path());
    gf_clearError();
    std::vector<std::string> lines;
    EXPECT_FALSE(gf_readTextFileLines(Charset::UTF8_without_BOM, dir / "missing.txt", lines));
    EXPECT_EQ(gf_statusSnapshot().statusText, ""); // a file that is not there: no message

    const auto p = dir / "x.txt";
    writeBytes(p, "abc");
    EXPECT_FALSE(gf_readTextFileLines(Charset::none_found, p, lines));
    const std::string expected =
        "Read failed for '" + p.string() + "': file " + p.string() + " has unknown charset: none_found";
    EXPECT_EQ(gf_statusSnapshot().statusText, expected);

    writeBytes(p, std::string("\xFF\xFE\x00\xD8", 4)); // a lone surrogate
    EXPECT_FALSE(gf_readTextFileLines(Charset::Unicode, p, lines));
    EXPECT_EQ(gf_statusSnapshot().statusText, "Read failed for '" + p.string() + "': wide_to_utf8: invalid UTF-16");
    gf_closeLog();
}

TEST(LineFiles, LinesAndOpenFailure) {
    TempFolder dir;
    writeBytes(dir / "a.txt", "\xEF\xBB\xBF"
                              "a\r\n\r\nb");
    LineFile file{dir / "a.txt", {"old"}};
    auto view = gf_readFileLines(file, 100);
    ASSERT_TRUE(view);
    EXPECT_EQ(std::vector<std::string>(view.lines.begin(), view.lines.end()), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_GE(file.lines.capacity(), 100u);

    LineFile missing{dir / "none.txt", {"old"}};
    view = gf_readFileLines(missing, 0);
    EXPECT_FALSE(view);
    EXPECT_EQ(view.error, "open_failed");
    EXPECT_TRUE(missing.lines.empty());

    std::vector<std::string> lines;
    writeBytes(dir / "e.txt", "");
    EXPECT_TRUE(gf_readFileLines(dir / "e.txt", lines, 4));
    EXPECT_TRUE(lines.empty());
    EXPECT_FALSE(gf_readFileLines(dir / "none.txt", lines, 4));
}

TEST(ReplaceFiles, WritersReplaceWholeOrNotAtAll) {
    TempFolder dir;
    const auto p = dir / "out.txt";
    EXPECT_TRUE(gf_writeTextFile("one", p, true));
    EXPECT_EQ(readBytes(p), "one\n");
    EXPECT_TRUE(gf_writeLines(std::vector<std::string>{"a", "b"}, p));
    EXPECT_EQ(readBytes(p), "a\nb\n");
    EXPECT_TRUE(gf_writeLines(std::list<std::string>{"c"}, p));
    EXPECT_EQ(readBytes(p), "c\n");

    // A stream that fails while writing: false, the old file stays, no temporary left.
    EXPECT_FALSE(gf_replaceFile(p, [](std::ostream& out) {
        out << "partial";
        out.setstate(std::ios::badbit);
    }));
    EXPECT_EQ(readBytes(p), "c\n");
    // An exception from the writer leaves the old file too.
    EXPECT_THROW(gf_replaceFile(p,
                                [](std::ostream& out) {
                                    out << "partial";
                                    throw std::runtime_error("boom");
                                }),
                 std::runtime_error);
    EXPECT_EQ(readBytes(p), "c\n");
    EXPECT_EQ(gf_countDirectoryEntries(dir.path()), 1u);

    EXPECT_FALSE(gf_writeTextFile("x", dir / "no" / "such.txt", false));
}

TEST(ReplaceFiles, LibraryWritersGoThroughATemporaryFile) {
    TempFolder dir;
    const auto p = dir / "lib.bin";
    {
        ReplaceFile f(p);
        writeBytes(f.tempPath(), "new");
        EXPECT_FALSE(std::filesystem::exists(p));
        EXPECT_TRUE(f.commit());
    }
    EXPECT_EQ(readBytes(p), "new");
    {
        ReplaceFile f(p);
        writeBytes(f.tempPath(), "abandoned");
    }
    EXPECT_EQ(readBytes(p), "new");
    EXPECT_EQ(gf_countDirectoryEntries(dir.path()), 1u);
    {
        ReplaceFile f(dir / "gone" / "x.bin"); // the folder does not exist
        EXPECT_FALSE(f.commit());
    }
}

TEST(Xml, SaveAddsTheDeclarationAndIndents) {
    TempFolder dir;
    pugi::xml_document doc;
    doc.append_child("root").append_child("a").append_attribute("v") = "1";
    EXPECT_TRUE(gf_saveXml(doc, dir / "d.xml"));
    EXPECT_EQ(readBytes(dir / "d.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <a v=\"1\" />\n</root>\n");

    pugi::xml_document doc2;
    auto decl = doc2.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "0.9";
    decl.append_attribute("standalone") = "yes";
    doc2.append_child("r");
    EXPECT_TRUE(gf_saveXml(doc2, dir / "e.xml"));
    EXPECT_EQ(readBytes(dir / "e.xml"), "<?xml version=\"1.0\" standalone=\"yes\" encoding=\"UTF-8\"?>\n<r />\n");
    EXPECT_FALSE(gf_saveXml(doc2, dir / "none" / "e.xml"));

    EXPECT_EQ(gf_attributeString(doc.child("root").child("a"), "v"), "1");
    EXPECT_EQ(gf_attributeString(doc.child("root").child("a"), "w"), "");
}

TEST(Xml, LoadTakesOnlyARegularFile) {
    TempFolder dir;
    { std::ofstream(dir / "ok.xml") << "<root><a/></root>"; }
    pugi::xml_document doc;
    EXPECT_TRUE(gf_loadXml(doc, dir / "ok.xml"));
    EXPECT_TRUE(doc.child("root").child("a"));

    // A folder standing where the file should be is refused, and leaves no document behind.
    std::filesystem::create_directories(dir / "folder.xml");
    const pugi::xml_parse_result folder = gf_loadXml(doc, dir / "folder.xml");
    EXPECT_FALSE(folder);
    EXPECT_EQ(folder.status, pugi::status_file_not_found);
    EXPECT_FALSE(doc.child("root"));
    EXPECT_FALSE(gf_loadXml(doc, dir / "missing.xml"));
}

TEST(Folders, RemoveAndCount) {
    TempFolder dir;
    gf_openLogIn(dir.path());
    const auto f = dir / "f";
    std::filesystem::create_directories(f / "sub");
    for (auto name : {"a.xml", "b.XmL", "c.txt", "d"})
        writeBytes(f / name, "x");
    writeBytes(f / "sub" / "e.xml", "x");
    EXPECT_EQ(gf_countDirectoryEntries(f), 5u);
    gf_removeXMLFilesFromDirectory(f);
    EXPECT_EQ(gf_countDirectoryEntries(f), 3u);
    EXPECT_TRUE(std::filesystem::exists(f / "c.txt"));
    gf_removeFilesFromDirectory(f);
    EXPECT_EQ(gf_countDirectoryEntries(f), 1u);
    EXPECT_TRUE(std::filesystem::exists(f / "sub" / "e.xml"));

    gf_removeFilesFromDirectory(dir / "missing");
    EXPECT_EQ(gf_countDirectoryEntries(dir / "missing"), 0u);
    EXPECT_THROW(gf_countDirectoryEntries(f / "sub" / "e.xml"), std::filesystem::filesystem_error);
    gf_closeLog();
    EXPECT_EQ(readBytes(dir / "Log.txt").find("==>"), std::string::npos);
}

TEST(Folders, AppDataFromXdgAndOpenFolder) {
    TempFolder dir;
    gf_openLogIn(dir.path());
    {
        const ScopedEnv config("XDG_CONFIG_HOME", "/x/config");
        const ScopedEnv data("XDG_DATA_HOME", "/x/data");
        EXPECT_EQ(gf_roamingAppDataPath(), "/x/config");
        EXPECT_EQ(gf_localAppDataPath(), "/x/data");
    }
    {
        const ScopedEnv config("XDG_CONFIG_HOME", "relative");
        const ScopedEnv data("XDG_DATA_HOME", nullptr);
        const ScopedEnv home("HOME", "/home/someone");
        EXPECT_EQ(gf_roamingAppDataPath(), "/home/someone/.config");
        EXPECT_EQ(gf_localAppDataPath(), "/home/someone/.local/share");
    }

    EXPECT_FALSE(gf_openContainingFolder(dir / "missing.txt"));
    writeBytes(dir / "doc.txt", "x");
    {
        const ScopedEnv opener("SKYFILL_OPEN_COMMAND", "true");
        EXPECT_TRUE(gf_openContainingFolder(dir / "doc.txt"));
    }
    const ScopedEnv opener("SKYFILL_OPEN_COMMAND", "/nonexistent/opener");
    EXPECT_FALSE(gf_openContainingFolder(dir / "doc.txt"));
    gf_closeLog();
}

} // namespace
} // namespace skf
