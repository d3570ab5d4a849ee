// The include rules hold on the real tree, and each rule reports a small tree that breaks it.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "layering/LayerRules.h"
#include "support/TempFolder.h"

namespace skf::layering {
namespace {

std::string lf_breachText(const std::vector<Breach>& breaches) {
    std::string text;
    for (const auto& b : breaches)
        text += b.file + ": " + b.text + "\n";
    return text;
}

TEST(Layering, SourceTreeKeepsItsRules) {
    const auto breaches = gf_checkLayering(SKYFILL_SOURCE_DIR, gf_programLayers(), gf_restrictedHeaders());
    EXPECT_TRUE(breaches.empty()) << lf_breachText(breaches);
}

// Small trees: each file's text, the file expected to be reported (empty: none) and a word of the report.
struct TreeCase {
    const char* name;
    std::map<std::string, std::string> files;
    std::string breachFile;
    std::string breachWord;
};

const std::vector<RestrictedHeader> kWindowRule{{"platform/ui/WindowMessages.h", {"app"}}};

TEST(Layering, EachRuleReportsItsBreach) {
    const std::vector<TreeCase> cases{
        {"lower includes higher", {{"core/A.h", "#include \"sim/B.h\"\n"}, {"sim/B.h", ""}}, "core/A.h", "not below"},
        {"peers include each other",
         {{"feed/A.cpp", "#include \"liveries/B.h\"\n"}, {"liveries/B.h", ""}},
         "feed/A.cpp",
         "not below"},
        {"higher includes lower", {{"traffic/A.cpp", "#include \"sim/B.h\"\n"}, {"sim/B.h", ""}}, "", ""},
        {"internal header from another folder",
         {{"traffic/A.cpp", "#include \"sim/LinkInternal.h\"\n"}, {"sim/LinkInternal.h", ""}},
         "sim/LinkInternal.h",
         "internal"},
        {"detail header from another folder",
         {{"app/A.cpp", "#include \"core/detail/B.h\"\n"}, {"core/detail/B.h", ""}},
         "core/detail/B.h",
         "internal"},
        {"internal header with lf_ from another folder: one report",
         {{"app/A.cpp", "#include \"sim/LinkInternal.h\"\n"}, {"sim/LinkInternal.h", "void lf_f();\nvoid lf_g();\n"}},
         "sim/LinkInternal.h",
         "internal"},
        {"internal header inside its folder",
         {{"sim/A.cpp", "#include \"sim/LinkInternal.h\"\n"}, {"sim/LinkInternal.h", "void lf_f();\n"}},
         "",
         ""},
        {"lf_ declared in a header of another folder",
         {{"app/A.cpp", "#include \"feed/B.h\"\n"}, {"feed/B.h", "void lf_readerThread(int port);\n"}},
         "feed/B.h",
         "lf_readerThread"},
        {"lf_ reached through a public header of its folder",
         {{"app/A.cpp", "#include \"feed/Feed.h\"\n"},
          {"feed/Feed.h", "#include \"feed/B.h\"\n"},
          {"feed/B.h", "void lf_readerThread(int port);\n"}},
         "feed/B.h",
         "feed/Feed.h"},
        {"lf_ only in comments and texts",
         {{"app/A.cpp", "#include \"feed/B.h\"\n"},
          {"feed/B.h", "// lf_readerThread() runs it\nconst char* k = \"lf_x(\";\nvoid gf_f();\n"}},
         "",
         ""},
        {"window messages from domain code",
         {{"traffic/A.cpp", "#include \"platform/ui/WindowMessages.h\"\n"}, {"platform/ui/WindowMessages.h", ""}},
         "traffic/A.cpp",
         "WindowMessages"},
        {"window messages from the application",
         {{"app/A.cpp", "#include \"platform/ui/WindowMessages.h\"\n"}, {"platform/ui/WindowMessages.h", ""}},
         "",
         ""},
    };
    for (const auto& c : cases) {
        test::TempFolder tree;
        for (const auto& [path, text] : c.files)
            test::writeFileMakingFolders(tree / path, text);
        const auto breaches = gf_checkLayering(tree.path(), gf_programLayers(), kWindowRule);
        if (c.breachFile.empty()) {
            EXPECT_TRUE(breaches.empty()) << c.name << "\n" << lf_breachText(breaches);
            continue;
        }
        ASSERT_EQ(breaches.size(), 1u) << c.name << "\n" << lf_breachText(breaches);
        EXPECT_EQ(breaches[0].file, c.breachFile) << c.name;
        EXPECT_NE((breaches[0].file + breaches[0].text).find(c.breachWord), std::string::npos)
            << c.name << "\n"
            << lf_breachText(breaches);
    }
}

} // namespace
} // namespace skf::layering
