// Damaged text files through the charset detection and the line readers: every one is read or
// refused with false, never a crash or an exception escaping the reader.
#include "core/Files.h"
#include "support/Mutations.h"
#include "support/WorkFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace skf {
namespace {

namespace fs = std::filesystem;
using test::WorkFolder;

std::string utf16le(const std::u16string& text, bool bom) {
    std::string out = bom ? std::string("\xFF\xFE", 2) : std::string();
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

std::string utf16be(const std::u16string& text) {
    std::string out("\xFE\xFF", 2);
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c >> 8));
        out.push_back(static_cast<char>(c & 0xFF));
    }
    return out;
}

void readEveryWay(const fs::path& file) {
    const Charset charset = gf_detectCharset(file);
    std::vector<std::string> lines;
    EXPECT_NO_THROW(gf_readTextFileLines(charset, file, lines));
    for (Charset c : {Charset::ANSI, Charset::UTF8_without_BOM, Charset::UTF8_with_BOM, Charset::Unicode,
                      Charset::Unicode_big_endian}) {
        std::vector<std::string> again;
        EXPECT_NO_THROW(gf_readTextFileLines(c, file, again));
    }
    std::vector<std::string> plain;
    EXPECT_NO_THROW(gf_readFileLines(file, plain, 4));
    LineFile lf{file, {}};
    EXPECT_NO_THROW(gf_readFileLines(lf, 4));
}

TEST(FilesRobustness, DamagedTextFilesOfEveryEncodingAreReadOrRefused) {
    WorkFolder wf;
    const std::u16string text =
        u"Version 1\r\nInstalledPackagesPath \"D:\\Pakete \u00e4\u00f6\u00fc \U0001F600\"\r\nEnd\r\n";
    const std::vector<std::string> samples{utf16le(text, true), utf16le(text, false), utf16be(text),
                                           "\xEF\xBB\xBFline one \xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80\nline two\r\n",
                                           "caf\xE9 ANSI\nline\n"};
    unsigned seed = 1;
    for (const std::string& sample : samples) {
        for (const std::string& damaged : test::mutationsOf(sample, seed++, 60, "\xF0\x9F")) {
            WorkFolder::writeFile("f.txt", damaged);
            readEveryWay("f.txt");
        }
    }
}

TEST(FilesRobustness, EmptyMissingAndFolderPathsAreRefusedOrEmpty) {
    WorkFolder wf;
    WorkFolder::writeFile("empty.txt", "");
    std::vector<std::string> lines{"old"};
    EXPECT_TRUE(gf_readTextFileLines(gf_detectCharset("empty.txt"), "empty.txt", lines));
    EXPECT_TRUE(lines.empty());

    EXPECT_EQ(gf_detectCharset("missing.txt"), Charset::none_found);
    EXPECT_FALSE(gf_readTextFileLines(Charset::ANSI, "missing.txt", lines));

    fs::create_directories("folder.txt");
    readEveryWay("folder.txt");
    EXPECT_FALSE(gf_readTextFileLines(Charset::UTF8_without_BOM, "folder.txt", lines));
    EXPECT_FALSE(gf_readFileLines("folder.txt", lines, 0));

    pugi::xml_document doc;
    EXPECT_FALSE(gf_loadXml(doc, "folder.txt"));
    EXPECT_FALSE(gf_loadXml(doc, "missing.txt"));
}

} // namespace
} // namespace skf
