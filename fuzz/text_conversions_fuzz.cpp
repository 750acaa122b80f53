// Every text conversion the window applies to what an operator typed or a
// parameter file held, on arbitrary bytes, each against a reference built on
// the C library (the process stays in the "C" locale):
//   ParseLeadingInt      atoi: strtoll, saturated to 32 bits
//   ParseLeadingDouble   atof: strtod
//   ParseDlgItemInt      blanks, sign, decimal digits, 32-bit range or nothing
//   SplitVersion         three pieces cut at '.', each as atoi, low 16 bits
//   VtVoltsToCode        clamped to 0..5 V; a shown code reads back to itself
// plus the number formatting of the temperature and VT texts for any value.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "params/conversions.h"
#include "params/number_text.h"
#include "platform/dialog/control_table.h"

namespace kelm9d {
namespace {

void Check(bool holds, const char* what, const std::string& input) {
    if (!holds) {
        std::fprintf(stderr, "text_conversions_fuzz: %s\n  input (%zu bytes):", what, input.size());
        for (const char c : input) {
            std::fprintf(stderr, " %02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
        }
        std::fprintf(stderr, "\n");
        std::abort();
    }
}

std::int32_t ReferenceAtoi(const std::string& text) {
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (v > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (v < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(v);
}

bool SameDouble(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) {
        return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
    }
    return a == b && std::signbit(a) == std::signbit(b);
}

DlgItemInt ReferenceDlgItemInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::size_t end = i;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
        ++end;
    }
    if (end == i) {
        return {};
    }
    long long magnitude = 0;
    const auto r = std::from_chars(text.data() + i, text.data() + end, magnitude);
    if (r.ec != std::errc{}) {
        return {};  // beyond even 64 bits
    }
    const long long value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
        return {};
    }
    return {static_cast<int>(value), true};
}

std::array<std::uint16_t, 3> ReferenceSplit(const std::string& text) {
    std::array<std::uint16_t, 3> parts{};
    std::size_t start = 0;
    for (std::size_t n = 0; n < 3; ++n) {
        const std::size_t dot = text.find('.', start);
        const std::string piece = text.substr(start, dot == std::string::npos ? dot : dot - start);
        parts[n] = static_cast<std::uint16_t>(static_cast<std::uint32_t>(ReferenceAtoi(piece)));
        if (dot == std::string::npos) {
            break;
        }
        start = dot + 1;
    }
    return parts;
}

}  // namespace
}  // namespace kelm9d

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelm9d;
    const std::string text(reinterpret_cast<const char*>(data), size);

    Check(ParseLeadingInt(text) == ReferenceAtoi(text), "ParseLeadingInt is not atoi", text);

    const double parsed = ParseLeadingDouble(text);
    Check(SameDouble(parsed, std::strtod(text.c_str(), nullptr)), "ParseLeadingDouble is not atof",
          text);

    const DlgItemInt item = ParseDlgItemInt(text);
    const DlgItemInt expected = ReferenceDlgItemInt(text);
    Check(item.translated == expected.translated && item.value == expected.value,
          "ParseDlgItemInt breaks the item-integer rules", text);

    Check(SplitVersion(text) == ReferenceSplit(text), "SplitVersion differs from atoi pieces",
          text);

    // VT: whatever the text, the code is the code of the clamped voltage.
    const std::uint16_t code = VtVoltsToCode(text);
    const double volts = std::strtod(text.c_str(), nullptr);
    if (std::isnan(volts) || volts <= 0.0) {
        Check(code == VtVoltsToCode("0"), "a VT below 0 V is not 0 V", text);
    } else if (volts >= 5.0) {
        Check(code == VtVoltsToCode("5"), "a VT above 5 V is not 5 V", text);
    }

    // Any code the window shows reads back to itself, give or take the
    // rounding to two decimals, as long as the text stays within 5 V.
    FuzzedDataProvider fdp(data, size);
    const auto shownCode = fdp.ConsumeIntegral<std::uint16_t>();
    const std::string shown = VtCodeToText(shownCode);
    const double shownVolts = ParseLeadingDouble(shown);
    Check(!shown.empty() && std::isfinite(shownVolts), "a VT code without a text", text);
    if (shownVolts <= 5.0) {
        const int back = VtVoltsToCode(shown);
        Check(std::abs(back - static_cast<int>(shownCode)) <= 3, "a shown VT does not read back",
              text);
    }

    // Formatting any value the line or a cast can produce.
    const float hundredths = fdp.ConsumeFloatingPoint<float>();
    const std::string temperature = FormatTemperature(hundredths);
    if (std::isfinite(hundredths) && std::fabs(hundredths) < 1e9F) {
        const double degrees = ParseLeadingDouble(temperature);
        Check(std::fabs(degrees - static_cast<double>(hundredths) / 100) <=
                  0.05 + 1e-6 * std::fabs(degrees),
              "temperature text off by more than the rounding", text);
    }
    (void)FormatHumidity(fdp.ConsumeFloatingPoint<float>());
    const double any = fdp.ConsumeFloatingPoint<double>();
    const std::int32_t truncated = TruncateToInt32(any);
    if (std::isfinite(any) && std::fabs(any) < 2e9) {
        Check(truncated == static_cast<std::int32_t>(std::trunc(any)),
              "truncation is not toward zero", text);
    }
    Check(!FormatFixed(any, fdp.ConsumeIntegralInRange<int>(0, 17)).empty() || std::isnan(any) ||
              std::isinf(any),
          "a finite value that does not format", text);
    return 0;
}
