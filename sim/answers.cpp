#include "sim/answers.h"

namespace kelm9d::sim {

namespace {

// Codes a receiver might take for an answer: a false header must avoid them.
bool IsAnswerCode(std::uint8_t code) {
    return code == 0x02 || code == 0x03 || code == 0x0A || code == 0x0B || code == 0x11 ||
           code == 0x12 || (code >= 0xE0 && code <= 0xEA) || code == kHeader;
}

// 0 to n - 1. Plain modulo on the engine's output, which the standard fixes,
// so a seed gives the same noise with every library.
unsigned Below(std::mt19937& rng, unsigned n) {
    return static_cast<unsigned>(rng() % n);
}

std::uint8_t RandomByte(std::mt19937& rng) {
    return static_cast<std::uint8_t>(rng() & 0xFF);
}

// A byte that neither starts a frame, nor ends one, nor is a status filler,
// so a broken short answer breaks at the same byte for every query.
std::uint8_t InertByte(std::mt19937& rng) {
    for (;;) {
        const std::uint8_t b = RandomByte(rng);
        if (b != kHeader && b != kTrailer && b != 0xE0) {
            return b;
        }
    }
}

}  // namespace

Bytes LongAnswer(std::uint8_t code, const std::uint8_t* payload, std::size_t length) {
    Bytes answer;
    answer.reserve(length + 5);
    answer.push_back(kHeader);
    answer.push_back(code);
    answer.push_back(static_cast<std::uint8_t>(length));
    answer.insert(answer.end(), payload, payload + length);
    answer.push_back(XorOf(payload, length));
    answer.push_back(kTrailer);
    return answer;
}

Bytes ParameterAnswer(const ParameterBlock& block) {
    return LongAnswer(kAnsParameters, block.data(), block.size());
}

Bytes StatusAnswer(std::uint8_t status) {
    return {kHeader, kAnsStatus, status, kTrailer};
}

Bytes TwoByteAnswer(std::uint8_t code, std::uint8_t first, std::uint8_t second) {
    return {kHeader, code, first, second, kTrailer};
}

Bytes VersionAnswer(const BoardVersion& version) {
    const auto first = static_cast<std::uint8_t>((version.major << 4) | (version.minor & 0x0F));
    const auto second =
        static_cast<std::uint8_t>(((version.patch / 10) << 4) | (version.patch % 10));
    return TwoByteAnswer(kAnsStatus, first, second);
}

void SpoilTrailer(Bytes& answer) {
    if (!answer.empty()) {
        answer.back() = kBadTrailer;
    }
}

Bytes NoiseBurst(std::mt19937& rng) {
    Bytes noise;
    const unsigned pieces = 1 + Below(rng, 3);
    for (unsigned p = 0; p < pieces; ++p) {
        switch (Below(rng, 4)) {
            case 0: {  // stray bytes
                const unsigned count = 1 + Below(rng, 4);
                for (unsigned i = 0; i < count; ++i) {
                    std::uint8_t b = RandomByte(rng);
                    noise.push_back(b == kHeader ? static_cast<std::uint8_t>(0x54) : b);
                }
                break;
            }
            case 1: {  // false header
                std::uint8_t code = RandomByte(rng);
                while (IsAnswerCode(code)) {
                    code = RandomByte(rng);
                }
                noise.push_back(kHeader);
                noise.push_back(code);
                break;
            }
            case 2: {  // short answer that breaks: as a status answer at its
                       // second byte, as a two-byte answer at its trailer
                noise.push_back(kHeader);
                noise.push_back(Below(rng, 2) == 0 ? kAnsStatus : kAnsInnerDelay);
                for (int i = 0; i < 3; ++i) {
                    noise.push_back(InertByte(rng));
                }
                break;
            }
            default: {  // long answer, complete but for its trailer
                const std::size_t length = 1 + Below(rng, 8);
                Bytes payload(length);
                for (std::uint8_t& b : payload) {
                    b = RandomByte(rng);
                }
                Bytes broken = LongAnswer(Below(rng, 2) == 0 ? kAnsParameters : 0x11,
                                          payload.data(), payload.size());
                broken.back() = InertByte(rng);
                noise.insert(noise.end(), broken.begin(), broken.end());
                break;
            }
        }
    }
    return noise;
}

}  // namespace kelm9d::sim
