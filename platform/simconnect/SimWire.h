#pragma once
// Wire protocol between the client library (SimConnect.h) and a simulator over a Unix-domain stream socket.
//
// Both directions carry frames:  u32 length | u32 kind | u32 packet id | payload
// where length counts the bytes after itself (8 + payload size). All numbers are little-endian as the host
// writes them (both ends run on the same machine). Payload items: u32, f64 (8 bytes), strings (u32 byte count,
// then the bytes, no terminator) and byte blocks (u32 byte count, then the bytes).
//
// Client to simulator: kind is a SimCall, packet id the call's packet id. The first frame is Hello
// (client name, protocol version); the simulator answers HelloAck (u32 1 = accepted, 0 = refused) and then
// sends messages. FaultAck (u32 token) confirms an armed FailCalls.
// Simulator to client: kind is a SimReply; packet id is 0. Message frames carry one received message exactly as
// the SIMCONNECT_RECV_* structs lay it out (dwSize = payload size). FailCalls (u32 call kind or 0 for any call,
// u32 count, u32 token) makes the client library fail its next <count> such calls without sending them; the
// client answers FaultAck with the token when it has armed them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skf {

inline constexpr std::uint32_t SIM_WIRE_VERSION = 1;
inline constexpr std::uint32_t SIM_WIRE_MAX_FRAME = 1u << 22; // 4 MiB, far above any real frame
inline constexpr std::size_t SIM_WIRE_HEADER = 12;            // length, kind, packet id

enum class SimCall : std::uint32_t {
    Any = 0, // only in FailCalls: any call
    Hello = 1,
    Close = 2,
    AddToDataDefinition = 3,
    RequestDataOnSimObject = 4,
    RequestDataOnSimObjectType = 5,
    SetDataOnSimObject = 6,
    SubscribeToSystemEvent = 7,
    MapClientEventToSimEvent = 8,
    AddClientEventToNotificationGroup = 9,
    SetNotificationGroupPriority = 10,
    TransmitClientEvent = 11,
    AICreateNonATCAircraft = 12,
    AISetAircraftFlightPlan = 13,
    AIReleaseControl = 14,
    AIRemoveObject = 15,
    FaultAck = 16,
};
inline constexpr std::uint32_t SIM_CALL_COUNT = 17;

enum class SimReply : std::uint32_t {
    Message = 1,
    HelloAck = 2,
    FailCalls = 3,
};

// Name of a call as traces and logs print it ("SetDataOnSimObject"); "?" for an unknown kind.
const char* gf_simCallName(SimCall call);
// The call of a name as gf_simCallName gives it; empty for an unknown name.
std::optional<SimCall> gf_simCallFromName(std::string_view name);

// Builds one frame, in a buffer of its own or appended to the end of a given buffer.
class SimWireWriter {
public:
    SimWireWriter(std::uint32_t kind, std::uint32_t packetId) : SimWireWriter(own_, kind, packetId) {}
    SimWireWriter(std::vector<std::byte>& target, std::uint32_t kind, std::uint32_t packetId);
    SimWireWriter(const SimWireWriter&) = delete;
    SimWireWriter& operator=(const SimWireWriter&) = delete;
    SimWireWriter& u32(std::uint32_t v);
    SimWireWriter& f64(double v);
    SimWireWriter& str(std::string_view s);
    SimWireWriter& block(const void* data, std::size_t size);
    // Payload bytes without a count (a received message).
    SimWireWriter& raw(const void* data, std::size_t size);
    // The finished frame (the length field is filled in); for a given buffer, the whole buffer.
    const std::vector<std::byte>& frame();
    // Fills in the length field without returning the buffer.
    void finish() { frame(); }

private:
    std::vector<std::byte> own_;
    std::vector<std::byte>& buf_;
    std::size_t start_;
};

// Reads the payload of one frame; a read past the end sets failed() and gives zeros / empty values.
class SimWireReader {
public:
    SimWireReader(const std::byte* payload, std::size_t size) : p_(payload), n_(size) {}
    std::uint32_t u32();
    double f64();
    std::string str();
    std::vector<std::byte> block();
    bool failed() const { return failed_; }
    bool atEnd() const { return pos_ == n_; }

private:
    bool take(void* out, std::size_t size);
    const std::byte* p_;
    std::size_t n_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

// One frame split from a byte stream.
struct SimWireFrame {
    std::uint32_t kind = 0;
    std::uint32_t packetId = 0;
    std::vector<std::byte> payload;
};

// Splits complete frames off the front of a receive buffer. Returns false when the stream is corrupt
// (a length below 8 or above SIM_WIRE_MAX_FRAME); the caller must then drop the connection.
bool gf_simWireSplit(std::vector<std::byte>& buffer, std::vector<SimWireFrame>& out);

} // namespace skf
