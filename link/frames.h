// Every frame that crosses the line: the 5-byte command frames and the two
// 133-byte write frames we send, and the answer codes and values we accept.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "params/parameter_block.h"

namespace kelm9d {

// --- Frames we send --------------------------------------------------------------

inline constexpr std::uint8_t kHeader = 0x55;
inline constexpr std::uint8_t kTrailer = 0xAA;

enum class CommandCode : std::uint8_t {
    kReset = 0x01,
    kRead = 0x03,
    kTemperatureQuery = 0x0A,
    kReadBoardVersionQuery = 0x0C,
};

inline constexpr std::size_t kCommandFrameBytes = 5;
using CommandFrame = std::array<std::uint8_t, kCommandFrameBytes>;

// 0x55, the code, 0x00, 0x00, 0xAA.
CommandFrame BuildCommandFrame(CommandCode code);

// The memory a write frame targets. Any value other than Rom acts as
// WorkingMemory, so a stray value can never burn the ROM.
enum class ParamWriteMode : int {
    WorkingMemory = 0,  // button Write
    Rom = 1,            // button Write(ROM)
};

inline constexpr std::size_t kWriteFrameBytes = 133;
// Header, code and block length of each form; the ROM form ends in a fixed
// pair instead of check byte and trailer.
inline constexpr std::array<std::uint8_t, 3> kWorkingMemoryWriteHead{0x55, 0x02, 0x80};
inline constexpr std::array<std::uint8_t, 3> kRomWriteHead{0xEC, 0xA6, 0x80};
inline constexpr std::array<std::uint8_t, 2> kRomWriteTail{0xBD, 0x98};
using WriteFrame = std::array<std::uint8_t, kWriteFrameBytes>;

// Working memory: 0x55 0x02 0x80, the block, the XOR of the block, 0xAA.
// ROM: 0xEC 0xA6 0x80, the block, 0xBD 0x98 (no check byte).
WriteFrame BuildWriteFrame(ParamWriteMode mode, const ParameterBlock& block);

// The exclusive OR of the block bytes, starting from 0x00.
std::uint8_t BlockCheckByte(std::span<const std::uint8_t> block);

// --- Answers we accept -------------------------------------------------------------

inline constexpr std::uint8_t kShortAnswerCode = 0x02;        // status and most query answers
inline constexpr std::uint8_t kTemperatureAnswerCode = 0x0A;  // only while the query is pending
inline constexpr std::uint8_t kQuery2AnswerCode = 0x0B;       // only while query 2 is pending
inline constexpr std::uint8_t kInnerDelayAnswerCode = 0x12;   // always
inline constexpr std::uint8_t kParameterAnswerCode = 0x03;

// Long answers carry a payload of L bytes: codes 0x03, 0x11 and 0xE0 to 0xEA.
constexpr bool IsLongAnswerCode(std::uint8_t code) {
    return code == 0x03 || code == 0x11 || (code >= 0xE0 && code <= 0xEA);
}

// The answer the window waits for, as the receiver must know to tell apart
// short answers that share the code 0x02.
enum PendingQuery : int {
    kNoQuery = 0,
    kTemperatureQuery = 1,
    kQuery2 = 2,  // nothing sends it; the receiver still honours it
    kReadBoardVersionQuery = 3,
    kWriteRomAck = 4,
};

// Status answers: any number of 0xE0 fill bytes, then one status byte.
inline constexpr std::uint8_t kStatusFill = 0xE0;
inline constexpr int kStatusNone = -1;

// The result a status byte stands for: 0x01 gives 1, 0x02 999, 0x04 998,
// 0xE1 none (-1), any other byte 0. Not for the fill byte 0xE0.
constexpr int StatusResultForByte(std::uint8_t statusByte) {
    switch (statusByte) {
        case 0x01:
            return 1;
        case 0x02:
            return 999;
        case 0x04:
            return 998;
        case 0xE1:
            return kStatusNone;
        default:
            return 0;
    }
}

// Only these results reach the status observer.
constexpr bool IsReportedStatus(int result) {
    return result == 1 || result == 999 || result == 998;
}

// Hundredths of a degree Celsius, high byte first.
constexpr float TemperatureFromBytes(std::uint8_t high, std::uint8_t low) {
    return static_cast<float>(high * 256 + low);
}

constexpr std::uint16_t InnerDelayFromBytes(std::uint8_t high, std::uint8_t low) {
    return static_cast<std::uint16_t>(high * 256 + low);
}

struct ReadBoardVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t patch = 0;
    friend bool operator==(const ReadBoardVersion&, const ReadBoardVersion&) = default;
};

// Major and minor are the nibbles of the first byte, each a decimal digit (a
// nibble above 9 counts as 0). The patch is the second byte read as two
// decimal digits, high nibble first, stopping at the first nibble above 9:
// 0x25 gives 25, 0x1A gives 1, 0xA1 gives 0.
constexpr ReadBoardVersion ReadBoardVersionFromBytes(std::uint8_t first, std::uint8_t second) {
    const auto digit = [](unsigned nibble) { return nibble > 9 ? 0U : nibble; };
    const unsigned high = static_cast<unsigned>(second >> 4);
    const unsigned low = static_cast<unsigned>(second & 0x0F);
    unsigned patch = 0;
    if (high <= 9) {
        patch = low <= 9 ? high * 10 + low : high;
    }
    return ReadBoardVersion{static_cast<std::uint16_t>(digit(static_cast<unsigned>(first >> 4))),
                            static_cast<std::uint16_t>(digit(static_cast<unsigned>(first & 0x0F))),
                            static_cast<std::uint16_t>(patch)};
}

}  // namespace kelm9d
