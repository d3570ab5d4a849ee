// Fuzz target: the byte stream a simulator sends: split into frames, message frames handed to the
// program's dispatch procedure as the client library hands them out, fault directives read. An error
// of the program's own (UserErrorException) ends the stream, as it ends the simulator client's run.
#include <cstdint>
#include <vector>

#include "core/Codes.h"
#include "core/ProgramState.h"
#include "platform/simconnect/SimConnect.h"
#include "platform/simconnect/SimWire.h"
#include "sim/SimLink.h"
#include "sim/SimLinkInternal.h"
#include "sim/SimQueues.h"
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
    std::lock_guard lock(skf::g_simCommandMutex);
    skf::g_eventQueue.clear();
    return 0;
}
