// The OpenGL 1.1 entry points of gl11.h. State calls either act on the
// State at once or, between glNewList and glEndList, are recorded as Calls
// to act when the list is called. Vertices are gathered between glBegin
// and glEnd with the attributes current at each one, turned into separate
// points, lines or triangles, and either drawn at once or appended to the
// list's vertices and indices, kept here to be drawn as the list is called
// (both through batch.h).
#include "webgl/layer.h"

#include <cstring>
#include <vector>

#include "webgl/backend.h"
#include "webgl/batch.h"
#include "webgl/gl11.h"
#include "webgl/primitives.h"

namespace webgl {

State state;
Texture textures[max_textures];

namespace {

enum CallKind : uint8_t {
    call_enable,
    call_disable,
    call_normal,
    call_colour,
    call_texcoord,
    call_current,  // after a primitive: the attributes it set (a = inherit bits) become current
    call_draw,
    call_list,
    call_matrix_mode,
    call_load_identity,
    call_push_matrix,
    call_pop_matrix,
    call_multiply,
    call_light,
    call_light_model,
    call_material,
    call_fog,
    call_point_size,
    call_depth_mask,
    call_blend_func,
    call_viewport,
    call_scissor,
    call_clear_colour,
    call_clear,
    call_bind_texture,
    call_push_attributes,
    call_pop_attributes,
};

// One recorded call: kind, up to two names or enums, up to 16 numbers; a
// draw also has its mode (a), its ranges of the list's vertices and
// indices and what it inherits.
struct Call {
    CallKind kind;
    uint32_t a, b;
    float v[16];
    int32_t first_vertex, vertex_count, first, count;
    uint8_t inherit;
};

// A list's calls, and the vertices (object space) and indices of its draws;
// each draw's indices count from its own first vertex.
struct DisplayList {
    bool defined;
    std::vector<Call> calls;
    std::vector<Vertex> vertices;
    std::vector<uint32_t> indices;
};

// OpenGL's least nesting of glCallList inside lists
constexpr int32_t max_list_nesting = 64;
// OpenGL's least depth of the attribute stack
constexpr int32_t attribute_stack_depth = 16;

// Written and read by glPushAttrib and glPopAttrib as they act (at once or from a list), emptied by start_layer.
State attribute_stack[attribute_stack_depth];
int32_t attribute_depth = 0;

// Written by glNewList, glEndList and submit (recorded calls), read by glCallList; cleared by start_layer.
DisplayList lists[max_lists];
// The next free names: written by glGenLists and glGenTextures, reset by start_layer.
uint32_t next_list = 1;
uint32_t next_texture = 1;

// while a list is compiled: its name, and the attributes as the list's own
// calls have set them so far (which of them, in list_set). Written by
// glNewList, glEndList and the attribute calls, read by every entry point
// that records or draws.
uint32_t compiling = 0;
float list_normal[3], list_colour[4], list_texcoord[2];
uint8_t list_set = 0;

// between glBegin and glEnd: the mode, the vertices, the attributes set
// inside (for the list's closing call_current), and glEnd's indices.
// Written by glBegin, glVertex, the attribute calls and glEnd, read by glEnd;
// inside also by glVertex, the attribute calls and the list calls.
bool inside = false;
uint32_t primitive_mode = 0;
uint8_t primitive_set = 0;
std::vector<Vertex> primitive;
std::vector<uint32_t> indices;

void copy(float* to, const float* from, int n) { std::memcpy(to, from, sizeof(float) * n); }

void set4(float* to, float a, float b, float c, float d) {
    to[0] = a;
    to[1] = b;
    to[2] = c;
    to[3] = d;
}

MatrixStack* current_stack() { return state.matrix_mode == GL_PROJECTION ? &state.projection : &state.modelview; }

uint32_t switch_of(uint32_t cap) {
    switch (cap) {
        case GL_LIGHTING:
            return switch_lighting;
        case GL_FOG:
            return switch_fog;
        case GL_DEPTH_TEST:
            return switch_depth_test;
        case GL_TEXTURE_2D:
            return switch_texture;
        case GL_BLEND:
            return switch_blend;
        case GL_SCISSOR_TEST:
            return switch_scissor;
        case GL_NORMALIZE:
            return switch_normalize;
        default:
            return 0;
    }
}

void enable(uint32_t cap, bool on) {
    if (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + light_count) {
        state.lights[cap - GL_LIGHT0].enabled = on;
        return;
    }
    const uint32_t bit = switch_of(cap);
    state.switches = on ? state.switches | bit : state.switches & ~bit;
}

void light(uint32_t name, uint32_t pname, const float* v) {
    if (name < GL_LIGHT0 || name >= GL_LIGHT0 + light_count) return;
    Light& l = state.lights[name - GL_LIGHT0];
    switch (pname) {
        case GL_POSITION:
            transform(current(state.modelview), v, l.position);
            break;
        case GL_AMBIENT:
            copy(l.ambient, v, 4);
            break;
        case GL_DIFFUSE:
            copy(l.diffuse, v, 4);
            break;
        case GL_SPECULAR:
            copy(l.specular, v, 4);
            break;
        case GL_CONSTANT_ATTENUATION:
            l.attenuation[0] = v[0];
            break;
        case GL_LINEAR_ATTENUATION:
            l.attenuation[1] = v[0];
            break;
        case GL_QUADRATIC_ATTENUATION:
            l.attenuation[2] = v[0];
            break;
        default:
            break;
    }
}

void material(uint32_t face, uint32_t pname, const float* v) {
    if (face == GL_BACK) return;
    Material& m = state.material;
    switch (pname) {
        case GL_AMBIENT:
            copy(m.ambient, v, 4);
            break;
        case GL_DIFFUSE:
            copy(m.diffuse, v, 4);
            break;
        case GL_AMBIENT_AND_DIFFUSE:
            copy(m.ambient, v, 4);
            copy(m.diffuse, v, 4);
            break;
        case GL_SPECULAR:
            copy(m.specular, v, 4);
            break;
        case GL_EMISSION:
            copy(m.emission, v, 4);
            break;
        case GL_SHININESS:
            m.shininess = v[0];
            break;
        default:
            break;
    }
}

void call_list_now(uint32_t name, int32_t depth);

void execute(const Call& c, uint32_t list, int32_t depth) {
    switch (c.kind) {
        case call_enable:
            enable(c.a, true);
            break;
        case call_disable:
            enable(c.a, false);
            break;
        case call_normal:
            copy(state.normal, c.v, 3);
            break;
        case call_colour:
            copy(state.colour, c.v, 4);
            break;
        case call_texcoord:
            copy(state.texcoord, c.v, 2);
            break;
        case call_current:
            if (c.a & inherit_normal) copy(state.normal, c.v, 3);
            if (c.a & inherit_colour) copy(state.colour, c.v + 4, 4);
            if (c.a & inherit_texcoord) copy(state.texcoord, c.v + 8, 2);
            break;
        case call_draw: {
            const DisplayList& l = lists[list];
            add_draw(state, c.a, l.vertices.data() + c.first_vertex, c.vertex_count, l.indices.data() + c.first,
                     c.count, c.inherit);
            break;
        }
        case call_list:
            call_list_now(c.a, depth + 1);
            break;
        case call_matrix_mode:
            state.matrix_mode = c.a;
            break;
        case call_load_identity:
            current(current_stack()) = identity_matrix();
            break;
        case call_push_matrix:
            push_matrix(current_stack());
            break;
        case call_pop_matrix:
            pop_matrix(current_stack());
            break;
        case call_multiply: {
            Matrix m;
            copy(m.m, c.v, 16);
            multiply_current(current_stack(), m);
            break;
        }
        case call_light:
            light(c.a, c.b, c.v);
            break;
        case call_light_model:
            if (c.a == GL_LIGHT_MODEL_AMBIENT) copy(state.light_model_ambient, c.v, 4);
            if (c.a == GL_LIGHT_MODEL_LOCAL_VIEWER) state.local_viewer = c.v[0] != 0.0f;
            break;
        case call_material:
            material(c.a, c.b, c.v);
            break;
        case call_fog:
            if (c.a == GL_FOG_START) state.fog_start = c.v[0];
            if (c.a == GL_FOG_END) state.fog_end = c.v[0];
            if (c.a == GL_FOG_COLOR) copy(state.fog_colour, c.v, 4);
            break;
        case call_point_size:
            state.point_size = c.v[0];
            break;
        case call_depth_mask:
            state.depth_mask = c.a != 0;
            break;
        case call_blend_func:
            state.blend_source = c.a;
            state.blend_destination = c.b;
            break;
        case call_viewport:
            for (int i = 0; i < 4; ++i) state.viewport[i] = static_cast<int32_t>(c.v[i]);
            break;
        case call_scissor:
            for (int i = 0; i < 4; ++i) state.scissor[i] = static_cast<int32_t>(c.v[i]);
            break;
        case call_clear_colour:
            copy(state.clear_colour, c.v, 4);
            break;
        case call_clear:
            flush_draws();
            backend::clear(draw_state_of(state, GL_TRIANGLES), state.clear_colour, c.a);
            break;
        case call_bind_texture:
            state.texture = c.a;
            break;
        case call_push_attributes:
            if (attribute_depth < attribute_stack_depth) attribute_stack[attribute_depth++] = state;
            break;
        case call_pop_attributes:
            if (attribute_depth > 0) {
                // everything comes back but the matrices
                State saved = attribute_stack[--attribute_depth];
                saved.modelview = state.modelview;
                saved.projection = state.projection;
                state = saved;
            }
            break;
    }
}

void call_list_now(uint32_t name, int32_t depth) {
    if (name == 0 || name >= max_lists || !lists[name].defined || depth >= max_list_nesting) return;
    for (const Call& c : lists[name].calls) execute(c, name, depth);
}

// Records the call in the list being compiled, or acts on it now.
void submit(const Call& c) {
    if (compiling) {
        lists[compiling].calls.push_back(c);
    } else {
        execute(c, 0, 0);
    }
}

Call make(CallKind kind, uint32_t a = 0, uint32_t b = 0) {
    Call c = {};
    c.kind = kind;
    c.a = a;
    c.b = b;
    return c;
}

Call make_values(CallKind kind, uint32_t a, uint32_t b, const float* v, int n) {
    Call c = make(kind, a, b);
    copy(c.v, v, n);
    return c;
}

// The attribute call of one of the three current vertex attributes: it
// applies to the vertices that follow, inside a primitive or outside.
void attribute(uint8_t bit, const float* v, int n) {
    if (compiling) {
        float* to = bit == inherit_normal ? list_normal : bit == inherit_colour ? list_colour : list_texcoord;
        copy(to, v, n);
        list_set |= bit;
        if (inside) {
            primitive_set |= bit;
        } else {
            submit(make_values(bit == inherit_normal   ? call_normal
                               : bit == inherit_colour ? call_colour
                                                       : call_texcoord,
                               0, 0, v, n));
        }
        return;
    }
    copy(bit == inherit_normal ? state.normal : bit == inherit_colour ? state.colour : state.texcoord, v, n);
}

}  // namespace

void reset_state(State* s, int32_t width, int32_t height) {
    *s = State{};
    reset_stack(&s->modelview);
    reset_stack(&s->projection);
    s->matrix_mode = GL_MODELVIEW;
    set4(s->colour, 1.0f, 1.0f, 1.0f, 1.0f);
    s->normal[2] = 1.0f;
    for (int32_t i = 0; i < light_count; ++i) {
        Light& l = s->lights[i];
        set4(l.position, 0.0f, 0.0f, 1.0f, 0.0f);
        set4(l.ambient, 0.0f, 0.0f, 0.0f, 1.0f);
        const float d = i == 0 ? 1.0f : 0.0f;
        set4(l.diffuse, d, d, d, 1.0f);
        set4(l.specular, d, d, d, 1.0f);
        l.attenuation[0] = 1.0f;
    }
    set4(s->light_model_ambient, 0.2f, 0.2f, 0.2f, 1.0f);
    set4(s->material.ambient, 0.2f, 0.2f, 0.2f, 1.0f);
    set4(s->material.diffuse, 0.8f, 0.8f, 0.8f, 1.0f);
    set4(s->material.specular, 0.0f, 0.0f, 0.0f, 1.0f);
    set4(s->material.emission, 0.0f, 0.0f, 0.0f, 1.0f);
    s->fog_end = 1.0f;
    s->point_size = 1.0f;
    s->depth_mask = true;
    s->blend_source = GL_ONE;
    s->blend_destination = GL_ZERO;
    s->viewport[2] = s->scissor[2] = width;
    s->viewport[3] = s->scissor[3] = height;
    s->pack_alignment = 4;
}

bool start_layer(int32_t width, int32_t height) {
    reset_state(&state, width, height);
    for (DisplayList& l : lists) l = DisplayList{};
    for (Texture& t : textures) t = {false, GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT, {}};
    drop_draws();
    next_list = 1;
    next_texture = 1;
    compiling = 0;
    inside = false;
    attribute_depth = 0;
    return backend::start();
}

bool restore_layer() { return backend::start(); }

}  // namespace webgl

// The entry points, named by gl11.h's macros (webgl::glBegin and so on).

void glBegin(GLenum mode) {
    using namespace webgl;
    if (inside) return;
    inside = true;
    primitive_mode = mode;
    primitive_set = 0;
    primitive.clear();
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    using namespace webgl;
    if (!inside) return;
    Vertex v;
    v.position[0] = x;
    v.position[1] = y;
    v.position[2] = z;
    copy(v.normal, compiling ? list_normal : state.normal, 3);
    copy(v.colour, compiling ? list_colour : state.colour, 4);
    copy(v.texcoord, compiling ? list_texcoord : state.texcoord, 2);
    primitive.push_back(v);
}

void glVertex2i(GLint x, GLint y) { glVertex3f(static_cast<float>(x), static_cast<float>(y), 0.0f); }

void glEnd() {
    using namespace webgl;
    if (!inside) return;
    inside = false;
    indices.clear();
    const int32_t count = static_cast<int32_t>(primitive.size());
    const uint32_t mode = primitive_indices(primitive_mode, count, &indices);
    if (!compiling) {
        add_draw(state, mode, primitive.data(), count, indices.data(), static_cast<int32_t>(indices.size()), 0);
        return;
    }
    DisplayList& list = lists[compiling];
    if (!indices.empty()) {
        Call draw = make(call_draw, mode);
        draw.first_vertex = static_cast<int32_t>(list.vertices.size());
        draw.vertex_count = count;
        draw.first = static_cast<int32_t>(list.indices.size());
        draw.count = static_cast<int32_t>(indices.size());
        // an attribute that the list has not set yet comes from the caller's state
        draw.inherit = static_cast<uint8_t>(~list_set & (inherit_normal | inherit_colour | inherit_texcoord));
        list.vertices.insert(list.vertices.end(), primitive.begin(), primitive.end());
        list.indices.insert(list.indices.end(), indices.begin(), indices.end());
        submit(draw);
    }
    if (primitive_set) {
        Call current = make(call_current, primitive_set);
        copy(current.v, list_normal, 3);
        copy(current.v + 4, list_colour, 4);
        copy(current.v + 8, list_texcoord, 2);
        submit(current);
    }
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    const float v[3] = {x, y, z};
    webgl::attribute(webgl::inherit_normal, v, 3);
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    const float v[4] = {r, g, b, 1.0f};
    webgl::attribute(webgl::inherit_colour, v, 4);
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    const float v[2] = {s, t};
    webgl::attribute(webgl::inherit_texcoord, v, 2);
}

GLuint glGenLists(GLsizei range) {
    using namespace webgl;
    if (range < 1 || next_list + static_cast<uint32_t>(range) > max_lists) return 0;
    const uint32_t first = next_list;
    next_list += static_cast<uint32_t>(range);
    return first;
}

void glNewList(GLuint list, GLenum) {
    using namespace webgl;
    if (compiling || inside || list == 0 || list >= max_lists) return;
    compiling = list;
    lists[list] = DisplayList{};
    list_set = 0;
}

void glEndList() {
    using namespace webgl;
    if (!compiling || inside) return;
    lists[compiling].defined = true;
    compiling = 0;
}

void glCallList(GLuint list) {
    using namespace webgl;
    if (compiling) {
        submit(make(call_list, list));
    } else {
        call_list_now(list, 0);
    }
}

void glMatrixMode(GLenum mode) { webgl::submit(webgl::make(webgl::call_matrix_mode, mode)); }
void glLoadIdentity() { webgl::submit(webgl::make(webgl::call_load_identity)); }
void glPushMatrix() { webgl::submit(webgl::make(webgl::call_push_matrix)); }
void glPopMatrix() { webgl::submit(webgl::make(webgl::call_pop_matrix)); }

void glMultMatrixf(const GLfloat* m) { webgl::submit(webgl::make_values(webgl::call_multiply, 0, 0, m, 16)); }

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { glMultMatrixf(webgl::translation(x, y, z).m); }
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) { glMultMatrixf(webgl::rotation(angle, x, y, z).m); }
void glScalef(GLfloat x, GLfloat y, GLfloat z) { glMultMatrixf(webgl::scaling(x, y, z).m); }

void glFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_plane, GLdouble far_plane) {
    const webgl::Matrix m =
        webgl::frustum(static_cast<float>(left), static_cast<float>(right), static_cast<float>(bottom),
                       static_cast<float>(top), static_cast<float>(near_plane), static_cast<float>(far_plane));
    glMultMatrixf(m.m);
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_plane, GLdouble far_plane) {
    const webgl::Matrix m =
        webgl::ortho(static_cast<float>(left), static_cast<float>(right), static_cast<float>(bottom),
                     static_cast<float>(top), static_cast<float>(near_plane), static_cast<float>(far_plane));
    glMultMatrixf(m.m);
}

void glPushAttrib(GLbitfield) { webgl::submit(webgl::make(webgl::call_push_attributes)); }
void glPopAttrib() { webgl::submit(webgl::make(webgl::call_pop_attributes)); }

void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    webgl::submit(webgl::make_values(
        webgl::call_light, light, pname, params,
        pname == GL_POSITION || pname == GL_AMBIENT || pname == GL_DIFFUSE || pname == GL_SPECULAR ? 4 : 1));
}

void glLightf(GLenum light, GLenum pname, GLfloat param) { glLightfv(light, pname, &param); }

void glLightModelfv(GLenum pname, const GLfloat* params) {
    webgl::submit(
        webgl::make_values(webgl::call_light_model, pname, 0, params, pname == GL_LIGHT_MODEL_AMBIENT ? 4 : 1));
}

void glLightModeli(GLenum pname, GLint param) {
    const float v = static_cast<float>(param);
    glLightModelfv(pname, &v);
}

void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params) {
    webgl::submit(webgl::make_values(webgl::call_material, face, pname, params, pname == GL_SHININESS ? 1 : 4));
}

void glMaterialf(GLenum face, GLenum pname, GLfloat param) { glMaterialfv(face, pname, &param); }

// Only linear fog is drawn, the scene's one mode.
void glFogi(GLenum, GLint) {}

void glFogf(GLenum pname, GLfloat param) { glFogfv(pname, &param); }

void glFogfv(GLenum pname, const GLfloat* params) {
    webgl::submit(webgl::make_values(webgl::call_fog, pname, 0, params, pname == GL_FOG_COLOR ? 4 : 1));
}

// Shading is always smooth, the scene's one model.
void glShadeModel(GLenum) {}

void glEnable(GLenum cap) { webgl::submit(webgl::make(webgl::call_enable, cap)); }
void glDisable(GLenum cap) { webgl::submit(webgl::make(webgl::call_disable, cap)); }

void glPointSize(GLfloat size) { webgl::submit(webgl::make_values(webgl::call_point_size, 0, 0, &size, 1)); }
void glDepthMask(GLboolean flag) { webgl::submit(webgl::make(webgl::call_depth_mask, flag)); }

void glBlendFunc(GLenum source, GLenum destination) {
    webgl::submit(webgl::make(webgl::call_blend_func, source, destination));
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    const float v[4] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
                        static_cast<float>(height)};
    webgl::submit(webgl::make_values(webgl::call_viewport, 0, 0, v, 4));
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    const float v[4] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
                        static_cast<float>(height)};
    webgl::submit(webgl::make_values(webgl::call_scissor, 0, 0, v, 4));
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    const float v[4] = {r, g, b, a};
    webgl::submit(webgl::make_values(webgl::call_clear_colour, 0, 0, v, 4));
}

void glClear(GLbitfield mask) { webgl::submit(webgl::make(webgl::call_clear, mask)); }

void glFinish() {
    webgl::flush_draws();
    webgl::backend::finish();
}

void glPixelStorei(GLenum pname, GLint param) {
    if (pname == GL_PACK_ALIGNMENT) webgl::state.pack_alignment = param;
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels) {
    if (width <= 0 || height <= 0 || type != GL_UNSIGNED_BYTE) return;
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    webgl::flush_draws();
    webgl::backend::read_rgba(x, y, width, height, rgba.data());
    webgl::pack_rows(rgba.data(), width, height, format, webgl::state.pack_alignment, static_cast<uint8_t*>(pixels));
}

// glBindTexture is recorded while a list is being compiled, as the other
// state calls are; the texture calls below it act at once, also then, on
// the texture bound now (a bind in the list acts when the list is called).

void glGenTextures(GLsizei n, GLuint* names) {
    using namespace webgl;
    for (GLsizei i = 0; i < n; ++i) {
        names[i] = next_texture < max_textures ? next_texture++ : 0;
        if (names[i]) textures[names[i]].named = true;
    }
}

void glBindTexture(GLenum, GLuint name) { webgl::submit(webgl::make(webgl::call_bind_texture, name)); }

void glTexParameteri(GLenum, GLenum pname, GLint param) {
    using namespace webgl;
    if (!state.texture || state.texture >= max_textures) return;
    Texture& t = textures[state.texture];
    switch (pname) {
        case GL_TEXTURE_MIN_FILTER:
            t.min_filter = param;
            break;
        case GL_TEXTURE_MAG_FILTER:
            t.mag_filter = param;
            break;
        case GL_TEXTURE_WRAP_S:
            t.wrap_s = param;
            break;
        case GL_TEXTURE_WRAP_T:
            t.wrap_t = param;
            break;
        default:
            return;
    }
    // draws made before keep the texture as it was
    flush_draws();
    backend::texture(state.texture);
}

GLint gluBuild2DMipmaps(GLenum, GLint, GLsizei width, GLsizei height, GLenum format, GLenum type, const void* pixels) {
    // GLU's error codes: an enum or a size this layer does not build
    constexpr GLint invalid_enum = 100900;
    constexpr GLint invalid_value = 100901;
    if (format != GL_RGBA || type != GL_UNSIGNED_BYTE) return invalid_enum;
    const bool power_of_two = width > 0 && height > 0 && (width & (width - 1)) == 0 && (height & (height - 1)) == 0;
    const uint32_t name = webgl::state.texture;
    if (!power_of_two || !name || name >= webgl::max_textures) return invalid_value;
    webgl::flush_draws();
    webgl::build_mip_levels(width, height, static_cast<const uint8_t*>(pixels), &webgl::textures[name].levels);
    webgl::backend::texture(name);
    return 0;
}
