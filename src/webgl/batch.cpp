#include "webgl/batch.h"

#include <cstring>
#include <vector>

#include "webgl/backend.h"
#include "webgl/gl11.h"
#include "webgl/layer.h"

namespace webgl {

namespace {

// The open batch: its state, its vertices in eye space and its indices
// into them. Written by add_draw, flush_draws and drop_draws; read by
// flush_draws. The vectors keep their room from frame to frame.
DrawState batch_state;
std::vector<Vertex> batch_vertices;
std::vector<uint32_t> batch_indices;
// For each vertex of the draw being added, the clip planes it lies
// beyond (outcode), then its place once the unseen are gone: written and
// read by add_draw and keep_seen.
std::vector<uint8_t> outcodes;
std::vector<int32_t> new_places;

void copy(float* to, const float* from, int n) { std::memcpy(to, from, sizeof(float) * n); }

// The clip planes (bits 0 to 5: left, right, bottom, top, near, far)
// that a point in eye space lies beyond under the projection p.
uint8_t outcode(const float* p, const float* eye) {
    float clip[4];
    for (int r = 0; r < 4; ++r) clip[r] = p[r] * eye[0] + p[4 + r] * eye[1] + p[8 + r] * eye[2] + p[12 + r];
    const float w = clip[3];
    return static_cast<uint8_t>((clip[0] < -w) | (clip[0] > w) << 1 | (clip[1] < -w) << 2 | (clip[1] > w) << 3 |
                                (clip[2] < -w) << 4 | (clip[2] > w) << 5);
}

// The vertices carried to eye space by state's model-view matrix, as
// OpenGL carries them before lighting: positions by the matrix (divided by
// w where it is not 1), normals by its inverse transpose while lighting
// (unlit, the normal is never read and stays as it is); with the outcode
// of each under state's projection.
void to_eye_space(const State& state, bool lighting, const Vertex* in, int32_t count, uint8_t inherit, Vertex* out,
                  uint8_t* codes) {
    const float* m = current(state.modelview).m;
    const float* projection = current(state.projection).m;
    float n[9];
    if (lighting) normal_matrix(current(state.modelview), n);
    for (int32_t i = 0; i < count; ++i) {
        const Vertex& v = in[i];
        Vertex& o = out[i];
        const float x = v.position[0], y = v.position[1], z = v.position[2];
        o.position[0] = m[0] * x + m[4] * y + m[8] * z + m[12];
        o.position[1] = m[1] * x + m[5] * y + m[9] * z + m[13];
        o.position[2] = m[2] * x + m[6] * y + m[10] * z + m[14];
        const float w = m[3] * x + m[7] * y + m[11] * z + m[15];
        if (w != 1.0f) {
            for (float& p : o.position) p /= w;
        }
        codes[i] = outcode(projection, o.position);
        const float* normal = inherit & inherit_normal ? state.normal : v.normal;
        if (lighting) {
            for (int r = 0; r < 3; ++r) o.normal[r] = n[r] * normal[0] + n[3 + r] * normal[1] + n[6 + r] * normal[2];
        } else {
            copy(o.normal, normal, 3);
        }
        copy(o.colour, inherit & inherit_colour ? state.colour : v.colour, 4);
        copy(o.texcoord, inherit & inherit_texcoord ? state.texcoord : v.texcoord, 2);
    }
}

// Moves the vertices from base on that the count indices from first use
// down over those they do not (their order kept), and the indices with
// them; the batch ends after the last vertex kept.
void keep_seen(size_t base, size_t first, size_t count, int32_t vertex_count) {
    new_places.assign(static_cast<size_t>(vertex_count), -1);
    const uint32_t b = static_cast<uint32_t>(base);
    for (size_t i = first; i < first + count; ++i) new_places[batch_indices[i] - b] = 0;
    int32_t kept = 0;
    for (int32_t v = 0; v < vertex_count; ++v) {
        if (new_places[v] < 0) continue;
        new_places[v] = kept;
        // kept <= v: a vertex is only ever moved down, over one already moved or unused
        if (kept != v) batch_vertices[base + kept] = batch_vertices[base + v];
        ++kept;
    }
    for (size_t i = first; i < first + count; ++i) batch_indices[i] = b + new_places[batch_indices[i] - b];
    batch_vertices.resize(base + static_cast<size_t>(kept));
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
    const bool textured = (s.switches & switch_texture) != 0 && s.texture != 0 && s.texture < max_textures &&
                          !textures[s.texture].levels.empty();
    if (textured) {
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
    const Material& m = s.material;
    copy(d.material, m.ambient, 4);
    copy(d.material + 4, m.diffuse, 4);
    copy(d.material + 8, m.specular, 4);
    copy(d.material + 12, m.emission, 4);
    d.material[16] = m.shininess;
    return d;
}

void add_draw(const State& state, uint32_t mode, const Vertex* vertices, int32_t vertex_count, const uint32_t* indices,
              int32_t index_count, uint8_t inherit) {
    if (index_count <= 0 || vertex_count <= 0) return;
    const DrawState d = draw_state_of(state, mode);
    if (!batch_indices.empty() && std::memcmp(&d, &batch_state, sizeof d) != 0) flush_draws();
    if (batch_indices.empty()) {
        batch_state = d;
        backend::flush_soon();
    }
    const size_t base = batch_vertices.size();
    batch_vertices.resize(base + static_cast<size_t>(vertex_count));
    outcodes.resize(static_cast<size_t>(vertex_count));
    to_eye_space(state, (state.switches & switch_lighting) != 0, vertices, vertex_count, inherit,
                 batch_vertices.data() + base, outcodes.data());
    const size_t first = batch_indices.size();
    batch_indices.resize(first + static_cast<size_t>(index_count));
    uint32_t* to = batch_indices.data() + first;
    const uint32_t b = static_cast<uint32_t>(base);
    if (mode != GL_TRIANGLES) {
        for (int32_t i = 0; i < index_count; ++i) to[i] = b + indices[i];
        return;
    }
    // a triangle whose corners all lie beyond one clip plane draws nothing: it goes
    int32_t kept = 0;
    for (int32_t i = 0; i + 2 < index_count; i += 3) {
        const uint32_t u = indices[i], v = indices[i + 1], w = indices[i + 2];
        if (outcodes[u] & outcodes[v] & outcodes[w]) continue;
        to[kept++] = b + u;
        to[kept++] = b + v;
        to[kept++] = b + w;
    }
    batch_indices.resize(first + static_cast<size_t>(kept));
    // the vertices only unseen triangles used need not be sent
    if (kept < index_count) keep_seen(base, first, static_cast<size_t>(kept), vertex_count);
}

void flush_draws() {
    if (batch_indices.empty()) return;
    backend::draw(batch_state, batch_vertices.data(), static_cast<int32_t>(batch_vertices.size()), batch_indices.data(),
                  static_cast<int32_t>(batch_indices.size()));
    drop_draws();
}

void drop_draws() {
    batch_vertices.clear();
    batch_indices.clear();
}

}  // namespace webgl
