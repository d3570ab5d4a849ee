// The engine's hooks of the live traffic feed.
#include "feed/FeedHooks.h"

#include <utility>

namespace skf {

namespace {
FeedEngineHooks g_feedEngineHooks; // registered once at the engine's start, before any run
} // namespace

void gf_registerFeedEngineHooks(FeedEngineHooks hooks) {
    g_feedEngineHooks = std::move(hooks);
}

void gf_hookRemoveLiveTraffic() {
    if (g_feedEngineHooks.removeLiveTraffic)
        g_feedEngineHooks.removeLiveTraffic();
}

} // namespace skf
