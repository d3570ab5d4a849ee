#pragma once
// The simulator link's per-frame work on the queues; used inside sim/ and by the tests only.
#include "sim/SimQueues.h"

namespace skf {

// The frame handler: once per simulator frame; skips the frame when the command mutex is busy.
// Returns false when it skipped.
bool lf_onFrame();
void lf_createAiObject(const CreationRecord& record);
void lf_removeAiObject(std::uint32_t objectId);

} // namespace skf
