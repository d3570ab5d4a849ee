// The stand-in's map of what is in the simulator: objects created through the client library, a small
// airport file, the text and picture made of them, and the executable writing it on SIGUSR1.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "support/SimStandInHarness.h"
#include "support/TempFolder.h"
#include "tools/simstandin/SceneMap.h"

using namespace skf;
using namespace skf::test;
using namespace skf::standin;

namespace {

struct AiPosition {
    double lat, lon, pitch, bank, heading, alt, vs, tas;
};

constexpr const char* kAirport = R"(<?xml version="1.0" encoding="UTF-8"?>
<root><parkpositions>
  <parkpos id="D7" latitude="52.30800" longitude="4.76280" heading="235" radius="30" />
  <parkpos id="A1" latitude="52.311866" longitude="4.745312" heading="207" radius="35" />
  <parkpos id="B2" latitude="52.31000" longitude="4.75200" heading="90" radius="30" />
  <parkpos id="" latitude="52.3" longitude="4.7" />
  <parkpos id="X9" latitude="north" longitude="4.7" />
</parkpositions></root>
)";

std::string lineOf(const std::string& text, const std::string& atcId) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (line.find(" " + atcId + " ") != std::string::npos)
            return line;
    return {};
}

// Creates an AI object and, for a live one, moves it twice as Skyfill does on every frame.
std::uint32_t createAi(StandInHarness& h, SimTestClient& c, const char* tail, double lat, double lon, double alt,
                       bool onGround, int moves) {
    const std::size_t before = h.sim->objects().size();
    SIMCONNECT_DATA_INITPOSITION at{lat, lon, alt, 0, 0, 90, onGround ? 1u : 0u, 0};
    EXPECT_EQ(SimConnect_AICreateNonATCAircraft(c.handle, "Airbus A320 KLM", tail, at, SIM_REQ_CREATE), SIM_OK);
    EXPECT_TRUE(h.sim->waitForPacket(c.lastPacket()));
    h.sim->step(3);
    EXPECT_TRUE(h.sim->waitUntil([&] { return h.sim->objects().size() == before + 1; }));
    const std::uint32_t id = h.sim->objectByAtcId(tail)->id;
    for (int i = 0; i < moves; ++i) {
        AiPosition p{lat, lon + 0.0001 * i, 0, 0, 1.5, alt, 0, 12};
        EXPECT_EQ(SimConnect_SetDataOnSimObject(c.handle, SIM_DEF_AI_POSITION, id, 0, 0, sizeof p, &p), SIM_OK);
    }
    EXPECT_TRUE(h.sim->waitForPacket(c.lastPacket()));
    return id;
}

TEST(SceneMap, ShowsEachObjectWithItsRoleStandOrAltitude) {
    TempFolder tmp;
    writeBytes(tmp / "EHAM.xml", kAirport);
    const MapAirport airport = gf_readMapAirport(tmp / "EHAM.xml");
    EXPECT_EQ(airport.icao, "EHAM");
    EXPECT_EQ(airport.stands.size(), 3u); // the nameless stand and the one without a position are left out

    StandInConfig cfg;
    cfg.scenario.installedTitles = {"Airbus A320 KLM"};
    cfg.scenario.foreign = {{"PH-BXA", "Boeing 737-800 KLM", 52.315, 4.74, 3000.0, 40, 0, 0, -1}};
    StandInHarness h(cfg);
    SimTestClient c;
    ASSERT_EQ(c.open(), SIM_OK);
    for (const char* var : {"Plane Latitude", "Plane Longitude", "Plane Pitch degrees", "Plane Bank degrees",
                            "Plane Heading degrees true", "Plane Altitude", "Vertical Speed", "Airspeed True"})
        ASSERT_EQ(SimConnect_AddToDataDefinition(c.handle, SIM_DEF_AI_POSITION, var, "degree",
                                                 SIMCONNECT_DATATYPE_FLOAT64, 0, SIMCONNECT_UNUSED),
                  SIM_OK);
    createAi(h, c, "STAT1", 52.311866, 4.745312, -11 + 7.5, true, 0);
    createAi(h, c, "LIVE1", 52.31000, 4.75195, -11 + 7.5, true, 2);
    createAi(h, c, "LIVE2", 52.33, 4.78, 2000, false, 2);
    h.sim->step(90); // the simulator's own aircraft has shown up

    const std::string text = gf_sceneMapText(h.sim->objects(), cfg.scenario, &airport, h.sim->frameCount());
    EXPECT_NE(text.find("1 user aircraft, 2 live, 1 static AI objects, 1 of the simulator's own"), std::string::npos)
        << text;
    struct Row {
        const char* atcId;
        const char* role;
        const char* altitude;
        const char* stand;
    };
    const Row rows[] = {
        {"ASXGS", "user", "ground", "D7 (0 m)"},   // the scenario's user aircraft at its stand
        {"STAT1", "static", "ground", "A1 (0 m)"}, // placed once, never moved
        {"LIVE1", "live", "ground", "B2 ("},       // moved on the ground near B2
        {"LIVE2", "live", "2000 ft", " - "},       // in the air: no stand
        {"PH-BXA", "sim-own", "3000 ft", " - "},   // the simulator's own traffic
    };
    for (const auto& r : rows) {
        const std::string line = lineOf(text, r.atcId);
        SCOPED_TRACE(r.atcId);
        ASSERT_FALSE(line.empty()) << text;
        EXPECT_EQ(line.rfind(r.role, 0), 0u) << line;
        EXPECT_NE(line.find(r.altitude), std::string::npos) << line;
        EXPECT_NE(line.find(r.stand), std::string::npos) << line;
    }
    EXPECT_LT(text.find("ASXGS"), text.find("LIVE1"));
    EXPECT_LT(text.find("LIVE2"), text.find("STAT1"));

    // Without an airport file the positions stand alone.
    EXPECT_NE(gf_sceneMapText(h.sim->objects(), cfg.scenario, nullptr, 0).find("No airport file"), std::string::npos);

    // The picture: a PPM of the stated size, with the user aircraft drawn in its colour.
    const std::string ppm =
        gf_sceneMapPicture(gf_sceneMapEntries(h.sim->objects(), cfg.scenario, &airport), &airport, 200);
    const std::string header = "P6\n200 200\n255\n";
    ASSERT_EQ(ppm.size(), header.size() + 200u * 200u * 3u);
    EXPECT_EQ(ppm.compare(0, header.size(), header), 0);
    EXPECT_NE(ppm.find("\x3c\x8c\xff"), std::string::npos);
}

TEST(SceneMap, BadAirportFilesAreRefusedClearly) {
    TempFolder tmp;
    const std::pair<const char*, const char*> cases[] = {
        {"<root><parkpositions>", "not readable as XML"},
        {"<root><parkpositions/></root>", "no stand"},
        {"", "not readable as XML"},
    };
    for (const auto& [bytes, why] : cases) {
        writeBytes(tmp / "BAD.xml", bytes);
        try {
            (void)gf_readMapAirport(tmp / "BAD.xml");
            ADD_FAILURE() << "accepted: " << bytes;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("BAD.xml"), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW((void)gf_readMapAirport(tmp / "missing.xml"), std::runtime_error);
    for (const char* seconds : {"", "ten", "-1", "5s", "nan"})
        EXPECT_THROW((void)gf_mapSeconds(seconds), std::runtime_error) << seconds;
    EXPECT_EQ(gf_mapSeconds("2.5"), 2.5);
}

// The executable writes the map on SIGUSR1 and again when it ends.
TEST(SceneMap, TheStandInWritesItOnRequestAndAtTheEnd) {
    TempFolder tmp;
    writeBytes(tmp / "EHAM.xml", kAirport);
    const std::string exe = std::string(SKYFILL_BINARY_DIR) + "/bin/simstandin";
    const std::string socket = (tmp / "sim.sock").string(), map = (tmp / "map.txt").string(),
                      picture = (tmp / "map.ppm").string(), apf = (tmp / "EHAM.xml").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        int in = ::open("/dev/null", O_RDWR);
        ::dup2(in, 0);
        ::dup2(in, 1);
        ::dup2(in, 2);
        ::execl(exe.c_str(), exe.c_str(), "--socket", socket.c_str(), "--map", map.c_str(), "--map-picture",
                picture.c_str(), "--map-airport", apf.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    auto waitFor = [](const std::function<bool()>& pred) {
        for (int i = 0; i < 300 && !pred(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return pred();
    };
    // Its socket exists once its signal handlers are in place.
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(socket); }));
    ::kill(pid, SIGUSR1);
    EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(map) && std::filesystem::exists(picture); }));
    EXPECT_NE(lineOf(readBytes(map), "ASXGS").find("D7 (0 m)"), std::string::npos) << readBytes(map);
    std::filesystem::remove(map);
    ::kill(pid, SIGTERM);
    int status = 0;
    bool ended = false;
    ASSERT_TRUE(waitFor([&] { return ended = ended || ::waitpid(pid, &status, WNOHANG) == pid; }));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(readBytes(map).find("Airport EHAM: 3 stands"), std::string::npos);
}

} // namespace
