#pragma once
// Test fixture of the add-on airport scan: a working folder with its log, a small airport list, the
// publishers table and archive lists of the sample database, and settings stored in the folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "airportscan/ScanLog.h"
#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "data/Airports.h"
#include "data/Dbase.h"
#include "support/WorkFolder.h"

namespace skf::test {

class ScanFixture : public ::testing::Test {
public:
    void SetUp() override {
        gf_buildProgramPathsIn(work.path() / "roaming");
        std::filesystem::create_directories(g_dataFolder);
        gf_resetAirports();
        for (const char* code : {"EGKK", "EGLL", "EGPH", "LPPT", "LSZH", "EHAM", "EGLC", "LOWW", "KMCI", "EDDF"}) {
            Airport a;
            a.icao = FixedCode<4>(code);
            g_airports.push_back(a);
            g_airportCodes.insert(a.icao);
        }
        std::sort(g_airports.begin(), g_airports.end(),
                  [](const Airport& a, const Airport& b) { return a.icao < b.icao; });
        g_publisherNames = {{"Northwind Scenery", "northwind-scenery", "NWS"},
                            {"Harbourlight", "harbour-light"},
                            {"Bluefin Simworks", "bluefinsim"}};
        g_simaddonAirports = {"LSZH", "EHAM"};
        g_thirdparties20 = {{"Northwind Scenery", {"EGLL161", "EGKK95"}},
                            {"Harbourlight", {"LPPT84"}},
                            {"Bluefin Simworks", {"EDDF12"}}};
        g_thirdparties24 = {{"Northwind Scenery", {"EGLL161"}}};
        setSimulator(2020);
        gf_resetScanLog(64);
    }
    void TearDown() override {
        setSimulator(2020);
        g_stopRun = false;
        g_shutDown = false;
    }

    static void setSimulator(int year) {
        SIM_CHOICE.set(std::string(year == 2024 ? g_msfs2024Text : g_msfs2020Text));
        gf_updateSimChoice();
    }

    // The scan log so far as one text, lines joined by "\n".
    static std::string scanLog() {
        std::string text;
        for (const std::string& line : gf_scanLogLines())
            text += line + "\n";
        return text;
    }

    static std::string read(const std::filesystem::path& p) { return WorkFolder::readFile(p); }

    WorkFolder work;
};

// A scan of the working folder's community packages on two workers.
class CommunityScanFixture : public ScanFixture {
public:
    void SetUp() override {
        ScanFixture::SetUp();
        community = work.path() / "Packages" / "Community";
        std::filesystem::create_directories(g_tbloFolder);
        g_workerLimit = 2;
        g_activeWorkers = 0;
    }

    std::string scanLogFile() const { return read(g_scanLogPath); }

    std::filesystem::path community;
};

} // namespace skf::test
