// Display lists: the state calls made between glNewList and glEndList are
// recorded as Calls, to act when the list is called; the list's vertices
// go, when it is ended, into the store of every list's geometry, which the
// GPU keeps (sent once by the batching, again only after another list is
// compiled or the context is restored). A call of a list sends only what
// changes: each of its draws' matrix, material and inherited attributes.
#pragma once
#include <cstdint>
#include <vector>

#include "webgl/primitives.h"

namespace webgl {

// The most display lists a run may have (the scene makes seven); names
// count from 1.
constexpr uint32_t max_lists = 64;

// attributes a display list's draw leaves to the state current when it is
// called (set nowhere in the list before the draw)
enum : uint8_t {
    inherit_normal = 1u << 0,
    inherit_colour = 1u << 1,
    inherit_texcoord = 1u << 2,
};

enum CallKind : uint8_t {
    call_enable,
    call_disable,
    call_normal,
    call_colour,
    call_texcoord,
    call_current,  // after a primitive: the attributes it set (a = inherit bits) become current
    call_draw,
    call_list,
    call_matrix_mode,
    call_load_identity,
    call_push_matrix,
    call_pop_matrix,
    call_multiply,
    call_light,
    call_light_model,
    call_material,
    call_fog,
    call_point_size,
    call_depth_mask,
    call_blend_func,
    call_viewport,
    call_scissor,
    call_clear_colour,
    call_clear,
    call_bind_texture,
    call_push_attributes,
    call_pop_attributes,
};

// One recorded call: kind, up to two names or enums, up to 16 numbers. A
// draw also has its mode (a), what it inherits, and its vertices and
// indices: while compiled, a range of the list's own (indices from the
// draw's first vertex); once the list is ended, its part and its range of
// the store's indices (store_indices).
struct Call {
    CallKind kind;
    uint32_t a, b;
    float v[16];
    int32_t first_vertex, vertex_count, first, count;
    int32_t part;
    int32_t first_tile, tile_count;  // a large draw's tiles (Tile), none for the rest
    uint8_t inherit;
};

// A large draw of triangles (the ground) is also kept as tiles: its
// triangles sorted by where they lie on a grid over its two longest sides,
// each tile a part of its own with its bounding sphere, so that a call
// draws only the tiles in view. The tiles change the order of the
// triangles, so they are drawn only where order cannot show: depth-tested,
// depth-written and unblended.
struct Tile {
    int32_t part, first, count;  // its part, its range of the store's indices
    float sphere[4];
};
// the least indices a draw is tiled from, and the tiles a side
constexpr int32_t tiled_indices = 12288;
constexpr int32_t tiles_a_side = 6;

// The geometry of every list ended since the layer started: vertices in
// object space, each draw's with a part of its own (numbered in the order
// the draws were compiled, so a list's draws, and lists compiled one after
// another, have consecutive parts and index ranges), and indices into
// them. Owned by lists.cpp (appended by glEndList, emptied by
// forget_lists); store_sent is cleared there and by restore_layer, and set
// by the batching once it has handed the store to the backend. Read by the
// batching and the recording backend.
extern std::vector<Vertex> store_vertices;
extern std::vector<uint32_t> store_indices;
extern bool store_sent;
// Owned by lists.cpp as the store is (appended by glEndList).
extern std::vector<Tile> store_tiles;

// While a list is compiled: its name (0 when none), and the attributes as
// the list's own calls have set them so far (which of them, in list_set).
// Owned by lists.cpp (written by glNewList and glEndList); the attributes
// also written by immediate.cpp's attribute calls; read by the entry points
// that record or draw.
extern uint32_t compiling;
extern float list_normal[3], list_colour[4], list_texcoord[2];
extern uint8_t list_set;

// Records the call in the list being compiled, or acts on it now.
void submit(const Call& c);

Call make_call(CallKind kind, uint32_t a = 0, uint32_t b = 0);
Call make_values(CallKind kind, uint32_t a, uint32_t b, const float* v, int n);

// Adds a glBegin block of the list being compiled: count vertices (with
// the list's attributes) and index_count indices into them drawn as mode
// (GL_POINTS, GL_LINES or GL_TRIANGLES). Joins the list's previous draw
// when nothing but attribute calls came between and mode and inherited
// attributes are the same, so that a list is as few draws as its state
// calls allow.
void add_compiled_draw(uint32_t mode, const Vertex* vertices, int32_t count, const uint32_t* indices,
                       int32_t index_count);

// No display lists, no names given out, an empty store (a new start).
void forget_lists();

}  // namespace webgl
