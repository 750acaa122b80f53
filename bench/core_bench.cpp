// Throughput of the pure cores: the byte receiver on a realistic mixed
// stream, the block codec, and the conversions, per call.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "link/frame_receiver.h"
#include "params/conversions.h"
#include "params/parameter_block.h"

namespace kelm9d {
namespace {

class CountingSink : public ReceiverSink {
  public:
    int PendingQuery() const override { return pending; }
    void OnStrayByte(std::uint8_t) override { ++stray; }
    void OnLongAnswer(std::span<const std::uint8_t> frame) override {
        if (frame.size() >= kParameterFrameMinBytes + 2) {
            DecodeParameterBlock(frame.first<kParameterFrameMinBytes>(), record);
        }
        ++answers;
    }
    void OnStatusReported(int) override { ++answers; }
    void OnInnerDelay(std::uint16_t, int) override { ++answers; }
    void OnTemperature(float) override { ++answers; }
    void OnQuery2Answer() override { ++answers; }
    void OnReadBoardVersion(const ReadBoardVersion&) override { ++answers; }
    void OnWriteRomAck() override { ++answers; }

    int pending = kNoQuery;
    std::uint64_t stray = 0;
    std::uint64_t answers = 0;
    DetectorParams record;
};

// Parameter answers, status and inner-delay answers, and line noise, in the
// proportions a busy line might carry them.
std::vector<std::uint8_t> MixedStream() {
    std::mt19937 random(7);
    std::vector<std::uint8_t> stream;
    for (int round = 0; round < 200; ++round) {
        stream.insert(stream.end(), {0x55, 0x03, 0x80});
        std::uint8_t check = 0;
        for (int i = 0; i < 128; ++i) {
            const auto b = static_cast<std::uint8_t>(random() & 0x7F);  // no stray 0x55 headers
            stream.push_back(b);
            check = static_cast<std::uint8_t>(check ^ b);
        }
        stream.push_back(check);
        stream.push_back(0xAA);
        stream.insert(stream.end(), {0x55, 0x02, 0xE0, 0x01, 0xAA, 0x55, 0x12, 0x01, 0xF4, 0xAA});
        for (int i = 0; i < 16; ++i) {
            stream.push_back(static_cast<std::uint8_t>(0x80 + (random() & 0x3F)));
        }
    }
    return stream;
}

// As the reader thread feeds it: one read per NextReadLength.
void BM_ReceiverMixedStream(benchmark::State& state) {
    const std::vector<std::uint8_t> stream = MixedStream();
    CountingSink sink;
    FrameReceiver receiver(sink);
    for (auto _ : state) {
        std::size_t i = 0;
        while (i < stream.size()) {
            const std::size_t n = std::min(receiver.NextReadLength(), stream.size() - i);
            receiver.Feed(std::span<const std::uint8_t>(stream.data() + i, n));
            i += n;
        }
        benchmark::DoNotOptimize(sink.answers);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(stream.size()));
}
BENCHMARK(BM_ReceiverMixedStream);

void BM_DecodeParameterBlock(benchmark::State& state) {
    std::array<std::uint8_t, kParameterFrameMinBytes> frame{};
    for (std::size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<std::uint8_t>(i * 7);
    DetectorParams record;
    for (auto _ : state) {
        DecodeParameterBlock(frame, record);
        benchmark::DoNotOptimize(record);
    }
}
BENCHMARK(BM_DecodeParameterBlock);

void BM_EncodeParameterBlock(benchmark::State& state) {
    DetectorParams record;
    record.timeSpan = 1800;
    record.vt = 128;
    ParameterBlock block{};
    for (auto _ : state) {
        EncodeParameterBlock(record, block);
        benchmark::DoNotOptimize(block);
    }
}
BENCHMARK(BM_EncodeParameterBlock);

void BM_VtVoltsToCode(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(VtVoltsToCode("1.68"));
}
BENCHMARK(BM_VtVoltsToCode);

void BM_VtCodeToText(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(VtCodeToText(128));
}
BENCHMARK(BM_VtCodeToText);

void BM_FormatTemperature(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(FormatTemperature(2345.0F));
}
BENCHMARK(BM_FormatTemperature);

void BM_UnpackSignalFlags(benchmark::State& state) {
    std::uint16_t v = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(UnpackSignalFlags(v++));
}
BENCHMARK(BM_UnpackSignalFlags);

void BM_SplitVersion(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(SplitVersion("4.1.4"));
}
BENCHMARK(BM_SplitVersion);

}  // namespace
}  // namespace kelm9d

BENCHMARK_MAIN();
