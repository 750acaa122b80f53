// Everything that shapes the simulated detector. Every command-line option
// of kelm9d-sim has a field here; the run-time part can be changed while the
// detector runs (SimulatedDetector::SetBehaviour).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "sim/wire.h"

namespace kelm9d::sim {

// READ-board firmware version, sent as nibbles: major and minor in the first
// byte, the patch as two decimal digits in the second.
struct BoardVersion {
    std::uint8_t major = 1;  // 0 to 9
    std::uint8_t minor = 2;  // 0 to 9
    std::uint8_t patch = 5;  // 0 to 99
};

// What may change while the detector runs. A change applies to answers made
// after it; bytes already queued go out as they were made.
struct SimBehaviour {
    // --temperature (degrees, hundredths kept) and --temp-code.
    std::uint16_t temperatureHundredths = 3125;
    std::uint8_t temperatureCode = 0x0A;
    BoardVersion version;  // --version

    std::chrono::milliseconds burnTime{300};  // --burn-ms: ROM write to acknowledgement
    std::chrono::milliseconds latency{2};     // --latency-ms: frame received to first byte out
    bool pacing = true;                       // false: --no-pacing, answers leave at once

    // Faults.
    bool silent = false;                           // --silent: acts on frames, sends nothing
    bool romAck = true;                            // false: --no-rom-ack
    std::chrono::milliseconds ackDelay{0};         // --ack-delay-ms: added to the burn time
    bool noise = false;                            // --noise
    bool badTrailer = false;                       // --bad-trailer: answers end in 0xAB
    bool shortAnswer = false;                      // --short-answer: 16-byte long answer first
    std::chrono::milliseconds innerDelayEvery{0};  // --inner-delay-every-ms; 0 is off
    std::uint16_t innerDelay = 250;                // --inner-delay: value those answers carry
};

struct SimOptions {
    SimBehaviour behaviour;

    // Initial working memory and ROM (--block); the built-in block when empty.
    std::optional<ParameterBlock> initialBlock;
    std::string blockFile;  // --block as given; informational once initialBlock is loaded

    // --rom: the ROM's file. Read at start when it exists (working memory then
    // starts as that ROM, as at power-on); rewritten atomically on every ROM
    // write. Empty: the ROM lives in memory only.
    std::string romFile;

    std::string linkPath;  // --link: a symbolic link to the slave, removed at stop
    std::string logFile;   // --log: one line per frame received and answer sent

    // --hangup-after-bytes: close the master after this many bytes went out.
    std::optional<std::uint64_t> hangupAfterBytes;

    std::uint32_t seed = 1;  // --seed: makes --noise repeat run for run
};

}  // namespace kelm9d::sim
