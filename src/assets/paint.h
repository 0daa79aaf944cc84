// The raster toolkit the procedural textures are painted with: an 8-bit
// RGBA canvas, the pixel blend and the wrapping stroke. No OpenGL, no
// random draws: the callers pass plain values.
#pragma once
#include <cstdint>

namespace assets {

// width x height pixels, row-major, row 0 first (it becomes t = 0 on
// upload); each pixel is R, G, B, A at byte offset (y x width + x) x 4.
struct Canvas {
    int32_t width;
    int32_t height;
    uint8_t* pixels;
};

// A stroke colour, each channel in [0, 1] (a table byte / 255).
struct Colour {
    float r;
    float g;
    float b;
};

// Moves R, G and B of the 4-byte pixel the fraction k of the way to the
// targets (0-255 scale): new = trunc(old + (target - old) x k) in single
// precision, stored as its low 8 bits; then A = 255. k = 1 gives the
// target exactly.
void blend_pixel(uint8_t* pixel, float r, float g, float b, float k);

// Blends a sampled straight line from (x0, y0) to (x1, y1) (pixel units,
// x along a row, y down the rows) toward colour x 255 with strength k.
// Samples are at most half a pixel apart and both end points are sampled;
// each sample blends the pixel it falls in (coordinates truncated toward
// zero, then wrapped around the canvas edges), once per sample. With
// width > 1.3 each sample also blends its right-hand neighbour (wrapped)
// at strength 0.6 x k; width has no other use. A not-a-number coordinate
// or a line longer than about 10^9 pixels paints nothing.
void stroke(const Canvas* canvas, float x0, float y0, float x1, float y1, const Colour* colour, float k, float width);

}  // namespace assets
