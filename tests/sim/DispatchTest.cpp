#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <optional>

#include "core/Codes.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/StatusLine.h"
#include "core/WindowFields.h"
#include "data/Dbase.h"
#include "data/StringPool.h"
#include "data/apf/Stand.h"
#include "sim/SimDispatch.h"
#include "sim/SimLink.h"
#include "sim/SimLinkInternal.h"
#include "sim/SimMessages.h"
#include "sim/SimLinkState.h"
#include "sim/SimQueues.h"
#include "sim/SimTestSupport.h"
#include "sim/UserAircraft.h"
#include "sim/UserStand.h"

namespace skf {
namespace {

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override {
        gf_openLogIn(temp.path());
        gf_resetSimLinkState();
        gf_reserveSimQueues();
        gf_resetStopState();
        gf_clearError();
        g_simIs2020 = true;
        g_userObjectId = 1;
    }
    void TearDown() override {
        gf_closeLog();
        gf_resetStopState();
        gf_clearError();
        g_simIs2020 = true;
        gf_resetSimLinkState();
    }
    static void dispatch(test::RecvBuffer buffer) { lf_dispatch(buffer.recv(), buffer.size(), nullptr); }
    static std::vector<SimMessage> messages() {
        std::vector<SimMessage> out;
        gf_takeSimMessages(out);
        return out;
    }
    std::string log() {
        gf_flushLog();
        return test::readFile(temp.path() / "Log.txt");
    }
    test::TempFolder temp;
};

TEST_F(Dispatch, NewObjectMatchingAPendingCreationIsReleasedFrozenAndReported) {
    auto& pending = gf_pendingCreations();
    pending = {{5, 20001, "DLH1"}, {6, 20002, "DLH1"}, {7, 44, "KLM9*"}, {8, 20003, "BAW7"}};
    dispatch(test::objectEvent(SIM_EVENT_OBJECT_ADDED, 300));
    dispatch(test::rangeData(300, "DLH1", 12.5));
    auto received = messages();
    ASSERT_EQ(received.size(), 1U);
    EXPECT_EQ(received[0].kind, SimMessageKind::liveCreated);
    EXPECT_EQ(received[0].objectId, 300U);
    EXPECT_EQ(received[0].trafficId, 20001U); // the first of the two with that callsign
    EXPECT_EQ(received[0].second, 12.5);
    {
        // Release and freeze are sent at once (here without a connection, so the freeze fails visibly),
        // never queued behind the positions.
        std::lock_guard lock(g_simCommandMutex);
        EXPECT_TRUE(g_eventQueue.empty());
    }
    EXPECT_EQ(gf_statusSnapshot().statusText, "SimConnect TransmitClientEvent: 216 fails");
    // The rest keep their order.
    ASSERT_EQ(pending.size(), 3U);
    EXPECT_EQ(pending[0].sendId, 6U);
    EXPECT_EQ(pending[1].sendId, 7U);
    EXPECT_EQ(pending[2].sendId, 8U);
    EXPECT_TRUE(gf_addedObjects().empty());

    dispatch(test::objectEvent(SIM_EVENT_OBJECT_ADDED, 301));
    dispatch(test::rangeData(301, "KLM9*", 0.0));
    received = messages();
    ASSERT_EQ(received.size(), 1U);
    EXPECT_EQ(received[0].kind, SimMessageKind::staticCreated);
    EXPECT_EQ(received[0].trafficId, 44U);
    EXPECT_EQ(received[0].second, 0.0);
}

TEST_F(Dispatch, AircraftSeenBeforeAreReportedOnlyLowAndNamed) {
    dispatch(test::rangeData(400, "N123AB", 2501.0));
    dispatch(test::rangeData(401, "EZY12*", 10.0));
    dispatch(test::rangeData(402, "", 10.0));
    dispatch(test::rangeData(1, "USER", 0.0)); // the user aircraft
    EXPECT_TRUE(messages().empty());
    dispatch(test::rangeData(403, "N123AB", 2500.0, 1, 42.0));
    const auto received = messages();
    ASSERT_EQ(received.size(), 1U);
    EXPECT_EQ(received[0].kind, SimMessageKind::knownInRange);
    EXPECT_EQ(received[0].trafficId, 1U); // the on-ground flag
    EXPECT_EQ(received[0].first, 42.0);
    EXPECT_EQ(received[0].second, 2500.0);
}

TEST_F(Dispatch, ForeignObjectsAreLoggedAndNeverReported) {
    gf_pendingCreations() = {{5, 20001, "DLH1"}};
    dispatch(test::objectEvent(SIM_EVENT_OBJECT_ADDED, 500));
    dispatch(test::rangeData(500, "N999ZZ", 0.0, 1, 3.0));
    dispatch(test::objectEvent(SIM_EVENT_OBJECT_ADDED, 501));
    dispatch(test::rangeData(501, "AS-GEN", 100.0));
    dispatch(test::objectEvent(SIM_EVENT_OBJECT_ADDED, 502));
    dispatch(test::rangeData(502, "AS-GEN", 100.0));
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(gf_pendingCreations().size(), 1U);
    const std::string text = log();
    EXPECT_NE(text.find("just spawned, but not by Skyfill, oid: 500, callsign 'N999ZZ', altaboveGnd:0 ft, onground:1, "
                        "gnd_alt:3 ft"),
              std::string::npos);
    const auto first = text.find("Spawned by Asobo, oid: 501");
    EXPECT_NE(first, std::string::npos);
    EXPECT_EQ(text.find("Spawned by Asobo", first + 1), std::string::npos);
}

TEST_F(Dispatch, AddedObjectsOfOthersOrAtTheUserAreIgnored) {
    dispatch(test::objectEvent(SIM_EVENT_OBJECT_ADDED, 1));
    dispatch(test::objectEvent(SIM_EVENT_OBJECT_ADDED, 600, SIMCONNECT_SIMOBJECT_TYPE_ALL));
    EXPECT_TRUE(gf_addedObjects().empty());
    dispatch(test::objectEvent(SIM_EVENT_OBJECT_ADDED, 601));
    dispatch(test::objectEvent(SIM_EVENT_OBJECT_ADDED, 602));
    dispatch(test::objectEvent(SIM_EVENT_OBJECT_ADDED, 603));
    // A removed object leaves the added list; the others keep their order.
    dispatch(test::objectEvent(SIM_EVENT_OBJECT_REMOVED, 601));
    ASSERT_EQ(gf_addedObjects(), (std::vector<std::uint32_t>{602, 603}));
    const auto received = messages();
    ASSERT_EQ(received.size(), 1U);
    EXPECT_EQ(received[0].kind, SimMessageKind::objectRemoved);
    EXPECT_EQ(received[0].objectId, 601U);
}

TEST_F(Dispatch, FailedCreationsReachTheEngine) {
    auto& pending = gf_pendingCreations();
    pending = {{5, 20001, "DLH1"}, {6, 3, "STA1*"}, {7, 20003, "BAW7"}};
    dispatch(test::exception(SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED, 99)); // not pending
    EXPECT_TRUE(messages().empty());
    dispatch(test::exception(SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED, 6));
    auto received = messages();
    ASSERT_EQ(received.size(), 1U);
    EXPECT_EQ(received[0].kind, SimMessageKind::creationFailed);
    EXPECT_EQ(received[0].trafficId, 3U);
    EXPECT_EQ(received[0].objectId, 0U);
    // A creation refused for capacity is a failed creation too.
    dispatch(test::exception(SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS, 7));
    received = messages();
    ASSERT_EQ(received.size(), 1U);
    EXPECT_EQ(received[0].kind, SimMessageKind::creationFailed);
    EXPECT_EQ(received[0].trafficId, 20003U);
    EXPECT_EQ(gf_statusSnapshot().statusText, "SimConnect: too many objects (max 1000)");
    ASSERT_EQ(pending.size(), 1U);
    EXPECT_EQ(pending[0].sendId, 5U);
}

TEST_F(Dispatch, OpenNamesTheSimulator) {
    dispatch(test::openMessage("Kitty-Hawk!"));
    EXPECT_EQ(g_mainWindow.simulatorText.get(), "MSFS 2020 (11.0.282174.999)");
    EXPECT_TRUE(g_mainWindow.simConnected.load());
    EXPECT_NE(log().find("MSFS 2020 (11.0.282174.999) connected"), std::string::npos);
}

TEST_F(Dispatch, WrongOrUnknownSimulatorIsAUserError) {
    try {
        dispatch(test::openMessage("SunRise"));
        FAIL() << "no exception";
    } catch (const UserErrorException& error) {
        EXPECT_STREQ(error.what(),
                     "71: MSFS 2024 is running ..., switch Simulator, or select the right sim in the drop "
                     "down list above");
    }
    g_simIs2020 = false;
    try {
        dispatch(test::openMessage("KittyHawk"));
        FAIL() << "no exception";
    } catch (const UserErrorException& error) {
        EXPECT_STREQ(error.what(),
                     "71: MSFS 2020 is running ..., switch Simulator, or select the right sim in the drop "
                     "down list above");
    }
    try {
        dispatch(test::openMessage("Kitty Hawk"));
        FAIL() << "no exception";
    } catch (const UserErrorException& error) {
        EXPECT_STREQ(error.what(), "77: 'Kitty Hawk' not being MSFS 2020 or MSFS 2024 connects ... ?");
    }
    try {
        dispatch(test::exception(SIMCONNECT_EXCEPTION_VERSION_MISMATCH, 0, 3));
        FAIL() << "no exception";
    } catch (const UserErrorException& error) {
        EXPECT_STREQ(error.what(), "95: SimConnect Version Mismatch, dwIndex: 3");
    }
    dispatch(test::openMessage(""));
    EXPECT_NE(log().find("! Simulator name empty?"), std::string::npos);
}

TEST_F(Dispatch, SimulatorStateEvents) {
    dispatch(test::systemEvent(SIM_EVENT_SIM, 1));
    EXPECT_TRUE(g_simRunning.load());
    EXPECT_TRUE(g_mainWindow.simRunning.load());
    test::RecvBuffer quit(sizeof(SIMCONNECT_RECV_QUIT));
    quit.recv()->dwID = SIMCONNECT_RECV_ID_QUIT;
    dispatch(std::move(quit));
    EXPECT_FALSE(g_simRunning.load());
    EXPECT_FALSE(g_stopRun.load());
    dispatch(test::systemEvent(SIM_EVENT_FLIGHT_LOADED, 0));
    EXPECT_TRUE(g_stopRun.load());
    EXPECT_EQ(gf_exitReason(), ExitReason::NewFlight);
    EXPECT_EQ(gf_restartDelay(), 45);
    test::RecvBuffer unknown(sizeof(SIMCONNECT_RECV));
    unknown.recv()->dwID = 42;
    dispatch(std::move(unknown));
    EXPECT_NE(log().find("! Unknown Dispatch dwID 42"), std::string::npos);
}

// --- The user aircraft -------------------------------------------------------------------------------

test::RecvBuffer userPosition(double lat, double lon, double agl = 0.0) {
    UserAircraftBlock block;
    block.latitude = lat;
    block.longitude = lon;
    block.altAboveGround = agl;
    block.year = 2024;
    block.dayOfYear = 1;
    return test::objectData(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, SIM_REQ_USER_POSITION, 1, &block, sizeof block);
}

TEST_F(Dispatch, TeleportOfMoreThanTenMilesEndsTheRun) {
    dispatch(userPosition(0.0, 0.0));      // no position: never a teleport
    dispatch(userPosition(50.0, 8.0, -3)); // the first answer never is one
    EXPECT_EQ(gf_receivedUserBlock().altAboveGround, 0.0);
    const double tenMilesOfLatitude = 10.0 / 60.0;
    dispatch(userPosition(50.0 + tenMilesOfLatitude - 1e-9, 8.0));
    EXPECT_FALSE(g_stopRun.load());
    dispatch(userPosition(50.0 + tenMilesOfLatitude + 10.1 / 60.0, 8.0));
    EXPECT_TRUE(g_stopRun.load());
    EXPECT_EQ(gf_exitReason(), ExitReason::NewFlight);
    EXPECT_NE(log().find("Teleport\n"), std::string::npos);
    EXPECT_EQ(g_userObjectId.load(), 1U);
}

// Values no aircraft can have are refused before use: the last good one is kept (logged once a run), so that a
// latitude of 95 is no "New flight" and a NaN never reaches the engine or the position line to RealTraffic.
TEST_F(Dispatch, ImplausibleUserValuesKeepTheLastGoodOnes) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Row {
        const char* name;
        std::function<void(UserAircraftBlock&)> spoil;
        std::string logged;
    };
    const Row rows[] = {
        {"latitude of 95", [](UserAircraftBlock& b) { b.latitude = 95.0; }, "position (latitude 95, longitude 4.76)"},
        {"NaN position", [](UserAircraftBlock& b) { b.latitude = b.longitude = kNaN; },
         "position (latitude nan, longitude nan)"},
        {"longitude beyond 180", [](UserAircraftBlock& b) { b.longitude = -181.0; },
         "position (latitude 52.3, longitude -181)"},
        {"infinite altitude", [](UserAircraftBlock& b) { b.altitude = kInf; }, "altitude (inf ft)"},
        {"altitude above any aircraft", [](UserAircraftBlock& b) { b.altitude = 1e9; }, "altitude (1000000000 ft)"},
        {"NaN height above ground", [](UserAircraftBlock& b) { b.altAboveGround = kNaN; },
         "height above ground (nan ft)"},
        {"heading beyond a turn", [](UserAircraftBlock& b) { b.heading = 7.0; }, "heading (7 rad)"},
        {"NaN pitch", [](UserAircraftBlock& b) { b.pitch = kNaN; }, "attitude (pitch nan rad, bank -0.1 rad)"},
        {"infinite bank", [](UserAircraftBlock& b) { b.bank = -kInf; }, "attitude (pitch 0.05 rad, bank -inf rad)"},
        {"NaN ground speed", [](UserAircraftBlock& b) { b.groundSpeed = kNaN; }, "ground speed (nan kn)"},
    };
    UserAircraftBlock good;
    good.latitude = 52.3;
    good.longitude = 4.76;
    good.pitch = 0.05;
    good.bank = -0.1;
    good.heading = 1.5;
    good.altitude = 1200.0;
    good.altAboveGround = 1000.0;
    good.groundSpeed = 150.0;
    const auto send = [](const UserAircraftBlock& b) {
        dispatch(test::objectData(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, SIM_REQ_USER_POSITION, 1, &b, sizeof b));
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        gf_resetSimLink(); // a new run
        g_userObjectId = 1;
        const std::size_t before = log().size();
        send(good);
        UserAircraftBlock bad = good;
        row.spoil(bad);
        send(bad);
        send(bad);
        const UserAircraftBlock kept = gf_receivedUserBlock();
        EXPECT_EQ(std::memcmp(&kept, &good, sizeof kept), 0);
        EXPECT_FALSE(g_stopRun.load());
        g_simHalted = true;                                            // no connection here: the copy only
        const UserAircraftBlock used = gf_requestUserPosition().block; // what the engine and the position line get
        EXPECT_EQ(std::memcmp(&used, &good, sizeof used), 0);
        const std::size_t open = row.logged.find(" (");
        EXPECT_EQ(log().substr(before), "==> User aircraft " + row.logged.substr(0, open) +
                                            " from the simulator refused" + row.logged.substr(open) +
                                            ": the last good value is kept\n");
    }
    // Range data and rest attitudes with such heights never reach the engine.
    dispatch(test::rangeData(400, "N123AB", kNaN));
    dispatch(test::rangeData(401, "N123AC", 10.0, 0, -kInf));
    const double restAttitude[2] = {kNaN, 0.0};
    dispatch(
        test::objectData(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, SIM_REQ_STATIC_CG, 402, restAttitude, sizeof restAttitude));
    EXPECT_TRUE(messages().empty());
}

TEST_F(Dispatch, EverySecondAnswerTicksAndSetsGroundOnceAPositionIsKnown) {
    g_userAircraft.reset();
    g_userDataArrived = false;
    const std::int64_t onGround = 1;
    dispatch(test::objectData(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, SIM_REQ_USER_ON_GROUND, 1, &onGround, 8));
    EXPECT_TRUE(g_userDataArrived.exchange(false));
    EXPECT_EQ(g_userAircraft.get().known, 0);
    dispatch(userPosition(50.0, 8.0));
    dispatch(test::objectData(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, SIM_REQ_USER_ON_GROUND, 1, &onGround, 8));
    EXPECT_TRUE(g_userDataArrived.load());
    EXPECT_EQ(g_userAircraft.get().known, 1);
    EXPECT_EQ(g_userAircraft.get().onGround, 1);
}

TEST(UserAircraftTime, EpochOfTheSimulatorClock) {
    UserAircraftBlock block;
    block.year = 2024;
    block.dayOfYear = 1;
    block.zuluTime = 0;
    EXPECT_EQ(gf_simEpochOf(block), 1704067200U);
    block.year = 2026;
    block.dayOfYear = 340;
    block.zuluTime = 3600;
    EXPECT_EQ(gf_simEpochOf(block), 1796518800U); // 2026-12-06 01:00:00 UTC
}

TEST(UserAircraftTime, ImplausibleTimesAreRefusedBeforeAnyArithmetic) {
    struct Case {
        std::int64_t year, day, time;
        std::optional<std::uint64_t> epoch;
    };
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    const Case cases[] = {
        {1, 1, 0, 0U},                     // before 1970
        {9999, 366, 86400, 253402387200U}, // the last plausible second (a leap second)
        {kMax, 1, 0, std::nullopt},        // the fuzzed frame that overflowed
        {kMin, 1, 0, std::nullopt},
        {0, 1, 0, std::nullopt},
        {10000, 1, 0, std::nullopt},
        {2024, kMax, 0, std::nullopt},
        {2024, 0, 0, std::nullopt},
        {2024, 367, 0, std::nullopt},
        {2024, 1, kMax, std::nullopt},
        {2024, 1, kMin, std::nullopt},
        {2024, 1, 86401, std::nullopt},
        {2024, 1, -1, std::nullopt},
    };
    for (const Case& c : cases) {
        UserAircraftBlock block;
        block.year = c.year;
        block.dayOfYear = c.day;
        block.zuluTime = c.time;
        EXPECT_EQ(gf_simEpochOf(block), c.epoch) << c.year << " " << c.day << " " << c.time;
    }
}

TEST_F(Dispatch, UserPositionWithAnImplausibleTimeKeepsTheLastSimulatorTime) {
    g_rtProfessional = true;
    dispatch(userPosition(50.0, 8.0));
    EXPECT_EQ(g_simEpochTime.load(), 1704067200U);
    // The frame found by fuzzing: the largest year a 64-bit field holds.
    UserAircraftBlock block;
    block.latitude = 50.0;
    block.longitude = 8.0;
    block.year = std::numeric_limits<std::int64_t>::max();
    block.dayOfYear = std::numeric_limits<std::int64_t>::max();
    block.zuluTime = std::numeric_limits<std::int64_t>::max();
    dispatch(test::objectData(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, SIM_REQ_USER_POSITION, 1, &block, sizeof block));
    dispatch(test::objectData(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, SIM_REQ_USER_POSITION, 1, &block, sizeof block));
    g_rtProfessional = false;
    EXPECT_EQ(g_simEpochTime.load(), 1704067200U);
    const std::string text = log();
    const std::string refused = "==> Simulator time refused: year 9223372036854775807";
    ASSERT_NE(text.find(refused), std::string::npos);
    EXPECT_EQ(text.find(refused, text.find(refused) + 1), std::string::npos); // once per run
}

test::RecvBuffer textData(std::uint32_t request, const std::string& text) {
    std::vector<char> block((text.size() + 8) / 8 * 8, '\0');
    std::copy(text.begin(), text.end(), block.begin());
    return test::objectData(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, request, 1, block.data(), block.size());
}

TEST_F(Dispatch, UserTitleIsCutAt48CharactersOnACharacterBoundary) {
    const std::string title = "Airbus A320neo Äöü Test Livery With A Very Long Name 123456789";
    dispatch(textData(SIM_REQ_USER_TITLE, title));
    const std::string shown = g_mainWindow.userAircraftTitle.get();
    // 48 characters, three of them two bytes long.
    EXPECT_EQ(shown.size(), 51U);
    EXPECT_EQ(shown, title.substr(0, 51));
    EXPECT_EQ(gf_userTitle(), shown);
    EXPECT_NE(log().find("SimConnect: User aircraft title: \n          " + shown + "\n"), std::string::npos);
}

TEST_F(Dispatch, UserModelRulesAndUnknownWingspan) {
    dispatch(textData(SIM_REQ_USER_MODEL, "$$:B744"));
    const std::string text = log();
    EXPECT_NE(text.find("          model raw: $$:B744\n"), std::string::npos);
    // No database loaded: no wingspan is known, so the largest is taken and the model counts as unknown.
    EXPECT_NE(text.find("          SimConnect: User aircraft model: B744, category: Light\n"), std::string::npos);
    EXPECT_FALSE(g_mainWindow.userModelRecognised.load());
    ASSERT_TRUE(g_userHalfWingspan.get().has_value());
    dispatch(textData(SIM_REQ_USER_MODEL, "$$:B"));
    EXPECT_NE(log().find("          SimConnect: User aircraft model: $$:B, category: Light\n"), std::string::npos);
    dispatch(textData(SIM_REQ_USER_MODEL, "camerapod"));
    EXPECT_TRUE(g_mainWindow.userModelRecognised.load());
    dispatch(textData(SIM_REQ_USER_MODEL, ""));
    EXPECT_EQ(g_mainWindow.userModelText.get(), "Unknown (encrypted?) aircraft");
    g_mainWindow.userModelRecognised = true;
}

} // namespace
} // namespace skf

namespace skf {
namespace {

// The user model against a small wingspan table: A320 and B738 have entries, B744 has none.
class UserModel : public Dispatch {
protected:
    void SetUp() override {
        Dispatch::SetUp();
        for (const auto& [code, half] : std::vector<std::pair<const char*, double>>{
                 {"A320", 0.00970}, {"A321", 0.00970}, {"B738", 0.01020}, {"E190", 0.00780}, {"A388", 0.0216}}) {
            const auto id = g_modelPool.intern(code);
            saved.emplace_back(id, g_halfWingspans.at(id));
            g_halfWingspans.at(id) = half;
        }
        g_modelPool.intern("B744");
        savedMax = g_maxHalfWingspan;
        g_maxHalfWingspan = 0.0216;
    }
    void TearDown() override {
        for (const auto& [id, half] : saved) {
            g_halfWingspans.at(id) = half;
        }
        g_maxHalfWingspan = savedMax;
        g_mainWindow.userModelRecognised = true;
        Dispatch::TearDown();
    }
    void model(const std::string& text) { dispatch(textData(SIM_REQ_USER_MODEL, text)); }
    std::vector<std::pair<std::uint16_t, double>> saved;
    double savedMax = 0.0;
};

TEST_F(UserModel, KnownTypeShowsItsWingspan) {
    model("A320");
    EXPECT_TRUE(g_mainWindow.userModelRecognised.load());
    EXPECT_DOUBLE_EQ(*g_userHalfWingspan.get(), 0.00970);
    EXPECT_NE(log().find("          SimConnect: User aircraft model: A320, half wing span: 18.0 meter, category: "),
              std::string::npos);
}

TEST_F(UserModel, TextIdsAreReadFromBeforeTheSuffix) {
    model("ATCCOM.AC_MODEL_A320.0.text");
    EXPECT_NE(log().find("SimConnect: User aircraft model: A320, half wing span"), std::string::npos);
    EXPECT_TRUE(g_mainWindow.userModelRecognised.load());
}

TEST_F(UserModel, TypeWithoutWingspanEntryIsUnknown) {
    model("B744");
    EXPECT_FALSE(g_mainWindow.userModelRecognised.load());
    EXPECT_DOUBLE_EQ(*g_userHalfWingspan.get(), 0.0216); // the largest, never 0
    EXPECT_EQ(gf_statusSnapshot().statusText,
              "User aircraft wing span unknown, max is taken instead, please report in my Forum!");
    EXPECT_EQ(log().find("B744, half wing span"), std::string::npos);
}

TEST_F(UserModel, AerosoftTitleGivesTheType) {
    dispatch(textData(SIM_REQ_USER_TITLE, "Aerosoft A321 CFM Lufthansa"));
    model("Aerosoft_A321_CFM");
    EXPECT_TRUE(g_mainWindow.userModelRecognised.load());
    EXPECT_NE(log().find("SimConnect: User aircraft model deduced from title: A321, half wing span: 18.0 meter"),
              std::string::npos);
}

TEST_F(UserModel, Dg737TitleNamesTheVariant) {
    dispatch(textData(SIM_REQ_USER_TITLE, "DG 737-800 Ryanair"));
    model("737");
    EXPECT_NE(log().find("SimConnect: User aircraft model: B738, half wing span: 18.9 meter"), std::string::npos);
}

TEST_F(UserModel, EmptyModelTakesTheCrj7OrTheLargest) {
    model("");
    EXPECT_EQ(g_mainWindow.userModelText.get(), "Unknown (encrypted?) aircraft");
    EXPECT_DOUBLE_EQ(*g_userHalfWingspan.get(), 0.0216); // no CRJ7 entry here
    EXPECT_EQ(gf_statusSnapshot().statusText,
              "171: No model info from your user aircraft received in SimConnect, CRJ7 is taken instead");
}

} // namespace
} // namespace skf

namespace skf {
namespace {

// The stand table and the park-airport list belong to the engine: the SimClient thread never reads them;
// the stand name and the reserved-stand refresh are worked out on the thread that calls the engine-side
// functions. The refresh is carried out on the park-airport list in tests/traffic/ParkAirportsTest.cpp.
class UserStand : public Dispatch {
protected:
    void SetUp() override {
        Dispatch::SetUp();
        g_stands = {Stand("D7", {}, 52.3, 4.76, 0.0, 30.0, false, false, false)};
        gf_clearStandNameCache();
        g_mainWindow.userStandText.clear();
    }
    void TearDown() override {
        g_stands.clear();
        gf_clearStandNameCache();
        Dispatch::TearDown();
    }
    void onGround(std::int64_t value) {
        dispatch(test::objectData(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, SIM_REQ_USER_ON_GROUND, 1, &value, 8));
    }
};

TEST_F(UserStand, StandNameIsWorkedOutByTheEngineSide) {
    dispatch(userPosition(52.3, 4.76));
    onGround(1);
    EXPECT_EQ(g_mainWindow.userStandText.get(), ""); // nothing on the dispatching side
    const UserAircraftState state = gf_requestUserPosition();
    EXPECT_EQ(state.block.latitude, 52.3);
    EXPECT_EQ(g_mainWindow.userStandText.get(), "D7"); // by the caller of the engine-side request
    onGround(0);
    gf_requestUserPosition();
    EXPECT_EQ(g_mainWindow.userStandText.get(), "");
}

} // namespace
} // namespace skf
