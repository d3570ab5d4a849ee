#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "data/Downloader.h"
#include "core/Geometry.h"
#include "data/apf/ApfFetch.h"
#include "data/apf/ApfLocate.h"
#include "data/apf/ApfLocateInternal.h"
#include "data/apf/ParkApf.h"
#include "tools/dlserver/DownloadServer.h"
#include "ApfFixture.h"

namespace skf::test {
namespace {

using ApfLocateTest = ApfTest;

const FixedCode<4> kEham("EHAM");

TEST_F(ApfLocateTest, FileNames) {
    EXPECT_EQ(gf_apfFileName(kEham), "EHAM.xml");
    EXPECT_EQ(gf_apfXmlName(kEham), std::filesystem::path("EHAM.xml"));
    EXPECT_EQ(gf_apfTxtName(kEham), std::filesystem::path("EHAM.txt"));
}

TEST_F(ApfLocateTest, SearchOrderOfLocalFilesLinksAndArchive) {
    EXPECT_EQ(gf_locateApf(kEham), "archive/stock/EHAM.xml");
    lf_writeFile("airports/my_simaddon/EHAM.txt", "archive/simaddon/EHAM.XML  \r\nsecond line\n");
    EXPECT_EQ(gf_locateApf(kEham), "archive/simaddon/EHAM.XML");
    lf_writeFile("airports/my_thirdparty/EHAM.xml", "<root/>");
    EXPECT_EQ(gf_locateApf(kEham), "airports/my_thirdparty/EHAM.xml"); // before a simaddon link
    lf_writeFile("airports/my_thirdparty/EHAM.txt", "archive/thirdparty/Some%20Maker/EHAM.xml\n");
    EXPECT_EQ(gf_locateApf(kEham), "archive/thirdparty/Some%20Maker/EHAM.xml"); // a link beats the file
    lf_writeFile("airports/my_thirdparty/EHAM.txt", "archive/thirdparty/Some%20Maker/EHAM.txt\n");
    EXPECT_EQ(gf_locateApf(kEham), "airports/my_thirdparty/EHAM.xml"); // unusable link: next step
}

TEST_F(ApfLocateTest, LinkFilesAreCheckedLine) {
    std::string out = "stale";
    EXPECT_FALSE(lf_readApfLink("airports/none.txt", out));
    EXPECT_EQ(out, "");
    lf_writeFile("airports/empty.txt", "");
    EXPECT_FALSE(lf_readApfLink("airports/empty.txt", out));
    lf_writeFile("airports/blank.txt", "\nairports/x.xml\n");
    EXPECT_FALSE(lf_readApfLink("airports/blank.txt", out));
    lf_writeFile("airports/short.txt", "xml\n");
    EXPECT_FALSE(lf_readApfLink("airports/short.txt", out));
    lf_writeFile("airports/ok.txt", "\xEF\xBB\xBF"
                                    "airports/my_simaddon/X.Xml\t \n");
    EXPECT_TRUE(lf_readApfLink("airports/ok.txt", out));
    EXPECT_EQ(out, "airports/my_simaddon/X.Xml");
}

TEST_F(ApfLocateTest, ExistenceOfAirportFiles) {
    const FixedCode<4> none("EHTX"); // listed with 0 stands
    EXPECT_FALSE(gf_apfExists(none));
    EXPECT_EQ(gf_locateApf(none), "");
    EXPECT_TRUE(gf_apfExists(FixedCode<4>("EHTY")));
    EXPECT_FALSE(gf_apfExists(FixedCode<4>("ZZZZ")));
    lf_writeFile("airports/my_simaddon/EHTX.txt", "not even a path"); // counts without being read
    EXPECT_TRUE(gf_apfExists(none));
    EXPECT_EQ(gf_locateApf(none), "");
}

TEST_F(ApfLocateTest, AddressesBySimulator) {
    gf_setDownloadBaseUrl("http://host/downloads/");
    g_simIs2020 = false;
    EXPECT_EQ(gf_apfDownloadUrl("archive/stock/EHAM.xml"), "http://host/downloads/MSFS/archive/stock/EHAM.xml");
    EXPECT_EQ(gf_apfDownloadUrl("archive/simaddon/EHRD.xml"), "http://host/downloads/MSFS/archive/simaddon/EHRD.xml");
    EXPECT_EQ(gf_apfDownloadUrl("archive/thirdparty/Some%20Maker/EHAM.xml"),
              "http://host/downloads/MSFS2024/archive/thirdparty/Some%20Maker/EHAM.xml");
    g_simIs2020 = true;
    EXPECT_EQ(gf_apfDownloadUrl("archive/thirdparty/Some%20Maker/EHAM.xml"),
              "http://host/downloads/MSFS/archive/thirdparty/Some%20Maker/EHAM.xml");
    gf_setDownloadBaseUrl("");
}

class ApfDownloadTest : public ApfTest {
protected:
    void SetUp() override {
        ApfTest::SetUp();
        m_server = std::make_unique<DownloadServer>(std::filesystem::path(SKYFILL_SOURCE_DIR) / "sample" / "archive");
        ASSERT_TRUE(m_server->start());
        DownloadConfig config = gf_downloadConfig();
        config.baseUrl = m_server->baseUrl();
        config.connectTimeout = std::chrono::seconds(5);
        config.lowSpeedTime = std::chrono::seconds(5);
        gf_setDownloadConfig(config);
    }
    void TearDown() override {
        m_server->stop();
        gf_setDownloadBaseUrl("");
        ApfTest::TearDown();
    }
    std::unique_ptr<DownloadServer> m_server;
};

TEST_F(ApfDownloadTest, ArchiveFilesComeOverLoopback) {
    EXPECT_EQ(lf_downloadApf("archive/stock/EHAM.xml", "airports/park_airport.xml"), "");
    EXPECT_EQ(lf_readFile("airports/park_airport.xml"),
              lf_readFile(std::filesystem::path(SKYFILL_SOURCE_DIR) / "sample/archive/MSFS/archive/stock/EHAM.xml"));
    g_simIs2020 = false;
    EXPECT_EQ(lf_downloadApf("archive/thirdparty/Some%20Maker/EHAM.xml", "airport.xml"), "");
    EXPECT_NE(lf_readFile("airport.xml").find("<info name=\"sim\" value=\"2\" />"), std::string::npos);
    const auto requests = m_server->requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].path, "/downloads/MSFS/archive/stock/EHAM.xml");
    EXPECT_EQ(requests[1].path, "/downloads/MSFS2024/archive/thirdparty/Some Maker/EHAM.xml");
}

TEST_F(ApfDownloadTest, FailedDownloadRemovesTheTarget) {
    lf_writeFile("airports/park_airport.xml", "an older file");
    const std::string url = m_server->baseUrl() + "MSFS/archive/stock/ZZZZ.xml";
    EXPECT_EQ(lf_downloadApf("archive/stock/ZZZZ.xml", "airports/park_airport.xml"),
              "failed to download: '" + url + "'");
    EXPECT_FALSE(std::filesystem::exists("airports/park_airport.xml"));
    EXPECT_NE(lf_log().find("failed to download: '" + url + "'"), std::string::npos);

    m_server->setFault("/downloads/MSFS/archive/stock/EHAM.xml", DownloadServer::Fault::CutBody);
    EXPECT_NE(lf_downloadApf("archive/stock/EHAM.xml", "airport.xml"), "");
    EXPECT_FALSE(std::filesystem::exists("airport.xml"));
}

// Fetches on workers: asked for again and again from several threads, each pair is downloaded once, taken
// once by lf_downloadApf, and a cancel ends the rest; the thread sanitizer runs this suite.
class ApfFetchConcurrent : public ApfDownloadTest {};

TEST_F(ApfFetchConcurrent, EachPairIsFetchedOnceAndTakenOnce) {
    const std::vector<std::string> names = {"EHAM", "EGKK", "KJFK", "LOWW"};
    std::vector<std::thread> askers;
    for (const std::string& name : names) {
        askers.emplace_back([&, name] {
            const std::string path = "archive/stock/" + name + ".xml";
            const std::filesystem::path target = "airports/" + name + ".xml";
            for (int i = 0; i < 2000 && gf_fetchApf(path, target) == ApfFetchState::Pending; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            EXPECT_EQ(lf_downloadApf(path, target), "") << name;
            EXPECT_EQ(lf_readFile(target), lf_readFile(std::filesystem::path(SKYFILL_SOURCE_DIR) /
                                                       "sample/archive/MSFS/archive/stock" / (name + ".xml")));
        });
    }
    for (std::thread& t : askers)
        t.join();
    EXPECT_EQ(m_server->requests().size(), names.size());
    EXPECT_EQ(gf_apfFetchCount(), 0U);

    m_server->setFault("/downloads/MSFS/archive/stock/EHAM.xml", DownloadServer::Fault::StalledBody);
    EXPECT_EQ(gf_fetchApf("archive/stock/EHAM.xml", "airport.xml"), ApfFetchState::Pending);
    gf_cancelApfFetches();
    EXPECT_EQ(gf_apfFetchCount(), 0U);
    EXPECT_FALSE(std::filesystem::exists("airport.xml"));
}

TEST_F(ApfDownloadTest, ArchivedAirportFileIsReadWithItsLearnedFile) {
    lf_writeFile("airports/learned/stock/EHAM.xml", R"(<root>
  <meta><info name="version" value="11.11.3"/><info name="copyright" value="c"/></meta>
  <parameters><parameter name="airport_name" value="Amsterdam Schiphol"/></parameters>
  <parkpositions><parkpos id="A1" radius_change="true" radius="50.0"><opt reg="PH-XYZ" airl="KLM" type="B738" day="3" hh="2:4"/></parkpos></parkpositions>
</root>)");
    const std::string path = gf_locateApf(kEham);
    ASSERT_EQ(path, "archive/stock/EHAM.xml");
    EXPECT_EQ(gf_readApf(path, g_parkApfInfo), "");
    EXPECT_EQ(g_stands.size(), 210u);
    EXPECT_EQ(g_parkApfInfo.airportName, "Amsterdam Schiphol");
    EXPECT_EQ(g_parkApfInfo.publisher, "stock");
    EXPECT_EQ(g_learnedApfPath.generic_string(), "airports/learned/stock/EHAM.xml");
    ASSERT_FALSE(g_stands.empty());
    const Stand& a1 = g_stands.front();
    EXPECT_EQ(a1.id, "A1");
    EXPECT_NEAR(a1.radius * 1852.0, 50.0, 1e-9);
    EXPECT_EQ(a1.options.back().registration, "PH-XYZ");
    EXPECT_EQ(a1.options.back().source, 0u);
    EXPECT_TRUE(std::filesystem::exists("airports/park_airport.xml")); // stays until the next download

    // an airport without a file in the archive
    g_stands.clear();
    const std::string url = m_server->baseUrl() + "MSFS/archive/stock/EHTY.xml";
    EXPECT_EQ(gf_readApf("archive/stock/EHTY.xml", g_parkApfInfo), "failed to download: '" + url + "'");
    EXPECT_TRUE(g_stands.empty());
}

TEST_F(ApfDownloadTest, BundledAndArchivedSampleFilesAreRead) {
    const std::filesystem::path sample = std::filesystem::path(SKYFILL_SOURCE_DIR) / "sample";
    for (const auto& entry : std::filesystem::directory_iterator(sample / "airports" / "my_simaddon")) {
        std::filesystem::copy_file(entry.path(), "airports/my_simaddon" / entry.path().filename());
    }
    lf_addAirport("EGHI", 50.9503, -1.3568, 44, 12);
    g_parkAirport = *gf_findListedAirport(FixedCode<4>("EGHI"));
    const std::string path = gf_locateApf(g_parkAirport.icao);
    ASSERT_EQ(path, "airports/my_simaddon/EGHI.xml");
    EXPECT_EQ(gf_readApf(path, g_parkApfInfo), "");
    EXPECT_EQ(g_stands.size(), 12u);
    EXPECT_EQ(g_parkApfInfo.publisher, "simaddon");
    EXPECT_EQ(g_learnedApfPath.generic_string(), "airports/learned/my_simaddon/EGHI.xml");
    bool heli = false;
    bool ramp = false;
    for (const Stand& s : g_stands) {
        heli = heli || s.heli;
        ramp = ramp || s.ramp;
        EXPECT_LT(gf_distanceNm({s.latitude, s.longitude}, {50.9503, -1.3568}), 2.0) << s.id;
    }
    EXPECT_TRUE(heli);
    EXPECT_TRUE(ramp);

    // the other maker's scenery under MSFS 2024
    g_simIs2020 = false;
    g_stands.clear();
    g_parkAirport = g_airports.front(); // EHAM
    EXPECT_EQ(gf_readApf("archive/thirdparty/Some%20Maker/EHAM.xml", g_parkApfInfo), "");
    EXPECT_EQ(g_stands.size(), 210u);
    EXPECT_EQ(g_parkApfInfo.publisher, "Some Maker");
    EXPECT_EQ(g_learnedApfPath.generic_string(), "airports/learned/thirdparty/Some Maker/EHAM.xml");
}

} // namespace
} // namespace skf::test
