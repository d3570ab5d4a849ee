// Test environment of the airport-file tests: a working folder of its own with Log.txt, the airport
// list, the registration database and the settings the airport files touch.
#pragma once

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "core/Log.h"
#include "core/StatusLine.h"
#include "core/settings/Catalogue.h"
#include "data/Airports.h"
#include "data/Dbase.h"
#include "data/StringPool.h"
#include "data/apf/ApfWriter.h"
#include "data/apf/ParkApf.h"
#include "data/apf/ParkApfState.h"
#include "data/apf/QualityFactor.h"
#include "data/apf/Stand.h"
#include "support/TempFolder.h"
#include "support/WorkFolder.h"

namespace skf::test {

inline std::string lf_readFile(const std::filesystem::path& path) {
    return readBytes(path);
}

inline void lf_writeFile(const std::filesystem::path& path, std::string_view text) {
    writeFileMakingFolders(path, text);
}

// A data-file header that the readers accept.
inline std::string lf_meta(std::string_view version = "11.11.3", bool withSim = true) {
    std::string text = "  <meta>\n    <info name=\"author\" value=\"Skyfill\" />\n";
    text += "    <info name=\"version\" value=\"" + std::string(version) + "\" />\n";
    text += "    <info name=\"copyright\" value=\"Copyright (c) the makers of Skyfill.\" />\n";
    if (withSim) {
        text += "    <info name=\"sim\" value=\"1\" />\n";
    }
    return text + "  </meta>\n";
}

class ApfTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_work.emplace();
        m_dir = m_work->path();
        std::filesystem::create_directories("airports/learned/stock");
        std::filesystem::create_directories("airports/my_simaddon");
        std::filesystem::create_directories("airports/my_thirdparty");

        gf_parkApfState() = ParkApfState{};
        g_simIs2020 = true;
        gf_clearError();

        gf_resetAirports();
        lf_addAirport("EHAM", 52.308601, 4.763890, -11, 78);
        lf_addAirport("EHRD", 51.956902, 4.437220, -15, 20);
        lf_addAirport("EHTX", 52.0, 4.0, 10, 0);
        lf_addAirport("EHTY", 52.1, 4.1, 10, 1);
        lf_addAirport("EHTZ", 52.2, 4.2, 10, 2);
        g_parkAirport = g_airports.front();

        g_dbaseRecords.clear();
        lf_addRegistration("PH-BXA", "KLM", "B738", "");
        lf_addRegistration("PH-EXB", "KLM", "E190", "KLC"); // flown by KLM Cityhopper
        lf_addRegistration("N123AB", "DAL", "A333", "");

        RANGE.set(40);
        AUTO_RANGE.set(true);
        WEEK.set(false);
        PARK_SOFT.set(false);
        parking_percentage.set(30);
        INITIAL_LOAD_ONLY.set(false);
        MAX_FIT.set(47);
        MAX_FIT_FL.set(24.0F);
        MAX_LIVE_SEL.set(500);
    }

    void TearDown() override {
        m_work.reset();
        gf_parkApfState() = ParkApfState{};
        gf_resetAirports();
        g_dbaseRecords.clear();
    }

    static void lf_addAirport(std::string_view icao, double lat, double lon, float altitude, int32_t stands) {
        Airport a;
        a.icao = FixedCode<4>(icao);
        a.latitude = lat;
        a.longitude = lon;
        a.altitude = altitude;
        a.stands = stands;
        g_airports.push_back(a);
        std::sort(g_airports.begin(), g_airports.end(),
                  [](const Airport& x, const Airport& y) { return x.icao < y.icao; });
    }

    static void lf_addRegistration(std::string reg, std::string_view airline, std::string_view model,
                                   std::string_view op) {
        DbaseRecord r;
        r.registration = std::move(reg);
        r.airline = gf_internOperator(airline);
        r.model = gf_internModel(model);
        r.operatorId = op.empty() ? 0 : gf_internOperator(op);
        g_dbaseRecords.push_back(r);
        std::sort(g_dbaseRecords.begin(), g_dbaseRecords.end(),
                  [](const DbaseRecord& x, const DbaseRecord& y) { return x.registration < y.registration; });
    }

    std::string lf_log() { return m_work->log(); }

    const std::filesystem::path& dir() const { return m_dir; }

private:
    std::optional<WorkFolder> m_work;
    std::filesystem::path m_dir;
};

} // namespace skf::test
