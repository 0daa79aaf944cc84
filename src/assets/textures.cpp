#include "assets/textures.h"

#include <cmath>

#include "shared/random.h"

namespace assets {

namespace {

struct PaletteEntry {
    uint32_t rgb;  // 0xRRGGBB
};

// one row per line, as the table is written
// clang-format off
constexpr PaletteEntry needle_palette[6] = {
    {0x2F7D3A},
    {0x3C9446},
    {0x58B05A},
    {0x16461F},
    {0x8FD17A},
    {0x245F2F},
};
// clang-format on

Colour colour_of(uint32_t rgb) {
    return {static_cast<float>(rgb >> 16 & 0xFF) / 255.0f, static_cast<float>(rgb >> 8 & 0xFF) / 255.0f,
            static_cast<float>(rgb & 0xFF) / 255.0f};
}

void set_pixel(uint8_t* p, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    p[0] = r;
    p[1] = g;
    p[2] = b;
    p[3] = a;
}

}  // namespace

void paint_needle_texture(const Canvas* canvas) {
    const int32_t count = canvas->width * canvas->height;
    for (int32_t i = 0; i < count; ++i) set_pixel(canvas->pixels + i * 4, 28, 90, 43, 255);
    for (int i = 0; i < 3200; ++i) {
        const float u1 = shared::random_unit();
        const float u2 = shared::random_unit();
        const float u3 = shared::random_unit();
        const float u4 = shared::random_unit();
        const float u5 = shared::random_unit();
        const float u6 = shared::random_unit();
        const float u7 = shared::random_unit();
        const float x0 = u1 * 256.0f;
        const float y0 = u2 * 256.0f;
        const float length = u3 * 8.0f + 5.0f;
        const float tilt = u4 * 0.55f + 0.55f;
        const float side = u5 < 0.5f ? 1.0f : -1.0f;
        const int32_t index = static_cast<int32_t>(u6 * 6.0f) % 6;
        // 0.99999994 is 1.8 - 0.8 in single precision
        const float width = u7 * 0.99999994f + 0.8f;
        const float a = side * tilt + 1.5707964f;
        const float x1 = x0 + length * std::cos(a);
        const float y1 = y0 + length * std::sin(a);
        const Colour colour = colour_of(needle_palette[index].rgb);
        stroke(canvas, x0, y0, x1, y1, &colour, 1.0f, width);
    }
}

void paint_ground_texture(const Canvas* canvas) {
    const int32_t size = canvas->width;
    for (int32_t y = 0; y < size; ++y) {
        for (int32_t x = 0; x < size; ++x) {
            uint8_t* p = canvas->pixels + (y * size + x) * 4;
            if ((x / 128 + y / 128) % 2 == 0) {
                set_pixel(p, 228, 220, 236, 255);
            } else {
                set_pixel(p, 201, 188, 217, 255);
            }
        }
    }
    for (int i = 0; i < 40; ++i) {
        float x = shared::random_unit() * 512.0f;
        float y = shared::random_unit() * 512.0f;
        const Colour colour = shared::random_unit() < 0.5f ? colour_of(0x8F7FA8) : colour_of(0xFFFFFF);
        for (int segment = 0; segment < 8; ++segment) {
            const float ux = shared::random_unit();
            const float uy = shared::random_unit();
            const float x1 = x + ux * 80.0f - 40.0f;
            const float y1 = y + uy * 80.0f - 40.0f;
            stroke(canvas, x, y, x1, y1, &colour, 0.18f, 1.5f);
            x = x1;
            y = y1;
        }
    }
    paint_ground_seams(canvas);
}

void paint_ground_seams(const Canvas* canvas) {
    const int32_t size = canvas->width;
    // the fifth pass, at 512 mod 512, darkens the lines at 0 and 1 again
    for (int32_t k = 0; k < 5; ++k) {
        const int32_t c = 128 * k % 512;
        const int32_t c1 = (c + 1) % 512;
        for (int32_t i = 0; i < 512; ++i) {
            blend_pixel(canvas->pixels + (i * size + c) * 4, 80.0f, 60.0f, 110.0f, 0.35f);
            blend_pixel(canvas->pixels + (i * size + c1) * 4, 80.0f, 60.0f, 110.0f, 0.35f);
            blend_pixel(canvas->pixels + (c * size + i) * 4, 80.0f, 60.0f, 110.0f, 0.35f);
            blend_pixel(canvas->pixels + (c1 * size + i) * 4, 80.0f, 60.0f, 110.0f, 0.35f);
        }
    }
}

void paint_glow_texture(const Canvas* canvas) {
    const int32_t size = canvas->width;
    for (int32_t y = 0; y < size; ++y) {
        for (int32_t x = 0; x < size; ++x) {
            // distance from the centre in units of 32 pixels, at pixel centres
            const float gx = (static_cast<float>(x) + 0.5f - 32.0f) * 0.03125f;
            const float gy = (static_cast<float>(y) + 0.5f - 32.0f) * 0.03125f;
            const float d = std::sqrt(gx * gx + gy * gy);
            float v = 0.0f;
            if (d < 0.25f) {
                v = 1.0f - d;
            } else if (d < 0.6f) {
                v = 0.75f - 0.6f * (d - 0.25f) / 0.35f;
            } else if (d < 1.0f) {
                v = 0.15f - 0.15f * (d - 0.6f) / 0.4f;
            }
            const uint8_t b = static_cast<uint8_t>(static_cast<int32_t>(v * 255.0f) & 0xFF);
            set_pixel(canvas->pixels + (y * size + x) * 4, b, b, b, b);
        }
    }
}

void paint_textures(const Canvas* needle, const Canvas* ground, const Canvas* glow) {
    paint_needle_texture(needle);
    paint_ground_texture(ground);
    paint_glow_texture(glow);
}

}  // namespace assets
