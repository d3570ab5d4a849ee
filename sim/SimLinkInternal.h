#pragma once
// The SimConnect link's thread body, registrations and dispatch; used inside sim/ and by the tests only.
#include "sim/SimLink.h"

namespace skf {

// The SimClient thread body.
void lf_simClientThread(std::stop_token stop);

// The registrations of one connection (events, data definitions, client events, their group).
void lf_setupSimConnect(SimHandle handle);
void lf_addToEventGroup(SimHandle handle, std::uint32_t eventId);
void lf_closeSimConnect(SimHandle& handle);

// The dispatch procedure given to SimConnect_CallDispatch.
void lf_dispatch(SIMCONNECT_RECV* message, std::uint32_t size, void* context);

} // namespace skf
