#include "core/Codes.h"
#include "core/Log.h"
#include "support/LogText.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace skf {
namespace {

TEST(FixedCode, UpperCasesAndRefusesEverythingElse) {
    EXPECT_EQ(FixedCode<4>("abc1").view(), "ABC1");
    EXPECT_EQ(FixedCode<3>("zrh").str(), "ZRH");
    for (std::string_view bad : {"AB-C", "ABC", "ABCDE", "", "AB\xC3\x89", "AB C",
                                 "\xE9"
                                 "ABC"}) {
        try {
            FixedCode<4> c(bad);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), "FixedCode: invalid string (length/charset)");
        }
    }
}

TEST(FixedCode, EmptyCodePrintsAndHashesAsBlanks) {
    const FixedCode<4> empty;
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(empty.view(), "    ");
    EXPECT_EQ(empty.hash(), gf_fnv1a64("    "));
    EXPECT_EQ(empty, FixedCode<4>());
    EXPECT_NE(empty, FixedCode<4>("EDDF"));
    // FNV-1a 64 of "a" (published test vector).
    EXPECT_EQ(gf_fnv1a64("a"), 0xaf63dc4c8601ec8cULL);
    std::unordered_set<FixedCode<4>> set{FixedCode<4>("EDDF"), FixedCode<4>("eddf"), FixedCode<4>("LSZH")};
    EXPECT_EQ(set.size(), 2u);
    EXPECT_LT(FixedCode<4>("EDDF"), FixedCode<4>("LSZH"));
}

class Version : public ::testing::Test {
protected:
    void SetUp() override { gf_openLogIn(dir.path()); }
    void TearDown() override { gf_closeLog(); }
    std::string log() { return test::logTextIn(dir.path()); }
    test::TempFolder dir;
};

TEST_F(Version, DottedTextAndJson) {
    EXPECT_EQ(gf_parseVersion("11.11.3"), (VersionData{11, 11, 3}));
    EXPECT_EQ(gf_parseVersion("011.2.3"), (VersionData{11, 2, 3}));
    EXPECT_EQ(gf_parseVersion(""), VersionData{});
    EXPECT_EQ(gf_parseVersion(R"({"major": 2, "minor": 7})"), (VersionData{2, 7, 0}));
    EXPECT_EQ(gf_parseVersion(R"(  {"major": 1.5, "minor": "x", "patch": 4} )"), (VersionData{0, 0, 4}));
    EXPECT_EQ(log().find("exception"), std::string::npos);
    EXPECT_EQ(gf_parseVersion("11.11.3"), g_programVersion);
    EXPECT_EQ(gf_versionText(g_programVersion), "11.11.3");
}

TEST_F(Version, BadTextsLogAndGiveZero) {
    for (std::string_view bad : {" 11.11.3", "11.11.3\n", "v11.11.3", "11.11", "1.2.3.4", "[1,2,3]"}) {
        EXPECT_EQ(gf_parseVersion(bad), VersionData{}) << bad;
    }
    EXPECT_EQ(gf_parseVersion("12345678901.1.1"), VersionData{});
    EXPECT_EQ(gf_parseVersion("{\"major\": "), VersionData{});
    const auto text = log();
    std::size_t n = 0;
    for (auto p = text.find("VersionData exception: invalid version format"); p != std::string::npos;
         p = text.find("VersionData exception: invalid version format", p + 1))
        ++n;
    EXPECT_EQ(n, 6u);
    EXPECT_NE(text.find("VersionData exception: parse error in version string"), std::string::npos);
    EXPECT_NE(text.find("VersionData exception: [json.exception.parse_error"), std::string::npos);
}

// A version text comes from the download server: a huge one is an error line, never a crash.
TEST_F(Version, HugeTextsAreRefusedSafely) {
    const std::string digits(200000, '1');
    EXPECT_EQ(gf_parseVersion(digits + ".1.1"), VersionData{});
    EXPECT_EQ(gf_parseVersion("1.1." + digits), VersionData{});
    EXPECT_EQ(gf_parseVersion(digits), VersionData{});
    EXPECT_EQ(gf_parseVersion("1." + std::string(200000, '.')), VersionData{});
    EXPECT_EQ(gf_parseVersion("000000000000000000007.0.1"), (VersionData{7, 0, 1}));
    const std::string deep = R"({"major": )" + std::string(100000, '[') + std::string(100000, ']') + "}";
    EXPECT_EQ(gf_parseVersion(deep), VersionData{});
    const auto text = log();
    EXPECT_NE(text.find("VersionData exception: parse error in version string"), std::string::npos);
    EXPECT_NE(text.find("VersionData exception: invalid version format"), std::string::npos);
}

TEST(VersionOrder, ComparedAsTriple) {
    const VersionData v{11, 11, 3};
    EXPECT_GT(v, (VersionData{11, 10, 99}));
    EXPECT_LT(v, (VersionData{12, 0, 0}));
    EXPECT_LT((VersionData{-1, 5, 5}), (VersionData{0, 0, 0}));
}

TEST(UserError, TextCarriesTheCodeExcept99) {
    EXPECT_STREQ(UserErrorException(41, "wrong folder").what(), "41: wrong folder");
    EXPECT_STREQ(UserErrorException(99, "just this").what(), "just this");
    EXPECT_THROW(throw UserErrorException(1, "x"), std::runtime_error);
}

} // namespace
} // namespace skf
