#include "webgl/backend_recording.h"

#include <cstring>

#include "webgl/backend.h"
#include "webgl/lists.h"

namespace recording_backend {

std::vector<Draw> draws;
int64_t store_vertices_sent = 0;
int32_t store_sends = 0;

void reset() { draws.clear(); }

}  // namespace recording_backend

namespace webgl::backend {

namespace {

using recording_backend::draws;

// The lists' store as last sent: written by send_store, read by draw.
std::vector<Vertex> sent_vertices;
std::vector<uint32_t> sent_indices;

// v as the vertex shader gives it to the rest of the pipeline: position
// and normal in eye space, the inherited attributes from the record.
Vertex in_eye_space(const Vertex& v, const DrawRecord& r, bool lighting) {
    Vertex o = v;
    const float* m = r.modelview;
    const float x = v.position[0], y = v.position[1], z = v.position[2];
    const float w = m[3] * x + m[7] * y + m[11] * z + m[15];
    for (int i = 0; i < 3; ++i) o.position[i] = (m[i] * x + m[4 + i] * y + m[8 + i] * z + m[12 + i]) / w;
    const uint32_t inherit = static_cast<uint32_t>(r.normal[3]);
    const float* n = inherit & inherit_normal ? r.normal : v.normal;
    if (lighting) {
        const float* c = r.normal_matrix;
        for (int i = 0; i < 3; ++i) o.normal[i] = c[i] * n[0] + c[4 + i] * n[1] + c[8 + i] * n[2];
    }
    if (inherit & inherit_colour) std::memcpy(o.colour, r.colour, sizeof o.colour);
    if (inherit & inherit_texcoord) std::memcpy(o.texcoord, r.texcoord, sizeof o.texcoord);
    return o;
}

}  // namespace

bool start() {
    recording_backend::store_vertices_sent = 0;
    recording_backend::store_sends = 0;
    sent_vertices.clear();
    sent_indices.clear();
    return true;
}

void send_store(const Vertex* vertices, int32_t vertex_count, const uint32_t* indices, int32_t index_count) {
    sent_vertices.assign(vertices, vertices + vertex_count);
    sent_indices.assign(indices, indices + index_count);
    recording_backend::store_vertices_sent += vertex_count;
    ++recording_backend::store_sends;
}

void draw(const Batch& batch) {
    recording_backend::Draw d = {};
    d.state = batch.state;
    d.kind = batch.kind;
    d.runs = batch.run_count;
    d.records = static_cast<int32_t>(batch.records.size());
    const bool listed = batch.kind == batch_listed;
    d.streamed_vertices = static_cast<int32_t>(listed                        ? 0
                                               : batch.kind == batch_sprites ? batch.sprites.size()
                                               : batch.kind == batch_points  ? batch.points.size() / 3
                                                                             : batch.vertices.size());
    const bool lighting = (batch.state.switches & switch_lighting) != 0;
    const std::vector<Vertex>& vertices = listed ? sent_vertices : batch.vertices;
    const std::vector<uint32_t>& indices = listed ? sent_indices : batch.indices;
    for (int32_t r = 0; r < batch.run_count; ++r) {
        const DrawRun& run = batch.runs[r];
        for (int32_t instance = 0; instance < run.instances; ++instance) {
            for (int32_t i = run.first_index; i < run.first_index + run.index_count; ++i) {
                Vertex v;
                if (batch.kind == batch_sprites) {
                    // the corner the sprite's index names, its texture coordinate from the record
                    constexpr int corner_of[6] = {0, 1, 2, 0, 2, 3};
                    const Sprite& s = batch.sprites.at(static_cast<size_t>(instance));
                    const DrawRecord& shape = batch.records.at(static_cast<size_t>(s.part));
                    const int k = corner_of[i];
                    v = {};
                    for (int c = 0; c < 3; ++c) {
                        v.position[c] = s.corner[c] + (k == 1 || k == 2 ? shape.sprite[c] : 0.0f) +
                                        (k >= 2 ? shape.sprite[4 + c] : 0.0f);
                    }
                    std::memcpy(v.colour, s.colour, 3 * sizeof(float));
                    v.colour[3] = 1.0f;
                    std::memcpy(v.texcoord, shape.sprite + 8 + 2 * k, sizeof v.texcoord);
                    v.part = s.part;
                } else if (batch.kind == batch_points) {
                    v = {};
                    std::memcpy(v.position, &batch.points.at(3 * static_cast<size_t>(i)), sizeof v.position);
                } else {
                    v = vertices.at(indices.at(static_cast<size_t>(i)));
                }
                const int32_t record =
                    run.first_record + instance * run.span + (static_cast<int32_t>(v.part) - run.first_part);
                const DrawRecord& rec = batch.records.at(static_cast<size_t>(record));
                d.vertices.push_back(in_eye_space(v, rec, lighting));
                d.vertex_records.push_back(rec);
            }
        }
    }
    draws.push_back(std::move(d));
}

void clear(const DrawState& state, const float*, uint32_t) {
    recording_backend::Draw d = {};
    d.clear = true;
    d.state = state;
    draws.push_back(std::move(d));
}

void texture(uint32_t) {}
void flush_soon() {}

void read_rgba(int32_t, int32_t, int32_t width, int32_t height, uint8_t* rgba) {
    std::memset(rgba, 0, static_cast<size_t>(width) * height * 4);
}

void finish() {}

}  // namespace webgl::backend
