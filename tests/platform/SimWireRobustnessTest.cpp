// Damaged SimConnect wire streams: the frame splitter and the payload reader end cleanly on any bytes.
#include "platform/simconnect/SimWire.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace skf {
namespace {

std::vector<std::byte> validStream() {
    std::vector<std::byte> stream;
    SimWireWriter(stream, 7, 1).u32(42).f64(1.5).str("Boeing 737-800").block("abc", 3).finish();
    SimWireWriter(stream, 9, 2).str("").u32(0xFFFFFFFFu).finish();
    return stream;
}

// Reads a payload the way a receiver does and returns whether the reader noticed a short payload.
bool readAll(const std::vector<std::byte>& payload) {
    SimWireReader r(payload.data(), payload.size());
    r.u32();
    r.f64();
    const std::string s = r.str();
    const std::vector<std::byte> b = r.block();
    EXPECT_LE(s.size() + b.size(), payload.size());
    r.u32();
    return r.failed();
}

TEST(SimWireRobustness, EveryTruncationOfAValidStreamSplitsOnlyWholeFrames) {
    const std::vector<std::byte> stream = validStream();
    for (std::size_t n = 0; n <= stream.size(); ++n) {
        std::vector<std::byte> buffer(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(n));
        std::vector<SimWireFrame> frames;
        ASSERT_TRUE(gf_simWireSplit(buffer, frames)) << n;
        for (const SimWireFrame& f : frames)
            readAll(f.payload);
        // What is left is the start of the next frame, kept for the next receive.
        EXPECT_LT(buffer.size(), stream.size()) << n;
    }
}

TEST(SimWireRobustness, RandomBytesEitherSplitOrReportACorruptStream) {
    const std::vector<std::byte> sample = validStream();
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) {
        std::vector<std::byte> buffer = sample;
        if (i % 2 == 0) {
            const int count = 1 + static_cast<int>(rng() % 6);
            for (int k = 0; k < count; ++k)
                buffer[rng() % buffer.size()] = static_cast<std::byte>(rng() & 0xFF);
        } else {
            buffer.resize(rng() % 64);
            for (auto& b : buffer)
                b = static_cast<std::byte>(rng() & 0xFF);
        }
        std::vector<SimWireFrame> frames;
        const bool ok = gf_simWireSplit(buffer, frames);
        for (const SimWireFrame& f : frames) {
            EXPECT_LE(f.payload.size() + SIM_WIRE_HEADER, SIM_WIRE_MAX_FRAME + 4);
            readAll(f.payload);
        }
        if (ok) {
            EXPECT_LT(buffer.size(), SIM_WIRE_HEADER + SIM_WIRE_MAX_FRAME);
        }
    }
}

TEST(SimWireRobustness, HugeAndTinyLengthsAreRefusedWithoutAllocating) {
    for (std::uint32_t len : {0u, 1u, 7u, SIM_WIRE_MAX_FRAME + 1, 0xFFFFFFFFu}) {
        std::vector<std::byte> buffer(16);
        std::memcpy(buffer.data(), &len, 4);
        std::vector<SimWireFrame> frames;
        EXPECT_FALSE(gf_simWireSplit(buffer, frames)) << len;
        EXPECT_TRUE(frames.empty());
    }
    // A string or block count beyond the payload.
    std::vector<std::byte> payload(8);
    const std::uint32_t huge = 0xFFFFFFF0u;
    std::memcpy(payload.data(), &huge, 4);
    SimWireReader r(payload.data(), payload.size());
    EXPECT_TRUE(r.str().empty());
    EXPECT_TRUE(r.failed());
    SimWireReader r2(payload.data(), payload.size());
    EXPECT_TRUE(r2.block().empty());
    EXPECT_TRUE(r2.failed());
}

} // namespace
} // namespace skf
