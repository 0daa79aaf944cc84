#include "webgl/primitives.h"

#include <cstddef>

#include "webgl/gl11.h"

namespace webgl {

namespace {

void triangle(uint32_t a, uint32_t b, uint32_t c, std::vector<uint32_t>* out) {
    out->push_back(a);
    out->push_back(b);
    out->push_back(c);
}

void line(uint32_t a, uint32_t b, std::vector<uint32_t>* out) {
    out->push_back(a);
    out->push_back(b);
}

}  // namespace

uint32_t primitive_indices(uint32_t mode, int32_t count, std::vector<uint32_t>* out) {
    const uint32_t n = count > 0 ? static_cast<uint32_t>(count) : 0;
    switch (mode) {
        case GL_POINTS:
            for (uint32_t i = 0; i < n; ++i) out->push_back(i);
            return GL_POINTS;
        case GL_LINES:
            for (uint32_t i = 0; i + 1 < n; i += 2) line(i, i + 1, out);
            return GL_LINES;
        case GL_LINE_STRIP:
        case GL_LINE_LOOP:
            for (uint32_t i = 0; i + 1 < n; ++i) line(i, i + 1, out);
            if (mode == GL_LINE_LOOP && n > 2) line(n - 1, 0, out);
            return GL_LINES;
        case GL_TRIANGLES:
            for (uint32_t i = 0; i + 2 < n; i += 3) triangle(i, i + 1, i + 2, out);
            return GL_TRIANGLES;
        case GL_TRIANGLE_STRIP:
            // every other triangle is flipped back to the strip's winding
            for (uint32_t i = 0; i + 2 < n; ++i) {
                if (i % 2 == 0) triangle(i, i + 1, i + 2, out);
                else triangle(i + 1, i, i + 2, out);
            }
            return GL_TRIANGLES;
        case GL_TRIANGLE_FAN:
        case GL_POLYGON:
            for (uint32_t i = 1; i + 1 < n; ++i) triangle(0, i, i + 1, out);
            return GL_TRIANGLES;
        case GL_QUADS:
            for (uint32_t i = 0; i + 3 < n; i += 4) {
                triangle(i, i + 1, i + 2, out);
                triangle(i, i + 2, i + 3, out);
            }
            return GL_TRIANGLES;
        case GL_QUAD_STRIP:
            // quad k has the corners v2k, v2k+1, v2k+3, v2k+2, in that order
            for (uint32_t i = 0; i + 3 < n; i += 2) {
                triangle(i, i + 1, i + 3, out);
                triangle(i, i + 3, i + 2, out);
            }
            return GL_TRIANGLES;
        default:
            return GL_POINTS;
    }
}

void build_mip_levels(int32_t width, int32_t height, const uint8_t* rgba, std::vector<MipLevel>* levels) {
    levels->clear();
    levels->push_back({width, height, std::vector<uint8_t>(rgba, rgba + static_cast<size_t>(width) * height * 4)});
    while (levels->back().width > 1 || levels->back().height > 1) {
        const MipLevel& below = levels->back();
        const int32_t w = below.width > 1 ? below.width / 2 : 1;
        const int32_t h = below.height > 1 ? below.height / 2 : 1;
        // the texels to average step by 1 where a side is already 1
        const int32_t dx = below.width > 1 ? 4 : 0;
        const int32_t dy = below.height > 1 ? below.width * 4 : 0;
        MipLevel level = {w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 4)};
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                const uint8_t* s =
                    below.rgba.data() +
                    (static_cast<size_t>(y) * (dy ? 2 : 1) * below.width + static_cast<size_t>(x) * (dx ? 2 : 1)) * 4;
                uint8_t* d = level.rgba.data() + (static_cast<size_t>(y) * w + x) * 4;
                for (int c = 0; c < 4; ++c) {
                    if (dx && dy) {
                        d[c] = static_cast<uint8_t>((s[c] + s[c + dx] + s[c + dy] + s[c + dx + dy] + 2) / 4);
                    } else {
                        d[c] = static_cast<uint8_t>((s[c] + s[c + dx + dy]) / 2);
                    }
                }
            }
        }
        levels->push_back(std::move(level));
    }
}

bool pack_rows(const uint8_t* rgba, int32_t width, int32_t height, uint32_t format, int32_t alignment, uint8_t* out) {
    if (alignment != 1 && alignment != 2 && alignment != 4 && alignment != 8) return false;
    int32_t size = 0;
    // where red, green and blue go in a packed pixel
    int32_t r = 0, g = 1, b = 2;
    if (format == GL_RGBA) {
        size = 4;
    } else if (format == GL_RGB) {
        size = 3;
    } else if (format == GL_BGR_EXT) {
        size = 3;
        r = 2;
        b = 0;
    } else {
        return false;
    }
    const size_t stride = (static_cast<size_t>(width) * size + alignment - 1) / alignment * alignment;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* s = rgba + static_cast<size_t>(y) * width * 4;
        uint8_t* d = out + y * stride;
        for (int32_t x = 0; x < width; ++x, s += 4, d += size) {
            d[r] = s[0];
            d[g] = s[1];
            d[b] = s[2];
            if (size == 4) d[3] = s[3];
        }
    }
    return true;
}

}  // namespace webgl
