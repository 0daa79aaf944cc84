// The layer's backend for the native tests: every batch is recorded with
// the vertices it draws, one per index, carried to eye space by their
// records as the vertex shader carries them, and what it handed over; a
// clear is recorded in its place among them. The lists' store is kept as
// sent, and the vertices of list draws are read from that copy.
#pragma once
#include <cstdint>
#include <vector>

#include "webgl/batch.h"
#include "webgl/primitives.h"

namespace recording_backend {

struct Draw {
    bool clear;  // a glClear, without vertices
    webgl::DrawState state;
    webgl::BatchKind kind;
    std::vector<webgl::Vertex> vertices;            // eye space (normals only while lighting), one per index drawn
    std::vector<webgl::DrawRecord> vertex_records;  // each vertex's record
    int32_t runs;                                   // WebGL draws it took
    int32_t records;                                // records handed over
    int32_t streamed_vertices;                      // vertices handed over with it (none for the store's)
};

// Every draw and clear since the last reset, in order; and every vertex of
// the lists' store handed over since the layer started (store_sends: how
// many times it was). Written by the backend, cleared by reset (draws) and
// start (the store's counts).
extern std::vector<Draw> draws;
extern int64_t store_vertices_sent;
extern int32_t store_sends;

// Forgets the draws.
void reset();

}  // namespace recording_backend
