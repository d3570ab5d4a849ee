// The replayer's generated load: every line passes the traffic reader's checks, every aircraft is one the
// sample database knows, reports come every 2 to 5 s without jumps, and the mix holds every kind of traffic.
#include "core/Geometry.h"
#include "core/Log.h"
#include "data/Dbase.h"
#include "feed/FeedTestSupport.h"
#include "feed/UdpReader.h"
#include "support/TempFolder.h"
#include "tools/rtreplay/LoadGenerator.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <fstream>
#include <map>
#include <set>

namespace {

using namespace skf;
using namespace skf::test;

const std::filesystem::path kSampleDbase = std::filesystem::path(SKYFILL_SOURCE_DIR) / "sample" / "dbase.xml";

struct Report {
    double offset = 0.0;
    QueuedTraffic traffic;
};

class LoadFeed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        airframes = new std::vector<rtreplay::Airframe>(rtreplay::readAirframes(kSampleDbase));
        rtreplay::LoadConfig config;
        config.aircraft = 500;
        config.seconds = 300.0;
        feed = new std::vector<rtreplay::FeedLine>(rtreplay::generateLoad(config, *airframes));
    }
    static void TearDownTestSuite() {
        delete feed;
        delete airframes;
    }
    static inline std::vector<rtreplay::Airframe>* airframes = nullptr;
    static inline std::vector<rtreplay::FeedLine>* feed = nullptr;
};

TEST_F(LoadFeed, EveryLineIsQueuedByTheTrafficReaderWithAKnownAirframe) {
    TempFolder folder;
    gf_openLogIn(folder.path());
    std::filesystem::copy_file(kSampleDbase, folder.path() / "dbase.xml");
    ASSERT_TRUE(gf_readDbaseXml(folder.path() / "dbase.xml"));
    rtreplay::Replayer replayer(rtreplay::ReplayerConfig{});
    TrafficReader reader;
    reader.setReferencePosition(kEhamLatitude, kEhamLongitude);
    reader.setParkAirport(true, kEhamLatitude, kEhamLongitude, -11.0);
    gf_resetTrafficQueue();
    setTrafficGate(true);

    std::map<std::uint32_t, std::vector<Report>> byAircraft;
    std::set<std::string> callsigns;
    for (const auto& entry : *feed) {
        ASSERT_EQ(reader.processLine(replayer.transform(entry.line, 0)), LineOutcome::Queued) << entry.line;
        for (QueuedTraffic& t : takeQueued())
            byAircraft[t.trafficId].push_back({entry.offset, std::move(t)});
    }
    setTrafficGate(false);
    gf_closeLog();
    ASSERT_EQ(byAircraft.size(), 500U);

    int groundAtStart = 0;
    int landed = 0;
    int tookOff = 0;
    int cruising = 0;
    for (const auto& [id, reports] : byAircraft) {
        const TrafficRecord& record = reports.front().traffic.record;
        EXPECT_TRUE(callsigns.insert(record.callsign).second) << "callsign used twice: " << record.callsign;
        const auto known = std::lower_bound(
            g_dbaseRecords.begin(), g_dbaseRecords.end(), record.registration,
            [](const DbaseRecord& r, const std::string& registration) { return r.registration < registration; });
        EXPECT_TRUE(known != g_dbaseRecords.end() && known->registration == record.registration) << record.registration;
        EXPECT_TRUE(g_airlineCodes.contains(record.callsign.substr(0, 3))) << record.callsign;
        EXPECT_TRUE(g_modelCodes.contains(std::string(gf_modelName(record.modelId)))) << id;
        EXPECT_LT(reports.front().offset, 5.0) << id;
        groundAtStart += reports.front().traffic.point.airborne ? 0 : 1;
        cruising += reports.front().traffic.point.altitude >= 20000.0 ? 1 : 0;
        bool wasAirborne = reports.front().traffic.point.airborne;
        for (std::size_t i = 1; i < reports.size(); ++i) {
            const double gap = reports[i].offset - reports[i - 1].offset;
            EXPECT_GE(gap, 2.0 - 1e-9) << id;
            EXPECT_LE(gap, 5.0 + 1e-9) << id;
            const StreamPoint& a = reports[i - 1].traffic.point;
            const StreamPoint& b = reports[i].traffic.point;
            // No jump: never farther than the faster of the two speeds carries it, with a margin.
            const double moved = gf_distanceNm(a.latitude, a.longitude, b.latitude, b.longitude);
            EXPECT_LE(moved, std::max(a.groundSpeed, b.groundSpeed) * gap / 3600.0 * 1.1 + 0.01) << id;
            landed += wasAirborne && !b.airborne ? 1 : 0;
            tookOff += !wasAirborne && b.airborne ? 1 : 0;
            wasAirborne = b.airborne;
        }
    }
    // The mix: a third or more on the ground at the start, overflights, landings and take-offs in five minutes.
    EXPECT_GE(groundAtStart, 150);
    EXPECT_LE(groundAtStart, 300);
    EXPECT_GE(cruising, 80);
    EXPECT_GE(landed, 40);
    EXPECT_GE(tookOff, 5);
    gf_clearDbase();
}

TEST_F(LoadFeed, TheSameSeedGivesTheSameFeedAndTheCentreMovesIt) {
    rtreplay::LoadConfig config;
    config.aircraft = 40;
    config.seconds = 60.0;
    const auto first = rtreplay::generateLoad(config, *airframes);
    const auto again = rtreplay::generateLoad(config, *airframes);
    ASSERT_EQ(first.size(), again.size());
    for (std::size_t i = 0; i < first.size(); ++i)
        EXPECT_EQ(first[i].line, again[i].line);
    config.centreLatitude = 40.6398; // New York JFK: every aircraft stays within 40 NM of it
    config.centreLongitude = -73.7789;
    for (const auto& entry : rtreplay::generateLoad(config, *airframes)) {
        const auto fields = entry.line.substr(entry.line.find(',', 4) + 1);
        const double latitude = std::stod(fields);
        const double longitude = std::stod(fields.substr(fields.find(',') + 1));
        EXPECT_LE(gf_distanceNm(config.centreLatitude, config.centreLongitude, latitude, longitude), 40.0);
    }
    EXPECT_TRUE(rtreplay::generateLoad(config, {}).empty());
}

TEST_F(LoadFeed, ADatabaseWithoutAirframesIsNamedInTheError) {
    TempFolder folder;
    for (const char* text :
         {"<root><dbase/></root>", "<root><dbase><d r=\"N1\" a=\"PVT\" m=\"C172\"/></dbase></root>", "not xml"}) {
        std::ofstream(folder.path() / "d.xml") << text;
        EXPECT_THROW((void)rtreplay::readAirframes(folder.path() / "d.xml"), std::runtime_error) << text;
    }
    EXPECT_THROW((void)rtreplay::readAirframes(folder.path() / "missing.xml"), std::runtime_error);
}

} // namespace
