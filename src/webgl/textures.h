// The layer's textures as glTexParameteri and gluBuild2DMipmaps made them,
// kept so that the backend can make each again at any time (a lost
// context). Lies below the batching and the backend, which read it.
#pragma once
#include <cstdint>
#include <vector>

#include "webgl/primitives.h"

namespace webgl {

// The most texture names a run may have (the scene makes three); names
// count from 1.
constexpr uint32_t max_textures = 64;

struct Texture {
    bool named;  // given out by glGenTextures
    int32_t min_filter, mag_filter, wrap_s, wrap_t;
    std::vector<MipLevel> levels;
};

// Owned by textures.cpp: written by glGenTextures, glTexParameteri,
// gluBuild2DMipmaps and forget_textures, read by the batching, the backend
// and the tests.
extern Texture textures[max_textures];

// Whether name is a texture with its levels: one without them is
// incomplete, and OpenGL draws as if texturing were off.
bool texture_complete(uint32_t name);

// No texture names, none given out (a new start of the layer).
void forget_textures();

}  // namespace webgl
