#include <gtest/gtest.h>

#include <string>

#include "platform/serial/serial_port.h"

namespace kelm9d {
namespace {

bool operator==(const LineSettings& a, const LineSettings& b) {
    return a.baudRate == b.baudRate && a.parity == b.parity && a.dataBits == b.dataBits &&
           a.stopBits == b.stopBits;
}

// Seeds that differ from the standard text in every field, so that each
// override shows.
LineSettings Seed() {
    return LineSettings{19200, 'E', 7, 2};
}

TEST(ParseLineMode, StandardTextOverridesEveryField) {
    LineSettings settings = Seed();
    ASSERT_TRUE(ParseLineMode("baud=9600 parity=N data=8 stop=1", settings));
    EXPECT_TRUE((settings == LineSettings{9600, 'N', 8, 1}));
}

TEST(ParseLineMode, AcceptedTexts) {
    struct Case {
        const char* text;
        LineSettings expected;
    };
    const Case cases[] = {
        {"", Seed()},  // nothing to override
        {"   ", Seed()},
        {"baud=115200", {115200, 'E', 7, 2}},
        {"parity=o", {19200, 'O', 7, 2}},
        {"PARITY=M", {19200, 'M', 7, 2}},
        {"parity=S data=5", {19200, 'S', 5, 2}},
        {"stop=1", {19200, 'E', 7, 1}},
        {"\tbaud=1200\t stop=1 ", {1200, 'E', 7, 1}},
        {"baud=300 baud=600", {600, 'E', 7, 2}},  // the last one wins
        {"Baud=4800 Data=6", {4800, 'E', 6, 2}},
    };
    for (const Case& c : cases) {
        LineSettings settings = Seed();
        EXPECT_TRUE(ParseLineMode(c.text, settings)) << c.text;
        EXPECT_TRUE(settings == c.expected) << c.text;
    }
}

TEST(ParseLineMode, RejectedTextsLeaveTheSettingsAlone) {
    const char* const texts[] = {
        "speed=9600",        // unknown key
        "baud=9600 xon=on",  // unknown key after a good one
        "baud",              // no value
        "baud=",             // empty value
        "baud=0",            // unusable rate
        "baud=-9600",
        "baud=+9600",  // signs
        "baud=96OO",
        "baud=9600x",        // not a number
        "baud=99999999999",  // does not fit
        "parity=X",
        "parity=",
        "parity=NN",
        "data=4",
        "data=9",
        "data=8.0",
        "stop=0",
        "stop=3",
        "stop=1.5",
        "baud = 9600",  // spaces around '='
        "=9600",
    };
    for (const char* text : texts) {
        LineSettings settings = Seed();
        EXPECT_FALSE(ParseLineMode(text, settings)) << text;
        EXPECT_TRUE(settings == Seed()) << text;
    }
}

}  // namespace
}  // namespace kelm9d
