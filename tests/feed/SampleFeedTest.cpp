// The bundled sample feed is read by the replayer and accepted by the traffic reader, line by line.
#include "core/Log.h"
#include "feed/FeedTestSupport.h"
#include "feed/UdpReader.h"
#include "support/TempFolder.h"
#include "tools/rtreplay/Replayer.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

using namespace skf;
using namespace skf::test;

TEST(SampleFeed, EveryAircraftIsAcceptedAndNoLineIsRefused) {
    TempFolder folder;
    gf_openLogIn(folder.path());
    const auto feed = rtreplay::readFeedFile(std::filesystem::path(SKYFILL_SOURCE_DIR) / "tools" / "rtreplay" /
                                             "samples" / "eham.rtfeed");
    ASSERT_GT(feed.size(), 1000U);
    EXPECT_EQ(feed.front().offset, 0.0);
    rtreplay::Replayer replayer(rtreplay::ReplayerConfig{});

    TrafficReader reader;
    reader.setReferencePosition(kEhamLatitude, kEhamLongitude);
    reader.setParkAirport(true, kEhamLatitude, kEhamLongitude, -11.0);
    gf_resetTrafficQueue();
    setTrafficGate(true);
    std::map<LineOutcome, int> outcomes;
    std::set<std::uint32_t> aircraft;
    std::set<std::uint32_t> onTheGroundInTheFirstMinute;
    for (const auto& entry : feed) {
        const LineOutcome outcome = reader.processLine(replayer.transform(entry.line, 0));
        ++outcomes[outcome];
        EXPECT_NE(outcome, LineOutcome::Refused) << entry.line;
        for (const QueuedTraffic& t : takeQueued()) {
            aircraft.insert(t.trafficId);
            if (!t.point.airborne && entry.offset < 60.0)
                onTheGroundInTheFirstMinute.insert(t.trafficId);
        }
    }
    setTrafficGate(false);
    EXPECT_EQ(aircraft.size(), 30U);
    EXPECT_GE(onTheGroundInTheFirstMinute.size(), 5U);
    EXPECT_GT(outcomes[LineOutcome::Vehicle], 0);
    gf_closeLog();
}

TEST(SampleFeed, AFeedLineWithoutAnOffsetNamesItsLine) {
    try {
        rtreplay::readFeedText("# comment\n\n1.5 TFC,1\nTFC,2\n", "x.rtfeed");
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "x.rtfeed:4: expected \"<offset seconds> <traffic line>\"");
    }
}

} // namespace
