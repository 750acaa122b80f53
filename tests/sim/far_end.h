// The program's end of the simulator's line, with plain POSIX calls and
// nothing of the program's own serial or link code: a raw tty, writes of
// whole frames, reads with a deadline.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/unique_fd.h"

namespace kelm9d::sim::testing {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

class FarEnd {
  public:
    explicit FarEnd(const std::string& path);

    bool IsOpen() const { return fd_.Valid(); }
    int OpenErrno() const { return openErrno_; }

    bool Send(const Bytes& bytes);

    // Reads until `count` bytes have arrived, the deadline passes or the line
    // fails; returns what arrived. `arrivals`, when given, gets each byte's
    // arrival time.
    Bytes Read(std::size_t count, std::chrono::milliseconds timeout,
               std::vector<Clock::time_point>* arrivals = nullptr);

    // Whether a read found the line gone (the master closed).
    bool LineFailed() const { return lineFailed_; }

    void Close() { fd_.Reset(); }

  private:
    UniqueFd fd_;
    int openErrno_ = 0;
    bool lineFailed_ = false;
};

// Test frames, built here by hand rather than by the simulator's helpers.
Bytes Command(std::uint8_t code);
Bytes MemoryWrite(const Bytes& block, bool goodCheck = true);
Bytes RomWrite(const Bytes& block);
Bytes ParameterAnswerOf(const Bytes& block);
std::uint8_t Xor(const Bytes& bytes);

// A block unlike the built-in one, different for every seed.
Bytes PatternBlock(std::uint8_t seed);

std::string Hex(const Bytes& bytes);

}  // namespace kelm9d::sim::testing
