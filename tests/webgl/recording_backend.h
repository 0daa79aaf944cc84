// The layer's backend for the native tests: every batch drawn is recorded
// with the vertices it draws, one per index, and the state it was drawn
// with; a clear is recorded in its place among them.
#pragma once
#include <cstdint>
#include <vector>

#include "webgl/batch.h"
#include "webgl/primitives.h"

namespace recording_backend {

struct Draw {
    bool clear;  // a glClear, without vertices
    webgl::DrawState state;
    std::vector<webgl::Vertex> vertices;
    int32_t vertex_count;  // the vertices handed over, before the indices pick them
};

// Every draw and clear since the last reset, in order.
extern std::vector<Draw> draws;

// Forgets the draws.
void reset();

}  // namespace recording_backend
