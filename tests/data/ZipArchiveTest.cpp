#include "data/ZipArchive.h"
#include "support/ZipMaker.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;

class ZipArchiveTest : public ::testing::Test {
protected:
    skf::test::TempFolder temp;
    fs::path dir = temp.path();
};

TEST_F(ZipArchiveTest, ReadsEntriesInOrderAndInChunks) {
    const std::string big(1'300'000, 'x');
    skf::test::makeZip(dir / "a.zip", {{"first.exe", "MZ-one"}, {"sub/", ""}, {"sub/big.bin", big}});
    skf::ZipArchive archive;
    ASSERT_TRUE(archive.open(dir / "a.zip"));
    ASSERT_EQ(archive.entryCount(), 3);
    EXPECT_EQ(archive.entryName(0), "first.exe");
    EXPECT_EQ(archive.entryName(1), "sub/");
    std::string text;
    EXPECT_EQ(archive.readEntry(0, text), 0);
    EXPECT_EQ(text, "MZ-one");
    std::size_t chunks = 0, total = 0;
    EXPECT_EQ(archive.readEntry(2, 524288,
                                [&](std::span<const char> c) {
                                    ++chunks;
                                    total += c.size();
                                    return c.size() <= 524288;
                                }),
              0);
    EXPECT_EQ(total, big.size());
    EXPECT_EQ(chunks, 3u);
}

TEST_F(ZipArchiveTest, BadInputGivesErrorsNotCrashes) {
    skf::ZipArchive archive;
    EXPECT_FALSE(archive.open(dir / "missing.zip"));
    EXPECT_FALSE(archive.lastError().empty());
    std::ofstream(dir / "junk.zip") << "this is not a zip archive";
    EXPECT_FALSE(archive.open(dir / "junk.zip"));
    std::string text;
    EXPECT_NE(archive.readEntry(0, text), 0); // closed archive

    skf::test::makeZip(dir / "b.zip", {{"one", "1"}});
    ASSERT_TRUE(archive.open(dir / "b.zip"));
    EXPECT_NE(archive.readEntry(5, text), 0); // no such entry
    // A sink that refuses the data ends the copy with an error.
    EXPECT_EQ(archive.readEntry(0, 16, [](std::span<const char>) { return false; }), -1);
    skf::ZipArchive moved = std::move(archive);
    EXPECT_FALSE(archive.isOpen());
    EXPECT_TRUE(moved.isOpen());
}

} // namespace
