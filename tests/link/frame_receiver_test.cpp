#include "link/frame_receiver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace kelm9d {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Records every effect as a short text, and clears the pending query the
// way the port object does when an awaited answer completes.
class RecordingSink : public ReceiverSink {
  public:
    int pendingQuery = kNoQuery;
    std::vector<std::string> events;
    std::vector<Bytes> longAnswers;

    int PendingQuery() const override { return pendingQuery; }
    void OnStrayByte(std::uint8_t byte) override { events.push_back("stray " + Hex(byte)); }
    void OnLongAnswer(std::span<const std::uint8_t> frame) override {
        events.push_back("long " + std::to_string(frame.size()));
        longAnswers.emplace_back(frame.begin(), frame.end());
    }
    void OnStatusReported(int result) override {
        events.push_back("status " + std::to_string(result));
    }
    void OnInnerDelay(std::uint16_t value, int last) override {
        events.push_back("delay " + std::to_string(value) + " last " + std::to_string(last));
    }
    void OnTemperature(float hundredths) override {
        events.push_back("temp " + std::to_string(static_cast<int>(hundredths)));
        pendingQuery = kNoQuery;
    }
    void OnQuery2Answer() override {
        events.push_back("query2");
        pendingQuery = kNoQuery;
    }
    void OnReadBoardVersion(const ReadBoardVersion& v) override {
        events.push_back("version " + std::to_string(v.major) + "." + std::to_string(v.minor) +
                         "." + std::to_string(v.patch));
        pendingQuery = kNoQuery;
    }
    void OnWriteRomAck() override {
        events.push_back("rom ack");
        pendingQuery = kNoQuery;
    }

    static std::string Hex(std::uint8_t b) {
        char text[3];
        std::snprintf(text, sizeof text, "%02X", b);
        return text;
    }
};

Bytes ParameterAnswer(std::uint8_t fill) {
    Bytes frame = {0x55, 0x03, 0x80};
    std::uint8_t check = 0;
    for (int i = 0; i < 128; ++i) {
        const auto b = static_cast<std::uint8_t>(fill + i);
        frame.push_back(b);
        check = static_cast<std::uint8_t>(check ^ b);
    }
    frame.push_back(check);
    frame.push_back(0xAA);
    return frame;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct Case {
    const char* name;
    int pendingQuery;
    Bytes stream;
    std::vector<std::string> events;
    int pendingAfter;
};

std::vector<std::string> Repeat(const std::string& event, int times) {
    return std::vector<std::string>(static_cast<std::size_t>(times), event);
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

std::vector<Case> Cases() {
    // A parameter answer whose block holds no 0x55, sent behind a doubled header.
    Bytes lostBlock(128, 0x11);
    Bytes doubledHeader = Concat({{0x55, 0x55, 0x03, 0x80}, lostBlock, {0x00, 0xAA}});
    return {
        {"noise before a temperature answer",
         kTemperatureQuery,
         {0x41, 0x55, 0x0A, 0x09, 0xC4, 0xAA},
         {"stray 41", "temp 2500"},
         kNoQuery},
        {"0x55 0x55 loses the whole answer, which is then hunted through", kNoQuery,
         Concat({doubledHeader, ParameterAnswer(0)}),
         Join({{"stray 03", "stray 80"},
               Repeat("stray 11", 128),
               {"stray 00", "stray AA"},
               {"long 133"}}),
         kNoQuery},
        {"wrong trailer, then a good temperature answer",
         kTemperatureQuery,
         {0x55, 0x0A, 0x09, 0xC4, 0xAB, 0x55, 0x0A, 0x0A, 0x05, 0xAA},
         {"temp 2565"},
         kNoQuery},
        {"status answers change nothing and leave the line usable",
         kNoQuery,
         Concat({{0x55, 0x02, 0xE0, 0xE0, 0x01, 0xAA},  // fill skipped: result 1
                 {0x55, 0x02, 0x07, 0xAA},              // result 0: not reported
                 {0x55, 0x02, 0xE1, 0xAA},              // no result
                 {0x55, 0x02, 0x02, 0xAA},
                 {0x55, 0x02, 0x04, 0xAA},
                 ParameterAnswer(7)}),
         {"status 1", "status 999", "status 998", "long 133"},
         kNoQuery},
        {"temperature code without its query is dropped at the code",
         kNoQuery,
         {0x55, 0x0A, 0x09, 0xC4, 0xAA},
         {"stray 09", "stray C4", "stray AA"},
         kNoQuery},
        {"a stale temperature query takes the next 0x02 answer",
         kTemperatureQuery,
         {0x55, 0x02, 0x00, 0x00, 0xAA},
         {"temp 0"},
         kNoQuery},
        {"long answer with L = 0", kNoQuery, {0x55, 0x11, 0x00, 0x5A, 0xAA}, {"long 5"}, kNoQuery},
        {"long answer shorter than a block",
         kNoQuery,
         Concat({{0x55, 0xE3, 0x10}, Bytes(16, 0x22), {0x00, 0xAA}}),
         {"long 21"},
         kNoQuery},
        {"ROM acknowledgement",
         kWriteRomAck,
         {0x55, 0x02, 0x00, 0x00, 0xAA},
         {"rom ack"},
         kNoQuery},
        {"ROM acknowledgement with one data byte is not one",
         kWriteRomAck,
         {0x55, 0x02, 0x00, 0xAA, 0x55},
         {},
         kWriteRomAck},
        {"one data byte, but the byte after its trailer is 0xAA",
         kWriteRomAck,
         {0x55, 0x02, 0x00, 0xAA, 0xAA},
         {"rom ack"},
         kNoQuery},
        {"inner delay reports the last status, then resets it to 1",
         kNoQuery,
         {0x55, 0x12, 0x01, 0xF4, 0xAA, 0x55, 0x02, 0x02, 0xAA, 0x55, 0x12, 0x00, 0xFA, 0xAA, 0x55,
          0x12, 0x00, 0x01, 0xAA},
         {"delay 500 last 1", "status 999", "delay 250 last 999", "delay 1 last 1"},
         kNoQuery},
        {"inner delay keeps a pending query",
         kReadBoardVersionQuery,
         {0x55, 0x12, 0x00, 0x05, 0xAA},
         {"delay 5 last 1"},
         kReadBoardVersionQuery},
        {"query 2 with either code", 2, {0x55, 0x0B, 0x01, 0x02, 0xAA}, {"query2"}, kNoQuery},
        {"query-2 code without the query",
         kNoQuery,
         {0x55, 0x0B, 0x01, 0xAA},
         {"stray 01", "stray AA"},
         kNoQuery},
        {"READ-board version",
         kReadBoardVersionQuery,
         {0x55, 0x02, 0x12, 0x05, 0xAA},
         {"version 1.2.5"},
         kNoQuery},
        {"unknown code: dropped, the next header is found",
         kNoQuery,
         {0x55, 0x07, 0x55, 0x12, 0x00, 0x02, 0xAA},
         {"delay 2 last 1"},
         kNoQuery},
        {"a header byte as check or data is not a new frame",
         kNoQuery,
         {0x55, 0x11, 0x00, 0x55, 0xAA, 0x55, 0x12, 0x55, 0x55, 0xAA},
         {"long 5", "delay 21845 last 1"},
         kNoQuery},
    };
}

void FeedBytewise(FrameReceiver& rx, const Bytes& stream) {
    for (const std::uint8_t b : stream)
        rx.Feed(std::span<const std::uint8_t>(&b, 1));
}

// As the reader thread feeds it: each read exactly as long as asked for.
void FeedAsReads(FrameReceiver& rx, const Bytes& stream) {
    std::size_t i = 0;
    while (i < stream.size()) {
        const std::size_t n = std::min(rx.NextReadLength(), stream.size() - i);
        rx.Feed(std::span<const std::uint8_t>(stream.data() + i, n));
        i += n;
    }
}

TEST(FrameReceiver, ByteStreams) {
    for (const auto& c : Cases()) {
        for (int mode = 0; mode < 3; ++mode) {
            RecordingSink sink;
            sink.pendingQuery = c.pendingQuery;
            FrameReceiver rx(sink);
            if (mode == 0)
                rx.Feed(c.stream);
            if (mode == 1)
                FeedBytewise(rx, c.stream);
            if (mode == 2)
                FeedAsReads(rx, c.stream);
            EXPECT_EQ(sink.events, c.events) << c.name << " (feed mode " << mode << ")";
            EXPECT_EQ(sink.pendingQuery, c.pendingAfter) << c.name;
            EXPECT_EQ(rx.state(), FrameReceiver::StateHeader) << c.name;
        }
    }
}

TEST(FrameReceiver, LongAnswerIsHandedOverWholeAndOnce) {
    RecordingSink sink;
    FrameReceiver rx(sink);
    const Bytes answer = ParameterAnswer(0x30);
    FeedAsReads(rx, answer);
    ASSERT_EQ(sink.longAnswers.size(), 1U);
    EXPECT_EQ(sink.longAnswers[0], answer);
}

TEST(FrameReceiver, PayloadIsOneReadOfItsLength) {
    RecordingSink sink;
    FrameReceiver rx(sink);
    const Bytes answer = ParameterAnswer(0);
    EXPECT_EQ(rx.NextReadLength(), 1U);
    rx.Feed(std::span<const std::uint8_t>(answer.data(), 3));
    EXPECT_EQ(rx.state(), FrameReceiver::StatePayload);
    EXPECT_EQ(rx.NextReadLength(), 128U);
    rx.Feed(std::span<const std::uint8_t>(answer.data() + 3, 100));
    EXPECT_EQ(rx.NextReadLength(), 28U);  // a stream split mid-payload resumes
    rx.Feed(std::span<const std::uint8_t>(answer.data() + 103, 28));
    EXPECT_EQ(rx.state(), FrameReceiver::StateCheck);
    EXPECT_EQ(rx.NextReadLength(), 1U);
}

TEST(FrameReceiver, AbandonMidPayloadDropsTheFrameAndResyncs) {
    RecordingSink sink;
    FrameReceiver rx(sink);
    const Bytes first = ParameterAnswer(1);
    rx.Feed(std::span<const std::uint8_t>(first.data(), 60));
    rx.Abandon();  // the read came back short
    EXPECT_EQ(rx.state(), FrameReceiver::StateHeader);
    const Bytes second = ParameterAnswer(2);
    FeedAsReads(rx, second);
    ASSERT_EQ(sink.longAnswers.size(), 1U);
    EXPECT_EQ(sink.longAnswers[0], second);
}

TEST(FrameReceiver, StatusResultDuringAndAfterAnAnswer) {
    RecordingSink sink;
    FrameReceiver rx(sink);
    EXPECT_EQ(rx.statusResult(), kStatusNone);
    EXPECT_EQ(rx.lastStatusResult(), 1);
    rx.Feed(Bytes{0x55, 0x02, 0xE0});
    EXPECT_EQ(rx.statusResult(), 0);  // awaiting its status byte
    rx.Feed(Bytes{0x04});
    EXPECT_EQ(rx.statusResult(), 998);
    rx.Feed(Bytes{0xAA});
    EXPECT_EQ(rx.statusResult(), kStatusNone);
    EXPECT_EQ(rx.lastStatusResult(), 998);
}

}  // namespace
}  // namespace kelm9d
