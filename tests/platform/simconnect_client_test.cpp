#include <gtest/gtest.h>

#include "platform/simconnect/SimConnect.h"

using namespace skf;

TEST(SimConnectHandle, ZeroHandleFailsEveryCall) {
  std::uint32_t id = 7;
  EXPECT_TRUE(gf_simFailed(SimConnect_GetLastSentPacketID(0, &id)));
  EXPECT_TRUE(gf_simFailed(SimConnect_CallDispatch(0, nullptr, nullptr)));
  EXPECT_TRUE(gf_simFailed(SimConnect_AIRemoveObject(0, 5, SIM_REQ_REMOVE)));
  EXPECT_TRUE(gf_simFailed(SimConnect_Close(0)));
}
