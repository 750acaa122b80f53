// A parameter block written by hand, and the write frame the window must
// send after Start against it, derived by hand from the block layout and
// the factory profile (not from the program's encoder). Every field holds a
// value unlike the factory profile, the fields the window never shows are
// non-zero, and so are the bytes that no slot covers, so that a field sent
// from the wrong source, or a zero that should have been kept, shows.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kelm9d::testing {

using Bytes = std::vector<std::uint8_t>;

inline constexpr const char* kDetectorSerial = "KX23110500017";  // 13 characters

// What the simulated detector holds in working memory and ROM.
inline constexpr std::array<std::uint8_t, 128> kDetectorBlock = {
    // byte   bytes               field                 the window shows
    /*   0 */ 0x07,              // cfgType 7
    /*   1 */ 0x0C,              // productCode 12        "Unknown"
    /*   2 */ 0x90,              // pixelSize 144
    /*   3 */ 0x2A,              // pixelX 42
    /*   4 */ 0x2C,              // pixelY 44
    /*   5 */ 0x03, 0x02, 0x09,  // processor1Version     "3.2.9"
    /*   8 */ 0x11, 0x22,        // reserved1 0x2211
    /*  10 */ 0x17,              // timeYear 23
    /*  11 */ 0x0B,              // timeMonth 11
    /*  12 */ 0x05,              // timeDay 5             "2023-11-5"
    /*  13 */ 0xE1, 0xE2, 0xE3,  // timeExtra
    /*  16 */ 0x33, 0x44,        // reserved2
    /*  18 */ 0x55, 0x66,        // reserved3
    /*  20 */ 0x2C, 0x01,        // frameDelay1 300
    /*  22 */ 0x28, 0x00,        // frameDelay2 40
    /*  24 */ 0x07, 0x00,        // rowDelay1 7
    /*  26 */ 0x09, 0x00,        // rowDelay2 9
    /*  28 */ 0xFA, 0x00,        // integrate 250
    /*  30 */ 0x77, 0x88,        // reserved4
    /*  32 */ 0x99, 0xAA,        // reserved5
    /*  34 */ 0x01, 0x00,        // binning 1             "Binning" checked
    /*  36 */ 0xF2, 0x00,        // signalFlags: bit 1 and bits 4-7; bit 0 clear
                                 //                       "High Valid", no "Auto Clear"
    /*  38 */ 0xC4, 0x09,        // timeSpan 2500
    /*  40 */ 0x23, 0x01,        // startCol 0x0123
    /*  42 */ 0x56, 0x04,        // endCol 0x0456
    /*  44 */ 0x89, 0x07,        // vcom 0x0789
    /*  46 */ 0xE8, 0x03,        // vt 1000               "4.80"
    /*  48 */ 0x03, 0x00,        // pga 3
    /*  50 */ 0xBE, 0xEF,        // reserved6
    /*  52 */ 0x84, 0x03,        // tubeReadyTime 900
    /*  54 */ 0xA0, 0x0F,        // autoClearTime 4000
    /*  56 */ 0x5A, 0xA5,        // reserved7
    /*  58 */ 0x03, 0x00,        // trigger 3             "PREP"
    /*  60 */ 0x05,              // sensorSel: bits 2, 0  "I", "III"
    /*  61 */ 0x01,              // sensorSelReset        "Reset"
    /*  62 */ 0x09, 0x00,        // gainSel: bits 0, 3    "0", "3"
    /*  64 */ 0xB0, 0x04,        // acquireDelayTime 1200
    /*  66 */ 0xEE, 0x02,        // setDelayTime 750
    /*  68 */ 0x12, 0x34,        // reserved8
    /*  70 */ 0x40, 0x06,        // clearTime 1600
    /*  72 */ 0x30, 0x75,        // expTimeout 30000
    /*  74 */ 0xA1,              // reservedBlock[0]
    /*  75 */ 0xB2,              // no slot
    /*  76 */ 0xA3,              // reservedBlock[1]
    /*  77 */ 0xB4,              // no slot
    /*  78 */ 0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5,  // reservedBlock[2..7], two bytes each
    /*  84 */ 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB,
    /*  90 */ 0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7,  // reservedBlock[8..31]
    /*  98 */ 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF,
    /* 106 */ 0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7,
    /* 114 */ 'K', 'X', '2', '3', '1', '1', '0', '5', '0', '0', '0', '1', '7',  // serialNumber
    /* 127 */ 0x7E,                                                             // reservedTail
};

// Write right after Start against kDetectorBlock. The boxes the factory
// profile covers go out with the profile's values; the check boxes, the date
// and the serial number are what showing the detector's block left; every
// other field is kept as read, except reserved6, the bytes without a slot
// and timeExtra, which go out as zero.
inline constexpr std::array<std::uint8_t, 133> kWriteAfterStart = {
    // offset bytes               field                 from
    /*   0 */ 0x55,
    0x02,
    0x80,            // working-memory write, 128 bytes follow
    /*   3 */ 0x07,  // cfgType               kept
    /*   4 */ 0x0B,  // productCode 11        always
    /*   5 */ 0x90,  // pixelSize             kept
    /*   6 */ 0x2A,  // pixelX                kept
    /*   7 */ 0x2C,  // pixelY                kept
    /*   8 */ 0x04,
    0x01,
    0x04,  // processor1Version     profile "4.1.4"
    /*  11 */ 0x11,
    0x22,  // reserved1             kept
    /*  13 */ 0x17,
    0x0B,
    0x05,  // date 23-11-5          as read, not "2014-4-04"
    /*  16 */ 0x00,
    0x00,
    0x00,  // timeExtra             zero
    /*  19 */ 0x33,
    0x44,  // reserved2             kept
    /*  21 */ 0x55,
    0x66,  // reserved3             kept
    /*  23 */ 0x00,
    0x00,  // frameDelay1 0         profile
    /*  25 */ 0x00,
    0x00,  // frameDelay2 0         profile
    /*  27 */ 0x05,
    0x00,  // rowDelay1 5           profile
    /*  29 */ 0x05,
    0x00,  // rowDelay2 5           profile
    /*  31 */ 0x64,
    0x00,  // integrate 100         profile
    /*  33 */ 0x77,
    0x88,  // reserved4             kept
    /*  35 */ 0x99,
    0xAA,  // reserved5             kept
    /*  37 */ 0x01,
    0x00,  // binning 1             "Binning" as shown
    /*  39 */ 0x03,
    0x00,  // signalFlags: Auto Clear (profile), High Valid (as shown)
    /*  41 */ 0x08,
    0x07,  // timeSpan 1800         profile
    /*  43 */ 0x23,
    0x01,  // startCol              kept
    /*  45 */ 0x56,
    0x04,  // endCol                kept
    /*  47 */ 0x89,
    0x07,  // vcom                  kept
    /*  49 */ 0x80,
    0x00,  // vt 128                profile "1.68"
    /*  51 */ 0x06,
    0x00,  // pga 6                 profile
    /*  53 */ 0x00,
    0x00,  // reserved6             always zero
    /*  55 */ 0x20,
    0x03,  // tubeReadyTime 800     profile
    /*  57 */ 0xD0,
    0x07,  // autoClearTime 2000    profile
    /*  59 */ 0x5A,
    0xA5,  // reserved7             kept
    /*  61 */ 0x01,
    0x00,            // trigger 1             profile "Inner"
    /*  63 */ 0x05,  // sensorSel             "I", "III" as shown
    /*  64 */ 0x01,  // sensorSelReset        as shown
    /*  65 */ 0x09,
    0x00,  // gainSel               "0", "3" as shown
    /*  67 */ 0xDC,
    0x05,  // acquireDelayTime 1500 profile
    /*  69 */ 0xE8,
    0x03,  // setDelayTime 1000     profile
    /*  71 */ 0x12,
    0x34,  // reserved8             kept
    /*  73 */ 0xDC,
    0x05,  // clearTime 1500        profile
    /*  75 */ 0x60,
    0x6D,            // expTimeout 28000      profile
    /*  77 */ 0xA1,  // reservedBlock[0]      kept
    /*  78 */ 0x00,  // no slot               zero
    /*  79 */ 0xA3,  // reservedBlock[1]      kept
    /*  80 */ 0x00,  // no slot               zero
    /*  81 */ 0xC0,
    0xC1,
    0xC2,
    0xC3,
    0xC4,
    0xC5,  // reservedBlock[2..7]  kept
    /*  87 */ 0xC6,
    0xC7,
    0xC8,
    0xC9,
    0xCA,
    0xCB,
    /*  93 */ 0xD0,
    0xD1,
    0xD2,
    0xD3,
    0xD4,
    0xD5,
    0xD6,
    0xD7,  // reservedBlock[8..31]  kept
    /* 101 */ 0xD8,
    0xD9,
    0xDA,
    0xDB,
    0xDC,
    0xDD,
    0xDE,
    0xDF,
    /* 109 */ 0xE0,
    0xE1,
    0xE2,
    0xE3,
    0xE4,
    0xE5,
    0xE6,
    0xE7,
    /* 117 */ 'K',
    'X',
    '2',
    '3',
    '1',
    '1',
    '0',
    '5',
    '0',
    '0',
    '0',
    '1',
    '7',             // serial as read
    /* 130 */ 0x7E,  // reservedTail          kept
    /* 131 */ 0xB2,  // exclusive OR of offsets 3 to 130
    /* 132 */ 0xAA,
};

// The same block in the ROM form: its own header, no check byte, a fixed end.
inline Bytes RomFrameOf(const std::array<std::uint8_t, 133>& memoryWrite) {
    Bytes frame = {0xEC, 0xA6, 0x80};
    frame.insert(frame.end(), memoryWrite.begin() + 3, memoryWrite.begin() + 131);
    frame.push_back(0xBD);
    frame.push_back(0x98);
    return frame;
}

// The block a write frame carries.
inline Bytes BlockOf(const Bytes& frame) {
    return Bytes(frame.begin() + 3, frame.begin() + 131);
}

inline std::uint8_t XorOfBlock(const Bytes& frame) {
    std::uint8_t x = 0;
    for (std::size_t i = 3; i < 131 && i < frame.size(); ++i) {
        x = static_cast<std::uint8_t>(x ^ frame[i]);
    }
    return x;
}

inline Bytes ToBytes(const auto& array) {
    return Bytes(array.begin(), array.end());
}

}  // namespace kelm9d::testing
