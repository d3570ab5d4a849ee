// The publisher of a scenery file: words of its path, the publishers table and the package manifest.
#include "ScanFixture.h"

#include "airportscan/PublisherLookup.h"

namespace {

using namespace skf;
namespace fs = std::filesystem;

class PublisherLookupTest : public test::ScanFixture {
protected:
    fs::path package(const std::string& name, const char* manifest, const char* manifestName = "manifest.json") {
        const fs::path folder = work.path() / "Packages" / "Community" / name;
        fs::create_directories(folder / "scenery");
        if (manifest != nullptr)
            test::WorkFolder::writeFile(folder / manifestName, manifest);
        return folder / "scenery" / "ap.bgl";
    }
    static std::string joined(const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& l : lines)
            text += l + "\n";
        return text;
    }
};

TEST_F(PublisherLookupTest, PublisherFromPathTableOrManifest) {
    struct Case {
        const char* folder;
        const char* manifest;
        const char* manifestName;
        PublisherInfo want;
        const char* line; // a line the lookup writes
    } cases[] = {
        {"Microsoft-Airport-lszh",
         R"({"manufacturer":"Harbourlight"})",
         "manifest.json",
         {"simaddon", "", "", ""},
         "from filename => publisher simaddon"},
        {"northwind-scenery-egkk",
         nullptr,
         "",
         {"Northwind Scenery", "", "", ""},
         "publisher 'Northwind Scenery' found"},
        {"pkg-a",
         R"({"manufacturer":"Harbourlight","creator":"x","title":"LPPT"})",
         "manifest.json",
         {"Harbourlight", "Harbourlight", "x", ""},
         "from manifest.json: manufacturer 'Harbourlight' => publisher 'Harbourlight'"},
        {"pkg-b",
         R"({"manufacturer":null,"creator":"bluefinsim"})",
         "manifest.json",
         {"Bluefin Simworks", "", "bluefinsim", ""},
         "from manifest.json: creator 'bluefinsim' => publisher 'Bluefin Simworks'"},
        {"pkg-c",
         R"({"manufacturer":"Someone","creator":[]})",
         "manifest.json",
         {"", "Someone", "", ""},
         "no valid info found in manifest about publisher, manufacturer:'Someone', creator:''"},
        {"pkg-d", R"({"manufacturer":42})", "manifest.json", {"", "", "", ""}, "exception in gf_searchManifest: "},
        {"pkg-e", R"({"manufacturer":)", "manifest.json", {"", "", "", ""}, "exception in gf_searchManifest: "},
        {"pkg-f", R"({"manufacturer":"Harbourlight"})", "Manifest.json", {"", "", "", ""}, "===> No publisher found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        const fs::path bgl = package(c.folder, c.manifest, c.manifestName);
        const std::uint64_t readsBefore = g_manifestReads.load();
        const PublisherLookup got = lf_lookupPublisher(bgl);
        EXPECT_EQ(got.info, c.want);
        EXPECT_NE(joined(got.lines).find(c.line), std::string::npos) << joined(got.lines);
        EXPECT_EQ(got.lines.front(), "\nTry to find publisher in: " + bgl.string());
        if (std::string(c.folder).starts_with("Microsoft")) {
            EXPECT_EQ(g_manifestReads.load(), readsBefore); // no manifest read for the simulator's own
        }
    }
}

TEST_F(PublisherLookupTest, ManifestSearchWalksUpPastArraysAndFindsPackagesBelowCommunity) {
    const fs::path community = work.path() / "Packages" / "Community";
    // A manifest that is a JSON array is no manifest: the walk goes on upward.
    test::WorkFolder::writeFile(community / "pkg" / "sub" / "manifest.json", "[1,2]");
    test::WorkFolder::writeFile(community / "pkg" / "manifest.json", R"({"title":"EGKK Gatwick"})");
    std::vector<std::string> lines;
    const auto found = gf_searchManifest(community / "pkg" / "sub" / "scenery" / "x" / "a.bgl", lines);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->title, "EGKK Gatwick");
    EXPECT_EQ(lines.back(), (community / "pkg" / "manifest.json").string() + " found");
    // Without any manifest up to the root the walk ends.
    lines.clear();
    EXPECT_FALSE(gf_searchManifest(work.path() / "elsewhere" / "a.bgl", lines));
    EXPECT_TRUE(lines.empty());
}

} // namespace
