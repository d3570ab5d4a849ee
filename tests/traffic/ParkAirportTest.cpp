// The park airport: opening at the distance and height limits, keeping, replacing and closing, and the
// whole road from a user parked at an airport with a stand file to static aircraft and the learned file.
#include "traffic/ParkAirport.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "data/Downloader.h"
#include "data/apf/ApfFetch.h"
#include "tools/dlserver/DownloadServer.h"
#include "core/WindowFields.h"
#include "core/settings/ProgramPaths.h"
#include "data/Airports.h"
#include "data/apf/ParkApf.h"
#include "sim/SimLinkState.h"
#include "sim/SimQueues.h"
#include "sim/UserAircraft.h"
#include "traffic/EngineState.h"
#include "traffic/ParkAirports.h"
#include "traffic/StaticParking.h"
#include "traffic/TrafficFixture.h"

namespace skf::test {
namespace {

constexpr double kNmToDegrees = 57.29577951308232 / 3437.74677;

const char* kStandFile = R"(<?xml version="1.0"?>
<root>
  <meta>
    <info name="author" value="Skyfill" />
    <info name="version" value="11.11.3" />
    <info name="copyright" value="Copyright (c) the makers of Skyfill." />
    <info name="sim" value="1" />
  </meta>
  <parameters>
    <parameter name="airport_name" value="Amsterdam Schiphol"/>
    <parameter name="publisher" value="simaddon"/>
    <parameter name="altitude" value="-11"/>
  </parameters>
  <parkpositions>
    <parkpos id="A1" latitude="52.300000" longitude="4.760000" heading="90.0" radius="30.0">
      <opt reg="PH-BXA" day="3" hh="18:22" cs="KLM1601:KLM1602"/>
    </parkpos>
    <parkpos id="A2" latitude="52.301000" longitude="4.760000" heading="90.0" radius="30.0">
      <opt reg="PH-BHA" day="3" hh="20" cs="KLM1603"/>
    </parkpos>
    <parkpos id="A3" latitude="52.302000" longitude="4.760000" heading="90.0" radius="30.0">
      <opt reg="D-AIKA" day="3" hh="19:21" cs="DLH1604"/>
    </parkpos>
    <parkpos id="A4" latitude="52.303000" longitude="4.760000" heading="90.0" radius="30.0"/>
  </parkpositions>
</root>
)";

class ParkAirportTest : public TrafficTest {
protected:
    void SetUp() override {
        TrafficTest::SetUp();
        gf_resetParking(); // also the park airport and its state
        g_parkingBusy = false;
        gf_resetSimLinkState();
        gf_resetAirports();
        addAirport("EHAM", 52.3, 4.76, 4);
        addAirport("EHRD", 51.9569, 4.4372, 0);
        DESTINATION.set(std::string());
        AIRP_RANGE.set(20);
        AIRP_HEIGHT.set(18000);
        MAX_PARK_SEL.set(500);
        CUSTOM_PARKING_PERCENTAGE.set(-1);
        MAX_FIT.set(47);
        WEEK.set(false);
        PARK_SOFT.set(false);
        std::filesystem::create_directories(g_airportsFolder);
    }
    void TearDown() override {
        gf_resetParking();     // also the park airport and its state
        g_parkingBusy = false; // an airport opened without its calculation leaves the controls locked
        gf_resetAirports();
        gf_resetSimLinkState();
        CUSTOM_PARKING_PERCENTAGE.set(-1);
        TrafficTest::TearDown();
    }
    static void addAirport(const char* icao, double lat, double lon, std::int32_t stands) {
        Airport a;
        a.icao = IcaoCode(icao);
        a.latitude = lat;
        a.longitude = lon;
        a.stands = stands;
        g_airports.push_back(a);
    }
    static void user(double lat, double lon, double aboveGround, bool onGround) {
        UserAircraftBlock block;
        block.latitude = lat;
        block.longitude = lon;
        block.altAboveGround = aboveGround;
        g_userAircraft.setBlock(block);
        g_userAircraft.setGround(onGround);
    }
    static void listAirport(const char* icao) {
        const Airport* a = gf_findListedAirport(IcaoCode(icao));
        g_parkAirports.push_back(ParkAirport{{}, a->latitude, a->longitude, 0.0, a->icao});
    }
};

TEST_F(ParkAirportTest, AirborneOpeningAtTheRangeAndHeightLimits) {
    struct Case {
        double distanceNm;
        double aboveGround;
        bool opens;
    };
    for (const Case c : {Case{19.9, 17000.0, true}, Case{19.9, 18001.0, false}, Case{20.1, 1000.0, false}}) {
        SCOPED_TRACE(c.aboveGround);
        gf_resetParking();
        listAirport("EHAM");
        user(52.3 + c.distanceNm * kNmToDegrees, 4.76, c.aboveGround, false);
        gf_updateStaticParking(false);
        EXPECT_EQ(!g_parkAirport.icao.empty(), c.opens);
        EXPECT_EQ(g_parkingRecalcRequested, c.opens);
    }
    EXPECT_NE(log().find("The park airport is EHAM"), std::string::npos);
    EXPECT_NE(log().find("EHAM in sight at 19.9 nm"), std::string::npos);
}

TEST_F(ParkAirportTest, NoPositionNeverOpens) {
    listAirport("EHAM");
    g_airports.front().latitude = 0.0;
    g_airports.front().longitude = 0.0;
    g_parkAirports.front().latitude = 0.0;
    g_parkAirports.front().longitude = 0.0;
    user(0.0, 0.0, 0.0, false);
    gf_updateStaticParking(false);
    EXPECT_TRUE(g_parkAirport.icao.empty());
}

TEST_F(ParkAirportTest, KeptReplacedByAnEquallyNearListedAirportAndClosedOutOfRange) {
    addAirport("EHAA", 52.3, 4.76, 0); // as near as EHAM
    std::sort(g_airports.begin(), g_airports.end(), [](const Airport& a, const Airport& b) { return a.icao < b.icao; });
    listAirport("EHAM");
    listAirport("EHAA");
    user(52.3 + 10.0 * kNmToDegrees, 4.76, 3000.0, false);
    g_parkAirport = *gf_findListedAirport(IcaoCode("EHAA"));
    gf_updateStaticParking(false); // EHAM first at the same distance replaces EHAA
    EXPECT_TRUE(g_parkAirport.icao.empty());
    EXPECT_NE(log().find("EHAM is in sight (10.0 nm), parked aircraft at EHAA"), std::string::npos);

    g_parkAirport = *gf_findListedAirport(IcaoCode("EHAM"));
    gf_updateStaticParking(false); // EHAM itself is first: kept
    EXPECT_EQ(g_parkAirport.icao, IcaoCode("EHAM"));

    user(52.3 + 25.0 * kNmToDegrees, 4.76, 3000.0, false);
    gf_updateStaticParking(false);
    EXPECT_TRUE(g_parkAirport.icao.empty());
    EXPECT_NE(log().find("EHAM is out of sight (25.0 nm), parked aircraft will be removed"), std::string::npos);
}

TEST_F(ParkAirportTest, ADestinationKeepsTheListOrder) {
    listAirport("EHRD"); // farther, but the destination
    listAirport("EHAM");
    DESTINATION.set("EHRD");
    user(52.3 + 1.0 * kNmToDegrees, 4.76, 30000.0, false);
    gf_updateStaticParking(false);
    EXPECT_EQ(g_parkAirports.front().icao, IcaoCode("EHRD"));
    DESTINATION.set(std::string());
    user(52.3 + 2.0 * kNmToDegrees, 4.76, 30000.0, false);
    gf_updateStaticParking(false);
    EXPECT_EQ(g_parkAirports.front().icao, IcaoCode("EHAM"));
}

TEST_F(ParkAirportTest, ClosingSendsTaxiingParkingAndParkedLiveAircraftAway) {
    g_parkAirport = *gf_findListedAirport(IcaoCode("EHAM"));
    LiveAircraft taxiing;
    taxiing.callsign = "KLM1";
    taxiing.trafficId = 20001;
    taxiing.objectId = 77;
    taxiing.simStatus = SimStatus::active;
    taxiing.phase = FlightPhase::taxi;
    taxiing.standId = 3;
    LiveAircraft queued = taxiing;
    queued.callsign = "KLM2";
    queued.trafficId = 20002;
    queued.objectId = 0;
    queued.simStatus = SimStatus::adding2sim;
    queued.phase = FlightPhase::parked;
    LiveAircraft flying = taxiing;
    flying.callsign = "KLM3";
    flying.trafficId = 20003;
    flying.phase = FlightPhase::flying;
    LiveAircraft driving = taxiing; // on its way onto its stand
    driving.callsign = "KLM4";
    driving.trafficId = 20004;
    driving.objectId = 78;
    driving.phase = FlightPhase::parking;
    g_liveAircraft = {taxiing, queued, flying, driving};
    CreationRecord creation;
    creation.callsign = "KLM2";
    creation.trafficId = 20002;
    g_liveCreationQueue.push_back(creation);
    gf_closeParkAirport();
    ASSERT_EQ(g_liveAircraft.size(), 3U); // the queued one is gone with its creation
    EXPECT_TRUE(g_liveCreationQueue.empty());
    EXPECT_EQ(g_liveAircraft[0].simStatus, SimStatus::removingfromsim);
    EXPECT_EQ(g_liveAircraft[0].standId, 0);
    EXPECT_EQ(g_liveAircraft[1].simStatus, SimStatus::active); // flying: not the park airport's
    // Driving onto a stand of the closed airport's table: it goes too, and keeps no stand id of that table.
    EXPECT_EQ(g_liveAircraft[2].simStatus, SimStatus::removingfromsim);
    EXPECT_EQ(g_liveAircraft[2].standId, 0);
    EXPECT_EQ(g_engineRemovalQueue, (std::vector<std::uint32_t>{77, 78}));
    EXPECT_TRUE(g_parkAirport.icao.empty());
}

TEST_F(ParkAirportTest, UserParkedAtAnAirportWithAStandFileGetsStaticAircraftAndALearnedFile) {
    WorkFolder::writeFile(g_mySimaddonFolder / "EHAM.xml", kStandFile);
    g_dayAndSlotNow.store(DayAndSlot{3, 20});
    CUSTOM_PARKING_PERCENTAGE.set(75); // the airport file sets parking_percentage
    user(52.301, 4.76, 0.0, true);     // on stand A2
    gf_updateStaticParking(true);
    ASSERT_EQ(g_parkAirport.icao, IcaoCode("EHAM"));
    EXPECT_NE(log().find("The park airport is EHAM"), std::string::npos);
    gf_updateStaticParking(false); // reads the stand file and calculates
    ASSERT_EQ(g_stands.size(), 4U);
    EXPECT_EQ(gf_reservedStandName(), "A2");
    EXPECT_EQ(WorkFolder::readFile(g_myParkAirportsPath), "EHAM,A2\n");
    ASSERT_EQ(g_pendingStatic.size(), 2U); // A1 and A3; A2 is the user's
    for (int i = 0; i < 3; ++i)
        lf_addStaticAircraft();
    ASSERT_EQ(g_parkedAircraft.size(), 2U);
    ASSERT_EQ(g_staticCreationQueue.size(), 2U);
    EXPECT_EQ(g_parkedAircraft[0].callsign, "DLH1604*"); // consumed from the back
    EXPECT_EQ(g_parkedAircraft[1].callsign, "KLM1601*"); // stays on after 10:00: the arrival part

    user(52.3 + 30.0 * kNmToDegrees, 4.76, 20000.0, false);
    gf_updateStaticParking(false);
    EXPECT_TRUE(g_parkAirport.icao.empty());
    EXPECT_TRUE(g_stands.empty());
    EXPECT_TRUE(g_staticCreationQueue.empty());
    EXPECT_TRUE(std::filesystem::exists(g_learnedFolder / "my_simaddon" / "EHAM.xml"));
    EXPECT_EQ(g_mainWindow.standCount.load(), 0U);
    EXPECT_FALSE(g_mainWindow.parkAirportActive.load());
}

// An archived stand file (EHAM.xml from the download archive) whose body is held back or never ends: the
// driver, which runs on the engine's thread, never waits for it; the park airport gets its stands once the
// file arrived, and a download that never ends is ended by its limits with the park airport released.
TEST_F(ParkAirportTest, AnArchivedStandFileIsFetchedWhileTheEngineGoesOn) {
    WorkFolder::writeFile("served/MSFS/archive/stock/EHAM.xml", kStandFile);
    DownloadServer server(std::filesystem::absolute("served"));
    ASSERT_TRUE(server.start());
    const DownloadConfig saved = gf_downloadConfig();
    DownloadConfig config = saved;
    config.baseUrl = server.baseUrl();
    config.lowSpeedTime = std::chrono::seconds(1);
    config.limitsOf(DownloadKind::AirportFile).totalTime = std::chrono::seconds(2);
    gf_setDownloadConfig(config);
    const std::string url = "/downloads/MSFS/archive/stock/EHAM.xml";
    const auto waitForArrival = [] {
        for (int i = 0; i < 3000 && !gf_takeParkFileArrival(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };

    server.setFault(url, DownloadServer::Fault::HeldBody);
    user(52.301, 4.76, 0.0, true);
    gf_updateStaticParking(true);
    ASSERT_EQ(g_parkAirport.icao, IcaoCode("EHAM"));
    while (server.requests().empty()) {
        gf_updateStaticParking(false); // the main cycle's calls go on while the body is held back
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    for (int second = 0; second < 5; ++second)
        gf_updateStaticParking(false);
    EXPECT_TRUE(g_stands.empty());
    EXPECT_TRUE(g_parkingRecalcRequested);
    EXPECT_EQ(server.requests().size(), 1U); // one download, not one per call

    server.release();
    waitForArrival();
    gf_updateStaticParking(false);
    EXPECT_EQ(g_stands.size(), 4U);
    EXPECT_EQ(WorkFolder::readFile(g_airportsFolder / "park_airport.xml"), kStandFile);
    EXPECT_EQ(gf_apfFetchCount(), 0U);

    // A body that never ends: its limits end it, and the park airport is released with the error shown.
    gf_closeParkAirport();
    std::filesystem::remove(g_airportsFolder / "park_airport.xml");
    server.setFault(url, DownloadServer::Fault::EndlessBody);
    gf_updateStaticParking(false);
    ASSERT_EQ(g_parkAirport.icao, IcaoCode("EHAM"));
    gf_updateStaticParking(false);
    waitForArrival();
    gf_updateStaticParking(false);
    EXPECT_TRUE(g_parkAirport.icao.empty());
    EXPECT_TRUE(g_stands.empty());
    EXPECT_EQ(gf_statusSnapshot().statusText,
              "failed to download: '" + server.baseUrl() + "MSFS/archive/stock/EHAM.xml'");
    EXPECT_FALSE(std::filesystem::exists(g_airportsFolder / "park_airport.xml"));

    // The end of a run ends a fetch still running.
    server.setFault(url, DownloadServer::Fault::StalledBody);
    gf_updateStaticParking(false);
    gf_updateStaticParking(false);
    EXPECT_EQ(gf_apfFetchCount(), 1U);
    gf_resetParking();
    EXPECT_EQ(gf_apfFetchCount(), 0U);
    for (const auto& entry : std::filesystem::directory_iterator(g_airportsFolder)) // no fetch file left behind
        EXPECT_TRUE(entry.path().extension() != ".fetch" && entry.path().extension() != ".download") << entry.path();

    gf_setDownloadConfig(saved);
    server.stop();
}

// Two close airports are told apart by their nearest stands: both archived files are fetched at once on
// workers, and the park airport is chosen once both arrived.
TEST_F(ParkAirportTest, TheStandFilesOfTwoCloseAirportsAreFetchedBeforeOneIsChosen) {
    std::string neighbourFile = kStandFile;
    for (std::size_t at = neighbourFile.find("52.30"); at != std::string::npos; at = neighbourFile.find("52.30", at))
        neighbourFile.replace(at, 5, "52.35");
    WorkFolder::writeFile("served/MSFS/archive/stock/EHAM.xml", kStandFile);
    WorkFolder::writeFile("served/MSFS/archive/stock/EHAA.xml", neighbourFile);
    g_airports.insert(g_airports.begin(), Airport{});
    g_airports.front().icao = IcaoCode("EHAA"); // 3 NM north, first in the table: the neighbour of EHAM
    g_airports.front().latitude = 52.35;
    g_airports.front().longitude = 4.76;
    g_airports.front().stands = 4;
    DownloadServer server(std::filesystem::absolute("served"));
    ASSERT_TRUE(server.start());
    const std::string savedUrl = gf_downloadBaseUrl();
    gf_setDownloadBaseUrl(server.baseUrl());
    server.setFault("/downloads/MSFS/archive/stock/EHAM.xml", DownloadServer::Fault::HeldBody);
    server.setFault("/downloads/MSFS/archive/stock/EHAA.xml", DownloadServer::Fault::HeldBody);

    user(52.301, 4.76, 0.0, true);
    gf_updateStaticParking(true);
    EXPECT_TRUE(g_parkAirport.icao.empty());
    EXPECT_EQ(gf_apfFetchCount(), 2U);
    server.release();
    for (int i = 0; i < 3000 && g_parkAirport.icao.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        gf_updateStaticParking(false);
    }
    EXPECT_EQ(g_parkAirport.icao, IcaoCode("EHAM"));
    EXPECT_NE(log().find("Airport EHAM is closest, neighbour is EHAA"), std::string::npos);
    EXPECT_EQ(server.requests().size(), 2U); // each fetched once
    EXPECT_EQ(gf_apfFetchCount(), 0U);
    EXPECT_FALSE(std::filesystem::exists("airport.xml"));

    gf_setDownloadBaseUrl(savedUrl);
    server.stop();
}

} // namespace
} // namespace skf::test
