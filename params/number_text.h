// Number parsing and formatting with the C library's rules, independent of
// the process locale: a window toolkit may switch LC_NUMERIC to the user's
// locale, and "1,68" must never become the VT voltage.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelm9d {

// As atoi: leading white space, an optional sign, decimal digits up to the
// first other character; no digits gives 0. Out-of-range values saturate to
// INT32_MIN / INT32_MAX, as the original platform's runtime does.
std::int32_t ParseLeadingInt(std::string_view text);

// As atof: leading white space, then the longest prefix that reads as a
// decimal or hexadecimal floating-point number, "inf", "infinity" or "nan";
// 0.0 when there is none. Overflow gives +-HUGE_VAL, underflow +-0.0.
double ParseLeadingDouble(std::string_view text);

// printf("%.<decimals>f", value) in the "C" locale.
std::string FormatFixed(double value, int decimals);

// Truncation toward zero into a 32-bit integer that cannot overflow: NaN
// gives 0 and values beyond the range saturate.
std::int32_t TruncateToInt32(double value);

}  // namespace kelm9d
