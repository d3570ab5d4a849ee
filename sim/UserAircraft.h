#pragma once
// The user's own aircraft: where it is, whether it stands on the ground and on which stand, the simulator's
// UTC time, and how big it is.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace skf {

struct SIMCONNECT_RECV_SIMOBJECT_DATA;

// The 96-byte block of definition 403, as received.
struct UserAircraftBlock {
    double latitude = 0.0;       // degrees
    double longitude = 0.0;      // degrees
    double pitch = 0.0;          // radians
    double bank = 0.0;           // radians
    double heading = 0.0;        // true, radians
    double altitude = 0.0;       // feet
    double altAboveGround = 0.0; // feet
    double groundSpeed = 0.0;    // knots
    std::int64_t zuluTime = 0;   // seconds of the UTC day
    std::int64_t dayOfYear = 0;  // 1-based
    std::int64_t year = 0;
    std::int64_t lightStates = 0;
};
static_assert(sizeof(UserAircraftBlock) == 96);

// The user aircraft state read by the engine and the window.
struct UserAircraftState {
    UserAircraftBlock block;
    std::uint8_t onGround = 0;
    std::uint8_t known = 0; // set once user data with a position has arrived
};

// Whether a block holds a position (latitude or longitude farther than 0.0001 from 0).
bool gf_holdsPosition(double latitude, double longitude);

// g_userAircraft: its block is written by gf_requestUserPosition (engine thread), its ground flags by the
// SimClient thread; every access is a whole copy under its own mutex.
class SharedUserAircraft {
public:
    UserAircraftState get() const;
    void setBlock(const UserAircraftBlock& block);
    // g_userAircraft = gf_requestUserPosition(): takes the block; the two ground flags stay as the
    // SimClient thread last set them.
    SharedUserAircraft& operator=(const UserAircraftState& state) {
        setBlock(state.block);
        return *this;
    }
    void setGround(bool onGround);
    void reset();

private:
    mutable std::mutex m_mutex;
    UserAircraftState m_state;
};
extern SharedUserAircraft& g_userAircraft;

// g_userHalfWingspan: the user aircraft's half wingspan in nautical miles; empty until the model is known.
class SharedHalfWingspan {
public:
    std::optional<double> get() const;
    void set(double halfWingspanNm);
    void reset();

private:
    mutable std::mutex m_mutex;
    std::optional<double> m_value;
};
extern SharedHalfWingspan& g_userHalfWingspan;

// The once-a-second tick of the main cycle: set on each answer to the every-second user request.
extern std::atomic<bool>& g_userDataArrived;

// The user aircraft's part of the simulator link's owner (SimLinkState::user, sim/SimLinkState.h); g_userAircraft,
// g_userHalfWingspan and g_userDataArrived are references into it. Each field names the thread or the lock
// that owns it. The reset (gf_resetUserAircraft) gives the values of a fresh one; an assignment cannot, since
// the mutexes are no values.
struct UserAircraftShared {
    SharedUserAircraft aircraft;          // g_userAircraft: the engine writes the block, the SimClient thread
                                          // the ground flags; every access under its own mutex
    SharedHalfWingspan halfWingspan;      // g_userHalfWingspan: the SimClient thread writes, under its mutex
    std::atomic<bool> dataArrived{false}; // g_userDataArrived: the SimClient thread raises, the main cycle takes
    // The latest received block and the previous position: written on the SimClient thread and copied by the
    // engine thread, both under receivedMutex.
    std::mutex receivedMutex;
    UserAircraftBlock received;
    double previousLat = 0.0;
    double previousLon = 0.0;
    // The title shown in the window: the SimClient thread writes, other threads read it through gf_userTitle;
    // under titleMutex.
    std::mutex titleMutex;
    std::string title;
    std::string shownStandName; // the engine thread only
    // The reserved-stand refreshes asked for and not yet carried out, each with the user aircraft as it was
    // when asked (oldest first, at most kMaxStandRefreshes): raised by the SimClient thread, taken by the
    // engine, under standRefreshMutex.
    std::mutex standRefreshMutex;
    std::vector<UserAircraftState> standRefreshes;
    std::atomic<bool> badTimeLogged{false};      // an implausible simulator time was logged in this run
    std::atomic<unsigned> refusedPartsLogged{0}; // the UserBlockPart bits refused and logged in this run
};

// Requests the user aircraft's title and ATC model once each (start of a run).
void gf_requestUserAircraftInfo();
// Requests the user aircraft block once (unless the queues are halted) and copies the answer of the
// previous request into g_userAircraft; returns that copy. Engine thread, every 100 steps. Also keeps the
// stand under the user aircraft up to date in the main window; its caller then carries out a pending
// reserved-stand refresh (gf_runUserStandRefresh, traffic/EngineServices.h).
UserAircraftState gf_requestUserPosition();
void gf_requestUserPosition(UserAircraftState& destination);

// Copy of the latest received block (taken under its mutex).
UserAircraftBlock gf_receivedUserBlock();
// The user title (at most 48 characters).
std::string gf_userTitle();

// The reserved-stand refresh (flight load, new flight file, end of the SimClient thread) is a request: the
// SimClient thread only raises it, since the stand table and the park-airport list belong to the engine;
// the engine's thread takes it and carries it out on the park-airport list (gf_runUserStandRefresh,
// traffic/EngineServices.h). The request keeps the user aircraft of its moment: the position received by
// then, not the one the engine finds when it gets to the request (the user may have moved on meanwhile).
void gf_requestUserStandRefresh();
// Takes the raised refreshes (engine thread), oldest first: for each, the name of the stand under the user
// aircraft of its moment when it was known, rolled at most 2 kn and stood on a stand. Empty when none was
// raised since the last take, or none stood on a stand.
std::vector<std::string> gf_takeUserStandRefresh();
// A peer that repeats flight loads without end keeps no more than this many refreshes waiting: the last
// ones, which are the ones that count.
inline constexpr std::size_t kMaxStandRefreshes = 8;

// Values from the simulator that no aircraft can have are refused before they are used (a broken simulator,
// or whatever sits on its socket): heights and altitudes in feet from below the Dead Sea's shore to above any
// aircraft, angles in radians within a full turn either way, ground speeds in knots up to a re-entering
// capsule's.
inline constexpr double kLowestAltitudeFt = -2000.0;
inline constexpr double kHighestAltitudeFt = 200000.0;
inline constexpr double kHighestGroundSpeedKn = 20000.0;
[[nodiscard]] bool gf_plausibleHeightFt(double feet);
[[nodiscard]] bool gf_plausibleAngleRad(double radians);

// The user block as it may be used: each implausible part of received (position, altitude, height above
// ground, heading, pitch and bank, ground speed) replaced by the same part of lastGood. Returns the refused
// parts as bits of UserBlockPart.
enum UserBlockPart : unsigned {
    kUserPosition = 1U << 0,
    kUserAltitude = 1U << 1,
    kUserHeightAboveGround = 1U << 2,
    kUserHeading = 1U << 3,
    kUserAttitude = 1U << 4,
    kUserGroundSpeed = 1U << 5,
};
unsigned gf_keepPlausibleUserBlock(UserAircraftBlock& received, const UserAircraftBlock& lastGood);

// The simulator time of a block: seconds since 1970-01-01 UTC (0 for a time before it). None when the
// year, day of the year or time of day is no plausible value (years 1 to 9999, days 1 to 366, seconds 0 to
// 86400, a leap second included): the block comes from outside and is never computed with then.
std::optional<std::uint64_t> gf_simEpochOf(const UserAircraftBlock& block);

// Gives the user part of the simulator link the values of a fresh one, each field under its own lock: the half
// wingspan, user state, once-a-second tick, received block, previous position, remembered title and stand
// name, a raised stand refresh and what was logged once per run (the reset of a run; no SimClient thread
// runs).
void gf_resetUserAircraft();

} // namespace skf
