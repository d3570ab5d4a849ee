// my_park_airports.txt: reading, the add-on folder airports, saving and the destination entry.
#include "traffic/ParkAirports.h"
#include "traffic/ParkAirportsInternal.h"

#include <filesystem>

#include <fmt/format.h>

#include "core/ProgramState.h"
#include "core/settings/ProgramPaths.h"
#include "core/WindowFields.h"
#include "data/Airports.h"
#include "data/apf/ParkApf.h"
#include "sim/SimDispatch.h"
#include "sim/SimLink.h"
#include "sim/SimLinkInternal.h"
#include "sim/SimMessages.h"
#include "sim/UserAircraft.h"
#include "traffic/EngineServices.h"
#include "traffic/TrafficFixture.h"

namespace skf::test {
namespace {

class ParkAirportsTest : public TrafficTest {
protected:
    void SetUp() override {
        TrafficTest::SetUp();
        std::filesystem::create_directories("airports");
        gf_resetAirports();
        for (const char* icao : {"EDDF", "EHAM", "EHRD", "LFPG"})
            addAirport(icao);
    }
    void TearDown() override {
        gf_resetAirports();
        TrafficTest::TearDown();
    }
    static void addAirport(const char* icao) {
        Airport a;
        a.icao = IcaoCode(icao);
        a.latitude = 50.0 + static_cast<double>(g_airports.size());
        a.longitude = 4.0;
        g_airports.push_back(a);
    }
    static std::vector<std::string> listed() {
        std::vector<std::string> out;
        for (const ParkAirport& p : g_parkAirports)
            out.push_back(p.icao.str() + (p.reservedStand.empty() ? "" : "," + p.reservedStand));
        return out;
    }
    static std::string file() { return WorkFolder::readFile(g_myParkAirportsPath); }
};

TEST_F(ParkAirportsTest, ReadingKeepsOrderAndSkipsBadLines) {
    struct Case {
        const char* name;
        const char* text;
        std::vector<std::string> expected;
        bool ok;
        const char* logged;
    };
    const std::vector<Case> cases = {
        {"lower-case code with stand", "ehrd,B12\nEHAM\n", {"EHRD,B12", "EHAM"}, true, ""},
        {"two commas", "EHAM,A1,\nEHRD\n", {"EHRD"}, true, "my_park_airports.txt:EHAM,A1, wrong syntax, skipped"},
        {"double", "EHAM,A1\neham,B2\n", {"EHAM,A1"}, true, "my_park_airports.txt:eham double, skipped"},
        {"three characters end the reading",
         "EHAM\nEHR\nLFPG\n",
         {"EHAM"},
         false,
         "lf_readMyParkAirports: FixedCode: invalid string (length/charset)"},
        {"unknown airport", "KJFK\nEDDF\n", {"EDDF"}, false, "airport KJFK is unknown"},
        {"empty lines and CRLF", "\r\nEHAM,D7\r\n\r\n", {"EHAM,D7"}, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WorkFolder::writeFile(g_myParkAirportsPath, c.text);
        EXPECT_EQ(lf_readMyParkAirports(), c.ok);
        EXPECT_EQ(listed(), c.expected);
        EXPECT_NE(log().find(c.logged), std::string::npos);
    }
}

TEST_F(ParkAirportsTest, MissingFileAndAddOnFolderAirports) {
    std::filesystem::create_directories(g_myThirdpartyFolder);
    for (const char* name : {"lfpg.txt", "EHAM.xml", "EHRD", "XXXX.txt", "EDDFX.txt", "notes.txt"})
        WorkFolder::writeFile(g_myThirdpartyFolder / name, "x");
    EXPECT_TRUE(lf_readMyParkAirports()); // no file: no error
    EXPECT_NE(log().find("my_park_airports.txt not found"), std::string::npos);
    auto got = listed();
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::string>{"EHAM", "EHRD", "LFPG"}));

    WorkFolder::writeFile(g_myParkAirportsPath, "EHAM,C3\n");
    EXPECT_TRUE(lf_readMyParkAirports());
    ASSERT_EQ(g_parkAirports.size(), 3U); // EHAM not added twice
    EXPECT_EQ(listed().front(), "EHAM,C3");
}

TEST_F(ParkAirportsTest, EntryLimitWarning) {
    g_airports.clear();
    std::string text;
    for (int i = 0; i < 3001; ++i) {
        std::string icao = fmt::format("{}{:03}", static_cast<char>('A' + i / 1000), i % 1000);
        Airport a;
        a.icao = IcaoCode(icao);
        g_airports.push_back(a);
        text += icao + "\n";
    }
    WorkFolder::writeFile(g_myParkAirportsPath, text);
    EXPECT_TRUE(lf_readMyParkAirports());
    EXPECT_EQ(g_parkAirports.size(), 3001U);
    EXPECT_NE(log().find("Warning: There are a lot of airports (3001)"), std::string::npos);
    text.resize(text.size() - 5); // 3000 entries
    WorkFolder::writeFile(g_myParkAirportsPath, text);
    EXPECT_TRUE(lf_readMyParkAirports());
    EXPECT_EQ(g_parkAirports.size(), 3000U);
    EXPECT_EQ(log().find("Warning: There are a lot of airports (3000)"), std::string::npos);
}

TEST_F(ParkAirportsTest, SavingReplacesTheAirportsLineSortedAndUnique) {
    gf_addParkAirport(IcaoCode("EHRD"), 51.9, 4.4);
    EXPECT_EQ(file(), "EHRD\n");
    EXPECT_NE(log().find("my_park_airports.txt created with EHRD"), std::string::npos);

    WorkFolder::writeFile(g_myParkAirportsPath, "LFPG\nEHAM,A1\nEDDF\nEDDF\n");
    EXPECT_TRUE(lf_readMyParkAirports());
    g_parkAirports.front().reservedStand = "B2"; // LFPG first
    gf_saveMyParkAirports();
    EXPECT_EQ(file(), "EDDF\nEHAM,A1\nLFPG,B2\n");
    EXPECT_NE(log().find("my_park_airports.txt:LFPG,B2 updated stand"), std::string::npos);

    gf_addParkAirport(IcaoCode("EHAM"), 0.0, 0.0); // listed: moved first, file untouched
    EXPECT_EQ(listed().front(), "EHAM,A1");
    EXPECT_EQ(file(), "EDDF\nEHAM,A1\nLFPG,B2\n");

    gf_addParkAirport(IcaoCode("EHRD"), 51.9, 4.4);
    EXPECT_EQ(file(), "EDDF\nEHAM,A1\nEHRD\nLFPG,B2\n");
    EXPECT_NE(log().find("my_park_airports.txt:EHRD new entry"), std::string::npos);
}

TEST_F(ParkAirportsTest, AnUnreadableFileIsNotRewritten) {
    // A folder in the file's place stands for a file that exists but cannot be read.
    std::filesystem::create_directories(g_myParkAirportsPath);
    WorkFolder::writeFile(g_myParkAirportsPath / "keep", "x");
    gf_addParkAirport(IcaoCode("EHRD"), 51.9, 4.4);
    EXPECT_TRUE(std::filesystem::is_directory(g_myParkAirportsPath));
    EXPECT_TRUE(std::filesystem::exists(g_myParkAirportsPath / "keep"));
    EXPECT_NE(log().find("my_park_airports.txt could not be read, not rewritten"), std::string::npos);
}

TEST_F(ParkAirportsTest, ReReadAppliesAChangedReservedStand) {
    g_parkAirport = Airport{};
    g_parkAirport.icao = IcaoCode("EHAM");
    g_stands = {makeStand("A1", 0.0, 30.0), makeStand("A2", 200.0, 30.0)};
    numberStands(g_stands);
    g_reservedStand = "A1";
    g_stands[0].excluded = true;
    g_userAircraft.setGround(false); // the ground state is known
    g_mainWindow.userStandText.clear();
    WorkFolder::writeFile(g_myParkAirportsPath, "EHAM,A2\n");
    std::string message;
    EXPECT_TRUE(gf_checkParkAirportsFile(true, message));
    EXPECT_EQ(message, "reserved stand changed from 'A1' to 'A2'");
    EXPECT_FALSE(g_stands[0].excluded);
    EXPECT_TRUE(g_stands[1].excluded);
    EXPECT_EQ(g_reservedStand, "A2");
    EXPECT_TRUE(gf_checkParkAirportsFile(true, message));
    EXPECT_EQ(message, "park airports and stands are okay");
    WorkFolder::writeFile(g_myParkAirportsPath, "XXXX\n");
    EXPECT_FALSE(gf_checkParkAirportsFile(true, message));
    g_userAircraft.reset();
    g_reservedStand.clear();
    g_parkAirport = Airport{};
}

// The reserved-stand refresh: the simulator link only raises it (a flight load on the SimClient thread); the
// engine carries it out on the park-airport list.
class UserStandRefresh : public ParkAirportsTest {
protected:
    void SetUp() override {
        ParkAirportsTest::SetUp();
        gf_resetSimLink();
        g_parkAirport = Airport{};
        g_parkAirport.icao = IcaoCode("EHAM");
        g_stands = {makeStand("D7", 0.0, 30.0)};
        numberStands(g_stands);
        gf_clearStandNameCache();
    }
    void TearDown() override {
        gf_resetSimLink();
        gf_resetStopState();
        gf_clearStandNameCache();
        g_parkAirport = Airport{};
        ParkAirportsTest::TearDown();
    }
    static void dispatch(RecvBuffer buffer) { lf_dispatch(buffer.recv(), buffer.size(), nullptr); }
    // The user aircraft on the ground `metres` north of stand D7, rolling at `knots`.
    static void userAt(double metres, double knots) {
        UserAircraftBlock block;
        block.latitude = northOf(metres);
        block.longitude = kBaseLon;
        block.groundSpeed = knots;
        dispatch(objectData(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, SIM_REQ_USER_POSITION, 1, &block, sizeof block));
        const std::int64_t onGround = 1;
        dispatch(objectData(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, SIM_REQ_USER_ON_GROUND, 1, &onGround, 8));
    }
    // There, and then a flight load.
    static void flightLoadedAt(double metres, double knots) {
        userAt(metres, knots);
        dispatch(systemEvent(SIM_EVENT_FLIGHT_LOADED, 0));
    }
    static void readList(const char* text) {
        WorkFolder::writeFile(g_myParkAirportsPath, text);
        ASSERT_TRUE(lf_readMyParkAirports());
    }
};

TEST_F(UserStandRefresh, FlightLoadOnlyAsksForTheReservedStandRefresh) {
    readList("EHAM,A1\n");
    flightLoadedAt(0.0, 1.5);
    EXPECT_EQ(listed().front(), "EHAM,A1"); // nothing reserved on the dispatching side
    EXPECT_TRUE(gf_runUserStandRefresh());
    EXPECT_EQ(listed().front(), "EHAM,D7");
    EXPECT_EQ(file(), "EHAM,D7\n");
    g_parkAirports.front().reservedStand = "A1";
    EXPECT_FALSE(gf_runUserStandRefresh()); // asked once, done once
    // A user aircraft rolling faster than 2 kn keeps the reserved stand.
    flightLoadedAt(0.0, 2.5);
    EXPECT_FALSE(gf_runUserStandRefresh());
    EXPECT_EQ(listed().front(), "EHAM,A1");
    EXPECT_EQ(file(), "EHAM,D7\n");
}

// The engine carries the refresh out later; the user aircraft of the moment it was asked for counts.
TEST_F(UserStandRefresh, TheRefreshKeepsThePositionOfItsMoment) {
    const struct {
        const char* what;
        double metresAsked, knotsAsked; // at the flight load
        double metresLater, knotsLater; // when the engine gets to it
        const char* reserved;
    } rows[] = {
        {"parked on D7, then rolled away", 0.0, 0.0, 400.0, 15.0, "EHAM,D7"},
        {"rolling, then parked on D7", 0.0, 2.5, 0.0, 0.0, "EHAM,A1"},
        {"off any stand, then parked on D7", 400.0, 0.0, 0.0, 0.0, "EHAM,A1"},
    };
    for (const auto& row : rows) {
        readList("EHAM,A1\n");
        flightLoadedAt(row.metresAsked, row.knotsAsked);
        userAt(row.metresLater, row.knotsLater);
        gf_runUserStandRefresh();
        EXPECT_EQ(listed().front(), row.reserved) << row.what;
    }
    // Two refreshes before the engine's turn are carried out in their order: the later one's stand stays.
    g_stands.push_back(makeStand("D9", 100.0, 30.0));
    numberStands(g_stands);
    gf_clearStandNameCache();
    readList("EHAM,A1\n");
    flightLoadedAt(100.0, 0.0);
    flightLoadedAt(0.0, 0.0);
    EXPECT_TRUE(gf_runUserStandRefresh());
    EXPECT_EQ(listed().front(), "EHAM,D7");
}

TEST_F(UserStandRefresh, SavedOnlyWhenTheParkAirportsStandChanges) {
    struct Case {
        const char* name;
        const char* text; // out of byte order: a save would sort it
        bool changed;
        const char* saved;
    };
    const std::vector<Case> cases = {
        {"another stand reserved", "EHAM,A1\nEDDF\n", true, "EDDF\nEHAM,D7\n"},
        {"the same stand reserved", "EHAM,D7\nEDDF\n", false, "EHAM,D7\nEDDF\n"},
        {"another airport first", "LFPG\nEHAM,A1\n", false, "LFPG\nEHAM,A1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        readList(c.text);
        flightLoadedAt(0.0, 1.5);
        EXPECT_EQ(gf_runUserStandRefresh(), c.changed);
        EXPECT_EQ(file(), c.saved);
    }
}

TEST_F(UserStandRefresh, ClosingTheParkAirportCarriesItOutFirst) {
    readList("EHAM,A1\n");
    flightLoadedAt(0.0, 1.5);
    gf_closeParkAirport();
    EXPECT_TRUE(g_parkAirport.icao.empty());
    EXPECT_EQ(file(), "EHAM,D7\n");
}

} // namespace
} // namespace skf::test
