#include "params/conversions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelm9d {
namespace {

std::uint16_t TwosComplement(int negative) {
    return static_cast<std::uint16_t>(65536 + negative);
}

TEST(Vt, VoltsTextToCodeAndBack) {
    struct Case {
        const char* text;
        std::uint16_t code;
        const char* shownAgain;
    };
    const std::vector<Case> cases = {
        {"1.22", 0, "1.22"},
        {"1.23", 2, "1.23"},
        {"1.5", 78, "1.50"},
        {"1.68", 128, "1.68"},  // the factory profile's value
        {"2.0", 217, "2.00"},
        {"3.3", 580, "3.30"},
        {"5.0", 1054, "5.00"},
        {"6", 1054, "5.00"},                    // clamped to 5 V
        {"1.2", TwosComplement(-5), "236.03"},  // below 1.22 V wraps
        {"0", TwosComplement(-340), "234.83"},
        {"-1", TwosComplement(-340), "234.83"},   // clamped to 0 V
        {"abc", TwosComplement(-340), "234.83"},  // no number reads as 0 V
        {"  1.68V", 128, "1.68"},                 // atof: blanks, then the longest prefix
        {"nan", TwosComplement(-340), "234.83"},  // not a number counts as 0 V
        {"inf", 1054, "5.00"},
    };
    for (const auto& c : cases) {
        const std::uint16_t code = VtVoltsToCode(c.text);
        EXPECT_EQ(code, c.code) << '"' << c.text << '"';
        EXPECT_EQ(VtCodeToText(code), c.shownAgain) << '"' << c.text << '"';
    }
}

TEST(Vt, CodeToVoltsExamples) {
    EXPECT_EQ(VtCodeToText(65535), "236.04");
    EXPECT_EQ(VtCodeToText(1000), "4.80");
    EXPECT_EQ(VtCodeToText(1), "1.22");
    EXPECT_EQ(VtCodeToText(0), "1.22");
    // The value is rounded to float before it is shown.
    EXPECT_EQ(VtCodeToVolts(128),
              static_cast<float>(128 * 0.0009765625 * 20 * 1000 * 0.00018345864661654135 + 1.22));
}

TEST(Temperature, RoundsHalfUpThroughFloatSteps) {
    const std::vector<std::pair<float, const char*>> cases = {
        {3570, "35.7"}, {3574, "35.7"}, {3575, "35.8"},
        {0, "0.0"},     {2549, "25.5"},  // 255.4 truncates to 255
        {2345, "23.5"}, {2500, "25.0"}, {65535, "655.3"},
        {2565, "25.6"},  // 25.65 is 25.6499996 as a float: the half does not round up
    };
    for (const auto& [hundredths, text] : cases) {
        EXPECT_EQ(FormatTemperature(hundredths), text) << hundredths;
    }
    EXPECT_EQ(FormatHumidity(0.0F), "0.0");
}

TEST(BitFields, BinaryTexts) {
    const auto four = BinaryText4(0b1010);
    EXPECT_EQ(std::string(four.begin(), four.end()), "1010");
    const auto sixteen = BinaryText16(0x8001);
    EXPECT_EQ(std::string(sixteen.begin(), sixteen.end()), "1000000000000001");
    const auto cut = BinaryText4(0x1F);  // only bits 3..0
    EXPECT_EQ(std::string(cut.begin(), cut.end()), "1111");
}

TEST(BitFields, SensorSelect) {
    EXPECT_EQ(UnpackSensorSelect(7, 0), (SensorSelect{true, true, true, false}));
    EXPECT_EQ(UnpackSensorSelect(8, 0), (SensorSelect{}));  // bit 3 not shown
    EXPECT_EQ(UnpackSensorSelect(20, 0), (SensorSelect{true, false, false, false}));  // 10100
    EXPECT_EQ(UnpackSensorSelect(0, 2), (SensorSelect{false, false, false, true}));
    EXPECT_EQ(PackSensorSelect({true, false, true, false}), (SensorSelectSlots{5, 0}));
    EXPECT_EQ(PackSensorSelect({false, true, false, true}), (SensorSelectSlots{2, 1}));
}

TEST(BitFields, GainSelect) {
    EXPECT_EQ(UnpackGainSelect(5), (GainSelect{true, false, true, false}));
    EXPECT_EQ(UnpackGainSelect(0xFFF0), (GainSelect{}));
    EXPECT_EQ(PackGainSelect({true, false, false, true}), 9);
}

TEST(BitFields, SignalFlags) {
    const auto two = UnpackSignalFlags(2);
    EXPECT_FALSE(two[0]);  // Auto Clear
    EXPECT_TRUE(two[1]);   // High Valid
    const auto allButLowTwo = UnpackSignalFlags(0xFFFC);
    EXPECT_FALSE(allButLowTwo[0]);
    EXPECT_FALSE(allButLowTwo[1]);
    EXPECT_TRUE(allButLowTwo[15]);
    EXPECT_EQ(PackSignalFlags(true, false), 1);
    EXPECT_EQ(PackSignalFlags(true, true), 3);
    EXPECT_EQ(PackSignalFlags(false, true), 2);
}

TEST(TriggerAndBinning, Rules) {
    EXPECT_EQ(TriggerSelectionForSlot(3), 3);
    EXPECT_EQ(TriggerSelectionForSlot(4), -1);
    EXPECT_EQ(TriggerSelectionForSlot(7), -1);
    EXPECT_EQ(TriggerSlotForSelection(-1), 0);  // no selection writes "Outer"
    EXPECT_EQ(TriggerSlotForSelection(2), 2);
    EXPECT_EQ(TriggerSlotForSelection(4), 0);
    EXPECT_TRUE(BinningChecked(1));
    EXPECT_FALSE(BinningChecked(2));
    EXPECT_EQ(BinningSlot(true), 1);
    EXPECT_EQ(BinningSlot(false), 0);
}

TEST(Texts, DateAndVersion) {
    EXPECT_EQ(FormatDate(14, 4, 4), "2014-4-4");
    EXPECT_EQ(FormatDate(12, 7, 1), "2012-7-1");
    EXPECT_EQ(FormatVersion(4, 1, 4), "4.1.4");
    EXPECT_EQ(FormatVersion(65535, 0, 10), "65535.0.10");
}

TEST(Texts, VersionSplit) {
    using V = std::array<std::uint16_t, 3>;
    EXPECT_EQ(SplitVersion("4.1.4"), (V{4, 1, 4}));
    EXPECT_EQ(SplitVersion("4.1.4.7"), (V{4, 1, 4}));  // further parts ignored
    EXPECT_EQ(SplitVersion(" 3.x.12b"), (V{3, 0, 12}));
    EXPECT_EQ(SplitVersion("70000.1.-1"),
              (V{static_cast<std::uint16_t>(70000 & 0xFFFF), 1, 0xFFFF}));
    EXPECT_EQ(SplitVersion("4"), (V{4, 0, 0}));  // missing parts read as 0
    EXPECT_EQ(SplitVersion(""), (V{0, 0, 0}));
    EXPECT_EQ(SplitVersion(".."), (V{0, 0, 0}));
}

TEST(SerialNumber, CopyWidensSignedBytes) {
    const auto slots = CopySerialNumber("K9D-\xC8");
    EXPECT_EQ(slots[0], 'K');
    EXPECT_EQ(slots[3], '-');
    EXPECT_EQ(slots[4], 0xFFC8);  // a byte from 0x80 fills the high byte with ones
    EXPECT_EQ(slots[5], 0);
    EXPECT_EQ(CopySerialNumber(""), SerialNumberSlots{});
    const auto longText = CopySerialNumber("ABCDEFGHIJKLMNOP");
    EXPECT_EQ(longText[12], 'M');  // only the first 13 characters
}

TEST(SerialNumber, TextFromSlotsStopsAtTheFirstZero) {
    EXPECT_EQ(SerialTextFromSlots(CopySerialNumber("K9D17140404\xC8")), "K9D17140404\xC8");
    SerialNumberSlots slots = CopySerialNumber("AB");
    slots[3] = 'Z';  // after the terminator: not part of the text
    EXPECT_EQ(SerialTextFromSlots(slots), "AB");
    EXPECT_EQ(SerialTextFromSlots(CopySerialNumber("ABCDEFGHIJKLMNOP")), "ABCDEFGHIJKLM");
}

TEST(Products, Names) {
    EXPECT_EQ(ProductTypeText(11), "Kelm9d");
    for (const std::uint16_t other : {std::uint16_t{0}, std::uint16_t{10}, std::uint16_t{12}}) {
        EXPECT_EQ(ProductTypeText(other), "Unknown") << other;
    }
}

}  // namespace
}  // namespace kelm9d
