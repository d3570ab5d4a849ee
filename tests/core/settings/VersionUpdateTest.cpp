#include "SettingsFixture.h"
#include "core/Codes.h"
#include "core/settings/SettingsFile.h"
#include "core/settings/VersionUpdate.h"

namespace skf {
namespace {

namespace fs = std::filesystem;
using test::testData;
using test::writeFile;

class VersionUpdate : public test::SettingsTest {
protected:
    // The files an update may remove, and look-alikes it must keep.
    void makeWorkingFiles() {
        fs::create_directories("output");
        fs::create_directories("input");
        fs::create_directories("new_version/sub");
        writeFile("output/LiveriesScanned.xml", "<root/>");
        writeFile("Callsign2ObjectId.txt", "x");
        writeFile("input/airports_msfs.xml", "<a/>");
        writeFile("input/airports_msfs_names.xml", "<a/>");
        writeFile("new_version/sub/install_new_version.exe", "bin");
        for (const char* name : {"ABCD.xml", "ABCDE.xml", "ABC.xml", "ABCD.XML", "EDDF.txt"})
            writeFile(name, "<x/>");
        fs::create_directories("WXYZ.xml"); // a folder, not a file
    }
    static bool exists(const char* p) { return fs::exists(p); }
    void expectNothingRemoved() {
        for (const char* p : {"output/LiveriesScanned.xml", "Callsign2ObjectId.txt", "input/airports_msfs.xml",
                              "input/airports_msfs_names.xml", "new_version", "ABCD.xml", "ABCDE.xml", "ABC.xml",
                              "ABCD.XML", "EDDF.txt", "WXYZ.xml"})
            EXPECT_TRUE(exists(p)) << p;
    }
};

TEST_F(VersionUpdate, FirstStartWritesDefaultsAndSwitchesBothScansOn) {
    SCAN_LIVERIES.set(false);
    SCAN_AIRPORTS.set(false);
    SCAN_AIRPORTS.create(5);
    gf_checkParametersVersion();
    EXPECT_TRUE(SCAN_LIVERIES.value());
    EXPECT_TRUE(SCAN_AIRPORTS.value());
    EXPECT_TRUE(gf_controls().isChecked(SCAN_AIRPORTS.controlId));
    EXPECT_EQ(parametersText(), testData("parameters_default.xml"));
}

TEST_F(VersionUpdate, AFileWithoutVersionRecordsTheRunningVersionAndConvertsNothing) {
    writeFile(g_parametersPath, R"(<root><parameters><parameter name="RANGE" value="65"/></parameters></root>)");
    makeWorkingFiles();
    gf_checkParametersVersion();
    EXPECT_EQ(PROGRAM_VERSION.value(), "11.11.3");
    EXPECT_EQ(gf_readStringParameter(loadParameters(), "PROGRAM_VERSION"), "11.11.3");
    expectNothingRemoved();
    EXPECT_EQ(logText().find("This is a version update"), std::string::npos);
}

TEST_F(VersionUpdate, TheSameVersionChangesNothing) {
    writeFile(g_parametersPath, testData("parameters_default.xml"));
    makeWorkingFiles();
    gf_checkParametersVersion();
    EXPECT_EQ(parametersText(), testData("parameters_default.xml"));
    expectNothingRemoved();
    EXPECT_EQ(logText().find("This is a version update"), std::string::npos);
}

TEST_F(VersionUpdate, AConvertibleUpdateForcesALiveryScanAndRemovesObsoleteFiles) {
    writeFile(g_parametersPath, testData("parameters_11_5_0_before.xml"));
    makeWorkingFiles();
    SCAN_LIVERIES.create(5);
    gf_checkParametersVersion();
    EXPECT_EQ(parametersText(), testData("parameters_11_5_0_after.xml"));
    EXPECT_TRUE(SCAN_LIVERIES.value());
    EXPECT_TRUE(gf_controls().isChecked(SCAN_LIVERIES.controlId));
    EXPECT_EQ(RANGE.value(), 65);
    for (const char* p : {"output/LiveriesScanned.xml", "Callsign2ObjectId.txt", "input/airports_msfs.xml",
                          "input/airports_msfs_names.xml", "new_version", "ABCD.xml"})
        EXPECT_FALSE(exists(p)) << p;
    for (const char* p : {"ABCDE.xml", "ABC.xml", "ABCD.XML", "EDDF.txt", "WXYZ.xml", "output", "input"})
        EXPECT_TRUE(exists(p)) << p;
    const std::string log = logText();
    EXPECT_NE(log.find("This is a version update from 11.5.0 -> 11.11.3\n"), std::string::npos);
    EXPECT_NE(log.find(fs::current_path().string() + "\n"), std::string::npos);
}

TEST_F(VersionUpdate, TheLowestConvertibleVersionIs11_0_2) {
    std::string before = testData("parameters_11_5_0_before.xml");
    before.replace(before.find("11.5.0"), 6, "11.0.2");
    writeFile(g_parametersPath, before);
    makeWorkingFiles();
    gf_checkParametersVersion();
    EXPECT_EQ(parametersText(), testData("parameters_11_5_0_after.xml"));
    EXPECT_FALSE(exists("Callsign2ObjectId.txt"));
}

TEST_F(VersionUpdate, ATooOldVersionResetsTheFileToDefaultsAndRemovesNothingElse) {
    writeFile(g_parametersPath, testData("parameters_11_0_1_before.xml"));
    makeWorkingFiles();
    gf_checkParametersVersion();
    EXPECT_EQ(parametersText(), testData("parameters_default.xml"));
    // Memory keeps the loaded values for this run.
    EXPECT_EQ(RANGE.value(), 65);
    EXPECT_EQ(DESTINATION.value(), "EDDF");
    expectNothingRemoved();
    const std::string log = logText();
    const auto update = log.find("This is a version update from 11.0.1 -> 11.11.3\n");
    const auto tooOld = log.find(
        "\nYour previous version was too old to convert the old text box parameters to the newdropbox values.\n");
    const auto restart = log.find("Skyfill re-starts with default parameter values ...\n\n");
    ASSERT_NE(update, std::string::npos);
    ASSERT_NE(tooOld, std::string::npos);
    ASSERT_NE(restart, std::string::npos);
    EXPECT_LT(update, tooOld);
    EXPECT_LT(tooOld, restart);
}

TEST_F(VersionUpdate, ANewerStoredVersionIsSetBackToTheRunningOne) {
    writeFile(g_parametersPath, testData("parameters_12_0_0_before.xml"));
    makeWorkingFiles();
    gf_checkParametersVersion();
    EXPECT_EQ(parametersText(), testData("parameters_12_0_0_after.xml"));
    expectNothingRemoved();
    EXPECT_EQ(logText().find("This is a version update"), std::string::npos);
}

TEST_F(VersionUpdate, AnUnreadableVersionCountsAsTooOld) {
    std::string before = testData("parameters_11_5_0_before.xml");
    before.replace(before.find("11.5.0"), 6, "eleven");
    writeFile(g_parametersPath, before);
    gf_checkParametersVersion();
    EXPECT_EQ(parametersText(), testData("parameters_default.xml"));
}

TEST(VersionData, JsonNumbersOutsideTheFieldAreRefusedLikeABadText) {
    EXPECT_EQ(gf_parseVersion(R"({"major": 2, "minor": 7})"), (VersionData{2, 7, 0}));
    EXPECT_EQ(gf_parseVersion(R"({"major": 2, "minor": 4294967297, "patch": 1})"), (VersionData{}));
    EXPECT_EQ(gf_parseVersion(R"({"major": -2147483649, "minor": 1, "patch": 1})"), (VersionData{}));
    EXPECT_EQ(gf_parseVersion(R"({"major": 2147483647, "minor": -2147483648, "patch": 1})"),
              (VersionData{2147483647, -2147483648, 1}));
    EXPECT_EQ(gf_parseVersion("12345678901.0.0"), (VersionData{}));
}

} // namespace
} // namespace skf
