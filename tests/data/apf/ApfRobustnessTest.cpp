// Damaged airport files and learned files: each read ends with the reader's result or its own error,
// and every stand read has a usable position and size.
#include <cmath>
#include <filesystem>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "core/Codes.h"
#include "data/apf/ParkApf.h"
#include "support/Mutations.h"
#include "ApfFixture.h"

namespace skf::test {
namespace {

const std::string kLocal = "airports/my_simaddon/EHAM.xml";
const std::string kLearned = "airports/learned/my_simaddon/EHAM.xml";

std::string lf_file(std::string_view meta, std::string_view parameters, std::string_view stands) {
    return "<?xml version=\"1.0\"?>\n<root>\n" + std::string(meta) + "  <parameters>\n" + std::string(parameters) +
           "  </parameters>\n  <parkpositions>\n" + std::string(stands) + "  </parkpositions>\n</root>\n";
}

const char* kStands = R"(    <parkpos id="A1" latitude="52.300000" longitude="4.760000" heading="90.0" radius="30.0">
      <opt reg="PH-BXA" day="1" hh="20:23" cs="KLM1234"/>
      <opt reg="G-EZAA" airl="EZY" type="A320" day="2" hh="10,12" soft="true"/>
    </parkpos>
    <parkpos id="B1" latitude="52.310000" longitude="4.770000" heading="180.0" radius="45.0" cargo="true"/>
)";
const char* kParameters = R"(    <parameter name="airport_name" value="Amsterdam Schiphol"/>
    <parameter name="publisher" value="simaddon"/>
    <parameter name="altitude" value="-11"/>
    <parameter name="Qf_real" value="63"/>
)";
const char* kLearnedStands = R"(    <parkpos id="A1" latitude="52.300000" longitude="4.760000" radius="35.0">
      <opt reg="PH-BXB" airl="KLM" type="B738" day="3" hh="30:31" cs="KLM1240"/>
    </parkpos>
    <parkpos id="M7" latitude="52.305" longitude="4.765" radius="15.0" manual="true"/>
)";

class ApfRobustness : public ApfTest {
protected:
    void readChecked(const std::string& damaged) {
        g_stands.clear();
        try {
            gf_readApf(kLocal, g_parkApfInfo);
        } catch (const UserErrorException&) {
            // the reader's own error for a broken airport file
        }
        for (const Stand& s : g_stands) {
            EXPECT_TRUE(std::isfinite(s.latitude) && std::fabs(s.latitude) <= 90) << damaged.substr(0, 300);
            EXPECT_TRUE(std::isfinite(s.longitude) && std::fabs(s.longitude) <= 180) << damaged.substr(0, 300);
            EXPECT_TRUE(std::isfinite(s.radius) && s.radius >= 0) << s.radius << " " << damaged.substr(0, 300);
            EXPECT_TRUE(std::isfinite(s.heading)) << damaged.substr(0, 300);
        }
    }
};

TEST_F(ApfRobustness, DamagedAirportFilesAreReadOrRefused) {
    for (const std::string& damaged : mutationsOf(lf_file(lf_meta(), kParameters, kStands), 21, 150)) {
        lf_writeFile(kLocal, damaged);
        readChecked(damaged);
    }
}

TEST_F(ApfRobustness, DamagedLearnedFilesLeaveSaneStands) {
    lf_writeFile(kLocal, lf_file(lf_meta(), kParameters, kStands));
    const std::string learned = lf_file(lf_meta("11.11.3", false), "", kLearnedStands);
    for (const std::string& damaged : mutationsOf(learned, 22, 150)) {
        std::filesystem::remove_all("airports/learned/my_simaddon");
        lf_writeFile(kLearned, damaged);
        readChecked(damaged);
        EXPECT_GE(g_stands.size(), 2u);
    }
}

TEST_F(ApfRobustness, RadiiAndHeadingsThatAreNoNumberReadAsAbsent) {
    for (const char* bad : {"NaN", "-inf", "1e999", "-30"}) {
        const std::string stands =
            fmt::format(R"(    <parkpos id="A1" latitude="52.3" longitude="4.76" heading="{0}" radius="{0}"/>
    <parkpos id="B1" latitude="52.31" longitude="4.77" heading="180.0" radius="45.0"/>
)",
                        bad);
        lf_writeFile(kLocal, lf_file(lf_meta(), kParameters, stands));
        const std::string learned =
            fmt::format(R"(    <parkpos id="B1" latitude="52.31" longitude="4.77" radius="{0}" radius_change="true"/>
    <parkpos id="M7" latitude="52.305" longitude="4.765" radius="{0}" heading="{0}" manual="true"/>
)",
                        bad);
        lf_writeFile(kLearned, lf_file(lf_meta("11.11.3", false), "", learned));
        readChecked(bad);
        ASSERT_GE(g_stands.size(), 2u) << bad;
        EXPECT_EQ(g_stands[0].radius, 0.0) << bad;
        if (std::string_view(bad) != "-30") { // -30 degrees is a heading
            EXPECT_EQ(g_stands[0].heading, 0.0) << bad;
        }
        EXPECT_NEAR(g_stands[1].radius * 1852.0, 45.0, 1e-6) << bad; // the learned change is refused
        EXPECT_FALSE(g_stands[1].radiusChanged) << bad;
    }
}

} // namespace
} // namespace skf::test
