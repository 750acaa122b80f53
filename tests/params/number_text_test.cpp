#include "params/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace kelm9d {
namespace {

TEST(ParseLeadingInt, FollowsAtoi) {
    const std::vector<std::pair<const char*, std::int32_t>> cases = {
        {"42", 42},
        {"  \t-7", -7},
        {"+3", 3},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"- 1", 0},
        {"--1", 0},
        {"0x10", 0},
        {"007", 7},
        {"5000", 5000},
        {"2147483647", 2147483647},
        {"2147483648", std::numeric_limits<std::int32_t>::max()},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"-99999999999999999999", std::numeric_limits<std::int32_t>::min()},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(ParseLeadingInt(text), value) << '"' << text << '"';
    }
}

TEST(ParseLeadingDouble, FollowsAtof) {
    const std::vector<std::pair<const char*, double>> cases = {
        {"1.68", 1.68}, {"  -2.5e1x", -25.0}, {"+.5", 0.5},  {"5.", 5.0},     {"1e", 1.0},
        {"1e+", 1.0},   {"abc", 0.0},         {"", 0.0},     {"-", 0.0},      {"0x1p3", 8.0},
        {"0x", 0.0},    {"0x.8", 0.5},        {"1,68", 1.0}, {"1e-400", 0.0},
        {"--3", 0.0},   {"+-1", 0.0},         {"-+1", 0.0},  {"0x1p+-3", 1.0}, {"0x1p-+3", 1.0},
        {"0x1.8p+-2", 1.5}, {"-0x1p+-143083", -1.0}, {"0x1p", 1.0},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(ParseLeadingDouble(text), value) << '"' << text << '"';
    }
    EXPECT_EQ(ParseLeadingDouble("1e999"), HUGE_VAL);
    EXPECT_EQ(ParseLeadingDouble("-1e999"), -HUGE_VAL);
    EXPECT_EQ(ParseLeadingDouble("Infinity"), HUGE_VAL);
    EXPECT_TRUE(std::isnan(ParseLeadingDouble(" nan(1)")));
    // A sign without a number is no number: +0.0, as atof gives.
    EXPECT_FALSE(std::signbit(ParseLeadingDouble("-")));
    EXPECT_FALSE(std::signbit(ParseLeadingDouble("\n-$@")));
    EXPECT_TRUE(std::signbit(ParseLeadingDouble("-0")));
}

TEST(FormatFixed, RoundsAsPrintfDoes) {
    EXPECT_EQ(FormatFixed(1.675, 2), "1.68");  // 1.675 is just above the tie in binary
    EXPECT_EQ(FormatFixed(0.125, 2), "0.12");  // an exact tie rounds to even
    EXPECT_EQ(FormatFixed(-0.0, 1), "-0.0");
    EXPECT_EQ(FormatFixed(236.03999328613281, 2), "236.04");
}

TEST(TruncateToInt32, SaturatesInsteadOfOverflowing) {
    EXPECT_EQ(TruncateToInt32(-340.9), -340);
    EXPECT_EQ(TruncateToInt32(1054.99), 1054);
    EXPECT_EQ(TruncateToInt32(std::nan("")), 0);
    EXPECT_EQ(TruncateToInt32(1e300), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(TruncateToInt32(-1e300), std::numeric_limits<std::int32_t>::min());
}

}  // namespace
}  // namespace kelm9d
