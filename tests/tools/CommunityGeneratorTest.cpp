// The sample Community folder: a scan with the default settings finds exactly what the manifest says, and the
// same seed writes the same bytes.
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "core/ShellState.h"
#include "data/Dbase.h"
#include "data/StringPool.h"
#include "liveries/LiveryServices.h"
#include "liveries/LiveryTestSupport.h"
#include "tools/communitygen/CommunityGenerator.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <pugixml.hpp>

namespace fs = std::filesystem;
using namespace skf;

namespace {

std::size_t lineCount(const fs::path& file) {
    const std::string text = test::readBytes(file);
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

std::map<std::string, std::string> filesBelow(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        files[fs::relative(entry.path(), folder).string()] =
            entry.is_regular_file() ? test::readBytes(entry.path()) : "/";
    return files;
}

// The settings of a full prioritized scan of the work folder's "packages".
void lf_settingsForAScanOfPackages() {
    MSFS_INSTALL_PATH.setValue("packages");
    SIM_CHOICE.setValue(SIM_CHOICE.choices.front());
    AI_PACKAGE_SELECTOR.setValue("AIG, FSLTL, JF, MTL");
    LIG_AUTOMATIC.set(true);
    LIG_PRIORITIZE.set(true);
    SCAN_LIVERIES.set(true);
}

TEST(CommunityGenerator, AScanFindsWhatTheManifestSays) {
    test::ScanFolder work;
    tools::CommunityOptions options;
    options.seed = 5;
    options.files = 400;
    const auto manifest = tools::gf_generateCommunity(work.path() / "packages" / "Community", options);
    EXPECT_EQ(manifest.encodings.size(), 6u); // five encodings and the garbage file
    EXPECT_GE(manifest.findings.size(), 20u);

    lf_settingsForAScanOfPackages();
    g_workerLimit = 4;
    gf_scanLiveries();
    g_workerLimit = 2;

    pugi::xml_document list;
    ASSERT_TRUE(list.load_file(g_liveriesScannedPath.c_str()));
    const auto records = list.child("root").child("liveries").children();
    EXPECT_EQ(std::distance(records.begin(), records.end()), manifest.liveries);
    const std::pair<const char*, fs::path> reports[] = {
        {"InvalidAirlineCodes.txt", g_invalidAirlineReportPath},
        {"InvalidAircraftCodes.txt", g_invalidAircraftReportPath},
        {"Fixes.txt", g_fixesReportPath},
        {"InvalidAircraftCfgFiles.txt", g_invalidCfgReportPath},
        {"IncompleFltsimSections.txt", g_incompleteFltsimReportPath},
        {"AircraftCfgWithNoFltsimSection.txt", g_noFltsimReportPath},
        {"AirlineModelConversions.txt", g_airlineModelReportPath},
    };
    for (const auto& [name, path] : reports) {
        ASSERT_TRUE(manifest.reportLines.contains(name)) << name;
        EXPECT_EQ(lineCount(path), static_cast<std::size_t>(manifest.reportLines.at(name))) << name;
    }
    const std::string log = work.log();
    for (const std::string& package : manifest.packages)
        EXPECT_NE(log.find("scan found folder: 'packages/Community/" + package + "'"), std::string::npos) << package;
}

// The scan's files do not depend on the number of workers: the list byte for byte, and every report with
// the same lines (the fixes report keeps the order in which the workers added its lines).
TEST(CommunityScanConcurrent, OneTwoAndSixteenWorkersWriteTheSameFiles) {
    test::ScanFolder work;
    tools::CommunityOptions options;
    options.seed = 11;
    options.files = 600;
    tools::gf_generateCommunity(work.path() / "packages" / "Community", options);
    MSFS_INSTALL_PATH.setValue("packages");
    SIM_CHOICE.setValue(SIM_CHOICE.choices.front());
    AI_PACKAGE_SELECTOR.setValue("AIG, FSLTL, JF, MTL");
    LIG_AUTOMATIC.set(true);
    LIG_PRIORITIZE.set(false);
    const fs::path reports[] = {g_invalidAirlineReportPath,   g_invalidAircraftReportPath, g_invalidCfgReportPath,
                                g_incompleteFltsimReportPath, g_noFltsimReportPath,        g_airlineModelReportPath};
    std::vector<std::string> first;
    for (const int workers : {1, 2, 16}) {
        g_workerLimit = workers;
        SCAN_LIVERIES.set(true);
        gf_scanLiveries();
        std::vector<std::string> files{test::readBytes(g_liveriesScannedPath)};
        for (const fs::path& report : reports)
            files.push_back(test::readBytes(report));
        std::string fixes = test::readBytes(g_fixesReportPath);
        std::vector<std::string> fixLines;
        for (std::size_t from = 0, to; (to = fixes.find('\n', from)) != std::string::npos; from = to + 1)
            fixLines.push_back(fixes.substr(from, to - from));
        std::sort(fixLines.begin(), fixLines.end());
        for (const std::string& line : fixLines)
            files.push_back(line);
        if (first.empty())
            first = files;
        else
            EXPECT_TRUE(files == first) << workers << " workers";
        EXPECT_EQ(g_activeWorkers.load(), 0);
    }
    g_workerLimit = 2;
    EXPECT_GT(first.front().size(), 10000U);
}

// With every pair asked for, the scan holds a passenger livery for each airline and model of the database's
// registrations (airline and operator), and still just as many liveries as the manifest says.
TEST(CommunityGenerator, EveryPairOfTheDatabaseFindsALivery) {
    test::ScanFolder work;
    tools::CommunityOptions options;
    options.seed = 2020; // the measurement's packages, where freighters' liveries hide some pairs
    options.files = 2000;
    options.everyPair = true;
    const auto manifest = tools::gf_generateCommunity(work.path() / "packages" / "Community", options);
    lf_settingsForAScanOfPackages();
    gf_scanLiveries();

    pugi::xml_document list;
    ASSERT_TRUE(list.load_file(g_liveriesScannedPath.c_str()));
    std::set<std::pair<std::string, std::string>> scanned;
    for (const pugi::xml_node l : list.child("root").child("liveries").children())
        if (!l.attribute("c").as_bool())
            scanned.emplace(l.attribute("a").as_string(), l.attribute("m").as_string());
    EXPECT_EQ(static_cast<int>(std::distance(list.child("root").child("liveries").children().begin(),
                                             list.child("root").child("liveries").children().end())),
              manifest.liveries);
    int pairs = 0;
    for (const DbaseRecord& r : g_dbaseRecords)
        for (const std::uint16_t airline : {r.airline, r.operatorId}) {
            const std::string code(gf_operatorName(airline));
            if (airline == 0 || code == "PVT" || code == "RFO")
                continue;
            ++pairs;
            EXPECT_TRUE(scanned.contains({code, std::string(gf_modelName(r.model))}))
                << code << " " << gf_modelName(r.model) << " " << r.registration;
        }
    EXPECT_GT(pairs, 1000);
}

TEST(CommunityGenerator, SameSeedSameBytes) {
    test::loadSampleDbase();
    test::TempFolder a, b;
    tools::CommunityOptions options;
    options.seed = 9;
    options.files = 60;
    const auto first = tools::gf_generateCommunity(a.path(), options);
    const auto second = tools::gf_generateCommunity(b.path(), options);
    EXPECT_EQ(first.liveries, second.liveries);
    EXPECT_TRUE(filesBelow(a.path()) == filesBelow(b.path()));
}

} // namespace
