#include "params/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace kelm9d {
namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string_view SkipSpace(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) {
        ++i;
    }
    return text.substr(i);
}

// Decides, for a numeral that from_chars found out of range, whether it is
// too large (true) or too small (false): the order of magnitude of its first
// significant digit plus its exponent.
bool NumeralOverflows(std::string_view numeral, bool hex) {
    const char exponentMark = hex ? 'p' : 'e';
    long order = 0;
    bool seenPoint = false;
    bool seenSignificant = false;
    std::size_t i = 0;
    for (; i < numeral.size(); ++i) {
        const char c = numeral[i];
        if (c == '.') {
            seenPoint = true;
            continue;
        }
        if (c == exponentMark || c == (exponentMark - 'a' + 'A')) {
            break;
        }
        const bool zero = c == '0';
        if (!seenSignificant && !zero) {
            seenSignificant = true;
        }
        if (!seenPoint && seenSignificant) {
            ++order;
        } else if (seenPoint && !seenSignificant) {
            --order;
        }
    }
    long exponent = 0;
    if (i < numeral.size()) {
        const std::string_view rest = numeral.substr(i + 1);
        const bool negative = !rest.empty() && rest[0] == '-';
        std::size_t j = (!rest.empty() && (rest[0] == '-' || rest[0] == '+')) ? 1 : 0;
        for (; j < rest.size() && IsDigit(rest[j]); ++j) {
            if (exponent < 100000) {
                exponent = exponent * 10 + (rest[j] - '0');
            }
        }
        exponent = negative ? -exponent : exponent;
    }
    // A hex digit before the point is four bits, and a hex exponent counts bits.
    return (hex ? 4 * order : order) + exponent > 0;
}

// The length of the hex numeral at the start of text (after "0x"): digits, an
// optional point and digits, and a binary exponent only when a digit follows
// its one optional sign. from_chars is handed just this much, because
// libstdc++ 12 reads "1p+-3" as 2^-3 where strtod stops before the p.
std::size_t HexNumeralLength(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsHexDigit(text[i])) {
        ++i;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsHexDigit(text[i])) {
            ++i;
        }
    }
    if (i < text.size() && (text[i] == 'p' || text[i] == 'P')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) {
                ++j;
            }
            i = j;
        }
    }
    return i;
}

}  // namespace

std::int32_t ParseLeadingInt(std::string_view text) {
    text = SkipSpace(text);
    bool negative = false;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate the magnitude in 64 bits and stop growing once it is past
    // the 32-bit range: further digits can only saturate.
    std::int64_t magnitude = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        if (magnitude <= kLimit) {
            magnitude = magnitude * 10 + (text[i] - '0');
        }
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

double ParseLeadingDouble(std::string_view text) {
    text = SkipSpace(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (!text.empty() && text[0] == '-') {
        return 0.0;  // a second sign ends the number before it starts; from_chars would take it
    }
    // from_chars reads neither a plus sign nor the 0x prefix, so both are taken
    // here; a "0x" not followed by a hex digit is just the number 0.
    bool hex = false;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const bool digitFollows = (text.size() > 2 && IsHexDigit(text[2])) ||
                                  (text.size() > 3 && text[2] == '.' && IsHexDigit(text[3]));
        if (digitFollows) {
            hex = true;
            text.remove_prefix(2);
            text = text.substr(0, HexNumeralLength(text));
        }
    }
    double value = 0.0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const auto result = std::from_chars(first, last, value,
                                        hex ? std::chars_format::hex : std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        const std::string_view numeral(first, static_cast<std::size_t>(result.ptr - first));
        value = NumeralOverflows(numeral, hex) ? HUGE_VAL : 0.0;
    } else if (result.ec != std::errc{}) {
        return 0.0;  // no number at all: atof's 0.0 has no sign, "-" is not -0.0
    }
    return negative ? -value : value;
}

std::string FormatFixed(double value, int decimals) {
    // Large enough for any double in fixed notation: 309 integer digits,
    // sign, point and the decimals.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc{}) {
        return {};
    }
    return std::string(buffer, result.ptr);
}

std::int32_t TruncateToInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483648.0) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value <= -2147483649.0) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace kelm9d
