// The world of the real-feed tests: a park airport with a runway threshold at (kFeedLat, kFeedLon), stands
// placed by the test, and routes that a feed reports as a real one does (legs at a speed each, stops, steady
// climbs and descents), so that a test says where an aircraft goes and the route says what the feed reports
// at any second.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "EngineHarness.h"
#include "data/apf/Stand.h"
#include "traffic/EngineInternal.h"

namespace skf::test {

inline constexpr double kFeedLat = 52.0;
inline constexpr double kFeedLon = 4.0;
inline constexpr double kKnots = 0.514444; // metres a second

inline EngineHarness::Options feedWorld() {
    EngineHarness::Options o;
    o.scenario.areas = {{"TEST", kFeedLat, kFeedLon, 40.0, 0.0}};
    o.scenario.path = {standin::Waypoint{0.0, kFeedLat + 4.0 / 60.0, kFeedLon, std::nullopt, 0.0, false, "parked"}};
    o.scenario.foreign.clear();
    return o;
}

inline void setFeedParkAirport() {
    g_parkAirport = Airport{};
    g_parkAirport.icao = FixedCode<4>("EHAM");
    g_parkAirport.iata = FixedCode<3>("AMS");
    g_parkAirport.latitude = kFeedLat;
    g_parkAirport.longitude = kFeedLon;
    g_parkAirport.altitude = 0.0F;
}

// Stands side by side, `apartMetres` apart west to east, noses to the north; the first at `first`.
inline void setFeedStands(const Position& first, const std::vector<std::string>& names, double radiusMetres,
                          double apartMetres) {
    g_stands.clear();
    std::int32_t sid = 0;
    for (const std::string& name : names) {
        const Position p = offsetPoint(first.latitude, first.longitude, 90.0, apartMetres * sid);
        Stand s(name, {}, p.latitude, p.longitude, 0.0, radiusMetres, false, false, false);
        s.sid = ++sid;
        g_stands.push_back(std::move(s));
    }
}

// One leg of a route: `metres` along `bearing` at `knots` (a stop of `seconds` when metres is 0), the altitude
// going from `feetFrom` to `feetTo`.
struct Leg {
    double bearing = 0.0;
    double metres = 0.0;
    double knots = 0.0;
    double seconds = 0.0;
    double feetFrom = 0.0;
    double feetTo = 0.0;
};

inline Leg stop(double seconds) {
    return Leg{0.0, 0.0, 0.0, seconds, 0.0, 0.0};
}

// What a feed reports of an aircraft that follows its legs from `start` (the last position stays).
struct Route {
    Position start;
    std::vector<Leg> legs;

    Report at(double t) const {
        Position p = start;
        double track = legs.empty() ? 0.0 : legs.front().bearing;
        for (const Leg& leg : legs) {
            const double length = leg.metres > 0.0 ? leg.metres / (leg.knots * kKnots) : leg.seconds;
            if (leg.metres > 0.0) {
                track = leg.bearing;
            }
            if (t < length) {
                if (leg.metres <= 0.0) {
                    return Report{p.latitude, p.longitude, 0.0, 0.0, track, 0.0};
                }
                const double share = t / length;
                const Position q = offsetPoint(p.latitude, p.longitude, leg.bearing, leg.metres * share);
                const double feet = leg.feetFrom + (leg.feetTo - leg.feetFrom) * share;
                return Report{q.latitude, q.longitude, feet,
                              leg.knots,  leg.bearing, (leg.feetTo - leg.feetFrom) / length * 60.0};
            }
            t -= length;
            if (leg.metres > 0.0) {
                p = offsetPoint(p.latitude, p.longitude, leg.bearing, leg.metres);
            }
        }
        return Report{p.latitude, p.longitude, 0.0, 0.0, track, 0.0};
    }

    // Seconds until the route ends.
    double length() const {
        double total = 0.0;
        for (const Leg& leg : legs) {
            total += leg.metres > 0.0 ? leg.metres / (leg.knots * kKnots) : leg.seconds;
        }
        return total;
    }

    Position end() const {
        Position p = start;
        for (const Leg& leg : legs) {
            if (leg.metres > 0.0) {
                p = offsetPoint(p.latitude, p.longitude, leg.bearing, leg.metres);
            }
        }
        return p;
    }
};

// What became of the one aircraft of a scenario: the phases it went through, its creations and removals.
struct FeedOutcome {
    std::vector<FlightPhase> phases;
    std::size_t creations = 0;
    std::size_t removals = 0;

    bool went(FlightPhase phase) const { return std::find(phases.begin(), phases.end(), phase) != phases.end(); }
};

inline FeedOutcome runFeed(EngineHarness& h, std::uint64_t steps, const std::function<void(std::uint64_t)>& feed) {
    FeedOutcome o;
    h.run(steps, [&](std::uint64_t step) {
        feed(step);
        if (!g_liveAircraft.empty() && (o.phases.empty() || o.phases.back() != g_liveAircraft.front().phase)) {
            o.phases.push_back(g_liveAircraft.front().phase);
        }
    });
    o.creations = h.calls("AICreateNonATCAircraft").size();
    o.removals = h.sim().removedObjects().size();
    return o;
}

} // namespace skf::test
