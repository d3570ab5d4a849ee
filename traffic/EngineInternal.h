#pragma once
// The operations the engine's own files call of each other (step, intake, live aircraft, movement, landing,
// taxi and stands). Engine thread only; nothing here is for the shell (that is EngineServices.h).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "feed/TrafficQueue.h"
#include "traffic/EngineState.h"
#include "traffic/ParkAirports.h"
#include "traffic/Stands.h"

namespace skf {

struct Stand;

// ---- The step and the intake
void lf_popSimQueues();
void lf_requestPeriodicData();
void lf_addTrafficRecord(QueuedTraffic& record);
void lf_prepareNewTraffic(QueuedTraffic& record);
void lf_addNewLiveAc(QueuedTraffic& record);
// The creation record of a live aircraft from its position block, callsign and livery title.
CreationRecord gf_liveCreationRecord(const LiveAircraft& aircraft);

// ---- Live aircraft
bool updateLiveAc(LiveAircraft& aircraft);
void lf_spawnFromBuffer(LiveAircraft& aircraft);
void spawnLiveAc(LiveAircraft& aircraft);
bool lf_dropNearUser(LiveAircraft& aircraft);
std::optional<Stand> lf_standAtSpawn(LiveAircraft& aircraft);
void lf_initialPosition(LiveAircraft& aircraft);
bool lf_checkRespawn(LiveAircraft& aircraft, const QueuedTraffic& record);
void liveryRespawn(LiveAircraft& aircraft);
void lf_removeGhost(std::string_view callsign);
bool lf_isGhostCallsign(std::string_view callsign);
// The air conflict test with the user aircraft (narrow or wide limits); removes the aircraft when true.
bool lf_nearUserAirConflict(LiveAircraft& aircraft, bool wide);
void lf_finishCreated();
void lf_onObjectRemoved(std::uint32_t objectId);

// ---- Movement
void decodeExisting(LiveAircraft& aircraft, StreamPoint point);
bool checkExtendingSituations(LiveAircraft& aircraft, StreamPoint& point);
bool lf_plausiblePoint(LiveAircraft& aircraft, StreamPoint& point);
void nextPosMain(LiveAircraft& aircraft);
void lf_followCurve(LiveAircraft& aircraft);
void lf_extrapolate(LiveAircraft& aircraft, std::int32_t count);
void lf_insertMidpoint(LiveAircraft& aircraft);
void lf_groundTiming(LiveAircraft& aircraft);
void nextPosGround(LiveAircraft& aircraft);
void lf_groundStep(LiveAircraft& aircraft);
void lf_checkStraight(LiveAircraft& aircraft);
void lf_setDueStep(LiveAircraft& aircraft, std::int32_t steps);
void lf_makeTurnCurve(LiveAircraft& aircraft);
double lf_headingChangeAhead(const LiveAircraft& aircraft);
double lf_legSpeed(const StreamPoint& a, const StreamPoint& b, double distanceNm);
// Ends a running extrapolation: lag 3000, lead 3000 (5000 while taking off).
void lf_endExtrapolationLimits(LiveAircraft& aircraft);
// Shrinks the lag and lead limits by 100 towards 1000.
void lf_shrinkLimits(LiveAircraft& aircraft);
// Fills position and heading of the curve at parameter t; false outside the curve.
bool gf_bezierPoint(const TurnCurve& curve, double t, double& latitude, double& longitude, double& heading);

// ---- Removals
// Removes a live aircraft with one line in Log.txt that says why ("          KLM1234  removed: <why>").
void gf_removeLiveWithLine(LiveAircraft& aircraft, std::string_view why);
// Only the line.
void gf_logLiveRemoval(const LiveAircraft& aircraft, std::string_view why);

// ---- Departures that the feed loses at the runway
// The report, after a pause of the feed, shows the aircraft standing or taxiing on the ground rolling fast or
// in the air: it departs from where it is.
bool lf_departsAfterPause(const LiveAircraft& aircraft, const StreamPoint& report);
// Whether such a departure can take off and reach the report within the take-off's lead limit at a plausible
// speed.
bool lf_canCatchUp(const LiveAircraft& aircraft, const StreamPoint& report);
// Lays out a take-off roll from the current position towards the second point when the take-off starts slow
// and that point lies farther than the roll to its speed (the feed lost the roll); else changes nothing.
void lf_layOutTakeOffRoll(LiveAircraft& aircraft);

// ---- Landing and take-off
void lf_configBelow10000(LiveAircraft& aircraft);
void lf_approachOrClimb(LiveAircraft& aircraft);
void lf_cruiseConfig(LiveAircraft& aircraft);
void lf_takeOffStart(LiveAircraft& aircraft);
void lf_takeOff(LiveAircraft& aircraft);
double lf_takeOffClimbRate(const LiveAircraft& aircraft, std::int32_t steps);
bool lf_levelOffTo(LiveAircraft& aircraft, std::size_t index);
bool lf_rotationSpeedReached(const LiveAircraft& aircraft);
bool checkNewPosDuringLanding(LiveAircraft& aircraft, StreamPoint& point);
void lf_goAround(LiveAircraft& aircraft);
void lf_flare(LiveAircraft& aircraft);
void lf_takeOffSequence(LiveAircraft& aircraft);
void lf_landingRollStep(LiveAircraft& aircraft);
void lf_takeOffRollStep(LiveAircraft& aircraft);
void lf_rotation(LiveAircraft& aircraft, std::int32_t steps);
// Touchdown from the range data (on ground reported while in approach or flare).
void lf_touchdown(LiveAircraft& aircraft);
double gf_rotationSpeed(SizeCategory category);
// Spoilers handle and both throttle levers in percent (definition 401), sent at once.
void gf_sendAiControls(const LiveAircraft& aircraft, double spoilers, double throttle);
bool lf_nearParkAirport(const LiveAircraft& aircraft);

// ---- Taxi, parking and push-back
void try2Park(LiveAircraft& aircraft, bool wide);
void drive2Stand(LiveAircraft& aircraft, double latitude, double longitude, double heading);
void lf_arriveAtStand(LiveAircraft& aircraft);
bool lf_standWatch(LiveAircraft& aircraft, StreamPoint& point);
void lf_leaveStand(LiveAircraft& aircraft, StreamPoint& point);
// Before a spawn on a stand cuts the stream: a buffered report that already shows the departure under way.
void lf_departureStartFromBuffer(LiveAircraft& aircraft);
void lf_pullOut(LiveAircraft& aircraft);
void lf_pushBack(LiveAircraft& aircraft);
bool lf_standConflictAtSpawn(std::int32_t standId, LiveAircraft& newcomer);
bool lf_adjacentFree(std::int32_t adjacentId, const LiveAircraft& aircraft, const Stand& stand);
void lf_clearAdjacent(std::int32_t adjacentId, const LiveAircraft& aircraft, const Stand& stand);
void lf_staticMakesWay(const LiveAircraft& aircraft, const Stand& stand);
void lf_clearStandCargo(LiveAircraft& aircraft);

// ---- Shared helpers
// An angle brought into -pi..pi.
double gf_normalisePi(double angle);
// An angle brought into 0..2 pi.
double gf_normaliseTwoPi(double angle);
// Positions equal within 1e-8 degrees in latitude and longitude.
bool gf_samePosition(double lat1, double lon1, double lat2, double lon2);
// Distance in NM between two points of a stream.
double gf_pointDistanceNm(const StreamPoint& a, const StreamPoint& b);
// Logs an engine error at most once a second per text; repeats are counted into the next line.
void gf_logEngineError(const std::string& text);
// The current day and half hour as day x 48 + slot (the park time of a record).
double gf_parkTimeNow();
// The category's tables of the step: maximum climb rate (ft per step) and taxi speed (kn).
// Whether the settings let AI aircraft of the category fly (LIGHT_AIRCRAFT, HIGH_PERF_AIRCRAFT, HELICOPTERS;
// the other categories always). Asked at the intake of new traffic and at every update of a live aircraft.
bool gf_categoryEnabled(SizeCategory category);
double gf_categoryClimbRate(SizeCategory category);
double gf_categoryTaxiSpeed(SizeCategory category);

// ---- The stand logic this engine uses: traffic/Stands.h, traffic/ParkAirports.h
// Keeps the number of parked aircraft at the wanted count (extra 1: the caller is not counted yet).
void gf_enforceMaxPark(std::uint8_t extra);
// The reserved stand's name of the park airport (empty: none).
std::string gf_reservedStandName();
// The static placement and the park airport (built beside this engine): the next static aircraft of the
// pending placements, the reservations of the start, and the reset of the parking state.
void lf_addStaticAircraft();
void gf_reserveParking();
void gf_resetParking();
// Drops every pending static placement for the stand (a live aircraft parks there).
void gf_dropPendingStaticAt(std::int32_t standId);

// ---- The livery matching this engine uses (liveries/LiveryMatching.h) and what it keeps of it
// Forgets the title remembered for a traffic id; true when one was remembered.
bool gf_forgetLiveryTitleForId(std::uint32_t trafficId);
void gf_clearLiveryTitlesById();
// Remembers the title chosen for a traffic id.
void gf_rememberLiveryTitle(std::uint32_t trafficId, std::string_view title);
// The title of the registration-code lists for a registration, if any.
std::optional<std::string_view> gf_regcodeTitle(std::string_view registration);
} // namespace skf
