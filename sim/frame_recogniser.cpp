#include "sim/frame_recogniser.h"

#include <algorithm>
#include <iterator>

namespace kelm9d::sim {

namespace {

enum class Match { kNeedMore, kComplete, kNoMatch };

struct MatchResult {
    Match match;
    std::size_t length = 0;  // kComplete: the frame's length from the candidate's start
};

// Decides whether the candidate starts a frame. Frames are told apart by
// their first bytes only, so a decision never needs to look ahead.
MatchResult MatchFrame(const std::vector<std::uint8_t>& b) {
    const std::size_t n = b.size();
    if (b[0] == kHeader) {
        if (n < 2) {
            return {Match::kNeedMore};
        }
        if (b[1] == kMemoryWriteCode && n >= 3 && b[2] == kBlockLengthByte) {
            if (n < kWriteFrameSize) {
                return {Match::kNeedMore};
            }
            return b[kWriteFrameSize - 1] == kTrailer
                       ? MatchResult{Match::kComplete, kWriteFrameSize}
                       : MatchResult{Match::kNoMatch};
        }
        if ((n >= 3 && b[2] != 0x00) || (n >= 4 && b[3] != 0x00)) {
            return {Match::kNoMatch};
        }
        if (n < kCommandFrameSize) {
            return {Match::kNeedMore};
        }
        return b[4] == kTrailer ? MatchResult{Match::kComplete, kCommandFrameSize}
                                : MatchResult{Match::kNoMatch};
    }
    if (b[0] == kRomHeader0) {
        if ((n >= 2 && b[1] != kRomHeader1) || (n >= 3 && b[2] != kBlockLengthByte)) {
            return {Match::kNoMatch};
        }
        if (n < kWriteFrameSize) {
            return {Match::kNeedMore};
        }
        return b[kWriteFrameSize - 2] == kRomTrailer0 && b[kWriteFrameSize - 1] == kRomTrailer1
                   ? MatchResult{Match::kComplete, kWriteFrameSize}
                   : MatchResult{Match::kNoMatch};
    }
    return {Match::kNoMatch};
}

RxFrame MakeFrame(const std::uint8_t* bytes, std::size_t length) {
    RxFrame frame;
    frame.bytes.assign(bytes, bytes + length);
    if (length == kCommandFrameSize) {
        frame.kind = RxKind::kCommand;
        frame.code = bytes[1];
        return frame;
    }
    std::copy_n(bytes + 3, kBlockSize, frame.block.begin());
    if (bytes[0] == kRomHeader0) {
        frame.kind = RxKind::kRomWrite;
    } else {
        frame.kind = RxKind::kMemoryWrite;
        frame.checkOk = bytes[kWriteFrameSize - 2] == XorOf(frame.block);
    }
    return frame;
}

}  // namespace

void FrameRecogniser::Feed(const std::uint8_t* bytes, std::size_t count,
                           std::vector<RxFrame>& out) {
    for (std::size_t i = 0; i < count; ++i) {
        candidate_.push_back(bytes[i]);
        Scan(out);
    }
}

void FrameRecogniser::Scan(std::vector<RxFrame>& out) {
    while (!candidate_.empty()) {
        const MatchResult result = MatchFrame(candidate_);
        if (result.match == Match::kNeedMore) {
            return;
        }
        if (result.match == Match::kComplete) {
            EmitUnrecognised(out);
            out.push_back(MakeFrame(candidate_.data(), result.length));
            candidate_.erase(candidate_.begin(),
                             candidate_.begin() + static_cast<std::ptrdiff_t>(result.length));
            continue;
        }
        // Drop only the first byte and look again: the frame that follows a
        // damaged one may already have begun inside it.
        unrecognised_.push_back(candidate_.front());
        candidate_.erase(candidate_.begin());
        if (unrecognised_.size() >= kMaxUnrecognisedRun) {
            EmitUnrecognised(out);
        }
    }
}

void FrameRecogniser::Flush(std::vector<RxFrame>& out) {
    // Stalled bytes are stale: they are reported as they are, not searched
    // for frames, since whatever followed them never came.
    std::copy(candidate_.begin(), candidate_.end(), std::back_inserter(unrecognised_));
    candidate_.clear();
    EmitUnrecognised(out);
}

void FrameRecogniser::EmitUnrecognised(std::vector<RxFrame>& out) {
    if (unrecognised_.empty()) {
        return;
    }
    RxFrame frame;
    frame.kind = RxKind::kUnrecognised;
    frame.bytes = std::move(unrecognised_);
    unrecognised_.clear();
    out.push_back(std::move(frame));
}

}  // namespace kelm9d::sim
