// The layer's start and restore. gl11.h declares the entry points
// themselves, which live by concern: state.cpp (the OpenGL state),
// lists.cpp (display lists), immediate.cpp (glBegin ... glEnd),
// textures.cpp; batch.cpp gathers their draws for the backend (backend.h).
#pragma once
#include <cstdint>

namespace webgl {

// Begins drawing into a fresh drawing buffer of width x height: OpenGL's
// initial state, no display lists, no texture names, and readies the
// backend. False when the backend cannot draw.
bool start_layer(int32_t width, int32_t height);

// After the drawing API lost its objects (WebGL's webglcontextrestored):
// makes them all again (program, buffers, every texture with all its
// levels, the display lists' geometry) from what the layer keeps; its
// state, display lists and names stay as they were. False when the
// backend cannot draw.
bool restore_layer();

}  // namespace webgl
