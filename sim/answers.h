// The bytes the simulator sends: answers and noise. Pure functions.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "sim/sim_options.h"
#include "sim/wire.h"

namespace kelm9d::sim {

using Bytes = std::vector<std::uint8_t>;

// 55 code L <payload> <xor of payload> AA.
Bytes LongAnswer(std::uint8_t code, const std::uint8_t* payload, std::size_t length);

// The parameter answer: the long answer 0x03 with the 128-byte block.
Bytes ParameterAnswer(const ParameterBlock& block);

// The status answer 55 02 <status> AA.
Bytes StatusAnswer(std::uint8_t status);

// 55 code <first> <second> AA: temperature, version, ROM acknowledgement,
// inner delay.
Bytes TwoByteAnswer(std::uint8_t code, std::uint8_t first, std::uint8_t second);

// 55 02 b1 b2 AA: major and minor as the nibbles of b1, the patch as two
// decimal digits in b2 (1.2.5 gives 12 05, 0.5.25 gives 05 25).
Bytes VersionAnswer(const BoardVersion& version);

// --bad-trailer: the last byte becomes 0xAB.
void SpoilTrailer(Bytes& answer);

// A burst of one to three pieces of line noise: stray bytes (never 0x55),
// false headers (0x55 and a code no answer has) and broken frames (a short
// or long answer whose trailer is wrong). Every piece is one that a receiver
// hunting for 0x55 ... 0xAA drops completely, whatever query it awaits, so
// the answer after the burst still gets through.
Bytes NoiseBurst(std::mt19937& rng);

}  // namespace kelm9d::sim
