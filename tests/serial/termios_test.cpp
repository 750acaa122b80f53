// The termios values behind the line settings, checked on plain structs: a
// pseudo-terminal forces 8 data bits and no parity, so it cannot show them.
#include <gtest/gtest.h>
#include <termios.h>

#include "platform/serial/termios_posix.h"

namespace kelm9d {
namespace {

termios Cooked() {
    termios t{};
    t.c_iflag = IXON | IXOFF | IXANY | ICRNL | INPCK | ISTRIP | BRKINT | IGNCR | INLCR | PARMRK;
    t.c_oflag = OPOST | ONLCR;
    t.c_lflag = ICANON | ECHO | ECHONL | ISIG | IEXTEN;
    t.c_cflag = CS7 | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL;
    return t;
}

TEST(LineTermios, RawKeepsOnlyWhatTheLineNeeds) {
    termios t = Cooked();
    MakeRaw(t);
    EXPECT_EQ(t.c_iflag, 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag, 0u);
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
    EXPECT_NE(t.c_cflag & CREAD, 0u);
    EXPECT_NE(t.c_cflag & CLOCAL, 0u);
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    // The character format is the settings' business, not raw mode's.
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS7 | PARENB | CSTOPB));
}

TEST(LineTermios, CharacterFormat) {
    struct Case {
        LineSettings settings;
        tcflag_t expected;  // within CSIZE, PARENB, PARODD, CMSPAR, CSTOPB
    };
    const Case cases[] = {
        {{9600, 'N', 8, 1}, CS8},
        {{9600, 'E', 7, 1}, CS7 | PARENB},
        {{9600, 'O', 8, 2}, CS8 | PARENB | PARODD | CSTOPB},
        {{9600, 'M', 6, 1}, CS6 | PARENB | PARODD | CMSPAR},
        {{9600, 'S', 5, 2}, CS5 | PARENB | CMSPAR | CSTOPB},
    };
    const tcflag_t format = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    for (const Case& c : cases) {
        termios t = Cooked();
        ASSERT_TRUE(SetCharacterFormat(c.settings, t)) << c.settings.parity;
        EXPECT_EQ(t.c_cflag & format, c.expected) << c.settings.parity << c.settings.dataBits;
        EXPECT_EQ(t.c_cflag & ~format, Cooked().c_cflag & ~format);
    }

    const LineSettings invalid[] = {{9600, 'X', 8, 1}, {9600, 'n', 8, 1}, {9600, 'N', 4, 1},
                                    {9600, 'N', 9, 1}, {9600, 'N', 8, 0}, {9600, 'N', 8, 3}};
    for (const LineSettings& settings : invalid) {
        termios t = Cooked();
        EXPECT_FALSE(SetCharacterFormat(settings, t));
        EXPECT_EQ(t.c_cflag, Cooked().c_cflag);
    }
}

TEST(LineTermios, Speeds) {
    EXPECT_EQ(SpeedFor(9600), B9600);
    EXPECT_EQ(SpeedFor(50), B50);
    EXPECT_EQ(SpeedFor(115200), B115200);
    EXPECT_EQ(SpeedFor(1000000), B1000000);
    for (std::uint32_t rate : {0u, 1u, 9601u, 12345u, 4000001u}) {
        EXPECT_EQ(SpeedFor(rate), std::nullopt) << rate;
    }
}

}  // namespace
}  // namespace kelm9d
