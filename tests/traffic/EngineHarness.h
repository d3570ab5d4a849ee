// A deterministic, accelerated harness of the traffic engine: the engine's steps run on the test thread as
// fast as they can, the simulator stand-in answers in lock-step (a frame every few steps; every call and
// every message handled before the next step), traffic records are injected into the traffic queue, and
// the engine's clock and the day and half hour are the test's.
#pragma once

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/Geometry.h"
#include "core/ProgramState.h"
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "data/Dbase.h"
#include "data/StringPool.h"
#include "data/apf/ParkApf.h"
#include "feed/FeedServices.h"
#include "feed/TrafficQueue.h"
#include "liveries/LiveryMatching.h"
#include "liveries/LiveryMatchingInternal.h"
#include "liveries/LiveryTables.h"
#include "sim/FlightPlans.h"
#include "sim/SimLink.h"
#include "sim/SimLinkInternal.h"
#include "sim/SimLinkState.h"
#include "sim/SimQueues.h"
#include "sim/UserAircraft.h"
#include "support/SimStandInHarness.h"
#include "support/WorkFolder.h"
#include "traffic/EngineServices.h"
#include "traffic/EngineServicesInternal.h"
#include "traffic/EngineState.h"

namespace skf::test {

// The title every test aircraft flies under (the stand-in installs every title).
inline const std::string kTestTitle = "Test Airliner KLM";

// A model known to the database, of a category, with a half wingspan in metres.
inline std::uint16_t addTestModel(const std::string& code, SizeCategory category, double halfSpanMetres) {
    const std::uint16_t id = gf_internModel(code);
    g_modelCodes.insert(code);
    switch (category) {
    case SizeCategory::Large:
        g_largeModelIds.insert(id);
        break;
    case SizeCategory::Heavy:
        g_heavyModelIds.insert(id);
        break;
    case SizeCategory::Buzjets:
        g_buzjetModelIds.insert(id);
        break;
    case SizeCategory::Rotorcraft:
        g_rotorcraftModelIds.insert(id);
        break;
    case SizeCategory::HighPerf:
        g_highPerfModelIds.insert(id);
        break;
    case SizeCategory::Light:
        break;
    }
    g_halfWingspans.at(id) = halfSpanMetres / 1852.0;
    return id;
}

// One report of the feed, built by a scenario.
struct Report {
    double lat = 0.0;
    double lon = 0.0;
    double altitude = 0.0; // 0 on the ground
    double groundSpeed = 0.0;
    double track = 0.0; // degrees
    double verticalSpeed = 0.0;
};

class EngineHarness {
public:
    struct Options {
        int stepsPerFrame = 3; // 100 steps a second, 30 frames a second
        standin::Scenario scenario = standin::gf_defaultScenario();
    };

    EngineHarness() : EngineHarness(Options{}) {}
    explicit EngineHarness(Options options) : m_options(std::move(options)) {
        clearSimQueues();
        std::filesystem::create_directories(m_work.path() / "output" / "info");
        g_dataFolder = m_work.path() / "data";
        std::filesystem::create_directories(g_dataFolder);
        gf_createFlightPlanFolder();
        standin::StandInConfig cfg;
        cfg.scenario = m_options.scenario;
        cfg.tracePoses = true;
        m_sim.emplace(cfg);
        RANDOM.set(false);
        RANGE.set(40);
        g_rangeNm = 40.0;
        g_rangeMeters = 40 * 1852;
        MAX_LIVE_SEL.set(500);
        gf_setEngineClock([this] { return EngineTime{} + std::chrono::milliseconds(10) * m_steps; });
        gf_resetEngine();
        gf_startEngine();
        g_dayAndSlotNow = DayAndSlot{3, 20}; // Wednesday 10:00
        lf_resetMatchingState();
        gf_liveryMatchState() = LiveryMatchState{};
        addTitle();
        {
            std::lock_guard lock(g_addingStackMutex);
            g_liveTrafficOpen = true;
        }
        connect();
    }
    ~EngineHarness() {
        {
            std::lock_guard lock(g_addingStackMutex);
            g_liveTrafficOpen = false;
        }
        gf_resetEngine();
        gf_setEngineClock({});
        clearSimQueues(); // the handle is no longer shared before it closes
        if (m_handle != 0) {
            SimConnect_Close(m_handle);
        }
    }

    // Empties the simulator link's queues (what tests without a simulator left in them).
    static void clearSimQueues() { gf_resetSimLinkState(); }
    EngineHarness(const EngineHarness&) = delete;
    EngineHarness& operator=(const EngineHarness&) = delete;

    standin::SimStandIn& sim() { return *m_sim->sim; }
    const WorkFolder& work() const { return m_work; }
    std::uint64_t steps() const { return m_steps; }

    // Feed time of the current step, in seconds (the feed's clock runs with the engine's).
    double feedTime() const { return 1.0e9 + static_cast<double>(m_steps) / 100.0; }

    // Queues one report of an aircraft as the traffic reader does.
    void inject(std::uint32_t trafficId, const std::string& callsign, const std::string& model, const Report& r,
                const std::string& registration = {}, const std::string& origin = {},
                const std::string& destination = {}) {
        QueuedTraffic t;
        t.record.callsign = callsign;
        t.record.registration = registration;
        t.record.modelId = gf_internModel(model);
        t.record.origin = gf_routeCode(origin);
        t.record.destination = gf_routeCode(destination);
        t.point.latitude = r.lat;
        t.point.longitude = r.lon;
        t.point.altitude = r.altitude;
        t.point.groundSpeed = r.groundSpeed;
        t.point.trueAirspeed = r.groundSpeed;
        t.point.track = r.track;
        t.point.verticalSpeed = r.verticalSpeed;
        t.point.airborne = r.altitude > 0.0;
        t.timestamp = feedTime();
        t.trafficId = trafficId;
        if (!gf_pushTraffic(std::move(t))) {
            throw std::runtime_error("the traffic gate is closed");
        }
    }

    // Runs n engine steps in lock-step with the stand-in; before each, feed(step) may inject reports.
    void run(std::uint64_t n, const std::function<void(std::uint64_t)>& feed = {}) {
        for (std::uint64_t i = 0; i < n; ++i) {
            if (feed) {
                feed(m_steps);
            }
            lf_handleAddingStack();
            ++m_steps;
            if (m_steps % static_cast<std::uint64_t>(m_options.stepsPerFrame) == 0) {
                // The step's calls are handled before the frame: the stand-in's thread would otherwise take them
                // before or after the tick as it happens to run (a range request would see an object created on
                // this frame or not), and a run would not repeat itself.
                sync();
                sim().step(1);
            }
            sync();
        }
    }

    // Every pose line of the object with this ATC ID, in frame order.
    std::vector<nlohmann::json> poses(const std::string& atcId) const {
        std::vector<nlohmann::json> out;
        for (const auto& line : m_sim->sim->trace()) {
            if (line.value("dir", "") == "pose" && line.value("atcId", "") == atcId) {
                out.push_back(line);
            }
        }
        return out;
    }

    std::vector<nlohmann::json> calls(const std::string& call) const {
        std::vector<nlohmann::json> out;
        for (const auto& line : m_sim->sim->trace()) {
            if (line.value("dir", "") == "call" && line.value("call", "") == call) {
                out.push_back(line);
            }
        }
        return out;
    }

    std::string log() const { return m_work.log(); }

private:
    void addTitle() {
        // One KLM livery of every test model through the livery tables' own store.
        for (const char* model : {"A320", "B744", "B738"}) {
            const std::uint16_t airline = gf_internOperator("KLM");
            const std::uint16_t modelId = gf_internModel(model);
            g_titlesByAirlineModel[0][airline][modelId].push_back(kTestTitle);
            g_titlesByModel[0][modelId].push_back(kTestTitle);
        }
    }

    void connect() {
        if (SimConnect_Open(&m_handle, "Skyfill", nullptr, 0, nullptr, 0) != SIM_OK) {
            throw std::runtime_error("cannot open the stand-in");
        }
        lf_setupSimConnect(m_handle);
        g_simConnect = m_handle;
        g_simRunning = true;
        g_simHalted = false;
        sync();
    }

    // Waits until the stand-in has handled every call made so far and this side has dispatched every
    // message it sent; dispatching may make calls again, so until nothing is left.
    void sync() {
        for (;;) {
            std::uint32_t last = 0;
            SimConnect_GetLastSentPacketID(m_handle, &last);
            if (last != 0 && !sim().waitForPacket(last)) {
                throw std::runtime_error("the stand-in did not handle a call");
            }
            const std::uint64_t sent = sim().messagesSent();
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (m_received < sent) {
                SIMCONNECT_RECV* message = nullptr;
                std::uint32_t size = 0;
                if (SimConnect_GetNextDispatch(m_handle, &message, &size) == SIM_OK) {
                    ++m_received;
                    lf_dispatch(message, size, nullptr);
                } else if (std::chrono::steady_clock::now() > deadline) {
                    throw std::runtime_error("a message of the stand-in did not arrive");
                } else {
                    std::this_thread::yield();
                }
            }
            std::uint32_t after = 0;
            SimConnect_GetLastSentPacketID(m_handle, &after);
            if (after == last && sim().messagesSent() == m_received) {
                return;
            }
        }
    }

    Options m_options;
    WorkFolder m_work;
    std::optional<StandInHarness> m_sim;
    SimHandle m_handle = 0;
    std::uint64_t m_received = 0;
    std::uint64_t m_steps = 0;
};

// The point `metres` from (lat, lon) on a bearing in degrees.
inline Position offsetPoint(double lat, double lon, double bearingDeg, double metres) {
    return gf_destinationPoint(Position{lat, lon}, bearingDeg * g_degToRad, metres / 0.3048);
}

} // namespace skf::test
