// Operator port names ("com3") and the devices they stand for.
#pragma once

#include <optional>
#include <string>

#include "platform/serial/serial_error.h"

namespace kelm9d {

// The environment variable naming a folder of links com1, com2, ... When it
// is set, exactly the comN entries found there exist (tests, the demo).
inline constexpr const char* kPortDirVariable = "KELM9D_PORT_DIR";

// Whether a name is a device path rather than an operator's port name: on
// Linux it contains '/', on Windows '\\' or '/'.
bool IsDevicePath(const std::string& name);

// Resolves a name to a device path:
// - a device path (IsDevicePath) is returned as it is;
// - "comN", N from 1 to 255 in any letter case, resolves through the port
//   folder when KELM9D_PORT_DIR is set, else by the fixed mapping
//   com1-com32 -> /dev/ttyS0-31, com33-com64 -> /dev/ttyUSB0-31,
//   com65-com96 -> /dev/ttyACM0-31 (on Windows: the port's own device,
//   see FixedPortDevice);
// - anything else has no device: nullopt.
std::optional<std::string> ResolvePortName(const std::string& name);

// The N of "comN" (1 to 255, any letter case, no leading zero, no sign,
// nothing after the digits); nullopt for any other text.
std::optional<int> ParseComNumber(const std::string& name);

// The platform's fixed device for port number N, used when no port folder is
// set; nullopt for a number that has none.
std::optional<std::string> FixedPortDevice(int number);

// Whether the named port is present and free for us, without changing its
// settings; a port that another program holds, and a device that is no
// serial line, do not count.
bool ProbePort(const std::string& name);

// Opens a named port as SerialDevice::Open does, after resolving the name;
// an unknown name fails with "no such port". On failure `error.port` is the
// name and `error.path` the device it resolved to, for Describe.
class SerialDevice;
SerialDevice OpenNamedPort(const std::string& name, SerialError& error);

}  // namespace kelm9d
