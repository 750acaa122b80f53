// The port object under a flood: random bytes interleaved with parameter
// answers, sent over a pseudo-terminal we control, and Close while the far
// end never stops sending.
//
// Every answer's block is its own recognisable pattern (its number in the
// first and last bytes, and no 0x55 or 0xAA anywhere but in its header and
// trailer), so any record the port shows can be traced to the one answer it
// came from. Which answers the noise overlaps is decided by running the pure
// receiver over the same stream: an answer counts as overlapped when its
// header arrives while the receiver is not hunting for one, because a noise
// byte before it began a frame (a stray 0x55 takes the header for a code, a
// noise header with a long code takes the answer as payload, and so on).
// Such an answer is lost, since its header is consumed and it holds no other
// 0x55 to start on; every other answer must be decoded exactly, in order.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <iostream>
#include <mutex>
#include <random>
#include <span>
#include <thread>
#include <vector>

#include "link/detector_port.h"
#include "link/frame_receiver.h"
#include "params/parameter_block.h"
#include "tests/link/pty_peer.h"

namespace kelm9d {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using testing::PtyPeer;

constexpr std::size_t kAnswerBytes = 133;

// A byte for the digit d (0 to 127) that is never 0x55 or 0xAA.
std::uint8_t Digit(unsigned d) {
    return static_cast<std::uint8_t>(d + (d >= 0x55 ? 1 : 0));
}

bool Reserved(std::uint8_t b) {
    return b == 0x55 || b == 0xAA;
}

// 55 03 80 <block of answer k> <xor> AA, with k in the first two and the
// last two block bytes and none of 0x55 and 0xAA between header and trailer.
Bytes NumberedAnswer(unsigned k) {
    ParameterBlock block{};
    for (unsigned i = 0; i < block.size(); ++i) {
        std::uint8_t b = static_cast<std::uint8_t>(k * 7 + i * 13 + 1);
        block[i] = Reserved(b) ? static_cast<std::uint8_t>(b ^ 1) : b;
    }
    block[0] = block[126] = Digit(k % 128);
    block[1] = block[127] = Digit(k / 128);
    std::uint8_t check = 0;
    for (unsigned tweak = 2; tweak < 126; ++tweak) {
        check = 0;
        for (const std::uint8_t b : block) {
            check = static_cast<std::uint8_t>(check ^ b);
        }
        if (!Reserved(check)) {
            break;
        }
        block[tweak] = static_cast<std::uint8_t>(block[tweak] ^ 2);  // still not 0x55 or 0xAA
    }
    Bytes answer(kAnswerBytes);
    answer[0] = 0x55;
    answer[1] = 0x03;
    answer[2] = 0x80;
    std::copy(block.begin(), block.end(), answer.begin() + 3);
    answer[131] = check;
    answer[132] = 0xAA;
    return answer;
}

DetectorParams Decoded(std::span<const std::uint8_t> frame) {
    DetectorParams record;
    DecodeParameterBlock(frame.first<kParameterFrameMinBytes>(), record);
    return record;
}

// What the line carries: pieces of noise and answers, in order.
struct Piece {
    Bytes bytes;
    int answer = -1;  // the answer's number, or -1 for noise
};

struct Flood {
    std::vector<Piece> pieces;
    std::size_t noiseBytes = 0;
    int answers = 0;
};

Flood MakeFlood(std::uint32_t seed, std::size_t minNoiseBytes) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> gap(0, 400);
    Flood flood;
    while (flood.noiseBytes < minNoiseBytes) {
        Piece noise;
        noise.bytes.resize(static_cast<std::size_t>(gap(rng)));
        for (std::uint8_t& b : noise.bytes) {
            b = static_cast<std::uint8_t>(byte(rng));
        }
        flood.noiseBytes += noise.bytes.size();
        flood.pieces.push_back(std::move(noise));
        flood.pieces.push_back(
            {NumberedAnswer(static_cast<unsigned>(flood.answers)), flood.answers});
        ++flood.answers;
    }
    return flood;
}

// The pure receiver over the whole stream, as the port's reader feeds it;
// notes where in the stream each whole-block frame ended.
class ModelSink final : public ReceiverSink {
  public:
    explicit ModelSink(const std::size_t& position) : position_(position) {}

    int PendingQuery() const override { return kNoQuery; }
    void OnStrayByte(std::uint8_t) override {}
    void OnLongAnswer(std::span<const std::uint8_t> frame) override {
        if (frame.size() >= kParameterFrameMinBytes + 2) {
            frames.emplace_back(frame.begin(), frame.end());
            ends.push_back(position_);
        }
    }
    void OnStatusReported(int) override {}
    void OnInnerDelay(std::uint16_t, int) override {}
    void OnTemperature(float) override {}
    void OnQuery2Answer() override {}
    void OnReadBoardVersion(const ReadBoardVersion&) override {}
    void OnWriteRomAck() override {}

    std::vector<Bytes> frames;
    std::vector<std::size_t> ends;  // stream position of each frame's last byte

  private:
    const std::size_t& position_;
};

struct Expectation {
    std::vector<DetectorParams> records;  // every record the port must decode, in order
    int clean = 0;                        // answers whose header found the receiver hunting
    int overlapped = 0;                   // the others
    int cleanButLost = 0;                 // must stay 0
    int overlappedButDecoded = 0;         // must stay 0
    int fromNoise = 0;                    // whole-block frames that began in the noise
    int touchingTwoAnswers = 0;           // must stay 0
};

Expectation Expect(const Flood& flood) {
    std::size_t position = 0;
    ModelSink sink(position);
    FrameReceiver receiver(sink);
    Expectation e;
    std::vector<int> owner;  // per stream byte: the answer it belongs to, or -1
    std::vector<std::size_t> answerEnd;
    for (const Piece& piece : flood.pieces) {
        const std::size_t before = sink.frames.size();
        const bool hunting = receiver.state() == FrameReceiver::StateHeader;
        for (const std::uint8_t b : piece.bytes) {
            owner.push_back(piece.answer);
            receiver.Feed(std::span<const std::uint8_t>(&b, 1));
            ++position;
        }
        if (piece.answer < 0) {
            continue;
        }
        const bool exact = sink.frames.size() > before && sink.frames.back() == piece.bytes &&
                           sink.ends.back() == position - 1;
        if (hunting) {
            ++e.clean;
            e.cleanButLost += exact ? 0 : 1;
        } else {
            ++e.overlapped;
            e.overlappedButDecoded += exact ? 1 : 0;
        }
    }
    for (std::size_t i = 0; i < sink.frames.size(); ++i) {
        e.records.push_back(Decoded(sink.frames[i]));
        const std::size_t last = sink.ends[i];
        const std::size_t first = last + 1 - sink.frames[i].size();
        std::vector<int> answers;
        for (std::size_t p = first; p <= last; ++p) {
            if (owner[p] >= 0 &&
                std::find(answers.begin(), answers.end(), owner[p]) == answers.end()) {
                answers.push_back(owner[p]);
            }
        }
        e.touchingTwoAnswers += answers.size() > 1 ? 1 : 0;
        e.fromNoise += owner[first] < 0 ? 1 : 0;
    }
    return e;
}

// Polls `condition` until it holds or `timeout` passes; for conditions no
// one announces.
template <typename Condition>
bool PollUntil(Condition condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class NoiseFlood : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(NoiseFlood, EveryAnswerNotOverlappedIsDecodedAndNoRecordIsAMix) {
    const Flood flood = MakeFlood(GetParam(), 100'000);
    const Expectation expected = Expect(flood);
    ASSERT_GE(flood.noiseBytes, 100'000U);
    // The model's own verdicts: overlapped answers are exactly the lost ones,
    // and no frame it decodes holds bytes of two answers.
    EXPECT_EQ(expected.cleanButLost, 0);
    EXPECT_EQ(expected.overlappedButDecoded, 0);
    EXPECT_EQ(expected.touchingTwoAnswers, 0);

    PtyPeer peer;
    ASSERT_TRUE(peer.ok());
    CDetectorPort port;
    // The reader's own view: a copy of the record after each decoded answer,
    // taken on the reader thread before another answer can be decoded.
    std::vector<DetectorParams> seen;
    std::uint64_t counted = 0;
    port.SetChangeHook([&] {
        const std::uint64_t now = port.ParameterAnswerCount();
        if (now != counted) {
            counted = now;
            seen.push_back(port.CopyParams());
        }
    });
    ASSERT_TRUE(port.Open(peer.slavePath())) << port.LastError().Describe();

    // Meanwhile the window's thread copies the record as often as it can.
    std::vector<DetectorParams> allowed = expected.records;
    allowed.push_back(DetectorParams{});
    std::atomic<bool> watching{true};
    std::atomic<int> strangers{0};
    std::atomic<int> copies{0};
    std::thread watch([&] {
        while (watching) {
            const DetectorParams copy = port.CopyParams();
            if (std::find(allowed.begin(), allowed.end(), copy) == allowed.end()) {
                ++strangers;
            }
            ++copies;
        }
    });

    const auto started = std::chrono::steady_clock::now();
    for (const Piece& piece : flood.pieces) {
        ASSERT_TRUE(peer.Send(piece.bytes));
    }
    const bool all =
        port.WaitFor([&] { return port.ParameterAnswerCount() >= expected.records.size(); }, 120s);
    ASSERT_TRUE(PollUntil([&] { return peer.UnreadBySlave() == 0; }, 10s));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    // Nothing beyond what the model found may come of the rest.
    EXPECT_FALSE(
        port.WaitFor([&] { return port.ParameterAnswerCount() > expected.records.size(); }, 100ms));
    watching = false;
    watch.join();
    port.Close();

    EXPECT_TRUE(all) << port.ParameterAnswerCount() << " of " << expected.records.size();
    EXPECT_EQ(seen.size(), expected.records.size());
    EXPECT_TRUE(seen == expected.records) << "a record differs from the answer the model decoded";
    EXPECT_EQ(strangers.load(), 0) << "the window's thread saw a record no answer carried";
    EXPECT_FALSE(port.ReadFailed());
    std::cout << "[ figure ] seed " << GetParam() << ": " << flood.noiseBytes << " noise bytes, "
              << flood.answers << " answers, " << expected.overlapped << " overlapped by noise, "
              << expected.clean << " clean, all " << seen.size() << " expected records decoded ("
              << expected.fromNoise << " formed by noise), " << copies.load()
              << " concurrent copies checked, " << seconds << " s\n";
}

INSTANTIATE_TEST_SUITE_P(Faults, NoiseFlood, ::testing::Values(1U, 2U, 3U));

// The far end writes answers and noise as fast as the pseudo-terminal takes
// them, and never stops. Close has to end the reader anyway. The time it
// takes is a figure; the test checks only that it returns.
TEST(CloseWhileFlooded, ReturnsEveryTimeWhileTheFarEndNeverStops) {
    PtyPeer peer;
    ASSERT_TRUE(peer.ok());
    std::atomic<bool> sending{true};
    std::thread flood([&] {
        std::mt19937 rng(11);
        Bytes chunk;
        unsigned k = 0;
        while (sending) {
            chunk = NumberedAnswer(k++);
            for (int i = 0; i < 64; ++i) {
                chunk.push_back(static_cast<std::uint8_t>(rng()));
            }
            // Never blocks: while no port is open nobody drains the line.
            if (::write(peer.master(), chunk.data(), chunk.size()) < 0) {
                std::this_thread::yield();
            }
        }
    });

    constexpr int kCycles = 20;
    std::vector<double> closeMs;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        CDetectorPort port;
        ASSERT_TRUE(port.Open(peer.slavePath())) << port.LastError().Describe();
        const std::uint64_t before = port.ParameterAnswerCount();
        ASSERT_TRUE(port.WaitForParameterAnswerAfter(before, 5s)) << "nothing decoded";
        const auto started = std::chrono::steady_clock::now();
        auto closed = std::async(std::launch::async, [&] { port.Close(); });
        ASSERT_EQ(closed.wait_for(2s), std::future_status::ready) << "Close did not return";
        closeMs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count());
        EXPECT_FALSE(port.IsOpen());
    }
    sending = false;
    flood.join();
    std::sort(closeMs.begin(), closeMs.end());
    std::cout << "[ figure ] Close while flooded: median " << closeMs[kCycles / 2] << " ms, max "
              << closeMs.back() << " ms over " << kCycles << " cycles\n";
}

}  // namespace
}  // namespace kelm9d
