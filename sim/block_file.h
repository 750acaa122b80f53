// The simulator's built-in block and the files that replace or persist it.
#pragma once

#include <string>
#include <string_view>

#include "sim/sim_error.h"
#include "sim/wire.h"

namespace kelm9d::sim {

// A plausible 17 x 17 inch panel: product code 11, dated 2014-4-4, firmware
// 4.1.4, serial KD17140400231, non-zero in every field the window shows.
const ParameterBlock& InitialBlock();

// Parses the contents of a block file: exactly 128 raw bytes, or text of
// hexadecimal byte pairs (white space anywhere between pairs) that gives
// exactly 128 bytes. Anything else fails with a message naming `origin`.
SimError ParseBlockText(std::string_view contents, const std::string& origin,
                        ParameterBlock& block);

// Reads and parses a block file.
SimError ReadBlockFile(const std::string& path, ParameterBlock& block);

// Writes the block as 128 raw bytes, atomically: a temporary file in the same
// folder, flushed to disk, then renamed over `path`. A reader sees either the
// old file or the whole new one, never a torn block.
SimError WriteBlockFileAtomically(const std::string& path, const ParameterBlock& block);

// "55 03 80" style: upper-case hex pairs joined by single spaces.
std::string HexText(const std::uint8_t* bytes, std::size_t count);

}  // namespace kelm9d::sim
