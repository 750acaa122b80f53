#include "link/frame_receiver.h"

#include <algorithm>

namespace kelm9d {

void FrameReceiver::Feed(std::span<const std::uint8_t> bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (state_ == StatePayload) {
            // A payload goes into the frame buffer in one piece, not byte by byte.
            const std::size_t take = std::min(payloadLength_ - payloadReceived_, bytes.size() - i);
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(i), take,
                        frame_.begin() + static_cast<std::ptrdiff_t>(3 + payloadReceived_));
            payloadReceived_ += take;
            i += take;
            if (payloadReceived_ == payloadLength_) {
                state_ = StateCheck;
            }
            continue;
        }
        Step(bytes[i++]);
    }
}

std::size_t FrameReceiver::NextReadLength() const {
    return state_ == StatePayload ? payloadLength_ - payloadReceived_ : 1;
}

void FrameReceiver::Abandon() {
    state_ = StateHeader;
    frameLength_ = 0;
    payloadLength_ = 0;
    payloadReceived_ = 0;
    shortKind_ = ShortKind::kNone;
    statusResult_ = kStatusNone;
    secondDataByte_ = false;
}

void FrameReceiver::StartOver() {
    // After a completed answer everything per answer returns to its start,
    // exactly as when a frame is abandoned.
    Abandon();
}

void FrameReceiver::BeginShort(ShortKind kind) {
    shortKind_ = kind;
    secondDataByte_ = false;
    data_[0] = 0;
    data_[1] = 0;
    if (kind == ShortKind::kStatus) {
        statusResult_ = 0;  // until its status byte arrives
    }
    state_ = StateShortData;
}

void FrameReceiver::Step(std::uint8_t byte) {
    switch (state_) {
        case StateHeader:
            if (byte == kHeader) {
                frame_[0] = byte;
                frameLength_ = 1;
                state_ = StateCode;
            } else {
                frameLength_ = 0;
                sink_.OnStrayByte(byte);
            }
            return;
        case StateCode:
            OnCode(byte);
            return;
        case StateShortData:
            OnShortData(byte);
            return;
        case StateLength:
            frame_[2] = byte;
            frameLength_ = 3;
            payloadLength_ = byte;
            payloadReceived_ = 0;
            state_ = byte > 0 ? StatePayload : StateCheck;
            return;
        case StatePayload:
            return;  // handled in Feed
        case StateCheck:
            // Kept in the frame, never examined: the detector's check byte is not trusted either
            // way.
            frame_[3 + payloadLength_] = byte;
            state_ = StateTrailer;
            return;
        case StateTrailer:
            if (byte == kTrailer) {
                if (shortKind_ == ShortKind::kNone) {
                    frame_[4 + payloadLength_] = byte;
                    frameLength_ = payloadLength_ + 5;
                }
                Complete();
                StartOver();
            } else {
                Abandon();
            }
            return;
    }
}

void FrameReceiver::OnCode(std::uint8_t code) {
    if (IsLongAnswerCode(code)) {
        frame_[1] = code;
        frameLength_ = 2;
        state_ = StateLength;
        return;
    }
    const int pending = sink_.PendingQuery();
    switch (code) {
        case kShortAnswerCode:
            switch (pending) {
                case kTemperatureQuery:
                    BeginShort(ShortKind::kTemperature);
                    return;
                case kQuery2:
                    BeginShort(ShortKind::kQuery2);
                    return;
                case kReadBoardVersionQuery:
                    BeginShort(ShortKind::kReadBoardVersion);
                    return;
                case kWriteRomAck:
                    BeginShort(ShortKind::kWriteRomAck);
                    return;
                default:
                    BeginShort(ShortKind::kStatus);
                    return;
            }
        case kInnerDelayAnswerCode:
            BeginShort(ShortKind::kInnerDelay);
            return;
        case kTemperatureAnswerCode:
            if (pending == kTemperatureQuery) {
                BeginShort(ShortKind::kTemperature);
            } else {
                Abandon();
            }
            return;
        case kQuery2AnswerCode:
            if (pending == kQuery2) {
                BeginShort(ShortKind::kQuery2);
            } else {
                Abandon();
            }
            return;
        default:
            Abandon();  // the code byte is consumed, not taken as a new header
            return;
    }
}

void FrameReceiver::OnShortData(std::uint8_t byte) {
    if (shortKind_ == ShortKind::kStatus) {
        if (byte == kStatusFill) {
            return;
        }
        statusResult_ = StatusResultForByte(byte);
        state_ = StateTrailer;
        return;
    }
    if (!secondDataByte_) {
        data_[0] = byte;
        secondDataByte_ = true;
        return;
    }
    data_[1] = byte;
    state_ = StateTrailer;
}

void FrameReceiver::Complete() {
    switch (shortKind_) {
        case ShortKind::kNone:
            sink_.OnLongAnswer(std::span<const std::uint8_t>(frame_.data(), frameLength_));
            return;
        case ShortKind::kStatus:
            if (IsReportedStatus(statusResult_)) {
                sink_.OnStatusReported(statusResult_);
                lastStatusResult_ = statusResult_;
            }
            return;
        case ShortKind::kInnerDelay:
            sink_.OnInnerDelay(InnerDelayFromBytes(data_[0], data_[1]), lastStatusResult_);
            lastStatusResult_ = 1;
            return;
        case ShortKind::kTemperature:
            sink_.OnTemperature(TemperatureFromBytes(data_[0], data_[1]));
            return;
        case ShortKind::kQuery2:
            sink_.OnQuery2Answer();
            return;
        case ShortKind::kReadBoardVersion:
            sink_.OnReadBoardVersion(ReadBoardVersionFromBytes(data_[0], data_[1]));
            return;
        case ShortKind::kWriteRomAck:
            sink_.OnWriteRomAck();
            return;
    }
}

}  // namespace kelm9d
