#include "recording_backend.h"

#include <cstring>

#include "webgl/backend.h"

namespace recording_backend {

std::vector<Draw> draws;
std::vector<std::vector<std::pair<int32_t, int32_t>>> texture_levels;

namespace {

struct List {
    std::vector<webgl::Vertex> vertices;
    std::vector<uint32_t> indices;
};
List lists[webgl::max_lists];

}  // namespace

void reset() {
    draws.clear();
    texture_levels.clear();
}

}  // namespace recording_backend

namespace webgl::backend {

using recording_backend::draws;

bool start() { return true; }

// the indexed vertices one after another, as the triangles draw them
std::vector<Vertex> expand(const Vertex* vertices, const uint32_t* indices, int32_t count) {
    std::vector<Vertex> out;
    for (int32_t i = 0; i < count; ++i) out.push_back(vertices[indices[i]]);
    return out;
}

void draw(const State& state, uint32_t mode, const Vertex* vertices, int32_t, const uint32_t* indices,
          int32_t index_count) {
    draws.push_back({0, mode, 0, expand(vertices, indices, index_count), state});
}

void store_list(uint32_t list, const Vertex* vertices, int32_t vertex_count, const uint32_t* indices,
                int32_t index_count) {
    recording_backend::lists[list] = {std::vector<Vertex>(vertices, vertices + vertex_count),
                                      std::vector<uint32_t>(indices, indices + index_count)};
}

void draw_list(const State& state, uint32_t list, uint32_t mode, int32_t first, int32_t count, uint8_t inherit) {
    const auto& stored = recording_backend::lists[list];
    std::vector<Vertex> vertices = expand(stored.vertices.data(), stored.indices.data() + first, count);
    for (Vertex& v : vertices) {
        if (inherit & inherit_normal) std::memcpy(v.normal, state.normal, sizeof v.normal);
        if (inherit & inherit_colour) std::memcpy(v.colour, state.colour, sizeof v.colour);
        if (inherit & inherit_texcoord) std::memcpy(v.texcoord, state.texcoord, sizeof v.texcoord);
    }
    draws.push_back({list, mode, inherit, std::move(vertices), state});
}

void clear(const State&, uint32_t) {}
void texture_parameter(uint32_t, uint32_t, int32_t) {}

void texture_level(uint32_t texture, int32_t, int32_t width, int32_t height, const uint8_t*) {
    auto& levels = recording_backend::texture_levels;
    if (levels.size() <= texture) levels.resize(texture + 1);
    levels[texture].push_back({width, height});
}

void read_rgba(int32_t, int32_t, int32_t width, int32_t height, uint8_t* rgba) {
    std::memset(rgba, 0, static_cast<size_t>(width) * height * 4);
}

void finish() {}

}  // namespace webgl::backend
