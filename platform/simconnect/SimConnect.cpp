#include "platform/simconnect/SimConnect.h"

#include <cstdlib>
#include <unistd.h>

namespace skf {

std::size_t gf_simDataBlockSize(const SIMCONNECT_RECV_SIMOBJECT_DATA* msg) {
  return msg == nullptr || msg->dwSize < SIM_DATA_BLOCK_OFFSET ? 0 : msg->dwSize - SIM_DATA_BLOCK_OFFSET;
}

std::string gf_simConnectSocketPath() {
  if (const char* p = std::getenv(SIM_SOCKET_ENV); p != nullptr && *p != '\0') return p;
  if (const char* r = std::getenv("XDG_RUNTIME_DIR"); r != nullptr && *r != '\0')
    return std::string(r) + "/skyfill-simconnect.sock";
  return "/tmp/skyfill-" + std::to_string(::getuid()) + "/simconnect.sock";
}

// Transport not connected yet: every call fails.
SimResult SimConnect_Open(SimHandle* ph, const char*, void*, std::uint32_t, void*, std::uint32_t) {
  if (ph != nullptr) *ph = 0;
  return SIM_E_FAIL;
}
SimResult SimConnect_Close(SimHandle) { return SIM_E_HANDLE; }
SimResult SimConnect_CallDispatch(SimHandle, SimDispatchProc, void*) { return SIM_E_HANDLE; }
SimResult SimConnect_GetNextDispatch(SimHandle, SIMCONNECT_RECV**, std::uint32_t*) { return SIM_E_HANDLE; }
SimResult SimConnect_AddToDataDefinition(SimHandle, std::uint32_t, const char*, const char*, SIMCONNECT_DATATYPE,
                                         float, std::uint32_t) { return SIM_E_HANDLE; }
SimResult SimConnect_RequestDataOnSimObject(SimHandle, std::uint32_t, std::uint32_t, std::uint32_t,
                                            SIMCONNECT_PERIOD, std::uint32_t, std::uint32_t, std::uint32_t,
                                            std::uint32_t) { return SIM_E_HANDLE; }
SimResult SimConnect_RequestDataOnSimObjectType(SimHandle, std::uint32_t, std::uint32_t, std::uint32_t,
                                                SIMCONNECT_SIMOBJECT_TYPE) { return SIM_E_HANDLE; }
SimResult SimConnect_SetDataOnSimObject(SimHandle, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                        std::uint32_t, const void*) { return SIM_E_HANDLE; }
SimResult SimConnect_SubscribeToSystemEvent(SimHandle, std::uint32_t, const char*) { return SIM_E_HANDLE; }
SimResult SimConnect_MapClientEventToSimEvent(SimHandle, std::uint32_t, const char*) { return SIM_E_HANDLE; }
SimResult SimConnect_AddClientEventToNotificationGroup(SimHandle, std::uint32_t, std::uint32_t, bool) {
  return SIM_E_HANDLE;
}
SimResult SimConnect_SetNotificationGroupPriority(SimHandle, std::uint32_t, std::uint32_t) { return SIM_E_HANDLE; }
SimResult SimConnect_TransmitClientEvent(SimHandle, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                         std::uint32_t) { return SIM_E_HANDLE; }
SimResult SimConnect_AICreateNonATCAircraft(SimHandle, const char*, const char*, SIMCONNECT_DATA_INITPOSITION,
                                            std::uint32_t) { return SIM_E_HANDLE; }
SimResult SimConnect_AISetAircraftFlightPlan(SimHandle, std::uint32_t, const char*, std::uint32_t) {
  return SIM_E_HANDLE;
}
SimResult SimConnect_AIReleaseControl(SimHandle, std::uint32_t, std::uint32_t) { return SIM_E_HANDLE; }
SimResult SimConnect_AIRemoveObject(SimHandle, std::uint32_t, std::uint32_t) { return SIM_E_HANDLE; }
SimResult SimConnect_GetLastSentPacketID(SimHandle, std::uint32_t* p) {
  if (p != nullptr) *p = 0;
  return SIM_E_HANDLE;
}

}  // namespace skf
