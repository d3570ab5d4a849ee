#include <gtest/gtest.h>

#include "data/apf/ApfLearned.h"

namespace skf {
namespace {

std::string lf_learned(std::string_view path, std::string_view publisher = "") {
    return lf_learnedApfPath(path, publisher).generic_string();
}

TEST(ApfLearnedPathTest, ArchivePaths) {
    EXPECT_EQ(lf_learned("archive/stock/EHAM.xml"), "airports/learned/stock/EHAM.xml");
    EXPECT_EQ(lf_learned("archive/simaddon/EHRD.xml"), "airports/learned/simaddon/EHRD.xml");
    EXPECT_EQ(lf_learned("archive/thirdparty/Some%20Maker/EHAM.xml"),
              "airports/learned/thirdparty/Some Maker/EHAM.xml");
    EXPECT_EQ(lf_learned("x/archive/thirdparty/%20Maker%20/EHAM.xml"), "airports/learned/thirdparty/Maker/EHAM.xml");
    EXPECT_EQ(lf_learned("archive\\stock\\EHAM.XML"), "airports/learned/stock/EHAM.XML");
    EXPECT_EQ(lf_learned("archive/thirdparty/EHAM.xml"), "");
    EXPECT_EQ(lf_learned("archive/thirdparty/%20/EHAM.xml"), "");
    EXPECT_EQ(lf_learned("archive/stock/EHAM.txt"), "");
    EXPECT_EQ(lf_learned(""), "");
    EXPECT_EQ(lf_learned("somewhere/EHAM.xml"), "");
}

TEST(ApfLearnedPathTest, LocalPaths) {
    EXPECT_EQ(lf_learned("airports/my_thirdparty/EHAM.xml", "  Maker/Two "),
              "airports/learned/thirdparty/Maker Two/EHAM.xml");
    EXPECT_EQ(lf_learned("airports/my_thirdparty2024/EHAM.xml", "Maker"), "airports/learned/thirdparty/Maker/EHAM.xml");
    EXPECT_EQ(lf_learned("airports/my_thirdparty/EHAM.xml", ""), "");
    EXPECT_EQ(lf_learned("airports/my_thirdparty/EHAM.xml", "   "), "");
    EXPECT_EQ(lf_learned("airports/my_simaddon/EHRD.xml"), "airports/learned/my_simaddon/EHRD.xml");
    EXPECT_EQ(lf_learned("airports/stock/EHAM.xml"), "airports/learned/stock/EHAM.xml");
    EXPECT_EQ(lf_learned("airports/mine/EHAM.xml"), "airports/learned/mine/EHAM.xml");
}

TEST(ApfLearnedPathTest, NamesFromFilesStayInsideTheLearnedFolder) {
    EXPECT_EQ(lf_learned("airports/my_thirdparty/EHAM.xml", ".."), "");
    EXPECT_EQ(lf_learned("archive/thirdparty/../EHAM.xml"), "");
    EXPECT_EQ(lf_learned("airports/../../etc/EHAM.xml"), "");
    // A link file's path with a doubled separator must not leave the learned folder either.
    EXPECT_EQ(lf_learned("airports//tmp/EHAM.xml"), "airports/learned/tmp/EHAM.xml");
    EXPECT_EQ(lf_learned("airports\\\\tmp\\EHAM.xml"), "airports/learned/tmp/EHAM.xml");
}

TEST(ApfLearnedPathTest, TrimBlanks) {
    EXPECT_EQ(lf_trimBlanks("  a b  "), "a b");
    EXPECT_EQ(lf_trimBlanks("   "), "");
    EXPECT_EQ(lf_trimBlanks("\ta "), "\ta");
}

} // namespace
} // namespace skf
