// Batching: every draw of the layer (a glBegin ... glEnd block, or one of a
// display list's blocks as the list is called) is carried to eye space on
// the CPU as it is issued, with the model-view matrix of that moment, and
// appended to the open batch while the state it needs stays the same. A
// batch goes to the backend as one draw when a draw needs another state,
// before a clear, a read-back, glFinish or a texture change, and at the end
// of the browser's frame. Draws are never reordered: only neighbours merge.
#pragma once
#include <cstdint>

#include "webgl/primitives.h"
#include "webgl/state.h"

namespace webgl {

// What a draw needs besides its vertices, as the backend sends it: only
// what acts on the draw, the rest zero, so that two draws that would look
// the same compare equal byte for byte (every field is 4 bytes wide: no
// padding). The model-view matrix is not here: the vertices carry it.
struct DrawState {
    uint32_t mode;      // GL_POINTS, GL_LINES or GL_TRIANGLES
    uint32_t switches;  // state.h's switches that act: normalize only while lighting
    float projection[16];
    int32_t viewport[4];
    int32_t scissor[4];  // zeros unless the scissor test is on
    uint32_t depth_mask;
    uint32_t blend_source, blend_destination;  // zeros unless blending
    uint32_t texture;                          // 0 unless texturing with a texture that has its levels
    float point_size;                          // 0 unless drawing points
    float fog[6];                              // start, end, colour; zeros unless fog is on
    // zeros unless lighting is on:
    int32_t lights_on;
    // the lights that are on, first to last: position (eye coordinates),
    // ambient, diffuse, specular, (constant, linear, quadratic attenuation, 0)
    float lights[light_count][20];
    float light_model[4];  // the model ambient's rgb, local viewer (1 or 0)
    float material[20];    // ambient, diffuse, specular, emission, (shininess, 0, 0, 0)
};

// The DrawState of state for primitives drawn as mode.
DrawState draw_state_of(const State& state, uint32_t mode);

// Adds a draw of index_count indices into vertex_count vertices (in object
// space, indices from 0) as state and its model-view matrix draw them: the
// attributes in inherit (backend.h) take state's current values instead of
// the vertices' own. Ends the open batch first when its state differs.
void add_draw(const State& state, uint32_t mode, const Vertex* vertices, int32_t vertex_count, const uint32_t* indices,
              int32_t index_count, uint8_t inherit);

// Hands the open batch, if any, to the backend as one draw.
void flush_draws();

// Forgets the open batch without drawing it (a new start of the layer).
void drop_draws();

}  // namespace webgl
