// The liveries' owner: each reset gives its group the values of a fresh state and leaves the other groups as
// they were; one assignment resets them all; the global names are references into the owner.
#include "liveries/LiveryMatching.h"
#include "liveries/LiveryMatchingInternal.h"
#include "liveries/LiveryState.h"
#include "liveries/Regcodes.h"
#include "liveries/ScanReports.h"
#include "liveries/SectionRules.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

using namespace skf;

enum class Group { List, Scan, Tables, Tally };

struct Field {
    const char* name;
    Group group;
    std::function<void(LiveryState&)> change;
    std::function<std::size_t(const LiveryState&)> read; // a size, or the value of a flag or count
    const void* global;                                  // the g_ name bound to the field; none for file-local ones
    std::function<const void*(const LiveryState&)> field;
};

constexpr std::string_view kTitle = "KLM A320";

#define SKF_FIELD(label, group, member, change, read, global)                                                          \
    Field {                                                                                                            \
        label, group, [](LiveryState& s) { s.member change; },                                                         \
            [](const LiveryState& s) { return static_cast<std::size_t>(s.member read); }, global,                      \
            [](const LiveryState& s) -> const void* { return &s.member; }                                              \
    }

TEST(LiveryState, EachResetGivesItsGroupTheValuesOfAFreshState) {
    const Field fields[] = {
        SKF_FIELD("liveries", Group::List, liveries, .push_back(LiveryData{"x", "", 0, 0, 0, false}), .size(),
                  &g_liveries),
        SKF_FIELD("scanned titles", Group::Scan, scan.scannedTitles, .insert("x"), .size(), &g_scannedTitles),
        SKF_FIELD("don't use", Group::Scan, scan.dontUseTitles, .push_back("x"), .size(), &g_dontUseTitles),
        SKF_FIELD("don't use set", Group::Scan, scan.dontUseTitleSet, .insert("x"), .size(), &g_dontUseTitleSet),
        SKF_FIELD("airline lines", Group::Scan, scan.invalidAirlineLines, .add("x"), .lines.size(), nullptr),
        SKF_FIELD("model lines", Group::Scan, scan.invalidModelLines, .add("x"), .lines.size(), nullptr),
        SKF_FIELD("fix lines", Group::Scan, scan.fixLines, .add("x"), .lines.size(), nullptr),
        SKF_FIELD("cfg lines", Group::Scan, scan.invalidCfgLines, .add("x"), .lines.size(), nullptr),
        SKF_FIELD("section lines", Group::Scan, scan.incompleteSectionLines, .add("x"), .lines.size(), nullptr),
        SKF_FIELD("no fltsim", Group::Scan, scan.noFltsimFiles, .add("x"), .lines.size(), nullptr),
        SKF_FIELD("conversions", Group::Scan, scan.conversionLines, .push_back("x"), .size(), nullptr),
        SKF_FIELD("processed", Group::Tables, tables.liveriesProcessed, = true, , &g_liveriesProcessed),
        SKF_FIELD("messages", Group::Tables, tables.regcodeMessages, .push_back("x"), .size(), &g_regcodeMessages),
        SKF_FIELD("light", Group::Tables, tables.lightModelPool, .push_back(1), .size(), &g_lightModelPool),
        SKF_FIELD("buzjet", Group::Tables, tables.buzjetModelPool, .push_back(1), .size(), &g_buzjetModelPool),
        SKF_FIELD("rotor", Group::Tables, tables.rotorcraftModelPool, .push_back(1), .size(), &g_rotorcraftModelPool),
        SKF_FIELD("special codes", Group::Tables, tables.specialRegcodes, .insert("PH-A"), .size(), &g_specialRegcodes),
        SKF_FIELD("unique codes", Group::Tables, tables.uniqueRegcodes, .insert("PH-A"), .size(), &g_uniqueRegcodes),
        SKF_FIELD("special titles", Group::Tables, tables.specialLiveryTitles, .push_back(kTitle), .size(),
                  &g_specialLiveryTitles),
        SKF_FIELD("special set", Group::Tables, tables.specialLiveryTitleSet, .insert(kTitle), .size(),
                  &g_specialLiveryTitleSet),
        SKF_FIELD("codes", Group::Tables, tables.regcodeTitles, .emplace("PH-A", kTitle), .size(), &g_regcodeTitles),
        SKF_FIELD("by model", Group::Tables, tables.titlesByModel, [1][5].push_back(kTitle), [1].size(),
                  &g_titlesByModel),
        SKF_FIELD("by airline", Group::Tables, tables.titlesByAirlineModel, [0][1][2].push_back(kTitle), [0].size(),
                  &g_titlesByAirlineModel),
        SKF_FIELD("index", Group::Tables, tables.storedTitleIndex, .insert(kTitle), .size(), nullptr),
        SKF_FIELD("store", Group::Tables, tables.liveriesByAirlineModel, [1][2].push_back({"x", false}), .size(),
                  &g_liveriesByAirlineModel),
        SKF_FIELD("steps", Group::Tally, tally.stepCounts, [3] = 4, [3], &g_matchStepCounts),
        SKF_FIELD("refused", Group::Tally, tally.failedTitles, .insert("x"), .size(), nullptr),
        SKF_FIELD("refused keys", Group::Tally, tally.failedKeys, .insert("x"), .size(), nullptr),
    };
    struct Reset {
        const char* name;
        std::function<void()> run;
        bool (*resets)(Group);
    };
    const Reset resets[] = {
        {"scan", lf_clearScanCollections, [](Group p) { return p == Group::Scan; }},
        {"tables", gf_clearLiveryTables, [](Group p) { return p == Group::Tables; }},
        {"tally", lf_resetMatchingState, [](Group p) { return p == Group::Tally; }},
        {"owner", [] { gf_liveryState() = LiveryState{}; }, [](Group) { return true; }},
    };
    const LiveryState fresh{};
    LiveryState& state = gf_liveryState();
    gf_liveryMatchState() = LiveryMatchState{};
    state = LiveryState{};
    for (const Field& f : fields) {
        if (f.global != nullptr) {
            EXPECT_EQ(f.global, f.field(state)) << f.name;
        }
    }
    for (const Reset& r : resets) {
        for (const Field& f : fields) {
            f.change(state);
            ASSERT_NE(f.read(state), f.read(fresh)) << f.name;
        }
        r.run();
        for (const Field& f : fields) {
            const bool reset = f.read(state) == f.read(fresh);
            EXPECT_EQ(reset, r.resets(f.group)) << r.name << ": " << f.name;
        }
        state = LiveryState{};
    }
}

#undef SKF_FIELD

} // namespace
