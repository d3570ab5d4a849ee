#include <pugixml.hpp>

#include "SettingsFixture.h"
#include "core/StatusLine.h"
#include "core/settings/SettingsFile.h"

namespace skf {
namespace {

using test::readFile;
using test::testData;
using test::writeFile;

class SettingsFile : public test::SettingsTest {};

std::size_t countOf(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1))
        ++n;
    return n;
}

TEST_F(SettingsFile, FirstLoadWritesTheDefaultFileAndASecondLoadReadsItBackUnchanged) {
    ASSERT_FALSE(std::filesystem::exists(g_parametersPath));
    EXPECT_TRUE(gf_loadParameters());
    const std::string golden = testData("parameters_default.xml");
    EXPECT_EQ(parametersText(), golden);

    EXPECT_FALSE(gf_loadParameters());
    EXPECT_EQ(parametersText(), golden);
    EXPECT_EQ(PROGRAM_VERSION.value(), "11.11.3");
    EXPECT_EQ(RANGE.value(), 40);
    EXPECT_EQ(AI_PACKAGE_SELECTOR.value(), "AIG, FSLTL, JF, MTL");

    const std::string log = logText();
    EXPECT_NE(log.find(" not found, creating new with default values:"), std::string::npos);
    EXPECT_NE(log.find("from '" + g_parametersPath.string() + "'"), std::string::npos);
    EXPECT_NE(log.find("PORT_NUMBER=\"10747\""), std::string::npos);
    EXPECT_NE(log.find("LAST_EPOCH_TIME:=0"), std::string::npos);
}

TEST_F(SettingsFile, AFullSaveWithDefaultsKeepsTheCurrentValuesInMemory) {
    RANGE.set(65);
    DESTINATION.set("EDDF");
    gf_saveParameters(true);
    EXPECT_EQ(parametersText(), testData("parameters_default.xml"));
    EXPECT_EQ(RANGE.value(), 65);
    EXPECT_EQ(DESTINATION.value(), "EDDF");

    gf_saveParameters(false);
    EXPECT_NE(parametersText().find(R"(<parameter name="RANGE" value="65" />)"), std::string::npos);
    EXPECT_NE(parametersText().find(R"(<parameter name="DESTINATION" value="EDDF" />)"), std::string::npos);
}

TEST_F(SettingsFile, ValuesOutOfRangeAreClampedAndBadTextsReadAsFalseOrZero) {
    writeFile(g_parametersPath, R"(<?xml version="1.0"?>
<root><parameters>
  <parameter name="RANGE" value="500"/>
  <parameter name="HOLDING_THRESHOLD_METERS" value="5"/>
  <parameter name="AIRP_HEIGHT" value="7000"/>
  <parameter name="LAST_EPOCH_TIME:" value="-12"/>
  <parameter name="MAX_HOLDING_MINUTES" value="99999999999"/>
  <parameter name="MATCHING_DEPTH" value="abc"/>
  <parameter name="CUSTOM_PARKING_PERCENTAGE" value="-1"/>
  <parameter name="ALWAYS_ON_TOP" value="yes"/>
  <parameter name="GUID_CHANGES" value="no"/>
  <parameter name="SCAN_LIVERIES" value="off"/>
  <parameter name="AEROWINX" value="Y"/>
  <parameter name="RANDOM"/>
  <parameter name="MAX_FIT"/>
  <parameter name="PORT_NUMBER"/>
</parameters></root>)");
    EXPECT_FALSE(gf_loadParameters());
    EXPECT_EQ(RANGE.value(), 100);
    EXPECT_EQ(HOLDING_THRESHOLD_METERS.value(), 10);
    EXPECT_EQ(AIRP_HEIGHT.value(), 7000); // between two choices: kept
    EXPECT_EQ(LAST_EPOCH_TIME.value(), 0);
    EXPECT_EQ(MAX_HOLDING_MINUTES.value(), 60);
    EXPECT_EQ(MATCHING_DEPTH.value(), 1); // no number reads as 0, then clamped
    EXPECT_EQ(CUSTOM_PARKING_PERCENTAGE.value(), -1);
    EXPECT_TRUE(ALWAYS_ON_TOP.value());
    EXPECT_FALSE(GUID_CHANGES.value());
    EXPECT_FALSE(SCAN_LIVERIES.value());
    EXPECT_TRUE(AEROWINX.value());
    EXPECT_FALSE(RANDOM.value()); // no value attribute: present, false
    EXPECT_EQ(MAX_FIT.value(), 0);
    EXPECT_EQ(PORT_NUMBER.value(), "");

    const std::string file = parametersText();
    // Entries without a value are not appended again; missing keys are appended with their default.
    EXPECT_EQ(countOf(file, R"(name="RANDOM")"), 1u);
    EXPECT_EQ(countOf(file, R"(name="PORT_NUMBER")"), 1u);
    EXPECT_NE(file.find(R"(<parameter name="SIM_CHOICE" value="MSFS 2020" />)"), std::string::npos);
    EXPECT_EQ(countOf(file, R"(name="AIRP_HEIGHT")"), 1u); // the first read finds it, the second too
    EXPECT_NE(file.find(R"(<parameter name="LIG_PRIORITIZE" value="true" />)"), std::string::npos);
    // The load keeps the file's own texts; the clamped values go to the file only when stored.
    EXPECT_NE(file.find(R"(<parameter name="RANGE" value="500" />)"), std::string::npos);

    const std::string log = logText();
    EXPECT_NE(log.find("RANGE=100\n"), std::string::npos);
    EXPECT_NE(log.find("SIM_CHOICE=\"MSFS 2020\"\n"), std::string::npos);
}

TEST_F(SettingsFile, AMissingAirpHeightIsAppendedOnceAndBothEntriesAreWrittenByTheNextSave) {
    writeFile(g_parametersPath, R"(<root><parameters><parameter name="RANGE" value="30"/></parameters></root>)");
    // A whole number missing from the file takes its default, whatever the record held before.
    MAX_HOLDING_MINUTES.set(45);
    MAX_LIVE_SEL.set(25);
    gf_loadParameters();
    EXPECT_EQ(MAX_HOLDING_MINUTES.value(), 20);
    EXPECT_EQ(MAX_LIVE_SEL.value(), 500);
    EXPECT_NE(parametersText().find(R"(<parameter name="MAX_HOLDING_MINUTES" value="20" />)"), std::string::npos);
    EXPECT_EQ(countOf(parametersText(), R"(name="AIRP_HEIGHT")"), 1u);
    AIRP_HEIGHT.set(7000);
    gf_saveParameters(false);
    EXPECT_EQ(countOf(parametersText(), R"(<parameter name="AIRP_HEIGHT" value="7000" />)"), 2u);
}

TEST_F(SettingsFile, TheLoadTakesTheFirstOfTwoEntriesAndAStoreSetsBoth) {
    writeFile(g_parametersPath, R"(<root><parameters>
<parameter name="BLOCK_CALLSIGN" value="DLH1"/>
<parameter name="BLOCK_CALLSIGN" value="BAW2"/>
<parameter name="MAX_LIVE_SEL"/>
</parameters></root>)");
    gf_loadParameters();
    EXPECT_EQ(BLOCK_CALLSIGN.value(), "DLH1");
    BLOCK_CALLSIGN.setValue("AFR3");
    EXPECT_EQ(countOf(parametersText(), R"(<parameter name="BLOCK_CALLSIGN" value="AFR3" />)"), 2u);
    // An entry without a value attribute gets one.
    MAX_LIVE_SEL.set(25);
    MAX_LIVE_SEL.store();
    EXPECT_NE(parametersText().find(R"(<parameter name="MAX_LIVE_SEL" value="25" />)"), std::string::npos);
}

TEST_F(SettingsFile, AFileWithoutRootIsReadAndTheFirstStoreWrapsItInRoot) {
    writeFile(g_parametersPath, R"(<?xml version="1.0"?>
<parameters><parameter name="RANGE" value="25"/><parameter name="DESTINATION" value="KJFK"/></parameters>
)");
    EXPECT_FALSE(gf_loadParameters());
    EXPECT_EQ(RANGE.value(), 25);
    EXPECT_EQ(DESTINATION.value(), "KJFK");
    {
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_file(g_parametersPath.c_str()));
        EXPECT_FALSE(doc.child("root"));
        EXPECT_TRUE(gf_readStringParameter(doc, "SIM_CHOICE")); // appended without adding root
    }
    WEEK.set(true);
    WEEK.store();
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(g_parametersPath.c_str()));
    ASSERT_TRUE(doc.child("root"));
    EXPECT_EQ(gf_readBoolParameter(doc, "WEEK"), true);
    EXPECT_EQ(gf_readIntParameter(doc, "RANGE"), 25);
    EXPECT_EQ(gf_readStringParameter(doc, "DESTINATION"), "KJFK");
    EXPECT_EQ(countOf(parametersText(), "<parameter "), 61u);
    EXPECT_NE(logText().find("\nPlacing a root level around a new parameters.xml to make it 100% xml compliance\n"),
              std::string::npos);
}

TEST_F(SettingsFile, AStoreWhileTheFileIsUnreadableKeepsEverySetting) {
    gf_loadParameters();
    RANGE.set(65);
    MAX_FIT.set(20);
    SIM_CHOICE.set("MSFS 2024");
    lfolder3.set("/home/pilot/liveries");
    writeFile(g_parametersPath, "<root><parameters><parameter name=\"RANGE\" value="); // cut off, not XML
    WEEK.set(true);
    WEEK.store();

    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(g_parametersPath.c_str()));
    EXPECT_EQ(countOf(parametersText(), "<parameter "), 61u);
    EXPECT_EQ(gf_readBoolParameter(doc, "WEEK"), true);
    EXPECT_EQ(gf_readIntParameter(doc, "RANGE"), 65);
    EXPECT_EQ(gf_readIntParameter(doc, "MAX_FIT"), 20);
    EXPECT_EQ(gf_readStringParameter(doc, "SIM_CHOICE"), "MSFS 2024");
    EXPECT_EQ(gf_readStringParameter(doc, "lfolder3"), "/home/pilot/liveries");
    EXPECT_EQ(gf_readStringParameter(doc, "PROGRAM_VERSION"), ""); // the version update records it
}

TEST_F(SettingsFile, AStoreWithoutAFileWritesEverySettingAndNeverThrows) {
    PORT_NUMBER.setValue("10800");
    EXPECT_EQ(countOf(parametersText(), "<parameter "), 61u);
    EXPECT_EQ(gf_readStringParameter(pugi::xml_node(), "PORT_NUMBER"), std::nullopt);

    // A data folder that cannot hold the file: the store logs and returns.
    std::filesystem::remove_all(g_dataFolder);
    writeFile(g_dataFolder, "a file where the folder should be");
    EXPECT_NO_THROW(PORT_NUMBER.setValue("10801"));
    EXPECT_NO_THROW(gf_saveParameters(false));
    EXPECT_NE(logText().find("==> saving: " + g_parametersPath.string() + " failed"), std::string::npos);
}

TEST_F(SettingsFile, AFailedSaveGivesTheSystemsReasonInTheLogAndOnceOnTheStatusLine) {
    gf_loadParameters();
    std::filesystem::remove_all(g_dataFolder);
    writeFile(g_dataFolder, "a file where the folder should be");
    gf_clearError();
    gf_clearStatus();
    const std::string text = g_parametersPath.string() + " failed: Not a directory";
    PORT_NUMBER.setValue("10801");
    EXPECT_EQ(gf_statusSnapshot().statusText, "Settings not saved: " + text);
    // Every store that follows fails alike: logged each time, shown no more.
    gf_clearStatus();
    RANGE.set(12);
    RANGE.store();
    gf_saveParameters(false);
    EXPECT_EQ(gf_statusSnapshot().statusText, "");
    // After a save that works, a new failure is shown again.
    std::filesystem::remove(g_dataFolder);
    std::filesystem::create_directories(g_dataFolder);
    RANGE.store();
    std::filesystem::remove_all(g_dataFolder);
    writeFile(g_dataFolder, "a file where the folder should be");
    RANGE.store();
    EXPECT_EQ(gf_statusSnapshot().statusText, "Settings not saved: " + text);
    gf_clearStatus();
    EXPECT_EQ(countOf(logText(), "==> saving: " + text), 4u);
}

TEST_F(SettingsFile, NothingIsLoggedForValuesWhileStopping) {
    gf_loadParameters();
    g_stopRun = true;
    RANGE.set(12);
    RANGE.store();
    g_stopRun = false;
    EXPECT_EQ(logText().find("RANGE=12"), std::string::npos);
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(g_parametersPath.c_str()));
    EXPECT_EQ(gf_readIntParameter(doc, "RANGE"), 12);
}

TEST_F(SettingsFile, ReadersFindTheFirstExactKeyUnderRootOrTheDocument) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(R"(<root><parameters>
<parameter name="range" value="1"/><parameter name="RANGE" value=" -7x"/><parameter name="RANGE" value="9"/>
<parameter name="FLAG" value="1"/><parameter name="TXT" value="a &amp; b"/>
</parameters></root>)"));
    EXPECT_EQ(gf_readIntParameter(doc, "RANGE"), -7);
    EXPECT_EQ(gf_readBoolParameter(doc, "FLAG"), true);
    EXPECT_EQ(gf_readStringParameter(doc, "TXT"), "a & b");
    EXPECT_EQ(gf_readStringParameter(doc, "NONE"), std::nullopt);
    EXPECT_EQ(gf_readIntParameter(doc.child("root"), "RANGE"), -7); // a node holding `parameters` itself
    EXPECT_EQ(gf_readIntParameter(doc.child("root").child("parameters"), "RANGE"), std::nullopt);

    pugi::xml_document old;
    ASSERT_TRUE(old.load_string(R"(<parameters><parameter name="X" value="tRUE"/></parameters>)"));
    EXPECT_EQ(gf_readBoolParameter(old, "X"), true);

    pugi::xml_document out;
    auto node = out.append_child("parameters");
    EXPECT_TRUE(gf_appendIntParameter(node, "N", -3));
    EXPECT_TRUE(gf_appendBoolParameter(node, "B", false));
    EXPECT_TRUE(gf_appendStringParameter(node, "S", "<x>"));
    EXPECT_EQ(gf_readIntParameter(out, "N"), -3);
    EXPECT_EQ(gf_readBoolParameter(out, "B"), false);
    EXPECT_EQ(gf_readStringParameter(out, "S"), "<x>");
}

// ---- Data-file header

TEST_F(SettingsFile, AWrittenHeaderReadsBack) {
    pugi::xml_document doc;
    MetaInfo meta;
    meta.version = "2.4.1";
    meta.sim = 2;
    ASSERT_TRUE(gf_writeMetaInfo(doc, meta));
    auto read = gf_readMetaInfo(doc, false);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->author, "Skyfill");
    EXPECT_EQ(read->version, "2.4.1");
    EXPECT_EQ(read->sim, 2);
    EXPECT_EQ(read->date.size(), 12u); // "Dec 05, 2026"
    EXPECT_TRUE(read->P3D.empty());
    // Entries in order: author, version, date, copyright, sim.
    std::vector<std::string> names;
    for (auto info : doc.child("root").child("meta").children("info"))
        names.push_back(info.attribute("name").value());
    EXPECT_EQ(names, (std::vector<std::string>{"author", "version", "date", "copyright", "sim"}));
    EXPECT_FALSE(std::string(doc.child("root")
                                 .child("meta")
                                 .find_child_by_attribute("info", "name", "copyright")
                                 .attribute("value")
                                 .value())
                     .empty());
}

TEST_F(SettingsFile, HeadersWithoutCopyrightOrSimulatorAreRefused) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(R"(<root><meta>
<info name="copyright" value=""/><info name="copyright" value="x"/><info name="sim" value="1"/>
</meta></root>)"));
    EXPECT_FALSE(gf_readMetaInfo(doc, true));

    ASSERT_TRUE(doc.load_string(R"(<root><meta><info name="copyright" value="c"/><info name="version" value="1.0.0"/>
<info name="version" value="9.9.9"/></meta></root>)"));
    EXPECT_FALSE(gf_readMetaInfo(doc, false));
    auto learned = gf_readMetaInfo(doc, true);
    ASSERT_TRUE(learned);
    EXPECT_EQ(learned->version, "1.0.0");
    EXPECT_EQ(learned->sim, -1);

    ASSERT_TRUE(doc.load_string(R"(<meta><info name="copyright" value="c"/><info name="MSFS" value="yes"/></meta>)"));
    auto noRoot = gf_readMetaInfo(doc, false);
    ASSERT_TRUE(noRoot);
    EXPECT_EQ(noRoot->MSFS, "yes");

    ASSERT_TRUE(doc.load_string("<root><stands/></root>"));
    EXPECT_FALSE(gf_readMetaInfo(doc, true));

    const std::string log = logText();
    EXPECT_EQ(countOf(log, "==> no copyright info in the file?\n"), 1u);
}

} // namespace
} // namespace skf
