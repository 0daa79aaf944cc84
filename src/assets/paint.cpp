#include "assets/paint.h"

#include <cmath>

namespace assets {

namespace {

// Truncation toward zero; not-a-number and values outside the 32-bit range
// give the most negative integer, as the processor's own conversion does.
// The largest result is 2147483520, so one more cannot overflow.
int32_t trunc_to_int32(float v) {
    if (!(v >= -2147483648.0f && v < 2147483648.0f)) return INT32_MIN;
    return static_cast<int32_t>(v);
}

int32_t wrap(int32_t i, int32_t size) { return (i % size + size) % size; }

}  // namespace

void blend_pixel(uint8_t* pixel, float r, float g, float b, float k) {
    const float target[3] = {r, g, b};
    for (int c = 0; c < 3; ++c) {
        const float old = static_cast<float>(pixel[c]);
        const float moved = old + (target[c] - old) * k;
        pixel[c] = static_cast<uint8_t>(trunc_to_int32(moved) & 0xFF);
    }
    pixel[3] = 255;
}

void stroke(const Canvas* canvas, float x0, float y0, float x1, float y1, const Colour* colour, float k, float width) {
    const float dx = x1 - x0;
    const float dy = y1 - y0;
    const float length = std::sqrt(dx * dx + dy * dy);
    const int32_t n = trunc_to_int32(2.0f * length);
    if (n + 1 < 0) return;
    const float samples = static_cast<float>(n + 1);
    const float r = colour->r * 255.0f;
    const float g = colour->g * 255.0f;
    const float b = colour->b * 255.0f;
    const float side_k = 0.6f * k;
    const bool wide = width > 1.3f;
    const int32_t w = canvas->width;
    const int32_t h = canvas->height;
    // An integer sample counter: a float one would stall at 2^24 on very
    // long lines; below that both give the same t = m / N.
    for (int64_t m = 0; m <= n + 1; ++m) {
        const float t = static_cast<float>(m) / samples;
        const int32_t ix = trunc_to_int32(dx * t + x0);
        const int32_t iy = trunc_to_int32(dy * t + y0);
        uint8_t* row = canvas->pixels + static_cast<int64_t>(wrap(iy, h)) * w * 4;
        blend_pixel(row + wrap(ix, w) * 4, r, g, b, k);
        if (wide) blend_pixel(row + wrap(ix + 1, w) * 4, r, g, b, side_k);
    }
}

}  // namespace assets
