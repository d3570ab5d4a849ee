#pragma once
// The park airport: the one airport at a time where static aircraft are shown: where the user aircraft
// stands, or, while it flies, a listed park airport within AIRP_RANGE and below AIRP_HEIGHT. Opens, keeps,
// replaces and closes it, and drives the static-parking calculation.
//
// Called on the engine thread from the main cycle (once at the start of the main loop, then every 16 s)
// and by closing down at the end of a run. Reads the user aircraft's copy (g_userAircraft); never blocks:
// archived stand files are downloaded on workers (data/apf/ApfFetch.h) and read once they arrived.
#include <cstdint>
#include <string>

#include "core/Codes.h"

namespace skf {

struct UserAircraftState;

// A static-parking calculation is due at the next call of gf_updateStaticParking.
extern bool& g_parkingRecalcRequested; // in the engine state (EngineState.h)

// The driver; startUp is true on the first call of a run.
void gf_updateStaticParking(bool startUp);
void lf_updateParkAirportDistances(double latitude, double longitude);
void lf_findParkAirport(const UserAircraftState& user, bool startUp);
void lf_checkParkAirportInSight(const UserAircraftState& user);
bool lf_openParkAirport(const IcaoCode& icao);
void lf_requestParkingCalculation(bool announce);
// Removes every static aircraft and pending placement, sends the parked and taxiing live aircraft away,
// saves the learned stand file and clears the park airport.
void gf_closeParkAirport();
void lf_releaseParkAirport();

// True once after a stand file that the driver waits for arrived (its download runs on a worker).
bool gf_takeParkFileArrival();
// Everything of the static parking and the park airport's state (data/apf/ParkApfState.h) back to its
// start (the engine's reset before a restart); ends the downloads of stand files still running.
void gf_resetParking();
// Room for the working lists of the static parking (the engine's start).
void gf_reserveParking();
// The park airport's reserved stand (empty: none).
std::string gf_reservedStandName();

} // namespace skf
