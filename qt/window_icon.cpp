#include "qt/window_icon.h"

#include <cstring>

#include "icon/window_icon_pixels.h"

namespace kelm9d {

QImage WindowIconImage() {
    const WindowIconPixels pixels = DrawWindowIconPixels();
    QImage image(kWindowIconSize, kWindowIconSize, QImage::Format_ARGB32);
    for (int y = 0; y < kWindowIconSize; ++y) {
        std::memcpy(image.scanLine(y), pixels.data() + y * kWindowIconSize,
                    kWindowIconSize * sizeof(std::uint32_t));
    }
    return image;
}

}  // namespace kelm9d
