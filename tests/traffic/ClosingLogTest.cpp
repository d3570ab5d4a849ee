// What closing down logs of the engine's caches: it empties the spawn cache first and then writes the
// livery summary and the aircraft that no livery matched, in this order.
#include "core/Log.h"
#include "liveries/LiveryMatching.h"
#include "support/LogText.h"
#include "support/TempFolder.h"
#include "traffic/EngineServices.h"

#include <gtest/gtest.h>

namespace {

// In a local run UAL689 (B763, no UAL livery installed) is refused at every report; closing down must still
// name it after emptying the spawn cache (which once was this very set).
TEST(ClosingLog, TheAircraftThatNoLiveryMatchedAreLoggedAfterTheSpawnCacheIsEmptied) {
    skf::test::TempFolder folder;
    skf::gf_openLogIn(folder.path());
    skf::g_noLiveryKeys.insert("UAL B763 N5DZ");
    skf::gf_clearSpawnCache(); // closing down, step by step
    skf::gf_logLiveryMatchingSummary();
    skf::gf_logUnmatchedNames();
    EXPECT_NE(skf::test::logTextIn(folder.path()).find("\nNo match found for:\nUAL B763 N5DZ\n"), std::string::npos);
    skf::gf_closeLog();
    skf::g_noLiveryKeys.clear();
}

} // namespace
