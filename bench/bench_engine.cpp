// The traffic engine's 10 ms step with 50 to 1,000 live aircraft (60 % cruise or descent, 20 % approach and
// landing, 20 % on the ground), each fed a report every 2 to 5 s, over 60,000 steps: p50, p99 and max of
// the step and the allocations per step. Also the range-data burst (one message per aircraft every 20
// steps) and the intake of 100 to 400 records a second through the traffic queue (queue length, age of the
// filed records). Also the once-a-second work at 1,000 live and 500 static aircraft. No simulator: the step's
// SimConnect requests are skipped without a connection, the position buffers swap as in the program.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <new>
#include <random>
#include <vector>

#include "core/Geometry.h"
#include "core/settings/Catalogue.h"
#include "data/Dbase.h"
#include "data/StringPool.h"
#include "data/apf/ParkApf.h"
#include "feed/TrafficQueue.h"
#include "sim/SimLink.h"
#include "sim/SimQueues.h"
#include "sim/UserAircraft.h"
#include "traffic/EngineInternal.h"
#include "traffic/EngineServices.h"
#include "traffic/EngineServicesInternal.h"

namespace {
std::atomic<std::uint64_t> g_allocations{0};
}

// Every allocation of the program is counted; the replaced operators pair malloc with free.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

using namespace skf;
using Clock = std::chrono::steady_clock;

constexpr double kAirportLat = 52.0;
constexpr double kAirportLon = 4.0;

enum class Kind { Cruise, Approach, Ground };

struct Report {
    double lat, lon, altitude, groundSpeed, track, vs;
};

// One scripted aircraft: a straight leg (in the air) or a taxi square (on the ground) as a function of time.
struct Script {
    Kind kind = Kind::Cruise;
    std::uint32_t trafficId = 0;
    double lat0 = 0, lon0 = 0, track = 0, speed = 0, alt0 = 0, vs = 0;
    int everySteps = 300;
    int offset = 0;

    Report at(double t) const {
        if (kind == Kind::Ground) {
            // 15 kn around a square of 600 m sides.
            const double metres = std::fmod(t * speed * 0.514444, 2400.0);
            const int side = static_cast<int>(metres / 600.0);
            const double along = metres - side * 600.0;
            const double headings[4] = {0.0, 90.0, 180.0, 270.0};
            Position p{lat0, lon0};
            for (int s = 0; s < side; ++s)
                p = gf_destinationPoint(p, headings[s] * g_degToRad, 600.0 / 0.3048);
            p = gf_destinationPoint(p, headings[side] * g_degToRad, along / 0.3048);
            return Report{p.latitude, p.longitude, 0.0, speed, headings[side], 0.0};
        }
        const Position p = gf_destinationPoint(Position{lat0, lon0}, track * g_degToRad, t * speed * 0.514444 / 0.3048);
        return Report{p.latitude, p.longitude, std::max(alt0 + vs * t / 60.0, 300.0), speed, track, vs};
    }
};

QueuedTraffic lf_record(const Script& s, double t, std::uint32_t step) {
    const auto r = s.at(t);
    QueuedTraffic q;
    q.record.callsign = "KLM" + std::to_string(s.trafficId);
    q.record.modelId = gf_internModel("A320");
    q.point.latitude = r.lat;
    q.point.longitude = r.lon;
    q.point.altitude = r.altitude;
    q.point.groundSpeed = r.groundSpeed;
    q.point.trueAirspeed = r.groundSpeed;
    q.point.track = r.track;
    q.point.verticalSpeed = r.vs;
    q.point.airborne = r.altitude > 0.0;
    q.point.dueStep = gf_dueStepFrom(step);
    q.timestamp = 1.0e9 + t;
    q.trafficId = s.trafficId;
    return q;
}

std::vector<Script> lf_scripts(int count) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<Script> scripts;
    for (int i = 0; i < count; ++i) {
        Script s;
        s.trafficId = 20001 + static_cast<std::uint32_t>(i);
        const double share = static_cast<double>(i) / count;
        s.kind = share < 0.6 ? Kind::Cruise : (share < 0.8 ? Kind::Approach : Kind::Ground);
        const double bearing = unit(random) * 360.0;
        const Position from = gf_destinationPoint(Position{kAirportLat, kAirportLon}, bearing * g_degToRad,
                                                  (s.kind == Kind::Approach ? 12.0 : 60.0) * g_feetPerNm);
        s.lat0 = from.latitude;
        s.lon0 = from.longitude;
        s.everySteps = 200 + static_cast<int>(unit(random) * 300.0);
        s.offset = static_cast<int>(unit(random) * s.everySteps);
        switch (s.kind) {
        case Kind::Cruise:
            s.track = unit(random) * 360.0;
            s.speed = 250.0 + unit(random) * 200.0;
            s.alt0 = 10000.0 + unit(random) * 25000.0;
            s.vs = unit(random) < 0.5 ? 0.0 : -1500.0;
            break;
        case Kind::Approach:
            s.track = std::fmod(bearing + 180.0, 360.0);
            s.speed = 150.0;
            s.alt0 = 3800.0;
            s.vs = -800.0;
            break;
        case Kind::Ground: {
            const Position near = gf_destinationPoint(Position{kAirportLat, kAirportLon}, bearing * g_degToRad,
                                                      unit(random) * 2.0 * g_feetPerNm);
            s.lat0 = near.latitude;
            s.lon0 = near.longitude;
            s.speed = 15.0;
            break;
        }
        }
        scripts.push_back(s);
    }
    return scripts;
}

void lf_setUp() {
    static bool done = false;
    if (!done) {
        const std::uint16_t id = gf_internModel("A320");
        g_modelCodes.insert("A320");
        g_largeModelIds.insert(id);
        g_halfWingspans.at(id) = 17.0 / 1852.0;
        done = true;
    }
    gf_resetEngine();
    gf_startEngine();
    g_simConnect = 0;
    g_parkAirport = Airport{};
    g_parkAirport.icao = FixedCode<4>("EHAM");
    g_parkAirport.iata = FixedCode<3>("AMS");
    g_parkAirport.latitude = kAirportLat;
    g_parkAirport.longitude = kAirportLon;
    RANGE.set(200);
    MAX_LIVE_SEL.set(2000);
    AIRBORNE_ONLY.set(false);
    COLLISION_USER_AIR.set(false);
    COLLISION_USER_GND.set(false);
}

// Puts every aircraft in the air or on the ground, active, with its first reports, as after its creation.
void lf_makeActive(const std::vector<Script>& scripts) {
    const std::uint32_t step = g_stepCounter.load();
    for (const Script& s : scripts) {
        for (int k = 0; k < 3; ++k) {
            auto q = lf_record(s, k * s.everySteps / 100.0, step + static_cast<std::uint32_t>(k * s.everySteps));
            q.point.dueStep = static_cast<std::int32_t>(step + static_cast<std::uint32_t>(k * s.everySteps));
            lf_addTrafficRecord(q);
        }
    }
    std::uint32_t objectId = 100;
    for (LiveAircraft& a : g_liveAircraft) {
        a.simStatus = SimStatus::active;
        a.objectId = objectId++;
        a.phase = a.stream.front().airborne ? FlightPhase::flying : FlightPhase::taxi;
        a.onGround = !a.stream.front().airborne;
        a.position.latitude = a.stream.front().latitude;
        a.position.longitude = a.stream.front().longitude;
        a.position.altitude = a.stream.front().altitude;
        a.staticCgFt = 7.5;
    }
}

void BM_EngineStep(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const bool burst = state.range(1) != 0;
    constexpr int kSteps = 60000;
    for (auto _ : state) {
        lf_setUp();
        const auto scripts = lf_scripts(count);
        lf_makeActive(scripts);
        std::vector<double> micros;
        micros.reserve(kSteps);
        std::uint64_t allocations = 0;
        std::uint64_t steadyAllocations = 0;
        for (int i = 0; i < kSteps; ++i) {
            const std::uint32_t step = g_stepCounter.load();
            for (const Script& s : scripts) {
                if ((i + s.offset) % s.everySteps == 0) {
                    auto q = lf_record(s, i / 100.0 + 0.01 * s.everySteps * 3, step);
                    lf_addTrafficRecord(q);
                }
            }
            if (burst && i % 20 == 0) {
                for (const LiveAircraft& a : g_liveAircraft) {
                    gf_pushSimMessage(SimMessage{a.objectId, a.onGround ? 1U : 0U, SimMessageKind::knownInRange, 0.0,
                                                 a.onGround ? 7.5 : a.position.altitude});
                }
            }
            const std::uint64_t before = g_allocations.load(std::memory_order_relaxed);
            const auto start = Clock::now();
            lf_handleAddingStack();
            const auto end = Clock::now();
            const std::uint64_t made = g_allocations.load(std::memory_order_relaxed) - before;
            allocations += made;
            if (i >= kSteps / 2)
                steadyAllocations += made;
            micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
            if (i % 3 == 2) {
                // A simulator frame every third step takes the client events, as the frame handler does; left
                // to grow, the queue's own growth counted as the engine's allocations.
                const std::lock_guard lock(g_simCommandMutex);
                g_eventQueue.clear();
            }
        }
        std::sort(micros.begin(), micros.end());
        state.counters["p50_us"] = micros[micros.size() / 2];
        state.counters["p99_us"] = micros[micros.size() * 99 / 100];
        state.counters["max_us"] = micros.back();
        state.counters["allocs_per_step"] = static_cast<double>(allocations) / kSteps;
        state.counters["steady_allocs_per_step"] = static_cast<double>(steadyAllocations) / (kSteps / 2);
        state.counters["live_at_end"] = static_cast<double>(g_liveAircraft.size());
    }
    gf_resetEngine();
}
BENCHMARK(BM_EngineStep)
    ->ArgsProduct({{50, 200, 500, 1000}, {0, 1}})
    ->ArgNames({"aircraft", "range_burst"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Records a second through the traffic queue, filed by the step (at most two a step): the queue's length
// and the age of the records when they are filed.
void BM_EngineIntake(benchmark::State& state) {
    const int perSecond = static_cast<int>(state.range(0));
    constexpr int kSteps = 60000;
    for (auto _ : state) {
        lf_setUp();
        const auto scripts = lf_scripts(1000);
        {
            std::lock_guard lock(g_addingStackMutex);
            g_liveTrafficOpen = true;
        }
        std::size_t longest = 0;
        double ageSum = 0.0;
        std::uint64_t filed = 0;
        std::uint32_t ageMax = 0;
        double owed = 0.0;
        std::size_t next = 0;
        for (int i = 0; i < kSteps; ++i) {
            owed += perSecond / 100.0;
            const std::uint32_t step = g_stepCounter.load();
            while (owed >= 1.0) {
                gf_pushTraffic(lf_record(scripts[next % scripts.size()], i / 100.0, step));
                ++next;
                owed -= 1.0;
            }
            longest = std::max(longest, gf_trafficQueueSize());
            const std::size_t before = gf_trafficQueueSize();
            lf_handleAddingStack();
            const std::size_t taken = before - std::min(before, gf_trafficQueueSize());
            // The records are filed oldest first: their age is the queue's length in steps at two a step.
            const auto age = static_cast<std::uint32_t>(before / 2);
            ageMax = std::max(ageMax, age);
            ageSum += static_cast<double>(age) * taken;
            filed += taken;
        }
        {
            std::lock_guard lock(g_addingStackMutex);
            g_liveTrafficOpen = false;
        }
        state.counters["longest_queue"] = static_cast<double>(longest);
        state.counters["mean_age_steps"] = filed == 0 ? 0.0 : ageSum / filed;
        state.counters["max_age_steps"] = ageMax;
        state.counters["dropped_total"] = static_cast<double>(gf_trafficQueueDropped());
    }
    gf_resetEngine();
}
BENCHMARK(BM_EngineIntake)->Arg(100)->Arg(200)->Arg(300)->Arg(400)->Iterations(1)->Unit(benchmark::kMillisecond);

// The once-a-second work of the engine with 1,000 live aircraft (a fifth of them on the ground) and 500
// static aircraft: the static removals, the parked-live collection, the user's way on the ground and in the
// air, the callsign list. Target: under 2 ms per second of program time.
void BM_EnginePerSecond(benchmark::State& state) {
    lf_setUp();
    const auto scripts = lf_scripts(1000);
    lf_makeActive(scripts);
    for (int i = 0; i < 500; ++i) {
        ParkedAircraft p;
        p.callsign = "STA" + std::to_string(i) + "*";
        p.registration = "PH-S" + std::to_string(i);
        p.trafficId = static_cast<std::uint32_t>(i + 1);
        p.objectId = 5000 + static_cast<std::uint32_t>(i);
        p.simStatus = SimStatus::active;
        p.halfWingspanNm = 17.0 / 1852.0;
        p.standLat = kAirportLat + (i % 25) * 0.0005;
        p.standLon = kAirportLon + (i / 25) * 0.0008;
        p.standId = i + 1;
        g_parkedAircraft.push_back(p);
    }
    UserAircraftBlock user;
    user.latitude = kAirportLat + 0.3;
    user.longitude = kAirportLon + 0.3;
    user.altAboveGround = 3000.0;
    g_userAircraft.setBlock(user);
    g_userHalfWingspan.set(17.0 / 1852.0);
    for (auto _ : state) {
        gf_removeStaticInTheWay();
        gf_removeStaticDuplicates();
        benchmark::DoNotOptimize(lf_collectParkedLive());
        g_userAircraft.setGround(true);
        gf_avoidUserGroundCollision();
        g_userAircraft.setGround(false);
        gf_avoidUserAirCollision();
        gf_fillLiveCallsignList();
        benchmark::DoNotOptimize(gf_liveParkedHours(true) + gf_staticParkedHours(true));
    }
    gf_resetEngine();
    g_userAircraft.reset();
}
BENCHMARK(BM_EnginePerSecond)->Unit(benchmark::kMicrosecond);

} // namespace
