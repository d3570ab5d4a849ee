// The load generator: each aircraft is flown on a flat local grid around the centre in half-second steps
// and reports at its own interval.
#include "tools/rtreplay/LoadGenerator.h"

#include "core/Units.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fmt/format.h>
#include <pugixml.hpp>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>

namespace skf::rtreplay {

namespace {

constexpr double kStepSeconds = 0.5;
constexpr double kFeetPerNmOnGlideSlope = 318.0; // three degrees

// A runway end of Schiphol as an offset from the default centre (NM east, NM north) and its heading.
struct RunwayEnd {
    double east = 0.0;
    double north = 0.0;
    double heading = 0.0;
};

// Landing thresholds (18R, 06, 18C, 27) and take-off starts (36L, 24, 09, 18L) around the terminal.
constexpr std::array<RunwayEnd, 4> kLandings{
    {{-1.71, 3.09, 181.0}, {-0.82, -1.25, 58.0}, {-0.65, 1.36, 183.0}, {1.97, 0.47, 267.0}}};
constexpr std::array<RunwayEnd, 4> kTakeOffs{
    {{-1.66, -1.28, 1.0}, {0.55, -0.26, 238.0}, {-0.69, 0.48, 87.0}, {-0.95, 1.20, 183.0}}};
constexpr std::array<const char*, 16> kOtherAirports{"LHR", "CDG", "FRA", "MAD", "BCN", "FCO", "CPH", "OSL",
                                                     "ZRH", "VIE", "IST", "JFK", "DXB", "DOH", "SIN", "ATL"};

// Uniform in [0, 1) from the generator's raw output (the same on every standard library).
class Dice {
public:
    explicit Dice(std::uint32_t seed) : m_engine(seed) {}
    double unit() { return static_cast<double>(m_engine()) / 4294967296.0; }
    double between(double low, double high) { return low + (high - low) * unit(); }
    std::size_t index(std::size_t size) { return static_cast<std::size_t>(unit() * static_cast<double>(size)); }

private:
    std::mt19937 m_engine;
};

// An aircraft's state on the local grid.
struct Pose {
    double east = 0.0;  // NM
    double north = 0.0; // NM
    double altitude = 0.0;
    double speed = 0.0; // kt over the ground
    double track = 0.0; // degrees
    double climb = 0.0; // ft/min
    bool ground = false;
};

double lf_wrap(double degrees) {
    degrees = std::fmod(degrees, 360.0);
    return degrees < 0.0 ? degrees + 360.0 : degrees;
}

// Moves the pose along its track for dt seconds.
void lf_advance(Pose& p, double dt) {
    const double distance = p.speed * dt / 3600.0;
    p.east += distance * std::sin(p.track / g_radToDeg);
    p.north += distance * std::cos(p.track / g_radToDeg);
    p.altitude += p.climb * dt / 60.0;
}

// Turns the pose towards a point and moves it there at its speed; true when it got there.
bool lf_goTo(Pose& p, double east, double north, double dt) {
    const double de = east - p.east;
    const double dn = north - p.north;
    const double left = std::hypot(de, dn);
    const double step = p.speed * dt / 3600.0;
    if (left <= step || left < 1e-6) {
        p.east = east;
        p.north = north;
        return true;
    }
    p.track = lf_wrap(std::atan2(de, dn) * g_radToDeg);
    lf_advance(p, dt);
    return false;
}

// A gate of the terminal area (NM east and north of the centre): slots 100 m apart in a box of 1.8 by 1.4 km
// north of the centre, so that no two aircraft stand at one gate, gates are not each other's neighbours
// (stands of 40 m radius closer than 73 m would be), and none is at the user's stand of the stand-in's
// default scenario (south-west of the centre), where it would be removed as in the user's way. The k-th
// aircraft that uses a gate takes slot k x 97 modulo the slot count (97 shares no factor with it):
// distinct slots spread over the area.
struct Gate {
    double east = 0.0;
    double north = 0.0;
};
constexpr int kGateColumns = 19;
constexpr int kGateRows = 15;
constexpr double kGateSpacingNm = 100.0 / g_nmToMetres;

Gate lf_gate(int k) {
    const int slot = (k * 97) % (kGateColumns * kGateRows);
    return {kGateSpacingNm * (slot % kGateColumns - kGateColumns / 2), kGateSpacingNm * (slot / kGateColumns)};
}

// The flight of one aircraft: its pose after each step, by role.
class Flight {
public:
    Flight(LoadRole role, const LoadConfig& config, const Gate& gate, Dice& dice)
        : m_role(role), m_elevation(config.elevationFt), m_gateEast(gate.east), m_gateNorth(gate.north) {
        m_pose.altitude = m_elevation;
        const double bearing = dice.between(0.0, 360.0);
        // Two draws without use, so that the flights drawn after them stay as the tests know them.
        (void)dice.between(-0.5, 0.5);
        (void)dice.between(-0.4, 0.4);
        switch (role) {
        case LoadRole::Cruise:
            m_radius = dice.between(15.0, 33.0);
            m_angle = bearing;
            m_turn = dice.unit() < 0.5 ? 1.0 : -1.0;
            m_pose.altitude = 1000.0 * std::round(dice.between(25.0, 39.0));
            m_pose.speed = dice.between(420.0, 480.0);
            placeOnOrbit();
            break;
        case LoadRole::Descent:
            m_radius = dice.between(10.0, 13.0);
            m_angle = bearing;
            m_turn = dice.unit() < 0.5 ? 1.0 : -1.0;
            m_pose.east = dice.between(28.0, 34.0) * std::sin(bearing / g_radToDeg);
            m_pose.north = dice.between(28.0, 34.0) * std::cos(bearing / g_radToDeg);
            m_pose.altitude = 1000.0 * std::round(dice.between(14.0, 24.0));
            m_pose.speed = dice.between(270.0, 300.0);
            m_pose.climb = -dice.between(1500.0, 2200.0);
            break;
        case LoadRole::Approach: {
            m_runway = kLandings[dice.index(kLandings.size())];
            const double out = dice.between(3.0, 18.0);
            const double back = m_runway.heading + 180.0;
            m_pose.east = m_runway.east + out * std::sin(back / g_radToDeg);
            m_pose.north = m_runway.north + out * std::cos(back / g_radToDeg);
            m_pose.track = m_runway.heading;
            m_pose.speed = 140.0 + 2.0 * out;
            m_pose.altitude = m_elevation + 50.0 + out * kFeetPerNmOnGlideSlope;
            break;
        }
        case LoadRole::Departure:
            m_runway = kTakeOffs[dice.index(kTakeOffs.size())];
            m_waitUntil = dice.between(0.0, 0.6 * config.seconds);
            m_pose.east = m_gateEast;
            m_pose.north = m_gateNorth;
            m_pose.track = dice.between(0.0, 360.0);
            m_pose.ground = true;
            break;
        case LoadRole::Taxi:
            m_pose.east = dice.between(-1.5, 1.5);
            m_pose.north = dice.between(-1.5, 1.5);
            m_pose.track = dice.between(0.0, 360.0);
            m_pose.ground = true;
            nextTaxiTarget(dice);
            break;
        case LoadRole::Parked:
            m_pose.east = m_gateEast;
            m_pose.north = m_gateNorth;
            m_pose.track = 5.0 * std::round(dice.between(0.0, 71.0));
            m_pose.ground = true;
            break;
        }
    }

    [[nodiscard]] const Pose& pose() const { return m_pose; }

    void step(double t, Dice& dice) {
        switch (m_role) {
        case LoadRole::Cruise:
            m_angle += m_turn * m_pose.speed * kStepSeconds / 3600.0 / m_radius * g_radToDeg;
            placeOnOrbit();
            break;
        case LoadRole::Descent:
            descend();
            break;
        case LoadRole::Approach:
            approach();
            break;
        case LoadRole::Departure:
            depart(t);
            break;
        case LoadRole::Taxi:
            if (t < m_waitUntil)
                break;
            m_pose.speed = m_taxiSpeed;
            if (lf_goTo(m_pose, m_targetEast, m_targetNorth, kStepSeconds)) {
                m_pose.speed = 0.0;
                m_waitUntil = t + dice.between(15.0, 60.0);
                nextTaxiTarget(dice);
            }
            break;
        case LoadRole::Parked:
            break;
        }
    }

private:
    void placeOnOrbit() {
        m_pose.east = m_radius * std::sin(m_angle / g_radToDeg);
        m_pose.north = m_radius * std::cos(m_angle / g_radToDeg);
        m_pose.track = lf_wrap(m_angle + 90.0 * m_turn);
    }

    void nextTaxiTarget(Dice& dice) {
        m_targetEast = dice.between(-1.5, 1.5);
        m_targetNorth = dice.between(-1.5, 1.5);
        m_taxiSpeed = dice.between(10.0, 20.0);
    }

    void descend() {
        if (m_pose.altitude <= 4000.0 && m_pose.climb < 0.0) {
            m_pose.altitude = 4000.0;
            m_pose.climb = 0.0;
        }
        if (m_holding) {
            m_angle += m_turn * m_pose.speed * kStepSeconds / 3600.0 / m_radius * g_radToDeg;
            placeOnOrbit();
            m_pose.altitude += m_pose.climb * kStepSeconds / 60.0;
            return;
        }
        m_pose.speed = std::max(220.0, m_pose.speed - 0.1 * kStepSeconds);
        const double r = std::hypot(m_pose.east, m_pose.north);
        if (r <= m_radius) {
            m_holding = true;
            m_radius = r;
            m_angle = lf_wrap(std::atan2(m_pose.east, m_pose.north) * g_radToDeg);
            return;
        }
        lf_goTo(m_pose, 0.0, 0.0, kStepSeconds);
    }

    void approach() {
        if (!m_pose.ground) {
            m_pose.speed = std::max(135.0, m_pose.speed - 0.05 * kStepSeconds);
            m_pose.climb = -m_pose.speed * kFeetPerNmOnGlideSlope / 60.0;
            lf_advance(m_pose, kStepSeconds);
            // Distance to the threshold along the final: the glide slope's height, touch-down behind it.
            const double left = (m_runway.east - m_pose.east) * std::sin(m_runway.heading / g_radToDeg) +
                                (m_runway.north - m_pose.north) * std::cos(m_runway.heading / g_radToDeg);
            m_pose.altitude = m_elevation + 50.0 + left * kFeetPerNmOnGlideSlope;
            if (m_pose.altitude <= m_elevation) {
                m_pose.ground = true;
                m_pose.climb = 0.0;
                m_pose.altitude = m_elevation;
            }
            return;
        }
        if (!m_taxiing) { // the roll-out, braking to taxi speed
            m_pose.speed = std::max(18.0, m_pose.speed - 2.5 * kStepSeconds);
            lf_advance(m_pose, kStepSeconds);
            m_taxiing = m_pose.speed <= 18.0;
            return;
        }
        if (m_pose.speed > 0.0 && lf_goTo(m_pose, m_gateEast, m_gateNorth, kStepSeconds))
            m_pose.speed = 0.0; // at the gate
    }

    void depart(double t) {
        if (t < m_waitUntil)
            return;
        if (!m_rolling) {
            // Taxi out to the runway: the terminal area lies north, 20 kt keep the take-offs within minutes.
            m_pose.speed = 20.0;
            if (lf_goTo(m_pose, m_runway.east, m_runway.north, kStepSeconds)) {
                m_rolling = true;
                m_pose.speed = 0.0;
                m_pose.track = m_runway.heading;
            }
            return;
        }
        if (m_pose.ground) {
            m_pose.speed += 3.0 * kStepSeconds;
            lf_advance(m_pose, kStepSeconds);
            if (m_pose.speed >= 150.0) {
                m_pose.ground = false;
                m_pose.climb = 2500.0;
            }
            return;
        }
        m_pose.speed = std::min(280.0, m_pose.speed + 1.0 * kStepSeconds);
        if (m_pose.altitude >= 10000.0)
            m_pose.climb = 1500.0;
        lf_advance(m_pose, kStepSeconds);
    }

    LoadRole m_role;
    double m_elevation;
    double m_gateEast;
    double m_gateNorth;
    Pose m_pose;
    double m_radius = 0.0;
    double m_angle = 0.0;
    double m_turn = 1.0;
    bool m_holding = false;
    RunwayEnd m_runway;
    bool m_taxiing = false;
    bool m_rolling = false;
    double m_targetEast = 0.0;
    double m_targetNorth = 0.0;
    double m_taxiSpeed = 15.0;
    double m_waitUntil = 0.0;
};

// Each aircraft takes a different airframe while there are enough of them: the airframes shuffled, the first
// draws of the load's dice.
std::vector<std::size_t> lf_airframeOrder(Dice& dice, std::size_t count) {
    std::vector<std::size_t> order(count);
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    for (std::size_t i = order.size(); i > 1; --i)
        std::swap(order[i - 1], order[dice.index(i)]);
    return order;
}

std::set<std::string> lf_typesOf(const pugi::xml_node& section) {
    std::set<std::string> types;
    for (const pugi::xml_node& list : section.children()) {
        std::istringstream in(list.attribute("types").as_string());
        std::string type;
        while (std::getline(in, type, ',')) {
            type.erase(std::remove(type.begin(), type.end(), ' '), type.end());
            if (!type.empty())
                types.insert(type);
        }
    }
    return types;
}

// The emitter category by size: heavy, large, else light.
std::string lf_category(const std::string& type, const std::set<std::string>& heavy,
                        const std::set<std::string>& large) {
    if (heavy.contains(type))
        return "A5";
    return large.contains(type) ? "A3" : "A1";
}

std::string lf_line(std::uint32_t id, const Pose& p, const LoadConfig& config, const Airframe& frame,
                    const std::string& callsign, const std::string& route, const std::string& category, double t) {
    const double latitude = config.centreLatitude + p.north / 60.0;
    const double longitude = config.centreLongitude + p.east / (60.0 * std::cos(config.centreLatitude / g_radToDeg));
    const long altitude = p.ground ? 0L : std::lround(p.altitude);
    const long airspeed = p.ground ? -1L : std::lround(p.speed + 10.0);
    return fmt::format(
        "TFC,{},{:.5f},{:.5f},{},{},{},{:.1f},{},{},{},{},{},{:.2f},,,adsb_icao,,,{},,,-1.0,,{:.1f},,,{}", id, latitude,
        longitude, altitude, std::lround(p.climb), p.ground ? 0 : 1, p.track, std::lround(p.speed), callsign,
        frame.type, frame.registration, route, config.epoch + t, airspeed, p.track, category);
}

} // namespace

std::vector<Airframe> readAirframes(const std::filesystem::path& dbaseXml) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_file(dbaseXml.c_str());
    if (!parsed)
        throw std::runtime_error(fmt::format("cannot read {}: {}", dbaseXml.string(), parsed.description()));
    const pugi::xml_node root = doc.child("root");
    std::set<std::string> excluded = lf_typesOf(root.child("rotorcraft"));
    excluded.merge(lf_typesOf(root.child("high_performance")));
    std::vector<Airframe> frames;
    for (const pugi::xml_node& d : root.child("dbase").children("d")) {
        Airframe frame{d.attribute("r").as_string(), d.attribute("a").as_string(), d.attribute("m").as_string()};
        if (frame.registration.empty() || frame.registration.size() > 12 || frame.airline.size() != 3 ||
            frame.airline == "PVT" || frame.type.empty() || frame.type.size() > 4 || excluded.contains(frame.type))
            continue;
        frames.push_back(std::move(frame));
    }
    if (frames.empty())
        throw std::runtime_error(fmt::format("{} holds no airframes", dbaseXml.string()));
    return frames;
}

std::vector<Airframe> loadAirframes(const LoadConfig& config, const std::vector<Airframe>& airframes) {
    std::vector<Airframe> flown;
    if (airframes.empty() || config.aircraft <= 0)
        return flown;
    Dice dice(config.seed);
    const std::vector<std::size_t> order = lf_airframeOrder(dice, airframes.size());
    for (int n = 0; n < config.aircraft; ++n)
        flown.push_back(airframes[order[static_cast<std::size_t>(n) % order.size()]]);
    return flown;
}

LoadRole loadRole(int n) {
    // Twenty aircraft in a row hold the whole mix, so that every load of twenty or more has all of it.
    static constexpr std::array<LoadRole, 20> kMix{
        LoadRole::Cruise, LoadRole::Approach, LoadRole::Parked, LoadRole::Descent,   LoadRole::Taxi,
        LoadRole::Cruise, LoadRole::Approach, LoadRole::Parked, LoadRole::Departure, LoadRole::Taxi,
        LoadRole::Cruise, LoadRole::Approach, LoadRole::Parked, LoadRole::Descent,   LoadRole::Taxi,
        LoadRole::Cruise, LoadRole::Approach, LoadRole::Parked, LoadRole::Departure, LoadRole::Descent};
    return kMix[static_cast<std::size_t>(n) % kMix.size()];
}

namespace {

// The feed, and the gates when asked for: both come from one run of the flights, whose dice draws depend
// on every aircraft before.
std::vector<FeedLine> lf_generate(const LoadConfig& config, const std::vector<Airframe>& airframes,
                                  std::vector<LoadGate>* gates) {
    std::vector<FeedLine> feed;
    if (airframes.empty() || config.aircraft <= 0)
        return feed;
    Dice dice(config.seed);
    const std::vector<std::size_t> order = lf_airframeOrder(dice, airframes.size());
    const std::set<std::string> heavy = {"A306", "A310", "A332", "A333", "A338", "A339", "A343", "A346",
                                         "A359", "A35K", "A388", "B744", "B748", "B762", "B763", "B764",
                                         "B772", "B77L", "B773", "B77W", "B788", "B789", "B78X", "MD11"};
    const std::set<std::string> large = {"A318", "A319", "A320", "A321", "A19N", "A20N", "A21N", "BCS1", "BCS3",
                                         "B712", "B733", "B734", "B735", "B736", "B737", "B738", "B739", "B37M",
                                         "B38M", "B39M", "B752", "B753", "MD82", "MD88", "E170", "E175", "E190",
                                         "E195", "E290", "E295", "E145", "CRJ2", "CRJ7", "CRJ9", "CRJX"};
    const auto steps = static_cast<long>(config.seconds / kStepSeconds);
    int gatesTaken = 0;
    for (int n = 0; n < config.aircraft; ++n) {
        const LoadRole role = loadRole(n);
        const Airframe& frame = airframes[order[static_cast<std::size_t>(n) % order.size()]];
        // 7919 and 9000 share no factor: callsigns differ for the first 9,000 aircraft.
        const std::string callsign = fmt::format("{}{}", frame.airline, 100 + (n * 7919) % 9000);
        const std::string other = kOtherAirports[dice.index(kOtherAirports.size())];
        const bool inbound = role == LoadRole::Descent || role == LoadRole::Approach ||
                             (role == LoadRole::Parked && n % 2 == 0) || (role == LoadRole::Taxi && n % 2 == 0);
        const std::string route = role == LoadRole::Cruise
                                      ? other + "," + kOtherAirports[(n * 5) % kOtherAirports.size()]
                                      : (inbound ? other + ",AMS" : "AMS," + other);
        const std::string category = lf_category(frame.type, heavy, large);
        // Reports fall on the flight's steps, so that each one holds the pose of its own time.
        const double interval =
            kStepSeconds *
            std::round(dice.between(config.minIntervalSeconds, config.maxIntervalSeconds) / kStepSeconds);
        double next = kStepSeconds * static_cast<double>(dice.index(static_cast<std::size_t>(interval / kStepSeconds)));
        const bool atGate = role == LoadRole::Parked || role == LoadRole::Departure || role == LoadRole::Approach;
        Flight flight(role, config, atGate ? lf_gate(gatesTaken++) : Gate{}, dice);
        if (gates != nullptr && (role == LoadRole::Parked || role == LoadRole::Departure)) {
            const Pose& p = flight.pose();
            gates->push_back({config.centreLatitude + p.north / 60.0,
                              config.centreLongitude + p.east / (60.0 * std::cos(config.centreLatitude / g_radToDeg)),
                              p.track});
        }
        const auto id = config.firstTrafficId + static_cast<std::uint32_t>(n);
        for (long s = 0; s <= steps && next < config.seconds; ++s) {
            const double t = static_cast<double>(s) * kStepSeconds;
            if (t + kStepSeconds / 2.0 > next) {
                feed.push_back({t, lf_line(id, flight.pose(), config, frame, callsign, route, category, t)});
                next += interval;
            }
            flight.step(t, dice);
        }
    }
    std::stable_sort(feed.begin(), feed.end(),
                     [](const FeedLine& a, const FeedLine& b) { return a.offset < b.offset; });
    return feed;
}

} // namespace

std::vector<FeedLine> generateLoad(const LoadConfig& config, const std::vector<Airframe>& airframes) {
    return lf_generate(config, airframes, nullptr);
}

std::vector<LoadGate> loadGates(const LoadConfig& config, const std::vector<Airframe>& airframes) {
    std::vector<LoadGate> gates;
    (void)lf_generate(config, airframes, &gates);
    return gates;
}

} // namespace skf::rtreplay
