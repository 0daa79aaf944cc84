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
// into painted (23,160 draws), as the saver's start-up paints them before
// uploading them. Returns the random state after the painting.
uint32_t paint_like_the_saver(PaintedTextures* painted);

// The saver's start-up itself, through the null host on a 1 x 1 off-screen
// context: the capture seed, textures, display lists and the layout of
// mode (preview or capture), snow as given, no music. Prints a line and
// returns false when there is no off-screen context.
bool start_like_the_saver(int32_t mode, bool snow);

// A float that reads back bit for bit ("%.9g").
void print_float(const char* text_before, float v);
// [x, y, z], each as print_float.
void print_vec3(const char* text_before, const shared::Vec3& v);

}  // namespace dump
