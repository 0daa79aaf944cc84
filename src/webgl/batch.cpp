#include "webgl/batch.h"

#include <cmath>
#include <cstring>

#include "webgl/backend.h"
#include "webgl/gl11.h"
#include "webgl/lists.h"
#include "webgl/textures.h"

namespace webgl {

namespace {

// The open batch (open: it has a draw) and, for a batch of list draws, its
// pattern: the run of parts from first_part that its first repeat covers
// (span of them, their indices ending at part_ends), the repeats begun and
// how many parts of the last one have come. Written by add_draw,
// add_list_draw and drop_draws; read by flush_draws. The vectors keep
// their room from frame to frame.
Batch batch;
bool open = false;
int32_t first_part = 0, span = 0, repeats = 0, filled = 0;
std::vector<int32_t> part_ends;

void copy(float* to, const float* from, int n) { std::memcpy(to, from, sizeof(float) * n); }

// how far, for its size (the sum of its coordinates' and edges' magnitudes),
// a sprite's corner may lie from the parallelogram: a few roundings of
// the float arithmetic that made it, far below a pixel
constexpr float shape_tolerance = 1e-5f;

// Ends the open batch unless it is a batch of the kind in state d.
void end_unless(BatchKind kind, const DrawState& d) {
    if (open && (batch.kind != kind || std::memcmp(&d, &batch.state, sizeof d) != 0)) flush_draws();
}

void begin(BatchKind kind, const DrawState& d) {
    batch.state = d;
    batch.kind = kind;
    batch.records.clear();
    batch.vertices.clear();
    batch.indices.clear();
    batch.sprites.clear();
    batch.points.clear();
    open = true;
    backend::flush_soon();
}

// Whether a list's draw of part, its indices from first_index, continues
// the open batch's pattern; if so the pattern takes it.
bool continues(int32_t part, int32_t first_index, int32_t index_count) {
    if (repeats == 1 && filled == span && part == first_part + span && first_index == part_ends.back()) {
        ++span;
        ++filled;
        part_ends.push_back(first_index + index_count);
        return true;
    }
    if (filled == span && part == first_part) {
        ++repeats;
        filled = 1;
        return true;
    }
    if (filled < span && part == first_part + filled) {
        ++filled;
        return true;
    }
    return false;
}

}  // namespace

DrawState draw_state_of(const State& s, uint32_t mode) {
    DrawState d = {};
    d.mode = mode;
    const bool lighting = (s.switches & switch_lighting) != 0;
    d.switches = s.switches & ~(lighting ? 0u : switch_normalize);
    copy(d.projection, current(s.projection).m, 16);
    std::memcpy(d.viewport, s.viewport, sizeof d.viewport);
    if (s.switches & switch_scissor) std::memcpy(d.scissor, s.scissor, sizeof d.scissor);
    d.depth_mask = s.depth_mask ? 1 : 0;
    if (s.switches & switch_blend) {
        d.blend_source = s.blend_source;
        d.blend_destination = s.blend_destination;
    }
    // a texture without its levels is incomplete: OpenGL draws as if texturing were off
    if ((s.switches & switch_texture) != 0 && texture_complete(s.texture)) {
        d.texture = s.texture;
    } else {
        d.switches &= ~switch_texture;
    }
    if (mode == GL_POINTS) d.point_size = s.point_size;
    if (s.switches & switch_fog) {
        d.fog[0] = s.fog_start;
        d.fog[1] = s.fog_end;
        copy(d.fog + 2, s.fog_colour, 4);
    }
    if (!lighting) return d;
    for (const Light& l : s.lights) {
        if (!l.enabled) continue;
        float* to = d.lights[d.lights_on++];
        copy(to, l.position, 4);
        copy(to + 4, l.ambient, 4);
        copy(to + 8, l.diffuse, 4);
        copy(to + 12, l.specular, 4);
        copy(to + 16, l.attenuation, 3);
    }
    copy(d.light_model, s.light_model_ambient, 3);
    d.light_model[3] = s.local_viewer ? 1.0f : 0.0f;
    return d;
}

DrawRecord record_of(const State& s, uint8_t inherit) {
    DrawRecord r = {};
    const Matrix& m = current(s.modelview);
    copy(r.modelview, m.m, 16);
    const bool lighting = (s.switches & switch_lighting) != 0;
    // only the attributes that act: the normal while lighting, the colour
    // otherwise, the texture coordinate while texturing
    uint8_t acting = inherit & (lighting ? inherit_normal : inherit_colour);
    if ((s.switches & switch_texture) != 0 && texture_complete(s.texture)) acting |= inherit & inherit_texcoord;
    if (acting & inherit_colour) copy(r.colour, s.colour, 4);
    if (acting & inherit_normal) copy(r.normal, s.normal, 3);
    if (acting & inherit_texcoord) copy(r.texcoord, s.texcoord, 2);
    r.normal[3] = static_cast<float>(acting);
    if (!lighting) return r;
    float n[9];
    normal_matrix(m, n);
    for (int c = 0; c < 3; ++c) copy(r.normal_matrix + 4 * c, n + 3 * c, 3);
    const Material& material = s.material;
    copy(r.material, material.ambient, 4);
    copy(r.material + 4, material.diffuse, 4);
    copy(r.material + 8, material.specular, 4);
    copy(r.material + 12, material.emission, 4);
    r.material[16] = material.shininess;
    return r;
}

void add_draw(const State& state, uint32_t mode, const Vertex* vertices, int32_t vertex_count, const uint32_t* indices,
              int32_t index_count) {
    if (index_count <= 0 || vertex_count <= 0) return;
    const DrawState d = draw_state_of(state, mode);
    end_unless(batch_streamed, d);
    if (!open) begin(batch_streamed, d);
    // neighbours under the same matrix and material share a record
    const DrawRecord r = record_of(state, 0);
    if (batch.records.empty() || std::memcmp(&r, &batch.records.back(), sizeof r) != 0) batch.records.push_back(r);
    const float part = static_cast<float>(batch.records.size() - 1);
    const uint32_t base = static_cast<uint32_t>(batch.vertices.size());
    batch.vertices.insert(batch.vertices.end(), vertices, vertices + vertex_count);
    for (size_t v = base; v < batch.vertices.size(); ++v) batch.vertices[v].part = part;
    for (int32_t i = 0; i < index_count; ++i) batch.indices.push_back(base + indices[i]);
}

bool add_points(const State& state, const Vertex* vertices, int32_t count) {
    if (count <= 0) return false;
    const Vertex& first = vertices[0];
    for (int32_t i = 1; i < count; ++i) {
        const Vertex& v = vertices[i];
        if (std::memcmp(v.normal, first.normal, sizeof v.normal) != 0 ||
            std::memcmp(v.colour, first.colour, sizeof v.colour) != 0 ||
            std::memcmp(v.texcoord, first.texcoord, sizeof v.texcoord) != 0)
            return false;
    }
    DrawRecord r = record_of(state, 0);
    copy(r.normal, first.normal, 3);
    copy(r.colour, first.colour, 4);
    copy(r.texcoord, first.texcoord, 2);
    r.normal[3] = static_cast<float>(inherit_normal | inherit_colour | inherit_texcoord);
    const DrawState d = draw_state_of(state, GL_POINTS);
    end_unless(batch_points, d);
    if (open && std::memcmp(&r, &batch.records[0], sizeof r) != 0) flush_draws();
    if (!open) {
        begin(batch_points, d);
        batch.records.push_back(r);
    }
    for (int32_t i = 0; i < count; ++i)
        batch.points.insert(batch.points.end(), vertices[i].position, vertices[i].position + 3);
    return true;
}

bool add_sprites(const State& state, const Vertex* corners, int32_t quad_count) {
    if (quad_count <= 0) return false;
    for (int32_t q = 0; q < quad_count; ++q) {
        const Vertex* v = corners + 4 * q;
        if (v[0].colour[3] != 1.0f) return false;
        for (int k = 1; k < 4; ++k) {
            if (std::memcmp(v[k].colour, v[0].colour, sizeof v[0].colour) != 0 ||
                std::memcmp(v[k].normal, v[0].normal, sizeof v[0].normal) != 0)
                return false;
        }
        // the third corner where the first and the two edges put it
        float size = 0.0f;
        for (int i = 0; i < 3; ++i) {
            size += std::fabs(v[0].position[i]) + std::fabs(v[1].position[i] - v[0].position[i]) +
                    std::fabs(v[3].position[i] - v[0].position[i]);
        }
        for (int i = 0; i < 3; ++i) {
            const float third = v[1].position[i] + v[3].position[i] - v[0].position[i];
            if (std::fabs(third - v[2].position[i]) > shape_tolerance * size) return false;
        }
    }
    const DrawState d = draw_state_of(state, GL_TRIANGLES);
    end_unless(batch_sprites, d);
    if (!open) begin(batch_sprites, d);
    DrawRecord r = record_of(state, 0);
    r.normal[3] = static_cast<float>(inherit_normal | record_sprite);
    for (int32_t q = 0; q < quad_count; ++q) {
        const Vertex* v = corners + 4 * q;
        copy(r.normal, v[0].normal, 3);
        for (int i = 0; i < 3; ++i) {
            r.sprite[i] = v[1].position[i] - v[0].position[i];
            r.sprite[4 + i] = v[3].position[i] - v[0].position[i];
        }
        for (int k = 0; k < 4; ++k) copy(r.sprite + 8 + 2 * k, v[k].texcoord, 2);
        // the same shape as the last sprite's, to within rounding: its record
        if (!batch.records.empty()) {
            const DrawRecord& last = batch.records.back();
            float size = 0.0f;
            for (int i = 0; i < 3; ++i)
                size += std::fabs(v[0].position[i]) + std::fabs(r.sprite[i]) + std::fabs(r.sprite[4 + i]);
            bool near = true;
            for (int i = 0; i < 8; ++i)
                near = near && std::fabs(last.sprite[i] - r.sprite[i]) <= shape_tolerance * size;
            if (near) {
                for (int i = 0; i < 8; ++i) r.sprite[i] = last.sprite[i];
            }
        }
        if (batch.records.empty() || std::memcmp(&r, &batch.records.back(), sizeof r) != 0) batch.records.push_back(r);
        Sprite s = {};
        copy(s.corner, v[0].position, 3);
        copy(s.colour, v[0].colour, 3);
        s.part = static_cast<float>(batch.records.size() - 1);
        batch.sprites.push_back(s);
    }
    return true;
}

void bounding_sphere(const Vertex* vertices, int32_t count, float sphere[4]) {
    float low[3] = {0.0f, 0.0f, 0.0f}, high[3] = {0.0f, 0.0f, 0.0f};
    for (int32_t i = 0; i < count; ++i) {
        for (int c = 0; c < 3; ++c) {
            const float x = vertices[i].position[c];
            if (i == 0 || x < low[c]) low[c] = x;
            if (i == 0 || x > high[c]) high[c] = x;
        }
    }
    float squared = 0.0f;
    for (int c = 0; c < 3; ++c) {
        sphere[c] = 0.5f * (low[c] + high[c]);
        squared += (high[c] - sphere[c]) * (high[c] - sphere[c]);
    }
    // a little more than the half diagonal: rounding never leaves a corner outside
    sphere[3] = 1.001f * std::sqrt(squared) + 1e-6f;
}

bool sphere_unseen(const State& state, const float centre[3], float radius) {
    const float* m = current(state.modelview).m;
    if (m[3] != 0.0f || m[7] != 0.0f || m[11] != 0.0f || m[15] != 1.0f) return false;
    float eye[3];
    for (int r = 0; r < 3; ++r) eye[r] = m[r] * centre[0] + m[4 + r] * centre[1] + m[8 + r] * centre[2] + m[12 + r];
    // the radius grows by the matrix's largest stretch: its longest
    // column's length where the columns are square to each other (turns,
    // moves and scalings along the axes), at most that times the square
    // root of 3 otherwise
    float stretch = 0.0f, dots = 0.0f;
    for (int c = 0; c < 3; ++c) {
        const float* column = m + 4 * c;
        const float* next = m + 4 * ((c + 1) % 3);
        stretch = std::fmax(stretch, std::sqrt(column[0] * column[0] + column[1] * column[1] + column[2] * column[2]));
        dots += std::fabs(column[0] * next[0] + column[1] * next[1] + column[2] * next[2]);
    }
    const bool square = dots <= 1e-5f * stretch * stretch;
    const float r = radius * stretch * (square ? 1.001f : 1.7320509f);
    // the planes of the view in eye space: the projection's last row plus or minus each other row
    const float* p = current(state.projection).m;
    for (int row = 0; row < 3; ++row) {
        for (float sign : {1.0f, -1.0f}) {
            float plane[4];
            for (int c = 0; c < 4; ++c) plane[c] = p[4 * c + 3] + sign * p[4 * c + row];
            const float length = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
            if (length == 0.0f) continue;
            const float distance = plane[0] * eye[0] + plane[1] * eye[1] + plane[2] * eye[2] + plane[3];
            if (distance < -r * length) return true;
        }
    }
    return false;
}

void add_list_draw(const State& state, uint32_t mode, int32_t part, int32_t first_index, int32_t index_count,
                   uint8_t inherit) {
    if (index_count <= 0) return;
    const DrawState d = draw_state_of(state, mode);
    end_unless(batch_listed, d);
    if (open && !continues(part, first_index, index_count)) flush_draws();
    if (!open) {
        begin(batch_listed, d);
        first_part = part;
        span = repeats = filled = 1;
        part_ends.assign(1, first_index + index_count);
        batch.runs[0].first_index = first_index;
    }
    batch.records.push_back(record_of(state, inherit));
}

void flush_draws() {
    if (!open) return;
    if (batch.kind == batch_listed) {
        if (!store_sent) {
            backend::send_store(store_vertices.data(), static_cast<int32_t>(store_vertices.size()),
                                store_indices.data(), static_cast<int32_t>(store_indices.size()));
            store_sent = true;
        }
        const int32_t first_index = batch.runs[0].first_index;
        const int32_t whole = filled == span ? repeats : repeats - 1;
        batch.run_count = 0;
        if (whole > 0)
            batch.runs[batch.run_count++] = {0, whole, span, first_part, first_index, part_ends.back() - first_index};
        // the last repeat, incomplete, drawn on its own
        if (filled < span) {
            batch.runs[batch.run_count++] = {whole * span, 1,
                                             filled,       first_part,
                                             first_index,  part_ends[static_cast<size_t>(filled - 1)] - first_index};
        }
    } else if (batch.kind == batch_points) {
        batch.runs[0] = {0, 1, 0, 0, 0, static_cast<int32_t>(batch.points.size() / 3)};
        batch.run_count = 1;
    } else if (batch.kind == batch_sprites) {
        batch.runs[0] = {0, static_cast<int32_t>(batch.sprites.size()), 0, 0, 0, 6};
        batch.run_count = 1;
    } else {
        batch.runs[0] = {0, 1, 0, 0, 0, static_cast<int32_t>(batch.indices.size())};
        batch.run_count = 1;
    }
    backend::draw(batch);
    drop_draws();
}

void drop_draws() { open = false; }

}  // namespace webgl
