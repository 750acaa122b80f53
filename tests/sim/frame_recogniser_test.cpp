// The recogniser of the frames the program sends, fed tables of bytes.
#include "sim/frame_recogniser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/sim/far_end.h"

namespace kelm9d::sim {
namespace {

using testing::Bytes;
using testing::Command;
using testing::Hex;
using testing::MemoryWrite;
using testing::PatternBlock;
using testing::RomWrite;

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

// One expected event: kind, its bytes, and for writes the check verdict.
struct Expected {
    RxKind kind;
    Bytes bytes;
    bool checkOk = false;
};

std::string Describe(const std::vector<RxFrame>& frames) {
    std::string text;
    for (const RxFrame& f : frames) {
        text += std::to_string(static_cast<int>(f.kind)) + ": " + Hex(f.bytes) + "\n";
    }
    return text;
}

void ExpectFrames(const std::vector<RxFrame>& got, const std::vector<Expected>& want) {
    ASSERT_EQ(got.size(), want.size()) << Describe(got);
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].kind, want[i].kind) << "event " << i << "\n" << Describe(got);
        EXPECT_EQ(Hex(got[i].bytes), Hex(want[i].bytes)) << "event " << i;
        if (got[i].kind == RxKind::kCommand) {
            EXPECT_EQ(got[i].code, want[i].bytes[1]);
        }
        if (got[i].kind == RxKind::kMemoryWrite || got[i].kind == RxKind::kRomWrite) {
            EXPECT_EQ(Bytes(got[i].block.begin(), got[i].block.end()),
                      Bytes(want[i].bytes.begin() + 3, want[i].bytes.begin() + 131));
        }
        if (got[i].kind == RxKind::kMemoryWrite) {
            EXPECT_EQ(got[i].checkOk, want[i].checkOk) << "event " << i;
        }
    }
}

struct Case {
    const char* name;
    Bytes input;
    std::vector<Expected> frames;  // after Flush
};

std::vector<Case> Cases() {
    const Bytes block = PatternBlock(3);
    const Bytes zeros(128, 0x00);
    Bytes truncatedWrite = MemoryWrite(zeros);
    truncatedWrite.erase(truncatedWrite.begin() + 50);  // one block byte lost on the line
    Bytes romBadTrailer = RomWrite(block);
    romBadTrailer.back() = 0x99;
    Bytes blockWithCommand = zeros;  // a block whose bytes look like a read command
    const Bytes read = Command(0x03);
    std::copy(read.begin(), read.end(), blockWithCommand.begin() + 40);

    return {
        {"read command", Command(0x03), {{RxKind::kCommand, Command(0x03)}}},
        {"every known command in a row",
         Join({Command(0x01), Command(0x03), Command(0x0A), Command(0x0C)}),
         {{RxKind::kCommand, Command(0x01)},
          {RxKind::kCommand, Command(0x03)},
          {RxKind::kCommand, Command(0x0A)},
          {RxKind::kCommand, Command(0x0C)}}},
        {"an unknown code is still a command frame",
         Command(0x07),
         {{RxKind::kCommand, Command(0x07)}}},
        {"55 02 without the length byte is a command, not a write",
         Command(0x02),
         {{RxKind::kCommand, Command(0x02)}}},
        {"working-memory write",
         MemoryWrite(block),
         {{RxKind::kMemoryWrite, MemoryWrite(block), true}}},
        {"working-memory write with a bad check byte",
         MemoryWrite(block, false),
         {{RxKind::kMemoryWrite, MemoryWrite(block, false), false}}},
        {"all-zero block has check byte 00",
         MemoryWrite(zeros),
         {{RxKind::kMemoryWrite, MemoryWrite(zeros), true}}},
        {"ROM write", RomWrite(block), {{RxKind::kRomWrite, RomWrite(block)}}},
        {"a block that contains command bytes stays one write",
         MemoryWrite(blockWithCommand),
         {{RxKind::kMemoryWrite, MemoryWrite(blockWithCommand), true}}},
        {"stray bytes before a command",
         Join({{0x12, 0x34}, Command(0x0A)}),
         {{RxKind::kUnrecognised, {0x12, 0x34}}, {RxKind::kCommand, Command(0x0A)}}},
        {"doubled header",
         Join({{0x55}, Command(0x03)}),
         {{RxKind::kUnrecognised, {0x55}}, {RxKind::kCommand, Command(0x03)}}},
        {"broken command, then a good one",
         Join({{0x55, 0x03, 0x00, 0x01, 0xAA}, Command(0x0C)}),
         {{RxKind::kUnrecognised, {0x55, 0x03, 0x00, 0x01, 0xAA}},
          {RxKind::kCommand, Command(0x0C)}}},
        {"command with a wrong trailer",
         {0x55, 0x03, 0x00, 0x00, 0xAB},
         {{RxKind::kUnrecognised, {0x55, 0x03, 0x00, 0x00, 0xAB}}}},
        {"a write that lost a byte does not swallow the command after it",
         Join({truncatedWrite, Command(0x03)}),
         {{RxKind::kUnrecognised, truncatedWrite}, {RxKind::kCommand, Command(0x03)}}},
        {"ROM write with a wrong trailer is not acted on",
         romBadTrailer,
         {{RxKind::kUnrecognised, romBadTrailer}}},
        {"half a ROM header, then a command",
         Join({{0xEC, 0xA6, 0x81}, Command(0x01)}),
         {{RxKind::kUnrecognised, {0xEC, 0xA6, 0x81}}, {RxKind::kCommand, Command(0x01)}}},
        {"an unfinished frame is reported when flushed",
         {0x55, 0x03, 0x00},
         {{RxKind::kUnrecognised, {0x55, 0x03, 0x00}}}},
    };
}

// Whole input in one feed, and byte by byte: reads split frames anywhere, so
// both must give the same events.
TEST(FrameRecogniserTest, RecognisesFramesAndResynchronises) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        {
            FrameRecogniser r;
            std::vector<RxFrame> got;
            r.Feed(c.input.data(), c.input.size(), got);
            r.Flush(got);
            ExpectFrames(got, c.frames);
            EXPECT_FALSE(r.Pending());
        }
        {
            FrameRecogniser r;
            std::vector<RxFrame> got;
            for (const std::uint8_t b : c.input) {
                r.Feed(&b, 1, got);
            }
            r.Flush(got);
            ExpectFrames(got, c.frames);
        }
    }
}

TEST(FrameRecogniserTest, HoldsUnrecognisedBytesUntilAFrameOrAFlush) {
    FrameRecogniser r;
    std::vector<RxFrame> got;
    const Bytes stray = {0x01, 0x02, 0x55, 0x03};
    r.Feed(stray.data(), stray.size(), got);
    EXPECT_TRUE(got.empty());
    EXPECT_TRUE(r.Pending());
    r.Flush(got);
    ExpectFrames(got, {{RxKind::kUnrecognised, stray}});
    EXPECT_FALSE(r.Pending());

    // After a flush the recogniser starts clean.
    got.clear();
    const Bytes read = Command(0x03);
    r.Feed(read.data(), read.size(), got);
    ExpectFrames(got, {{RxKind::kCommand, read}});
    EXPECT_FALSE(r.Pending());
}

TEST(FrameRecogniserTest, CutsAFloodOfNoiseIntoBoundedRuns) {
    FrameRecogniser r;
    std::vector<RxFrame> got;
    const Bytes flood(1000, 0x11);
    r.Feed(flood.data(), flood.size(), got);
    r.Flush(got);
    std::size_t total = 0;
    for (const RxFrame& f : got) {
        EXPECT_EQ(f.kind, RxKind::kUnrecognised);
        EXPECT_LE(f.bytes.size(), FrameRecogniser::kMaxUnrecognisedRun);
        total += f.bytes.size();
    }
    EXPECT_EQ(total, flood.size());
}

}  // namespace
}  // namespace kelm9d::sim
