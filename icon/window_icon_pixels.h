// The program's icon as plain pixels, without any graphics library: a
// flat-panel detector with its line plug. The Qt window shows it; the
// Windows build turns it into the icon resource at build time.
#pragma once

#include <array>
#include <cstdint>

namespace kelm9d {

inline constexpr int kWindowIconSize = 128;

// Straight (not premultiplied) ARGB, 0xAARRGGBB, rows top to bottom.
using WindowIconPixels = std::array<std::uint32_t, kWindowIconSize * kWindowIconSize>;

WindowIconPixels DrawWindowIconPixels();

}  // namespace kelm9d
