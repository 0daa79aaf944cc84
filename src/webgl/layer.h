// The layer's start and the state its entry points keep (gl11.h declares
// the entry points themselves).
#pragma once
#include <cstdint>

#include "webgl/state.h"

namespace webgl {

// Owned by layer.cpp: written by the entry points and by display-list
// playback, read by the backend at each draw and by the tests.
extern State state;

// Begins drawing into a fresh drawing buffer of width x height: OpenGL's
// initial state, no display lists, no texture names, and readies the
// backend. False when the backend cannot draw.
bool start_layer(int32_t width, int32_t height);

}  // namespace webgl
