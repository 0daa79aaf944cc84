#include "recording_backend.h"

#include <cstring>

#include "webgl/backend.h"

namespace recording_backend {

std::vector<Draw> draws;

void reset() { draws.clear(); }

}  // namespace recording_backend

namespace webgl::backend {

using recording_backend::draws;

bool start() { return true; }

void draw(const DrawState& state, const Vertex* vertices, int32_t vertex_count, const uint32_t* indices,
          int32_t index_count) {
    std::vector<Vertex> drawn;
    for (int32_t i = 0; i < index_count; ++i) drawn.push_back(vertices[indices[i]]);
    draws.push_back({false, state, std::move(drawn), vertex_count});
}

void clear(const DrawState& state, const float*, uint32_t) { draws.push_back({true, state, {}, 0}); }
void texture(uint32_t) {}
void flush_soon() {}

void read_rgba(int32_t, int32_t, int32_t width, int32_t height, uint8_t* rgba) {
    std::memset(rgba, 0, static_cast<size_t>(width) * height * 4);
}

void finish() {}

}  // namespace webgl::backend
