#include "liveries/LiveryState.h"

#include "liveries/LiveryMatching.h"
#include "liveries/Regcodes.h"
#include "liveries/ScanReports.h"
#include "liveries/SectionRules.h"

namespace skf {

namespace {
LiveryState s_liveries;
} // namespace

// Bound to members of a state of static storage: constant initialisation, valid before any constructor runs.
LiveryList& g_liveries = s_liveries.liveries;
std::set<std::string>& g_scannedTitles = s_liveries.scan.scannedTitles;
std::vector<std::string>& g_dontUseTitles = s_liveries.scan.dontUseTitles;
std::unordered_set<std::string>& g_dontUseTitleSet = s_liveries.scan.dontUseTitleSet;
ScanCollector& g_invalidAirlineLines = s_liveries.scan.invalidAirlineLines;
ScanCollector& g_invalidModelLines = s_liveries.scan.invalidModelLines;
ScanCollector& g_fixLines = s_liveries.scan.fixLines;
ScanCollector& g_invalidCfgLines = s_liveries.scan.invalidCfgLines;
ScanCollector& g_incompleteSectionLines = s_liveries.scan.incompleteSectionLines;
ScanCollector& g_noFltsimFiles = s_liveries.scan.noFltsimFiles;
std::vector<std::string>& g_conversionLines = s_liveries.scan.conversionLines;

bool& g_liveriesProcessed = s_liveries.tables.liveriesProcessed;
std::vector<std::string>& g_regcodeMessages = s_liveries.tables.regcodeMessages;
std::vector<std::uint16_t>& g_lightModelPool = s_liveries.tables.lightModelPool;
std::vector<std::uint16_t>& g_buzjetModelPool = s_liveries.tables.buzjetModelPool;
std::vector<std::uint16_t>& g_rotorcraftModelPool = s_liveries.tables.rotorcraftModelPool;
std::set<std::string, std::less<>>& g_specialRegcodes = s_liveries.tables.specialRegcodes;
std::set<std::string, std::less<>>& g_uniqueRegcodes = s_liveries.tables.uniqueRegcodes;
TitleViews& g_specialLiveryTitles = s_liveries.tables.specialLiveryTitles;
TitleViewSet& g_specialLiveryTitleSet = s_liveries.tables.specialLiveryTitleSet;
RegcodeTitleMap& g_regcodeTitles = s_liveries.tables.regcodeTitles;
std::array<IdMap<TitleViews>, 2>& g_titlesByModel = s_liveries.tables.titlesByModel;
std::array<IdMap<IdMap<TitleViews>>, 2>& g_titlesByAirlineModel = s_liveries.tables.titlesByAirlineModel;
IdMap<IdMap<std::vector<StoredLivery>>>& g_liveriesByAirlineModel = s_liveries.tables.liveriesByAirlineModel;

std::array<std::int32_t, 7>& g_matchStepCounts = s_liveries.tally.stepCounts;
FailedTitleSet& g_failedLiveryTitles = s_liveries.tally.failedTitles;
std::unordered_set<std::string>& g_failedLiveryKeys = s_liveries.tally.failedKeys;

LiveryState& gf_liveryState() {
    return s_liveries;
}

} // namespace skf
