// The mode text of the line, "baud=9600 parity=N data=8 stop=1": our small
// stand-in for the mode strings the serial line was set up with.
#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/serial/serial_port.h"

namespace kelm9d {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i])) {
            return false;
        }
    }
    return true;
}

// Decimal digits only, at least one, no sign; false on overflow.
bool ParseUnsigned(std::string_view text, std::uint32_t& value) {
    if (text.empty()) {
        return false;
    }
    std::uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        result = result * 10 + static_cast<std::uint64_t>(c - '0');
        if (result > UINT32_MAX) {
            return false;
        }
    }
    value = static_cast<std::uint32_t>(result);
    return true;
}

bool ApplyEntry(std::string_view key, std::string_view value, LineSettings& settings) {
    std::uint32_t number = 0;
    if (EqualsIgnoringCase(key, "baud")) {
        if (!ParseUnsigned(value, number) || number == 0) {
            return false;
        }
        settings.baudRate = number;
        return true;
    }
    if (EqualsIgnoringCase(key, "parity")) {
        if (value.size() != 1) {
            return false;
        }
        const char parity = Upper(value[0]);
        if (std::string_view("NEOMS").find(parity) == std::string_view::npos) {
            return false;
        }
        settings.parity = parity;
        return true;
    }
    if (EqualsIgnoringCase(key, "data")) {
        if (!ParseUnsigned(value, number) || number < 5 || number > 8) {
            return false;
        }
        settings.dataBits = static_cast<int>(number);
        return true;
    }
    if (EqualsIgnoringCase(key, "stop")) {
        if (!ParseUnsigned(value, number) || (number != 1 && number != 2)) {
            return false;
        }
        settings.stopBits = static_cast<int>(number);
        return true;
    }
    return false;
}

}  // namespace

bool ParseLineMode(const std::string& modeText, LineSettings& settings) {
    LineSettings parsed = settings;
    std::string_view rest(modeText);
    while (true) {
        while (!rest.empty() && IsSpace(rest.front())) {
            rest.remove_prefix(1);
        }
        if (rest.empty()) {
            break;
        }
        std::size_t end = 0;
        while (end < rest.size() && !IsSpace(rest[end])) {
            ++end;
        }
        const std::string_view entry = rest.substr(0, end);
        rest.remove_prefix(end);
        const std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos) {
            return false;
        }
        if (!ApplyEntry(entry.substr(0, equals), entry.substr(equals + 1), parsed)) {
            return false;
        }
    }
    // All or nothing: a text that fails half-way changes nothing.
    settings = parsed;
    return true;
}

}  // namespace kelm9d
