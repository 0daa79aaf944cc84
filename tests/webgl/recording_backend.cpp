#include "recording_backend.h"

#include <cstring>

#include "webgl/backend.h"

namespace recording_backend {

std::vector<Draw> draws;
std::vector<std::vector<std::pair<int32_t, int32_t>>> texture_levels;

namespace {

std::vector<webgl::Vertex> lists[64];

}  // namespace

void reset() {
    draws.clear();
    texture_levels.clear();
    for (auto& l : lists) l.clear();
}

}  // namespace recording_backend

namespace webgl::backend {

using recording_backend::draws;

void start() {}

void draw(const State& state, uint32_t mode, const Vertex* vertices, int32_t count) {
    draws.push_back({0, mode, 0, std::vector<Vertex>(vertices, vertices + count), state});
}

void store_list(uint32_t list, const Vertex* vertices, int32_t count) {
    recording_backend::lists[list].assign(vertices, vertices + count);
}

void draw_list(const State& state, uint32_t list, uint32_t mode, int32_t first, int32_t count, uint8_t inherit) {
    const std::vector<Vertex>& stored = recording_backend::lists[list];
    std::vector<Vertex> vertices(stored.begin() + first, stored.begin() + first + count);
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
