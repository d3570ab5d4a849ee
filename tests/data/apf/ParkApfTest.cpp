#include <fmt/format.h>
#include <gtest/gtest.h>

#include "core/Codes.h"
#include "core/StatusLine.h"
#include "core/WindowFields.h"
#include "data/apf/ApfLearned.h"
#include "data/apf/ApfWriter.h"
#include "data/apf/ParkApf.h"
#include "ApfFixture.h"

namespace skf::test {
namespace {

const std::string kLocal = "airports/my_simaddon/EHAM.xml";
const std::string kLearned = "airports/learned/my_simaddon/EHAM.xml";

// An airport file of three stands: A1 and A2 are neighbours, B1 stands apart.
std::string lf_airportFile(std::string_view parameters, std::string_view meta = lf_meta()) {
    std::string text = "<?xml version=\"1.0\"?>\n<root>\n" + std::string(meta) + "  <parameters>\n" +
                       std::string(parameters) + "  </parameters>\n  <parkpositions>\n";
    text +=
        R"(    <parkpos id="A1" latitude="52.300000" longitude="4.760000" heading="90.0" radius="30.0" cargo="false" ramp="false">
      <opt reg="PH-BXA" day="1" hh="20:23" cs="KLM1234"/>
      <opt reg="G-EZAA" airl="EZY" type="A320" day="2" hh="10" soft="true"/>
    </parkpos>
    <parkpos id="A2" latitude="52.300450" longitude="4.760000" heading="90.0" radius="30.0"/>
    <parkpos id="B1" latitude="52.310000" longitude="4.770000" heading="180.0" radius="45.0" cargo="true"/>
  </parkpositions>
</root>
)";
    return text;
}

const char* kParameters = R"(    <parameter name="airport_name" value="Amsterdam Schiphol"/>
    <parameter name="publisher" value="simaddon"/>
    <parameter name="altitude" value="-11"/>
    <parameter name="Qf_real" value="63"/>
    <parameter name="Qf_soft" value="12"/>
    <parameter name="RT_traffic_week" value="23"/>
)";

std::string lf_learnedFile(std::string_view parameters, std::string_view stands, std::string_view version = "11.11.3") {
    return "<?xml version=\"1.0\"?>\n<root>\n" + lf_meta(version, false) + "  <parameters>\n" +
           std::string(parameters) + "  </parameters>\n  <parkpositions>\n" + std::string(stands) +
           "  </parkpositions>\n</root>\n";
}

const Stand* lf_stand(std::string_view id) {
    for (const Stand& s : g_stands) {
        if (s.id == id)
            return &s;
    }
    return nullptr;
}

class ParkApfTest : public ApfTest {
protected:
    std::string lf_read(const std::string& path = kLocal) {
        g_stands.clear();
        return gf_readApf(path, g_parkApfInfo);
    }
};

TEST_F(ParkApfTest, ReadsTheParkAirportsFile) {
    lf_writeFile(kLocal, lf_airportFile(kParameters));
    PARK_SOFT.set(true);
    WEEK.set(true);
    parking_percentage.set(70);
    EXPECT_EQ(lf_read(), "");
    ASSERT_EQ(g_stands.size(), 3u);
    EXPECT_EQ(g_stands[2].sid, 3);
    EXPECT_EQ(g_stands[0].adjacent, std::vector<int32_t>{2}); // 50 m apart, radii 30 m
    EXPECT_EQ(g_stands[1].adjacent, std::vector<int32_t>{1});
    EXPECT_TRUE(g_stands[2].adjacent.empty());
    EXPECT_EQ(g_parkApfInfo.airportName, "Amsterdam Schiphol");
    EXPECT_EQ(g_parkApfInfo.publisher, "simaddon");
    EXPECT_EQ(g_parkApfInfo.altitude, -11);
    EXPECT_EQ(g_rtTrafficWeek.load(), 23);
    EXPECT_EQ(g_qualityFactor, (QualityFactor{63, 12}));
    EXPECT_FLOAT_EQ(g_parkAirport.altitude, -11.0F);
    EXPECT_TRUE(g_trafficReferenceElevationValid.load());
    EXPECT_DOUBLE_EQ(g_trafficReferenceElevation.load(), -11.0);
    EXPECT_TRUE(g_parkStandsLoaded.load());
    EXPECT_EQ(g_mainWindow.standCount.load(), 3u);
    EXPECT_EQ(g_mainWindow.publisherText.get(), "simaddon");
    EXPECT_EQ(g_mainWindow.qualityFactorText.get(), "63");
    EXPECT_FALSE(g_handmadeApf);
    EXPECT_EQ(g_learnedApfPath.generic_string(), kLearned);
    // no learned file: a rich file switches soft and week parking off; 78 stands give 30 %
    EXPECT_FALSE(PARK_SOFT.value());
    EXPECT_FALSE(WEEK.value());
    EXPECT_EQ(parking_percentage.value(), 30);
    EXPECT_EQ(g_savedAirportParameters.parkingPercentage, 70);
    const std::string log = lf_log();
    EXPECT_NE(log.find("learned does not exist"), std::string::npos);
    EXPECT_NE(log.find("Airport file read from '" + kLocal + "' for Amsterdam Schiphol"), std::string::npos);
    EXPECT_NE(log.find("          num_parkpos             : 3\n"), std::string::npos);
    EXPECT_NE(log.find("          altitude                : -11 ft\n"), std::string::npos);
    EXPECT_NE(log.find("          parking_percentage      : 30%\n"), std::string::npos);
}

TEST_F(ParkApfTest, QualityFactorSteersTheSettingsWithoutLearnedFile) {
    const auto withQf = [](int real, int soft) {
        return fmt::format(
            "    <parameter name=\"altitude\" value=\"10\"/>\n"
            "    <parameter name=\"Qf_real\" value=\"{}\"/>\n    <parameter name=\"Qf_soft\" value=\"{}\"/>\n",
            real, soft);
    };
    lf_writeFile(kLocal, lf_airportFile(withQf(2, 0)));
    PARK_SOFT.set(true);
    WEEK.set(false);
    EXPECT_EQ(lf_read(), "");
    EXPECT_TRUE(PARK_SOFT.value()); // neither changes
    EXPECT_FALSE(WEEK.value());

    lf_writeFile(kLocal, lf_airportFile(withQf(1, 3)));
    MAX_FIT_FL.set(6.0F);
    g_parkAirport = g_airports[3]; // EHTY: one stand in the list
    EXPECT_EQ(lf_read(), "");
    EXPECT_TRUE(PARK_SOFT.value());
    EXPECT_TRUE(WEEK.value());
    EXPECT_FLOAT_EQ(MAX_FIT_FL.value(), 24.0F);
    EXPECT_EQ(parking_percentage.value(), 100);

    lf_writeFile(kLocal, lf_airportFile(withQf(46, 0)));
    g_parkAirport = g_airports[4]; // EHTZ: two stands
    EXPECT_EQ(lf_read(), "");
    EXPECT_FALSE(PARK_SOFT.value());
    EXPECT_FALSE(WEEK.value());
    EXPECT_EQ(parking_percentage.value(), 50);
    EXPECT_EQ(g_qualityFactor, (QualityFactor{46, 0}));

    // a file without a quality factor does not inherit the previous airport's
    lf_writeFile(kLocal, lf_airportFile("    <parameter name=\"altitude\" value=\"10\"/>\n"));
    EXPECT_EQ(lf_read(), "");
    EXPECT_EQ(g_qualityFactor, (QualityFactor{-1, -1}));
    EXPECT_EQ(g_mainWindow.qualityFactorText.get(), "  ");
}

TEST_F(ParkApfTest, FailuresOfTheParkAirportsFile) {
    EXPECT_EQ(gf_readApf("", g_parkApfInfo), "gf_readApf: xml is empty");
    g_parkAirport = {};
    EXPECT_EQ(gf_readApf(kLocal, g_parkApfInfo), "gf_readApf: no park airport set");
    g_parkAirport = g_airports.front();

    // a failed read forgets the learned file of the airport read before
    lf_writeFile(kLocal, lf_airportFile(kParameters));
    EXPECT_EQ(lf_read(), "");
    EXPECT_EQ(g_learnedApfPath.generic_string(), kLearned);
    g_parkStandsLoaded = false; // the park airport closed
    lf_writeFile(kLocal, "<root><unclosed></root>");
    EXPECT_EQ(lf_read(), kLocal + ": could not load file: " + kLocal);
    EXPECT_TRUE(g_learnedApfPath.empty());
    EXPECT_EQ(lf_read("airports/my_simaddon/NONE.xml"),
              "airports/my_simaddon/NONE.xml: could not load file: airports/my_simaddon/NONE.xml");

    lf_writeFile(kLocal, lf_airportFile(kParameters, lf_meta("11.11.3", false))); // no sim entry
    EXPECT_EQ(lf_read(), kLocal + ": refused to load");
    EXPECT_FALSE(g_parkStandsLoaded.load());

    lf_writeFile(kLocal, lf_airportFile("    <parameter name=\"airport_name\" value=\"X\"/>\n"));
    try {
        lf_read();
        ADD_FAILURE() << "no exception";
    } catch (const UserErrorException& e) {
        EXPECT_STREQ(e.what(), "65: Parameter altitude not found");
    }
    EXPECT_TRUE(g_learnedApfPath.empty());

    lf_writeFile(kLocal,
                 "<root>" + lf_meta() + "<parameters><parameter name=\"altitude\" value=\"5\"/></parameters></root>");
    EXPECT_EQ(lf_read(), "no stands found");
    EXPECT_TRUE(g_parkStandsLoaded.load()); // everything else was done

    lf_writeFile(
        kLocal, "<root>" + lf_meta() +
                    "<parameters><parameter name=\"altitude\" value=\"5\"/></parameters>"
                    "<parkpositions><parkpos id=\"A\" latitude=\"1\" longitude=\"1\"/><parkpos id=\"A\" latitude=\"1\" "
                    "longitude=\"1\"/></parkpositions></root>");
    EXPECT_THROW(lf_read(), UserErrorException);
}

TEST_F(ParkApfTest, LearnedFileIsMergedIntoTheStands) {
    lf_writeFile(kLocal, lf_airportFile(kParameters));
    lf_writeFile(kLearned, lf_learnedFile(R"(    <parameter name="airport_name" value="Schiphol"/>
    <parameter name="RANGE" value="500"/>
    <parameter name="AUTO_RANGE" value="false"/>
    <parameter name="WEEK" value="true"/>
    <parameter name="PARK_SOFT" value="true"/>
    <parameter name="MAX_FIT" value="23"/>
    <parameter name="MAX_LIVE_SEL" value="100"/>
)",
                                          R"(    <parkpos id="A1" radius_change="true" radius="40.0">
      <opt reg="PH-BXA" day="1" hh="23:25" cs="KLM1234"/>
      <opt reg="PH-BXA" day="1" hh="30" cs="KLM1236"/>
      <opt reg="PH-BXA" day="1" hh="31" soft="true" cs="KLM1237:KLM1238"/>
      <opt reg="PH-BXB" day="3" hh=""/>
    </parkpos>
    <parkpos id="B1" cargo_change="true" cargo="false"/>
    <parkpos id="X9"/>
    <parkpos id="M1" manual="true" latitude="52.32" longitude="4.78" radius="20.0" ramp="true">
      <opt reg="PH-ABC" airl="PVT" type="C172" day="9" hh="12"/>
    </parkpos>
    <parkpos id="A2" manual="true" latitude="52.33" longitude="4.79" radius="20.0"/>
    <parkpos id="M2" manual="true" latitude="0.00001" longitude="0" radius="20.0"/>
    <parkpos id="M3" manual="true" latitude="52.34" longitude="4.8"/>
)"));
    parking_percentage.set(70);
    EXPECT_EQ(lf_read(), "");
    ASSERT_EQ(g_stands.size(), 4u);
    const Stand* a1 = lf_stand("A1");
    EXPECT_NEAR(a1->radius * 1852.0, 40.0, 1e-9);
    EXPECT_TRUE(a1->radiusChanged);
    ASSERT_EQ(a1->options.size(), 4u); // the overlapping one was already there
    EXPECT_EQ(a1->options[2].number, 3u);
    EXPECT_EQ(a1->options[2].callsign, "KLM1236");
    EXPECT_EQ(a1->options[2].source, 0u);
    EXPECT_EQ(a1->options[3].real, 0u); // the same flight as soft one is another kind
    EXPECT_EQ(a1->options[3].callsign2, "KLM1238");
    const Stand* b1 = lf_stand("B1");
    EXPECT_FALSE(b1->cargo);
    EXPECT_TRUE(b1->cargoChanged);
    const Stand* m1 = lf_stand("M1");
    ASSERT_NE(m1, nullptr);
    EXPECT_TRUE(m1->manual);
    EXPECT_TRUE(m1->ramp);
    EXPECT_EQ(m1->sid, 4);
    ASSERT_EQ(m1->options.size(), 0u); // day 9 is no day of a stand read
    // the settings of the learned file
    EXPECT_EQ(RANGE.value(), 100);
    EXPECT_FALSE(AUTO_RANGE.value());
    EXPECT_TRUE(WEEK.value());
    EXPECT_TRUE(PARK_SOFT.value());
    EXPECT_EQ(MAX_FIT.value(), 23);
    EXPECT_FLOAT_EQ(MAX_FIT_FL.value(), 12.0F);
    EXPECT_EQ(MAX_LIVE_SEL.value(), 100);
    EXPECT_EQ(parking_percentage.value(), 30); // absent: 30
    EXPECT_EQ(g_qualityFactor, gf_qualityFactor());
    EXPECT_EQ(
        gf_statusSnapshot().statusText,
        "Warning: learned file airport name: 'Schiphol' differs from archived file airport name: 'Amsterdam Schiphol'");
    const std::string log = lf_log();
    EXPECT_NE(log.find("Read from learned airport file: '" + kLearned + "'"), std::string::npos);
    EXPECT_NE(log.find("==> learned A1: day:1 23,24,25 KLM B738 cs:KLM1234 reg:PH-BXA already in airport file"),
              std::string::npos);
    EXPECT_NE(log.find("==> empty bit set"), std::string::npos);
    EXPECT_NE(log.find("learned stand X9 in " + kLearned + " not found?"), std::string::npos);
    EXPECT_NE(log.find("==> manually created standid A2 already exists in " + kLearned), std::string::npos);
    EXPECT_NE(log.find("==> manually created standid M2 misses correct attributes in " + kLearned), std::string::npos);
    EXPECT_NE(log.find("==> manually created standid M3 misses correct attributes in " + kLearned), std::string::npos);
    EXPECT_NE(log.find("          MAX_FIT                 : 23 (max number of half hours, is 12.0 hrs decimal)"),
              std::string::npos);
    EXPECT_EQ(log.find("learned does not exist"), std::string::npos);
}

TEST_F(ParkApfTest, LearnedSettingsOutsideTheirLimitsAreClamped) {
    lf_writeFile(kLocal, lf_airportFile(kParameters));
    lf_writeFile(kLearned, lf_learnedFile(R"(    <parameter name="parking_percentage" value="250"/>
    <parameter name="MAX_FIT" value="99"/>
)",
                                          ""));
    EXPECT_EQ(lf_read(), "");
    EXPECT_EQ(parking_percentage.value(), 100);
    EXPECT_EQ(MAX_FIT.value(), 47);
    lf_writeFile(kLearned, lf_learnedFile("    <parameter name=\"parking_percentage\" value=\"-20\"/>\n", ""));
    EXPECT_EQ(lf_read(), "");
    EXPECT_EQ(parking_percentage.value(), 0);
}

TEST_F(ParkApfTest, OlderLearnedFileKeepsItsChangesButNotItsFlights) {
    lf_writeFile(kLocal, lf_airportFile(kParameters));
    lf_writeFile(kLearned, lf_learnedFile("", R"(    <parkpos id="A1" radius_change="true" radius="40.0">
      <opt reg="PH-BXA" day="4" hh="1"/>
      <opt reg="PH-BXA" day="5" hh="1"/>
    </parkpos>
)",
                                          "11.9.5"));
    EXPECT_EQ(lf_read(), "");
    EXPECT_NEAR(lf_stand("A1")->radius * 1852.0, 40.0, 1e-9);
    EXPECT_EQ(lf_stand("A1")->options.size(), 2u);
    EXPECT_NE(lf_log().find("This learned file was created with and older SKFL version than 11.10.0,"),
              std::string::npos);
}

TEST_F(ParkApfTest, HandmadeFileReplacesTheStands) {
    lf_writeFile(kLocal, lf_airportFile(kParameters));
    lf_writeFile(kLearned,
                 lf_learnedFile(R"(    <parameter name="handmade" value="false"/>
)",
                                R"(    <parkpos id="Z1" latitude="52.4" longitude="4.8" radius="25.0" heli="true">
      <opt reg="PH-HLI" airl="PVT" type="EC35" day="2" hh="4:6"/>
    </parkpos>
)",
                                "10.0.0"));
    EXPECT_EQ(lf_read(), "");
    ASSERT_EQ(g_stands.size(), 1u);
    EXPECT_EQ(g_stands[0].id, "Z1");
    ASSERT_EQ(g_stands[0].options.size(), 1u); // also from an older version
    EXPECT_EQ(g_stands[0].options[0].source, 1u);
    EXPECT_TRUE(g_handmadeApf);
    EXPECT_TRUE(g_mainWindow.handmade.load());
    const std::string log = lf_log();
    EXPECT_NE(log.find("A handmade airport file overruled the archived file!"), std::string::npos);
    EXPECT_NE(log.find("Airport file read from '" + kLearned + "' for Amsterdam Schiphol"), std::string::npos);
    EXPECT_NE(log.find("          handmade                : false"), std::string::npos);
}

TEST_F(ParkApfTest, BrokenLearnedFilesLeaveTheStandsAsTheAirportFileGaveThem) {
    lf_writeFile(kLocal, lf_airportFile(kParameters));
    // handmade file that fails part-way: nothing of it survives, and the file itself is kept
    const std::string broken = lf_learnedFile(R"(    <parameter name="handmade" value="true"/>
)",
                                              R"(    <parkpos id="Z1" latitude="52.4" longitude="4.8" radius="25.0"/>
    <parkpos id="Z1" latitude="52.5" longitude="4.8" radius="25.0"/>
)");
    lf_writeFile(kLearned, broken);
    EXPECT_EQ(lf_read(), "");
    ASSERT_EQ(g_stands.size(), 3u);
    EXPECT_EQ(g_stands[0].id, "A1");
    EXPECT_FALSE(g_handmadeApf);
    EXPECT_EQ(lf_readFile("airports/learned/my_simaddon/EHAM0.xml"), broken);
    EXPECT_NE(lf_log().find("lf_readLearned: 94: Stand 'Z1' appears more than once."), std::string::npos);

    // a learned file that does not parse
    lf_writeFile(kLearned, "<root><parkpositions>");
    EXPECT_EQ(lf_read(), "");
    EXPECT_EQ(g_stands.size(), 3u);
    EXPECT_NE(lf_log().find(kLearned + " found, but could not be loaded, saved as *.0.xml: "), std::string::npos);

    // a folder where the learned file should be
    std::filesystem::remove(kLearned);
    std::filesystem::create_directories(kLearned);
    EXPECT_EQ(lf_read(), "");
    EXPECT_EQ(g_stands.size(), 3u);
}

// What the traffic engine saves of a table: the learned options, changed and manual stands.
Apf lf_learnedApf() {
    Apf apf;
    apf.icao = g_parkAirport.icao;
    apf.airport_name = g_parkApfInfo.airportName;
    apf.publisher = g_parkApfInfo.publisher;
    apf.altitude = g_parkApfInfo.altitude;
    const QualityFactor qf = gf_qualityFactor();
    apf.Qf_real = qf.real;
    apf.Qf_soft = qf.soft;
    for (Stand stand : g_stands) {
        if (!g_handmadeApf) {
            std::erase_if(stand.options, [](const StandOpt& o) { return o.source == 1 || o.number == 0; });
            if (!stand.manual && stand.options.empty() && !stand.radiusChanged && !stand.cargoChanged)
                continue;
        }
        apf.stands.push_back(std::move(stand));
    }
    return apf;
}

TEST_F(ParkApfTest, ReadLearnWriteAndReadAgain) {
    lf_writeFile(kLocal, lf_airportFile(kParameters));
    ASSERT_EQ(lf_read(), "");
    // learn: a new flight on A1, a wider B1, a stand made by hand
    Stand& a1 = g_stands[0];
    ASSERT_EQ(
        gf_addStandOpt(a1.options, gf_internOperator("KLM"), gf_internModel("B738"), 1, 30, "KLM1240_", "PH-BXA", 1),
        3u);
    gf_findStandOpt(a1.options, 3, "KLM1241");
    std::vector<int> later = {32, 31};
    ASSERT_TRUE(updateOptions(a1.options, later, 3));
    g_stands[2].radius = 60.0 / 1852.0;
    g_stands[2].radiusChanged = true;
    Stand manual("M7", {}, 52.305, 4.765, 0.25, 15.0, false, true, false);
    manual.manual = true;
    g_stands.push_back(std::move(manual));
    RANGE.set(25);
    ASSERT_TRUE(gf_writeApf(lf_learnedApf(), g_learnedApfPath, kApfModeLearned, 1));

    RANGE.set(40);
    ASSERT_EQ(lf_read(), "");
    ASSERT_EQ(g_stands.size(), 4u);
    EXPECT_EQ(RANGE.value(), 25);
    const Stand& again = g_stands[0];
    ASSERT_EQ(again.options.size(), 3u);
    EXPECT_EQ(again.options[2].registration, "PH-BXA");
    EXPECT_EQ(again.options[2].callsign, "KLM1240");
    EXPECT_EQ(again.options[2].callsign2, "KLM1241");
    EXPECT_EQ(again.options[2].halfHours.to_ullong(), 0b111ULL << 30);
    EXPECT_EQ(again.options[2].cpl, 1u);
    EXPECT_EQ(again.options[2].source, 0u);
    EXPECT_NEAR(g_stands[2].radius * 1852.0, 60.0, 1e-9);
    EXPECT_TRUE(g_stands[2].radiusChanged);
    EXPECT_EQ(g_stands[3].id, "M7");
    EXPECT_TRUE(g_stands[3].manual);
    EXPECT_TRUE(g_stands[3].ramp);
    EXPECT_NEAR(g_stands[3].heading, 0.25, 1e-3);

    // the same learned flights a second time add nothing
    ASSERT_TRUE(gf_writeApf(lf_learnedApf(), g_learnedApfPath, kApfModeLearned, 1));
    ASSERT_EQ(lf_read(), "");
    EXPECT_EQ(g_stands[0].options.size(), 3u);
    EXPECT_EQ(g_stands.size(), 4u);
}

TEST_F(ParkApfTest, HandmadeRoundTripKeepsChangedStands) {
    lf_writeFile(kLocal, lf_airportFile(kParameters));
    lf_writeFile(kLearned,
                 lf_learnedFile(R"(    <parameter name="handmade" value="true"/>
)",
                                R"(    <parkpos id="Z1" latitude="52.4" longitude="4.8" radius="25.0" heading="45.0"/>
    <parkpos id="Z2" latitude="52.41" longitude="4.81" radius="25.0" cargo="true"/>
)"));
    ASSERT_EQ(lf_read(), "");
    ASSERT_TRUE(g_handmadeApf);
    g_stands[0].radius = 35.0 / 1852.0;
    g_stands[0].radiusChanged = true;
    g_stands[1].cargo = false;
    g_stands[1].cargoChanged = true;
    ASSERT_TRUE(gf_writeApf(lf_learnedApf(), g_learnedApfPath, kApfModeLearned, 1));
    ASSERT_EQ(lf_read(), "");
    ASSERT_EQ(g_stands.size(), 2u);
    EXPECT_EQ(g_stands[0].id, "Z1");
    EXPECT_NEAR(g_stands[0].radius * 1852.0, 35.0, 1e-9);
    EXPECT_DOUBLE_EQ(g_stands[0].latitude, 52.4);
    EXPECT_EQ(g_stands[1].id, "Z2");
    EXPECT_FALSE(g_stands[1].cargo);
}

TEST_F(ParkApfTest, LearnedFileOfAnotherMakersSceneryIsFoundWhereItWasSaved) {
    const std::string local = "airports/my_thirdparty/EHAM.xml";
    lf_writeFile(local, lf_airportFile(R"(    <parameter name="publisher" value="Some/Maker"/>
    <parameter name="altitude" value="-11"/>
)"));
    ASSERT_EQ(lf_read(local), "");
    EXPECT_EQ(g_learnedApfPath.generic_string(), "airports/learned/thirdparty/Some Maker/EHAM.xml");
    ASSERT_EQ(gf_addStandOpt(g_stands[1].options, 0, 0, 4, 12, "KLM9", "PH-BXA", 0), 1u);
    ASSERT_TRUE(gf_writeApf(lf_learnedApf(), g_learnedApfPath, kApfModeLearned, 1));
    ASSERT_EQ(lf_read(local), "");
    EXPECT_EQ(g_stands[1].options.size(), 1u);
}

TEST_F(ParkApfTest, ClosestAirportAndItsNeighbour) {
    // EHAA and EHAB lie 4 and 3 NM north of the position; EHAA comes first in ICAO order
    const double position[2] = {52.0, 5.0};
    g_airports.clear();
    lf_addAirport("EHAA", 52.0 + 4.0 / 60.0, 5.0, 0, 10);
    lf_addAirport("EHAB", 52.0 + 3.0 / 60.0, 5.0, 0, 10);
    lf_addAirport("EHAC", 52.0 + 5.1 / 60.0, 5.0, 0, 10);
    // EHAA has a stand right at the position, EHAB's nearest stand is 1 NM away
    const auto standFile = [](double lat) {
        return "<root><parkpositions><parkpos id=\"far\" latitude=\"53\" longitude=\"5\"/><parkpos id=\"S1\" "
               "latitude=\"" +
               fmt::format("{:.6f}", lat) + "\" longitude=\"5.0\"/></parkpositions></root>";
    };
    lf_writeFile("airports/my_simaddon/EHAA.xml", standFile(52.0));
    lf_writeFile("airports/my_simaddon/EHAB.xml", standFile(52.0 + 1.0 / 60.0));
    const Airport* chosen = gf_findClosestAirport(position[0], position[1]);
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->icao, FixedCode<4>("EHAA"));
    std::string log = lf_log();
    EXPECT_NE(log.find("Airport EHAB is closest, neighbour is EHAA"), std::string::npos);
    EXPECT_NE(log.find("Airport EHAB is closest, but stand S1 at neighbouring airport EHAA is closer at 0 meters ..."),
              std::string::npos);

    // the neighbour's stands farther away: the closest airport stays
    lf_writeFile("airports/my_simaddon/EHAA.xml", standFile(52.0 + 2.0 / 60.0));
    EXPECT_EQ(gf_findClosestAirport(position[0], position[1])->icao, FixedCode<4>("EHAB"));
    std::string id;
    EXPECT_NEAR(gf_readDestApfForClosestStand(FixedCode<4>("EHAA"), 52.0, 5.0, id), 2.0, 1e-4);
    EXPECT_EQ(id, "S1");
    EXPECT_DOUBLE_EQ(gf_readDestApfForClosestStand(FixedCode<4>("ZZZZ"), 52.0, 5.0, id), 100.0);

    // nearer one first in ICAO order: no neighbour is recorded
    g_airports.clear();
    lf_addAirport("EHAA", 52.0 + 3.0 / 60.0, 5.0, 0, 10);
    lf_addAirport("EHAB", 52.0 + 4.0 / 60.0, 5.0, 0, 10);
    lf_writeFile("airports/my_simaddon/EHAB.xml", standFile(52.0));
    EXPECT_EQ(gf_findClosestAirport(position[0], position[1])->icao, FixedCode<4>("EHAA"));

    // nothing within 5 NM, even with one at 5.1 NM
    g_airports.clear();
    lf_addAirport("EHAC", 52.0 + 5.1 / 60.0, 5.0, 0, 10);
    EXPECT_EQ(gf_findClosestAirport(position[0], position[1]), nullptr);
}

} // namespace
} // namespace skf::test
