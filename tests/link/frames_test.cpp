#include "link/frames.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelm9d {
namespace {

TEST(CommandFrames, ExactBytes) {
    EXPECT_EQ(BuildCommandFrame(CommandCode::kRead), (CommandFrame{0x55, 0x03, 0x00, 0x00, 0xAA}));
    EXPECT_EQ(BuildCommandFrame(CommandCode::kReset), (CommandFrame{0x55, 0x01, 0x00, 0x00, 0xAA}));
    EXPECT_EQ(BuildCommandFrame(CommandCode::kTemperatureQuery),
              (CommandFrame{0x55, 0x0A, 0x00, 0x00, 0xAA}));
    EXPECT_EQ(BuildCommandFrame(CommandCode::kReadBoardVersionQuery),
              (CommandFrame{0x55, 0x0C, 0x00, 0x00, 0xAA}));
}

WriteFrame Expected(std::vector<std::uint8_t> head, const ParameterBlock& block,
                    std::vector<std::uint8_t> tail) {
    WriteFrame frame{};
    std::size_t i = 0;
    for (auto b : head)
        frame[i++] = b;
    for (auto b : block)
        frame[i++] = b;
    for (auto b : tail)
        frame[i++] = b;
    EXPECT_EQ(i, kWriteFrameBytes);
    return frame;
}

TEST(WriteFrames, BothEnvelopes) {
    const ParameterBlock zeros{};
    EXPECT_EQ(BuildWriteFrame(ParamWriteMode::WorkingMemory, zeros),
              Expected({0x55, 0x02, 0x80}, zeros, {0x00, 0xAA}));

    ParameterBlock block{};
    block[0] = 0x01;  // cfgType
    block[1] = 0x0B;  // productCode
    EXPECT_EQ(BuildWriteFrame(ParamWriteMode::WorkingMemory, block),
              Expected({0x55, 0x02, 0x80}, block, {0x0A, 0xAA}));
    // The ROM form carries no check byte: it ends in the same pair whatever the block.
    EXPECT_EQ(BuildWriteFrame(ParamWriteMode::Rom, block),
              Expected({0xEC, 0xA6, 0x80}, block, {0xBD, 0x98}));
    block.fill(0xFF);
    EXPECT_EQ(BuildWriteFrame(ParamWriteMode::Rom, block),
              Expected({0xEC, 0xA6, 0x80}, block, {0xBD, 0x98}));
}

TEST(WriteFrames, UnknownModeActsAsWorkingMemory) {
    ParameterBlock block{};
    block[5] = 0x42;
    EXPECT_EQ(BuildWriteFrame(static_cast<ParamWriteMode>(7), block),
              BuildWriteFrame(ParamWriteMode::WorkingMemory, block));
}

TEST(WriteFrames, CheckByteCoversOnlyTheBlock) {
    ParameterBlock block{};
    block[0] = 0x5A;
    block[127] = 0x0F;
    block[64] = 0xFF;
    EXPECT_EQ(BlockCheckByte(block), 0x5A ^ 0x0F ^ 0xFF);
    EXPECT_EQ(BlockCheckByte(ParameterBlock{}), 0x00);
}

TEST(Answers, StatusBytes) {
    EXPECT_EQ(StatusResultForByte(0x01), 1);
    EXPECT_EQ(StatusResultForByte(0x02), 999);
    EXPECT_EQ(StatusResultForByte(0x04), 998);
    EXPECT_EQ(StatusResultForByte(0xE1), kStatusNone);
    EXPECT_EQ(StatusResultForByte(0x07), 0);
    EXPECT_TRUE(IsReportedStatus(998));
    EXPECT_FALSE(IsReportedStatus(0));
    EXPECT_FALSE(IsReportedStatus(kStatusNone));
}

TEST(Answers, LongAnswerCodes) {
    for (int code = 0; code < 256; ++code) {
        const bool expected = code == 0x03 || code == 0x11 || (code >= 0xE0 && code <= 0xEA);
        EXPECT_EQ(IsLongAnswerCode(static_cast<std::uint8_t>(code)), expected) << code;
    }
}

TEST(Answers, Values) {
    EXPECT_EQ(TemperatureFromBytes(0x09, 0xC4), 2500.0F);
    EXPECT_EQ(TemperatureFromBytes(0x0A, 0x05), 2565.0F);
    EXPECT_EQ(TemperatureFromBytes(0xFF, 0xFF), 65535.0F);
    EXPECT_EQ(InnerDelayFromBytes(0x01, 0xF4), 500);

    struct Case {
        std::uint8_t first, second;
        ReadBoardVersion version;
    };
    const std::vector<Case> cases = {
        {0x12, 0x05, {1, 2, 5}},  {0x05, 0x25, {0, 5, 25}}, {0x00, 0x07, {0, 0, 7}},
        {0x00, 0x10, {0, 0, 10}}, {0x00, 0x1A, {0, 0, 1}},  {0x00, 0xA1, {0, 0, 0}},
        {0xA9, 0x99, {0, 9, 99}}, {0x9F, 0xFF, {9, 0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadBoardVersionFromBytes(c.first, c.second), c.version)
            << std::hex << int{c.first} << ' ' << int{c.second};
    }
}

}  // namespace
}  // namespace kelm9d
