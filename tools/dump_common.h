// Start-up and JSON printing shared by the subcommands.
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

#include "assets/paint.h"

#include "scene/state.h"

namespace dump {

// The three textures painted as the saver paints them before upload:
// needle, ground, glow.
struct PaintedTextures {
    std::vector<uint8_t> pixels[3];
    assets::Canvas canvases[3];
};

// Seeds the random source with the capture seed and paints the textures
// into painted (23,160 draws), exactly as the saver's start-up does before
// the layout. Returns the random state the layout will start from.
uint32_t start_like_the_saver(PaintedTextures* painted);

// The same, for callers that only need the random source where the saver
// has it after painting.
uint32_t start_like_the_saver();

// A float that reads back bit for bit ("%.9g").
void print_float(const char* text_before, float v);
// [x, y, z], each as print_float.
void print_vec3(const char* text_before, const shared::Vec3& v);

}  // namespace dump
