// The three procedural textures, painted in memory before upload.
#pragma once
#include <cstdint>

#include "assets/paint.h"

namespace assets {

constexpr int32_t needle_texture_size = 256;
constexpr int32_t ground_texture_size = 512;
constexpr int32_t glow_texture_size = 64;

// The fir needles: base green 28, 90, 43 under 3200 short palette strokes
// that run toward larger y, leaning left or right. canvas must be
// needle_texture_size square. 22,400 draws (seven per stroke).
void paint_needle_texture(const Canvas* canvas);

// The pale floor: a checker of 128-pixel tiles, 40 wrapping random-walk
// streaks of 8 segments, then dark seams along the tile edges (the lines
// at 0 and 1 blended twice). canvas must be ground_texture_size square.
// 760 draws.
void paint_ground_texture(const Canvas* canvas);

// The three textures as the texture builder paints them: needle, ground,
// glow, in that order (23,160 draws in all). Each canvas must be its
// texture's size square.
void paint_textures(const Canvas* needle, const Canvas* ground, const Canvas* glow);

// The ground texture's seams alone: five passes along the tile edges at
// 0, 128, 256, 384 and 0 again, each blending columns c and c + 1 and rows
// c and c + 1 toward 80, 60, 110 at strength 0.35, pixel by pixel (the
// last step of paint_ground_texture). canvas must be ground_texture_size
// square. No draws.
void paint_ground_seams(const Canvas* canvas);

// The soft round spot of the light sprites, grey in all four channels:
// 249 at the centre pixels, 0 in the corners. canvas must be
// glow_texture_size square. No draws.
void paint_glow_texture(const Canvas* canvas);

}  // namespace assets
