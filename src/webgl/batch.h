// Batching: every draw of the layer (a glBegin ... glEnd block, or one of a
// display list's draws as the list is called) is appended to the open batch
// while the state it needs stays the same, with a record of what changes
// from draw to draw: its model-view matrix, its material and the
// attributes a list's draw takes from the caller. A list's draw adds only
// its record (its vertices are on the GPU already); immediate-mode
// vertices are streamed as given, in object space. The vertex shader
// carries each vertex to eye space and lights it with its own draw's
// record. A batch goes to the backend when a draw needs another state or
// does not continue the batch's pattern, before a clear, a read-back,
// glFinish or a texture change, and at the end of the browser's frame.
// Draws are never reordered: only neighbours merge.
#pragma once
#include <cstdint>
#include <vector>

#include "webgl/primitives.h"
#include "webgl/state.h"

namespace webgl {

// What a batch needs besides its vertices and records, as the backend
// sends it: only what acts on the draw, the rest zero, so that two draws
// that would look the same compare equal byte for byte (every field is 4
// bytes wide: no padding).
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
};

// what a record's normal[3] holds besides lists.h's inherit bits: the
// draw is of sprites
constexpr uint32_t record_sprite = 8;

// One draw's record, as the vertex shader reads it (19 texels of four
// floats): what acts on it, the rest zero. An unlit draw reads only its
// first 7 texels, a lit one its first 15, sprites all.
struct DrawRecord {
    float modelview[16];
    float normal[4];          // the caller's or the sprites' (xyz); w: the inherit bits that act, record_sprite
    float colour[4];          // the caller's, where the draw inherits it
    float texcoord[4];        // the caller's (st, 0, 0), where inherited
    float normal_matrix[12];  // the inverse transpose's three columns (xyz, 0); while lighting
    float material[20];       // ambient, diffuse, specular, emission, (shininess, 0, 0, 0); while lighting
    // sprites: the edges from the first corner to the second and to the
    // fourth (xyz, 0), the four corners' texture coordinates
    float sprite[16];
};
constexpr int32_t record_floats = static_cast<int32_t>(sizeof(DrawRecord) / sizeof(float));

// A quad of GL_QUADS that is a parallelogram of one opaque colour and one
// normal, sent as its first corner and its colour (alpha 1, the only one
// glColor3f gives); its record gives its edges, the corners' texture
// coordinates and the normal (the glows, the snow).
struct Sprite {
    float corner[3];
    float part;  // its record's place in the batch's records
    float colour[3];
    float unused;  // 0: two texels of four floats a sprite
};

enum BatchKind : uint32_t {
    batch_streamed,  // immediate-mode vertices and indices
    batch_listed,    // the lists' store
    batch_sprites,   // sprites, each drawn as the two triangles of its quad
    batch_points,    // points of one normal, colour and texture coordinate (the record's): positions only
};

// One WebGL draw of a batch: instances times the index range, vertex v of
// instance i transformed by record first_record + i x span + (v.part -
// first_part) of the batch's records.
struct DrawRun {
    int32_t first_record;
    int32_t instances, span, first_part;
    int32_t first_index, index_count;  // of the store's indices, or of the batch's own
};

// What the backend draws as one batch, in one or two runs (a batch of
// repeated list calls whose last repeat is incomplete needs two). A batch
// of sprites is one run of an instance a sprite, each the six indices 0,
// 1, 2, 0, 2, 3 of its corners.
struct Batch {
    DrawState state;
    BatchKind kind;
    std::vector<DrawRecord> records;
    std::vector<Vertex> vertices;   // streamed: object space, part the record's place in records
    std::vector<uint32_t> indices;  // streamed: into vertices
    std::vector<Sprite> sprites;
    std::vector<float> points;  // x, y, z of each point, drawn in order with records[0]
    DrawRun runs[2];
    int32_t run_count;
};

// The DrawState of state for primitives drawn as mode.
DrawState draw_state_of(const State& state, uint32_t mode);

// The record of a draw made in state, taking the attributes in inherit
// (lists.h) from state's current ones.
DrawRecord record_of(const State& state, uint8_t inherit);

// Adds an immediate-mode draw of index_count indices into vertex_count
// vertices (object space, indices from 0) as state and its model-view
// matrix draw them. Ends the open batch first when it cannot take it.
void add_draw(const State& state, uint32_t mode, const Vertex* vertices, int32_t vertex_count, const uint32_t* indices,
              int32_t index_count);

// Adds an immediate-mode block of count GL_POINTS as positions alone, if
// they share one normal, colour and texture coordinate (which go in the
// record); returns false, adding nothing, otherwise. Neighbouring blocks
// join when their records are the same.
bool add_points(const State& state, const Vertex* vertices, int32_t count);

// Adds an immediate-mode block of quad_count GL_QUADS (four corners each,
// object space) as sprites, if every quad is a parallelogram (to within a
// hundred-thousandth of its size) with one colour and one normal; returns
// false, adding nothing, otherwise. Neighbouring quads of the same shape
// (edges, texture coordinates, normal) share a record.
bool add_sprites(const State& state, const Vertex* corners, int32_t quad_count);

// The sphere (centre, radius) about the box around count vertices,
// which holds them all.
void bounding_sphere(const Vertex* vertices, int32_t count, float sphere[4]);

// Whether a sphere in object space lies wholly beyond one of the view's
// six planes under state's model-view and projection matrices (false
// where that cannot be told: a model-view matrix with a projective row).
bool sphere_unseen(const State& state, const float centre[3], float radius);

// Adds a call of a list's draw: part and its index_count indices from
// first_index in the store (lists.h), drawn as mode with state, the
// attributes in inherit taken from state. It joins the open batch when the
// state is the same and the part continues the batch's pattern: the next
// part of the store in the batch's first repeat, or the part due in a
// repeat of the same run of parts.
void add_list_draw(const State& state, uint32_t mode, int32_t part, int32_t first_index, int32_t index_count,
                   uint8_t inherit);

// Hands the open batch, if any, to the backend (with the store first, when
// it has not been sent since it changed).
void flush_draws();

// Forgets the open batch without drawing it (a new start of the layer).
void drop_draws();

}  // namespace webgl
