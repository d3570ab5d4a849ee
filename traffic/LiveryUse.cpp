// Placeholder of the livery matching the engine uses: no livery is ever found.
#include "traffic/EngineInternal.h"

namespace skf {

void gf_matchLiveryForLive(FlightRecord& record) {
    record.liveryTitle = {};
}
std::optional<std::string_view> gf_liveryTitleForId(std::uint32_t) {
    return std::nullopt;
}
void gf_reportLiveryNotCreated(const FlightRecord&) {}
bool gf_forgetLiveryTitleForId(std::uint32_t) {
    return false;
}
void gf_clearLiveryTitlesById() {}
std::optional<std::string_view> gf_regcodeTitle(std::string_view) {
    return std::nullopt;
}

} // namespace skf
