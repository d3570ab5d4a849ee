#pragma once
// Traffic engine: what the shell (start-up, run, main cycle, closing down, window commands) uses of it.
//
// All of it runs on the engine's thread (the start-up thread): the window never calls in here, it raises
// requests that the main cycle carries out.

#include "core/Codes.h"
#include "core/ProgramState.h"
#include "traffic/ParkAirports.h"
#include "traffic/Stands.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace skf {

struct LiveAircraft; // traffic/LiveAircraft.h

// The livery tables are about to be emptied (a reset the window asked for, a build from empty tables): the
// engine lets go of every view into their title store, the titles of its aircraft and the queued creations.
// Start-up thread, between runs.
void gf_releaseLiveryViews();
// Carries out what the live traffic feed asked for (feed/FeedRequests.h): RealTraffic lost takes every live
// aircraft out. After each position send and at each drain of the simulator messages.
void gf_carryOutFeedRequests();
// Carries out the reserved-stand refresh the simulator link asked for (gf_takeUserStandRefresh,
// sim/UserAircraft.h): the stand under the user aircraft, where it stood when the refresh was asked for,
// becomes the park airport's reserved stand (gf_reserveUserStand), each refresh in the order asked. After each user
// position request, once a second in the main cycle, and in closing down and gf_closeParkAirport before the park
// airport is closed, since a flight load ends the run before the next position request. True when the park-airport list
// changed.
bool gf_runUserStandRefresh();
// "Parking adjustments": recount, surplus removal, placements to add and remove.
void gf_adjustParking();
// Collision-avoidance removals of COLLISION_USER_GND, COLLISION_USER_AIR and COLLISION_LIVE_PARKED_GND.
void gf_avoidUserGroundCollision();
void gf_avoidUserAirCollision();
void gf_removeStaticInTheWay();
// Removes the static and parked live aircraft at the reserved stand.
void gf_clearReservedStand(std::string_view standName);
// Removes all static aircraft and pending placements, saves the learned stands, clears the park airport.
void gf_closeParkAirport();
// Refills the window's list of live callsigns.
void gf_fillLiveCallsignList();
// Figures (count and parked half hours) of the parked live and static aircraft.
std::uint64_t gf_liveParkedHours(bool includeParkedTime);
std::uint64_t gf_staticParkedHours(bool includeParkedTime);
// Drains the sim-message queue.
void gf_processSimMessages();
// Removes every static aircraft.
void gf_removeAllStatic();
// Removes the active live aircraft farthest from the user (beyond distanceNm when not negative);
// true when none was found.
bool gf_removeFarthestLive(double distanceNm);
// Removes static aircraft whose registration equals that of an active live aircraft on the ground.
void gf_removeStaticDuplicates();
// Removes the static aircraft with the live aircraft's registration or callsign.
void gf_removeStaticTwin(LiveAircraft& aircraft);
// Clears all engine state for a restart.
void gf_resetEngine();
// Empties the object id text, resets the shared callsign list and its combo box.
void gf_resetLiveCallsignList();
// Reserves the engine's containers at the start of a run.
void gf_startEngine();
// The static-parking driver (true on the first call of a run).
void gf_updateStaticParking(bool firstCall);
// True once after a stand file that the driver waits for arrived: the driver is called again at once.
bool gf_takeParkFileArrival();
// Writes output/info/ObjectIdList.txt.
void gf_writeObjectIdList();
// The engine's 10 ms step, for the main cycle.
void gf_handleAddingStack();

// What the main cycle and closing down ask of the engine's live aircraft and caches.
// The next traffic id queued for a stand-option match, taken off the queue (one a second).
std::optional<std::uint32_t> gf_takeStandMatchId();
// Matches the stand option of the live aircraft with that traffic id (once) and removes its static twin.
void gf_matchQueuedStandOption(std::uint32_t trafficId, DayAndSlot now);
// The object id of the first active live aircraft with that callsign.
std::optional<std::uint32_t> gf_activeLiveObjectIdByCallsign(std::string_view callsign);
// Removes the first active live aircraft with that callsign from the simulator; true when one was found.
bool gf_removeActiveLiveByCallsign(std::string_view callsign);
// Live aircraft in sim status active and not parked.
std::uint64_t gf_countActiveLiveNotParked();
// Static placements waiting for creation.
std::uint64_t gf_pendingStaticCount();
// All live aircraft in sim status active.
std::uint64_t gf_countActiveLive();
// Queues the nav-lights event with the value for every active static and every active parked live aircraft.
void gf_setNavLightsOfParked(bool on);
// Empties the spawn cache (the livery title remembered per traffic id) and the ghost callsigns of the run.
void gf_clearSpawnCache();
void gf_clearGhostCallsigns();

} // namespace skf
