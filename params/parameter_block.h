// The 128-byte parameter block that carries DetectorParams on the wire, and
// the two operations that move it between a frame and the record.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "params/detector_params.h"

namespace kelm9d {

inline constexpr std::size_t kParameterBlockBytes = 128;
// The block starts after the header, code and length bytes of a frame.
inline constexpr std::size_t kParameterBlockFrameOffset = 3;
// The decoder reads frame offsets 0 to 130, so a frame handed to it must hold
// at least this many bytes.
inline constexpr std::size_t kParameterFrameMinBytes =
    kParameterBlockFrameOffset + kParameterBlockBytes;

using ParameterBlock = std::array<std::uint8_t, kParameterBlockBytes>;

// Fills all 91 slots from the block at frame offsets 3 to 130. The frame's
// header, code, length, check and trailer bytes are not looked at, and block
// bytes 75 and 77 have no slot.
void DecodeParameterBlock(std::span<const std::uint8_t, kParameterFrameMinBytes> frame,
                          DetectorParams& params);

// Fills the 128 block bytes from the record: one-byte fields get the slot's
// low byte, two-byte fields its 16 bits little-endian. reserved6 and the two
// bytes without a slot always go out as 0x00.
void EncodeParameterBlock(const DetectorParams& params,
                          std::span<std::uint8_t, kParameterBlockBytes> block);

// Calls visit(blockOffset, width, slot, sentOnWire) for every slot, in block
// order. `slot` is a reference into `params`, const or not as `params` is.
// One table serves decoding, encoding and the layout tests.
template <typename Params, typename Visit>
constexpr void ForEachBlockField(Params& params, Visit&& visit) {
    constexpr bool kSent = true;
    visit(0, 1, params.cfgType, kSent);
    visit(1, 1, params.productCode, kSent);
    visit(2, 1, params.pixelSize, kSent);
    visit(3, 1, params.pixelX, kSent);
    visit(4, 1, params.pixelY, kSent);
    for (std::size_t i = 0; i < 3; ++i) {
        visit(5 + i, 1, params.processor1Version[i], kSent);
    }
    visit(8, 2, params.reserved1, kSent);
    visit(10, 1, params.timeYear, kSent);
    visit(11, 1, params.timeMonth, kSent);
    visit(12, 1, params.timeDay, kSent);
    for (std::size_t i = 0; i < 3; ++i) {
        visit(13 + i, 1, params.timeExtra[i], kSent);
    }
    visit(16, 2, params.reserved2, kSent);
    visit(18, 2, params.reserved3, kSent);
    visit(20, 2, params.frameDelay1, kSent);
    visit(22, 2, params.frameDelay2, kSent);
    visit(24, 2, params.rowDelay1, kSent);
    visit(26, 2, params.rowDelay2, kSent);
    visit(28, 2, params.integrate, kSent);
    visit(30, 2, params.reserved4, kSent);
    visit(32, 2, params.reserved5, kSent);
    visit(34, 2, params.binning, kSent);
    visit(36, 2, params.signalFlags, kSent);
    visit(38, 2, params.timeSpan, kSent);
    visit(40, 2, params.startCol, kSent);
    visit(42, 2, params.endCol, kSent);
    visit(44, 2, params.vcom, kSent);
    visit(46, 2, params.vt, kSent);
    visit(48, 2, params.pga, kSent);
    visit(50, 2, params.reserved6, !kSent);  // decoded, but the detector always gets zeros
    visit(52, 2, params.tubeReadyTime, kSent);
    visit(54, 2, params.autoClearTime, kSent);
    visit(56, 2, params.reserved7, kSent);
    visit(58, 2, params.trigger, kSent);
    visit(60, 1, params.sensorSel, kSent);
    visit(61, 1, params.sensorSelReset, kSent);
    visit(62, 2, params.gainSel, kSent);
    visit(64, 2, params.acquireDelayTime, kSent);
    visit(66, 2, params.setDelayTime, kSent);
    visit(68, 2, params.reserved8, kSent);
    visit(70, 2, params.clearTime, kSent);
    visit(72, 2, params.expTimeout, kSent);
    // Bytes 75 and 77 carry no slot: reservedBlock 0 and 1 are one byte each,
    // each followed by a byte that is neither read nor sent.
    visit(74, 1, params.reservedBlock[0], kSent);
    visit(76, 1, params.reservedBlock[1], kSent);
    for (std::size_t i = 0; i < 6; ++i) {
        visit(78 + 2 * i, 2, params.reservedBlock[2 + i], kSent);
    }
    for (std::size_t i = 0; i < 24; ++i) {
        visit(90 + i, 1, params.reservedBlock[8 + i], kSent);
    }
    for (std::size_t i = 0; i < 13; ++i) {
        visit(114 + i, 1, params.serialNumber[i], kSent);
    }
    visit(127, 1, params.reservedTail, kSent);
}

}  // namespace kelm9d
