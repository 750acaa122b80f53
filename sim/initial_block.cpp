// The block a fresh simulator holds in working memory and ROM. This table is
// the only place where the simulator knows what the bytes mean; values are
// chosen to differ from the program's factory profile where that is
// plausible, so a test can tell a read-back from a profile value.
#include "sim/block_file.h"

namespace kelm9d::sim {

namespace {

// Two-byte fields are little-endian: low byte first.
constexpr std::uint8_t kInitialBytes[] = {
    0x00,        //   0 cfgType 0
    0x0B,        //   1 productCode 11 (Kelm9d)
    0x8B,        //   2 pixelSize 139
    0x2B,        //   3 pixelX 43
    0x2B,        //   4 pixelY 43
    0x04,        //   5 processor 1 version major 4
    0x01,        //   6   minor 1
    0x04,        //   7   patch 4
    0x00, 0x00,  //   8 reserved1
    0x0E,        //  10 timeYear 14 (2014)
    0x04,        //  11 timeMonth 4
    0x04,        //  12 timeDay 4
    0x00,        //  13 timeExtra
    0x00,        //  14 timeExtra
    0x00,        //  15 timeExtra
    0x00, 0x00,  //  16 reserved2
    0x00, 0x00,  //  18 reserved3
    0x0A, 0x00,  //  20 frameDelay1 10
    0x14, 0x00,  //  22 frameDelay2 20
    0x06, 0x00,  //  24 rowDelay1 6
    0x07, 0x00,  //  26 rowDelay2 7
    0x78, 0x00,  //  28 integrate 120 us
    0x00, 0x00,  //  30 reserved4
    0x00, 0x00,  //  32 reserved5
    0x01, 0x00,  //  34 binning 1 (on)
    0x03, 0x00,  //  36 signalFlags 3: auto clear, RAD enable high valid
    0xD0, 0x07,  //  38 timeSpan 2000 ms
    0x76, 0x00,  //  40 startCol 118
    0x65, 0x00,  //  42 endCol 101
    0x77, 0x00,  //  44 vcom 119
    0x80, 0x00,  //  46 vt code 128 (1.68 V)
    0x06, 0x00,  //  48 pga 6
    0x00, 0x00,  //  50 reserved6
    0x20, 0x03,  //  52 tubeReadyTime 800 ms
    0x88, 0x13,  //  54 autoClearTime 5000 ms
    0x00, 0x00,  //  56 reserved7
    0x03, 0x00,  //  58 trigger 3 (PREP)
    0x05,        //  60 sensorSel 5: "I" and "III"
    0x01,        //  61 sensorSelReset 1
    0x09, 0x00,  //  62 gainSel 9: gains "0" and "3"
    0xB0, 0x04,  //  64 acquireDelayTime 1200 ms
    0xE8, 0x03,  //  66 setDelayTime 1000 ms
    0x00, 0x00,  //  68 reserved8
    0x40, 0x06,  //  70 clearTime 1600 ms
    0x60, 0x6D,  //  72 expTimeout 28000 ms
    // 74-113: reserved area. A few calibration-like values, so that a codec
    // that mixes up the one- and two-byte fields here shows it; 75 and 77 are
    // gaps the program neither reads nor writes, kept 0.
    0x11,                                            //  74 reservedBlock 0
    0x00,                                            //  75 gap
    0x22,                                            //  76 reservedBlock 1
    0x00,                                            //  77 gap
    0x00, 0x04,                                      //  78 reservedBlock 2: 1024
    0x00, 0x02,                                      //  80 reservedBlock 3: 512
    0x34, 0x12,                                      //  82 reservedBlock 4: 0x1234
    0x00, 0x00,                                      //  84 reservedBlock 5
    0x00, 0x00,                                      //  86 reservedBlock 6
    0xFF, 0x00,                                      //  88 reservedBlock 7: 255
    0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0x00, 0x00,  //  90-97 reservedBlock 8-15
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //  98-105 reservedBlock 16-23
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x5A,  // 106-113 reservedBlock 24-31
    // 114-126: serial number text "KD17140400231".
    'K', 'D', '1', '7', '1', '4', '0', '4', '0', '0', '2', '3', '1',
    0x00,  // 127 reservedTail
};
static_assert(sizeof(kInitialBytes) == kBlockSize, "the table must cover the whole block");

constexpr ParameterBlock MakeInitialBlock() {
    ParameterBlock block{};
    for (std::size_t i = 0; i < kBlockSize; ++i) {
        block[i] = kInitialBytes[i];
    }
    return block;
}

constexpr ParameterBlock kInitialBlock = MakeInitialBlock();

}  // namespace

const ParameterBlock& InitialBlock() {
    return kInitialBlock;
}

}  // namespace kelm9d::sim
