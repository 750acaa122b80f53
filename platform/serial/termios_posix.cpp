#include "platform/serial/termios_posix.h"

namespace kelm9d {
namespace {

// The flag macros are of mixed signedness; tcflag_t is what they go into.
template <typename F>
constexpr tcflag_t Bits(F flags) {
    return static_cast<tcflag_t>(flags);
}

std::optional<tcflag_t> SizeFor(int dataBits) {
    switch (dataBits) {
        case 5:
            return Bits(CS5);
        case 6:
            return Bits(CS6);
        case 7:
            return Bits(CS7);
        case 8:
            return Bits(CS8);
        default:
            return std::nullopt;
    }
}

std::optional<tcflag_t> ParityFor(char parity) {
    // Mark and space are "stick" parity: the parity bit fixed at 1 or 0.
    switch (parity) {
        case 'N':
            return tcflag_t{0};
        case 'E':
            return Bits(PARENB);
        case 'O':
            return Bits(PARENB | PARODD);
        case 'M':
            return Bits(PARENB | PARODD | CMSPAR);
        case 'S':
            return Bits(PARENB | CMSPAR);
        default:
            return std::nullopt;
    }
}

}  // namespace

void MakeRaw(termios& t) {
    t.c_iflag &= ~Bits(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                       IXANY | INPCK);
    t.c_oflag &= ~Bits(OPOST);
    t.c_lflag &= ~Bits(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~Bits(CRTSCTS);
    t.c_cflag |= Bits(CREAD | CLOCAL);
    // The descriptor is nonblocking and poll does the waiting; these only
    // keep a blocking reader of the same line sensible.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

std::optional<speed_t> SpeedFor(std::uint32_t baudRate) {
    struct Rate {
        std::uint32_t rate;
        speed_t speed;
    };
    static constexpr Rate kRates[] = {
        {50, B50},         {75, B75},         {110, B110},        {134, B134},
        {150, B150},       {200, B200},       {300, B300},        {600, B600},
        {1200, B1200},     {1800, B1800},     {2400, B2400},      {4800, B4800},
        {9600, B9600},     {19200, B19200},   {38400, B38400},    {57600, B57600},
        {115200, B115200}, {230400, B230400}, {460800, B460800},  {500000, B500000},
        {576000, B576000}, {921600, B921600}, {1000000, B1000000}};
    for (const Rate& r : kRates) {
        if (r.rate == baudRate) {
            return r.speed;
        }
    }
    return std::nullopt;
}

bool SetCharacterFormat(const LineSettings& settings, termios& t) {
    const std::optional<tcflag_t> size = SizeFor(settings.dataBits);
    const std::optional<tcflag_t> parity = ParityFor(settings.parity);
    if (!size || !parity || (settings.stopBits != 1 && settings.stopBits != 2)) {
        return false;
    }
    t.c_cflag &= ~Bits(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    t.c_cflag |= *size | *parity;
    if (settings.stopBits == 2) {
        t.c_cflag |= Bits(CSTOPB);
    }
    return true;
}

}  // namespace kelm9d
