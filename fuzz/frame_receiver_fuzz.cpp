// The byte receiver under arbitrary line input, chunked either as the reader
// thread reads (NextReadLength bytes into a 256-byte buffer, with short reads
// that abandon the frame) or in arbitrary pieces, and with the awaited query
// changed between reads as the window's thread does.
//
// Every report is compared with a plain byte-at-a-time model written from
// the state table, so a frame that is not exactly the bytes on the line, a
// missed or invented answer, or a state other than 100 between answers
// aborts. The record follows the port's rule (decoded only from a long
// answer that carries a whole block, L >= 128); it must always equal the
// block of the last such answer on the line, never a mix.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "link/frame_receiver.h"
#include "params/parameter_block.h"

namespace kelm9d {
namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "frame_receiver_fuzz: %s\n", what);
    std::abort();
}

void Check(bool holds, const char* what) {
    if (!holds) {
        Fail(what);
    }
}

struct Event {
    enum Kind { kStray, kLong, kStatus, kInnerDelay, kTemperature, kQuery2, kVersion, kRomAck };
    Kind kind = kStray;
    std::vector<std::uint8_t> bytes;  // the stray byte, or the whole long answer
    int a = 0;                        // status result, or inner delay
    int b = 0;                        // last status result reported before an inner delay
    float temperature = 0.0F;
    ReadBoardVersion version;
    friend bool operator==(const Event&, const Event&) = default;
};

Event MakeEvent(Event::Kind kind, std::vector<std::uint8_t> bytes = {}, int a = 0, int b = 0) {
    Event e;
    e.kind = kind;
    e.bytes = std::move(bytes);
    e.a = a;
    e.b = b;
    return e;
}

// What both the receiver's sink and the model do with a completed long
// answer: the port's rule for the record.
bool UpdatesRecord(std::span<const std::uint8_t> frame) {
    return frame.size() >= kParameterFrameMinBytes + 2;
}

DetectorParams DecodeFrame(std::span<const std::uint8_t> frame) {
    DetectorParams record;
    DecodeParameterBlock(frame.first<kParameterFrameMinBytes>(), record);
    return record;
}

class RecordingSink final : public ReceiverSink {
  public:
    int pending = kNoQuery;
    std::vector<Event> events;
    DetectorParams record;

    int PendingQuery() const override { return pending; }
    void OnStrayByte(std::uint8_t byte) override {
        events.push_back(MakeEvent(Event::kStray, {byte}));
    }
    void OnLongAnswer(std::span<const std::uint8_t> frame) override {
        Check(!frame.empty() && frame.size() <= FrameReceiver::kFrameBufferBytes,
              "long answer larger than the frame buffer");
        events.push_back(
            MakeEvent(Event::kLong, std::vector<std::uint8_t>(frame.begin(), frame.end())));
        if (UpdatesRecord(frame)) {
            record = DecodeFrame(frame);
        }
    }
    void OnStatusReported(int result) override {
        Check(IsReportedStatus(result), "status reported that is not 1, 999 or 998");
        events.push_back(MakeEvent(Event::kStatus, {}, result));
    }
    void OnInnerDelay(std::uint16_t innerDelay, int lastStatusResult) override {
        events.push_back(MakeEvent(Event::kInnerDelay, {}, innerDelay, lastStatusResult));
    }
    void OnTemperature(float hundredths) override {
        Event e = MakeEvent(Event::kTemperature);
        e.temperature = hundredths;
        events.push_back(e);
        pending = kNoQuery;
    }
    void OnQuery2Answer() override {
        events.push_back(MakeEvent(Event::kQuery2));
        pending = kNoQuery;
    }
    void OnReadBoardVersion(const ReadBoardVersion& version) override {
        Event e = MakeEvent(Event::kVersion);
        e.version = version;
        events.push_back(e);
        pending = kNoQuery;
    }
    void OnWriteRomAck() override {
        events.push_back(MakeEvent(Event::kRomAck));
        pending = kNoQuery;
    }
};

// The receiver as the state table describes it, one byte at a time, with
// none of the receiver's shortcuts (no payload copy in one piece).
class Model {
  public:
    int state = 100;
    int pending = kNoQuery;
    int statusResult = kStatusNone;
    int lastStatusResult = 1;
    std::vector<Event> events;
    std::vector<std::uint8_t> frame;
    DetectorParams record;

    std::size_t NextReadLength() const { return state == 104 ? 3 + length_ - frame.size() : 1; }

    void Abandon() {
        state = 100;
        frame.clear();
        kind_ = Event::kStray;  // no short answer
        second_ = false;
        statusResult = kStatusNone;
    }

    void Byte(std::uint8_t byte) {
        switch (state) {
            case 100:
                if (byte == 0x55) {
                    frame = {byte};
                    state = 101;
                } else {
                    events.push_back(MakeEvent(Event::kStray, {byte}));
                }
                return;
            case 101:
                Code(byte);
                return;
            case 102:
                if (kind_ == Event::kStatus) {
                    if (byte != 0xE0) {
                        statusResult = StatusResultForByte(byte);
                        state = 106;
                    }
                } else if (!second_) {
                    data_[0] = byte;
                    second_ = true;
                } else {
                    data_[1] = byte;
                    state = 106;
                }
                return;
            case 103:
                frame.push_back(byte);
                length_ = byte;
                state = byte > 0 ? 104 : 105;
                return;
            case 104:
                frame.push_back(byte);
                if (frame.size() == 3 + length_) {
                    state = 105;
                }
                return;
            case 105:
                frame.push_back(byte);
                state = 106;
                return;
            case 106:
                if (byte == 0xAA) {
                    if (kind_ == Event::kLong) {
                        frame.push_back(byte);
                    }
                    Complete();
                }
                Abandon();
                return;
            default:
                Fail("model in an unknown state");
        }
    }

  private:
    void Short(Event::Kind kind) {
        kind_ = kind;
        second_ = false;
        data_[0] = data_[1] = 0;
        if (kind == Event::kStatus) {
            statusResult = 0;
        }
        state = 102;
    }

    void Code(std::uint8_t code) {
        if (code == 0x03 || code == 0x11 || (code >= 0xE0 && code <= 0xEA)) {
            frame.push_back(code);
            kind_ = Event::kLong;
            state = 103;
        } else if (code == 0x02) {
            switch (pending) {
                case 1:
                    Short(Event::kTemperature);
                    break;
                case 2:
                    Short(Event::kQuery2);
                    break;
                case 3:
                    Short(Event::kVersion);
                    break;
                case 4:
                    Short(Event::kRomAck);
                    break;
                default:
                    Short(Event::kStatus);
                    break;
            }
        } else if (code == 0x12) {
            Short(Event::kInnerDelay);
        } else if (code == 0x0A && pending == 1) {
            Short(Event::kTemperature);
        } else if (code == 0x0B && pending == 2) {
            Short(Event::kQuery2);
        } else {
            Abandon();
        }
    }

    void Complete() {
        switch (kind_) {
            case Event::kLong:
                events.push_back(MakeEvent(Event::kLong, frame));
                if (UpdatesRecord(frame)) {
                    record = DecodeFrame(frame);
                }
                return;
            case Event::kStatus:
                if (statusResult == 1 || statusResult == 999 || statusResult == 998) {
                    events.push_back(MakeEvent(Event::kStatus, {}, statusResult));
                    lastStatusResult = statusResult;
                }
                return;
            case Event::kInnerDelay:
                events.push_back(
                    MakeEvent(Event::kInnerDelay, {}, data_[0] * 256 + data_[1], lastStatusResult));
                lastStatusResult = 1;
                return;
            case Event::kTemperature: {
                Event e = MakeEvent(Event::kTemperature);
                e.temperature = static_cast<float>(data_[0] * 256 + data_[1]);
                events.push_back(e);
                pending = kNoQuery;
                return;
            }
            case Event::kQuery2:
                events.push_back(MakeEvent(Event::kQuery2));
                pending = kNoQuery;
                return;
            case Event::kVersion: {
                Event e = MakeEvent(Event::kVersion);
                e.version = ReadBoardVersionFromBytes(data_[0], data_[1]);
                events.push_back(e);
                pending = kNoQuery;
                return;
            }
            case Event::kRomAck:
                events.push_back(MakeEvent(Event::kRomAck));
                pending = kNoQuery;
                return;
            case Event::kStray:
                Fail("model completed an answer it never began");
        }
    }

    Event::Kind kind_ = Event::kStray;
    bool second_ = false;
    std::uint8_t data_[2] = {0, 0};
    std::size_t length_ = 0;
};

// Compares what both reported since the last call, and their states.
void Compare(const FrameReceiver& receiver, RecordingSink& sink, Model& model) {
    Check(sink.events.size() == model.events.size(), "receiver and model report a different count");
    for (std::size_t i = 0; i < sink.events.size(); ++i) {
        Check(sink.events[i] == model.events[i], "receiver reports another answer than the model");
    }
    sink.events.clear();
    model.events.clear();
    Check(static_cast<int>(receiver.state()) == model.state,
          "receiver in another state than the model");
    Check(receiver.NextReadLength() == model.NextReadLength(), "next read length differs");
    Check(receiver.statusResult() == model.statusResult, "status result differs");
    Check(receiver.lastStatusResult() == model.lastStatusResult, "last status result differs");
    Check(sink.pending == model.pending, "awaited query differs");
    Check(sink.record == model.record, "record is not the block of the last whole answer");
    if (model.state == 100) {
        Check(model.frame.empty(), "a frame left over between answers");
    }
}

int PickQuery(FuzzedDataProvider& fdp) {
    // Mostly the values the window sets; now and then anything at all.
    const std::uint8_t choice = fdp.ConsumeIntegral<std::uint8_t>();
    return choice < 240 ? choice % 5 : fdp.ConsumeIntegral<int>();
}

}  // namespace
}  // namespace kelm9d

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelm9d;
    FuzzedDataProvider fdp(data, size);
    const bool asTheReaderReads = fdp.ConsumeBool();

    RecordingSink sink;
    FrameReceiver receiver(sink);
    Model model;
    sink.pending = model.pending = PickQuery(fdp);
    // On the heap and exactly as large as the reader's, so that a read length
    // past it is a buffer overflow ASan reports.
    const auto readBuffer = std::make_unique<std::uint8_t[]>(FrameReceiver::kReadBufferBytes);

    while (fdp.remaining_bytes() > 0) {
        const std::uint8_t control = fdp.ConsumeIntegral<std::uint8_t>();
        if (control >= 0xF0) {
            // The window's thread sets the awaited query before it sends.
            sink.pending = model.pending = PickQuery(fdp);
        }
        if (asTheReaderReads) {
            const std::size_t want = receiver.NextReadLength();
            Check(want >= 1 && want <= FrameReceiver::kReadBufferBytes,
                  "read length outside the read buffer");
            if (control == 0xEF) {
                // A read that delivered less than asked: the frame is dropped.
                receiver.Abandon();
                model.Abandon();
            } else {
                const std::vector<std::uint8_t> bytes = fdp.ConsumeBytes<std::uint8_t>(want);
                if (bytes.size() < want) {
                    break;  // the stop event ends an unfinished read
                }
                std::copy(bytes.begin(), bytes.end(), readBuffer.get());
                receiver.Feed(std::span<const std::uint8_t>(readBuffer.get(), want));
                for (const std::uint8_t b : bytes) {
                    model.Byte(b);
                }
            }
        } else {
            const std::size_t length = 1 + (control & 0x7F) * (control & 0x80 ? 4 : 1);
            const std::vector<std::uint8_t> bytes = fdp.ConsumeBytes<std::uint8_t>(length);
            receiver.Feed(bytes);
            for (const std::uint8_t b : bytes) {
                model.Byte(b);
            }
        }
        Compare(receiver, sink, model);
    }
    return 0;
}
