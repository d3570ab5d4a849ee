// The check of the generated thirdparty airport files and the TBLO archive.
#include "ScanFixture.h"

#include <set>

#include "airportscan/AirportScanServices.h"
#include "airportscan/ThirdpartyArchive.h"
#include "core/Files.h"
#include "data/ZipArchive.h"
#include "data/apf/ApfWriter.h"

namespace {

using namespace skf;
namespace fs = std::filesystem;

class ThirdpartyArchiveTest : public test::ScanFixture {
protected:
    void SetUp() override {
        ScanFixture::SetUp();
        fs::create_directories(g_tbloFolder);
        fs::create_directories(g_myThirdpartyFolder);
        apf("EGKK", "Northwind Scenery", "", "");
        test::WorkFolder::writeFile(g_myThirdpartyFolder / "EGKK.txt",
                                    "archive/thirdparty/Northwind%20Scenery/EGKK.xml\n");
        apf("EGPH", "", "abc", "Harbou");    // the creator qualifies
        apf("EGLC", "", "Unknown", "abc");   // neither qualifies
        apf("KMCI", "TropicalSim", "", "");  // the known bad case
        apf("ZZZZ", "Harbourlight", "", ""); // not an airport of the list
        test::WorkFolder::writeFile(g_myThirdpartyFolder / "abc.XML", "<root/>");
        test::WorkFolder::writeFile(g_myThirdpartyFolder / "ABCDE.xml", "<root/>");
    }
    static void apf(const char* icao, const char* publisher, const char* manufacturer, const char* creator) {
        Apf a;
        a.icao = FixedCode<4>(icao);
        a.publisher = publisher;
        a.manufacturer = manufacturer;
        a.creator = creator;
        a.stands.emplace_back("A1", std::vector<StandOpt>{}, 51.0, 0.1, 1.0, 20.0, false, false, false);
        ASSERT_TRUE(gf_writeApf(a, g_myThirdpartyFolder / (std::string(icao) + ".xml"), kApfModeFull, 1));
    }
};

TEST_F(ThirdpartyArchiveTest, RecognisedFilesOfListedAirportsArePackedIntoTbloZip) {
    const auto codes = lf_listThirdpartyXmlCodes();
    EXPECT_EQ(codes.size(), 5U); // abc.XML and ABCDE.xml are no airport files
    lf_checkThirdpartyAirports(codes);

    ZipArchive zip;
    ASSERT_TRUE(zip.open(g_tbloFolder / g_tbloZipName));
    std::set<std::string> names;
    for (std::int64_t i = 0; i < zip.entryCount(); ++i)
        names.insert(zip.entryName(i));
    EXPECT_EQ(names, (std::set<std::string>{"EGKK.xml", "EGPH.xml"}));
    EXPECT_EQ(gf_countDirectoryEntries(g_tbloFolder), 1U); // the copies went into the archive
    EXPECT_EQ(g_unrecognisedAirports.load(), 2U);
    EXPECT_FALSE(fs::exists(g_myThirdpartyFolder / "EGKK.xml")); // its link file serves
    EXPECT_TRUE(fs::exists(g_myThirdpartyFolder / "EGPH.xml"));
    EXPECT_TRUE(fs::exists(g_myThirdpartyFolder / "EGLC.xml"));
    EXPECT_FALSE(fs::exists(g_myThirdpartyFolder / "KMCI.xml"));
    EXPECT_TRUE(fs::exists(g_myThirdpartyFolder / "ZZZZ.xml"));
    EXPECT_NE(work.log().find("\n! Mail tblo/tblo.zip to support@skyfill.example\n"), std::string::npos);
}

TEST_F(ThirdpartyArchiveTest, AFailedZipKeepsTheCopiesAndTheMailNamesTheFolder) {
    // A folder in the archive's place cannot be replaced.
    fs::create_directories(g_tbloFolder / g_tbloZipName / "in-the-way");
    lf_checkThirdpartyAirports(lf_listThirdpartyXmlCodes());
    EXPECT_TRUE(fs::exists(g_tbloFolder / "EGKK.xml"));
    EXPECT_TRUE(fs::exists(g_tbloFolder / "EGPH.xml"));
    const std::string log = work.log();
    EXPECT_NE(log.find("==> Zippen TBLO folder failed"), std::string::npos);
    EXPECT_NE(log.find("\n! Mail tblo to support@skyfill.example\n"), std::string::npos);
    EXPECT_EQ(log.find("! Mail tblo/tblo.zip"), std::string::npos);
    EXPECT_EQ(g_unrecognisedAirports.load(), 3U); // two copies and the folder in the way
}

TEST_F(ThirdpartyArchiveTest, NothingRecognisedLeavesNoArchive) {
    for (const char* name : {"EGKK.xml", "EGPH.xml"})
        fs::remove(g_myThirdpartyFolder / name);
    lf_checkThirdpartyAirports(lf_listThirdpartyXmlCodes());
    EXPECT_EQ(g_unrecognisedAirports.load(), 0U);
    EXPECT_FALSE(fs::exists(g_tbloFolder / g_tbloZipName));
    EXPECT_NE(work.log().find("All your third party airports are recognised, no off line learning needed."),
              std::string::npos);
}

} // namespace
