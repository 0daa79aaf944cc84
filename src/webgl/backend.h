// What the layer asks of the drawing API underneath, chosen at link time:
// backend_web.cpp draws with WebGL2, backend_recording.cpp records for the
// native tests, backend_null.cpp (frostvale-dump under node) draws
// nothing. It draws whole batches (batch.h): geometry in object space,
// carried to eye space and lit per vertex by each draw's record. Every
// object it makes (program, buffers, textures) is made again from the
// layer's own data after start, so a lost context costs nothing but a new
// start.
#pragma once
#include <cstdint>

#include "webgl/batch.h"
#include "webgl/primitives.h"

namespace webgl {

namespace backend {

// Makes every object of the drawing API with its context current: the
// program, the buffers and each texture the layer has named (texture);
// forgets what it sent before, the lists' store too (send_store comes
// again before it is drawn from). Called by start_layer and restore_layer.
// False when it cannot draw (its shaders did not compile or link).
bool start();

// Keeps the display lists' geometry (lists.h's store) for the batches
// drawn from it: vertex_count vertices and index_count indices, all of it,
// in place of what was sent before.
void send_store(const Vertex* vertices, int32_t vertex_count, const uint32_t* indices, int32_t index_count);

// Draws the batch's runs.
void draw(const Batch& batch);

// glClear of the buffers in mask (GL_COLOR_BUFFER_BIT,
// GL_DEPTH_BUFFER_BIT) to colour, within state's viewport and scissor box
// and with its depth mask.
void clear(const DrawState& state, const float colour[4], uint32_t mask);

// Makes texture name as the layer keeps it (textures.h): its filters, wrap
// modes and every level it has.
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
