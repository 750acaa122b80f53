// The platform side of port names on Windows: comN stands for the COM device
// of that number, and the probe.
#include <windows.h>

#include <optional>
#include <string>

#include "platform/serial/port_names.h"
#include "platform/serial/win32_handle.h"

namespace kelm9d {

bool IsDevicePath(const std::string& name) {
    return name.find_first_of("\\/") != std::string::npos;
}

std::optional<std::string> FixedPortDevice(int number) {
    if (number < 1 || number > 255) {
        return std::nullopt;
    }
    // In the device namespace: the bare name reaches only com1 to com9 on
    // Windows, this form every port number, and it means the same device.
    return "\\\\.\\com" + std::to_string(number);
}

bool ProbePort(const std::string& name) {
    const std::optional<std::string> path = ResolvePortName(name);
    if (!path) {
        return false;
    }
    // Access 0: asks whether the device is there without touching its
    // settings or its data. A port that another program holds is refused
    // by the serial driver all the same.
    const UniqueHandle probe(
        ::CreateFileA(path->c_str(), 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return probe.Valid();
}

}  // namespace kelm9d
