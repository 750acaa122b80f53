#include "icon/window_icon_pixels.h"

#include <algorithm>
#include <cmath>

namespace kelm9d {
namespace {

struct Colour {
    double r = 0, g = 0, b = 0, a = 0;  // premultiplied, 0 to 1
};

Colour Rgb(int rgb, double alpha = 1.0) {
    return Colour{((rgb >> 16) & 0xFF) / 255.0 * alpha, ((rgb >> 8) & 0xFF) / 255.0 * alpha,
                  (rgb & 0xFF) / 255.0 * alpha, alpha};
}

Colour Mix(const Colour& from, const Colour& to, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return Colour{from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t,
                  from.b + (to.b - from.b) * t, from.a + (to.a - from.a) * t};
}

// Source over destination.
void Over(Colour& dst, const Colour& src) {
    dst.r = src.r + dst.r * (1 - src.a);
    dst.g = src.g + dst.g * (1 - src.a);
    dst.b = src.b + dst.b * (1 - src.a);
    dst.a = src.a + dst.a * (1 - src.a);
}

// Signed distance to a rounded rectangle: negative inside.
double RoundedRectDistance(double x, double y, double left, double top, double size,
                           double radius) {
    const double half = size / 2;
    const double qx = std::abs(x - (left + half)) - (half - radius);
    const double qy = std::abs(y - (top + half)) - (half - radius);
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

double SegmentDistance(double x, double y, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(x - (ax + t * dx), y - (ay + t * dy));
}

// The plug: a trapezoid, wider at the top.
constexpr double kPlug[4][2] = {{86, 96}, {120, 96}, {114, 118}, {92, 118}};

bool InsidePlug(double x, double y) {
    bool inside = false;
    for (int i = 0, j = 3; i < 4; j = i++) {
        const double yi = kPlug[i][1], yj = kPlug[j][1];
        if ((yi > y) != (yj > y)) {
            const double xCross = kPlug[i][0] + (y - yi) * (kPlug[j][0] - kPlug[i][0]) / (yj - yi);
            if (x < xCross) {
                inside = !inside;
            }
        }
    }
    return inside;
}

double PlugOutlineDistance(double x, double y) {
    double best = 1e9;
    for (int i = 0, j = 3; i < 4; j = i++) {
        best = std::min(best,
                        SegmentDistance(x, y, kPlug[j][0], kPlug[j][1], kPlug[i][0], kPlug[i][1]));
    }
    return best;
}

// The whole picture at one point, layer by layer as it is painted.
Colour Sample(double x, double y) {
    Colour c;
    // The detector's housing: vertical gradient, dark outline 3 wide.
    const double housing = RoundedRectDistance(x, y, 10, 10, 100, 12);
    if (housing <= 0) {
        Over(c, Mix(Rgb(0x3d4f63), Rgb(0x1f2a36), (y - 8) / 104));
    }
    if (std::abs(housing) <= 1.5) {
        Over(c, Rgb(0x121921));
    }
    // The sensitive area, diagonal gradient, with its pixel grid.
    if (x >= 22 && x < 98 && y >= 22 && y < 98) {
        Over(c, Mix(Rgb(0x9fd8f0), Rgb(0x3f8fc6), ((x - 20) + (y - 20)) / 160));
    }
    for (int k = 1; k < 8; ++k) {
        const double at = 22 + k * 76.0 / 8;
        const bool vertical = std::abs(x - at) <= 0.5 && y >= 21.5 && y <= 98.5;
        const bool horizontal = std::abs(y - at) <= 0.5 && x >= 21.5 && x <= 98.5;
        if (vertical || horizontal) {
            Over(c, Rgb(0xffffff, 70 / 255.0));
        }
    }
    // An exposure: a soft bright spot.
    const double spot = std::hypot(x - 52, y - 50) / 26;
    if (spot <= 1) {
        Over(c, Rgb(0xffffff, 200 / 255.0 * (1 - spot)));
    }
    // The serial plug, its outline and its pins.
    if (InsidePlug(x, y)) {
        Over(c, Rgb(0xe8a33d));
    }
    if (PlugOutlineDistance(x, y) <= 1.0) {
        Over(c, Rgb(0x6b4510));
    }
    for (int pin = 0; pin < 4; ++pin) {
        if (std::hypot(x - (94 + pin * 6.5), y - 104) <= 1.8) {
            Over(c, Rgb(0x6b4510));
        }
    }
    for (int pin = 0; pin < 3; ++pin) {
        if (std::hypot(x - (97 + pin * 6.5), y - 111) <= 1.8) {
            Over(c, Rgb(0x6b4510));
        }
    }
    return c;
}

std::uint32_t Channel(double value) {
    return static_cast<std::uint32_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

}  // namespace

WindowIconPixels DrawWindowIconPixels() {
    // 4 x 4 samples a pixel smooth the edges as an antialiasing painter would.
    constexpr int kSamples = 4;
    WindowIconPixels pixels{};
    for (int py = 0; py < kWindowIconSize; ++py) {
        for (int px = 0; px < kWindowIconSize; ++px) {
            Colour sum;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Colour s = Sample(px + (sx + 0.5) / kSamples, py + (sy + 0.5) / kSamples);
                    sum.r += s.r;
                    sum.g += s.g;
                    sum.b += s.b;
                    sum.a += s.a;
                }
            }
            const double n = kSamples * kSamples;
            const double a = sum.a / n;
            // Back from premultiplied to straight colour.
            const double k = a > 0 ? 1 / (a * n) : 0;
            pixels[static_cast<std::size_t>(py * kWindowIconSize + px)] =
                (Channel(a) << 24) | (Channel(sum.r * k) << 16) | (Channel(sum.g * k) << 8) |
                Channel(sum.b * k);
        }
    }
    return pixels;
}

}  // namespace kelm9d
