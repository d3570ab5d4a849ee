// The park airport's owner: after a run has changed every value, one assignment gives the values of the
// program's start, and the global names the Parts use are the owner's.
#include "data/apf/ParkApfState.h"
#include "data/apf/ApfWriter.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

using namespace skf;

struct Field {
    const char* name;
    std::function<void(ParkApfState&)> change;
    std::function<std::string(const ParkApfState&)> read;
    const void* global; // the g_ name bound to the field
    std::function<const void*(const ParkApfState&)> field;
};

TEST(ParkApfState, OneAssignmentGivesTheValuesOfTheStart) {
    const Field fields[] = {
        {"park airport", [](ParkApfState& s) { s.parkAirport.icao = IcaoCode("EHAM"); },
         [](const ParkApfState& s) { return std::string(s.parkAirport.icao.view()); }, &g_parkAirport,
         [](const ParkApfState& s) -> const void* { return &s.parkAirport; }},
        {"stands", [](ParkApfState& s) { s.file.stands.resize(3); },
         [](const ParkApfState& s) { return std::to_string(s.file.stands.size()); }, &g_stands,
         [](const ParkApfState& s) -> const void* { return &s.file.stands; }},
        {"info",
         [](ParkApfState& s) {
             s.file.info = ParkApfInfo{"Schiphol", "Publisher", -11};
         },
         [](const ParkApfState& s) {
             return s.file.info.airportName + "/" + s.file.info.publisher + "/" + std::to_string(s.file.info.altitude);
         },
         &g_parkApfInfo, [](const ParkApfState& s) -> const void* { return &s.file.info; }},
        {"learned path", [](ParkApfState& s) { s.file.learnedApfPath = "learned/EHAM.xml"; },
         [](const ParkApfState& s) { return s.file.learnedApfPath.string(); }, &g_learnedApfPath,
         [](const ParkApfState& s) -> const void* { return &s.file.learnedApfPath; }},
        {"quality factor",
         [](ParkApfState& s) {
             s.file.qualityFactor = QualityFactor{40, 60};
         },
         [](const ParkApfState& s) {
             return std::to_string(s.file.qualityFactor.real) + "/" + std::to_string(s.file.qualityFactor.soft);
         },
         &g_qualityFactor, [](const ParkApfState& s) -> const void* { return &s.file.qualityFactor; }},
        {"handmade", [](ParkApfState& s) { s.file.handmade = true; },
         [](const ParkApfState& s) { return std::to_string(s.file.handmade); }, &g_handmadeApf,
         [](const ParkApfState& s) -> const void* { return &s.file.handmade; }},
        {"week", [](ParkApfState& s) { s.shared.rtTrafficWeek = 12; },
         [](const ParkApfState& s) { return std::to_string(s.shared.rtTrafficWeek.load()); }, &g_rtTrafficWeek,
         [](const ParkApfState& s) -> const void* { return &s.shared.rtTrafficWeek; }},
        {"loaded", [](ParkApfState& s) { s.shared.parkStandsLoaded = true; },
         [](const ParkApfState& s) { return std::to_string(s.shared.parkStandsLoaded.load()); }, &g_parkStandsLoaded,
         [](const ParkApfState& s) -> const void* { return &s.shared.parkStandsLoaded; }},
        {"elevation",
         [](ParkApfState& s) {
             s.shared.trafficReferenceElevation = 8360.0;
             s.shared.trafficReferenceElevationValid = true;
         },
         [](const ParkApfState& s) {
             return std::to_string(s.shared.trafficReferenceElevation.load()) + "/" +
                    std::to_string(s.shared.trafficReferenceElevationValid.load());
         },
         &g_trafficReferenceElevation,
         [](const ParkApfState& s) -> const void* { return &s.shared.trafficReferenceElevation; }},
        {"learned updates", [](ParkApfState& s) { s.shared.learnedUpdates = 5; },
         [](const ParkApfState& s) { return std::to_string(s.shared.learnedUpdates.load()); }, &g_learnedUpdates,
         [](const ParkApfState& s) -> const void* { return &s.shared.learnedUpdates; }},
    };
    const ParkApfState fresh{};
    ParkApfState& state = gf_parkApfState();
    for (const Field& f : fields) {
        SCOPED_TRACE(f.name);
        EXPECT_EQ(f.global, f.field(state));
        f.change(state);
        EXPECT_NE(f.read(state), f.read(fresh));
    }
    state = ParkApfState{};
    for (const Field& f : fields)
        EXPECT_EQ(f.read(state), f.read(fresh)) << f.name;
}

} // namespace
