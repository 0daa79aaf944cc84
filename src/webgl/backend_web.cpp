// The layer's backend on WebGL2 (through Emscripten's OpenGL ES 3 calls):
// one program, whose vertex shader carries each vertex from object space
// to eye space by its draw's record and lights it as OpenGL 1.1's fixed
// functions do for the scene, and whose fragment shader does texture
// modulation and linear fog. One vertex layout in four vertex array
// objects: the display lists' store, sent once, and a stream that
// immediate-mode batches are written into one after another, orphaned when
// full; sprites, read by the vertex shader from a float texture, six
// vertices each; and points of one colour, positions alone. The
// records go into a float texture, a row each, read by texelFetch; a batch
// of repeated list calls is one draw of copies of their geometry, made
// once from the store (SwiftShader draws each instance of an instanced
// draw on its own), or one instanced draw where the copies would be too
// many.
// Uniforms and switches are sent only when they changed.
#include <GLES3/gl3.h>
#include <emscripten/console.h>
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "webgl/backend.h"
#include "webgl/textures.h"

namespace webgl {

namespace backend {

namespace {

// Per vertex, as OpenGL 1.1 carries and lights it: the position and the
// normal to eye space by the draw's record (the position divided by w
// where it is not 1, the normal by the inverse transpose); lighting with
// the lights in eye space: emission + ambient x model ambient + for each
// light its attenuated ambient, diffuse (n.l) and specular ((n.h)^shininess,
// only where n.l > 0) terms, clamped to 1; alpha from the diffuse
// material. The fog distance is the eye-space depth. The record is row
// u_draw.x + instance x u_draw.y + (part - u_draw.z) of u_records. A
// sprite's corner is its first one plus the record's edges.
constexpr const char* vertex_source = R"(#version 300 es
precision highp float;
precision highp int;
precision highp sampler2D;
layout(location = 0) in vec3 a_position;
layout(location = 1) in vec3 a_normal;
layout(location = 2) in vec4 a_colour;
layout(location = 3) in vec2 a_texcoord;
layout(location = 4) in float a_part;
// the copy of a replicated run of parts (0 elsewhere): its repeat
layout(location = 5) in float a_copy;
uniform sampler2D u_records;
uniform sampler2D u_sprites;
// the first record, the records a repeat, the first part, the first
// sprite's texel (-1: not sprites)
uniform ivec4 u_draw;
uniform mat4 u_projection;
// per light that is on: position, ambient, diffuse, specular, (constant, linear, quadratic attenuation)
uniform vec4 u_lights[40];
// model ambient (rgb), local viewer (a)
uniform vec4 u_light_model;
// lighting, normalize, point size, number of lights on
uniform vec4 u_vertex_switches;
out vec4 v_colour;
out vec2 v_texcoord;
out float v_fog_distance;
vec4 record(int row, int texel) { return texelFetch(u_records, ivec2(texel, row), 0); }
void main() {
    vec3 position = a_position;
    vec4 colour = a_colour;
    float part = a_part;
    int k = 0;
    if (u_draw.w >= 0) {
        // a sprite a quad, drawn as its corners 0, 1, 2, 0, 2, 3, from the
        // two texels of u_sprites from u_draw.w + 2 x its number
        int sprite = gl_VertexID / 6, c = gl_VertexID - 6 * sprite;
        k = c < 3 ? c : (c == 3 ? 0 : c - 2);
        int t = u_draw.w + 2 * sprite;
        ivec2 at = ivec2(t % 256, t / 256);
        vec4 first = texelFetch(u_sprites, at, 0);
        position = first.xyz;
        part = first.w;
        colour = vec4(texelFetch(u_sprites, at + ivec2(1, 0), 0).rgb, 1.0);
    }
    int row = u_draw.x + (gl_InstanceID + int(a_copy)) * u_draw.y + int(part) - u_draw.z;
    mat4 modelview = mat4(record(row, 0), record(row, 1), record(row, 2), record(row, 3));
    vec4 inherited_normal = record(row, 4);
    int inherit = int(inherited_normal.w);
    vec2 texcoord = (inherit & 4) != 0 ? record(row, 6).xy : a_texcoord;
    if ((inherit & 8) != 0) {
        // a sprite: position is its first corner
        if (k == 1 || k == 2) position += record(row, 15).xyz;
        if (k >= 2) position += record(row, 16).xyz;
        vec4 t = record(row, k < 2 ? 17 : 18);
        texcoord = k == 0 || k == 2 ? t.xy : t.zw;
    }
    vec4 eye = modelview * vec4(position, 1.0);
    vec3 p = eye.w != 1.0 ? eye.xyz / eye.w : eye.xyz;
    gl_Position = u_projection * vec4(p, 1.0);
    gl_PointSize = u_vertex_switches.z;
    v_texcoord = texcoord;
    v_fog_distance = abs(p.z);
    if (u_vertex_switches.x == 0.0) {
        v_colour = (inherit & 2) != 0 ? record(row, 5) : colour;
        return;
    }
    mat3 normal_matrix = mat3(record(row, 7).xyz, record(row, 8).xyz, record(row, 9).xyz);
    vec3 n = normal_matrix * ((inherit & 1) != 0 ? inherited_normal.xyz : a_normal);
    if (u_vertex_switches.y != 0.0) n = normalize(n);
    vec4 ambient = record(row, 10), diffuse = record(row, 11), specular = record(row, 12);
    vec4 emission = record(row, 13);
    float shininess = record(row, 14).x;
    vec3 to_eye = u_light_model.a != 0.0 ? normalize(-p) : vec3(0.0, 0.0, 1.0);
    vec3 c = emission.rgb + ambient.rgb * u_light_model.rgb;
    for (int i = 0; i < 8; ++i) {
        if (float(i) >= u_vertex_switches.w) break;
        vec4 k = u_lights[i * 5 + 4];
        vec4 position = u_lights[i * 5];
        vec3 l;
        float attenuation = 1.0;
        if (position.w != 0.0) {
            vec3 d = position.xyz / position.w - p;
            float distance = length(d);
            l = d / distance;
            attenuation = 1.0 / (k.x + k.y * distance + k.z * distance * distance);
        } else {
            l = normalize(position.xyz);
        }
        float nl = dot(n, l);
        vec3 term = ambient.rgb * u_lights[i * 5 + 1].rgb + max(nl, 0.0) * diffuse.rgb * u_lights[i * 5 + 2].rgb;
        if (nl > 0.0) {
            float nh = max(dot(n, normalize(l + to_eye)), 0.0);
            term += pow(nh, shininess) * specular.rgb * u_lights[i * 5 + 3].rgb;
        }
        c += attenuation * term;
    }
    v_colour = vec4(clamp(c, 0.0, 1.0), diffuse.a);
}
)";

// texture modulation, then linear fog on the colour (not on alpha)
constexpr const char* fragment_source = R"(#version 300 es
precision highp float;
in vec4 v_colour;
in vec2 v_texcoord;
in float v_fog_distance;
uniform sampler2D u_texture;
// fog start, fog end, fog on, texture on
uniform vec4 u_fragment_switches;
uniform vec4 u_fog_colour;
out vec4 fragment;
void main() {
    vec4 c = v_colour;
    if (u_fragment_switches.w != 0.0) c *= texture(u_texture, v_texcoord);
    if (u_fragment_switches.z != 0.0) {
        float f = clamp((u_fragment_switches.y - v_fog_distance) / (u_fragment_switches.y - u_fragment_switches.x), 0.0, 1.0);
        c.rgb = mix(u_fog_colour.rgb, c.rgb, f);
    }
    fragment = c;
}
)";

enum Uniform {
    u_projection,
    u_lights,
    u_light_model,
    u_vertex_switches,
    u_fragment_switches,
    u_fog_colour,
    uniform_count
};
constexpr const char* uniform_names[uniform_count] = {
    "u_projection", "u_lights", "u_light_model", "u_vertex_switches", "u_fragment_switches", "u_fog_colour",
};
// the most floats a uniform holds (the lights)
constexpr int largest_uniform = light_count * 20;

constexpr GLsizei vertex_stride = sizeof(Vertex);
// the stream's first sizes: about a frame of the scene's immediate-mode
// vertices and indices (snow, glows), so that it is orphaned about once a
// frame
constexpr GLsizeiptr first_vertex_bytes = 512 << 10;
constexpr GLsizeiptr first_index_bytes = 128 << 10;
// texels of a record (batch.h's DrawRecord, four floats each) and the
// records the texture first holds: about a frame's
constexpr GLsizei record_texels = record_floats / 4;
constexpr GLsizei first_record_rows = 1024;
// the texture units: the scene's textures, the records, the sprites
constexpr GLenum scene_unit = GL_TEXTURE0;
constexpr GLenum record_unit = GL_TEXTURE1;
constexpr GLenum sprite_unit = GL_TEXTURE2;
// the sprites' texture: 256 texels a row (the vertex shader's number), two a sprite
constexpr GLsizei sprite_texels_a_row = 256;
constexpr GLsizei first_sprite_rows = 32;

// Written by start, read by send.
GLint locations[uniform_count];
GLint draw_location;
// The uniforms' values as last sent: written by send (ever_sent cleared by start), read by send.
float sent[uniform_count][largest_uniform];
bool ever_sent[uniform_count];
GLint sent_draw[4];
bool ever_sent_draw;

// A vertex array object with its two buffers and their sizes; for the
// stream, how much of each the batches since it was last orphaned have
// used. Written by start, send_store and draw, read by draw.
struct Arrays {
    GLuint array, vertices, indices;
    GLsizeiptr vertex_bytes, index_bytes;
    GLsizeiptr vertices_used, indices_used;
};
Arrays store, stream, sprites, points;
// the vertex array object bound: written by bind and start
GLuint bound_array;
// A batch's indices moved past the vertices already in the stream: written and read by draw.
std::vector<uint32_t> moved_indices;

// The records' texture, its rows and the next row to write (rows are
// reused from the top once they run out; WebGL keeps what a draw made
// before reads). Written by start and draw.
GLuint record_texture;
GLsizei record_rows, next_row;
// The same for the sprites' texture.
GLuint sprite_texture;
GLsizei sprite_rows, next_sprite_row;

// The WebGL names of the layer's textures: written by start (cleared) and texture, read by set_uniforms.
GLuint texture_objects[max_textures];

// the WebGL switches as last set
struct Raster {
    bool depth_test, blend, scissor, depth_mask;
    uint32_t blend_source, blend_destination;
    int32_t viewport[4], scissor_box[4];
    uint32_t texture;  // the layer's name of the bound texture
    float clear_colour[4];
    bool known;
};
// Written by start (reset), set_raster, set_uniforms, clear and texture, read by them.
Raster raster;

// The active texture unit and the unpack row length as last set: written
// by start and use_unit / unpack_row_length.
GLenum active_unit;
GLint row_length;

// A list's run of parts drawn repeatedly, as SwiftShader would draw each
// instance on its own: copies of its vertices (each with its copy's
// number, a_copy) and indices, made once from the store, so that the
// repeats are one plain draw. Written by start (forgotten), send_store
// (forgotten) and replica_for; read by draw.
struct Replica {
    int32_t first_index, index_count;  // the run's range of the store's indices
    int32_t copies;
    Arrays arrays;
};
constexpr int max_replicas = 16;
Replica replicas[max_replicas];
int replica_count;
// The store as sent, for the copies: written by send_store and start.
std::vector<Vertex> kept_vertices;
std::vector<uint32_t> kept_indices;

// Whether flush_draws has been asked for: written by flush_soon and frostvale_flush_draws.
bool flush_asked = false;

// Whether a shader compiled or the program linked (status, asked of get);
// where not, tells the browser's console what failed with the compiler's or
// linker's log (from get_log).
bool succeeded(GLuint object, GLenum status, void (*get)(GLuint, GLenum, GLint*),
               void (*get_log)(GLuint, GLsizei, GLsizei*, GLchar*), const char* failure) {
    GLint done = GL_FALSE;
    get(object, status, &done);
    if (done) return true;
    char log[1024] = "";
    get_log(object, sizeof log, nullptr, log);
    char line[1200];
    std::snprintf(line, sizeof line, "frostvale: %s: %s", failure, log);
    emscripten_console_error(line);
    return false;
}

// The shader compiled from source, attached to program; false when it did
// not compile.
bool attach(GLuint program, GLenum kind, const char* source) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    if (!succeeded(shader, GL_COMPILE_STATUS, glGetShaderiv, glGetShaderInfoLog, "a shader did not compile"))
        return false;
    glAttachShader(program, shader);
    return true;
}

// The program, in use, its uniforms located; false when it cannot be made.
bool make_program() {
    const GLuint program = glCreateProgram();
    if (!attach(program, GL_VERTEX_SHADER, vertex_source) || !attach(program, GL_FRAGMENT_SHADER, fragment_source))
        return false;
    glLinkProgram(program);
    if (!succeeded(program, GL_LINK_STATUS, glGetProgramiv, glGetProgramInfoLog, "the shaders did not link"))
        return false;
    glUseProgram(program);
    for (int u = 0; u < uniform_count; ++u) {
        locations[u] = glGetUniformLocation(program, uniform_names[u]);
        ever_sent[u] = false;
    }
    draw_location = glGetUniformLocation(program, "u_draw");
    ever_sent_draw = false;
    glUniform1i(glGetUniformLocation(program, "u_texture"), 0);
    glUniform1i(glGetUniformLocation(program, "u_records"), 1);
    glUniform1i(glGetUniformLocation(program, "u_sprites"), 2);
    return true;
}

void use_unit(GLenum unit) {
    if (active_unit == unit) return;
    active_unit = unit;
    glActiveTexture(unit);
}

void unpack_row_length(GLint texels) {
    if (row_length == texels) return;
    row_length = texels;
    glPixelStorei(GL_UNPACK_ROW_LENGTH, texels);
}

void bind(GLuint array) {
    if (bound_array == array) return;
    bound_array = array;
    glBindVertexArray(array);
}

// A vertex array object with its buffers of the given sizes: the one
// vertex layout.
Arrays make_arrays(GLsizeiptr vertex_bytes, GLsizeiptr index_bytes, GLenum usage) {
    Arrays a = {};
    glGenVertexArrays(1, &a.array);
    glGenBuffers(1, &a.vertices);
    glGenBuffers(1, &a.indices);
    bind(a.array);
    glBindBuffer(GL_ARRAY_BUFFER, a.vertices);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, a.indices);
    a.vertex_bytes = vertex_bytes;
    a.index_bytes = index_bytes;
    if (vertex_bytes > 0) glBufferData(GL_ARRAY_BUFFER, vertex_bytes, nullptr, usage);
    if (index_bytes > 0) glBufferData(GL_ELEMENT_ARRAY_BUFFER, index_bytes, nullptr, usage);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, vertex_stride, reinterpret_cast<void*>(offsetof(Vertex, position)));
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, vertex_stride, reinterpret_cast<void*>(offsetof(Vertex, normal)));
    glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, vertex_stride, reinterpret_cast<void*>(offsetof(Vertex, colour)));
    glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, vertex_stride, reinterpret_cast<void*>(offsetof(Vertex, texcoord)));
    glVertexAttribPointer(4, 1, GL_FLOAT, GL_FALSE, vertex_stride, reinterpret_cast<void*>(offsetof(Vertex, part)));
    for (GLuint i = 0; i < 5; ++i) glEnableVertexAttribArray(i);
    return a;
}

// The sprites' vertex array object: no arrays, the vertex shader reads
// each sprite from its texture by the vertex's number.
Arrays make_sprite_arrays() {
    Arrays a = {};
    glGenVertexArrays(1, &a.array);
    bind(a.array);
    return a;
}

// The points' vertex array object: positions alone, the rest from the record.
Arrays make_point_arrays() {
    Arrays a = make_arrays(32 << 10, 0, GL_STREAM_DRAW);
    for (GLuint i : {1u, 2u, 3u, 4u}) glDisableVertexAttribArray(i);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 3 * sizeof(float), nullptr);
    return a;
}

// Writes bytes of data after what the arrays' vertex buffer holds (fresh
// storage when it is full) and returns where they begin.
uintptr_t append(Arrays* a, const void* data, GLsizeiptr bytes) {
    glBindBuffer(GL_ARRAY_BUFFER, a->vertices);
    if (a->vertices_used + bytes > a->vertex_bytes) {
        a->vertex_bytes = std::max(a->vertex_bytes, 2 * bytes);
        glBufferData(GL_ARRAY_BUFFER, a->vertex_bytes, nullptr, GL_STREAM_DRAW);
        a->vertices_used = 0;
    }
    glBufferSubData(GL_ARRAY_BUFFER, a->vertices_used, bytes, data);
    const uintptr_t at = static_cast<uintptr_t>(a->vertices_used);
    a->vertices_used += bytes;
    return at;
}

// Makes *texture (once) a float texture of width x rows texels on unit,
// bound there for good; its contents undefined until written.
void make_float_texture(GLuint* texture, GLenum unit, GLsizei width, GLsizei rows) {
    if (!*texture) glGenTextures(1, texture);
    use_unit(unit);
    glBindTexture(GL_TEXTURE_2D, *texture);
    // without mipmaps and filtering a float texture is complete
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, width, rows, 0, GL_RGBA, GL_FLOAT, nullptr);
}

// The records' texture with rows rows, bound to its unit for good.
void make_record_texture(GLsizei rows) {
    make_float_texture(&record_texture, record_unit, record_texels, rows);
    record_rows = rows;
    next_row = 0;
}

// Writes the batch's records into the texture's next rows; returns the first.
GLint send_records(const Batch& batch) {
    const GLsizei count = static_cast<GLsizei>(batch.records.size());
    if (count > record_rows) make_record_texture(std::max(count, 2 * record_rows));
    if (next_row + count > record_rows) next_row = 0;
    const GLint first = next_row;
    // only the texels the draw reads (batch.h's DrawRecord)
    const GLsizei used = batch.kind == batch_sprites                     ? record_texels
                         : (batch.state.switches & switch_lighting) != 0 ? 15
                                                                         : 7;
    use_unit(record_unit);
    unpack_row_length(record_texels);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, first, used, count, GL_RGBA, GL_FLOAT, batch.records.data());
    next_row += count;
    return first;
}

void send_draw(GLint first_record, GLint span, GLint first_part, GLint first_sprite = -1) {
    const GLint v[4] = {first_record, span, first_part, first_sprite};
    if (ever_sent_draw && std::memcmp(sent_draw, v, sizeof v) == 0) return;
    std::memcpy(sent_draw, v, sizeof v);
    ever_sent_draw = true;
    glUniform4i(draw_location, first_record, span, first_part, first_sprite);
}

// The sprites' texture with rows rows of 256 texels, bound to its unit for good.
void make_sprite_texture(GLsizei rows) {
    make_float_texture(&sprite_texture, sprite_unit, sprite_texels_a_row, rows);
    sprite_rows = rows;
    next_sprite_row = 0;
}

// Writes the batch's sprites into the texture's next rows (whole rows,
// then what is left at the start of one more); returns the first texel.
GLint send_sprites(const Batch& batch) {
    constexpr int32_t sprites_a_row = sprite_texels_a_row / 2;
    const int32_t count = static_cast<int32_t>(batch.sprites.size());
    const GLsizei whole = count / sprites_a_row, rest = count % sprites_a_row;
    const GLsizei rows = whole + (rest > 0 ? 1 : 0);
    if (rows > sprite_rows) make_sprite_texture(std::max(rows, 2 * sprite_rows));
    if (next_sprite_row + rows > sprite_rows) next_sprite_row = 0;
    const GLint first = next_sprite_row;
    use_unit(sprite_unit);
    unpack_row_length(0);
    if (whole > 0) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, first, sprite_texels_a_row, whole, GL_RGBA, GL_FLOAT,
                        batch.sprites.data());
    }
    if (rest > 0) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, first + whole, 2 * rest, 1, GL_RGBA, GL_FLOAT,
                        batch.sprites.data() + whole * sprites_a_row);
    }
    next_sprite_row += rows;
    return first * sprite_texels_a_row;
}

// Sends the first n floats of v to uniform u unless they were sent last.
void send(Uniform u, const float* v, int n) {
    if (ever_sent[u] && std::memcmp(sent[u], v, sizeof(float) * n) == 0) return;
    std::memcpy(sent[u], v, sizeof(float) * n);
    ever_sent[u] = true;
    if (u == u_projection) {
        glUniformMatrix4fv(locations[u], 1, GL_FALSE, v);
    } else {
        glUniform4fv(locations[u], n / 4, v);
    }
}

void switch_to(GLenum cap, bool on, bool* was) {
    if (raster.known && *was == on) return;
    *was = on;
    if (on) glEnable(cap);
    else glDisable(cap);
}

void set_raster(const DrawState& d) {
    switch_to(GL_DEPTH_TEST, (d.switches & switch_depth_test) != 0, &raster.depth_test);
    switch_to(GL_BLEND, (d.switches & switch_blend) != 0, &raster.blend);
    switch_to(GL_SCISSOR_TEST, (d.switches & switch_scissor) != 0, &raster.scissor);
    if (!raster.known || raster.depth_mask != (d.depth_mask != 0)) {
        raster.depth_mask = d.depth_mask != 0;
        glDepthMask(raster.depth_mask ? GL_TRUE : GL_FALSE);
    }
    // the blend function and the scissor box only where they act
    if ((d.switches & switch_blend) &&
        (!raster.known || raster.blend_source != d.blend_source || raster.blend_destination != d.blend_destination)) {
        raster.blend_source = d.blend_source;
        raster.blend_destination = d.blend_destination;
        glBlendFunc(d.blend_source, d.blend_destination);
    }
    if (!raster.known || std::memcmp(raster.viewport, d.viewport, sizeof raster.viewport) != 0) {
        std::memcpy(raster.viewport, d.viewport, sizeof raster.viewport);
        glViewport(d.viewport[0], d.viewport[1], d.viewport[2], d.viewport[3]);
    }
    if ((d.switches & switch_scissor) &&
        (!raster.known || std::memcmp(raster.scissor_box, d.scissor, sizeof raster.scissor_box) != 0)) {
        std::memcpy(raster.scissor_box, d.scissor, sizeof raster.scissor_box);
        glScissor(d.scissor[0], d.scissor[1], d.scissor[2], d.scissor[3]);
    }
    raster.known = true;
}

void set_uniforms(const DrawState& d) {
    send(u_projection, d.projection, 16);
    const bool lighting = (d.switches & switch_lighting) != 0;
    // the lights matter only while lighting is on
    if (lighting) {
        if (d.lights_on > 0) send(u_lights, d.lights[0], d.lights_on * 20);
        send(u_light_model, d.light_model, 4);
    }
    const float vertex_switches[4] = {lighting ? 1.0f : 0.0f, (d.switches & switch_normalize) ? 1.0f : 0.0f,
                                      d.point_size, static_cast<float>(d.lights_on)};
    send(u_vertex_switches, vertex_switches, 4);
    const bool fog = (d.switches & switch_fog) != 0;
    const bool textured = (d.switches & switch_texture) != 0;
    const float fragment_switches[4] = {d.fog[0], d.fog[1], fog ? 1.0f : 0.0f, textured ? 1.0f : 0.0f};
    send(u_fragment_switches, fragment_switches, 4);
    if (fog) send(u_fog_colour, d.fog + 2, 4);
    if (textured && raster.texture != d.texture) {
        raster.texture = d.texture;
        use_unit(scene_unit);
        glBindTexture(GL_TEXTURE_2D, texture_objects[d.texture]);
    }
}

// A vertex of a replica: the store's, and the number of its copy.
struct CopyVertex {
    Vertex vertex;
    float copy;
};
// the most vertices a replica may hold; a longer run is drawn instanced
constexpr size_t largest_replica = 1 << 18;

// The replica of the store's indices from first_index, index_count of them,
// with at least copies copies; nullptr where it would be too large.
const Replica* replica_for(int32_t first_index, int32_t index_count, int32_t copies) {
    Replica* r = nullptr;
    for (int i = 0; i < replica_count; ++i) {
        if (replicas[i].first_index == first_index && replicas[i].index_count == index_count) r = &replicas[i];
    }
    if (r && r->copies >= copies) return r;
    if (!r) {
        if (replica_count == max_replicas) return nullptr;
        r = &replicas[replica_count++];
        *r = Replica{first_index, index_count, 0, {}};
    }
    // twice as many copies each time more are wanted: made again a few
    // times only (a replica of 64 copies drawn for a few was measured
    // slower than one that grows)
    int32_t wanted = 2;
    while (wanted < copies) wanted *= 2;
    // the run's own vertices, once each, and its indices into them
    std::vector<int32_t> place(kept_vertices.size(), -1);
    std::vector<Vertex> own;
    std::vector<uint32_t> own_indices(static_cast<size_t>(index_count));
    for (int32_t i = 0; i < index_count; ++i) {
        const uint32_t v = kept_indices[static_cast<size_t>(first_index + i)];
        if (place[v] < 0) {
            place[v] = static_cast<int32_t>(own.size());
            own.push_back(kept_vertices[v]);
        }
        own_indices[static_cast<size_t>(i)] = static_cast<uint32_t>(place[v]);
    }
    if (own.size() * static_cast<size_t>(wanted) > largest_replica) return nullptr;
    std::vector<CopyVertex> vertices;
    std::vector<uint32_t> indices;
    for (int32_t c = 0; c < wanted; ++c) {
        const uint32_t base = static_cast<uint32_t>(vertices.size());
        for (const Vertex& v : own) vertices.push_back({v, static_cast<float>(c)});
        for (uint32_t i : own_indices) indices.push_back(base + i);
    }
    if (!r->arrays.array) {
        glGenVertexArrays(1, &r->arrays.array);
        glGenBuffers(1, &r->arrays.vertices);
        glGenBuffers(1, &r->arrays.indices);
    }
    bind(r->arrays.array);
    glBindBuffer(GL_ARRAY_BUFFER, r->arrays.vertices);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, r->arrays.indices);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(CopyVertex)), vertices.data(),
                 GL_STATIC_DRAW);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(uint32_t)), indices.data(),
                 GL_STATIC_DRAW);
    constexpr GLsizei stride = sizeof(CopyVertex);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(Vertex, position)));
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(Vertex, normal)));
    glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(Vertex, colour)));
    glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(Vertex, texcoord)));
    glVertexAttribPointer(4, 1, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(Vertex, part)));
    glVertexAttribPointer(5, 1, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(CopyVertex, copy)));
    for (GLuint i = 0; i < 6; ++i) glEnableVertexAttribArray(i);
    r->copies = wanted;
    return r;
}

// Forgets the replicas, deleting their objects where the context still has them.
void forget_replicas(bool delete_objects) {
    for (int i = 0; i < replica_count && delete_objects; ++i) {
        glDeleteVertexArrays(1, &replicas[i].arrays.array);
        glDeleteBuffers(1, &replicas[i].arrays.vertices);
        glDeleteBuffers(1, &replicas[i].arrays.indices);
    }
    replica_count = 0;
    bound_array = 0;
}

}  // namespace

bool start() {
    bound_array = 0;
    record_texture = 0;
    active_unit = 0;
    row_length = -1;
    forget_replicas(false);
    kept_vertices.clear();
    kept_indices.clear();
    if (!make_program()) return false;
    store = make_arrays(0, 0, GL_STATIC_DRAW);
    stream = make_arrays(first_vertex_bytes, first_index_bytes, GL_STREAM_DRAW);
    sprites = make_sprite_arrays();
    sprite_texture = 0;
    make_sprite_texture(first_sprite_rows);
    points = make_point_arrays();
    make_record_texture(first_record_rows);
    raster = Raster{};
    flush_asked = false;
    std::memset(texture_objects, 0, sizeof texture_objects);
    use_unit(scene_unit);
    for (uint32_t name = 1; name < max_textures; ++name) {
        if (textures[name].named) texture(name);
    }
    // the scene's one blend (additive) and its clear need nothing else
    glDisable(GL_CULL_FACE);
    glDisable(GL_DITHER);
    return true;
}

void send_store(const Vertex* vertices, int32_t vertex_count, const uint32_t* indices, int32_t index_count) {
    forget_replicas(true);
    kept_vertices.assign(vertices, vertices + vertex_count);
    kept_indices.assign(indices, indices + index_count);
    bind(store.array);
    store.vertex_bytes = static_cast<GLsizeiptr>(vertex_count) * vertex_stride;
    store.index_bytes = static_cast<GLsizeiptr>(index_count) * sizeof(uint32_t);
    glBindBuffer(GL_ARRAY_BUFFER, store.vertices);
    glBufferData(GL_ARRAY_BUFFER, store.vertex_bytes, vertices, GL_STATIC_DRAW);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, store.index_bytes, indices, GL_STATIC_DRAW);
}

void draw(const Batch& batch) {
    const DrawState& state = batch.state;
    set_raster(state);
    set_uniforms(state);
    const GLint first_record = send_records(batch);
    const GLenum mode = static_cast<GLenum>(state.mode);
    if (batch.kind == batch_listed) {
        bind(store.array);
        for (int32_t r = 0; r < batch.run_count; ++r) {
            const DrawRun& run = batch.runs[r];
            send_draw(first_record + run.first_record, run.span, run.first_part);
            const void* offset = reinterpret_cast<void*>(static_cast<uintptr_t>(run.first_index) * sizeof(uint32_t));
            const Replica* replica =
                run.instances > 1 ? replica_for(run.first_index, run.index_count, run.instances) : nullptr;
            if (replica) {
                // the repeats as copies: one plain draw
                bind(replica->arrays.array);
                glDrawElements(mode, run.instances * run.index_count, GL_UNSIGNED_INT, nullptr);
                bind(store.array);
            } else if (run.instances == 1) {
                glDrawElements(mode, run.index_count, GL_UNSIGNED_INT, offset);
            } else {
                glDrawElementsInstanced(mode, run.index_count, GL_UNSIGNED_INT, offset, run.instances);
            }
        }
        return;
    }
    if (batch.kind == batch_sprites) {
        bind(sprites.array);
        send_draw(first_record, 0, 0, send_sprites(batch));
        glDrawArrays(mode, 0, static_cast<GLsizei>(6 * batch.sprites.size()));
        return;
    }
    if (batch.kind == batch_points) {
        bind(points.array);
        const uintptr_t at =
            append(&points, batch.points.data(), static_cast<GLsizeiptr>(batch.points.size() * sizeof(float)));
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 3 * sizeof(float), reinterpret_cast<void*>(at));
        send_draw(first_record, 0, 0);
        glDrawArrays(mode, 0, static_cast<GLsizei>(batch.points.size() / 3));
        return;
    }
    bind(stream.array);
    const int32_t vertex_count = static_cast<int32_t>(batch.vertices.size());
    const int32_t index_count = static_cast<int32_t>(batch.indices.size());
    const GLsizeiptr vertex_bytes = static_cast<GLsizeiptr>(vertex_count) * vertex_stride;
    const GLsizeiptr index_bytes = static_cast<GLsizeiptr>(index_count) * sizeof(uint32_t);
    glBindBuffer(GL_ARRAY_BUFFER, stream.vertices);
    if (stream.vertices_used + vertex_bytes > stream.vertex_bytes ||
        stream.indices_used + index_bytes > stream.index_bytes) {
        // full: fresh storage for both, while the draws made keep theirs
        stream.vertex_bytes = std::max(stream.vertex_bytes, 2 * vertex_bytes);
        stream.index_bytes = std::max(stream.index_bytes, 2 * index_bytes);
        glBufferData(GL_ARRAY_BUFFER, stream.vertex_bytes, nullptr, GL_STREAM_DRAW);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, stream.index_bytes, nullptr, GL_STREAM_DRAW);
        stream.vertices_used = stream.indices_used = 0;
    }
    const uint32_t first_vertex = static_cast<uint32_t>(stream.vertices_used / vertex_stride);
    moved_indices.resize(static_cast<size_t>(index_count));
    for (int32_t i = 0; i < index_count; ++i) moved_indices[i] = first_vertex + batch.indices[i];
    glBufferSubData(GL_ARRAY_BUFFER, stream.vertices_used, vertex_bytes, batch.vertices.data());
    glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, stream.indices_used, index_bytes, moved_indices.data());
    send_draw(first_record, 0, 0);
    glDrawElements(mode, index_count, GL_UNSIGNED_INT,
                   reinterpret_cast<void*>(static_cast<uintptr_t>(stream.indices_used)));
    stream.vertices_used += vertex_bytes;
    stream.indices_used += index_bytes;
}

void clear(const DrawState& state, const float colour[4], uint32_t mask) {
    set_raster(state);
    if (std::memcmp(raster.clear_colour, colour, sizeof raster.clear_colour) != 0) {
        std::memcpy(raster.clear_colour, colour, sizeof raster.clear_colour);
        glClearColor(colour[0], colour[1], colour[2], colour[3]);
    }
    glClear(mask);
}

void texture(uint32_t name) {
    if (name == 0 || name >= max_textures) return;
    const Texture& t = textures[name];
    if (!texture_objects[name]) glGenTextures(1, &texture_objects[name]);
    use_unit(scene_unit);
    unpack_row_length(0);
    glBindTexture(GL_TEXTURE_2D, texture_objects[name]);
    raster.texture = name;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, t.min_filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, t.mag_filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, t.wrap_s);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, t.wrap_t);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (size_t level = 0; level < t.levels.size(); ++level) {
        const MipLevel& l = t.levels[level];
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA, l.width, l.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     l.rgba.data());
    }
}

void flush_soon() {
    if (flush_asked) return;
    flush_asked = true;
    // a microtask runs once the animation frame's code has returned, before the frame is shown
    EM_ASM(queueMicrotask(function() { _frostvale_flush_draws(); }););
}

void read_rgba(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t* rgba) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

void finish() { glFinish(); }

}  // namespace backend

}  // namespace webgl

// The batch the page's frame left open, drawn from the microtask flush_soon asked for.
extern "C" EMSCRIPTEN_KEEPALIVE void frostvale_flush_draws() {
    webgl::backend::flush_asked = false;
    webgl::flush_draws();
}
