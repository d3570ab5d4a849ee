// The client library against the simulator stand-in on a temporary socket.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>
#include <set>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>

#include "support/SimStandInHarness.h"

using namespace skf;
using namespace skf::test;
using skf::standin::ObjectKind;
using skf::standin::StandInConfig;

namespace {

struct AiPosition {
    double lat, lon, pitch, bank, heading, alt, vs, tas;
};
static_assert(sizeof(AiPosition) == 64);

struct UserBlock {
    double lat, lon, pitch, bank, heading, alt, agl, gs;
    std::int64_t zuluTime, zuluDay, zuluYear, lights;
};
static_assert(sizeof(UserBlock) == 96);

struct RangeBlock {
    double agl, groundAlt;
    std::int64_t onGround;
    char atcId[32];
};

// The registrations Skyfill makes on each connection.
void setUp(SimHandle h) {
    for (auto [id, name] : {std::pair{SIM_EVENT_SIM, "Sim"},
                            {SIM_EVENT_OBJECT_ADDED, "ObjectAdded"},
                            {SIM_EVENT_OBJECT_REMOVED, "ObjectRemoved"},
                            {SIM_EVENT_FLIGHT_LOADED, "FlightLoaded"},
                            {SIM_EVENT_FRAME, "Frame"}})
        ASSERT_EQ(SimConnect_SubscribeToSystemEvent(h, id, name), SIM_OK);
    auto add = [&](std::uint32_t def, const char* var, const char* unit, SIMCONNECT_DATATYPE type) {
        ASSERT_EQ(SimConnect_AddToDataDefinition(h, def, var, unit, type, 0, SIMCONNECT_UNUSED), SIM_OK);
    };
    const auto F = SIMCONNECT_DATATYPE_FLOAT64, I = SIMCONNECT_DATATYPE_INT64;
    add(SIM_DEF_USER_TITLE, "TITLE", nullptr, SIMCONNECT_DATATYPE_STRINGV);
    add(SIM_DEF_USER_MODEL, "ATC MODEL", nullptr, SIMCONNECT_DATATYPE_STRING32);
    add(SIM_DEF_USER_ON_GROUND, "SIM ON GROUND", "Bool", I);
    for (auto def : {SIM_DEF_AI_POSITION, SIM_DEF_USER_POSITION}) {
        add(def, "Plane Latitude", "degree", F);
        add(def, "Plane Longitude", "degree", F);
        add(def, "Plane Pitch degrees", "radians", F);
        add(def, "Plane Bank degrees", "radians", F);
        add(def, "Plane Heading degrees true", "radians", F);
        add(def, "Plane Altitude", "feet", F);
        if (def == SIM_DEF_AI_POSITION) {
            add(def, "Vertical Speed", "feet per second", F);
            add(def, "Airspeed True", "knots", F);
        }
    }
    add(SIM_DEF_USER_POSITION, "Plane Alt Above Ground", "feet", F);
    add(SIM_DEF_USER_POSITION, "Ground Velocity", "knots", F);
    add(SIM_DEF_USER_POSITION, "ZULU TIME", "Seconds", I);
    add(SIM_DEF_USER_POSITION, "ZULU DAY OF YEAR", "Number", I);
    add(SIM_DEF_USER_POSITION, "ZULU YEAR", "Number", I);
    add(SIM_DEF_USER_POSITION, "LIGHT STATES", "Mask", I);
    add(SIM_DEF_STATIC_CG, "Static CG to Ground", "feet", F);
    add(SIM_DEF_STATIC_CG, "Static Pitch", "radians", F);
    add(SIM_DEF_RANGE, "Plane Alt Above Ground", "feet", F);
    add(SIM_DEF_RANGE, "Ground Altitude", "feet", F);
    add(SIM_DEF_RANGE, "SIM ON GROUND", "Bool", I);
    add(SIM_DEF_RANGE, "ATC ID", nullptr, SIMCONNECT_DATATYPE_STRING32);
    add(SIM_DEF_AI_CONTROLS, "SPOILERS HANDLE POSITION", "percent", F);
    add(SIM_DEF_AI_CONTROLS, "GENERAL ENG THROTTLE LEVER POSITION:1", "percent", F);
    add(SIM_DEF_AI_CONTROLS, "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", F);
    const std::pair<std::uint32_t, const char*> events[] = {{219, "GEAR_SET"},
                                                            {220, "ENGINE_AUTO_START"},
                                                            {221, "ENGINE_AUTO_SHUTDOWN"},
                                                            {222, "THROTTLE_SET"},
                                                            {217, "FLAPS_SET"},
                                                            {218, "SPOILERS_SET"},
                                                            {207, "NAV_LIGHTS_SET"},
                                                            {206, "BEACON_LIGHTS_SET"},
                                                            {210, "LANDING_LIGHTS_SET"},
                                                            {208, "TAXI_LIGHTS_SET"},
                                                            {209, "STROBES_SET"},
                                                            {212, "LOGO_LIGHTS_SET"},
                                                            {211, "CABIN_LIGHTS_SET"},
                                                            {213, "ALL_LIGHTS_TOGGLE"},
                                                            {214, "FREEZE_LATITUDE_LONGITUDE_SET"},
                                                            {215, "FREEZE_ALTITUDE_SET"},
                                                            {216, "FREEZE_ATTITUDE_SET"}};
    for (auto [id, name] : events)
        ASSERT_EQ(SimConnect_MapClientEventToSimEvent(h, id, name), SIM_OK);
    for (std::uint32_t id : {207, 206, 210, 208, 209, 212, 211, 213, 217, 218, 219, 221, 222, 214, 215, 216})
        ASSERT_EQ(SimConnect_AddClientEventToNotificationGroup(h, SIM_GROUP_AI, id, true), SIM_OK);
    ASSERT_EQ(SimConnect_SetNotificationGroupPriority(h, SIM_GROUP_AI, SIMCONNECT_GROUP_PRIORITY_HIGHEST), SIM_OK);
}

SIMCONNECT_DATA_INITPOSITION at(double lat, double lon, bool onGround, double alt = 0) {
    return SIMCONNECT_DATA_INITPOSITION{lat, lon, alt, 0, 0, 90, onGround ? 1u : 0u, 0};
}

StandInConfig smallWorld() {
    StandInConfig cfg;
    cfg.scenario.installedTitles = {"Airbus A320 KLM", "Boeing 737-800 Transavia"};
    cfg.scenario.foreign.clear();
    cfg.scenario.confirmFrames = 3;
    return cfg;
}

// Object ids of the ObjectAdded / ObjectRemoved events received.
std::vector<std::uint32_t> objectEvents(const SimTestClient& c, std::uint32_t event) {
    std::vector<std::uint32_t> ids;
    for (const auto* m : c.of(SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE)) {
        const auto& e = m->as<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>();
        if (e.uEventID == event && e.eObjType == SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT)
            ids.push_back(e.dwData);
    }
    return ids;
}

bool hasException(const SimTestClient& c, std::uint32_t code, std::uint32_t sendId) {
    for (const auto* e : c.exceptions())
        if (e->dwException == code && e->dwSendID == sendId)
            return true;
    return false;
}

} // namespace

TEST(SimStandInOpen, RefusedUntilStartedThenNamesTheSimulator) {
    StandInConfig cfg;
    cfg.started = false;
    StandInHarness h(cfg);
    SimTestClient c;
    EXPECT_EQ(c.open(), SIM_E_FAIL);
    EXPECT_EQ(c.handle, 0u);
    EXPECT_EQ(c.open(), SIM_E_FAIL);

    h.sim->setStarted(true);
    ASSERT_EQ(c.open(), SIM_OK);
    ASSERT_NE(c.handle, 0u);
    ASSERT_TRUE(c.waitFor([&] { return c.count(SIMCONNECT_RECV_ID_OPEN) == 1; }));
    const auto& open = c.of(SIMCONNECT_RECV_ID_OPEN)[0]->as<SIMCONNECT_RECV_OPEN>();
    EXPECT_STREQ(open.szApplicationName, "KittyHawk");
    EXPECT_EQ(open.dwApplicationVersionMajor, 11u);
    EXPECT_TRUE(h.sim->waitUntil([&] { return h.sim->connectionCount() == 1; }));
}

TEST(SimStandInOpen, The2024SimulatorCallsItselfSunRise) {
    StandInConfig cfg;
    cfg.scenario.simulator = 2024;
    StandInHarness h(cfg);
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    ASSERT_TRUE(c.waitFor([&] { return c.count(SIMCONNECT_RECV_ID_OPEN) == 1; }));
    EXPECT_STREQ(c.of(SIMCONNECT_RECV_ID_OPEN)[0]->as<SIMCONNECT_RECV_OPEN>().szApplicationName, "SunRise");
}

TEST(SimStandInOpen, VersionMismatchFollowsTheOpenMessage) {
    StandInHarness h;
    h.sim->setVersionMismatch(true);
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    ASSERT_TRUE(c.waitFor([&] { return !c.exceptions().empty(); }));
    EXPECT_EQ(c.received.front().id(), SIMCONNECT_RECV_ID_OPEN);
    EXPECT_EQ(c.exceptions()[0]->dwException, SIMCONNECT_EXCEPTION_VERSION_MISMATCH);
}

TEST(SimStandInCalls, PacketIdsIncreaseAndExceptionsCarryThem) {
    StandInHarness h(smallWorld());
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    std::uint32_t first = c.lastPacket();
    EXPECT_EQ(first, 1u); // the open
    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(c.handle, SIM_EVENT_SIM, "Sim"), SIM_OK);
    EXPECT_EQ(c.lastPacket(), 2u);
    // A request on a definition that was never made is refused with the request's packet id.
    ASSERT_EQ(SimConnect_RequestDataOnSimObject(c.handle, SIM_REQ_USER_POSITION, 499, SIMCONNECT_OBJECT_ID_USER,
                                                SIMCONNECT_PERIOD_ONCE),
              SIM_OK);
    std::uint32_t bad = c.lastPacket();
    EXPECT_EQ(bad, 3u);
    ASSERT_TRUE(c.waitFor([&] { return !c.exceptions().empty(); }));
    EXPECT_TRUE(hasException(c, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, bad));
    // The "Sim" subscription is answered with the running state at once.
    ASSERT_GE(c.count(SIMCONNECT_RECV_ID_EVENT), 1u);
    const auto& sim = c.of(SIMCONNECT_RECV_ID_EVENT)[0]->as<SIMCONNECT_RECV_EVENT>();
    EXPECT_EQ(sim.uEventID, SIM_EVENT_SIM);
    EXPECT_EQ(sim.dwData, 1u);
    // A call refused by the library itself sends nothing and takes no packet id.
    EXPECT_EQ(SimConnect_SubscribeToSystemEvent(c.handle, SIM_EVENT_SIM, nullptr), SIM_E_INVALIDARG);
    EXPECT_EQ(c.lastPacket(), bad);
}

TEST(SimStandInCalls, WrongSizeSetDataIsRefused) {
    StandInHarness h(smallWorld());
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    setUp(c.handle);
    AiPosition p{52.3, 4.76, 0, 0, 1, 100, 0, 0};
    // The user aircraft accepts a full block; 56 bytes of a 64-byte definition are refused.
    ASSERT_EQ(SimConnect_SetDataOnSimObject(c.handle, SIM_DEF_AI_POSITION, SIMCONNECT_OBJECT_ID_USER, 0, 0, 56, &p),
              SIM_OK);
    std::uint32_t shortSend = c.lastPacket();
    double controls[2] = {50, 50};
    ASSERT_EQ(SimConnect_SetDataOnSimObject(c.handle, SIM_DEF_AI_CONTROLS, SIMCONNECT_OBJECT_ID_USER, 0, 0,
                                            sizeof controls, controls),
              SIM_OK);
    std::uint32_t controlsSend = c.lastPacket();
    ASSERT_TRUE(c.waitFor([&] { return c.exceptions().size() >= 2; }));
    EXPECT_TRUE(hasException(c, SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE, shortSend));
    EXPECT_TRUE(hasException(c, SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE, controlsSend));
    auto u = h.sim->object(1);
    ASSERT_TRUE(u);
    EXPECT_FALSE(u->moved);
}

TEST(SimStandInCalls, HandleErrorsNeverCrash) {
    StandInHarness h(smallWorld());
    std::uint32_t id = 99;
    EXPECT_EQ(SimConnect_GetLastSentPacketID(0, &id), SIM_E_HANDLE);
    EXPECT_EQ(id, 0u);
    EXPECT_EQ(SimConnect_AIReleaseControl(12345, 100, SIM_REQ_RELEASE_CONTROL), SIM_E_HANDLE);
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    SimHandle old = c.handle;
    c.close();
    EXPECT_EQ(SimConnect_AIRemoveObject(old, 100, SIM_REQ_REMOVE), SIM_E_HANDLE);
    EXPECT_EQ(SimConnect_CallDispatch(
                  old, [](SIMCONNECT_RECV*, std::uint32_t, void*) {}, nullptr),
              SIM_E_HANDLE);
    EXPECT_EQ(SimConnect_Close(old), SIM_E_HANDLE);
    EXPECT_TRUE(h.sim->waitUntil([&] { return h.sim->connectionCount() == 0; }));
}

TEST(SimStandInCalls, QuitThenTheSimulatorIsGone) {
    StandInHarness h(smallWorld());
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    ASSERT_TRUE(c.waitFor([&] { return c.count(SIMCONNECT_RECV_ID_OPEN) == 1; }));
    h.sim->quit();
    // QUIT is handed out first, then the dispatch reports the simulator as gone.
    ASSERT_TRUE(c.waitFor([&] { return c.count(SIMCONNECT_RECV_ID_QUIT) == 1; }));
    SimResult r = SIM_OK;
    std::vector<SIMCONNECT_RECV*> seen;
    auto proc = [](SIMCONNECT_RECV*, std::uint32_t, void*) {};
    for (int i = 0; i < 10000 && gf_simSucceeded(r); ++i) {
        r = SimConnect_CallDispatch(c.handle, proc, nullptr);
        if (gf_simSucceeded(r))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(r, SIM_E_GONE);
    double block[8] = {};
    EXPECT_TRUE(
        gf_simFailed(SimConnect_SetDataOnSimObject(c.handle, SIM_DEF_AI_POSITION, 100, 0, 0, sizeof block, block)));
    // Once quit, the simulator is not there for a new open either.
    SimTestClient again;
    EXPECT_EQ(again.open(), SIM_E_FAIL);
}

TEST(SimStandInCalls, DroppedConnectionFailsTheDispatch) {
    StandInHarness h(smallWorld());
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    ASSERT_TRUE(h.sim->waitUntil([&] { return h.sim->connectionCount() == 1; }));
    h.sim->dropClients();
    SimResult r = SIM_OK;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (r != SIM_E_GONE && std::chrono::steady_clock::now() < deadline) {
        r = c.pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(r, SIM_E_GONE);
    EXPECT_EQ(SimConnect_AIRemoveObject(c.handle, 100, SIM_REQ_REMOVE), SIM_E_GONE);
}

TEST(SimStandInCalls, InjectedCallFailuresAndExceptions) {
    StandInHarness h(smallWorld());
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    setUp(c.handle);
    ASSERT_TRUE(c.waitFor([&] { return c.count(SIMCONNECT_RECV_ID_OPEN) == 1; }));
    std::thread pumper; // the client must read the directive to arm it
    std::atomic<bool> done{false};
    pumper = std::thread([&] {
        while (!done) {
            SimConnect_CallDispatch(
                c.handle, [](SIMCONNECT_RECV*, std::uint32_t, void*) {}, nullptr);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    ASSERT_TRUE(h.sim->failNextCalls(SimCall::RequestDataOnSimObjectType, 1));
    done = true;
    pumper.join();
    EXPECT_EQ(SimConnect_RequestDataOnSimObjectType(c.handle, SIM_REQ_RANGE, SIM_DEF_RANGE, 20000,
                                                    SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT),
              SIM_E_FAIL);
    EXPECT_EQ(SimConnect_RequestDataOnSimObjectType(c.handle, SIM_REQ_RANGE, SIM_DEF_RANGE, 20000,
                                                    SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT),
              SIM_OK);
    EXPECT_TRUE(h.sim->waitUntil([&] { return h.sim->callCount(SimCall::RequestDataOnSimObjectType) == 1; }));

    h.sim->raiseException(SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 77, 2);
    ASSERT_TRUE(c.waitFor([&] { return hasException(c, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 77); }));

    // A flight plan that is not there cannot be loaded.
    ASSERT_EQ(SimConnect_AISetAircraftFlightPlan(c.handle, 1, "/nonexistent/1.pln", SIM_REQ_FLIGHT_PLAN), SIM_OK);
    std::uint32_t userPlan = c.lastPacket();
    ASSERT_TRUE(
        c.waitFor([&] { return hasException(c, SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE, userPlan); }));
}

TEST(SimStandInWorld, UserAircraftFollowsTheScenarioAndTheGround) {
    StandInConfig cfg = smallWorld();
    cfg.scenario.path = {
        {0, 52.3080, 4.7628, std::nullopt, 235, false, "parked"},
        {2, 52.3080, 4.7628, std::nullopt, 235, false, "parked"},
        {4, 52.3200, 4.7800, 800.0, 10, false, "climb"},
        {6, 40.6413, -73.7781, 3000.0, 10, true, "teleport"},
    };
    StandInHarness h(cfg);
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    setUp(c.handle);
    ASSERT_EQ(SimConnect_RequestDataOnSimObject(c.handle, SIM_REQ_USER_ON_GROUND, SIM_DEF_USER_ON_GROUND,
                                                SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_SECOND),
              SIM_OK);
    auto userBlocks = [&] {
        std::vector<UserBlock> v;
        for (const auto* m : c.of(SIMCONNECT_RECV_ID_SIMOBJECT_DATA)) {
            const auto& d = m->as<SIMCONNECT_RECV_SIMOBJECT_DATA>();
            if (d.dwRequestID != SIM_REQ_USER_POSITION)
                continue;
            EXPECT_EQ(gf_simDataBlockSize(&d), sizeof(UserBlock));
            UserBlock b;
            std::memcpy(&b, gf_simDataBlock(&d), sizeof b);
            v.push_back(b);
        }
        return v;
    };
    auto onGroundTicks = [&] {
        std::size_t n = 0;
        for (const auto* m : c.of(SIMCONNECT_RECV_ID_SIMOBJECT_DATA))
            if (m->as<SIMCONNECT_RECV_SIMOBJECT_DATA>().dwRequestID == SIM_REQ_USER_ON_GROUND)
                ++n;
        return n;
    };
    auto position = [&] {
        std::size_t before = userBlocks().size();
        EXPECT_EQ(SimConnect_RequestDataOnSimObject(c.handle, SIM_REQ_USER_POSITION, SIM_DEF_USER_POSITION,
                                                    SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE),
                  SIM_OK);
        EXPECT_TRUE(c.waitFor([&] { return userBlocks().size() == before + 1; }));
        return userBlocks().back();
    };
    ASSERT_TRUE(c.waitFor([&] { return onGroundTicks() == 1; })); // answered at once

    UserBlock parked = position();
    EXPECT_NEAR(parked.lat, 52.3080, 1e-9);
    EXPECT_DOUBLE_EQ(parked.alt, -11.0); // the ground of the default EHAM area
    EXPECT_DOUBLE_EQ(parked.agl, 0.0);
    EXPECT_EQ(parked.zuluYear, 2024);
    EXPECT_EQ(parked.zuluDay, 160);
    EXPECT_NEAR(parked.heading, 235 * 0.017453292519943295, 1e-9);

    h.sim->step(30); // one second: the every-second request answers again
    ASSERT_TRUE(c.waitFor([&] { return onGroundTicks() == 2; }));
    h.sim->step(75); // 3.5 s: climbing
    UserBlock climbing = position();
    EXPECT_GT(climbing.agl, 100.0);
    EXPECT_GT(climbing.gs, 10.0);
    EXPECT_GT(climbing.zuluTime, parked.zuluTime);
    ASSERT_TRUE(c.waitFor([&] { return onGroundTicks() == 4; }));
    std::int64_t onGround = 1;
    for (const auto* m : c.of(SIMCONNECT_RECV_ID_SIMOBJECT_DATA)) {
        const auto& d = m->as<SIMCONNECT_RECV_SIMOBJECT_DATA>();
        if (d.dwRequestID == SIM_REQ_USER_ON_GROUND)
            std::memcpy(&onGround, gf_simDataBlock(&d), 8);
    }
    EXPECT_EQ(onGround, 0);

    h.sim->step(90); // past 6 s: the jump puts the aircraft at JFK
    UserBlock jumped = position();
    EXPECT_NEAR(jumped.lat, 40.6413, 1e-9);
    EXPECT_DOUBLE_EQ(jumped.alt, 3000.0);

    h.sim->teleportUser(52.3080, 4.7628);
    UserBlock back = position();
    EXPECT_NEAR(back.lon, 4.7628, 1e-9);
    EXPECT_DOUBLE_EQ(back.agl, 0.0);
}

TEST(SimStandInWorld, FramesOnlyWhileAFlightRuns) {
    StandInHarness h(smallWorld());
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    setUp(c.handle);
    ASSERT_TRUE(h.sim->waitUntil([&] { return h.sim->callCount(SimCall::SetNotificationGroupPriority) == 1; }));
    h.sim->step(5);
    ASSERT_TRUE(c.waitFor([&] { return c.count(SIMCONNECT_RECV_ID_EVENT_FRAME) == 5; }));
    h.sim->setFlightRunning(false);
    h.sim->step(5);
    h.sim->loadFlight();
    ASSERT_TRUE(c.waitFor([&] {
        auto ev = c.of(SIMCONNECT_RECV_ID_EVENT);
        return !ev.empty() && ev.back()->as<SIMCONNECT_RECV_EVENT>().uEventID == SIM_EVENT_FLIGHT_LOADED;
    }));
    EXPECT_EQ(c.count(SIMCONNECT_RECV_ID_EVENT_FRAME), 5u);
    auto ev = c.of(SIMCONNECT_RECV_ID_EVENT);
    ASSERT_GE(ev.size(), 3u);
    EXPECT_EQ(ev[ev.size() - 2]->as<SIMCONNECT_RECV_EVENT>().uEventID, SIM_EVENT_SIM);
    EXPECT_EQ(ev[ev.size() - 2]->as<SIMCONNECT_RECV_EVENT>().dwData, 0u);
    h.sim->loadFlight("C:/flights/EHAM.FLT");
    ASSERT_TRUE(c.waitFor([&] { return c.count(SIMCONNECT_RECV_ID_EVENT_FILENAME) == 1; }));
    const auto& file = c.of(SIMCONNECT_RECV_ID_EVENT_FILENAME)[0]->as<SIMCONNECT_RECV_EVENT_FILENAME>();
    EXPECT_EQ(file.uEventID, SIM_EVENT_FLIGHT_LOADED);
    EXPECT_STREQ(file.szFileName, "C:/flights/EHAM.FLT");
}

TEST(SimStandInWorld, ForeignTrafficShowsUpInRange) {
    StandInConfig cfg = smallWorld();
    cfg.scenario.foreign = {{"AS-GEN", "Generic", 52.3090, 4.7600, std::nullopt, 90, 0, 0.05, -1},
                            {"FAR-AWAY", "Generic", 10.0, 10.0, 3000.0, 0, 0, 0.05, -1}};
    StandInHarness h(cfg);
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    setUp(c.handle);
    ASSERT_TRUE(h.sim->waitUntil([&] { return h.sim->callCount(SimCall::SetNotificationGroupPriority) == 1; }));
    h.sim->step(3);
    ASSERT_TRUE(c.waitFor([&] { return objectEvents(c, SIM_EVENT_OBJECT_ADDED).size() == 2; }));
    ASSERT_EQ(SimConnect_RequestDataOnSimObjectType(c.handle, SIM_REQ_RANGE, SIM_DEF_RANGE, 20 * 1852,
                                                    SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT),
              SIM_OK);
    ASSERT_TRUE(c.waitFor([&] { return c.count(SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE) == 2; }));
    std::set<std::string> ids;
    for (const auto* m : c.of(SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE)) {
        const auto& d = m->as<SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE>();
        RangeBlock b;
        ASSERT_EQ(gf_simDataBlockSize(&d), sizeof b);
        std::memcpy(&b, gf_simDataBlock(&d), sizeof b);
        ids.insert(b.atcId);
        EXPECT_EQ(b.onGround, 1);
        EXPECT_DOUBLE_EQ(b.groundAlt, -11.0);
        EXPECT_EQ(d.dwoutof, 2u);
    }
    EXPECT_EQ(ids, (std::set<std::string>{"ASXGS", "AS-GEN"})); // the user aircraft and the near one
}

// Creations confirmed, released, frozen, moved and removed, checked from the trace.
TEST(SimStandInAi, LifeOfAiObjectsInTheTrace) {
    StandInConfig cfg = smallWorld();
    cfg.scenario.capacity = 3;
    StandInHarness h(cfg);
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    setUp(c.handle);

    const char* installed = "Airbus A320 KLM";
    std::vector<std::uint32_t> sends;
    for (const char* tail : {"KLM1", "KLM2", "KLM2"}) {
        ASSERT_EQ(SimConnect_AICreateNonATCAircraft(c.handle, installed, tail, at(52.31, 4.76, true), SIM_REQ_CREATE),
                  SIM_OK);
        sends.push_back(c.lastPacket());
    }
    ASSERT_EQ(
        SimConnect_AICreateNonATCAircraft(c.handle, "Not Installed", "XXX1", at(52.31, 4.76, true), SIM_REQ_CREATE),
        SIM_OK);
    std::uint32_t refusedTitle = c.lastPacket();
    ASSERT_EQ(
        SimConnect_AICreateNonATCAircraft(c.handle, installed, "KLM4", at(52.31, 4.76, false, 2000), SIM_REQ_CREATE),
        SIM_OK);
    std::uint32_t overCapacity = c.lastPacket();
    ASSERT_TRUE(c.waitFor([&] { return c.exceptions().size() == 2; }));
    EXPECT_TRUE(hasException(c, SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED, refusedTitle));
    EXPECT_TRUE(hasException(c, SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS, overCapacity));

    h.sim->step(2);
    EXPECT_EQ(h.sim->aiObjectCount(), 0u); // confirmed only after three frames
    h.sim->step(1);
    ASSERT_TRUE(c.waitFor([&] { return objectEvents(c, SIM_EVENT_OBJECT_ADDED).size() == 3; }));
    ASSERT_EQ(c.count(SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID), 3u);
    std::vector<std::uint32_t> ids = objectEvents(c, SIM_EVENT_OBJECT_ADDED);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        auto o = h.sim->object(ids[i]);
        ASSERT_TRUE(o);
        EXPECT_EQ(o->kind, ObjectKind::Ai);
        EXPECT_EQ(o->createPacket, sends[i]);
        EXPECT_DOUBLE_EQ(o->altFt, -11.0); // created on the ground
    }
    // The tail number comes back as ATC ID in the range data.
    ASSERT_EQ(SimConnect_RequestDataOnSimObjectType(c.handle, SIM_REQ_RANGE, SIM_DEF_RANGE, 10000,
                                                    SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT),
              SIM_OK);
    ASSERT_TRUE(c.waitFor([&] { return c.count(SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE) == 4; }));
    std::multiset<std::string> atcIds;
    for (const auto* m : c.of(SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE)) {
        RangeBlock b;
        std::memcpy(&b, gf_simDataBlock(&m->as<SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE>()), sizeof b);
        atcIds.insert(b.atcId);
    }
    EXPECT_EQ(atcIds, (std::multiset<std::string>{"ASXGS", "KLM1", "KLM2", "KLM2"}));

    // The first two are released and frozen before they move; the third is moved at once.
    for (std::size_t i = 0; i < 2; ++i) {
        ASSERT_EQ(SimConnect_AIReleaseControl(c.handle, ids[i], SIM_REQ_RELEASE_CONTROL), SIM_OK);
        for (std::uint32_t ev :
             {SIM_EVENT_FREEZE_LAT_LON_SET, SIM_EVENT_FREEZE_ALTITUDE_SET, SIM_EVENT_FREEZE_ATTITUDE_SET})
            ASSERT_EQ(SimConnect_TransmitClientEvent(c.handle, ids[i], ev, 1, SIM_GROUP_AI, 0), SIM_OK);
    }
    for (std::uint32_t id : ids) {
        AiPosition p{52.312, 4.761, -0.02, 0, 1.5, -11, 0, 12};
        ASSERT_EQ(SimConnect_SetDataOnSimObject(c.handle, SIM_DEF_AI_POSITION, id, 0, 0, sizeof p, &p), SIM_OK);
    }
    ASSERT_EQ(SimConnect_RequestDataOnSimObject(c.handle, SIM_REQ_STATIC_CG, SIM_DEF_STATIC_CG, ids[0],
                                                SIMCONNECT_PERIOD_ONCE),
              SIM_OK);
    ASSERT_TRUE(c.waitFor([&] { return c.count(SIMCONNECT_RECV_ID_SIMOBJECT_DATA) >= 1; }));
    double cg[2];
    std::memcpy(cg,
                gf_simDataBlock(&c.of(SIMCONNECT_RECV_ID_SIMOBJECT_DATA).back()->as<SIMCONNECT_RECV_SIMOBJECT_DATA>()),
                sizeof cg);
    EXPECT_DOUBLE_EQ(cg[0], 7.5);

    for (std::uint32_t id : ids)
        ASSERT_EQ(SimConnect_AIRemoveObject(c.handle, id, SIM_REQ_REMOVE), SIM_OK);
    ASSERT_TRUE(c.waitFor([&] { return objectEvents(c, SIM_EVENT_OBJECT_REMOVED).size() == 3; }));
    EXPECT_EQ(h.sim->aiObjectCount(), 0u);
    // Removing it again: the object is not known any more.
    ASSERT_EQ(SimConnect_AIRemoveObject(c.handle, ids[0], SIM_REQ_REMOVE), SIM_OK);
    std::uint32_t again = c.lastPacket();
    ASSERT_TRUE(c.waitFor([&] { return hasException(c, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, again); }));

    // The trace tells which objects moved before they were released and frozen.
    std::map<std::uint32_t, bool> readyAtFirstMove;
    std::set<std::uint32_t> removed;
    for (const auto& line : h.sim->trace()) {
        if (line.value("call", "") == "SetDataOnSimObject" && line.value("firstMove", false))
            readyAtFirstMove[line["object"].get<std::uint32_t>()] = line["ready"].get<bool>();
        if (line.value("what", "") == "removed")
            removed.insert(line["obj"]["id"].get<std::uint32_t>());
    }
    EXPECT_EQ(readyAtFirstMove, (std::map<std::uint32_t, bool>{{ids[0], true}, {ids[1], true}, {ids[2], false}}));
    EXPECT_EQ(removed, (std::set<std::uint32_t>(ids.begin(), ids.end())));
    EXPECT_EQ(h.sim->movedBeforeReady(), (std::vector<std::uint32_t>{ids[2]}));
    EXPECT_EQ(h.sim->removedObjects(), ids);
    // The trace file holds the same lines.
    std::ifstream file(h.dir() / "trace.jsonl");
    std::size_t lines = 0;
    for (std::string l; std::getline(file, l);)
        ++lines;
    EXPECT_GT(lines, 50u);
}

TEST(SimStandInAi, ClientEventsChangeTheObject) {
    StandInHarness h(smallWorld());
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    setUp(c.handle);
    ASSERT_EQ(SimConnect_AICreateNonATCAircraft(c.handle, "Boeing 737-800 Transavia", "TRA123",
                                                at(52.31, 4.76, false, 3000), SIM_REQ_CREATE),
              SIM_OK);
    ASSERT_TRUE(h.sim->waitForPacket(c.lastPacket()));
    h.sim->step(3);
    ASSERT_TRUE(c.waitFor([&] { return objectEvents(c, SIM_EVENT_OBJECT_ADDED).size() == 1; }));
    std::uint32_t id = objectEvents(c, SIM_EVENT_OBJECT_ADDED)[0];
    auto send = [&](std::uint32_t ev, std::uint32_t value) {
        ASSERT_EQ(SimConnect_TransmitClientEvent(c.handle, id, ev, value, SIM_GROUP_AI, 0), SIM_OK);
    };
    send(SIM_EVENT_GEAR_SET, 0);
    send(SIM_EVENT_FLAPS_SET, 10240);
    send(SIM_EVENT_SPOILERS_SET, 16383);
    send(SIM_EVENT_THROTTLE_SET, 8191);
    send(SIM_EVENT_ENGINE_AUTO_START, 0);
    send(SIM_EVENT_NAV_LIGHTS_SET, 1);
    send(SIM_EVENT_BEACON_LIGHTS_SET, 1);
    send(SIM_EVENT_CABIN_LIGHTS_SET, 1);
    send(SIM_EVENT_BEACON_LIGHTS_SET, 0);
    double controls[3] = {100, 80, 81};
    ASSERT_EQ(SimConnect_SetDataOnSimObject(c.handle, SIM_DEF_AI_CONTROLS, id, 0, 0, sizeof controls, controls),
              SIM_OK);
    ASSERT_TRUE(h.sim->waitUntil([&] { return h.sim->callCount(SimCall::SetDataOnSimObject) == 1; }));
    auto o = h.sim->object(id);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->atcId, "TRA123");
    EXPECT_DOUBLE_EQ(o->altFt, 3000.0);
    EXPECT_EQ(o->gear, 0u);
    EXPECT_EQ(o->flaps, 10240u);
    EXPECT_EQ(o->spoilers, 16383u);
    EXPECT_EQ(o->throttle, 8191u);
    EXPECT_TRUE(o->enginesRunning);
    EXPECT_EQ(o->lights, SIM_LIGHT_NAV | SIM_LIGHT_CABIN);
    EXPECT_DOUBLE_EQ(o->spoilerHandlePct, 100.0);
    EXPECT_DOUBLE_EQ(o->throttle2Pct, 81.0);
    EXPECT_FALSE(o->moved); // the controls block holds no position
    // An event that was never mapped, and AI calls on the user aircraft, are refused.
    ASSERT_EQ(SimConnect_TransmitClientEvent(c.handle, id, 299, 1, SIM_GROUP_AI, 0), SIM_OK);
    std::uint32_t unmapped = c.lastPacket();
    ASSERT_EQ(SimConnect_AIRemoveObject(c.handle, SIMCONNECT_OBJECT_ID_USER, SIM_REQ_REMOVE), SIM_OK);
    std::uint32_t removeUser = c.lastPacket();
    ASSERT_TRUE(c.waitFor([&] { return c.exceptions().size() == 2; }));
    EXPECT_TRUE(hasException(c, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, unmapped));
    EXPECT_TRUE(hasException(c, SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE, removeUser));
    // A readable flight plan is taken.
    std::string plan = (h.dir() / "123.pln").string();
    std::ofstream(plan) << "<FlightPlan.FlightPlan>\n</FlightPlan.FlightPlan>\n";
    ASSERT_EQ(SimConnect_AISetAircraftFlightPlan(c.handle, id, plan.c_str(), SIM_REQ_FLIGHT_PLAN), SIM_OK);
    ASSERT_TRUE(h.sim->waitUntil([&] { return h.sim->object(id)->flightPlan == plan; }));
}

TEST(SimStandInAi, ReleaseAndFreezeDecideWhoMovesTheObject) {
    StandInHarness h(smallWorld());
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    setUp(c.handle);
    SIMCONNECT_DATA_INITPOSITION pos = at(52.31, 4.76, false, 3000);
    pos.Heading = 0;
    pos.Airspeed = 240;
    ASSERT_EQ(SimConnect_AICreateNonATCAircraft(c.handle, "Airbus A320 KLM", "KLM9", pos, SIM_REQ_CREATE), SIM_OK);
    ASSERT_TRUE(h.sim->waitForPacket(c.lastPacket()));
    h.sim->step(3);
    ASSERT_TRUE(c.waitFor([&] { return objectEvents(c, SIM_EVENT_OBJECT_ADDED).size() == 1; }));
    std::uint32_t id = objectEvents(c, SIM_EVENT_OBJECT_ADDED)[0];
    // Under the simulator's control it flies north by itself.
    h.sim->step(30);
    auto flying = h.sim->object(id);
    EXPECT_NEAR(flying->lat - 52.31, 240.0 / 3600 / 60, 1e-6);
    EXPECT_DOUBLE_EQ(flying->altFt, 3000.0);
    // Released but not frozen: it stops and sinks.
    ASSERT_EQ(SimConnect_AIReleaseControl(c.handle, id, SIM_REQ_RELEASE_CONTROL), SIM_OK);
    ASSERT_TRUE(h.sim->waitForPacket(c.lastPacket()));
    h.sim->step(30);
    auto sinking = h.sim->object(id);
    EXPECT_DOUBLE_EQ(sinking->lat, flying->lat);
    EXPECT_NEAR(sinking->altFt, 2990.0, 1e-6);
    // Frozen in altitude: it holds until the client moves it.
    ASSERT_EQ(SimConnect_TransmitClientEvent(c.handle, id, SIM_EVENT_FREEZE_ALTITUDE_SET, 1, SIM_GROUP_AI, 0), SIM_OK);
    ASSERT_TRUE(h.sim->waitForPacket(c.lastPacket()));
    h.sim->step(30);
    EXPECT_DOUBLE_EQ(h.sim->object(id)->altFt, sinking->altFt);
    EXPECT_FALSE(h.sim->object(id)->moved);
}

TEST(SimStandInAi, DisconnectRemovesTheClientsObjects) {
    StandInHarness h(smallWorld());
    SimTestClient owner, watcher;
    ASSERT_EQ(owner.open(), SIM_OK);
    ASSERT_EQ(watcher.open(), SIM_OK);
    setUp(owner.handle);
    setUp(watcher.handle);
    for (const char* tail : {"A1", "A2"})
        ASSERT_EQ(SimConnect_AICreateNonATCAircraft(owner.handle, "Airbus A320 KLM", tail, at(52.31, 4.76, true),
                                                    SIM_REQ_CREATE),
                  SIM_OK);
    ASSERT_TRUE(h.sim->waitUntil([&] { return h.sim->callCount(SimCall::AICreateNonATCAircraft) == 2; }));
    ASSERT_TRUE(h.sim->waitUntil([&] { return h.sim->callCount(SimCall::SetNotificationGroupPriority) == 2; }));
    h.sim->step(3);
    ASSERT_TRUE(watcher.waitFor([&] { return objectEvents(watcher, SIM_EVENT_OBJECT_ADDED).size() == 2; }));
    // Only the creator may remove them.
    std::uint32_t first = objectEvents(watcher, SIM_EVENT_OBJECT_ADDED)[0];
    ASSERT_EQ(SimConnect_AIRemoveObject(watcher.handle, first, SIM_REQ_REMOVE), SIM_OK);
    std::uint32_t foreignRemove = watcher.lastPacket();
    ASSERT_TRUE(watcher.waitFor(
        [&] { return hasException(watcher, SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE, foreignRemove); }));

    owner.close();
    ASSERT_TRUE(watcher.waitFor([&] { return objectEvents(watcher, SIM_EVENT_OBJECT_REMOVED).size() == 2; }));
    EXPECT_EQ(h.sim->aiObjectCount(), 0u);
    EXPECT_EQ(h.sim->connectionCount(), 1u);
}

TEST(SimStandInScenario, BadFilesAreRefusedClearly) {
    SimTempDir dir;
    auto write = [&](const char* text) {
        auto p = dir.path() / "s.json";
        std::ofstream(p) << text;
        return p;
    };
    EXPECT_THROW(standin::gf_loadScenario(dir.path() / "missing.json"), std::runtime_error);
    try {
        standin::gf_loadScenario(write("{ \"simulator\": 2020, "));
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("is not JSON"), std::string::npos);
    }
    try {
        standin::gf_loadScenario(write("{ \"capacity\": \"many\" }"));
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("'capacity'"), std::string::npos);
    }
    EXPECT_THROW(standin::gf_loadScenario(write("{ \"simulator\": 2022 }")), std::runtime_error);
    EXPECT_THROW(standin::gf_loadScenario(write("{ \"path\": [ { \"lat\": 95 } ] }")), std::runtime_error);
    auto s = standin::gf_loadScenario(write("{ \"simulator\": 2024, \"path\": [ { \"t\": 0, \"lat\": 1, \"lon\": 2, "
                                            "\"alt\": \"ground\" } ] }"));
    EXPECT_EQ(s.simulator, 2024);
    ASSERT_EQ(s.path.size(), 1u);
    EXPECT_FALSE(s.path[0].altFt);
    // The scenario shipped with the stand-in reads.
    auto d =
        standin::gf_loadScenario(std::filesystem::path(SKYFILL_SOURCE_DIR) / "tools/simstandin/scenarios/default.json");
    EXPECT_EQ(d.areas.at(0).name, "EHAM");
}

// Calls from several threads while another thread sits in the dispatch.
TEST(ConcurrentSimConnect, CallsWhileDispatching) {
    StandInHarness h(smallWorld());
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    setUp(c.handle);
    std::atomic<bool> stop{false};
    std::atomic<int> messages{0};
    std::thread dispatcher([&] {
        while (!stop) {
            SimConnect_CallDispatch(
                c.handle,
                [](SIMCONNECT_RECV* m, std::uint32_t, void* ctx) {
                    auto* n = static_cast<std::atomic<int>*>(ctx);
                    (void)m;
                    ++*n;
                },
                &messages);
        }
    });
    constexpr int kPerThread = 300;
    std::vector<std::vector<std::uint32_t>> ids(3);
    std::vector<std::thread> senders;
    for (int t = 0; t < 3; ++t) {
        senders.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                SimResult r =
                    t == 0 ? SimConnect_TransmitClientEvent(c.handle, SIMCONNECT_OBJECT_ID_USER,
                                                            SIM_EVENT_NAV_LIGHTS_SET, i & 1, SIM_GROUP_AI, 0)
                           : SimConnect_RequestDataOnSimObject(c.handle, SIM_REQ_USER_ON_GROUND, SIM_DEF_USER_ON_GROUND,
                                                               SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE);
                std::uint32_t id = 0;
                if (gf_simSucceeded(r) && gf_simSucceeded(SimConnect_GetLastSentPacketID(c.handle, &id)))
                    ids[static_cast<std::size_t>(t)].push_back(id);
            }
        });
    }
    for (auto& s : senders)
        s.join();
    ASSERT_TRUE(h.sim->waitUntil([&] {
        return h.sim->callCount(SimCall::TransmitClientEvent) == kPerThread &&
               h.sim->callCount(SimCall::RequestDataOnSimObject) == 2 * kPerThread;
    }));
    h.sim->step(10);
    ASSERT_TRUE(h.sim->waitUntil([&] { return true; }));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (messages.load() < 2 * kPerThread + 10 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    stop = true;
    dispatcher.join();
    EXPECT_GE(messages.load(), 2 * kPerThread + 10);
    std::set<std::uint32_t> all;
    for (const auto& v : ids) {
        ASSERT_EQ(v.size(), static_cast<std::size_t>(kPerThread));
        EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
        all.insert(v.begin(), v.end());
    }
    EXPECT_EQ(all.size(), 3u * kPerThread); // every send its own id
}

TEST(ConcurrentSimConnect, CloseWhileAnotherThreadSends) {
    StandInHarness h(smallWorld());
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    SimHandle handle = c.handle;
    std::atomic<bool> started{false};
    std::thread sender([&] {
        for (int i = 0; i < 2000; ++i) {
            SimConnect_SubscribeToSystemEvent(handle, SIM_EVENT_FRAME, "Frame");
            started = true;
        }
    });
    while (!started)
        std::this_thread::yield();
    c.close();
    sender.join();
    EXPECT_EQ(SimConnect_SubscribeToSystemEvent(handle, SIM_EVENT_FRAME, "Frame"), SIM_E_HANDLE);
}

TEST(SimStandInCalls, GarbageFromAClientOnlyDropsThatClient) {
    StandInHarness h(smallWorld());
    auto rawConnect = [&] {
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::string path = h.sim->socketPath();
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        return fd;
    };
    // A length far beyond any frame, and a first frame that is not a hello.
    int bad = rawConnect();
    std::uint32_t junk[4] = {0xFFFFFFF0u, 1, 1, 0};
    ASSERT_EQ(::send(bad, junk, sizeof junk, MSG_NOSIGNAL), static_cast<ssize_t>(sizeof junk));
    int notHello = rawConnect();
    SimWireWriter w(static_cast<std::uint32_t>(SimCall::AIRemoveObject), 1);
    w.u32(100).u32(SIM_REQ_REMOVE);
    const auto& f = w.frame();
    ASSERT_EQ(::send(notHello, f.data(), f.size(), MSG_NOSIGNAL), static_cast<ssize_t>(f.size()));
    // Both are closed by the stand-in; a proper client still gets in.
    char b[64];
    EXPECT_EQ(::recv(bad, b, sizeof b, 0), 0);
    ssize_t n = ::recv(notHello, b, sizeof b, 0); // the refusal, then the end
    EXPECT_EQ(n, 16);
    EXPECT_EQ(::recv(notHello, b, sizeof b, 0), 0);
    ::close(bad);
    ::close(notHello);
    SimTestClient c;
    EXPECT_EQ(c.open(), SIM_OK);
    EXPECT_EQ(h.sim->callCount(SimCall::AIRemoveObject), 0u);
}

// An exception thrown by the dispatch procedure leaves CallDispatch; the messages behind it wait for the next call.
TEST(SimStandInCalls, ExceptionFromTheDispatchProcedurePassesThrough) {
    StandInHarness h(smallWorld());
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(c.handle, SIM_EVENT_SIM, "Sim"), SIM_OK);
    ASSERT_TRUE(h.sim->waitForPacket(c.lastPacket()));
    struct Seen {
        std::vector<std::uint32_t> ids;
    } seen;
    auto proc = [](SIMCONNECT_RECV* m, std::uint32_t, void* ctx) {
        static_cast<Seen*>(ctx)->ids.push_back(m->dwID);
        if (m->dwID == SIMCONNECT_RECV_ID_OPEN)
            throw std::runtime_error("wrong simulator");
    };
    bool thrown = false;
    for (int i = 0; i < 10000 && !thrown; ++i) {
        try {
            ASSERT_EQ(SimConnect_CallDispatch(c.handle, proc, &seen), SIM_OK);
        } catch (const std::runtime_error&) {
            thrown = true;
        }
        if (!thrown)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(thrown);
    EXPECT_EQ(seen.ids, (std::vector<std::uint32_t>{SIMCONNECT_RECV_ID_OPEN}));
    // The connection still works: the "Sim" event comes with the next dispatch.
    for (int i = 0; i < 10000 && seen.ids.size() < 2; ++i) {
        ASSERT_EQ(SimConnect_CallDispatch(c.handle, proc, &seen), SIM_OK);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(seen.ids, (std::vector<std::uint32_t>{SIMCONNECT_RECV_ID_OPEN, SIMCONNECT_RECV_ID_EVENT}));
}

// The trace of a long run stays small: no per-frame positions (only each object's first move), a snapshot
// every so many seconds; the pose of every AI object on every frame when asked; every message counted.
TEST(SimStandInAi, TraceOfALongRunAndPosesPerFrame) {
    StandInConfig cfg = smallWorld();
    cfg.traceMoves = false;
    cfg.traceRangeData = false;
    cfg.tracePoses = true;
    cfg.snapshotEverySeconds = 1.0;
    StandInHarness h(cfg);
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    setUp(c.handle);
    ASSERT_EQ(
        SimConnect_AICreateNonATCAircraft(c.handle, "Airbus A320 KLM", "KLM1", at(52.31, 4.76, true), SIM_REQ_CREATE),
        SIM_OK);
    ASSERT_TRUE(h.sim->waitForPacket(c.lastPacket()));
    h.sim->step(3);
    ASSERT_EQ(h.sim->aiObjectCount(), 1u);
    const std::uint32_t id = h.sim->objectByAtcId("KLM1")->id;
    for (int frame = 0; frame < 60; ++frame) {
        AiPosition p{52.31 + frame * 1e-5, 4.76, 0, 0, 0, -11, 0, 10};
        ASSERT_EQ(SimConnect_SetDataOnSimObject(c.handle, SIM_DEF_AI_POSITION, id, 0, 0, sizeof p, &p), SIM_OK);
        ASSERT_TRUE(h.sim->waitForPacket(c.lastPacket()));
        h.sim->step(1);
    }
    ASSERT_EQ(SimConnect_RequestDataOnSimObjectType(c.handle, SIM_REQ_RANGE, SIM_DEF_RANGE, 10000,
                                                    SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT),
              SIM_OK);
    ASSERT_TRUE(h.sim->waitForPacket(c.lastPacket()));
    std::size_t moves = 0, poses = 0, snapshots = 0, answers = 0, answersCounted = 0;
    for (const auto& line : h.sim->trace()) {
        if (line.value("msg", "") == "SIMOBJECT_DATA_BYTYPE")
            ++answers;
        if (line.value("call", "") == "RequestDataOnSimObjectType")
            answersCounted = line.value("answers", 0u);
        if (line.value("call", "") == "SetDataOnSimObject")
            ++moves;
        if (line.value("dir", "") == "pose" && line.value("object", 0u) == id)
            ++poses;
        if (line.value("dir", "") == "snapshot")
            ++snapshots;
    }
    EXPECT_EQ(moves, 1u);     // only the first move
    EXPECT_EQ(poses, 61u);    // one a frame from the frame of its creation on
    EXPECT_EQ(snapshots, 2u); // frames 30 and 60
    EXPECT_EQ(answers, 0u);   // the range answers are only counted
    EXPECT_EQ(answersCounted, 2u);
    EXPECT_TRUE(c.waitFor([&] { return c.received.size() == h.sim->messagesSent(); }));
}
