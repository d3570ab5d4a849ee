#include <numbers>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "core/Codes.h"
#include "data/apf/ApfReader.h"
#include "ApfFixture.h"

namespace skf::test {
namespace {

using ApfReaderTest = ApfTest;

pugi::xml_document lf_doc(const std::string& text) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(text.c_str()));
    return doc;
}

std::string lf_readError(const std::string& text) {
    pugi::xml_document doc = lf_doc(text);
    try {
        lf_readParkpositions(doc);
    } catch (const UserErrorException& e) {
        return e.what();
    }
    return "no error";
}

TEST_F(ApfReaderTest, ReadsStandsAndOptions) {
    pugi::xml_document doc = lf_doc(R"(<root><parkpositions>
      <parkpos id=" A1&#9;" latitude="52.3" longitude="4.76" heading="180" radius="18.52" cargo="true" ramp="true">
        <opt reg="PH-BXA" airl="XXX" type="YYYY" day="1" hh="10:12" cs="KLM1:KLM2" cpl="true"/>
        <opt reg="ZZ-ZZZ" airl="EZY" type="A320" day="0" hh="3"/>
        <opt reg="ZZ-ZZZ" airl="EZY" type="A320" day="8" hh="3"/>
        <opt reg="ZZ-ZZZ" airl="EZY" type="A320" day="2" hh=""/>
        <opt reg="ZZ-ZZZ" airl="EZY" type="A320" day="2"/>
        <opt reg="G-ABCD" airl="EZY" type="A320" day="7" hh="1,3,47" soft="true" cs="EZY9"/>
      </parkpos>
      <parkpos id="H1" latitude="0" longitude="4.5" heli="true"/>
    </parkpositions></root>)");
    lf_readParkpositions(doc);
    ASSERT_EQ(g_stands.size(), 2u);
    const Stand& a1 = g_stands[0];
    EXPECT_EQ(a1.id, "A1");
    EXPECT_DOUBLE_EQ(a1.latitude, 52.3);
    EXPECT_DOUBLE_EQ(a1.longitude, 4.76);
    EXPECT_NEAR(a1.heading, std::numbers::pi, 1e-12);
    EXPECT_NEAR(a1.radius, 0.01, 1e-12);
    EXPECT_TRUE(a1.cargo);
    EXPECT_TRUE(a1.ramp);
    EXPECT_FALSE(a1.heli);
    ASSERT_EQ(a1.options.size(), 2u);
    const StandOpt& o1 = a1.options[0];
    EXPECT_EQ(o1.number, 1u);
    EXPECT_EQ(o1.callsign, "KLM1");
    EXPECT_EQ(o1.callsign2, "KLM2");
    EXPECT_EQ(gf_operatorName(o1.airline), "KLM"); // from the database, not from airl
    EXPECT_EQ(gf_modelName(o1.model), "B738");
    EXPECT_EQ(o1.halfHours.to_ullong(), 0b111ULL << 10);
    EXPECT_EQ(o1.source, 1u);
    EXPECT_EQ(o1.real, 1u);
    EXPECT_EQ(o1.cpl, 1u);
    const StandOpt& o2 = a1.options[1];
    EXPECT_EQ(o2.number, 2u);                      // the skipped options leave no gap
    EXPECT_EQ(gf_operatorName(o2.airline), "EZY"); // not in the database: airl and type
    EXPECT_EQ(gf_modelName(o2.model), "A320");
    EXPECT_EQ(o2.callsign, "EZY9");
    EXPECT_EQ(o2.callsign2, "");
    EXPECT_EQ(o2.real, 0u);
    EXPECT_EQ(o2.halfHours.to_ullong(), (1ULL << 1) | (1ULL << 3) | (1ULL << 47));
    EXPECT_TRUE(g_stands[1].heli); // latitude 0 alone is a position
}

TEST_F(ApfReaderTest, DocumentsWithoutRootAndWithoutStands) {
    pugi::xml_document old = lf_doc(R"(<parkpositions><parkpos id="B2" latitude="1" longitude="2"/></parkpositions>)");
    lf_readParkpositions(old);
    ASSERT_EQ(g_stands.size(), 1u);
    EXPECT_EQ(g_stands[0].id, "B2");
    pugi::xml_document empty = lf_doc("<root><parameters/></root>");
    lf_readParkpositions(empty);
    EXPECT_EQ(g_stands.size(), 1u);
}

TEST_F(ApfReaderTest, EveryFormatCheckHasItsMessage) {
    EXPECT_EQ(lf_readError(R"(<root><parkpositions>
        <parkpos id="A" latitude="1" longitude="1"/>
        <parkpos id="Z" latitude="0" longitude="0"/>
        <parkpos latitude="1" longitude="1"/>
      </parkpositions></root>)"),
              "93: Parking position #3 has no 'id' attribute.");
    EXPECT_NE(lf_log().find("==> stand Z has no valid lat/lon"), std::string::npos);
    EXPECT_EQ(g_stands.size(), 1u); // what came before the bad element stays
    g_stands.clear();
    EXPECT_EQ(lf_readError(R"(<root><parkpositions><parkpos id="A" latitude="1" longitude="1"/>
        <parkpos id=" &#13;&#10; " latitude="1" longitude="1"/></parkpositions></root>)"),
              "93: Stand #2 has empty 'id' attribute.");
    g_stands.clear();
    EXPECT_EQ(lf_readError(R"(<root><parkpositions><parkpos id="A 1" latitude="1" longitude="1"/>
        <parkpos id="  A 1 " latitude="1" longitude="1"/></parkpositions></root>)"),
              "94: Stand 'A 1' appears more than once.");
}

TEST_F(ApfReaderTest, StandsWithoutAValidPositionAreSkipped) {
    pugi::xml_document doc = lf_doc(R"(<root><parkpositions>
      <parkpos id="N1" latitude="nan" longitude="4.7"/>
      <parkpos id="N2" latitude="52.3" longitude="inf"/>
      <parkpos id="N3" latitude="95.0" longitude="4.7"/>
      <parkpos id="N4" latitude="52.3" longitude="-180.5"/>
      <parkpos id="N5" latitude="north" longitude="4.7"/>
      <parkpos id="N6" latitude="52.3x" longitude="4.7"/>
      <parkpos id="OK" latitude=" +52.3 " longitude="-180"/>
    </parkpositions></root>)");
    lf_readParkpositions(doc);
    ASSERT_EQ(g_stands.size(), 1u);
    EXPECT_EQ(g_stands[0].id, "OK");
    EXPECT_DOUBLE_EQ(g_stands[0].latitude, 52.3);
    EXPECT_DOUBLE_EQ(g_stands[0].longitude, -180.0);
    const std::string log = lf_log();
    for (const char* id : {"N1", "N2", "N3", "N4", "N5", "N6"}) {
        EXPECT_NE(log.find(fmt::format("==> stand {} has no valid lat/lon", id)), std::string::npos) << id;
    }
}

TEST_F(ApfReaderTest, StandsAreNumberedAndLinkedToNeighbours) {
    // 50 m apart with radii of 30 m: 55 < 60, neighbours; 60 m apart: 66 > 60, not
    const double metre = 1.0 / 1852.0 / 60.0; // degrees of latitude
    g_stands.emplace_back("A", std::vector<StandOpt>{}, 52.0, 4.0, 0.0, 30.0, false, false, false);
    g_stands.emplace_back("B", std::vector<StandOpt>{}, 52.0 + 50 * metre, 4.0, 0.0, 30.0, false, false, false);
    g_stands.emplace_back("C", std::vector<StandOpt>{}, 52.0 + 110 * metre, 4.0, 0.0, 30.0, false, false, false);
    g_stands.emplace_back("D", std::vector<StandOpt>{}, 52.0 + 25 * metre, 4.0, 0.0, 30.0, false, false, false);
    gf_numberAndLinkStands(g_stands);
    EXPECT_EQ(g_stands[0].sid, 1);
    EXPECT_EQ(g_stands[3].sid, 4);
    EXPECT_EQ(g_stands[0].adjacent, (std::vector<int32_t>{2, 4}));
    EXPECT_EQ(g_stands[1].adjacent, (std::vector<int32_t>{1, 4})); // C lies 60 m from B
    EXPECT_EQ(g_stands[2].adjacent, (std::vector<int32_t>{}));
    EXPECT_EQ(g_stands[3].adjacent, (std::vector<int32_t>{1, 2}));
}

} // namespace
} // namespace skf::test
