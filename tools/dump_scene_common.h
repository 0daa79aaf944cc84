// Start-up and JSON printing shared by the layout and scene subcommands.
#pragma once
#include <cstdint>
#include <cstdio>

#include "scene/state.h"

namespace dump {

// Seeds the random source with the capture seed and takes the texture
// painting's draws, exactly as the saver's start-up does before the layout.
// Returns the random state the layout will start from.
uint32_t start_like_the_saver();

// A float that reads back bit for bit ("%.9g").
void print_float(const char* text_before, float v);
// [x, y, z], each as print_float.
void print_vec3(const char* text_before, const scene::Vec3& v);

}  // namespace dump
