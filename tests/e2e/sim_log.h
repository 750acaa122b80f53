// What the simulated detector received, from its log: one line per frame,
// "<seconds> <tag> <hex bytes>". Shared by the in-process tests and the
// tests that run kelm9d-sim as its own program.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/detector_block.h"

namespace kelm9d::testing {

inline std::string Hex(const Bytes& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text += i == 0 ? "" : " ";
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

// Every frame the simulator logged as received ("rx" and "rx?"), in order.
inline std::vector<Bytes> ReceivedFramesInLog(const std::string& logPath) {
    std::vector<Bytes> frames;
    std::ifstream log(logPath);
    std::string line;
    while (std::getline(log, line)) {
        std::istringstream fields(line);
        std::string time;
        std::string tag;
        fields >> time >> tag;
        if (tag != "rx" && tag != "rx?") {
            continue;
        }
        Bytes frame;
        std::string pair;
        while (fields >> pair) {
            frame.push_back(static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16)));
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}

inline const Bytes kReadFrame = {0x55, 0x03, 0x00, 0x00, 0xAA};
inline const Bytes kResetFrame = {0x55, 0x01, 0x00, 0x00, 0xAA};
inline const Bytes kTemperatureQueryFrame = {0x55, 0x0A, 0x00, 0x00, 0xAA};
inline const Bytes kReadBoardVersionQueryFrame = {0x55, 0x0C, 0x00, 0x00, 0xAA};

}  // namespace kelm9d::testing
