#include "params/parameter_block.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kelm9d {
namespace {

// A parameter answer whose block byte k holds k: every field then reads as
// its own offsets, so a misplaced or mis-sized field shows at once.
std::array<std::uint8_t, kParameterFrameMinBytes> CountingFrame() {
    std::array<std::uint8_t, kParameterFrameMinBytes> frame{};
    frame[0] = 0x55;
    frame[1] = 0x03;
    frame[2] = 0x80;
    for (std::size_t k = 0; k < kParameterBlockBytes; ++k) {
        frame[kParameterBlockFrameOffset + k] = static_cast<std::uint8_t>(k);
    }
    return frame;
}

constexpr std::uint16_t Word(unsigned low) {
    return static_cast<std::uint16_t>(low | ((low + 1) << 8));
}

TEST(ParameterBlock, DecodeReadsEverySlotFromItsOffsets) {
    DetectorParams p;
    DecodeParameterBlock(CountingFrame(), p);

    // Written out by hand from the block layout, independent of the codec's table.
    struct Expect {
        const char* name;
        std::uint16_t actual;
        std::uint16_t expected;
    };
    const std::vector<Expect> slots = {
        {"cfgType", p.cfgType, 0},
        {"productCode", p.productCode, 1},
        {"pixelSize", p.pixelSize, 2},
        {"pixelX", p.pixelX, 3},
        {"pixelY", p.pixelY, 4},
        {"processor1Version[0]", p.processor1Version[0], 5},
        {"processor1Version[1]", p.processor1Version[1], 6},
        {"processor1Version[2]", p.processor1Version[2], 7},
        {"reserved1", p.reserved1, Word(8)},
        {"timeYear", p.timeYear, 10},
        {"timeMonth", p.timeMonth, 11},
        {"timeDay", p.timeDay, 12},
        {"timeExtra[0]", p.timeExtra[0], 13},
        {"timeExtra[1]", p.timeExtra[1], 14},
        {"timeExtra[2]", p.timeExtra[2], 15},
        {"reserved2", p.reserved2, Word(16)},
        {"reserved3", p.reserved3, Word(18)},
        {"frameDelay1", p.frameDelay1, Word(20)},
        {"frameDelay2", p.frameDelay2, Word(22)},
        {"rowDelay1", p.rowDelay1, Word(24)},
        {"rowDelay2", p.rowDelay2, Word(26)},
        {"integrate", p.integrate, Word(28)},
        {"reserved4", p.reserved4, Word(30)},
        {"reserved5", p.reserved5, Word(32)},
        {"binning", p.binning, Word(34)},
        {"signalFlags", p.signalFlags, Word(36)},
        {"timeSpan", p.timeSpan, Word(38)},
        {"startCol", p.startCol, Word(40)},
        {"endCol", p.endCol, Word(42)},
        {"vcom", p.vcom, Word(44)},
        {"vt", p.vt, Word(46)},
        {"pga", p.pga, Word(48)},
        {"reserved6", p.reserved6, Word(50)},
        {"tubeReadyTime", p.tubeReadyTime, Word(52)},
        {"autoClearTime", p.autoClearTime, Word(54)},
        {"reserved7", p.reserved7, Word(56)},
        {"trigger", p.trigger, Word(58)},
        {"sensorSel", p.sensorSel, 60},
        {"sensorSelReset", p.sensorSelReset, 61},
        {"gainSel", p.gainSel, Word(62)},
        {"acquireDelayTime", p.acquireDelayTime, Word(64)},
        {"setDelayTime", p.setDelayTime, Word(66)},
        {"reserved8", p.reserved8, Word(68)},
        {"clearTime", p.clearTime, Word(70)},
        {"expTimeout", p.expTimeout, Word(72)},
        {"reservedBlock[0]", p.reservedBlock[0], 74},
        {"reservedBlock[1]", p.reservedBlock[1], 76},
        {"reservedTail", p.reservedTail, 127},
    };
    for (const auto& slot : slots) {
        EXPECT_EQ(slot.actual, slot.expected) << slot.name;
    }
    for (unsigned i = 0; i < 6; ++i) {
        EXPECT_EQ(p.reservedBlock[2 + i], Word(78 + 2 * i)) << "reservedBlock[" << 2 + i << "]";
    }
    for (unsigned i = 0; i < 24; ++i) {
        EXPECT_EQ(p.reservedBlock[8 + i], 90 + i) << "reservedBlock[" << 8 + i << "]";
    }
    for (unsigned i = 0; i < 13; ++i) {
        EXPECT_EQ(p.serialNumber[i], 114 + i) << "serialNumber[" << i << "]";
    }
}

TEST(ParameterBlock, LayoutCoversEveryByteOnceExceptTheTwoGaps) {
    DetectorParams p;
    std::array<int, kParameterBlockBytes> uses{};
    int slots = 0;
    ForEachBlockField(p, [&](std::size_t offset, std::size_t width, std::uint16_t&, bool) {
        ++slots;
        for (std::size_t b = 0; b < width; ++b) {
            ++uses.at(offset + b);
        }
    });
    EXPECT_EQ(slots, static_cast<int>(kDetectorParamSlots));
    for (std::size_t k = 0; k < uses.size(); ++k) {
        EXPECT_EQ(uses[k], (k == 75 || k == 77) ? 0 : 1) << "block byte " << k;
    }
}

TEST(ParameterBlock, RoundTripKeepsTheBlockButReserved6AndTheGaps) {
    const auto frame = CountingFrame();
    DetectorParams p;
    DecodeParameterBlock(frame, p);
    ParameterBlock block{};
    EncodeParameterBlock(p, block);
    for (std::size_t k = 0; k < kParameterBlockBytes; ++k) {
        const bool zeroed = k == 50 || k == 51 || k == 75 || k == 77;
        EXPECT_EQ(block[k], zeroed ? 0 : frame[kParameterBlockFrameOffset + k])
            << "block byte " << k;
    }
}

TEST(ParameterBlock, EncodeCutsSlotsToTheirFieldWidth) {
    DetectorParams p;
    p.timeYear = 0x1234;     // one-byte field: low byte only
    p.frameDelay1 = 0x1234;  // two-byte field: little-endian
    p.reserved6 = 0x1234;    // never sent
    p.serialNumber[0] = 0xFFC8;
    ParameterBlock block{};
    block.fill(0xEE);  // encode must not rely on a zeroed buffer
    EncodeParameterBlock(p, block);
    ParameterBlock expected{};
    expected[10] = 0x34;
    expected[20] = 0x34;
    expected[21] = 0x12;
    expected[114] = 0xC8;
    EXPECT_EQ(block, expected);
}

TEST(ParameterBlock, ZeroRecordAndCheckByteExample) {
    DetectorParams p;
    ParameterBlock block{};
    block.fill(0xEE);
    EncodeParameterBlock(p, block);
    EXPECT_EQ(block, ParameterBlock{});

    p.cfgType = 0x01;
    p.productCode = 0x0B;
    EncodeParameterBlock(p, block);
    ParameterBlock expected{};
    expected[0] = 0x01;
    expected[1] = 0x0B;
    EXPECT_EQ(block, expected);
}

TEST(ParameterBlock, DecodeIgnoresLengthAndCheckBytes) {
    auto frame = CountingFrame();
    DetectorParams fromGood;
    DecodeParameterBlock(frame, fromGood);
    frame[0] = 0x00;
    frame[1] = 0xE5;
    frame[2] = 0x10;  // a length that is not 0x80 is decoded the same way
    DetectorParams fromOdd;
    DecodeParameterBlock(frame, fromOdd);
    EXPECT_EQ(fromGood, fromOdd);
}

}  // namespace
}  // namespace kelm9d
