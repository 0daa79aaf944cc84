// The layer's backend for the native tests: every draw is recorded with
// the vertices it draws, one per index (inherited attributes filled in
// from the state, as the WebGL backend's constant attributes would), and
// the state it was drawn with.
#pragma once
#include <cstdint>
#include <vector>

#include "webgl/primitives.h"
#include "webgl/state.h"

namespace recording_backend {

struct Draw {
    uint32_t list;  // 0 outside lists
    uint32_t mode;
    uint8_t inherit;
    std::vector<webgl::Vertex> vertices;
    webgl::State state;
};

// Every draw since the last reset.
extern std::vector<Draw> draws;
// Texture levels stored, per texture name: (width, height) of each.
extern std::vector<std::vector<std::pair<int32_t, int32_t>>> texture_levels;

// Forgets the draws and texture levels (the stored lists stay, as in a
// real backend).
void reset();

}  // namespace recording_backend
