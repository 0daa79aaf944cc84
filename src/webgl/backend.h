// What the layer asks of the drawing API underneath: backend_web.cpp draws
// with WebGL2; the native tests put a recorder in its place, and
// frostvale-dump under node a backend that draws nothing. It draws whole
// batches (batch.h): vertices already in eye space, as separate points,
// lines or triangles. Every object it makes (program, buffers, textures) is
// made again from the layer's own data by start, so a lost context costs
// nothing but a new start.
#pragma once
#include <cstdint>

#include "webgl/batch.h"
#include "webgl/primitives.h"

namespace webgl {

namespace backend {

// Makes every object of the drawing API with its context current: the
// program, the streaming buffers and each texture the layer has named
// (texture); forgets what it sent before. Called by start_layer and
// restore_layer. False when it cannot draw (its shaders did not compile or
// link).
bool start();

// Draws index_count indices into vertex_count eye-space vertices with
// state.
void draw(const DrawState& state, const Vertex* vertices, int32_t vertex_count, const uint32_t* indices,
          int32_t index_count);

// glClear of the buffers in mask (GL_COLOR_BUFFER_BIT,
// GL_DEPTH_BUFFER_BIT) to colour, within state's viewport and scissor box
// and with its depth mask.
void clear(const DrawState& state, const float colour[4], uint32_t mask);

// Makes texture name as the layer keeps it (layer.h's textures): its
// filters, wrap modes and every level it has.
void texture(uint32_t name);

// Asks for flush_draws to be called once the caller's code has finished
// this frame, before the frame is shown (the browser's microtask).
void flush_soon();

// The drawing buffer's pixels in the rectangle, RGBA, bottom row first,
// width x 4 bytes a row.
void read_rgba(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t* rgba);

// Waits until everything drawn has reached the drawing buffer.
void finish();

}  // namespace backend

}  // namespace webgl
