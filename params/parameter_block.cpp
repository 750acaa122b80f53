#include "params/parameter_block.h"

#include <algorithm>

namespace kelm9d {

void DecodeParameterBlock(std::span<const std::uint8_t, kParameterFrameMinBytes> frame,
                          DetectorParams& params) {
    const auto block = frame.subspan<kParameterBlockFrameOffset, kParameterBlockBytes>();
    ForEachBlockField(params, [&](std::size_t offset, std::size_t width, std::uint16_t& slot,
                                  bool /*sentOnWire*/) {
        slot = width == 1 ? block[offset]
                          : static_cast<std::uint16_t>(block[offset] | (block[offset + 1] << 8));
    });
}

void EncodeParameterBlock(const DetectorParams& params,
                          std::span<std::uint8_t, kParameterBlockBytes> block) {
    std::fill(block.begin(), block.end(), std::uint8_t{0});
    ForEachBlockField(params, [&](std::size_t offset, std::size_t width, const std::uint16_t& slot,
                                  bool sentOnWire) {
        if (!sentOnWire) {
            return;
        }
        block[offset] = static_cast<std::uint8_t>(slot & 0xFF);
        if (width == 2) {
            block[offset + 1] = static_cast<std::uint8_t>(slot >> 8);
        }
    });
}

}  // namespace kelm9d
