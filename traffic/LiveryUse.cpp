// What the engine keeps of the livery matching: the title chosen per traffic id, and the look-up of the
// registration-code lists. Engine thread.
#include "liveries/LiveryMatching.h"
#include "liveries/LiveryTables.h"
#include "traffic/EngineInternal.h"

namespace skf {

void gf_rememberLiveryTitle(std::uint32_t trafficId, std::string_view title) {
    g_liveryTitleById[trafficId] = title;
}

bool gf_forgetLiveryTitleForId(std::uint32_t trafficId) {
    return g_liveryTitleById.erase(trafficId) > 0;
}

void gf_clearLiveryTitlesById() {
    g_liveryTitleById.clear();
}

std::optional<std::string_view> gf_regcodeTitle(std::string_view registration) {
    const auto it = g_regcodeTitles.find(registration);
    if (it == g_regcodeTitles.end()) {
        return std::nullopt;
    }
    return it->second;
}

} // namespace skf
