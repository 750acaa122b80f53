// Operator port names. The parsing and the port folder are the same on every
// platform; only the fixed mapping and the probe belong to the platform.
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "platform/serial/port_names.h"
#include "platform/serial/serial_port.h"

namespace kelm9d {

std::optional<int> ParseComNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 6) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        const char c = name[i];
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != "com"[i]) {
            return std::nullopt;
        }
    }
    if (name[3] == '0') {
        return std::nullopt;  // "com0" and "com01" are no ports
    }
    int number = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return std::nullopt;
        }
        number = number * 10 + (name[i] - '0');
    }
    if (number < 1 || number > 255) {
        return std::nullopt;
    }
    return number;
}

std::optional<std::string> ResolvePortName(const std::string& name) {
    if (IsDevicePath(name)) {
        return name;
    }
    const std::optional<int> number = ParseComNumber(name);
    if (!number) {
        return std::nullopt;
    }
    // An empty variable counts as not set.
    const char* folder = std::getenv(kPortDirVariable);
    if (folder == nullptr || *folder == '\0') {
        return FixedPortDevice(*number);
    }
    // The folder's entries are lower case whatever the operator typed. The
    // entry itself decides, even a link whose target has gone: opening it
    // then says "no such device", which is the truth.
    const std::filesystem::path entry =
        std::filesystem::path(folder) / ("com" + std::to_string(*number));
    std::error_code ignored;
    if (!std::filesystem::exists(std::filesystem::symlink_status(entry, ignored))) {
        return std::nullopt;
    }
    return entry.string();
}

SerialDevice OpenNamedPort(const std::string& name, SerialError& error) {
    error = SerialError{};
    const std::optional<std::string> path = ResolvePortName(name);
    if (!path) {
        error.code = ENOENT;
        error.operation = "resolve";
        error.port = name;
        return SerialDevice{};
    }
    SerialDevice device = SerialDevice::Open(*path, error);
    if (!device.IsOpen()) {
        error.port = name;
        error.path = (*path == name) ? std::string() : *path;
    }
    return device;
}

}  // namespace kelm9d
