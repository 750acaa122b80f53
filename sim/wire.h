// The simulator's own copy of the few wire constants it needs. Deliberately
// not shared with link/: a fault in the program's frame code must not be
// mirrored by the peer it is tested against.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kelm9d::sim {

inline constexpr std::size_t kBlockSize = 128;

// 128 opaque bytes: the simulator never interprets the block beyond the
// initial one it starts with.
using ParameterBlock = std::array<std::uint8_t, kBlockSize>;

inline constexpr std::uint8_t kHeader = 0x55;
inline constexpr std::uint8_t kTrailer = 0xAA;
inline constexpr std::uint8_t kBadTrailer = 0xAB;  // what --bad-trailer ends answers with

// Command codes the program sends (55 code 00 00 AA).
inline constexpr std::uint8_t kCmdReset = 0x01;
inline constexpr std::uint8_t kCmdRead = 0x03;
inline constexpr std::uint8_t kCmdTemperature = 0x0A;
inline constexpr std::uint8_t kCmdReadBoardVersion = 0x0C;

// Working-memory write: 55 02 80 <block> <xor> AA.
inline constexpr std::uint8_t kMemoryWriteCode = 0x02;
inline constexpr std::uint8_t kBlockLengthByte = 0x80;

// ROM write: EC A6 80 <block> BD 98. It carries no check byte.
inline constexpr std::uint8_t kRomHeader0 = 0xEC;
inline constexpr std::uint8_t kRomHeader1 = 0xA6;
inline constexpr std::uint8_t kRomTrailer0 = 0xBD;
inline constexpr std::uint8_t kRomTrailer1 = 0x98;

inline constexpr std::size_t kCommandFrameSize = 5;
inline constexpr std::size_t kWriteFrameSize = kBlockSize + 5;  // 133

// Answer codes.
inline constexpr std::uint8_t kAnsParameters = 0x03;  // long answer
inline constexpr std::uint8_t kAnsStatus = 0x02;      // short answers that share the code
inline constexpr std::uint8_t kAnsTemperature = 0x0A;
inline constexpr std::uint8_t kAnsInnerDelay = 0x12;

// Status bytes of the status answer 55 02 <status> AA.
inline constexpr std::uint8_t kStatusOk = 0x01;        // result 1
inline constexpr std::uint8_t kStatusBadCheck = 0x02;  // result 999

inline std::uint8_t XorOf(const std::uint8_t* bytes, std::size_t count) {
    std::uint8_t x = 0;
    for (std::size_t i = 0; i < count; ++i) {
        x = static_cast<std::uint8_t>(x ^ bytes[i]);
    }
    return x;
}

inline std::uint8_t XorOf(const ParameterBlock& block) {
    return XorOf(block.data(), block.size());
}

}  // namespace kelm9d::sim
