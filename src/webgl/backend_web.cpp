// The layer's backend on WebGL2 (through Emscripten's OpenGL ES 3 calls):
// one shader pair does per-vertex lighting, linear fog and texture
// modulation as OpenGL 1.1's fixed functions do for the scene; display
// lists live in static vertex and index buffers, immediate primitives
// stream through one pair. Uniforms and switches are sent only when they
// changed.
#include <GLES3/gl3.h>
#include <emscripten/console.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "webgl/backend.h"

namespace webgl {

namespace backend {

namespace {

// Lighting per vertex with the lights in eye space, as OpenGL 1.1 lights:
// emission + ambient x model ambient + for each light its attenuated
// ambient, diffuse (n.l) and specular ((n.h)^shininess, only where n.l > 0)
// terms, clamped to 1; alpha from the diffuse material. The fog distance is
// the eye-space depth.
constexpr const char* vertex_source = R"(#version 300 es
precision highp float;
layout(location = 0) in vec3 a_position;
layout(location = 1) in vec3 a_normal;
layout(location = 2) in vec4 a_colour;
layout(location = 3) in vec2 a_texcoord;
uniform mat4 u_modelview;
uniform mat4 u_projection;
uniform mat3 u_normal_matrix;
// per light that is on: position, ambient, diffuse, specular, (constant, linear, quadratic attenuation)
uniform vec4 u_lights[40];
// ambient, diffuse, specular, emission, (shininess)
uniform vec4 u_material[5];
// model ambient (rgb), local viewer (a)
uniform vec4 u_light_model;
// lighting, normalize, point size, number of lights on
uniform vec4 u_vertex_switches;
out vec4 v_colour;
out vec2 v_texcoord;
out float v_fog_distance;
void main() {
    vec4 eye = u_modelview * vec4(a_position, 1.0);
    gl_Position = u_projection * eye;
    gl_PointSize = u_vertex_switches.z;
    v_texcoord = a_texcoord;
    v_fog_distance = abs(eye.z / eye.w);
    if (u_vertex_switches.x == 0.0) {
        v_colour = a_colour;
        return;
    }
    vec3 n = u_normal_matrix * a_normal;
    if (u_vertex_switches.y != 0.0) n = normalize(n);
    vec3 p = eye.xyz / eye.w;
    vec3 to_eye = u_light_model.a != 0.0 ? normalize(-p) : vec3(0.0, 0.0, 1.0);
    vec3 c = u_material[3].rgb + u_material[0].rgb * u_light_model.rgb;
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
        vec3 term = u_material[0].rgb * u_lights[i * 5 + 1].rgb + max(nl, 0.0) * u_material[1].rgb * u_lights[i * 5 + 2].rgb;
        if (nl > 0.0) {
            float nh = max(dot(n, normalize(l + to_eye)), 0.0);
            term += pow(nh, u_material[4].x) * u_material[2].rgb * u_lights[i * 5 + 3].rgb;
        }
        c += attenuation * term;
    }
    v_colour = vec4(clamp(c, 0.0, 1.0), u_material[1].a);
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
    u_modelview,
    u_projection,
    u_normal_matrix,
    u_lights,
    u_material,
    u_light_model,
    u_vertex_switches,
    u_fragment_switches,
    u_fog_colour,
    uniform_count
};
constexpr const char* uniform_names[uniform_count] = {
    "u_modelview",     "u_projection",      "u_normal_matrix",     "u_lights",     "u_material",
    "u_light_model",   "u_vertex_switches", "u_fragment_switches", "u_fog_colour",
};
// floats per uniform
constexpr int uniform_sizes[uniform_count] = {16, 16, 9, 40 * 4, 5 * 4, 4, 4, 4, 4};

constexpr GLsizei vertex_stride = sizeof(Vertex);

// Written by start, read by attach.
GLuint program = 0;
// Written by start, read by send.
GLint locations[uniform_count];
// The uniforms' values as last sent: written by send (ever_sent cleared by start), read by send.
float sent[uniform_count][40 * 4];
bool ever_sent[uniform_count];

// a vertex array object and its vertex and index buffers
struct Buffers {
    GLuint array, vertices, indices;
};
// Written by start, read by draw.
Buffers stream;
// Written by start (cleared) and store_list, read by draw_list.
Buffers list_buffers[max_lists];
// The WebGL names of the layer's textures: written by start (cleared) and texture_of, read by set_uniforms.
GLuint textures[max_textures];

// the WebGL switches as last set
struct Raster {
    bool depth_test, blend, scissor, depth_mask;
    uint32_t blend_source, blend_destination;
    int32_t viewport[4], scissor_box[4];
    uint32_t texture;
    bool known;
};
// Written by start (reset), set_raster, set_uniforms and texture_of, read by them.
Raster raster;

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
bool attach(GLenum kind, const char* source) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    if (!succeeded(shader, GL_COMPILE_STATUS, glGetShaderiv, glGetShaderInfoLog, "a shader did not compile"))
        return false;
    glAttachShader(program, shader);
    return true;
}

Buffers new_buffers() {
    Buffers b;
    glGenVertexArrays(1, &b.array);
    glGenBuffers(1, &b.vertices);
    glGenBuffers(1, &b.indices);
    glBindVertexArray(b.array);
    glBindBuffer(GL_ARRAY_BUFFER, b.vertices);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, b.indices);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, vertex_stride, reinterpret_cast<void*>(offsetof(Vertex, position)));
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, vertex_stride, reinterpret_cast<void*>(offsetof(Vertex, normal)));
    glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, vertex_stride, reinterpret_cast<void*>(offsetof(Vertex, colour)));
    glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, vertex_stride, reinterpret_cast<void*>(offsetof(Vertex, texcoord)));
    for (GLuint i = 0; i < 4; ++i) glEnableVertexAttribArray(i);
    return b;
}

void fill(const Buffers& b, const Vertex* vertices, int32_t vertex_count, const uint32_t* indices,
          int32_t index_count, GLenum usage) {
    glBindVertexArray(b.array);
    glBindBuffer(GL_ARRAY_BUFFER, b.vertices);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertex_count) * vertex_stride, vertices, usage);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(index_count) * sizeof(uint32_t), indices, usage);
}

void send(Uniform u, const float* v) {
    const int n = uniform_sizes[u];
    if (ever_sent[u] && std::memcmp(sent[u], v, sizeof(float) * n) == 0) return;
    std::memcpy(sent[u], v, sizeof(float) * n);
    ever_sent[u] = true;
    switch (u) {
        case u_modelview:
        case u_projection: glUniformMatrix4fv(locations[u], 1, GL_FALSE, v); break;
        case u_normal_matrix: glUniformMatrix3fv(locations[u], 1, GL_FALSE, v); break;
        default: glUniform4fv(locations[u], n / 4, v); break;
    }
}

void switch_to(GLenum cap, bool on, bool* was) {
    if (raster.known && *was == on) return;
    *was = on;
    if (on) glEnable(cap);
    else glDisable(cap);
}

void set_raster(const State& s) {
    switch_to(GL_DEPTH_TEST, (s.switches & switch_depth_test) != 0, &raster.depth_test);
    switch_to(GL_BLEND, (s.switches & switch_blend) != 0, &raster.blend);
    switch_to(GL_SCISSOR_TEST, (s.switches & switch_scissor) != 0, &raster.scissor);
    if (!raster.known || raster.depth_mask != s.depth_mask) {
        raster.depth_mask = s.depth_mask;
        glDepthMask(s.depth_mask ? GL_TRUE : GL_FALSE);
    }
    if (!raster.known || raster.blend_source != s.blend_source || raster.blend_destination != s.blend_destination) {
        raster.blend_source = s.blend_source;
        raster.blend_destination = s.blend_destination;
        glBlendFunc(s.blend_source, s.blend_destination);
    }
    if (!raster.known || std::memcmp(raster.viewport, s.viewport, sizeof raster.viewport) != 0) {
        std::memcpy(raster.viewport, s.viewport, sizeof raster.viewport);
        glViewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
    }
    if (!raster.known || std::memcmp(raster.scissor_box, s.scissor, sizeof raster.scissor_box) != 0) {
        std::memcpy(raster.scissor_box, s.scissor, sizeof raster.scissor_box);
        glScissor(s.scissor[0], s.scissor[1], s.scissor[2], s.scissor[3]);
    }
    raster.known = true;
}

void set_uniforms(const State& s) {
    const Matrix& modelview = current(s.modelview);
    send(u_modelview, modelview.m);
    send(u_projection, current(s.projection).m);
    float normals[9];
    normal_matrix(modelview, normals);
    send(u_normal_matrix, normals);
    const bool lighting = (s.switches & switch_lighting) != 0;
    // the lights and material matter only while lighting is on
    int32_t lights_on = 0;
    if (lighting) {
        // the lights that are on, first to last, so the shader loops over no others
        float lights[40 * 4] = {};
        for (int32_t i = 0; i < light_count; ++i) {
            const Light& l = s.lights[i];
            if (!l.enabled) continue;
            float* to = lights + lights_on++ * 20;
            std::memcpy(to, l.position, sizeof(float) * 4);
            std::memcpy(to + 4, l.ambient, sizeof(float) * 4);
            std::memcpy(to + 8, l.diffuse, sizeof(float) * 4);
            std::memcpy(to + 12, l.specular, sizeof(float) * 4);
            std::memcpy(to + 16, l.attenuation, sizeof(float) * 3);
        }
        send(u_lights, lights);
        const Material& m = s.material;
        const float material[20] = {m.ambient[0],  m.ambient[1],  m.ambient[2],  m.ambient[3],  m.diffuse[0],
                                    m.diffuse[1],  m.diffuse[2],  m.diffuse[3],  m.specular[0], m.specular[1],
                                    m.specular[2], m.specular[3], m.emission[0], m.emission[1], m.emission[2],
                                    m.emission[3], m.shininess,   0.0f,          0.0f,          0.0f};
        send(u_material, material);
        const float model[4] = {s.light_model_ambient[0], s.light_model_ambient[1], s.light_model_ambient[2],
                                s.local_viewer ? 1.0f : 0.0f};
        send(u_light_model, model);
    }
    const float vertex_switches[4] = {lighting ? 1.0f : 0.0f, (s.switches & switch_normalize) ? 1.0f : 0.0f,
                                      s.point_size, static_cast<float>(lights_on)};
    send(u_vertex_switches, vertex_switches);
    const bool textured = (s.switches & switch_texture) != 0 && s.texture != 0 && s.texture < max_textures &&
                          textures[s.texture] != 0;
    const float fragment_switches[4] = {s.fog_start, s.fog_end, (s.switches & switch_fog) ? 1.0f : 0.0f,
                                        textured ? 1.0f : 0.0f};
    send(u_fragment_switches, fragment_switches);
    send(u_fog_colour, s.fog_colour);
    if (textured && raster.texture != s.texture) {
        raster.texture = s.texture;
        glBindTexture(GL_TEXTURE_2D, textures[s.texture]);
    }
}

GLuint texture_of(uint32_t name) {
    if (name == 0 || name >= max_textures) return 0;
    if (!textures[name]) glGenTextures(1, &textures[name]);
    glBindTexture(GL_TEXTURE_2D, textures[name]);
    raster.texture = name;
    return textures[name];
}

}  // namespace

bool start() {
    program = glCreateProgram();
    if (!attach(GL_VERTEX_SHADER, vertex_source) || !attach(GL_FRAGMENT_SHADER, fragment_source)) return false;
    glLinkProgram(program);
    if (!succeeded(program, GL_LINK_STATUS, glGetProgramiv, glGetProgramInfoLog, "the shaders did not link"))
        return false;
    glUseProgram(program);
    for (int u = 0; u < uniform_count; ++u) {
        locations[u] = glGetUniformLocation(program, uniform_names[u]);
        ever_sent[u] = false;
    }
    glUniform1i(glGetUniformLocation(program, "u_texture"), 0);
    stream = new_buffers();
    std::memset(list_buffers, 0, sizeof list_buffers);
    std::memset(textures, 0, sizeof textures);
    raster = Raster{};
    glActiveTexture(GL_TEXTURE0);
    // the scene's one blend (additive) and its clear need nothing else
    glDisable(GL_CULL_FACE);
    glDisable(GL_DITHER);
    return true;
}

void draw(const State& state, uint32_t mode, const Vertex* vertices, int32_t vertex_count, const uint32_t* indices,
          int32_t index_count) {
    set_raster(state);
    set_uniforms(state);
    fill(stream, vertices, vertex_count, indices, index_count, GL_STREAM_DRAW);
    glDrawElements(static_cast<GLenum>(mode), index_count, GL_UNSIGNED_INT, nullptr);
}

void store_list(uint32_t list, const Vertex* vertices, int32_t vertex_count, const uint32_t* indices,
                int32_t index_count) {
    if (list >= max_lists) return;
    if (!list_buffers[list].array) list_buffers[list] = new_buffers();
    fill(list_buffers[list], vertices, vertex_count, indices, index_count, GL_STATIC_DRAW);
}

void draw_list(const State& state, uint32_t list, uint32_t mode, int32_t first, int32_t count, uint8_t inherit) {
    if (list >= max_lists || !list_buffers[list].array) return;
    set_raster(state);
    set_uniforms(state);
    glBindVertexArray(list_buffers[list].array);
    // an attribute taken from the state is a constant one, its array off
    const float* current[3] = {state.normal, state.colour, state.texcoord};
    const GLuint location[3] = {1, 2, 3};
    for (int i = 0; i < 3; ++i) {
        if (inherit & (1u << i)) {
            glDisableVertexAttribArray(location[i]);
            const float* v = current[i];
            if (i == 0) glVertexAttrib4f(location[i], v[0], v[1], v[2], 1.0f);
            if (i == 1) glVertexAttrib4f(location[i], v[0], v[1], v[2], v[3]);
            if (i == 2) glVertexAttrib4f(location[i], v[0], v[1], 0.0f, 1.0f);
        } else {
            glEnableVertexAttribArray(location[i]);
        }
    }
    glDrawElements(static_cast<GLenum>(mode), count, GL_UNSIGNED_INT,
                   reinterpret_cast<void*>(static_cast<uintptr_t>(first) * sizeof(uint32_t)));
}

void clear(const State& state, uint32_t mask) {
    set_raster(state);
    glClearColor(state.clear_colour[0], state.clear_colour[1], state.clear_colour[2], state.clear_colour[3]);
    glClear(mask);
}

void texture_parameter(uint32_t texture, uint32_t pname, int32_t value) {
    if (texture_of(texture)) glTexParameteri(GL_TEXTURE_2D, pname, value);
}

void texture_level(uint32_t texture, int32_t level, int32_t width, int32_t height, const uint8_t* rgba) {
    if (!texture_of(texture)) return;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

void read_rgba(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t* rgba) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

void finish() { glFinish(); }

}  // namespace backend

}  // namespace webgl
