// The feed's readers over damaged traffic lines and QNH datagrams: an outcome for each, never a record
// that is not finite, never a QNH outside its range (the fuzz targets' checks trap on both).
#include "core/Log.h"
#include "feed/FeedTestSupport.h"
#include "fuzz/FeedFuzzTargets.h"
#include "support/Mutations.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <map>

namespace {

using namespace skf;
using namespace skf::test;

TEST(FeedRobustness, DamagedTrafficLinesAreReadOrRefusedButNeverQueuedBroken) {
    TempFolder folder;
    gf_openLogIn(folder.path());
    std::map<LineOutcome, int> outcomes;
    for (const std::string& sample : {trafficLine(), trafficLine({{4, "0"}, {8, "12"}, {12, ""}, {28, ""}})})
        for (const std::string& line : mutationsOf(sample, 7, 300, ","))
            ++outcomes[fuzz::readTrafficLine(line)];
    gf_resetFeedState();
    gf_closeLog();
    EXPECT_GT(outcomes[LineOutcome::Queued], 0);
    EXPECT_GT(outcomes[LineOutcome::Refused], 0);
    EXPECT_GT(outcomes[LineOutcome::NotTrafficLine], 0);
}

TEST(FeedRobustness, DamagedQnhDatagramsKeepTheQnhInRange) {
    TempFolder folder;
    gf_openLogIn(folder.path());
    for (const std::string& datagram : mutationsOf(R"({"QNH": 1009, "station": "EHAM"})", 3, 300, "["))
        fuzz::readQnhDatagram(datagram);
    gf_closeLog();
    gf_resetFeedState();
}

} // namespace
