// The layer's start and the state its entry points keep (gl11.h declares
// the entry points themselves).
#pragma once
#include <cstdint>
#include <vector>

#include "webgl/primitives.h"
#include "webgl/state.h"

namespace webgl {

// The most display lists and texture names a run may have (the scene
// makes seven and three); names count from 1.
constexpr uint32_t max_lists = 64;
constexpr uint32_t max_textures = 64;

// attributes a display list leaves to the state current when it is
// called (set nowhere in the list before the draw)
enum : uint8_t {
    inherit_normal = 1u << 0,
    inherit_colour = 1u << 1,
    inherit_texcoord = 1u << 2,
};

// A texture as glTexParameteri and gluBuild2DMipmaps made it, kept so that
// the backend can make it again at any time.
struct Texture {
    bool named;  // given out by glGenTextures
    int32_t min_filter, mag_filter, wrap_s, wrap_t;
    std::vector<MipLevel> levels;
};

// Owned by layer.cpp: written by the entry points and by display-list
// playback, read by the batching, the backend and the tests.
extern State state;
// Owned by layer.cpp: written by glGenTextures, glTexParameteri and
// gluBuild2DMipmaps, read by the batching and the backend.
extern Texture textures[max_textures];

// Begins drawing into a fresh drawing buffer of width x height: OpenGL's
// initial state, no display lists, no texture names, and readies the
// backend. False when the backend cannot draw.
bool start_layer(int32_t width, int32_t height);

// After the drawing API lost its objects (WebGL's webglcontextrestored):
// makes them all again (program, buffers, every texture with all its
// levels) from what the layer keeps; its state, display lists and names
// stay as they were. False when the backend cannot draw.
bool restore_layer();

}  // namespace webgl
