#include <map>
#include <set>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "core/Geometry.h"
#include "core/settings/SettingsFile.h"
#include "data/apf/ApfReader.h"
#include "data/apf/QualityFactor.h"
#include "ApfFixture.h"

namespace skf::test {
namespace {

using SampleAirportFilesTest = ApfTest;

// Every bundled and archived sample airport file is accepted by the reader, holds as many stands
// as the sample airport list says, lies around its airport and carries its own quality factor.
TEST_F(SampleAirportFilesTest, AgreeWithTheSampleAirportList) {
    const std::filesystem::path sample = std::filesystem::path(SKYFILL_SOURCE_DIR) / "sample";
    pugi::xml_document list;
    ASSERT_TRUE(list.load_file((sample / "airports.xml").c_str()));
    std::map<std::string, pugi::xml_node> airports;
    for (const pugi::xml_node ap : list.child("root").child("airports").children("ap")) {
        airports[ap.attribute("c").as_string()] = ap;
    }
    int files = 0;
    for (const std::filesystem::path& folder : {sample / "airports", sample / "archive"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (!entry.is_regular_file())
                continue;
            SCOPED_TRACE(entry.path().string());
            ++files;
            pugi::xml_document doc;
            ASSERT_TRUE(doc.load_file(entry.path().c_str()));
            ASSERT_TRUE(gf_readMetaInfo(doc, false));
            const std::string icao = entry.path().stem().string();
            ASSERT_EQ(airports.count(icao), 1u);
            const pugi::xml_node ap = airports[icao];
            g_stands.clear();
            lf_readParkpositions(doc);
            EXPECT_EQ(static_cast<int>(g_stands.size()), ap.attribute("s").as_int());
            EXPECT_EQ(gf_readIntParameter(doc, "num_parkpos"), static_cast<int>(g_stands.size()));
            EXPECT_EQ(gf_readIntParameter(doc, "altitude"), ap.attribute("a").as_int());
            const QualityFactor qf = gf_qualityFactor();
            EXPECT_EQ(gf_readIntParameter(doc, "Qf_real"), qf.real);
            EXPECT_EQ(gf_readIntParameter(doc, "Qf_soft"), qf.soft);
            std::set<std::string> kinds;
            for (const Stand& s : g_stands) {
                EXPECT_LT(gf_distanceNm({s.latitude, s.longitude},
                                        {ap.attribute("la").as_double(), ap.attribute("lo").as_double()}),
                          3.0)
                    << s.id;
                EXPECT_FALSE(s.options.empty()) << s.id;
                kinds.insert(s.heli ? "heli" : s.ramp ? "ramp" : s.cargo ? "cargo" : "gate");
            }
            if (g_stands.size() >= 20) {
                EXPECT_EQ(kinds.size(), 4u);
            }
        }
    }
    EXPECT_GE(files, 10);
}

} // namespace
} // namespace skf::test
