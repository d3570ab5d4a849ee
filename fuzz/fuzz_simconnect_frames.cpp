// Fuzz target: the byte stream a simulator sends: split into frames, message frames handed to the
// program's dispatch procedure as the client library hands them out, fault directives read. An error
// of the program's own (UserErrorException) ends the stream, as it ends the simulator client's run.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/Codes.h"
#include "core/ProgramState.h"
#include "platform/simconnect/SimConnect.h"
#include "platform/simconnect/SimWire.h"
#include "sim/SimDispatch.h"
#include "sim/SimLink.h"
#include "sim/SimLinkInternal.h"
#include "sim/SimQueues.h"
#include "sim/UserAircraft.h"
#include "fuzz/support/FuzzFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    skf::fuzz::workFolder();
    skf::gf_resetSimLink();
    skf::gf_reserveSimQueues();
    skf::gf_resetStopState();
    std::vector<std::byte> stream(reinterpret_cast<const std::byte*>(data),
                                  reinterpret_cast<const std::byte*>(data) + size);
    std::vector<skf::SimWireFrame> frames;
    skf::gf_simWireSplit(stream, frames);
    for (const skf::SimWireFrame& frame : frames) {
        if (frame.kind == static_cast<std::uint32_t>(skf::SimReply::Message)) {
            std::vector<std::uint64_t> words = skf::gf_simMessageWords(frame.payload);
            if (words.empty())
                continue;
            try {
                skf::lf_dispatch(reinterpret_cast<skf::SIMCONNECT_RECV*>(words.data()),
                                 static_cast<std::uint32_t>(frame.payload.size()), nullptr);
            } catch (const skf::UserErrorException&) {
                break; // the program's own error (a simulator of the wrong kind) ends the run
            }
        } else {
            skf::SimWireReader r(frame.payload.data(), frame.payload.size());
            r.u32();
            r.u32();
            r.u32();
        }
    }
    std::vector<skf::SimMessage> messages;
    skf::gf_takeSimMessages(messages);
    // What the link promises the engine and the position line: no value that no aircraft can have.
    const skf::UserAircraftBlock user = skf::gf_receivedUserBlock();
    if (std::fabs(user.latitude) > 90.0 || std::fabs(user.longitude) > 180.0 ||
        !skf::gf_plausibleHeightFt(user.altitude) || !skf::gf_plausibleAngleRad(user.heading) ||
        !std::isfinite(user.groundSpeed))
        std::abort();
    for (const skf::SimMessage& m : messages) {
        if (!std::isfinite(m.first) || !std::isfinite(m.second))
            std::abort();
    }
    if (skf::gf_addedObjects().size() > skf::kMaxAddedObjects || messages.size() > skf::kMaxSimMessages)
        std::abort();
    std::lock_guard lock(skf::g_simCommandMutex);
    skf::g_eventQueue.clear();
    return 0;
}
