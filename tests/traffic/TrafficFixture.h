// Test environment of the stand and parking tests: a working folder with Log.txt, a registration database,
// a small stand table laid out in metres around one point, and the settings the stand logic reads.
#pragma once

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "core/ProgramState.h"
#include "core/settings/Catalogue.h"
#include "data/Dbase.h"
#include "data/StringPool.h"
#include "data/apf/ApfReader.h"
#include "data/apf/ParkApfState.h"
#include "data/apf/Stand.h"
#include "liveries/LiveryTables.h"
#include "sim/AircraftRecords.h"
#include "support/WorkFolder.h"
#include "traffic/EngineState.h"

namespace skf::test {

inline constexpr double kBaseLat = 52.3;
inline constexpr double kBaseLon = 4.76;

// The latitude `metres` north of the base point (great circle of radius 3437.74677 NM).
inline double northOf(double metres) {
    return kBaseLat + metres / 1852.0 / 3437.74677 * 57.29577951308232;
}

inline StandOpt makeOpt(std::string_view airline, std::string_view model, std::string reg, std::string cs1,
                        std::string cs2, std::uint32_t day, std::initializer_list<int> slots, std::uint32_t source = 1,
                        std::uint32_t real = 1) {
    StandOpt o;
    o.airline = gf_internOperator(airline);
    o.model = gf_internModel(model);
    o.registration = std::move(reg);
    o.callsign = std::move(cs1);
    o.callsign2 = std::move(cs2);
    o.day = day;
    o.source = source;
    o.real = real;
    for (const int s : slots)
        o.halfHours.set(static_cast<std::size_t>(s));
    return o;
}

// A stand `metres` north of the base point, radius in metres.
inline Stand makeStand(std::string id, double metres, double radiusMetres, std::vector<StandOpt> options = {},
                       bool heli = false) {
    return Stand(std::move(id), std::move(options), northOf(metres), kBaseLon, 0.0, radiusMetres, false, false, heli);
}

// The half hours an option is set for, in ascending order.
inline std::vector<int> slotsOf(const StandOpt& option) {
    std::vector<int> slots;
    for (int i = 0; i < 48; ++i)
        if (option.halfHours.test(static_cast<std::size_t>(i)))
            slots.push_back(i);
    return slots;
}

// Numbers the options of every stand 1, 2, ... and the stands in table order.
inline void numberStands(std::vector<Stand>& stands) {
    std::int32_t sid = 0;
    for (Stand& s : stands) {
        s.sid = ++sid;
        std::uint32_t n = 0;
        for (StandOpt& o : s.options)
            o.number = ++n;
    }
}

// Adds a registration to the database, which stays sorted by registration.
inline void addRegistration(std::string reg, std::string_view airline, std::string_view model) {
    DbaseRecord r;
    r.registration = std::move(reg);
    r.airline = gf_internOperator(airline);
    r.model = gf_internModel(model);
    g_dbaseRecords.push_back(r);
    std::sort(g_dbaseRecords.begin(), g_dbaseRecords.end(),
              [](const DbaseRecord& x, const DbaseRecord& y) { return x.registration < y.registration; });
}

class TrafficTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_work.emplace();
        gf_engineState() = EngineState{};
        gf_resetEngineSimQueues();
        gf_parkApfState() = ParkApfState{};
        g_dbaseRecords.clear();
        addRegistration("PH-BXA", "KLM", "B738");
        addRegistration("PH-BHA", "KLM", "B789");
        addRegistration("D-AIKA", "DLH", "A333");
        // An installed livery for every registration the tests place.
        g_regcodeTitles.clear();
        for (const char* reg : {"PH-BXA", "PH-BXB", "PH-BXC", "PH-BXD", "PH-BHA", "D-AIKA"})
            g_regcodeTitles[reg] = "Test Livery";
        RANDOM.set(false);
        HELICOPTERS.set(true);
        g_dayAndSlotNow.store(DayAndSlot{3, 20});
    }
    void TearDown() override {
        gf_engineState() = EngineState{};
        gf_resetEngineSimQueues();
        gf_parkApfState() = ParkApfState{};
        g_dbaseRecords.clear();
        g_regcodeTitles.clear();
        m_work.reset();
    }

    static FlightRecord aircraft(std::string callsign, std::string_view airline, std::string_view model,
                                 double radiusMetres, SizeCategory category = SizeCategory::Large,
                                 std::string registration = {}) {
        FlightRecord r;
        r.callsign = std::move(callsign);
        r.airlineId = gf_internOperator(airline);
        r.modelId = gf_internModel(model);
        r.halfWingspanNm = radiusMetres / 1852.0;
        r.category = category;
        r.registration = std::move(registration);
        return r;
    }

    std::string log() const { return m_work->log(); }

private:
    std::optional<WorkFolder> m_work;
};

} // namespace skf::test
