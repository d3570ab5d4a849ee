#include <gtest/gtest.h>

#include "core/ProgramState.h"
#include "core/settings/ProgramPaths.h"
#include "sim/FlightPlans.h"
#include "sim/SimTestSupport.h"

namespace skf {
namespace {

FlightRecord planRecord(SizeCategory category, std::string_view origin, std::string_view destination) {
    FlightRecord record;
    record.category = category;
    record.origin = gf_routeCode(origin);
    record.destination = gf_routeCode(destination);
    return record;
}

class FlightPlanFiles : public ::testing::Test {
protected:
    void SetUp() override {
        gf_buildProgramPathsIn(temp.path());
        ASSERT_TRUE(gf_createFlightPlanFolder());
    }
    void TearDown() override { g_simIs2020 = true; }
    test::TempFolder temp;
};

TEST_F(FlightPlanFiles, FolderIsMadeInTheDataFolder) {
    EXPECT_EQ(gf_flightPlanFolder(), temp.path() / "Skyfill" / "orig_dest");
    EXPECT_TRUE(std::filesystem::is_directory(gf_flightPlanFolder()));
    // A second call finds the folder there.
    EXPECT_TRUE(gf_createFlightPlanFolder());
}

TEST_F(FlightPlanFiles, LightAircraftGetsAVfrPlanByteForByte) {
    const auto path = gf_flightPlanPath(12345);
    EXPECT_EQ(path, gf_flightPlanFolder() / "12345.pln");
    ASSERT_TRUE(gf_writeFlightPlan(path, planRecord(SizeCategory::Light, "ABC", "XYZ")));
    EXPECT_EQ(test::readFile(path), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                    "<SimBase.Document Type=\"AceXML\" version=\"4,3\">\n"
                                    "<FlightPlan.FlightPlan>\n"
                                    "<FPType>VFR</FPType>\n"
                                    "<DepartureID>ABC</DepartureID>\n"
                                    "<DestinationID>XYZ</DestinationID>\n"
                                    "</FlightPlan.FlightPlan>\n"
                                    "</SimBase.Document>\n"
                                    "\n");
}

TEST_F(FlightPlanFiles, AirlinerCategoriesFlyIfrAndUnsetCodesAreBlanks) {
    for (const auto category : {SizeCategory::Buzjets, SizeCategory::Large, SizeCategory::Heavy}) {
        EXPECT_NE(gf_flightPlanText(planRecord(category, "AMS", "")).find("<FPType>IFR</FPType>\n"), std::string::npos);
    }
    for (const auto category : {SizeCategory::HighPerf, SizeCategory::Rotorcraft}) {
        EXPECT_NE(gf_flightPlanText(planRecord(category, "AMS", "")).find("<FPType>VFR</FPType>\n"), std::string::npos);
    }
    const std::string text = gf_flightPlanText(planRecord(SizeCategory::Large, "", "JFK"));
    EXPECT_NE(text.find("<DepartureID>   </DepartureID>\n"), std::string::npos);
    EXPECT_NE(text.find("<DestinationID>JFK</DestinationID>\n"), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST_F(FlightPlanFiles, SecondWriteReplacesTheFirst) {
    const auto path = gf_flightPlanPath(7);
    ASSERT_TRUE(gf_writeFlightPlan(path, planRecord(SizeCategory::Large, "AMS", "JFK")));
    ASSERT_TRUE(gf_writeFlightPlan(path, planRecord(SizeCategory::Light, "EDI", "GLA")));
    EXPECT_EQ(test::readFile(path), gf_flightPlanText(planRecord(SizeCategory::Light, "EDI", "GLA")));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(gf_flightPlanFolder())) {
        ++files;
    }
    EXPECT_EQ(files, 1U);
}

TEST_F(FlightPlanFiles, FileNamesAreDecimalAlsoUnderMsfs2024) {
    g_simIs2020 = false;
    EXPECT_EQ(gf_flightPlanPath(0xABCDEF).filename(), "11259375.pln");
}

TEST_F(FlightPlanFiles, UnwritableFolderFails) {
    const auto path = temp.path() / "missing" / "1.pln";
    EXPECT_FALSE(gf_writeFlightPlan(path, planRecord(SizeCategory::Light, "ABC", "XYZ")));
    EXPECT_FALSE(std::filesystem::exists(path));
}

} // namespace
} // namespace skf
