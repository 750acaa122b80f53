// Recognises the frames the program sends, byte by byte, with no thread,
// device or clock: the service loop feeds it what each read delivered, and
// tests feed it tables of bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/wire.h"

namespace kelm9d::sim {

enum class RxKind {
    kCommand,       // 55 code 00 00 AA, any code (unknown ones are the caller's to ignore)
    kMemoryWrite,   // 55 02 80 <block> <check> AA; checkOk tells whether the XOR matched
    kRomWrite,      // EC A6 80 <block> BD 98
    kUnrecognised,  // a run of bytes that belongs to no frame
};

struct RxFrame {
    RxKind kind = RxKind::kUnrecognised;
    std::vector<std::uint8_t> bytes;  // exactly as received
    std::uint8_t code = 0;            // kCommand: the command code
    bool checkOk = false;             // kMemoryWrite: the check byte matched the block
    ParameterBlock block{};           // both writes: the block
};

class FrameRecogniser {
  public:
    // Unrecognised bytes are reported in runs; a run longer than this is cut
    // so a flood of noise cannot grow without bound.
    static constexpr std::size_t kMaxUnrecognisedRun = 256;

    // Feeds received bytes; completed frames, and the unrecognised runs
    // before them, are appended to `out` in arrival order.
    void Feed(const std::uint8_t* bytes, std::size_t count, std::vector<RxFrame>& out);

    // Ends the bytes in hand: an unfinished frame and a pending unrecognised
    // run are appended to `out` as one unrecognised run. The service loop
    // calls this when the line has been quiet for a while, so a frame that
    // lost bytes does not swallow the next one.
    void Flush(std::vector<RxFrame>& out);

    // Whether Flush would report anything.
    bool Pending() const { return !candidate_.empty() || !unrecognised_.empty(); }

  private:
    void Scan(std::vector<RxFrame>& out);
    void EmitUnrecognised(std::vector<RxFrame>& out);

    std::vector<std::uint8_t> candidate_;     // bytes that may still become a frame
    std::vector<std::uint8_t> unrecognised_;  // dropped bytes not yet reported
};

}  // namespace kelm9d::sim
