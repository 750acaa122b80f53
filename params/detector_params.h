// The detector's parameter set: one unsigned 16-bit slot for every field of
// the 128-byte parameter block, in the block's order, so that a write can
// hand back every value the operator does not edit exactly as it was read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kelm9d {

struct DetectorParams {
    std::uint16_t cfgType = 0;
    std::uint16_t productCode = 0;  // 11 is the Kelm9d
    std::uint16_t pixelSize = 0;
    std::uint16_t pixelX = 0;
    std::uint16_t pixelY = 0;
    std::array<std::uint16_t, 3> processor1Version{};  // major, minor, patch
    std::uint16_t reserved1 = 0;
    std::uint16_t timeYear = 0;  // counted from 2000
    std::uint16_t timeMonth = 0;
    std::uint16_t timeDay = 0;
    std::array<std::uint16_t, 3> timeExtra{};
    std::uint16_t reserved2 = 0;
    std::uint16_t reserved3 = 0;
    std::uint16_t frameDelay1 = 0;
    std::uint16_t frameDelay2 = 0;
    std::uint16_t rowDelay1 = 0;
    std::uint16_t rowDelay2 = 0;
    std::uint16_t integrate = 0;  // microseconds
    std::uint16_t reserved4 = 0;
    std::uint16_t reserved5 = 0;
    std::uint16_t binning = 0;      // 1 on, anything else off
    std::uint16_t signalFlags = 0;  // bit 0 auto clear, bit 1 RAD enable high valid
    std::uint16_t timeSpan = 0;     // milliseconds
    std::uint16_t startCol = 0;
    std::uint16_t endCol = 0;
    std::uint16_t vcom = 0;
    std::uint16_t vt = 0;  // VT voltage as a code, see VtCodeToVolts
    std::uint16_t pga = 0;
    std::uint16_t reserved6 = 0;      // always sent as zero
    std::uint16_t tubeReadyTime = 0;  // milliseconds
    std::uint16_t autoClearTime = 0;  // milliseconds
    std::uint16_t reserved7 = 0;
    std::uint16_t trigger = 0;         // 0 Outer, 1 Inner, 2 Software, 3 PREP
    std::uint16_t sensorSel = 0;       // bit 2 "I", bit 1 "II", bit 0 "III"
    std::uint16_t sensorSelReset = 0;  // 1 or 0
    std::uint16_t gainSel = 0;         // bit k is gain "k", k from 0 to 3
    std::uint16_t acquireDelayTime = 0;
    std::uint16_t setDelayTime = 0;
    std::uint16_t reserved8 = 0;
    std::uint16_t clearTime = 0;
    std::uint16_t expTimeout = 0;  // exposure window, milliseconds
    std::array<std::uint16_t, 32> reservedBlock{};
    std::array<std::uint16_t, 13> serialNumber{};  // one character per slot, sign-widened
    std::uint16_t reservedTail = 0;

    friend bool operator==(const DetectorParams&, const DetectorParams&) = default;
};

inline constexpr std::size_t kDetectorParamSlots = 91;
static_assert(sizeof(DetectorParams) == kDetectorParamSlots * sizeof(std::uint16_t),
              "DetectorParams must stay a plain sequence of 91 16-bit slots");

}  // namespace kelm9d
