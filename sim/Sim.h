#pragma once
// What the folders above use of sim/: the simulator link, its queues and the user's aircraft. Headers not listed
// here (the *Internal.h ones) are sim/'s own.
#include "sim/AircraftRecords.h" // the aircraft records: common head, flight record, static record
#include "sim/FlightPlans.h"     // the flight-plan files of AI aircraft
#include "sim/PackagesRoot.h"    // detection of the simulator's packages root
#include "sim/SimLink.h"         // the connection state and the SimClient thread
#include "sim/SimLinkState.h"    // the link's state in one owner: connection, queues, user aircraft
#include "sim/SimQueues.h"       // the queues between the engine and the SimClient thread
#include "sim/UserAircraft.h"    // the user's own aircraft
#include "sim/UserStand.h"       // the stand under the user's aircraft
