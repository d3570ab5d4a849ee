#include "platform/simconnect/SimWire.h"

#include <array>
#include <cstring>

namespace skf {

namespace {
constexpr std::array<const char*, SIM_CALL_COUNT> kCallNames = {
    "Any",
    "Hello",
    "Close",
    "AddToDataDefinition",
    "RequestDataOnSimObject",
    "RequestDataOnSimObjectType",
    "SetDataOnSimObject",
    "SubscribeToSystemEvent",
    "MapClientEventToSimEvent",
    "AddClientEventToNotificationGroup",
    "SetNotificationGroupPriority",
    "TransmitClientEvent",
    "AICreateNonATCAircraft",
    "AISetAircraftFlightPlan",
    "AIReleaseControl",
    "AIRemoveObject",
    "FaultAck",
};

void putU32(std::byte* at, std::uint32_t v) {
    std::memcpy(at, &v, sizeof v);
}
} // namespace

const char* gf_simCallName(SimCall call) {
    auto i = static_cast<std::uint32_t>(call);
    return i < kCallNames.size() ? kCallNames[i] : "?";
}

std::optional<SimCall> gf_simCallFromName(std::string_view name) {
    for (std::uint32_t i = 0; i < kCallNames.size(); ++i)
        if (name == kCallNames[i])
            return static_cast<SimCall>(i);
    return std::nullopt;
}

SimWireWriter::SimWireWriter(std::vector<std::byte>& target, std::uint32_t kind, std::uint32_t packetId)
    : buf_(target), start_(target.size()) {
    buf_.resize(start_ + SIM_WIRE_HEADER);
    putU32(buf_.data() + start_ + 4, kind);
    putU32(buf_.data() + start_ + 8, packetId);
}

SimWireWriter& SimWireWriter::raw(const void* data, std::size_t size) {
    if (size == 0)
        return *this;
    auto* b = static_cast<const std::byte*>(data);
    buf_.insert(buf_.end(), b, b + size);
    return *this;
}

SimWireWriter& SimWireWriter::u32(std::uint32_t v) {
    return raw(&v, sizeof v);
}
SimWireWriter& SimWireWriter::f64(double v) {
    return raw(&v, sizeof v);
}
SimWireWriter& SimWireWriter::str(std::string_view s) {
    u32(static_cast<std::uint32_t>(s.size()));
    return raw(s.data(), s.size());
}
SimWireWriter& SimWireWriter::block(const void* data, std::size_t size) {
    u32(static_cast<std::uint32_t>(size));
    return raw(data, size);
}

const std::vector<std::byte>& SimWireWriter::frame() {
    putU32(buf_.data() + start_, static_cast<std::uint32_t>(buf_.size() - start_ - 4));
    return buf_;
}

bool SimWireReader::take(void* out, std::size_t size) {
    if (failed_ || n_ - pos_ < size) {
        failed_ = true;
        std::memset(out, 0, size);
        return false;
    }
    if (size > 0)
        std::memcpy(out, p_ + pos_, size);
    pos_ += size;
    return true;
}

std::uint32_t SimWireReader::u32() {
    std::uint32_t v;
    take(&v, sizeof v);
    return v;
}

double SimWireReader::f64() {
    double v;
    take(&v, sizeof v);
    return v;
}

std::string SimWireReader::str() {
    std::uint32_t n = u32();
    if (failed_ || n_ - pos_ < n) {
        failed_ = true;
        return {};
    }
    std::string s(reinterpret_cast<const char*>(p_ + pos_), n);
    pos_ += n;
    return s;
}

std::vector<std::byte> SimWireReader::block() {
    std::uint32_t n = u32();
    if (failed_ || n_ - pos_ < n) {
        failed_ = true;
        return {};
    }
    std::vector<std::byte> b(p_ + pos_, p_ + pos_ + n);
    pos_ += n;
    return b;
}

bool gf_simWireSplit(std::vector<std::byte>& buffer, std::vector<SimWireFrame>& out) {
    std::size_t pos = 0;
    bool ok = true;
    while (buffer.size() - pos >= 4) {
        std::uint32_t len;
        std::memcpy(&len, buffer.data() + pos, 4);
        if (len < 8 || len > SIM_WIRE_MAX_FRAME) {
            ok = false;
            break;
        }
        if (buffer.size() - pos - 4 < len)
            break;
        SimWireFrame f;
        std::memcpy(&f.kind, buffer.data() + pos + 4, 4);
        std::memcpy(&f.packetId, buffer.data() + pos + 8, 4);
        f.payload.assign(buffer.begin() + static_cast<std::ptrdiff_t>(pos + SIM_WIRE_HEADER),
                         buffer.begin() + static_cast<std::ptrdiff_t>(pos + 4 + len));
        out.push_back(std::move(f));
        pos += 4 + len;
    }
    buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(pos));
    return ok;
}

} // namespace skf
