// Golden records of whole flights: what the simulator stand-in receives of one live aircraft through the whole
// engine in lock-step, compared line by line with the records kept in tests/traffic/golden/. The outcome tests
// see where an aircraft ends up; a record also sees how it got there: its pose every second (position,
// altitude, pitch, bank, heading) and at every change of its controls, every event sent to it (gear, flaps,
// throttle, spoilers, lights, engines) and the spoiler and throttle levers set by data.
//
// The engine's clock, step counter, day and half hour are the test's, so a record is the same run after run and
// in every build; values are rounded to what a pilot would see (a tenth of a metre, a tenth of a foot, a
// hundredth of a degree). A change of the flying rules changes a record on purpose: run the test with
// SKYFILL_UPDATE_GOLDEN=1 to write the records anew, and read the difference before committing it.
#include <gtest/gtest.h>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "EngineHarness.h"
#include "FeedRoute.h"
#include "TrafficFixture.h"
#include "core/Files.h"
#include "core/Random.h"

namespace skf::test {
namespace {

const std::filesystem::path kGoldenFolder = std::filesystem::path(SKYFILL_SOURCE_DIR) / "tests/traffic/golden";

// Every so many frames a pose line (30 frames a second).
constexpr std::uint64_t kPoseEveryFrames = 30;

// A value rounded to `decimals`, without a minus sign on a zero.
std::string fixed(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::round(value * scale) / scale;
    return fmt::format("{:.{}f}", rounded == 0.0 ? 0.0 : rounded, decimals);
}

std::string degrees(double radians) {
    return fixed(radians * 57.29577951308232, 2);
}

std::string poseLine(std::uint64_t frame, const standin::SimObjectState& o) {
    return fmt::format("{:6} pose {} {} {} p{} b{} h{}", frame, fixed(o.lat, 6), fixed(o.lon, 6), fixed(o.altFt, 1),
                       degrees(o.pitch), degrees(o.bank), degrees(o.heading));
}

// What the aircraft holds of its controls: the last value of each event and the levers set by data.
std::string controlsOf(const standin::SimObjectState& o) {
    return fmt::format("gear{} flaps{} spoilers{} throttle{} lights{:03x} engines{} levers {}/{}/{}", o.gear, o.flaps,
                       o.spoilers, o.throttle, o.lights, o.enginesRunning ? 1 : 0, fixed(o.spoilerHandlePct, 0),
                       fixed(o.throttle1Pct, 0), fixed(o.throttle2Pct, 0));
}

// The calls on the aircraft's objects (positions of every frame left out: the pose lines show them), by frame.
std::multimap<std::uint64_t, std::string> callsOn(const std::vector<nlohmann::json>& trace, const std::string& atcId,
                                                  const std::vector<std::uint32_t>& objects) {
    std::multimap<std::uint64_t, std::string> out;
    const auto ours = [&](const nlohmann::json& line) {
        const auto id = line.value("object", 0U);
        return std::find(objects.begin(), objects.end(), id) != objects.end();
    };
    for (const auto& line : trace) {
        if (line.value("dir", "") != "call") {
            continue;
        }
        const std::string call = line.value("call", "");
        const auto frame = line.value("frame", std::uint64_t{0});
        if (call == "AICreateNonATCAircraft" && line.value("tail", "") == atcId) {
            out.emplace(frame, "create " + line.value("title", ""));
        } else if (call == "TransmitClientEvent" && ours(line)) {
            out.emplace(frame, fmt::format("event {} {}", line.value("name", ""), line.value("data", 0U)));
        } else if (call == "SetDataOnSimObject" && ours(line) && !line.value("moves", false)) {
            out.emplace(frame, fmt::format("data def{}", line.value("def", 0U)));
        } else if ((call == "AIRemoveObject" || call == "AIReleaseControl" || call == "AISetAircraftFlightPlan") &&
                   ours(line)) {
            out.emplace(frame, call);
        }
    }
    return out;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Nothing when the record equals the golden one; else where they part, with a few lines of each.
std::string difference(const std::vector<std::string>& golden, const std::vector<std::string>& record) {
    std::size_t i = 0;
    while (i < golden.size() && i < record.size() && golden[i] == record[i]) {
        ++i;
    }
    if (i == golden.size() && i == record.size()) {
        return {};
    }
    std::string out = fmt::format("first difference at line {} (golden {} lines, record {} lines)\n", i + 1,
                                  golden.size(), record.size());
    for (std::size_t k = i; k < i + 6; ++k) {
        out += fmt::format("  golden: {}\n  record: {}\n", k < golden.size() ? golden[k] : "<end>",
                           k < record.size() ? record[k] : "<end>");
    }
    return out;
}

struct FlightRow {
    const char* file; // the golden record's name
    const char* model;
    SizeCategory category;
    double halfSpanMetres;
    const char* registration;
    double reportEvery; // seconds
    Route route;
    bool standsAtStart;  // the stand row's middle stand at the route's start (else at its end)
    double afterSeconds; // run on after the last report
};

void PrintTo(const FlightRow& r, std::ostream* os) {
    *os << r.file;
}

const Position kThreshold{kFeedLat, kFeedLon};

// A 2 NM final westwards onto the threshold, a roll-out, a right turn off the runway, a right turn onto the
// taxilane and a left turn onto the stand.
Route arrivalRoute(double finalKnots, double finalFeet, double rollScale) {
    return Route{offsetPoint(kThreshold.latitude, kThreshold.longitude, 90.0, 2.0 * 1852.0),
                 {Leg{270.0, 2.0 * 1852.0, finalKnots, 0.0, finalFeet, 0.0},
                  Leg{270.0, 500.0 * rollScale, 110.0 * rollScale}, Leg{270.0, 400.0 * rollScale, 60.0 * rollScale},
                  Leg{270.0, 200.0, 25.0}, Leg{0.0, 250.0, 15.0}, Leg{90.0, 120.0, 12.0}, Leg{0.0, 60.0, 5.0},
                  stop(60.0)}};
}

// Parked on a stand, pushed back southwards, a pause, a taxi east and a left turn north onto the runway, the
// take-off roll and the climb to 2500 ft.
Route departureRoute(const Position& stand) {
    return Route{stand,
                 {stop(60.0), Leg{180.0, 45.0, 3.0}, stop(20.0), Leg{90.0, 150.0, 12.0}, Leg{0.0, 300.0, 15.0},
                  Leg{0.0, 400.0, 60.0}, Leg{0.0, 1200.0, 150.0}, Leg{0.0, 8000.0, 170.0, 0.0, 0.0, 2500.0}}};
}

// First seen climbing through 1500 ft northwards, a right turn east while climbing on to 4000 ft.
Route climbRoute() {
    return Route{offsetPoint(kThreshold.latitude, kThreshold.longitude, 0.0, 5000.0),
                 {Leg{0.0, 4000.0, 180.0, 0.0, 1500.0, 2300.0}, Leg{45.0, 3000.0, 200.0, 0.0, 2300.0, 2900.0},
                  Leg{90.0, 6000.0, 220.0, 0.0, 2900.0, 4000.0}}};
}

class GoldenFlight : public ::testing::TestWithParam<FlightRow> {
protected:
    void SetUp() override {
        addRegistration("PH-EXA", "KLM", "A320");
        addRegistration("PH-ABC", "KLM", "C172");
        COLLISION_USER_GND.set(true);
        COLLISION_USER_AIR.set(false);
        GUID_CHANGES.set(true);
        AIRBORNE_ONLY.set(false);
        STRAIGHT_PBS_ONLY.set(false);
        LIGHT_AIRCRAFT.set(true);
        MAX_HOLDING_MINUTES.set(20);
        HOLDING_THRESHOLD_METERS.set(250);
        NAV_LIGHTS_WHILE_PARKED.set(true);
    }
    void TearDown() override {
        gf_parkApfState() = ParkApfState{};
        g_dbaseRecords.clear();
        addTestModel("A320", SizeCategory::Large, 17.0);
    }
};

TEST_P(GoldenFlight, EqualsItsGoldenRecord) {
    const FlightRow& row = GetParam();
    addTestModel(row.model, row.category, row.halfSpanMetres);
    EngineHarness h(feedWorld());
    g_titlesByAirlineModel[0][gf_internOperator("KLM")][gf_internModel(row.model)].push_back(kTestTitle);
    g_stepCounter = 0; // the paces of creations, removals and range data run from here
    // The take-off and climb pitches are spread at random even with RANDOM off; the engine draws on this thread.
    gf_randomEngine().seed(20261207U);
    setFeedParkAirport();
    const Position centre = row.standsAtStart ? row.route.start : row.route.end();
    setFeedStands(offsetPoint(centre.latitude, centre.longitude, 270.0, 45.0), {"D6", "D7", "D8"}, 20.0, 45.0);

    const std::string callsign = "KLM1234";
    const auto every = static_cast<std::uint64_t>(row.reportEvery * 100.0);
    const auto end = static_cast<std::uint64_t>(row.route.length() * 100.0);
    std::vector<std::uint32_t> objects;
    std::vector<std::pair<std::uint64_t, standin::SimObjectState>> seen;
    h.run(end + static_cast<std::uint64_t>(row.afterSeconds * 100.0), [&](std::uint64_t step) {
        if (step % every == 0 && step <= end) {
            h.inject(30001, callsign, row.model, row.route.at(static_cast<double>(step) / 100.0), row.registration,
                     "LHR", "AMS");
        }
        if (step % 3 == 0 && step > 0) { // the frame of the step before has been sent
            if (auto o = h.sim().objectByAtcId(callsign)) {
                if (std::find(objects.begin(), objects.end(), o->id) == objects.end()) {
                    objects.push_back(o->id);
                }
                seen.emplace_back(h.sim().frameCount(), std::move(*o));
            }
        }
    });

    const auto calls = callsOn(h.sim().trace(), callsign, objects);
    std::string record;
    std::string controls;
    auto call = calls.begin();
    for (const auto& [frame, o] : seen) {
        for (; call != calls.end() && call->first <= frame; ++call) {
            record += fmt::format("{:6} {}\n", call->first, call->second);
        }
        const std::string now = controlsOf(o);
        if (now != controls || frame % kPoseEveryFrames == 0) {
            record += poseLine(frame, o) + "\n";
        }
        if (now != controls) {
            record += fmt::format("{:6} controls {}\n", frame, now);
            controls = now;
        }
    }
    for (; call != calls.end(); ++call) {
        record += fmt::format("{:6} {}\n", call->first, call->second);
    }

    const std::filesystem::path golden = kGoldenFolder / (std::string(row.file) + ".txt");
    const char* update = std::getenv("SKYFILL_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        ASSERT_TRUE(gf_replaceFile(golden, [&](std::ostream& out) { out << record; })) << golden;
        GTEST_SKIP() << "written anew: " << golden;
    }
    std::ifstream in(golden, std::ios::binary);
    ASSERT_TRUE(in) << golden << " is missing; SKYFILL_UPDATE_GOLDEN=1 writes it";
    const std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string diff = difference(linesOf(kept), linesOf(record));
    EXPECT_TRUE(diff.empty()) << row.file << ": " << diff << "SKYFILL_UPDATE_GOLDEN=1 writes the record anew";
}

INSTANTIATE_TEST_SUITE_P(WholeFlights, GoldenFlight,
                         ::testing::Values(FlightRow{"arrival_a320", "A320", SizeCategory::Large, 17.0, "PH-EXA", 3.0,
                                                     arrivalRoute(140.0, 636.0, 1.0), false, 20.0},
                                           FlightRow{"departure_a320", "A320", SizeCategory::Large, 17.0, "PH-EXA", 3.0,
                                                     departureRoute(offsetPoint(kThreshold.latitude,
                                                                                kThreshold.longitude, 270.0, 1000.0)),
                                                     true, 20.0},
                                           FlightRow{"arrival_c172", "C172", SizeCategory::Light, 5.5, "PH-ABC", 4.0,
                                                     arrivalRoute(65.0, 636.0, 0.5), false, 20.0},
                                           FlightRow{"climb_a320", "A320", SizeCategory::Large, 17.0, "PH-EXA", 5.0,
                                                     climbRoute(), false, 0.0}),
                         [](const ::testing::TestParamInfo<FlightRow>& info) { return std::string(info.param.file); });

} // namespace
} // namespace skf::test
