#pragma once
// The user aircraft's message handlers; used inside sim/ only.
#include "sim/UserAircraft.h"

namespace skf {

// Handlers of the user requests (SimClient thread, from the dispatch).
void lf_onUserOnGround(const SIMCONNECT_RECV_SIMOBJECT_DATA& message);
void lf_onUserPosition(const SIMCONNECT_RECV_SIMOBJECT_DATA& message);
void lf_onUserTitle(const SIMCONNECT_RECV_SIMOBJECT_DATA& message);
void lf_onUserModel(const SIMCONNECT_RECV_SIMOBJECT_DATA& message);

// The model correction and wingspan step of lf_onUserModel, on the model text (throws UserErrorException 73).
void lf_identifyUserModel(const std::string& model);

} // namespace skf
