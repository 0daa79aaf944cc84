// What the layer asks of the drawing API underneath: backend_web.cpp draws
// with WebGL2; the native tests put a recorder in its place. Vertices come
// already as separate points, lines or triangles (primitives.h).
#pragma once
#include <cstdint>

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

namespace backend {

// Readies the drawing API (program, buffers) with its context current;
// called by start_layer. False when it cannot draw (its shaders did not
// compile or link).
bool start();

// Draws index_count indices into vertex_count vertices made outside any
// list, with state.
void draw(const State& state, uint32_t mode, const Vertex* vertices, int32_t vertex_count, const uint32_t* indices,
          int32_t index_count);

// Keeps a display list's vertices and indices for draw_list (once per
// list, at glEndList).
void store_list(uint32_t list, const Vertex* vertices, int32_t vertex_count, const uint32_t* indices,
                int32_t index_count);

// Draws count of a list's stored indices from first, with state; the
// attributes in inherit take state's current values instead of the stored
// ones.
void draw_list(const State& state, uint32_t list, uint32_t mode, int32_t first, int32_t count, uint8_t inherit);

// glClear of the buffers in mask (GL_COLOR_BUFFER_BIT,
// GL_DEPTH_BUFFER_BIT) within state's scissor box when that is on.
void clear(const State& state, uint32_t mask);

// A texture's filter or wrap mode (glTexParameteri).
void texture_parameter(uint32_t texture, uint32_t pname, int32_t value);

// One mipmap level of a texture, RGBA bytes.
void texture_level(uint32_t texture, int32_t level, int32_t width, int32_t height, const uint8_t* rgba);

// The drawing buffer's pixels in the rectangle, RGBA, bottom row first,
// width x 4 bytes a row.
void read_rgba(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t* rgba);

// Waits until everything drawn has reached the drawing buffer.
void finish();

}  // namespace backend

}  // namespace webgl
