// make-icon FILE.ico: writes the window icon as an icon file of one
// 128 x 128 image at 32 bits a pixel, for the resource compiler. A tool of
// the build machine, run while the Windows program is built.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "icon/window_icon_pixels.h"

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFFU));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFFU));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, value & 0xFFFFU);
    Put16(out, value >> 16);
}

std::vector<std::uint8_t> IconFile(const kelm9d::WindowIconPixels& pixels) {
    constexpr std::uint32_t kSize = kelm9d::kWindowIconSize;
    constexpr std::uint32_t kHeader = 40;
    constexpr std::uint32_t kColourBytes = kSize * kSize * 4;
    constexpr std::uint32_t kMaskRow = ((kSize + 31) / 32) * 4;
    constexpr std::uint32_t kImageBytes = kHeader + kColourBytes + kMaskRow * kSize;
    std::vector<std::uint8_t> out;
    // The directory: one image.
    Put16(out, 0);
    Put16(out, 1);  // icon
    Put16(out, 1);  // one image
    out.push_back(static_cast<std::uint8_t>(kSize));
    out.push_back(static_cast<std::uint8_t>(kSize));
    out.push_back(0);  // no palette
    out.push_back(0);
    Put16(out, 1);   // planes
    Put16(out, 32);  // bits a pixel
    Put32(out, kImageBytes);
    Put32(out, 6 + 16);  // where the image starts
    // The image: a bottom-up bitmap of twice the height (colour, then mask).
    Put32(out, kHeader);
    Put32(out, kSize);
    Put32(out, kSize * 2);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, 0);  // uncompressed
    Put32(out, kColourBytes + kMaskRow * kSize);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    for (std::uint32_t row = kSize; row-- > 0;) {
        for (std::uint32_t x = 0; x < kSize; ++x) {
            Put32(out, pixels[row * kSize + x]);  // little-endian ARGB is B, G, R, A
        }
    }
    // The mask: set where the picture is fully transparent.
    for (std::uint32_t row = kSize; row-- > 0;) {
        std::vector<std::uint8_t> bits(kMaskRow, 0);
        for (std::uint32_t x = 0; x < kSize; ++x) {
            if ((pixels[row * kSize + x] >> 24) == 0) {
                bits[x / 8] = static_cast<std::uint8_t>(bits[x / 8] | (0x80U >> (x % 8)));
            }
        }
        out.insert(out.end(), bits.begin(), bits.end());
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-icon FILE.ico\n");
        return 2;
    }
    const std::vector<std::uint8_t> bytes = IconFile(kelm9d::DrawWindowIconPixels());
    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
