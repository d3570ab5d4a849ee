// The checks of a traffic line, as one table over the steps, their edge cases and real feed shapes.
#include "core/Log.h"
#include "core/settings/Catalogue.h"
#include "data/StringPool.h"
#include "data/apf/ParkApf.h"
#include "feed/UdpReader.h"
#include "feed/FeedTestSupport.h"
#include "support/LogText.h"
#include "support/TempFolder.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>

namespace {

using namespace skf;
using namespace skf::test;

constexpr double kPi = std::numbers::pi;

struct LineSetup {
    bool airborneOnly = false;
    bool parkAirport = true;
    double parkElevation = -11.0;
    std::optional<double> referenceElevation;
    bool gateOpen = true;
};

LineSetup noParkAirport() {
    LineSetup s;
    s.parkAirport = false;
    return s;
}
LineSetup referenceAt(double elevation) {
    LineSetup s;
    s.referenceElevation = elevation;
    return s;
}
LineSetup airborneOnlyAt500ft() {
    LineSetup s = referenceAt(500.0);
    s.airborneOnly = true;
    s.parkElevation = 500.0;
    return s;
}
LineSetup gateClosed() {
    LineSetup s;
    s.gateOpen = false;
    return s;
}

struct Case {
    const char* name;
    std::string line;
    LineOutcome outcome;
    std::string logged = {}; // the one log line of a refused line
    std::function<void(const QueuedTraffic&)> check = {};
    LineSetup setup = {};
};

class TrafficLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        gf_openLogIn(m_folder.path());
        gf_resetFeedState();
    }
    void TearDown() override {
        AIRBORNE_ONLY.set(false);
        g_trafficReferenceElevationValid = false;
        gf_resetFeedState();
        gf_closeLog();
    }

    void run(const Case& c) {
        SCOPED_TRACE(c.name);
        TrafficReader reader;
        reader.setReferencePosition(kEhamLatitude, kEhamLongitude);
        reader.setParkAirport(c.setup.parkAirport, kEhamLatitude, kEhamLongitude, c.setup.parkElevation);
        AIRBORNE_ONLY.set(c.setup.airborneOnly);
        g_trafficReferenceElevationValid = c.setup.referenceElevation.has_value();
        g_trafficReferenceElevation = c.setup.referenceElevation.value_or(0.0);
        setTrafficGate(c.setup.gateOpen);

        const std::size_t logBefore = logTextIn(m_folder.path()).size();
        EXPECT_EQ(reader.processLine(c.line), c.outcome);
        const std::string logged = logTextIn(m_folder.path()).substr(logBefore);
        const auto queued = takeQueued();
        if (c.outcome == LineOutcome::Refused) {
            EXPECT_EQ(logged, "exception in processLineSub: " + c.logged + "\n");
        } else if (c.outcome != LineOutcome::NotTrafficLine) {
            EXPECT_EQ(logged, "");
        }
        ASSERT_EQ(queued.size(), c.outcome == LineOutcome::Queued ? 1U : 0U);
        if (c.check)
            c.check(queued.front());
    }

private:
    TempFolder m_folder;
};

TEST_F(TrafficLineTest, EachStepAcceptsDropsOrRefusesAsSpecified) {
    const Case cases[] = {
        {"valid airborne line", trafficLine(), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) {
             EXPECT_EQ(t.trafficId, 4737046U);
             EXPECT_DOUBLE_EQ(t.timestamp, 1717000000.5);
             EXPECT_DOUBLE_EQ(t.point.latitude, 52.3512);
             EXPECT_DOUBLE_EQ(t.point.altitude, 1800.0);
             EXPECT_TRUE(t.point.airborne);
             EXPECT_DOUBLE_EQ(t.point.track, 181.5);
             EXPECT_DOUBLE_EQ(t.point.verticalSpeed, -700.0);
             EXPECT_DOUBLE_EQ(t.point.trueAirspeed, 160.0);
             EXPECT_NEAR(*t.point.bank, -0.0872664626, 1e-9);
             EXPECT_NEAR(*t.point.trueHeading, 182.0 * kPi / 180.0, 1e-12);
             EXPECT_TRUE(t.point.headingSource);
             EXPECT_EQ(t.record.callsign, "KLM1234");
             EXPECT_EQ(t.record.registration, "PH-BXA");
             EXPECT_EQ(std::string(t.record.origin.data(), 3), "LHR");
             EXPECT_EQ(std::string(t.record.destination.data(), 3), "AMS");
             EXPECT_EQ(t.record.modelId, gf_internModel("B738"));
             EXPECT_EQ(t.record.airlineId, 0);
         }},
        {"vehicle", trafficLine({{9, "FOLLOW VEH"}}), LineOutcome::Vehicle},
        {"position at 0,0", trafficLine({{2, "0.00005"}, {3, "0.00005"}}), LineOutcome::Refused,
         "invalid lalo: 0.000050,0.000050"},
        {"0.0001 from 0,0 still counts as 0,0", trafficLine({{2, "0.0001"}, {3, "-0.0001"}}), LineOutcome::Refused,
         "invalid lalo: 0.000100,-0.000100"},
        // Just off 0,0 the position is taken (and then dropped, far beyond the range of the reference).
        {"just off 0,0 in latitude", trafficLine({{2, "-0.00011"}, {3, "0"}}), LineOutcome::Dropped},
        {"just off 0,0 in longitude", trafficLine({{2, "0"}, {3, "0.00011"}}), LineOutcome::Dropped},
        {"latitude beyond 90", trafficLine({{2, "90.5"}}), LineOutcome::Refused, "invalid lalo: 90.500000,4.764100"},
        {"out of range", trafficLine({{2, "55.0"}}), LineOutcome::Dropped},
        {"traffic id 10000", trafficLine({{1, "10000"}}), LineOutcome::Dropped},
        {"traffic id 10001", trafficLine({{1, "10001"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) { EXPECT_EQ(t.trafficId, 10001U); }},
        {"traffic id 12ab reads 12", trafficLine({{1, "12ab"}}), LineOutcome::Dropped},
        {"traffic id abc", trafficLine({{1, "abc"}}), LineOutcome::Refused, "hexid incorrectabc"},
        {"traffic id beyond 32 bits", trafficLine({{1, "4294967296"}}), LineOutcome::Refused,
         "hexid incorrect4294967296"},
        {"registration of 13", trafficLine({{11, "PH-ABCDEFGHIJ"}}), LineOutcome::Dropped},
        {"registration of 12", trafficLine({{11, "PH-ABCDEFGHI"}}), LineOutcome::Queued},
        {"at-sign callsign, no registration", trafficLine({{9, "@@@@@@@@"}, {11, "null"}}), LineOutcome::Dropped},
        {"at-sign callsign becomes empty", trafficLine({{9, "@@@@@@@@"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) { EXPECT_EQ(t.record.callsign, ""); }},
        {"placeholder callsign", trafficLine({{9, "ERARMTR1"}}), LineOutcome::Dropped},
        {"null callsign and registration", trafficLine({{9, "null"}, {11, "null"}}), LineOutcome::Dropped},
        {"balloon without category", trafficLine({{10, "BALL"}, {28, "null"}}), LineOutcome::Queued},
        {"balloon with category", trafficLine({{10, "BALL"}, {28, "A1"}}), LineOutcome::Dropped},
        {"five-character type", trafficLine({{10, "B7878"}, {28, "A1"}}), LineOutcome::Dropped},
        {"glider category", trafficLine({{28, "B1"}}), LineOutcome::Dropped},
        {"null type", trafficLine({{10, "null"}}), LineOutcome::Dropped},
        {"empty category", trafficLine({{28, ""}}), LineOutcome::Queued},
        {"origin ab1", trafficLine({{12, "ab1"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) { EXPECT_EQ(std::string(t.record.origin.data(), 3), "AB1"); }},
        {"origin of four", trafficLine({{12, "EGLL"}}), LineOutcome::Refused,
         "FixedCode: invalid string (length/charset)"},
        {"destination with a blank", trafficLine({{13, "A S"}}), LineOutcome::Refused,
         "FixedCode: invalid string (length/charset)"},
        {"empty origin and destination read as unknown", trafficLine({{12, ""}, {13, ""}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) {
             EXPECT_EQ(t.record.origin[0], '\0');
             EXPECT_EQ(t.record.destination[0], '\0');
         }},
        {"null origin", trafficLine({{12, "null"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) { EXPECT_EQ(t.record.origin[0], '\0'); }},
        {"TAS -1 at 2000 ft", trafficLine({{4, "2000"}, {20, "-1"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) { EXPECT_EQ(t.point.trueAirspeed, 180.0); }},
        {"TAS -1 at 2001 ft", trafficLine({{4, "2001"}, {20, "-1"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) { EXPECT_EQ(t.point.trueAirspeed, 220.0); }},
        {"TAS -1 at 25000 ft", trafficLine({{4, "25000"}, {20, "-1"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) { EXPECT_EQ(t.point.trueAirspeed, 430.0); }},
        {"TAS -1 on the ground", trafficLine({{4, "0"}, {8, "12"}, {20, "-1"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) {
             EXPECT_EQ(t.point.trueAirspeed, 180.0);
             EXPECT_FALSE(t.point.airborne);
             EXPECT_FALSE(t.point.bank.has_value()); // ground reports carry no bank
         }},
        {"TAS text", trafficLine({{20, "fast"}}), LineOutcome::Refused, "TAS incorrectfast"},
        {"true heading 0 and track 0", trafficLine({{25, "0"}, {7, "0"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) {
             EXPECT_DOUBLE_EQ(*t.point.trueHeading, 6.283185307179586);
             EXPECT_NEAR(t.point.track, 360.0, 1e-9);
         }},
        {"empty track takes the true heading", trafficLine({{7, ""}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) { EXPECT_NEAR(t.point.track, 182.0, 1e-9); }},
        {"no heading source", trafficLine({{17, "mlat"}, {25, "junk"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) {
             EXPECT_FALSE(t.point.trueHeading.has_value());
             EXPECT_FALSE(t.point.headingSource);
         }},
        {"true heading -1", trafficLine({{25, "-1"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) { EXPECT_FALSE(t.point.trueHeading.has_value()); }},
        {"true heading 361", trafficLine({{25, "361"}}), LineOutcome::Refused, "trueheading: 361.00"},
        {"track text", trafficLine({{7, "north"}}), LineOutcome::Refused, "track incorrect north"},
        {"roll -1", trafficLine({{23, "-1"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) { EXPECT_FALSE(t.point.bank.has_value()); }},
        {"roll 0", trafficLine({{23, "0"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) { EXPECT_FALSE(t.point.bank.has_value()); }},
        {"NaN roll", trafficLine({{23, "nan"}}), LineOutcome::Refused, "roll:nan"},
        {"NaN latitude", trafficLine({{2, "nan"}}), LineOutcome::Refused, "lat:nan"},
        {"infinite timestamp", trafficLine({{14, "inf"}}), LineOutcome::Refused, "timestamp:inf"},
        {"infinite vertical speed", trafficLine({{5, "-inf"}}), LineOutcome::Refused, "vs:-inf"},
        {"ground speed 1e999", trafficLine({{8, "1e999"}}), LineOutcome::Refused, "gs:1e999"},
        {"altitude text", trafficLine({{4, "FL350"}}), LineOutcome::Refused,
         "altitude FL350 incorrect, from: " + trafficLine({{4, "FL350"}})},
        {"number with trailing text", trafficLine({{8, "150kt"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) { EXPECT_EQ(t.point.groundSpeed, 150.0); }},
        {"ground report far from the park airport", trafficLine({{2, "52.6"}, {4, "0"}, {8, "10"}}),
         LineOutcome::Dropped},
        {"ground report without park airport",
         trafficLine({{4, "0"}, {8, "10"}}),
         LineOutcome::Dropped,
         "",
         {},
         noParkAirport()},
        {"slow and low is on the ground", trafficLine({{4, "400"}, {8, "30"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) { EXPECT_EQ(t.point.altitude, 0.0); }},
        {"half a foot at 35 kn is on the ground", trafficLine({{4, "0.5"}, {8, "35"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) { EXPECT_EQ(t.point.altitude, 0.0); }},
        {"half a foot at 36 kn stays in the air", trafficLine({{4, "0.5"}, {8, "36"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) { EXPECT_EQ(t.point.altitude, 0.5); }},
        {"100 ft above the reference at 43 kn is on the ground", trafficLine({{4, "600"}, {8, "43"}}),
         LineOutcome::Queued, "", [](const QueuedTraffic& t) { EXPECT_EQ(t.point.altitude, 0.0); }, referenceAt(500.0)},
        {"100 ft above the reference at 44 kn is in the air", trafficLine({{4, "600"}, {8, "44"}}), LineOutcome::Queued,
         "", [](const QueuedTraffic& t) { EXPECT_EQ(t.point.altitude, 600.0); }, referenceAt(500.0)},
        {"900 ft at 100 kn without reference", trafficLine({{4, "900"}, {8, "100"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) { EXPECT_TRUE(t.point.airborne); }},
        {"900 ft at 100 kn, reference 880 ft", trafficLine({{4, "900"}, {8, "100"}}), LineOutcome::Queued, "",
         [](const QueuedTraffic& t) { EXPECT_FALSE(t.point.airborne); }, referenceAt(880.0)},
        {"airborne only: 800 ft at a 500 ft airport",
         trafficLine({{4, "800"}}),
         LineOutcome::Dropped,
         "",
         {},
         airborneOnlyAt500ft()},
        {"airborne only: 801 ft at a 500 ft airport",
         trafficLine({{4, "801"}}),
         LineOutcome::Queued,
         "",
         {},
         airborneOnlyAt500ft()},
        {"airborne only: a ground report at a 500 ft airport",
         trafficLine({{4, "0"}, {8, "10"}}),
         LineOutcome::Dropped,
         "",
         {},
         airborneOnlyAt500ft()},
        {"gate closed", trafficLine(), LineOutcome::GateClosed, "", {}, gateClosed()},
        {"too few fields", "RTTFC,4737046,52.35,4.76", LineOutcome::NotTrafficLine},
        {"JSON on the traffic port", "{\"a\":1" + std::string(40, ',') + "}", LineOutcome::NotTrafficLine},
        {"more than 29 fields", trafficLine({}, 6), LineOutcome::Queued},
    };
    for (const Case& c : cases)
        run(c);
}

TEST_F(TrafficLineTest, CollectedCallsignsSkipEmptyNullAndAtSigns) {
    TrafficReader reader;
    reader.setReferencePosition(kEhamLatitude, kEhamLongitude);
    reader.collectCallsigns = true;
    setTrafficGate(true);
    for (const char* callsign : {"KLM1234", "null", "", "@@@@@@@@", "TRA5678"})
        reader.processLine(trafficLine({{9, callsign}}));
    reader.processLine(trafficLine({{9, "EZY99"}, {1, "5"}}));   // collected before the id drops it
    reader.processLine(trafficLine({{9, "FAR1"}, {2, "55.0"}})); // out of range: never collected
    EXPECT_EQ(reader.callsigns(), (std::set<std::string>{"EZY99", "KLM1234", "TRA5678"}));
}

TEST(NonAircraftFilter, PseudoTypesOnlyWithACategory) {
    struct Row {
        const char* type;
        const char* category;
        bool keep;
    };
    for (const Row& r :
         {Row{"", "A3", false}, Row{"null", "", false}, Row{"GRND", "null", true}, Row{"GRND", "A0", false},
          Row{"TWR", "A3", false}, Row{"twr", "A3", true}, Row{"A320", "C1", false}, Row{"A320", "C3", true},
          Row{"A320", "B2", false}, Row{"DH8D", "A2", true}})
        EXPECT_EQ(gf_isAircraftType(r.type, r.category), r.keep) << r.type << "/" << r.category;
}

} // namespace
