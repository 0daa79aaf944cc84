#include "webgl/lists.h"

#include <cmath>
#include <cstring>
#include <unordered_map>

#include "webgl/backend.h"
#include "webgl/batch.h"
#include "webgl/gl11.h"
#include "webgl/state.h"

namespace webgl {

std::vector<Vertex> store_vertices;
std::vector<uint32_t> store_indices;
bool store_sent = false;
std::vector<Tile> store_tiles;

uint32_t compiling = 0;
float list_normal[3], list_colour[4], list_texcoord[2];
uint8_t list_set = 0;

namespace {

// A list's calls; while it is compiled also the vertices (object space) and
// indices of its draws, which glEndList moves into the store.
struct DisplayList {
    bool defined;
    std::vector<Call> calls;
    std::vector<Vertex> vertices;
    std::vector<uint32_t> indices;
};

// Vertices compared and hashed byte for byte (every field a float: no padding).
struct SameBytes {
    bool operator()(const Vertex& a, const Vertex& b) const { return std::memcmp(&a, &b, sizeof a) == 0; }
};
struct HashBytes {
    size_t operator()(const Vertex& v) const {
        // FNV-1a over the vertex's bytes
        const auto* bytes = reinterpret_cast<const unsigned char*>(&v);
        uint64_t h = 14695981039346656037ull;
        for (size_t i = 0; i < sizeof v; ++i) h = (h ^ bytes[i]) * 1099511628211ull;
        return static_cast<size_t>(h);
    }
};

// While glEndList moves a draw into the store: where each distinct vertex
// went, and where each of the draw's vertices did. Written and read by glEndList.
std::unordered_map<Vertex, uint32_t, HashBytes, SameBytes> store_places;
std::vector<uint32_t> places;

// OpenGL's least nesting of glCallList inside lists
constexpr int32_t max_list_nesting = 64;

// Written by glNewList, glEndList, submit and add_compiled_draw, read by
// glCallList; cleared by forget_lists.
DisplayList lists[max_lists];
// The next free list name and the next part of the store: written by
// glGenLists, glEndList and forget_lists.
uint32_t next_list = 1;
int32_t next_part = 0;

void copy(float* to, const float* from, int n) { std::memcpy(to, from, sizeof(float) * n); }

void call_list_now(uint32_t name, int32_t depth);

// Whether the order of opaque triangles cannot show in state: depth-tested
// and depth-written, unblended.
bool order_free(const State& s) {
    return (s.switches & switch_depth_test) != 0 && (s.switches & switch_blend) == 0 && s.depth_mask;
}

// Adds the tiles of the store's draw of count indices from first (its
// vertices in the store) to the store, and their parts; sets the call's
// first_tile and tile_count.
void add_tiles(Call* c, int32_t first, int32_t count) {
    float low[3], high[3];
    for (int a = 0; a < 3; ++a)
        low[a] = high[a] = store_vertices[store_indices[static_cast<size_t>(first)]].position[a];
    for (int32_t i = first; i < first + count; ++i) {
        const float* p = store_vertices[store_indices[static_cast<size_t>(i)]].position;
        for (int a = 0; a < 3; ++a) {
            low[a] = std::fmin(low[a], p[a]);
            high[a] = std::fmax(high[a], p[a]);
        }
    }
    // the grid lies over the two longest sides
    int shortest = 0;
    for (int a = 1; a < 3; ++a) {
        if (high[a] - low[a] < high[shortest] - low[shortest]) shortest = a;
    }
    const int u = shortest == 0 ? 1 : 0, w = shortest == 2 ? 1 : 2;
    auto cell = [&](int axis, float x) {
        const float size = high[axis] - low[axis];
        const int k = size > 0.0f ? static_cast<int>((x - low[axis]) / size * tiles_a_side) : 0;
        return k < 0 ? 0 : k >= tiles_a_side ? tiles_a_side - 1 : k;
    };
    std::vector<int32_t> tile_of(static_cast<size_t>(count / 3));
    for (int32_t t = 0; t < count / 3; ++t) {
        float centre[3] = {0.0f, 0.0f, 0.0f};
        for (int k = 0; k < 3; ++k) {
            const float* p = store_vertices[store_indices[static_cast<size_t>(first + 3 * t + k)]].position;
            for (int a = 0; a < 3; ++a) centre[a] += p[a] / 3.0f;
        }
        tile_of[static_cast<size_t>(t)] = cell(u, centre[u]) * tiles_a_side + cell(w, centre[w]);
    }
    c->first_tile = static_cast<int32_t>(store_tiles.size());
    c->tile_count = 0;
    std::vector<int32_t> place(store_vertices.size(), -1);
    std::vector<Vertex> own;
    for (int32_t tile = 0; tile < tiles_a_side * tiles_a_side; ++tile) {
        Tile made = {next_part, static_cast<int32_t>(store_indices.size()), 0, {}};
        const uint32_t base = static_cast<uint32_t>(store_vertices.size());
        own.clear();
        for (int32_t t = 0; t < count / 3; ++t) {
            if (tile_of[static_cast<size_t>(t)] != tile) continue;
            for (int k = 0; k < 3; ++k) {
                const uint32_t v = store_indices[static_cast<size_t>(first + 3 * t + k)];
                if (place[v] < 0 || static_cast<uint32_t>(place[v]) < base) {
                    place[v] = static_cast<int32_t>(base + own.size());
                    own.push_back(store_vertices[v]);
                    own.back().part = static_cast<float>(next_part);
                }
                store_indices.push_back(static_cast<uint32_t>(place[v]));
            }
            made.count += 3;
        }
        if (made.count == 0) continue;
        store_vertices.insert(store_vertices.end(), own.begin(), own.end());
        place.resize(store_vertices.size(), -1);
        bounding_sphere(own.data(), static_cast<int32_t>(own.size()), made.sphere);
        store_tiles.push_back(made);
        ++next_part;
        ++c->tile_count;
    }
}

void execute(const Call& c, int32_t depth) {
    switch (c.kind) {
        case call_enable:
            set_enabled(c.a, true);
            break;
        case call_disable:
            set_enabled(c.a, false);
            break;
        case call_normal:
            copy(state.normal, c.v, 3);
            break;
        case call_colour:
            copy(state.colour, c.v, 4);
            break;
        case call_texcoord:
            copy(state.texcoord, c.v, 2);
            break;
        case call_current:
            if (c.a & inherit_normal) copy(state.normal, c.v, 3);
            if (c.a & inherit_colour) copy(state.colour, c.v + 4, 4);
            if (c.a & inherit_texcoord) copy(state.texcoord, c.v + 8, 2);
            break;
        case call_draw:
            // the draw's bounding sphere (v: centre, radius) wholly outside the view draws nothing
            if (sphere_unseen(state, c.v, c.v[3])) break;
            if (c.tile_count > 0 && order_free(state)) {
                for (int32_t t = c.first_tile; t < c.first_tile + c.tile_count; ++t) {
                    const Tile& tile = store_tiles[static_cast<size_t>(t)];
                    if (!sphere_unseen(state, tile.sphere, tile.sphere[3]))
                        add_list_draw(state, c.a, tile.part, tile.first, tile.count, c.inherit);
                }
                break;
            }
            add_list_draw(state, c.a, c.part, c.first, c.count, c.inherit);
            break;
        case call_list:
            call_list_now(c.a, depth + 1);
            break;
        case call_matrix_mode:
            state.matrix_mode = c.a;
            break;
        case call_load_identity:
            current(current_stack()) = identity_matrix();
            break;
        case call_push_matrix:
            push_matrix(current_stack());
            break;
        case call_pop_matrix:
            pop_matrix(current_stack());
            break;
        case call_multiply: {
            Matrix m;
            copy(m.m, c.v, 16);
            multiply_current(current_stack(), m);
            break;
        }
        case call_light:
            set_light(c.a, c.b, c.v);
            break;
        case call_light_model:
            if (c.a == GL_LIGHT_MODEL_AMBIENT) copy(state.light_model_ambient, c.v, 4);
            if (c.a == GL_LIGHT_MODEL_LOCAL_VIEWER) state.local_viewer = c.v[0] != 0.0f;
            break;
        case call_material:
            set_material(c.a, c.b, c.v);
            break;
        case call_fog:
            if (c.a == GL_FOG_START) state.fog_start = c.v[0];
            if (c.a == GL_FOG_END) state.fog_end = c.v[0];
            if (c.a == GL_FOG_COLOR) copy(state.fog_colour, c.v, 4);
            break;
        case call_point_size:
            state.point_size = c.v[0];
            break;
        case call_depth_mask:
            state.depth_mask = c.a != 0;
            break;
        case call_blend_func:
            state.blend_source = c.a;
            state.blend_destination = c.b;
            break;
        case call_viewport:
            for (int i = 0; i < 4; ++i) state.viewport[i] = static_cast<int32_t>(c.v[i]);
            break;
        case call_scissor:
            for (int i = 0; i < 4; ++i) state.scissor[i] = static_cast<int32_t>(c.v[i]);
            break;
        case call_clear_colour:
            copy(state.clear_colour, c.v, 4);
            break;
        case call_clear:
            flush_draws();
            backend::clear(draw_state_of(state, GL_TRIANGLES), state.clear_colour, c.a);
            break;
        case call_bind_texture:
            state.texture = c.a;
            break;
        case call_push_attributes:
            push_attributes();
            break;
        case call_pop_attributes:
            pop_attributes();
            break;
    }
}

void call_list_now(uint32_t name, int32_t depth) {
    if (name == 0 || name >= max_lists || !lists[name].defined || depth >= max_list_nesting) return;
    for (const Call& c : lists[name].calls) execute(c, depth);
}

bool attribute_call(CallKind kind) {
    return kind == call_normal || kind == call_colour || kind == call_texcoord || kind == call_current;
}

}  // namespace

void submit(const Call& c) {
    if (compiling) {
        lists[compiling].calls.push_back(c);
    } else {
        execute(c, 0);
    }
}

Call make_call(CallKind kind, uint32_t a, uint32_t b) {
    Call c = {};
    c.kind = kind;
    c.a = a;
    c.b = b;
    return c;
}

Call make_values(CallKind kind, uint32_t a, uint32_t b, const float* v, int n) {
    Call c = make_call(kind, a, b);
    copy(c.v, v, n);
    return c;
}

void add_compiled_draw(uint32_t mode, const Vertex* vertices, int32_t count, const uint32_t* indices,
                       int32_t index_count) {
    DisplayList& list = lists[compiling];
    // an attribute that the list has not set yet comes from the caller's state
    const uint8_t inherit = static_cast<uint8_t>(~list_set & (inherit_normal | inherit_colour | inherit_texcoord));
    // the list's last draw, unless a call that is not an attribute came after it
    Call* last = nullptr;
    for (size_t i = list.calls.size(); i-- > 0;) {
        if (list.calls[i].kind == call_draw) {
            last = &list.calls[i];
            break;
        }
        if (!attribute_call(list.calls[i].kind)) break;
    }
    const bool join = last && last->a == mode && last->inherit == inherit;
    const uint32_t base = join ? static_cast<uint32_t>(last->vertex_count) : 0;
    list.vertices.insert(list.vertices.end(), vertices, vertices + count);
    for (int32_t i = 0; i < index_count; ++i) list.indices.push_back(base + indices[i]);
    if (join) {
        // the attribute calls between act only on what neither draw inherits
        last->vertex_count += count;
        last->count += index_count;
        return;
    }
    Call draw = make_call(call_draw, mode);
    draw.first_vertex = static_cast<int32_t>(list.vertices.size()) - count;
    draw.vertex_count = count;
    draw.first = static_cast<int32_t>(list.indices.size()) - index_count;
    draw.count = index_count;
    draw.inherit = inherit;
    submit(draw);
}

void forget_lists() {
    for (DisplayList& l : lists) l = DisplayList{};
    store_vertices.clear();
    store_indices.clear();
    store_tiles.clear();
    store_sent = false;
    next_list = 1;
    next_part = 0;
    compiling = 0;
}

}  // namespace webgl

// The list entry points, named by gl11.h's macros.

GLuint glGenLists(GLsizei range) {
    using namespace webgl;
    if (range < 1 || next_list + static_cast<uint32_t>(range) > max_lists) return 0;
    const uint32_t first = next_list;
    next_list += static_cast<uint32_t>(range);
    return first;
}

void glNewList(GLuint list, GLenum) {
    using namespace webgl;
    if (compiling || list == 0 || list >= max_lists) return;
    compiling = list;
    // a list compiled again leaves its old geometry in the store, unused
    lists[list] = DisplayList{};
    list_set = 0;
}

void glEndList() {
    using namespace webgl;
    if (!compiling) return;
    DisplayList& list = lists[compiling];
    // each draw's vertices and indices into the store, with a part of its own
    for (Call& c : list.calls) {
        if (c.kind != call_draw) continue;
        // a vertex given again (a strip's edge shared with the next strip)
        // is stored once: the same input gives the same output, and the GPU
        // transforms and lights it once
        store_places.clear();
        places.resize(static_cast<size_t>(c.vertex_count));
        for (int32_t i = 0; i < c.vertex_count; ++i) {
            Vertex v = list.vertices[static_cast<size_t>(c.first_vertex + i)];
            v.part = static_cast<float>(next_part);
            const auto found = store_places.emplace(v, static_cast<uint32_t>(store_vertices.size()));
            if (found.second) store_vertices.push_back(v);
            places[static_cast<size_t>(i)] = found.first->second;
        }
        const int32_t first = static_cast<int32_t>(store_indices.size());
        for (int32_t i = 0; i < c.count; ++i)
            store_indices.push_back(places[list.indices[static_cast<size_t>(c.first + i)]]);
        bounding_sphere(&list.vertices[static_cast<size_t>(c.first_vertex)], c.vertex_count, c.v);
        c.first = first;
        c.part = next_part++;
        if (c.a == GL_TRIANGLES && c.count >= tiled_indices) add_tiles(&c, first, c.count);
        store_sent = false;
    }
    list.vertices = {};
    list.indices = {};
    list.defined = true;
    compiling = 0;
}

void glCallList(GLuint list) {
    using namespace webgl;
    if (compiling) {
        submit(make_call(call_list, list));
    } else {
        call_list_now(list, 0);
    }
}
