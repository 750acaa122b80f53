// The termios side of the line settings, as plain functions over a termios
// value, so that they can be checked without a device (a pseudo-terminal
// forces 8 data bits and no parity whatever it is told). Internal to the
// serial layer's POSIX sources.
#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>

#include "platform/serial/serial_port.h"

namespace kelm9d {

// Raw 8-bit input and output, the receiver on, modem-control lines ignored
// (no hang-up on a lost carrier), no RTS/CTS and no XON/XOFF. Speed and
// character format are left as they are.
void MakeRaw(termios& t);

// The speed constant for a baud rate; nullopt for a rate the line cannot run at.
std::optional<speed_t> SpeedFor(std::uint32_t baudRate);

// Puts data bits, parity and stop bits of `settings` into `t`; false, with
// `t` unchanged, for values out of range.
bool SetCharacterFormat(const LineSettings& settings, termios& t);

}  // namespace kelm9d
