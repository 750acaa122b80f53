// The byte receiver: a state machine fed the bytes the line delivers, that
// recognises the detector's answers and reports each completed one to a sink.
// It needs no thread, device or clock, so every frame case is a table test.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "link/frames.h"

namespace kelm9d {

// What the receiver reports. Calls come from the thread that feeds it. The
// sink owns the shared state: it clears the pending query when an awaited
// answer (temperature, query 2, READ-board version, ROM acknowledgement)
// completes.
class ReceiverSink {
  public:
    // The query whose answer the window waits for, read when a code arrives
    // that several answers share.
    virtual int PendingQuery() const = 0;
    // A byte other than 0x55 seen while hunting for a header.
    virtual void OnStrayByte(std::uint8_t byte) = 0;
    // A completed long answer, header to trailer: L + 5 bytes, valid only
    // during the call.
    virtual void OnLongAnswer(std::span<const std::uint8_t> frame) = 0;
    // A status answer whose result is 1, 999 or 998.
    virtual void OnStatusReported(int result) = 0;
    // An inner-delay answer, with the status result last reported before it.
    virtual void OnInnerDelay(std::uint16_t innerDelay, int lastStatusResult) = 0;
    virtual void OnTemperature(float hundredths) = 0;
    virtual void OnQuery2Answer() = 0;
    virtual void OnReadBoardVersion(const ReadBoardVersion& version) = 0;
    virtual void OnWriteRomAck() = 0;

    virtual ~ReceiverSink() = default;
};

class FrameReceiver {
  public:
    enum State : int {
        StateHeader = 100,
        StateCode = 101,
        StateShortData = 102,
        StateLength = 103,
        StatePayload = 104,
        StateCheck = 105,
        StateTrailer = 106,
    };

    static constexpr std::size_t kFrameBufferBytes = 1024;
    static constexpr std::size_t kReadBufferBytes = 256;

    explicit FrameReceiver(ReceiverSink& sink) : sink_(sink) {}

    // Feeds bytes as the line delivered them, in any chunking: the receiver
    // works byte by byte and collects a long answer's payload across calls.
    void Feed(std::span<const std::uint8_t> bytes);

    // How many bytes the next read should ask for: the rest of a long
    // answer's payload while one is being received, else 1. Never more than
    // kReadBufferBytes.
    std::size_t NextReadLength() const;

    // Drops the frame in progress and hunts for the next header. The reader
    // calls this when a read delivers less than it asked for.
    void Abandon();

    State state() const { return state_; }
    int statusResult() const { return statusResult_; }
    int lastStatusResult() const { return lastStatusResult_; }

  private:
    enum class ShortKind {
        kNone,
        kStatus,
        kInnerDelay,
        kTemperature,
        kQuery2,
        kReadBoardVersion,
        kWriteRomAck,
    };

    void Step(std::uint8_t byte);
    void OnCode(std::uint8_t code);
    void OnShortData(std::uint8_t byte);
    void Complete();
    void StartOver();
    void BeginShort(ShortKind kind);

    ReceiverSink& sink_;
    State state_ = StateHeader;
    std::array<std::uint8_t, kFrameBufferBytes> frame_{};
    std::size_t frameLength_ = 0;
    std::size_t payloadLength_ = 0;    // L of the long answer in progress
    std::size_t payloadReceived_ = 0;  // payload bytes stored so far
    ShortKind shortKind_ = ShortKind::kNone;
    bool secondDataByte_ = false;
    std::uint8_t data_[2] = {0, 0};
    int statusResult_ = kStatusNone;
    int lastStatusResult_ = 1;
};

}  // namespace kelm9d
