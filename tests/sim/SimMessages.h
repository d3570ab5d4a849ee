#pragma once
// Received SimConnect messages built in memory, for the dispatch tests.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/simconnect/SimConnect.h"

namespace skf::test {

// A message with an 8-byte aligned buffer.
class RecvBuffer {
public:
    explicit RecvBuffer(std::size_t size) : words_((size + 7) / 8, 0), size_(size) {}
    template <class T>
    T* as() {
        return reinterpret_cast<T*>(words_.data());
    }
    std::byte* bytes() { return reinterpret_cast<std::byte*>(words_.data()); }
    std::uint32_t size() const { return static_cast<std::uint32_t>(size_); }
    SIMCONNECT_RECV* recv() { return as<SIMCONNECT_RECV>(); }

private:
    std::vector<std::uint64_t> words_;
    std::size_t size_;
};

inline RecvBuffer objectData(std::uint32_t recvId, std::uint32_t requestId, std::uint32_t objectId, const void* block,
                             std::size_t blockSize) {
    static const std::size_t offset = [] {
        SIMCONNECT_RECV_SIMOBJECT_DATA probe{};
        return static_cast<std::size_t>(reinterpret_cast<const std::byte*>(&probe.dwData) -
                                        reinterpret_cast<const std::byte*>(&probe));
    }();
    RecvBuffer buffer(offset + blockSize);
    auto* msg = buffer.as<SIMCONNECT_RECV_SIMOBJECT_DATA>();
    msg->dwSize = buffer.size();
    msg->dwID = recvId;
    msg->dwRequestID = requestId;
    msg->dwObjectID = objectId;
    std::memcpy(buffer.bytes() + offset, block, blockSize);
    return buffer;
}

struct RangeBlock {
    double agl = 0.0;
    double groundAlt = 0.0;
    std::int64_t onGround = 0;
    char atcId[32] = {};
};

inline RecvBuffer rangeData(std::uint32_t objectId, const std::string& atcId, double agl, std::int64_t onGround = 0,
                            double groundAlt = 0.0) {
    RangeBlock block;
    block.agl = agl;
    block.groundAlt = groundAlt;
    block.onGround = onGround;
    std::strncpy(block.atcId, atcId.c_str(), sizeof block.atcId - 1);
    return objectData(SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE, SIM_REQ_RANGE, objectId, &block, sizeof block);
}

inline RecvBuffer objectEvent(std::uint32_t eventId, std::uint32_t objectId,
                              SIMCONNECT_SIMOBJECT_TYPE type = SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT) {
    RecvBuffer buffer(sizeof(SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE));
    auto* msg = buffer.as<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>();
    msg->dwSize = buffer.size();
    msg->dwID = SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE;
    msg->uEventID = eventId;
    msg->dwData = objectId;
    msg->eObjType = type;
    return buffer;
}

inline RecvBuffer systemEvent(std::uint32_t eventId, std::uint32_t data) {
    RecvBuffer buffer(sizeof(SIMCONNECT_RECV_EVENT));
    auto* msg = buffer.as<SIMCONNECT_RECV_EVENT>();
    msg->dwSize = buffer.size();
    msg->dwID = SIMCONNECT_RECV_ID_EVENT;
    msg->uEventID = eventId;
    msg->dwData = data;
    return buffer;
}

inline RecvBuffer exception(std::uint32_t code, std::uint32_t sendId = 0, std::uint32_t index = 0) {
    RecvBuffer buffer(sizeof(SIMCONNECT_RECV_EXCEPTION));
    auto* msg = buffer.as<SIMCONNECT_RECV_EXCEPTION>();
    msg->dwSize = buffer.size();
    msg->dwID = SIMCONNECT_RECV_ID_EXCEPTION;
    msg->dwException = code;
    msg->dwSendID = sendId;
    msg->dwIndex = index;
    return buffer;
}

inline RecvBuffer openMessage(const std::string& name) {
    RecvBuffer buffer(sizeof(SIMCONNECT_RECV_OPEN));
    auto* msg = buffer.as<SIMCONNECT_RECV_OPEN>();
    msg->dwSize = buffer.size();
    msg->dwID = SIMCONNECT_RECV_ID_OPEN;
    std::strncpy(msg->szApplicationName, name.c_str(), sizeof msg->szApplicationName - 1);
    msg->dwApplicationVersionMajor = 11;
    msg->dwApplicationVersionMinor = 0;
    msg->dwApplicationBuildMajor = 282174;
    msg->dwApplicationBuildMinor = 999;
    return buffer;
}

} // namespace skf::test
