#include "link/frames.h"

#include <algorithm>

namespace kelm9d {

CommandFrame BuildCommandFrame(CommandCode code) {
    return CommandFrame{kHeader, static_cast<std::uint8_t>(code), 0x00, 0x00, kTrailer};
}

std::uint8_t BlockCheckByte(std::span<const std::uint8_t> block) {
    std::uint8_t check = 0x00;
    for (const std::uint8_t byte : block) {
        check = static_cast<std::uint8_t>(check ^ byte);
    }
    return check;
}

WriteFrame BuildWriteFrame(ParamWriteMode mode, const ParameterBlock& block) {
    WriteFrame frame{};
    std::copy(block.begin(), block.end(), frame.begin() + kParameterBlockFrameOffset);
    constexpr std::size_t kAfterBlock = kParameterBlockFrameOffset + kParameterBlockBytes;
    const bool rom = mode == ParamWriteMode::Rom;
    const auto& head = rom ? kRomWriteHead : kWorkingMemoryWriteHead;
    std::copy(head.begin(), head.end(), frame.begin());
    if (rom) {
        frame[kAfterBlock] = kRomWriteTail[0];
        frame[kAfterBlock + 1] = kRomWriteTail[1];
    } else {
        frame[kAfterBlock] = BlockCheckByte(block);
        frame[kAfterBlock + 1] = kTrailer;
    }
    return frame;
}

}  // namespace kelm9d
