#pragma once
// The handlers of received SimConnect messages (SimClient thread); lf_dispatch is declared in SimLink.h.
#include <cstddef>
#include <string>

#include "platform/simconnect/SimConnect.h"

namespace skf {

void lf_onException(const SIMCONNECT_RECV_EXCEPTION* message);
void lf_onOpen(const SIMCONNECT_RECV_OPEN* message);
void lf_onSimObjectData(const SIMCONNECT_RECV_SIMOBJECT_DATA* message);
void lf_onObjectsInRange(const SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE* message);
std::string lf_wrongSimMessage();

// The most objects the added-object list keeps (objects added but not yet seen in range data); past it the
// oldest is forgotten.
inline constexpr std::size_t kMaxAddedObjects = 4096;
// The dispatch's repeated lines start over (the owner's resets, sim/SimQueues.h; no SimClient thread runs).
void gf_resetDispatchState();

} // namespace skf
